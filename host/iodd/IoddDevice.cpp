// SPDX-License-Identifier: Apache-2.0
#include "host/iodd/IoddDevice.h"

#include "host/DeviceFile.h"
#include "host/DeviceModel.h"
#include "host/iodd/IoddDocument.h"
#include "host/iodd/IoddFacts.h"
#include "host/iodd/IoddTemplate.h"
#include "host/iodd/IoddValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace Iodd {

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(Iodd)
};

struct Fault
{
    QString file;
    QString message;
};

const QString kShowPrefix = QStringLiteral("&&show&&");
const QString kVariantItem = QStringLiteral("&&iodd&&Variant");
const QString kFileItem = QStringLiteral("&&iodd&&File");
const QString kVersionItem = QStringLiteral("&&iodd&&Version");
const QString kReleaseDateItem = QStringLiteral("&&iodd&&ReleaseDate");

/// How a menu shows a value: its unit, scaling and format, and the
/// conditions of the menus it stands in.
struct Presentation
{
    QString unit;
    QString format;
    double gradient = 1;
    double offset = 0;
    bool scaled = false;
    QList<Condition> conditions;
};

struct ObjectInfo
{
    QString name; ///< as the IODD spells it
    SimpleType type;
    bool enumeration = false;
    /// Names of single values by value, for values that are not an
    /// enumeration (single values beside a range), already escaped.
    QHash<QString, QString> valueNames;
    QList<Presentation> presentations;
};

bool isInteger(const SimpleType &type)
{
    return type.kind == SimpleType::Kind::UInteger || type.kind == SimpleType::Kind::Integer;
}

bool isEnumeration(const SimpleType &type)
{
    if (type.kind == SimpleType::Kind::Boolean)
        return true;
    return isInteger(type) && type.bitLength <= 32 && !type.singleValues.isEmpty() && type.ranges.isEmpty();
}

