// SPDX-License-Identifier: Apache-2.0
#include "host/DeviceFile.h"

#include "host/DeviceModel.h"
#include "host/iodd/IoddDevice.h"
#include "platform/FileName.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DeviceFile)
};

struct IniEntry
{
    int line = 0;
    QString text; ///< the whole line, trimmed
    bool isPair = false;
    QString key;
    QString value;
};

struct IniSection
{
    int line = 0;
    QString name;
    QList<IniEntry> entries;
};

/// Thrown inside this file only; every public function turns it into a
/// DeviceFileError.
struct FileFault
{
    int line = 0;
    QString message;
};

bool sameName(const QString &a, QLatin1StringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

/// The whole of a regular file of sane size. Anything else (a directory, a
/// pipe that never ends, a device that never ends) is refused before a
/// byte of it is read, so that no reader blocks or fills the memory.
QByteArray readRegularFile(const QString &path)
{
    RegularFile file;
    QByteArray bytes;
    if (!file.open(path, kMaxDeviceFileBytes) || !file.readAll(&bytes))
        throw FileFault{0, Text::tr("cannot read: ") + file.reason()};
    // No output of this run may take its place.
    SafeFile::addInput(path);
    return bytes;
}

QList<IniSection> parseIni(const QString &path)
{
    QByteArray bytes = readRegularFile(path);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    QList<IniSection> sections;
    const QList<QByteArray> rawLines = bytes.split('\n');
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        const int lineNumber = int(i + 1);
        QByteArrayView raw = rawLines.at(i);
        if (raw.endsWith('\r'))
            raw.chop(1);
        // Decoding line by line puts an encoding fault on its own line.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder.decode(raw);
        if (decoder.hasError())
            throw FileFault{lineNumber, Text::tr("invalid UTF-8")};

        const QString text = line.trimmed();
        if (text.isEmpty() || text.startsWith(u';'))
            continue;
        if (text.startsWith(u'[')) {
            if (!text.endsWith(u']'))
                throw FileFault{lineNumber, Text::tr("section name without closing \"]\": ") + quoted(text)};
            const QString name = text.mid(1, text.size() - 2).trimmed();
            if (name.isEmpty())
                throw FileFault{lineNumber, Text::tr("empty section name")};
            sections.append({lineNumber, name, {}});
            continue;
        }

        IniEntry entry;
        entry.line = lineNumber;
        entry.text = text;
        if (const qsizetype equals = text.indexOf(u'='); equals >= 0) {
            entry.isPair = true;
            entry.key = text.left(equals).trimmed();
            entry.value = text.mid(equals + 1).trimmed();
        }
        if (sections.isEmpty())
            throw FileFault{lineNumber, entry.isPair ? Text::tr("\"key=value\" outside any section")
                                                     : Text::tr("text outside any section: ") + quoted(text)};
        sections.last().entries.append(entry);
    }
    return sections;
}

/// A key=value entry with a key; anything else in a keyed section is a fault.
const IniEntry &requirePair(const IniEntry &entry)
{
    if (!entry.isPair)
        throw FileFault{entry.line, Text::tr("expected \"key=value\", found ") + quoted(entry.text)};
    if (entry.key.isEmpty())
        throw FileFault{entry.line, Text::tr("\"=\" without a key")};
    return entry;
}

std::int32_t parseInt32(const QString &text, int line, const QString &what)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    bool digits = !text.isEmpty();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text.at(i) >= u'0' && text.at(i) <= u'9') &&
            !(i == 0 && (text.at(i) == u'-' || text.at(i) == u'+') && text.size() > 1))
            digits = false;
    if (!digits)
        throw FileFault{line, what + Text::tr(" is not an integer: ") + quoted(text)};
    if (!ok || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw FileFault{line, what + Text::tr(" is outside the 32-bit range: ") + quoted(text)};
    return std::int32_t(value);
}

/// The name after "Prefix:" of a section such as [Object:FLOW], or nothing
/// when the section has another prefix.
std::optional<QString> definitionName(const IniSection &section, QLatin1StringView prefix)
{
    const qsizetype colon = section.name.indexOf(u':');
    if (colon < 0 || !sameName(section.name.left(colon).trimmed(), prefix))
        return std::nullopt;
    const QString name = section.name.mid(colon + 1).trimmed();
    if (name.isEmpty())
        throw FileFault{section.line, Text::tr("[%1:] names no %2").arg(prefix, prefix.toString().toLower())};
    return name;
}

[[noreturn]] void unknownSection(const IniSection &section)
{
    throw FileFault{section.line, Text::tr("unknown section [%1]").arg(section.name)};
}

