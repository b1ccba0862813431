// SPDX-License-Identifier: Apache-2.0
#include "host/iodd/IoddDocument.h"

#include "host/iodd/IoddFacts.h"
#include "platform/RegularFile.h"
#include "resources/Language.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QVarLengthArray>
#include <QXmlStreamReader>
#include <deque>
#include <functional>

using namespace Qt::StringLiterals;

namespace Iodd {

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(Iodd)
};

const QString kNamespace101 = QStringLiteral("http://www.io-link.com/IODD/2009/11");
const QString kNamespace11 = QStringLiteral("http://www.io-link.com/IODD/2010/10");

struct Fault
{
    QString message;
};

/// An element as far as the mapping needs it; texts of the text
/// collections never become nodes (they are most of a large file).
struct Node
{
    QString name; ///< shared with every element of that name
    /// As the reader hands them out, without a copy of their own.
    QXmlStreamAttributes attributes;
    /// Held by the reader; most elements have a few children or none.
    QVarLengthArray<const Node *, 4> children;

    /// By local name: the schema's attributes are all unqualified but for
    /// xsi:type, whose local name no other attribute has.
    QStringView attributeView(QLatin1StringView key) const
    {
        for (const QXmlStreamAttribute &attribute : attributes)
            if (attribute.name() == key)
                return attribute.value();
        return {};
    }
    QString attribute(QLatin1StringView key) const { return attributeView(key).toString(); }
    QString type() const { return attribute("type"_L1); }
    const Node *child(QLatin1StringView childName) const
    {
        for (const Node *c : children)
            if (c->name == childName)
                return c;
        return nullptr;
    }
    QString childText(QLatin1StringView childName) const
    {
        const Node *c = child(childName);
        return c ? c->attribute("textId"_L1) : QString();
    }
};

QByteArray readFile(const QString &path)
{
    RegularFile file;
    QByteArray bytes;
    if (!file.open(path, MaxIoddBytes) || !file.readAll(&bytes))
        throw Fault{Text::tr("cannot read: ") + file.reason()};
    return bytes;
}

/// The one reader every IODD byte goes through: a declaration of a
/// document type (the only way to define entities) ends it before anything
/// it declares is used, so neither expansion nor an external file happens.
class SafeReader
{
public:
    explicit SafeReader(const QByteArray &bytes)
    {
        m_bytes.setData(bytes);
        // Read from the bytes in memory as from a device: the reader then
        // decodes a few kilobytes at a time, where given the whole array it
        // decodes it all into one string twice its size first (which took
        // half of a large file's reading time).
        m_bytes.open(QIODevice::ReadOnly);
        m_xml.setDevice(&m_bytes);
    }

    QXmlStreamReader::TokenType next()
    {
        const auto token = m_xml.readNext();
        switch (token) {
        case QXmlStreamReader::DTD:
            throw Fault{QCoreApplication::translate(
                "Iodd", "refused: the file declares a document type (entities are not read)")};
        case QXmlStreamReader::EntityReference:
            throw Fault{QCoreApplication::translate("Iodd", "refused: the file uses an entity \"&%1;\"")
                            .arg(m_xml.name())};
        case QXmlStreamReader::StartElement:
            if (++m_depth > kMaxIoddDepth)
                throw Fault{QCoreApplication::translate("Iodd", "refused: elements nested deeper than %1")
                                .arg(kMaxIoddDepth)};
            break;
        case QXmlStreamReader::EndElement:
            --m_depth;
            break;
        case QXmlStreamReader::Invalid:
            throw Fault{QCoreApplication::translate("Iodd", "not well-formed XML at line %1: %2")
                            .arg(m_xml.lineNumber())
                            .arg(m_xml.errorString())};
        default:
            break;
        }
        return token;
    }
    QXmlStreamReader &xml() { return m_xml; }

    /// Reads the texts of a PrimaryLanguage or Language element (the
    /// reader stands on its start) into `texts`.
    void readTexts(QHash<QString, QString> &texts)
    {
        const int depth = m_depth;
        while (next() != QXmlStreamReader::EndDocument) {
            if (m_xml.isEndElement() && m_depth < depth)
                return;
            if (m_xml.isStartElement() && m_xml.name() == "Text"_L1) {
                const auto attributes = m_xml.attributes();
                texts.insert(attributes.value("id"_L1).toString(), attributes.value("value"_L1).toString());
            }
        }
    }

