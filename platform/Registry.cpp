// The registry lives in one ".reg" file. Each open reads the file anew and
// keeps a snapshot of that key's values in its handle; each change reads,
// modifies and atomically replaces the file.
#include "Registry.h"

#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstring>
#include <pwd.h>
#include <set>
#include <unistd.h>

namespace {

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

struct Value
{
    QString name;
    std::uint32_t type = REG_SZ;
    QString text;      ///< the text of a REG_SZ value
    QByteArray bytes;  ///< the data of any other value
    QString rawSource; ///< how a non-text value was written, kept for saving
};

struct Key
{
    QString path;
    QList<Value> values;
};

struct RegFile
{
    QList<Key> keys;

    qsizetype indexOf(const QString &path) const
    {
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (keys[i].path.compare(path, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    Key &keyAt(const QString &path)
    {
        qsizetype i = indexOf(path);
        if (i < 0) {
            keys.append(Key{path, {}});
            i = keys.size() - 1;
        }
        return keys[i];
    }

    // A key exists when it has its own section or any key below it has one.
    bool exists(const QString &path) const
    {
        const QString prefix = path + u'\\';
        for (const Key &key : keys) {
            if (key.path.compare(path, Qt::CaseInsensitive) == 0 ||
                key.path.startsWith(prefix, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }

    /// Removes the key and all below it; answers whether anything was there.
    bool removeTree(const QString &path)
    {
        const QString prefix = path + u'\\';
        const qsizetype before = keys.size();
        keys.removeIf([&](const Key &key) {
            return key.path.compare(path, Qt::CaseInsensitive) == 0 ||
                   key.path.startsWith(prefix, Qt::CaseInsensitive);
        });
        return keys.size() != before;
    }
};

const QStringList &ownerKeyPaths()
{
    static const QStringList paths = {
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"),
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
    };
    return paths;
}

QString rootName(HKEY key)
{
    switch (reinterpret_cast<std::uintptr_t>(key)) {
    case 0x80000000u:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case 0x80000001u:
        return QStringLiteral("HKEY_CURRENT_USER");
    case 0x80000002u:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case 0x80000003u:
        return QStringLiteral("HKEY_USERS");
    default:
        return {};
    }
}

QString canonicalPath(QString path)
{
    path = path.trimmed();
    while (path.endsWith(u'\\'))
        path.chop(1);
    const qsizetype slash = path.indexOf(u'\\');
    const QString root = slash < 0 ? path : path.left(slash);
    static const QHash<QString, QString> abbreviations = {
        {QStringLiteral("HKLM"), QStringLiteral("HKEY_LOCAL_MACHINE")},
        {QStringLiteral("HKCU"), QStringLiteral("HKEY_CURRENT_USER")},
        {QStringLiteral("HKCR"), QStringLiteral("HKEY_CLASSES_ROOT")},
        {QStringLiteral("HKU"), QStringLiteral("HKEY_USERS")},
    };
    const auto full = abbreviations.constFind(root.toUpper());
    if (full != abbreviations.constEnd())
        return *full + path.mid(root.size());
    return root.toUpper() + path.mid(root.size());
}

// ---- reading the file ----

QString decodeFile(const QByteArray &data)
{
    if (data.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder(QByteArrayView(data).sliced(2));
    }
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(data).sliced(3));
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(data);
    // Older exports are in the ANSI code page rather than UTF-8.
    return decoder.hasError() ? Ansi::decode(data) : text;
}

/// Reads a quoted text at `pos` (on its opening quote); false when unterminated.
bool readQuoted(const QString &line, qsizetype &pos, QString *out)
{
    out->clear();
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == u'"') {
            ++pos;
            return true;
        }
        if (c == u'\\' && pos + 1 < line.size())
            ++pos;
        out->append(line.at(pos));
    }
    return false;
}

QByteArray parseHexBytes(QStringView list)
{
    QByteArray bytes;
    for (QStringView part : list.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        if (ok && byte <= 0xFF)
            bytes.append(char(byte));
    }
    return bytes;
}

void parseData(const QString &source, Value *value)
{
    value->rawSource = source;
    if (source.startsWith(QLatin1StringView("dword:"), Qt::CaseInsensitive)) {
        value->type = kRegDword;
        const std::uint32_t number = source.mid(6).trimmed().toUInt(nullptr, 16);
        value->bytes = QByteArray(reinterpret_cast<const char *>(&number), 4);
    } else if (source.startsWith(QLatin1StringView("hex("), Qt::CaseInsensitive)) {
        const qsizetype close = source.indexOf(u')');
        const qsizetype colon = source.indexOf(u':', close);
        value->type = close > 4 ? source.mid(4, close - 4).toUInt(nullptr, 16) : kRegNone;
        value->bytes = colon > 0 ? parseHexBytes(QStringView(source).mid(colon + 1)) : QByteArray();
    } else if (source.startsWith(QLatin1StringView("hex:"), Qt::CaseInsensitive)) {
        value->type = kRegBinary;
        value->bytes = parseHexBytes(QStringView(source).mid(4));
    } else {
        value->type = kRegNone;
    }
}

void setValue(QList<Value> &values, Value value)
{
    for (Value &existing : values) {
        if (existing.name.compare(value.name, Qt::CaseInsensitive) == 0) {
            existing = std::move(value);
            return;
        }
    }
    values.append(std::move(value));
}

bool removeValue(Key &key, const QString &name)
{
    return key.values.removeIf(
               [&](const Value &v) { return v.name.compare(name, Qt::CaseInsensitive) == 0; }) > 0;
}

RegFile parseRegFile(const QString &text)
{
    RegFile file;
    Key *current = nullptr;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line == kHeader5 || line == kHeader4)
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            QString path = line.mid(1, close > 0 ? close - 1 : -1);
            if (path.startsWith(u'-')) {
                file.removeTree(canonicalPath(path.mid(1)));
                current = nullptr;
            } else {
                current = &file.keyAt(canonicalPath(path));
            }
            continue;
        }
        if (!current)
            continue;
        Value value;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (!line.startsWith(u'"') || !readQuoted(line, pos, &value.name)) {
            continue;
        }
        while (pos < line.size() && line.at(pos).isSpace())
            ++pos;
        if (pos >= line.size() || line.at(pos) != u'=')
            continue;
        ++pos;
        while (pos < line.size() && line.at(pos).isSpace())
            ++pos;
        if (pos < line.size() && line.at(pos) == u'"') {
            if (!readQuoted(line, pos, &value.text))
                continue;
            value.type = REG_SZ;
            setValue(current->values, std::move(value));
            continue;
        }
        QString source = line.mid(pos);
        if (source == u"-") {
            removeValue(*current, value.name);
            continue;
        }
        // Long binary data continues on the next lines after a backslash.
        while (source.endsWith(u'\\') && i + 1 < lines.size()) {
            source.chop(1);
            source += lines[++i].trimmed();
        }
        parseData(source, &value);
        setValue(current->values, std::move(value));
    }
    return file;
}

RegFile loadRegistry()
{
    QFile file(Registry::filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseRegFile(decodeFile(file.readAll()));
}

// ---- writing the file ----

QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out + u'"';
}

QString dataSource(const Value &value)
{
    if (value.type == REG_SZ)
        return quoted(value.text);
    if (!value.rawSource.isEmpty())
        return value.rawSource;
    if (value.type == kRegDword && value.bytes.size() == 4) {
        std::uint32_t number;
        std::memcpy(&number, value.bytes.constData(), 4);
        return QStringLiteral("dword:%1").arg(number, 8, 16, QLatin1Char('0'));
    }
    QStringList hex;
    for (char byte : value.bytes)
        hex.append(QStringLiteral("%1").arg(uchar(byte), 2, 16, QLatin1Char('0')));
    const QString prefix =
        value.type == kRegBinary ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(value.type, 0, 16);
    return prefix + hex.join(u',');
}

bool saveRegistry(const RegFile &file)
{
    QString text = kHeader5 + QStringLiteral("\r\n\r\n");
    for (const Key &key : file.keys) {
        text += u'[' + key.path + QStringLiteral("]\r\n");
        for (const Value &value : key.values) {
            text += value.name.isEmpty() ? QStringLiteral("@") : quoted(value.name);
            text += u'=' + dataSource(value) + QStringLiteral("\r\n");
        }
        text += QStringLiteral("\r\n");
    }
    const QString path = Registry::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(text.toUtf8());
    return out.commit();
}

// ---- handles ----

QMutex handleMutex;
std::set<const RegistryKey *> liveHandles;

bool isLive(const RegistryKey *key)
{
    QMutexLocker lock(&handleMutex);
    return liveHandles.count(key) != 0;
}

} // namespace