/// A boolean as IODDs spell it ("true", "false", "1", "0") as a number.
QString booleanNumber(const QString &value)
{
    const QString v = value.trimmed();
    if (v.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("1");
    if (v.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("0");
    return v;
}

bool sameValue(const QString &a, const QString &b)
{
    const QString x = booleanNumber(a);
    const QString y = booleanNumber(b);
    bool okX = false, okY = false;
    const double dx = x.toDouble(&okX);
    const double dy = y.toDouble(&okY);
    if (okX && okY)
        return dx == dy;
    return x == y;
}

QString conditionItem(const Document &document, const Condition &condition)
{
    const Variable *variable = document.variable(condition.variableId);
    if (!variable)
        return condition.variableId;
    return objectName(*variable, condition.subindex < 0 ? 0 : condition.subindex);
}

/// What the host's display texts need once the IODD itself is gone.
class DeviceView
{
public:
    QHash<QString, ObjectInfo> objects;                 ///< by folded object name
    QHash<QString, QList<Condition>> sectionConditions; ///< by folded visibility item
    /// Condition variables resolved to item names.
    QHash<QString, QString> conditionItems;

    bool holds(const QList<Condition> &conditions,
               const std::function<QString(const QString &)> &valueOf) const
    {
        for (const Condition &condition : conditions)
            if (!sameValue(valueOf(conditionItems.value(condition.variableId + u'/' +
                                                        QString::number(condition.subindex))),
                           condition.value))
                return false;
        return true;
    }

    const Presentation *presentation(const ObjectInfo &object,
                                     const std::function<QString(const QString &)> &valueOf) const
    {
        for (const Presentation &p : object.presentations)
            if (holds(p.conditions, valueOf))
                return &p;
        return object.presentations.isEmpty() ? nullptr : &object.presentations.first();
    }

    bool isExtraItem(QStringView item) const
    {
        const QString folded = item.toString().toCaseFolded();
        if (folded.startsWith(kShowPrefix))
            return sectionConditions.contains(folded);
        return folded.endsWith(kUnitSuffix) && objects.contains(folded.chopped(kUnitSuffix.size()));
    }

    std::optional<QString> display(const QString &item, const QString *stored,
                                   const std::function<QString(const QString &)> &valueOf) const
    {
        const QString folded = item.toCaseFolded();
        if (folded.startsWith(kShowPrefix)) {
            const auto it = sectionConditions.constFind(folded);
            if (it == sectionConditions.cend())
                return std::nullopt;
            return holds(*it, valueOf) ? QString() : QStringLiteral("display:none");
        }
        if (folded.endsWith(kUnitSuffix)) {
            const auto it = objects.constFind(folded.chopped(kUnitSuffix.size()));
            if (it == objects.cend())
                return std::nullopt;
            const Presentation *p = presentation(*it, valueOf);
            return p ? escapeHtml(p->unit) : QString();
        }
        const auto it = objects.constFind(folded);
        if (it == objects.cend() || !stored)
            return stored ? std::optional<QString>(escapeHtml(*stored)) : std::nullopt;
        return valueText(*it, *stored, valueOf);
    }

private:
    QString valueText(const ObjectInfo &object, const QString &stored,
                      const std::function<QString(const QString &)> &valueOf) const
    {
        const SimpleType &type = object.type;
        if (object.enumeration)
            return booleanNumber(stored);
        if (const auto name = object.valueNames.constFind(stored.trimmed()); name != object.valueNames.cend())
            return *name;
        const bool numeric = isInteger(type) || type.kind == SimpleType::Kind::Float32;
        if (!numeric)
            return escapeHtml(stored);
        const Presentation *p = presentation(object, valueOf);
        const QString format = p ? p->format : QString();
        bool ok = false;
        if (isInteger(type) && (format == u"Hex" || format == u"Bin")) {
            const qlonglong raw = stored.trimmed().toLongLong(&ok);
            if (ok)
                return (format == u"Hex" ? QStringLiteral("0x") : QStringLiteral("0b")) +
                       QString::number(quint64(raw), format == u"Hex" ? 16 : 2).toUpper();
        }
        const bool scaled = p && p->scaled;
        const int decimals = format.startsWith(u"Dec.") ? format.mid(4).toInt() : -1;
        if (!scaled && decimals < 0)
            return escapeHtml(stored);
        const double raw = stored.trimmed().toDouble(&ok);
        if (!ok)
            return escapeHtml(stored);
        const double value = scaled ? raw * p->gradient + p->offset : raw;
        if (decimals >= 0)
            return QString::number(value, 'f', decimals);
        // Enough digits for what scaling makes of an integer, without the
        // noise of binary fractions (0.1 * 215 shows as 21.5).
        return QString::number(value, 'g', 12);
    }
};

QString label(const Document &document, const Variable &variable, const QString &language)
{
    if (!variable.standardName.isEmpty())
        return language == u"de" ? variable.standardNameGerman : variable.standardName;
    const QString name = document.text(variable.nameId, language);
    return name.isEmpty() ? variable.id : name;
}

QString itemLabel(const Document &document, const Variable &variable, int subindex, const QString &language)
{
    if (variable.type.shape == Datatype::Shape::Record) {
        for (const RecordItem &item : variable.type.items)
            if (item.subindex == subindex) {
                const QString name = document.text(item.nameId, language);
                if (!name.isEmpty())
                    return name;
            }
        return label(document, variable, language) + QStringLiteral(" (%1)").arg(subindex);
    }
    if (variable.type.shape == Datatype::Shape::Array)
        return label(document, variable, language) + QStringLiteral(" [%1]").arg(subindex);
    return label(document, variable, language);
}

/// Calls `take` with the name and subindex (0 for a simple variable) of each
/// of the variable's objects.
template<typename Take> void forEachObject(const Variable &variable, Take take)
{
    switch (variable.type.shape) {
    case Datatype::Shape::Simple:
        take(variable.id, 0);
        break;
    case Datatype::Shape::Record:
        for (const RecordItem &item : variable.type.items)
            take(objectName(variable, item.subindex), item.subindex);
        break;
    case Datatype::Shape::Array:
        for (int n = 1; n <= variable.type.count; ++n)
            take(objectName(variable, n), n);
        break;
    }
}

const SimpleType &typeOf(const Variable &variable, int subindex)
{
    if (variable.type.shape == Datatype::Shape::Record)
        for (const RecordItem &item : variable.type.items)
            if (item.subindex == subindex)
                return item.type;
    return variable.type.simple;
}

bool shown(const Variable &variable)
{
    // Commands (write-only) have no value to document.
    return variable.access != u"wo" && variable.index >= 0;
}

/// The objects of the shown variables in the file's order, each named once
/// for the whole load: tens of thousands of them in a large file.
struct ShownObjects
{
    struct Object
    {
        const Variable *variable = nullptr;
        QString name;
        int subindex = 0;
        ObjectInfo *info = nullptr; ///< in DeviceView::objects
    };
    std::vector<Object> objects;
    /// By position in Document::variables: the first of its objects; the
    /// next variable's first ends them.
    std::vector<std::size_t> first;

    /// The objects of `variable`, one of the document's.
    std::pair<const Object *, const Object *> of(const Document &document, const Variable &variable) const
    {
        const auto at = std::size_t(&variable - document.variables.constData());
        return {objects.data() + first[at], objects.data() + first[at + 1]};
    }
};

/// Walks the role menus into template sections and presentations.
class MenuWalker
{
public:
    MenuWalker(const Document &document, DeviceView &view, const ShownObjects &objects)
        : m_document(document), m_view(view), m_objects(objects)
    {
    }

    QList<TemplateSection> sections(const QString &language)
    {
        m_language = language;
        m_sections.clear();
        m_visited.clear();
        m_showCount = 0;
        const QString roles[4] = {m_document.roleMenus.identification, m_document.roleMenus.parameter,
                                  m_document.roleMenus.observation, m_document.roleMenus.diagnosis};
        const char *english[4] = {"Identification", "Parameter", "Observation", "Diagnosis"};
        const char *german[4] = {"Identifikation", "Parameter", "Beobachtung", "Diagnose"};
        bool any = false;
        for (int i = 0; i < 4; ++i) {
            if (roles[i].isEmpty() || !m_document.menus.contains(roles[i]))
                continue;
            any = true;
            walk(m_document.menus.value(roles[i]), 0, {},
                 QString::fromUtf8(language == u"de" ? german[i] : english[i]));
        }
        if (!any) {
            // No menus: every value in the file's order, in one table.
            TemplateSection section;
            section.title = language == u"de" ? QStringLiteral("Parameter") : QStringLiteral("Parameters");
            for (const ShownObjects::Object &object : m_objects.objects)
                section.rows.append(row(*object.variable, object.subindex, object.name));
            m_sections.append(section);
        }
        return m_sections;
    }

private:
    TemplateRow row(const Variable &variable, int subindex, const QString &name)
    {
        return {itemLabel(m_document, variable, subindex, m_language), name};
    }

    void present(ObjectInfo &object, const MenuEntry &entry, const QList<Condition> &conditions)
    {
        Presentation p;
        auto unit = m_units.constFind(entry.unitCode);
        if (unit == m_units.cend())
            unit = m_units.insert(entry.unitCode, unitSymbol(entry.unitCode));
        p.unit = *unit;
        p.format = entry.displayFormat;
        p.scaled = entry.gradient.has_value() || entry.offset.has_value();
        p.gradient = entry.gradient.value_or(1);
        p.offset = entry.offset.value_or(0);
        p.conditions = conditions;
        object.presentations.append(p);
    }

    void walk(const Menu &menu, int level, const QList<Condition> &conditions, const QString &title)
    {
        if (m_visited.contains(menu.id) || level > 8)
            return;
        m_visited.insert(menu.id);
        TemplateSection section;
        const QString menuName = m_document.text(menu.nameId, m_language);
        section.title = level == 0 || menuName.isEmpty() ? (level == 0 ? title : menu.id) : menuName;
        section.level = level;
        if (!conditions.isEmpty()) {
            section.visibilityItem = kShowPrefix + QString::number(++m_showCount);
            m_view.sectionConditions.insert(section.visibilityItem.toCaseFolded(), conditions);
        }
        qsizetype at = m_sections.size();
        m_sections.append(section);
        for (const MenuEntry &entry : menu.entries) {
            if (entry.kind == MenuEntry::Kind::Menu) {
                QList<Condition> inner = conditions;
                if (entry.condition)
                    inner.append(*entry.condition);
                if (m_document.menus.contains(entry.ref)) {
                    walk(m_document.menus.value(entry.ref), level + 1, inner, QString());
                    // The menu's own rows after the submenu go on below it.
                    TemplateSection rest = section;
                    rest.title.clear();
                    rest.level = std::max(level, 1);
                    at = m_sections.size();
                    m_sections.append(rest);
                }
                continue;
            }
            const Variable *variable = m_document.variable(entry.ref);
            if (!variable || !shown(*variable))
                continue;
            const auto [begin, end] = m_objects.of(m_document, *variable);
            for (const ShownObjects::Object *object = begin; object != end; ++object) {
                if (entry.kind == MenuEntry::Kind::RecordItem && object->subindex != entry.subindex)
                    continue;
                m_sections[at].rows.append(row(*variable, object->subindex, object->name));
                present(*object->info, entry, conditions);
            }
        }
        // A heading alone is no use on a page.
        if (m_sections[at].rows.isEmpty() && m_sections[at].level > 0 && m_sections.size() == at + 1)
            m_sections.removeAt(at);
    }

    const Document &m_document;
    DeviceView &m_view;
    const ShownObjects &m_objects;
    QHash<QString, QString> m_units; ///< unit symbols by code
    QString m_language;
    QList<TemplateSection> m_sections;
    QSet<QString> m_visited;
    int m_showCount = 0;
};

QString templateBase(const QString &ioddPath)
{
    const QString name = QFileInfo(ioddPath).fileName();
    const qsizetype dot = name.indexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

/// A hand-written template beside the IODD, found without regard to case.
bool hasOwnTemplate(const QString &ioddPath)
{
    const QString base = templateBase(ioddPath);
    const QDir dir = QFileInfo(ioddPath).absoluteDir();
    for (const QString &name : dir.entryList(QDir::Files))
        for (const char *code : {"001", "049"})
            if (name.compare(base + QLatin1StringView(code) + QStringLiteral(".HTM"), Qt::CaseInsensitive) ==
                0)
                return true;
    return false;
}

void writeIfChanged(const QString &path, const QByteArray &bytes)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() && existing.readAll() == bytes)
        return;
    existing.close();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Fault{path, Text::tr("cannot write the template %1: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString())};
}

} // namespace

LoadOptions &toolOptions()
{
    static LoadOptions options;
    return options;
}

bool isIoddPath(const QString &path)
{
    return path.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive);
}

QString templateDirectory()
{
    const QString configured = qEnvironmentVariable("QUIRAVEL_IODD_TEMPLATES");
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quiravel/iodd-templates");
}

QString escapeHtml(QStringView text)
{
    // Most texts hold none of the four: a copy, without a look at each
    // character on its own.
    const auto special = [](QChar c) { return c == u'&' || c == u'<' || c == u'>' || c == u'"'; };
    if (std::none_of(text.begin(), text.end(), special))
        return text.toString();
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString escapeHtml(const QString &text)
{
    const auto special = [](QChar c) { return c == u'&' || c == u'<' || c == u'>' || c == u'"'; };
    return std::none_of(text.begin(), text.end(), special) ? text : escapeHtml(QStringView(text));
}

bool loadIodd(const QString &ioddPath, const QString &valuesPath, DeviceModel &model,
              const LoadOptions &options, DeviceFileError *error, QString *variantNote)
{
    try {
        const QString language = options.language.isEmpty() ? userLanguage() : options.language;
        Document document;
        Error readError;
        // Only the language shown: the texts of the others are most of a
        // large file's strings.
        if (!readDocument(ioddPath, {language}, &document, &readError))
            throw Fault{readError.file, readError.message};

        // Objects, refusing names that differ only in case: the host
        // matches names without regard to case.
        auto view = std::make_shared<DeviceView>();
        ShownObjects shownObjects;
        shownObjects.first.reserve(std::size_t(document.variables.size()) + 1);
        shownObjects.objects.reserve(std::size_t(document.variables.size()));
        std::vector<QString> foldedNames;
        foldedNames.reserve(std::size_t(document.variables.size()));
        view->objects.reserve(document.variables.size());
        for (const Variable &variable : std::as_const(document.variables)) {
            shownObjects.first.push_back(shownObjects.objects.size());
            if (!shown(variable))
                continue;
            forEachObject(variable, [&](const QString &name, int subindex) {
                QString folded = name.toCaseFolded();
                if (const auto other = view->objects.constFind(folded); other != view->objects.cend())
                    throw Fault{
                        ioddPath,
                        Text::tr("the objects \"%1\" and \"%2\" differ only in case").arg(other->name, name)};
                shownObjects.objects.push_back({&variable, name, subindex, nullptr});
                ObjectInfo info;
                info.name = name;
                info.type = typeOf(variable, subindex);
                info.enumeration = isEnumeration(info.type);
                if (!info.enumeration)
                    for (const auto &single : info.type.singleValues)
                        info.valueNames.insert(single.value.trimmed(),
                                               escapeHtml(document.text(single.textId, language)));
                view->objects.insert(folded, info);
                foldedNames.push_back(std::move(folded));
            });
        }
        shownObjects.first.push_back(shownObjects.objects.size());
        // The hash holds them all: where each stands stays put from here on.
        for (std::size_t i = 0; i < foldedNames.size(); ++i)
            shownObjects.objects[i].info = &view->objects.find(foldedNames[i]).value();
        MenuWalker walker(document, *view, shownObjects);
        // The component shows the template of the user's language only: the
        // other one is generated when a run in that language asks for it.
        const QList<TemplateSection> sections = walker.sections(language);
        for (const auto &menu : std::as_const(document.menus))
            for (const MenuEntry &entry : menu.entries)
                if (entry.condition)
                    view->conditionItems.insert(entry.condition->variableId + u'/' +
                                                    QString::number(entry.condition->subindex),
                                                conditionItem(document, *entry.condition));

        // The device's values, checked against the IODD's identity.
        DeviceValues values;
        const bool iniValues = valuesPath.endsWith(QStringLiteral(".data"), Qt::CaseInsensitive);
        if (iniValues) {
            // Checked before the model changes; read into it at the end.
            DeviceModel scratch;
            DeviceFileError dataError;
            if (!loadData(valuesPath, scratch, &dataError))
                throw Fault{dataError.file, dataError.toString().mid(dataError.file.size() + 2)};
        } else if (!valuesPath.isEmpty()) {
            Error valuesError;
            if (!readDeviceValues(valuesPath, document, &values, &valuesError))
                throw Fault{valuesError.file, valuesError.message};
            if (values.hasIdentity &&
                (values.vendorId != document.vendorId || values.deviceId != document.deviceId))
                throw Fault{valuesPath, Text::tr("the values are for vendor id %1, device id %2; the IODD %3 "
                                                 "describes vendor id %4, device id %5")
                                            .arg(values.vendorId)
                                            .arg(values.deviceId)
                                            .arg(ioddPath)
                                            .arg(document.vendorId)
                                            .arg(document.deviceId)};
            if (values.productId.isEmpty())
                for (const auto &[name, value] : std::as_const(values.values))
                    if (name.compare(QStringLiteral("V_ProductID"), Qt::CaseInsensitive) == 0)
                        values.productId = value.trimmed();
        }

        // The variant: asked for, else the values', else the first.
        if (document.variants.isEmpty())
            document.variants.append(Variant());
        const Variant *variant = &document.variants.first();
        QString why = Text::tr("the first in the IODD");
        const auto find = [&](const QString &productId) -> const Variant * {
            for (const Variant &v : std::as_const(document.variants))
                if (v.productId == productId)
                    return &v;
            return nullptr;
        };
        if (!options.variant.isEmpty()) {
            variant = find(options.variant);
            if (!variant) {
                QStringList ids;
                for (const Variant &v : std::as_const(document.variants))
                    ids.append(v.productId);
                throw Fault{ioddPath, Text::tr("no variant with the product id \"%1\" (it has %2)")
                                          .arg(options.variant, ids.join(QStringLiteral(", ")))};
            }
            why = Text::tr("as asked");
        } else if (const Variant *own = values.productId.isEmpty() ? nullptr : find(values.productId)) {
            variant = own;
            why = Text::tr("the values' product id");
        }
        const QString note = QStringLiteral("%1 (%2)").arg(variant->productId, why);

        // Templates: a hand-written one beside the IODD, else generated.
        QString descriptionFolder;
        if (hasOwnTemplate(ioddPath)) {
            descriptionFolder = QFileInfo(ioddPath).absolutePath();
        } else {
            const QString root =
                options.templateDirectory.isEmpty() ? templateDirectory() : options.templateDirectory;
            descriptionFolder = QDir(root).absoluteFilePath(QFileInfo(ioddPath).completeBaseName());
            if (!QDir().mkpath(descriptionFolder))
                throw Fault{ioddPath, Text::tr("cannot make the template folder %1")
                                          .arg(QDir::toNativeSeparators(descriptionFolder))};
            const QString base = QDir(descriptionFolder).filePath(templateBase(ioddPath));
            writeIfChanged(base + (language == u"de" ? QStringLiteral("049.HTM") : QStringLiteral("001.HTM")),
                           makeTemplate(sections, language));
        }

        // Everything could be read: now the model.
        const QString deviceName = document.text(document.deviceNameId, language);
        const QString family = document.text(document.deviceFamilyId, language);
        model.setDeviceEntry(QStringLiteral("VENDORID"), QString::number(document.vendorId));
        model.setDeviceEntry(QStringLiteral("DEVICEID"), QString::number(document.deviceId));
        model.setDeviceEntry(QStringLiteral("ADDDEVICEID"), variant->productId);
        model.setDeviceEntry(QStringLiteral("VENDOR"), escapeHtml(document.vendorName));
        model.setDeviceEntry(QStringLiteral("DEVTYPETEXT"),
                             escapeHtml(family.isEmpty() ? deviceName : family + u' ' + deviceName));
        model.setDeviceEntry(QStringLiteral("NICKNAME"),
                             escapeHtml(document.text(variant->nameId, language)));
        model.setDeviceEntry(QStringLiteral("DEFAULTTAG"),
                             escapeHtml(document.text(variant->nameId, language).isEmpty()
                                            ? variant->productId
                                            : document.text(variant->nameId, language)));
        model.setDeviceEntry(QStringLiteral("DEVDESCLONG"),
                             escapeHtml(document.text(variant->descriptionId, language)));
        model.setDeviceEntry(QStringLiteral("SWRELEASE"), document.version);
        model.setSettingEntry(QStringLiteral("PRINTTEMPLATEFILE"),
                              templateBase(ioddPath) + QStringLiteral(".htm"));

        for (const ShownObjects::Object &object : shownObjects.objects) {
            const Variable &variable = *object.variable;
            const QString &name = object.name;
            const int subindex = object.subindex;
            const ObjectInfo &info = *object.info;
            ObjectDefinition definition;
            definition.typeName = name;
            definition.size = (info.type.bits() + 7) / 8;
            if (info.enumeration) {
                definition.kind = 4;
                definition.enumerationName = name;
                EnumerationDefinition enumeration;
                if (info.type.kind == SimpleType::Kind::Boolean && info.type.singleValues.isEmpty()) {
                    enumeration.entries = {{0, QStringLiteral("false")}, {1, QStringLiteral("true")}};
                }
                for (const auto &single : info.type.singleValues)
                    enumeration.entries.append({booleanNumber(single.value).toInt(),
                                                escapeHtml(document.text(single.textId, language))});
                model.defineEnumeration(name, enumeration);
            }
            model.addObject(name, definition);
            const QString defaultValue = variable.type.shape == Datatype::Shape::Record
                                             ? variable.itemDefaults.value(subindex)
                                             : (subindex == 0 ? variable.defaultValue : QString());
            // The device holds its defaults where its values say nothing.
            if (!defaultValue.isNull() &&
                !(variable.type.shape != Datatype::Shape::Simple && defaultValue.isEmpty())) {
                const QString value = info.enumeration ? booleanNumber(defaultValue) : defaultValue;
                model.setApplicationValue(name, value);
                model.setDeviceValue(name, value);
            }
        }
        const QList<QPair<QString, QString>> hostItems = {
            {kVariantItem, note},
            {kFileItem, QFileInfo(ioddPath).fileName()},
            {kVersionItem, document.version},
            {kReleaseDateItem, document.releaseDate},
        };
        for (const auto &[item, value] : hostItems) {
            model.setApplicationValue(item, value);
            model.setDeviceValue(item, value);
        }
        for (const auto &[name, value] : std::as_const(values.values))
            model.setDeviceValue(name, value);
        // The device answers an upload with its values at once, unless a
        // device data file says otherwise.
        model.setConnected(true);
        model.setUploadMilliseconds(0);
        model.setDescriptionPath(QDir(descriptionFolder).filePath(QFileInfo(ioddPath).fileName()));
        // Units and shown sections are worked out when asked, whatever the
        // data set holds.
        model.setDisplayText(
            [view](const QString &item, const QString *stored,
                   const std::function<QString(const QString &)> &valueOf) {
                return view->display(item, stored, valueOf);
            },
            [view](QStringView item) { return view->isExtraItem(item); });
        if (iniValues)
            loadData(valuesPath, model, nullptr);
        if (variantNote)
            *variantNote = note;
        return true;
    } catch (const Fault &fault) {
        if (error)
            *error = DeviceFileError{fault.file, 0, fault.message};
        return false;
    }
}

} // namespace Iodd