    /// Passes over the element the reader stands on and all it holds,
    /// keeping nothing of it.
    void skipElement()
    {
        const int depth = m_depth;
        while (next() != QXmlStreamReader::EndDocument) {
            if (m_xml.isEndElement() && m_depth < depth)
                return;
        }
    }

    /// A node the reader holds until it is destroyed (or, for a child of a
    /// collection that was mapped, until it is mapped): they go in a few
    /// blocks rather than one allocation each.
    Node *newNode() { return &m_nodes.emplace_back(); }

    /// Called with each child of the collections of data types, variables
    /// and menus as soon as it is read; the child is kept (a data type, which
    /// variables refer to) only when it answers true.
    using ChildTaker = std::function<bool(const Node &collection, const Node &child)>;
    void setChildTaker(ChildTaker taker) { m_takeChild = std::move(taker); }

    /// Reads the element the reader stands on into a node, texts aside.
    Node *readNode()
    {
        Node *node = newNode();
        node->name = elementName(m_xml.name());
        node->attributes = m_xml.attributes();
        // The variables and menus are most of a large file's elements: each
        // is mapped as soon as it is read and its nodes are dropped, so that
        // the file's nodes are never all held at once.
        const bool streamed =
            m_takeChild && (node->name == "VariableCollection"_L1 || node->name == "MenuCollection"_L1 ||
                            node->name == "DatatypeCollection"_L1);
        while (next() != QXmlStreamReader::EndDocument) {
            if (m_xml.isEndElement())
                return node;
            if (!m_xml.isStartElement())
                continue;
            const std::size_t mark = m_nodes.size();
            const Node *child = readNode();
            if (!streamed)
                node->children.push_back(child);
            else if (m_takeChild(*node, *child))
                node->children.push_back(child);
            else
                m_nodes.resize(mark);
        }
        throw Fault{Text::tr("the file ends inside <%1>").arg(node->name)};
    }

private:
    /// A file has a few dozen element names and hundreds of thousands of
    /// elements: each name is made a string once.
    QString elementName(QStringView name)
    {
        for (const QString &known : std::as_const(m_names))
            if (known.size() == name.size() && known == name)
                return known;
        m_names.append(name.toString());
        return m_names.constLast();
    }

    QBuffer m_bytes;
    QXmlStreamReader m_xml;
    int m_depth = 0;
    QList<QString> m_names;
    std::deque<Node> m_nodes;
    ChildTaker m_takeChild;
};

void stripBom(QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
}

quint32 parseId(const QString &text, const char *what)
{
    bool ok = false;
    const qulonglong value = text.trimmed().toULongLong(&ok);
    if (!ok || value > 0xFFFFFFu)
        throw Fault{Text::tr("%1 is not a number: \"%2\"").arg(QLatin1StringView(what), text)};
    return quint32(value);
}

int intAttribute(const Node &node, QLatin1StringView key, int fallback)
{
    bool ok = false;
    const int value = node.attributeView(key).toInt(&ok);
    return ok ? value : fallback;
}

SimpleType::Kind kindOf(const QString &type)
{
    using Kind = SimpleType::Kind;
    static const QHash<QString, Kind> kinds = {
        {u"BooleanT"_s, Kind::Boolean}, {u"UIntegerT"_s, Kind::UInteger},
        {u"IntegerT"_s, Kind::Integer}, {u"Float32T"_s, Kind::Float32},
        {u"StringT"_s, Kind::String},   {u"OctetStringT"_s, Kind::OctetString},
        {u"TimeT"_s, Kind::Time},       {u"TimeSpanT"_s, Kind::TimeSpan},
    };
    // A prefixed type ("iodd:UIntegerT") names the same type.
    const QString local = type.mid(type.indexOf(u':') + 1);
    return kinds.value(local, Kind::Other);
}