struct RegistryKey
{
    QString path;
    QList<Value> values;
};

namespace {

/// The path a (root or opened) handle stands for; empty for an invalid one.
QString pathOf(HKEY key)
{
    if (const QString root = rootName(key); !root.isEmpty())
        return root;
    return key && isLive(key) ? key->path : QString();
}

QString childPath(const QString &parent, const char *subKey)
{
    QString sub = subKey ? Ansi::decode(subKey) : QString();
    while (sub.startsWith(u'\\'))
        sub.remove(0, 1);
    return sub.isEmpty() ? parent : canonicalPath(parent + u'\\' + sub);
}

HKEY newHandle(const QString &path, const RegFile &file)
{
    auto *key = new RegistryKey{path, {}};
    if (const qsizetype i = file.indexOf(path); i >= 0)
        key->values = file.keys[i].values;
    QMutexLocker lock(&handleMutex);
    liveHandles.insert(key);
    return key;
}

bool hasFallback(const QString &path)
{
    const QString prefix = path + u'\\';
    for (const QString &ownerKey : ownerKeyPaths()) {
        if (ownerKey.compare(path, Qt::CaseInsensitive) == 0 ||
            ownerKey.startsWith(prefix, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString userFullName()
{
    const passwd *user = getpwuid(getuid());
    if (!user)
        return qEnvironmentVariable("USER");
    // The comment field may hold office and telephone after the name.
    const QString name =
        QString::fromLocal8Bit(user->pw_gecos ? user->pw_gecos : "").section(u',', 0, 0).trimmed();
    return name.isEmpty() ? QString::fromLocal8Bit(user->pw_name) : name;
}

const Value *findValue(const QList<Value> &values, const QString &name)
{
    for (const Value &value : values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
}

} // namespace

namespace Registry {

QString filePath()
{
    const QString configured = qEnvironmentVariable("QUIRAVEL_REGISTRY");
    if (!configured.isEmpty())
        return configured;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/quiravel/registry.reg");
}

} // namespace Registry

std::int32_t RegOpenKeyA(HKEY parent, const char *subKey, HKEY *result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const QString parentPath = pathOf(parent);
    if (parentPath.isEmpty())
        return ERROR_INVALID_HANDLE;
    const QString path = childPath(parentPath, subKey);
    const RegFile file = loadRegistry();
    if (path.contains(u'\\') && !file.exists(path) && !hasFallback(path))
        return ERROR_FILE_NOT_FOUND;
    *result = newHandle(path, file);
    return ERROR_SUCCESS;
}

std::int32_t RegCreateKeyA(HKEY parent, const char *subKey, HKEY *result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const QString parentPath = pathOf(parent);
    if (parentPath.isEmpty())
        return ERROR_INVALID_HANDLE;
    const QString path = childPath(parentPath, subKey);
    RegFile file = loadRegistry();
    if (path.contains(u'\\') && file.indexOf(path) < 0) {
        file.keyAt(path);
        if (!saveRegistry(file))
            return ERROR_ACCESS_DENIED;
    }
    *result = newHandle(path, file);
    return ERROR_SUCCESS;
}

std::int32_t RegQueryValueExA(HKEY key, const char *value, std::uint32_t *reserved, std::uint32_t *type,
                              std::uint8_t *data, std::uint32_t *size)
{
    if (reserved || (data && !size))
        return ERROR_INVALID_PARAMETER;
    const QString path = pathOf(key);
    if (path.isEmpty())
        return ERROR_INVALID_HANDLE;
    const QString name = value ? Ansi::decode(value) : QString();

    QList<Value> rootValues;
    const QList<Value> *values = &rootValues;
    if (rootName(key).isEmpty())
        values = &key->values;
    else if (const RegFile file = loadRegistry(); file.indexOf(path) >= 0)
        rootValues = file.keys[file.indexOf(path)].values;

    std::uint32_t valueType = REG_SZ;
    QByteArray bytes;
    if (const Value *found = findValue(*values, name)) {
        valueType = found->type;
        bytes = found->type == REG_SZ ? Ansi::encode(found->text) + '\0' : found->bytes;
    } else if (name.compare(QLatin1StringView("RegisteredOwner"), Qt::CaseInsensitive) == 0 &&
               ownerKeyPaths().contains(path, Qt::CaseInsensitive)) {
        bytes = Ansi::encode(userFullName()) + '\0';
    } else {
        return ERROR_FILE_NOT_FOUND;
    }

    if (type)
        *type = valueType;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (!data) {
        if (size)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.constData(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

std::int32_t RegSetValueExA(HKEY key, const char *value, std::uint32_t reserved, std::uint32_t type,
                            const std::uint8_t *data, std::uint32_t size)
{
    if (reserved || (!data && size))
        return ERROR_INVALID_PARAMETER;
    const QString path = pathOf(key);
    if (path.isEmpty())
        return ERROR_INVALID_HANDLE;
    Value entry;
    entry.name = value ? Ansi::decode(value) : QString();
    entry.type = type;
    const auto *bytes = reinterpret_cast<const char *>(data);
    if (type == REG_SZ) {
        const auto *end = data ? static_cast<const char *>(std::memchr(bytes, '\0', size)) : nullptr;
        entry.text = Ansi::decode(QByteArrayView(bytes, end ? end - bytes : qsizetype(size)));
    } else {
        entry.bytes = QByteArray(bytes, size);
    }

    RegFile file = loadRegistry();
    setValue(file.keyAt(path).values, entry);
    if (!saveRegistry(file))
        return ERROR_ACCESS_DENIED;
    if (rootName(key).isEmpty())
        setValue(key->values, std::move(entry));
    return ERROR_SUCCESS;
}

std::int32_t RegDeleteTreeA(HKEY key, const char *subKey)
{
    const QString parentPath = pathOf(key);
    if (parentPath.isEmpty())
        return ERROR_INVALID_HANDLE;
    const QString path = childPath(parentPath, subKey);
    RegFile file = loadRegistry();
    bool found = false;
    if (path == parentPath) {
        // Without a subkey the key itself stays, emptied.
        found = file.removeTree(path);
        file.keyAt(path);
        if (rootName(key).isEmpty())
            key->values.clear();
    } else {
        found = file.removeTree(path);
    }
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    return saveRegistry(file) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

std::int32_t RegCloseKey(HKEY key)
{
    if (!rootName(key).isEmpty())
        return ERROR_SUCCESS;
    {
        QMutexLocker lock(&handleMutex);
        if (!key || liveHandles.erase(key) == 0)
            return ERROR_INVALID_HANDLE;
    }
    delete key;
    return ERROR_SUCCESS;
}
