// SPDX-License-Identifier: Apache-2.0
// The registry calls. Each open reads the file as it is now (see
// RegistryStore.cpp) and its handle keeps a snapshot of that key's values;
// each change is a transaction of its own unless the thread has one open.
#include "Registry_p.h"

#include "TextFile.h"

#include <QMutex>
#include <QStringList>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <set>
#include <unistd.h>

using RegFile::Document;
using RegFile::Value;
using namespace Registry::Internal;

struct RegistryKey
{
    QString path;
    QList<Value> values;
    bool inFile = true; ///< false for a key opened only for the owner's fallback
};

namespace {

// Internal: a key to be created is there already.
constexpr std::int32_t kAlreadyExists = 183;

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

QMutex handleMutex;
std::set<const RegistryKey *> liveHandles;

bool isLive(const RegistryKey *key)
{
    QMutexLocker lock(&handleMutex);
    return liveHandles.count(key) != 0;
}

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
    return sub.isEmpty() ? parent : RegFile::canonicalPath(parent + u'\\' + sub);
}

HKEY newHandle(const QString &path, const Document &document, bool inFile)
{
    auto *key = new RegistryKey{path, document.values(path), inFile};
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

void setSnapshotValue(QList<Value> &values, const Value &value)
{
    for (Value &existing : values) {
        if (existing.name.compare(value.name, Qt::CaseInsensitive) == 0) {
            existing = value;
            return;
        }
    }
    values.append(value);
}

/// The path of `subKey` below `parent`, for a call that hands out a key in
/// `result` (cleared first).
std::int32_t keyPathFor(HKEY parent, const char *subKey, HKEY *result, QString *path)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const QString parentPath = pathOf(parent);
    if (parentPath.isEmpty())
        return ERROR_INVALID_HANDLE;
    *path = childPath(parentPath, subKey);
    return ERROR_SUCCESS;
}

} // namespace

std::int32_t RegOpenKeyA(HKEY parent, const char *subKey, HKEY *result)
{
    QString path;
    if (const std::int32_t status = keyPathFor(parent, subKey, result, &path); status != ERROR_SUCCESS)
        return status;
    const View view = currentView();
    if (view.status != ERROR_SUCCESS)
        return view.status;
    const bool inFile = !path.contains(u'\\') || view.document->hasKey(path);
    if (!inFile && !hasFallback(path))
        return ERROR_FILE_NOT_FOUND;
    *result = newHandle(path, *view.document, inFile);
    return ERROR_SUCCESS;
}

std::int32_t RegCreateKeyA(HKEY parent, const char *subKey, HKEY *result)
{
    QString path;
    if (const std::int32_t status = keyPathFor(parent, subKey, result, &path); status != ERROR_SUCCESS)
        return status;
    if (path.contains(u'\\')) {
        const std::int32_t status = change([&](Document &document) {
            // An existing key is opened as it is, the file left alone.
            return document.createKey(path) ? ERROR_SUCCESS : kAlreadyExists;
        });
        if (status != ERROR_SUCCESS && status != kAlreadyExists)
            return status;
    }
    const View view = currentView();
    if (view.status != ERROR_SUCCESS)
        return view.status;
    *result = newHandle(path, *view.document, true);
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

    bool inFile = true;
    std::optional<Value> found;
    if (rootName(key).isEmpty()) {
        inFile = key->inFile;
        if (const Value *held = findValue(key->values, name))
            found = *held;
    } else {
        const View view = currentView();
        if (view.status != ERROR_SUCCESS)
            return view.status;
        if (const Value *held = view.document->value(path, name))
            found = *held;
    }

    std::uint32_t valueType = REG_SZ;
    QByteArray bytes;
    if (found) {
        valueType = found->type;
        bytes = found->type == REG_SZ ? Ansi::encode(found->text) + '\0' : found->bytes;
    } else if (!inFile && name.compare(QLatin1StringView("RegisteredOwner"), Qt::CaseInsensitive) == 0 &&
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

    const std::int32_t status = change([&](Document &document) {
        document.setValue(path, entry);
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS)
        return status;
    if (rootName(key).isEmpty()) {
        setSnapshotValue(key->values, entry);
        key->inFile = true;
    }
    return ERROR_SUCCESS;
}

std::int32_t RegDeleteTreeA(HKEY key, const char *subKey)
{
    const QString parentPath = pathOf(key);
    if (parentPath.isEmpty())
        return ERROR_INVALID_HANDLE;
    const QString path = childPath(parentPath, subKey);
    const bool itself = path == parentPath;
    const std::int32_t status = change([&](Document &document) {
        if (!document.deleteTree(path))
            return ERROR_FILE_NOT_FOUND;
        // Without a subkey the key itself stays, emptied.
        if (itself)
            document.createKey(path);
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS && itself && rootName(key).isEmpty())
        key->values.clear();
    return status;
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