SimpleType readSimple(const Node &node)
{
    SimpleType type;
    type.kind = kindOf(node.type());
    type.bitLength = intAttribute(node, "bitLength"_L1, 0);
    type.fixedLength = intAttribute(node, "fixedLength"_L1, 0);
    type.encoding = node.attribute("encoding"_L1);
    for (const auto &child : node.children) {
        if (child->name == "SingleValue"_L1)
            type.singleValues.append({child->attribute("value"_L1), child->childText("Name"_L1)});
        else if (child->name == "ValueRange"_L1)
            type.ranges.append({child->attribute("lowerValue"_L1), child->attribute("upperValue"_L1)});
    }
    return type;
}

class Mapper
{
public:
    Mapper(Document &document) : m_document(document) {}

    /// Takes a child of the data type, variable or menu collection as the
    /// reader reads it; true for a node to keep (a data type).
    bool take(const Node &collection, const Node &child)
    {
        if (collection.name == "DatatypeCollection"_L1) {
            if (child.name != "Datatype"_L1)
                return false;
            m_datatypes.insert(child.attribute("id"_L1), &child);
            return true;
        }
        if (collection.name == "VariableCollection"_L1)
            readVariable(child);
        else
            readMenu(child);
        return false;
    }

    const Node &resolve(const Node &typeOrRef, int hops = 0)
    {
        if (typeOrRef.name != "DatatypeRef"_L1)
            return typeOrRef;
        const QString id = typeOrRef.attribute("datatypeId"_L1);
        const Node *target = m_datatypes.value(id);
        if (!target || hops > 8)
            throw Fault{Text::tr("unknown data type \"%1\"").arg(id)};
        return resolve(*target, hops + 1);
    }

    /// The type node of a variable, record item or array: its Datatype,
    /// SimpleDatatype or DatatypeRef child.
    const Node *typeChild(const Node &owner)
    {
        for (const auto &child : owner.children)
            if (child->name == "Datatype"_L1 || child->name == "SimpleDatatype"_L1 ||
                child->name == "DatatypeRef"_L1)
                return &resolve(*child);
        return nullptr;
    }

    Datatype readDatatype(const Node &node)
    {
        Datatype type;
        const QString xsiType = node.type().mid(node.type().indexOf(u':') + 1);
        type.bitLength = intAttribute(node, "bitLength"_L1, 0);
        if (xsiType == "RecordT"_L1) {
            type.shape = Datatype::Shape::Record;
            for (const auto &child : node.children) {
                if (child->name != "RecordItem"_L1)
                    continue;
                RecordItem item;
                item.subindex = intAttribute(*child, "subindex"_L1, 0);
                item.bitOffset = intAttribute(*child, "bitOffset"_L1, 0);
                item.nameId = child->childText("Name"_L1);
                if (const Node *itemType = typeChild(*child))
                    item.type = readSimple(*itemType);
                type.items.append(item);
            }
        } else if (xsiType == "ArrayT"_L1) {
            type.shape = Datatype::Shape::Array;
            type.count = intAttribute(node, "count"_L1, 0);
            if (const Node *element = typeChild(node))
                type.simple = readSimple(*element);
        } else {
            type.simple = readSimple(node);
        }
        return type;
    }

    void readVariable(const Node &node)
    {
        Variable variable;
        variable.id = node.attribute("id"_L1);
        if (node.name == "StdVariableRef"_L1) {
            const StandardVariable *fact = standardVariable(variable.id);
            // Standard variables the host has no facts for (direct
            // parameter pages, commands) are not shown.
            if (!fact)
                return;
            variable.index = fact->index;
            variable.access = QString::fromLatin1(fact->access);
            variable.type = fact->type();
            variable.standardName = QString::fromUtf8(fact->english);
            variable.standardNameGerman = QString::fromUtf8(fact->german);
            variable.defaultValue = node.attribute("defaultValue"_L1);
            if (const int length = intAttribute(node, "fixedLengthRestriction"_L1, 0); length > 0)
                variable.type.simple.fixedLength = length;
            // A standard variable may narrow its values to a list.
            for (const auto &child : node.children)
                if (child->name == "SingleValue"_L1)
                    variable.type.simple.singleValues.append(
                        {child->attribute("value"_L1), child->childText("Name"_L1)});
        } else if (node.name == "Variable"_L1) {
            variable.index = intAttribute(node, "index"_L1, -1);
            variable.access = node.attribute("accessRights"_L1);
            variable.defaultValue = node.attribute("defaultValue"_L1);
            variable.nameId = node.childText("Name"_L1);
            const Node *type = typeChild(node);
            if (!type)
                throw Fault{Text::tr("variable \"%1\" has no data type").arg(variable.id)};
            variable.type = readDatatype(*type);
        } else {
            return;
        }
        for (const auto &child : node.children)
            if (child->name == "RecordItemInfo"_L1)
                variable.itemDefaults.insert(intAttribute(*child, "subindex"_L1, -1),
                                             child->attribute("defaultValue"_L1));
        m_document.variables.append(std::move(variable));
    }

