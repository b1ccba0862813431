// SPDX-License-Identifier: Apache-2.0
// Each open looks at the file: a file whose stamp (inode, size, times) is
// as when it was last parsed, long after its last change, is not read
// again; otherwise its bytes are read, and parsed unless they are the bytes
// of the last parse. The handle keeps a snapshot of that key's values. Each
// change is made under the file's lock on the file as it is then, and
// replaces it whole.
#include "Registry.h"

#include "RegFile.h"
#include "RegularFile.h"
#include "SafeFile.h"
#include "TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <set>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using RegFile::Document;
using RegFile::Value;

namespace {

// The largest file whose parse is kept between calls.
constexpr qsizetype kMaxCachedSize = 16 * 1024 * 1024;
// Internal: a key to be created is there already.
constexpr std::int32_t kAlreadyExists = 183;
// A change waits this long for another process's change to end, unless
// $QUIRAVEL_REGISTRY_LOCK_WAIT gives other seconds.
constexpr int kLockWaitMs = 10000;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::int32_t statusOf(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED
                                                               : ERROR_REGISTRY_IO_FAILED;
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

struct Loaded
{
    std::shared_ptr<Document> document; ///< shared with the cache: not to be changed
    std::int32_t status = ERROR_SUCCESS;
    QString error; ///< "FILE: cause"
};

/// What identifies one state of a file without reading it.
struct FileStamp
{
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit operator bool() const { return valid; }
    bool operator==(const FileStamp &other) const
    {
        const auto same = [](const timespec &a, const timespec &b) {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        };
        return valid && other.valid && device == other.device && inode == other.inode && size == other.size &&
               same(modified, other.modified) && same(changed, other.changed);
    }
};

/// The file's bytes: a missing file has none; only a regular file of sane
/// size is read (opened without blocking, so a FIFO cannot hold us).
/// `unchanged` answers for the file's stamp whether the read can be skipped.
template<typename Unchanged>
bool readBytes(const QString &path, QByteArray *bytes, FileStamp *stamp, Unchanged unchanged, bool *skipped,
               Loaded *failure)
{
    const auto fail = [&](std::int32_t status, const QString &cause) {
        failure->status = status;
        failure->error = path + QStringLiteral(": ") + cause;
        return false;
    };
    bytes->clear();
    RegularFile file;
    if (!file.open(path, Registry::kMaxFileSize)) {
        switch (file.status()) {
        case RegularFile::Status::OpenFailed:
            if (file.systemError() == ENOENT)
                return true;
            return fail(statusOf(file.systemError()), QStringLiteral("cannot open it: ") + file.reason());
        case RegularFile::Status::NotRegular:
        case RegularFile::Status::TooLarge:
            return fail(ERROR_BADDB, file.reason());
        default:
            return fail(ERROR_REGISTRY_IO_FAILED, QStringLiteral("cannot read it: ") + file.reason());
        }
    }
    const struct stat &info = file.info();
    *stamp = FileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    *skipped = unchanged(*stamp);
    if (*skipped)
        return true;
    if (!file.readAll(bytes))
        return file.status() == RegularFile::Status::TooLarge
                   ? fail(ERROR_BADDB, file.reason())
                   : fail(ERROR_REGISTRY_IO_FAILED, QStringLiteral("cannot read it: ") + file.reason());
    return true;
}

/// The parse of the last file read, kept while its bytes stay the same.
struct ParseCache
{
    QMutex mutex;
    QString path;
    QByteArray bytes;
    std::shared_ptr<Document> document;
    /// Set only when the file had not changed for a while before it was
    /// read: a change within the clock's resolution of that read could
    /// leave the stamp as it was.
    FileStamp stamp;

    /// Holds no parse any more (the mutex held).
    void forget()
    {
        path.clear();
        bytes.clear();
        document.reset();
        stamp = {};
    }
};

ParseCache &parseCache()
{
    static ParseCache cache;
    return cache;
}

void remember(const QString &path, const QByteArray &bytes, std::shared_ptr<Document> document,
              const FileStamp &stamp = {})
{
    ParseCache &cache = parseCache();
    QMutexLocker lock(&cache.mutex);
    if (bytes.size() > kMaxCachedSize) {
        cache.forget();
        return;
    }
    cache.path = path;
    cache.bytes = bytes;
    cache.document = std::move(document);
    cache.stamp = stamp;
}

/// The stamp when the file's last change lies safely before now.
FileStamp settled(const FileStamp &stamp)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return stamp && stamp.changed.tv_sec + 2 < now.tv_sec ? stamp : FileStamp{};
}

Loaded load(const QString &path)
{
    Loaded loaded;
    QByteArray bytes;
    FileStamp stamp;
    bool skipped = false;
    const auto unchanged = [&](const FileStamp &now) {
        ParseCache &cache = parseCache();
        QMutexLocker lock(&cache.mutex);
        if (!cache.document || cache.path != path || !(cache.stamp == now))
            return false;
        loaded.document = cache.document;
        return true;
    };
    if (!readBytes(path, &bytes, &stamp, unchanged, &skipped, &loaded) || skipped)
        return loaded;
    {
        ParseCache &cache = parseCache();
        QMutexLocker lock(&cache.mutex);
        if (cache.document && cache.path == path && cache.bytes == bytes) {
            cache.stamp = settled(stamp);
            loaded.document = cache.document;
            return loaded;
        }
        // Not kept while the new parse is made, which would double the memory.
        cache.forget();
    }
    QString error;
    std::optional<Document> parsed = Document::parse(bytes, &error);
    if (!parsed) {
        loaded.status = ERROR_BADDB;
        loaded.error = path + QStringLiteral(": ") + error;
        return loaded;
    }
    loaded.document = std::make_shared<Document>(std::move(*parsed));
    remember(path, bytes, loaded.document, settled(stamp));
    return loaded;
}

/// A new file in the registry's folder, given the old file's permissions,
/// renamed over the old name.
bool replaceFile(const QString &path, const QByteArray &bytes, std::int32_t *status, QString *error)
{
    SafeFileWriter file;
    if (!file.create(path)) {
        *status = statusOf(file.systemError());
        *error = path + QStringLiteral(": cannot create a new file in its folder: ") + file.errorString();
        return false;
    }
    const auto fail = [&](int cause) {
        file.discard();
        *status = statusOf(cause);
        *error = path + QStringLiteral(": cannot write it: ") + systemError(cause);
        return false;
    };
    if (!file.write(bytes.constData(), bytes.size()))
        return fail(file.systemError());
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(file.handle(), old.st_mode & 07777);
    if (::fsync(file.handle()) != 0)
        return fail(errno);
    if (!file.commit()) {
        *status = statusOf(file.systemError());
        *error = path + QStringLiteral(": cannot replace it: ") + file.errorString();
        return false;
    }
    return true;
}

// ---- handles ----

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

} // namespace