/// Definitions in file order with an index by name (matched without regard
/// to case), so that a repeated section finds its earlier one at once.
template<typename Definition> class Definitions
{
public:
    Definition *find(const QString &name)
    {
        const auto it = m_index.constFind(name.toCaseFolded());
        return it == m_index.cend() ? nullptr : &m_list[*it].second;
    }
    Definition &add(const QString &name, Definition definition)
    {
        m_index.insert(name.toCaseFolded(), m_list.size());
        m_list.append({name, std::move(definition)});
        return m_list.last().second;
    }
    const QList<QPair<QString, Definition>> &list() const { return m_list; }

private:
    QList<QPair<QString, Definition>> m_list;
    QHash<QString, qsizetype> m_index;
};

struct Description
{
    QList<QPair<QString, QString>> deviceEntries;
    QList<QPair<QString, QString>> settingEntries;
    QStringList objectNames;
    Definitions<ObjectDefinition> objects;
    Definitions<EnumerationDefinition> enumerations;
};

ObjectDefinition readObjectDefinition(const QString &name, const IniSection &section, ObjectDefinition object)
{
    for (const IniEntry &raw : section.entries) {
        const IniEntry &entry = requirePair(raw);
        if (sameName(entry.key, "Type"_L1))
            object.typeName = entry.value;
        else if (sameName(entry.key, "Kind"_L1))
            object.kind = parseInt32(entry.value, entry.line, QStringLiteral("Kind"));
        else if (sameName(entry.key, "Enumeration"_L1))
            object.enumerationName = entry.value;
        else if (sameName(entry.key, "Size"_L1))
            object.size = parseInt32(entry.value, entry.line, QStringLiteral("Size"));
        else if (sameName(entry.key, "Flags"_L1))
            object.flags = parseInt32(entry.value, entry.line, QStringLiteral("Flags"));
        else
            throw FileFault{entry.line, Text::tr("unknown key \"%1\" in [Object:%2]").arg(entry.key, name)};
    }
    return object;
}

Description readDescription(const QString &path)
{
    Description result;
    for (const IniSection &section : parseIni(path)) {
        if (sameName(section.name, "Device"_L1) || sameName(section.name, "Settings"_L1)) {
            auto &entries =
                sameName(section.name, "Device"_L1) ? result.deviceEntries : result.settingEntries;
            for (const IniEntry &entry : section.entries)
                entries.append({requirePair(entry).key, entry.value});
        } else if (sameName(section.name, "Object"_L1)) {
            // Object names are taken whole: host-private ones hold "&&".
            for (const IniEntry &entry : section.entries)
                result.objectNames.append(entry.text);
        } else if (const auto name = definitionName(section, "Object"_L1)) {
            // A repeated section goes on from what the earlier one defined.
            ObjectDefinition *existing = result.objects.find(*name);
            ObjectDefinition start;
            start.typeName = *name;
            if (existing)
                start = *existing;
            ObjectDefinition object = readObjectDefinition(*name, section, start);
            if (existing)
                *existing = object;
            else
                result.objects.add(*name, object);
        } else if (const auto name = definitionName(section, "Enumeration"_L1)) {
            EnumerationDefinition *enumeration = result.enumerations.find(*name);
            if (!enumeration)
                enumeration = &result.enumerations.add(*name, {});
            for (const IniEntry &raw : section.entries) {
                const IniEntry &entry = requirePair(raw);
                enumeration->entries.append(
                    {parseInt32(entry.key, entry.line, Text::tr("enumeration value")), entry.value});
            }
        } else {
            unknownSection(section);
        }
    }
    return result;
}

struct DataFile
{
    QList<QPair<QString, QString>> application;
    QList<QPair<QString, QString>> device;
    bool connected = true;
    int uploadMilliseconds = 1500;
    std::optional<QString> database;
};

DataFile readDataFile(const QString &path)
{
    DataFile result;
    for (const IniSection &section : parseIni(path)) {
        if (sameName(section.name, "Application"_L1) || sameName(section.name, "Device"_L1)) {
            auto &values = sameName(section.name, "Application"_L1) ? result.application : result.device;
            for (const IniEntry &entry : section.entries)
                values.append({requirePair(entry).key, entry.value});
        } else if (sameName(section.name, "Host"_L1)) {
            for (const IniEntry &raw : section.entries) {
                const IniEntry &entry = requirePair(raw);
                if (sameName(entry.key, "Connected"_L1)) {
                    if (sameName(entry.value, "yes"_L1))
                        result.connected = true;
                    else if (sameName(entry.value, "no"_L1))
                        result.connected = false;
                    else
                        throw FileFault{entry.line, Text::tr("Connected must be \"yes\" or \"no\", found ") +
                                                        quoted(entry.value)};
                } else if (sameName(entry.key, "UploadMilliseconds"_L1)) {
                    result.uploadMilliseconds =
                        parseInt32(entry.value, entry.line, QStringLiteral("UploadMilliseconds"));
                    if (result.uploadMilliseconds < 0)
                        throw FileFault{entry.line, Text::tr("UploadMilliseconds must not be negative")};
                } else if (sameName(entry.key, "Database"_L1)) {
                    result.database =
                        entry.value.isEmpty()
                            ? QString()
                            : QDir::cleanPath(QFileInfo(path).absoluteDir().filePath(entry.value));
                } else {
                    throw FileFault{entry.line, Text::tr("unknown key \"%1\" in [Host]").arg(entry.key)};
                }
            }
        } else {
            unknownSection(section);
        }
    }
    return result;
}