    void readMenu(const Node &node)
    {
        if (node.name != "Menu"_L1)
            return;
        Menu menu;
        menu.id = node.attribute("id"_L1);
        menu.nameId = node.childText("Name"_L1);
        for (const auto &child : node.children) {
            MenuEntry entry;
            if (child->name == "VariableRef"_L1)
                entry.kind = MenuEntry::Kind::Variable;
            else if (child->name == "RecordItemRef"_L1)
                entry.kind = MenuEntry::Kind::RecordItem;
            else if (child->name == "MenuRef"_L1)
                entry.kind = MenuEntry::Kind::Menu;
            else
                continue;
            entry.ref = child->attribute(entry.kind == MenuEntry::Kind::Menu ? "menuId"_L1 : "variableId"_L1);
            entry.subindex = intAttribute(*child, "subindex"_L1, -1);
            entry.unitCode = child->attribute("unitCode"_L1);
            entry.displayFormat = child->attribute("displayFormat"_L1);
            const auto number = [&](QLatin1StringView key) -> std::optional<double> {
                // Most entries have neither: no conversion for an attribute not there.
                const QStringView text = child->attributeView(key);
                bool ok = false;
                const double value = text.isEmpty() ? 0 : text.toDouble(&ok);
                return ok ? std::optional<double>(value) : std::nullopt;
            };
            entry.gradient = number("gradient"_L1);
            entry.offset = number("offset"_L1);
            if (const Node *condition = child->child("Condition"_L1))
                entry.condition =
                    Condition{condition->attribute("variableId"_L1),
                              intAttribute(*condition, "subindex"_L1, -1), condition->attribute("value"_L1)};
            menu.entries.append(entry);
        }
        m_document.menus.insert(menu.id, menu);
    }

    void readRoleMenus(const Node &userInterface)
    {
        // The observer sees the least and every device has it; the other
        // roles stand in where a file leaves it out.
        for (const char *set : {"ObserverRoleMenuSet", "MaintenanceRoleMenuSet", "SpecialistRoleMenuSet"}) {
            const Node *roles = userInterface.child(QLatin1StringView(set));
            if (!roles)
                continue;
            RoleMenus &menus = m_document.roleMenus;
            const auto take = [&](QString &field, QLatin1StringView name) {
                if (field.isEmpty())
                    if (const Node *n = roles->child(name))
                        field = n->attribute("menuId"_L1);
            };
            take(menus.identification, "IdentificationMenu"_L1);
            take(menus.parameter, "ParameterMenu"_L1);
            take(menus.observation, "ObservationMenu"_L1);
            take(menus.diagnosis, "DiagnosisMenu"_L1);
        }
    }

    void readIdentity(const Node &identity)
    {
        m_document.vendorId = parseId(identity.attribute("vendorId"_L1), "vendorId");
        m_document.deviceId = parseId(identity.attribute("deviceId"_L1), "deviceId");
        m_document.vendorName = identity.attribute("vendorName"_L1);
        m_document.vendorTextId = identity.childText("VendorText"_L1);
        m_document.deviceNameId = identity.childText("DeviceName"_L1);
        m_document.deviceFamilyId = identity.childText("DeviceFamily"_L1);
        if (const Node *variants = identity.child("DeviceVariantCollection"_L1))
            for (const auto &node : variants->children)
                if (node->name == "DeviceVariant"_L1)
                    m_document.variants.append({node->attribute("productId"_L1), node->childText("Name"_L1),
                                                node->childText("Description"_L1)});
    }

private:
    Document &m_document;
    QHash<QString, const Node *> m_datatypes;
};