struct RegistryKey
{
    QString path;
    QList<Value> values;
    bool inFile = true; ///< false for a key opened only for the owner's fallback
};

namespace Registry {

struct TransactionState
{
    QString path;
    int lockFd = -1;
    Qt::HANDLE thread = nullptr;
    std::optional<Document> document;
    bool changed = false;
    bool joined = false;
    bool active = false;
    std::int32_t status = ERROR_SUCCESS;
    QString error;
    int lockWaitMs = lockWait();
    int waitedBeforeMs = 0;
};

} // namespace Registry

namespace {

/// The transaction open on some thread of this process, if any.
struct ActiveTransaction
{
    QMutex mutex;
    Registry::TransactionState *state = nullptr;
};

ActiveTransaction &activeTransaction()
{
    static ActiveTransaction active;
    return active;
}

Registry::TransactionState *transactionOfThisThread()
{
    ActiveTransaction &active = activeTransaction();
    QMutexLocker lock(&active.mutex);
    return active.state && active.state->thread == QThread::currentThreadId() ? active.state : nullptr;
}

/// The registry as this thread sees it: its transaction's document, or the file.
struct RegistryView
{
    std::shared_ptr<const Document> shared;
    const Document *document = nullptr;
    std::int32_t status = ERROR_SUCCESS;
};

RegistryView currentView()
{
    if (Registry::TransactionState *transaction = transactionOfThisThread())
        return {nullptr, &*transaction->document, ERROR_SUCCESS};
    Loaded loaded = load(Registry::filePath());
    const Document *document = loaded.document.get();
    return {std::move(loaded.document), document, loaded.status};
}

/// Makes one change in this thread's transaction, or in one of its own.
/// `apply` answers ERROR_SUCCESS when it changed the document.
template<typename Apply> std::int32_t change(Apply apply)
{
    Registry::Transaction transaction;
    if (!transaction.isValid())
        return transaction.status();
    Registry::TransactionState *state = transactionOfThisThread();
    if (!state)
        return ERROR_REGISTRY_IO_FAILED;
    const std::int32_t status = apply(*state->document);
    if (status != ERROR_SUCCESS)
        return status;
    state->changed = true;
    return transaction.commit() ? ERROR_SUCCESS : transaction.status();
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

} // namespace

namespace Registry {

namespace {
void begin(TransactionState *d);
} // namespace

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

QString readProblem()
{
    return load(filePath()).error;
}

int lockWait()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("QUIRAVEL_REGISTRY_LOCK_WAIT").toDouble(&ok);
    return ok && seconds >= 0 && seconds < 86400 ? int(seconds * 1000) : kLockWaitMs;
}

QString writeProblem(int lockWaitMs, int waitedBeforeMs)
{
    TransactionState state;
    state.lockWaitMs = lockWaitMs;
    state.waitedBeforeMs = waitedBeforeMs;
    begin(&state);
    const auto release = qScopeGuard([&] {
        if (state.active) {
            ActiveTransaction &active = activeTransaction();
            QMutexLocker lock(&active.mutex);
            active.state = nullptr;
        }
        if (state.lockFd >= 0)
            ::close(state.lockFd);
    });
    if (state.status != ERROR_SUCCESS || !state.document)
        return state.error;
    const QString path = filePath();
    const QByteArray native = QFile::encodeName(path);
    // A file the system will not let anyone replace says so only when
    // replaced; its flags tell beforehand.
    if (const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
        int flags = 0;
        const bool fixed =
            ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
        ::close(fd);
        if (fixed)
            return path + QStringLiteral(": cannot replace it: ") + systemError(EPERM) +
                   QStringLiteral(" (the file is marked immutable or append-only)");
    }
    // A file as large as the registry with room for a registration shows a
    // full disk or a size limit, and leaves nothing.
    SafeFileWriter probe;
    if (!probe.create(QFileInfo(path).absolutePath() + QStringLiteral("/.registry-probe")))
        return path + QStringLiteral(": cannot create a new file in its folder: ") + probe.errorString();
    const QByteArray bytes = state.document->serialize() + QByteArray(64 * 1024, ' ');
    if (!probe.write(bytes.constData(), bytes.size()) || ::fsync(probe.handle()) != 0) {
        const int cause = probe.systemError() ? probe.systemError() : errno;
        return path + QStringLiteral(": cannot write it: ") + systemError(cause);
    }
    return {};
}

namespace {

/// Takes the lock and reads the file for a transaction of its own.
void begin(TransactionState *d)
{
    d->path = filePath();
    const auto fail = [&](std::int32_t status, const QString &cause) {
        d->status = status;
        d->error = d->path + QStringLiteral(": ") + cause;
    };
    const QString folder = QFileInfo(d->path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("cannot create its folder %1").arg(folder));
    const QString lockPath = d->path + QStringLiteral(".lock");
    d->lockFd =
        ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (d->lockFd < 0)
        return fail(statusOf(errno),
                    QStringLiteral("cannot open its lock file %1: %2").arg(lockPath, systemError(errno)));
    // Waits in short steps, so that a holder that never lets go fails this
    // change instead of hanging the process.
    QElapsedTimer clock;
    clock.start();
    for (int step = 1; ::flock(d->lockFd, LOCK_EX | LOCK_NB) != 0; step = std::min(step * 2, 50)) {
        const qint64 waited = clock.elapsed();
        if (errno != EWOULDBLOCK && errno != EINTR)
            return fail(ERROR_LOCK_VIOLATION,
                        QStringLiteral("cannot lock %1: %2").arg(lockPath, systemError(errno)));
        if (waited >= d->lockWaitMs)
            return fail(ERROR_LOCK_VIOLATION,
                        QStringLiteral("another process holds its lock %1 (waited %2 s)")
                            .arg(lockPath, QString::number(double(waited + d->waitedBeforeMs) / 1000, 'f', 1)));
        ::usleep(useconds_t(step) * 1000);
    }
    Loaded loaded = load(d->path);
    if (!loaded.document) {
        d->status = loaded.status;
        d->error = loaded.error;
        return;
    }
    // The transaction changes its own copy; when nobody else reads the cached
    // parse, it takes that instead of copying it.
    {
        ParseCache &cache = parseCache();
        QMutexLocker lock(&cache.mutex);
        if (cache.document == loaded.document)
            cache.forget();
    }
    if (loaded.document.use_count() == 1)
        d->document = std::move(*loaded.document);
    else
        d->document = *loaded.document;
    ActiveTransaction &active = activeTransaction();
    QMutexLocker lock(&active.mutex);
    if (!active.state) {
        active.state = d;
        d->active = true;
    }
}

} // namespace

Transaction::Transaction() : d(std::make_unique<TransactionState>())
{
    d->thread = QThread::currentThreadId();
    if (transactionOfThisThread())
        d->joined = true;
    else
        begin(d.get());
}

Transaction::~Transaction()
{
    if (d->active) {
        ActiveTransaction &active = activeTransaction();
        QMutexLocker lock(&active.mutex);
        active.state = nullptr;
    }
    // Released only after this thread's changes no longer go to the document.
    if (d->lockFd >= 0)
        ::close(d->lockFd);
}

bool Transaction::isValid() const
{
    if (d->joined)
        return true;
    return d->status == ERROR_SUCCESS && d->document.has_value() && d->lockFd >= 0;
}

std::int32_t Transaction::status() const
{
    return d->status;
}

QString Transaction::errorString() const
{
    return d->error;
}

bool Transaction::commit()
{
    if (d->joined)
        return true;
    if (!isValid())
        return false;
    if (d->changed) {
        const QByteArray bytes = d->document->serialize();
        if (!replaceFile(d->path, bytes, &d->status, &d->error))
            return false;
        remember(d->path, bytes, std::make_shared<Document>(std::move(*d->document)));
    }
    if (d->active) {
        ActiveTransaction &active = activeTransaction();
        QMutexLocker lock(&active.mutex);
        active.state = nullptr;
        d->active = false;
    }
    d->document.reset();
    d->changed = false;
    ::close(d->lockFd);
    d->lockFd = -1;
    return true;
}

} // namespace Registry

namespace {

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
    const RegistryView view = currentView();
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
    const RegistryView view = currentView();
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
        const RegistryView view = currentView();
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