QList<QPair<QString, QString>> readDatabaseFile(const QString &path)
{
    QList<QPair<QString, QString>> values;
    for (const IniSection &section : parseIni(path)) {
        if (!sameName(section.name, "Application"_L1))
            unknownSection(section);
        for (const IniEntry &entry : section.entries)
            values.append({requirePair(entry).key, entry.value});
    }
    return values;
}

/// Runs `read` on `path`, reporting its fault through `error`.
template<typename Read> bool guarded(const QString &path, DeviceFileError *error, Read read)
{
    try {
        read();
        return true;
    } catch (const FileFault &fault) {
        if (error)
            *error = DeviceFileError{path, fault.line, fault.message};
        return false;
    }
}

} // namespace

QString DeviceFileError::toString() const
{
    const QString shown = FileName::shownPath(file);
    if (line <= 0)
        return shown + QStringLiteral(": ") + message;
    return QStringLiteral("%1:%2: %3").arg(shown, QString::number(line), message);
}

bool loadDescription(const QString &path, DeviceModel &model, DeviceFileError *error)
{
    return guarded(path, error, [&] {
        const Description description = readDescription(path);
        for (const auto &[key, value] : description.deviceEntries)
            model.setDeviceEntry(key, value);
        for (const auto &[key, value] : description.settingEntries)
            model.setSettingEntry(key, value);
        for (const QString &name : description.objectNames)
            model.addObjectName(name);
        for (const auto &[name, object] : description.objects.list())
            model.defineObject(name, object);
        for (const auto &[name, enumeration] : description.enumerations.list())
            model.defineEnumeration(name, enumeration);
        model.setDescriptionPath(FileName::inItsFolder(QFileInfo(path).absoluteFilePath()));
    });
}

bool loadData(const QString &path, DeviceModel &model, DeviceFileError *error)
{
    return guarded(path, error, [&] {
        const DataFile data = readDataFile(path);
        for (const auto &[item, value] : data.application)
            model.setApplicationValue(item, value);
        for (const auto &[item, value] : data.device)
            model.setDeviceValue(item, value);
        model.setConnected(data.connected);
        model.setUploadMilliseconds(data.uploadMilliseconds);
        useDatabaseFile(model, data.database.value_or(QString()));
    });
}

void useDatabaseFile(DeviceModel &model, const QString &path)
{
    model.setDatabase(path, {});
    // The file is read when the component asks for the database, so an
    // edit between two loads shows and a broken file answers an error.
    model.setDatabaseLoader(
        [](const QString &databasePath, QList<QPair<QString, QString>> *values, QString *reason) {
            DeviceFileError error;
            if (readDatabase(databasePath, values, &error))
                return true;
            *reason = error.toString();
            return false;
        });
}

bool readDatabase(const QString &path, QList<QPair<QString, QString>> *values, DeviceFileError *error)
{
    return guarded(path, error, [&] {
        QList<QPair<QString, QString>> read = readDatabaseFile(path);
        if (values)
            *values = std::move(read);
    });
}

QString defaultDataPath(const QString &descriptionPath)
{
    // A description reached through its own descriptor has its name, and
    // so its data file's, only in the system's bytes.
    if (const QByteArray native = FileName::nativeOf(descriptionPath); !FileName::isUtf8(native)) {
        const qsizetype nameStart = native.lastIndexOf('/') + 1;
        const qsizetype dot = native.lastIndexOf('.');
        const QByteArray data = (dot > nameStart ? native.left(dot) : native) + ".data";
        const QString reached = FileName::openable(data);
        return reached.isEmpty() ? FileName::inItsFolder(descriptionPath) + QStringLiteral(".data") : reached;
    }
    const QFileInfo info(descriptionPath);
    const QString fileName = info.fileName();
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    const qsizetype nameStart = descriptionPath.size() - fileName.size();
    return descriptionPath.left(nameStart) + base + QStringLiteral(".data");
}

bool loadDevice(const QString &descriptionPath, const QString &dataPath, DeviceModel &model,
                DeviceFileError *error)
{
    if (Iodd::isIoddPath(descriptionPath)) {
        QString data = dataPath;
        if (data.isEmpty() && QFileInfo::exists(defaultDataPath(descriptionPath)))
            data = defaultDataPath(descriptionPath);
        return Iodd::loadIodd(descriptionPath, data, model, Iodd::toolOptions(), error);
    }
    if (!loadDescription(descriptionPath, model, error))
        return false;
    QString data = dataPath;
    if (data.isEmpty()) {
        data = defaultDataPath(descriptionPath);
        if (!QFileInfo::exists(data))
            return true;
    }
    return loadData(data, model, error);
}