/// Reads the root element's children; `texts` receive each Language's
/// texts by language (lower case).
const Node *readRoot(SafeReader &reader, QString *schema, QHash<QString, QString> *primary,
                     QString *primaryLanguage, const QStringList &languages,
                     QHash<QString, QHash<QString, QString>> *inline_, bool identityOnly)
{
    QXmlStreamReader &xml = reader.xml();
    while (reader.next() != QXmlStreamReader::StartElement) {
        if (xml.atEnd())
            throw Fault{Text::tr("no root element")};
    }
    if (xml.name() != "IODevice"_L1)
        throw Fault{Text::tr("not an IODD: the root element is <%1>").arg(xml.name())};
    const QStringView ns = xml.namespaceUri();
    if (ns == kNamespace101)
        *schema = QStringLiteral("1.0.1");
    else if (ns == kNamespace11)
        *schema = QStringLiteral("1.1");
    else
        throw Fault{Text::tr("not an IODD of schema 1.0.1 or 1.1 (namespace \"%1\")").arg(ns)};

    Node *root = reader.newNode();
    root->name = QStringLiteral("IODevice");
    while (reader.next() != QXmlStreamReader::EndDocument) {
        if (xml.isEndElement())
            break;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == "ExternalTextCollection"_L1) {
            while (reader.next() != QXmlStreamReader::EndDocument) {
                if (xml.isEndElement())
                    break;
                if (!xml.isStartElement())
                    continue;
                const QString lang = xml.attributes().value("xml:lang"_L1).toString().toLower();
                if (xml.name() == "PrimaryLanguage"_L1) {
                    *primaryLanguage = lang;
                    reader.readTexts(*primary);
                } else if (xml.name() == "Language"_L1 && languages.contains(lang)) {
                    reader.readTexts((*inline_)[lang]);
                } else {
                    reader.skipElement();
                }
            }
            continue;
        }
        if (identityOnly && xml.name() == "ProfileBody"_L1) {
            // Only the identity: what follows it (most of a file) is not read.
            Node *body = reader.newNode();
            body->name = xml.name().toString();
            while (reader.next() != QXmlStreamReader::EndDocument && !xml.isEndElement()) {
                if (xml.isStartElement() && xml.name() == "DeviceIdentity"_L1) {
                    body->children.push_back(reader.readNode());
                    break;
                }
                if (xml.isStartElement())
                    reader.readNode();
            }
            root->children.push_back(body);
            break;
        }
        root->children.push_back(reader.readNode());
    }
    return root;
}

/// The language file beside `path`: its base name, "-", the language and
/// ".xml", the letters' case aside; empty when there is none.
QString languageFile(const QString &path, const QString &language)
{
    const QFileInfo info(path);
    QString base = info.fileName();
    if (base.endsWith(u".xml"_s, Qt::CaseInsensitive))
        base.chop(4);
    const QString wanted = base + u'-' + language + u".xml"_s;
    const QDir dir = info.absoluteDir();
    const QStringList candidates = dir.entryList({base + u"-??.xml"_s}, QDir::Files, QDir::Name);
    for (const QString &name : candidates)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    // The filter matches case-sensitively on some systems; look at all.
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    return {};
}

void readLanguageFile(const QString &path, const QString &language, QHash<QString, QString> *texts)
{
    QByteArray bytes = readFile(path);
    stripBom(bytes);
    SafeReader reader(bytes);
    QXmlStreamReader &xml = reader.xml();
    while (reader.next() != QXmlStreamReader::EndDocument) {
        if (!xml.isStartElement())
            continue;
        const QString lang = xml.attributes().value("xml:lang"_L1).toString().toLower();
        if ((xml.name() == "Language"_L1 || xml.name() == "PrimaryLanguage"_L1) && lang == language)
            reader.readTexts(*texts);
    }
}

} // namespace

