// SPDX-License-Identifier: Apache-2.0
// The registry's file store. A file whose stamp (inode, size, times) is as
// when it was last parsed, long after its last change, is not read again;
// otherwise its bytes are read, and parsed unless they are the bytes of the
// last parse. A change replaces the file whole.
#include "Registry_p.h"

#include "RegularFile.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using RegFile::Document;

namespace Registry::Internal {

namespace {

// The largest file whose parse is kept between calls.
constexpr qsizetype kMaxCachedSize = 16 * 1024 * 1024;

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

void keepParse(const QString &path, const QByteArray &bytes, std::shared_ptr<Document> document,
               const FileStamp &stamp)
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

} // namespace

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::int32_t statusOf(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED
                                                               : ERROR_REGISTRY_IO_FAILED;
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
    keepParse(path, bytes, loaded.document, settled(stamp));
    return loaded;
}

Document ownCopy(std::shared_ptr<Document> document)
{
    {
        ParseCache &cache = parseCache();
        QMutexLocker lock(&cache.mutex);
        if (cache.document == document)
            cache.forget();
    }
    if (document.use_count() == 1)
        return std::move(*document);
    return *document;
}

void remember(const QString &path, const QByteArray &bytes, std::shared_ptr<Document> document)
{
    keepParse(path, bytes, std::move(document), {});
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

} // namespace Registry::Internal

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

QString readProblem()
{
    return Internal::load(filePath()).error;
}

} // namespace Registry