int SimpleType::bits() const
{
    switch (kind) {
    case Kind::Boolean:
        return 1;
    case Kind::UInteger:
    case Kind::Integer:
        return bitLength;
    case Kind::Float32:
        return 32;
    case Kind::String:
    case Kind::OctetString:
        return fixedLength * 8;
    case Kind::Time:
        return 64;
    case Kind::TimeSpan:
        return 64;
    case Kind::Other:
        break;
    }
    return 0;
}

QString Document::text(const QString &id, const QString &language) const
{
    if (id.isEmpty())
        return {};
    if (id.startsWith(u'\x01'))
        return id.mid(1);
    if (language != primaryLanguage) {
        const auto texts = translations.constFind(language);
        if (texts != translations.cend())
            if (const auto it = texts->constFind(id); it != texts->cend())
                return *it;
    }
    return primaryTexts.value(id);
}

const Variable *Document::variable(const QString &id) const
{
    const auto it = variableIndex.constFind(id);
    return it == variableIndex.cend() ? nullptr : &variables.at(*it);
}

bool readDocument(const QString &path, const QStringList &languages, Document *document, Error *error)
{
    try {
        QByteArray bytes = readFile(path);
        stripBom(bytes);
        SafeReader reader(bytes);
        Document result;
        result.path = QFileInfo(path).absoluteFilePath();
        Mapper mapper(result);
        reader.setChildTaker(
            [&mapper](const Node &collection, const Node &child) { return mapper.take(collection, child); });
        const auto root = readRoot(reader, &result.schema, &result.primaryTexts, &result.primaryLanguage,
                                   languages, &result.translations, false);
        if (const Node *info = root->child("DocumentInfo"_L1)) {
            result.version = info->attribute("version"_L1);
            result.releaseDate = info->attribute("releaseDate"_L1);
        }
        const Node *body = root->child("ProfileBody"_L1);
        const Node *identity = body ? body->child("DeviceIdentity"_L1) : nullptr;
        if (!identity)
            throw Fault{Text::tr("no DeviceIdentity")};
        mapper.readIdentity(*identity);
        if (const Node *function = body->child("DeviceFunction"_L1))
            if (const Node *ui = function->child("UserInterface"_L1))
                mapper.readRoleMenus(*ui);
        for (qsizetype i = 0; i < result.variables.size(); ++i)
            result.variableIndex.insert(result.variables.at(i).id, i);

        for (const QString &language : languages) {
            if (language == result.primaryLanguage || result.translations.contains(language))
                continue;
            const QString file = languageFile(path, language);
            if (file.isEmpty())
                continue;
            try {
                readLanguageFile(file, language, &result.translations[language]);
            } catch (const Fault &fault) {
                throw Error{file, fault.message};
            }
        }
        *document = std::move(result);
        return true;
    } catch (const Fault &fault) {
        if (error)
            *error = Error{path, fault.message};
    } catch (const Error &fault) {
        if (error)
            *error = fault;
    }
    return false;
}

bool readIdentity(const QString &path, Identity *identity, Error *error)
{
    try {
        QByteArray bytes = readFile(path);
        stripBom(bytes);
        SafeReader reader(bytes);
        QString schema, primaryLanguage;
        QHash<QString, QString> none;
        QHash<QString, QHash<QString, QString>> noTranslations;
        const auto root = readRoot(reader, &schema, &none, &primaryLanguage, {}, &noTranslations, true);
        const Node *body = root->child("ProfileBody"_L1);
        const Node *device = body ? body->child("DeviceIdentity"_L1) : nullptr;
        if (!device)
            throw Fault{Text::tr("no DeviceIdentity")};
        Identity result;
        result.vendorId = parseId(device->attribute("vendorId"_L1), "vendorId");
        result.deviceId = parseId(device->attribute("deviceId"_L1), "deviceId");
        if (const Node *info = root->child("DocumentInfo"_L1)) {
            result.releaseDate = info->attribute("releaseDate"_L1);
            result.version = info->attribute("version"_L1);
        }
        *identity = result;
        return true;
    } catch (const Fault &fault) {
        if (error)
            *error = Error{path, fault.message};
    }
    return false;
}

QString userLanguage()
{
    return GetLanguageCode() == u"049" ? QStringLiteral("de") : QStringLiteral("en");
}

} // namespace Iodd
