// SPDX-License-Identifier: Apache-2.0
#include "platform/SafeFile.h"

#include "platform/FileName.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

struct Inputs
{
    QMutex mutex;
    /// The names of the run's inputs, their folders resolved: as given, and
    /// the file a link there leads to.
    QSet<QByteArray> names;
    QSet<QByteArray> cleanedDirectories;
};

Inputs &state()
{
    static Inputs inputs;
    return inputs;
}

std::atomic<bool> unnamedAllowed{true};

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// The folder part of `target` with its "/" ("" for the current folder).
QByteArray directoryOf(const QByteArray &target)
{
    return target.left(target.lastIndexOf('/') + 1);
}

/// "a/b/.NAME." for a temporary of "a/b/NAME" (long names shortened, since
/// a name has at most 255 bytes).
QByteArray temporaryPrefix(const QByteArray &target)
{
    const QByteArray directory = directoryOf(target);
    const QByteArray name = target.mid(directory.size());
    return directory + '.' + (name.size() <= 200 ? name : name.left(200)) + '.';
}

/// The process id a temporary's name carries, or 0 when the name is not one
/// of ours.
pid_t writerOf(const char *name)
{
    const std::size_t length = std::strlen(name);
    if (name[0] != '.' || length < 8 || std::strcmp(name + length - 4, ".tmp") != 0)
        return 0;
    const std::string_view stem(name, length - 4);
    const std::size_t dot = stem.rfind('.');
    const std::size_t dash = stem.rfind('-');
    if (dot == std::string_view::npos || dash == std::string_view::npos || dash < dot + 2)
        return 0;
    pid_t pid = 0;
    for (std::size_t i = dot + 1; i < dash; ++i) {
        if (stem[i] < '0' || stem[i] > '9' || pid > 100000000)
            return 0;
        pid = pid * 10 + (stem[i] - '0');
    }
    return pid;
}

/// `path` with its folder resolved (links, "..") and its own name as it
/// is; empty when the folder does not exist.
QByteArray resolvedName(const QByteArray &path)
{
    const QByteArray directory = directoryOf(path);
    const QByteArray name = path.mid(directory.size());
    if (name.isEmpty() || name == "." || name == "..")
        return {};
    char *real = ::realpath(directory.isEmpty() ? "." : directory.constData(), nullptr);
    if (!real)
        return {};
    QByteArray resolved(real);
    std::free(real);
    if (!resolved.endsWith('/'))
        resolved += '/';
    return resolved + name;
}

void cleanOnce(const QByteArray &directory)
{
    {
        Inputs &inputs = state();
        QMutexLocker lock(&inputs.mutex);
        if (inputs.cleanedDirectories.contains(directory))
            return;
        inputs.cleanedDirectories.insert(directory);
    }
    SafeFile::removeStaleTemporaries(FileName::openable(directory.isEmpty() ? QByteArray(".") : directory));
}

} // namespace

namespace SafeFile {

void addInput(const QString &path)
{
    const QByteArray name = resolvedName(FileName::nativeOf(path));
    if (name.isEmpty())
        return;
    char *real = ::realpath(FileName::nativeOf(path).constData(), nullptr);
    Inputs &inputs = state();
    QMutexLocker lock(&inputs.mutex);
    inputs.names.insert(name);
    if (real) {
        inputs.names.insert(QByteArray(real));
        std::free(real);
    }
}

QString targetProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("No file name");
    const QByteArray native = FileName::nativeOf(path);
    if (native.endsWith('/'))
        return systemReason(EISDIR);
    struct stat info;
    if (::lstat(native.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return systemReason(EISDIR);
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
            return RegularFile::notRegularReason(info.st_mode);
    } else if (errno != ENOENT) {
        return systemReason(errno);
    }
    // Only the input's own name: a link at another name is replaced, and
    // what it leads to is never written.
    if (const QByteArray name = resolvedName(native); !name.isEmpty()) {
        Inputs &inputs = state();
        QMutexLocker lock(&inputs.mutex);
        if (inputs.names.contains(name))
            return QStringLiteral("It is one of the files this run reads");
    }
    const QByteArray directory = directoryOf(native);
    if (!directory.isEmpty()) {
        if (::stat(directory.constData(), &info) != 0)
            return systemReason(errno);
        if (!S_ISDIR(info.st_mode))
            return systemReason(ENOTDIR);
    }
    return {};
}

QString directoryProblem(const QString &directory, qint64 bytes)
{
    const QByteArray native = FileName::nativeOf(directory.isEmpty() ? QStringLiteral(".") : directory);
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        return systemReason(errno);
    if (!S_ISDIR(info.st_mode))
        return systemReason(ENOTDIR);
    // Whether a file can be made there is only known by making one.
    SafeFileWriter probe;
    if (!probe.create(directory + QStringLiteral("/.quiravel-probe")))
        return probe.errorString();
    static const QByteArray block(64 * 1024, '\0');
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        if (!probe.write(block.constData(), std::min<qint64>(left, block.size())))
            return probe.errorString();
    }
    return {};
}

void ignoreFileSizeSignal()
{
    // Only the default, which ends the process: a handler of a host's own
    // is the host's choice.
    struct sigaction current;
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        !(current.sa_flags & SA_SIGINFO))
        std::signal(SIGXFSZ, SIG_IGN);
}

void removeStaleTemporaries(const QString &directory)
{
    const QByteArray native = FileName::nativeOf(directory);
    DIR *dir = ::opendir(native.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    while (const dirent *entry = ::readdir(dir)) {
        const pid_t pid = writerOf(entry->d_name);
        if (pid <= 0 || pid == ::getpid())
            continue;
        // Only a process that is certainly gone: one we may not signal lives.
        if (::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        struct stat info;
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != me)
            continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

mode_t newFileMode()
{
    static const mode_t mask = [] {
        // Read without changing it where the system tells it; setting it
        // and back would give another thread's new file the wrong mask.
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                bool ok = false;
                const mode_t m = mode_t(line.mid(6).trimmed().toUInt(&ok, 8));
                if (line.startsWith("Umask:") && ok)
                    return m;
            }
        }
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return 0666 & ~mask;
}

void setUnnamedTemporariesAllowed(bool allowed)
{
    unnamedAllowed = allowed;
}

} // namespace SafeFile

SafeFileWriter::~SafeFileWriter()
{
    discard();
}

bool SafeFileWriter::fail(int error)
{
    if (m_errno == 0) {
        m_errno = error;
        m_error = systemReason(error);
    }
    return false;
}

void SafeFileWriter::setFailed(int error)
{
    fail(error);
}

QString SafeFileWriter::temporaryPath() const
{
    // The browser engine writes the PDF by this name, which Qt must be able
    // to give it.
    return FileName::openable(m_temporary);
}

bool SafeFileWriter::create(const QString &path, Kind kind)
{
    discard();
    m_errno = 0;
    m_error.clear();
    SafeFile::ignoreFileSizeSignal();
    SafeFile::newFileMode();
    if (const QString problem = SafeFile::targetProblem(path); !problem.isEmpty()) {
        m_error = problem;
        m_errno = EINVAL;
        return false;
    }
    m_target = FileName::nativeOf(path);
    m_writtenByPath = kind == Kind::Named;
    const QByteArray directory = directoryOf(m_target);
    cleanOnce(directory);
    if (kind == Kind::Any && unnamedAllowed) {
        static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
        if (procFds) {
            m_fd = ::open(directory.isEmpty() ? "." : directory.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                          0666);
            if (m_fd >= 0)
                return true;
        }
    }
    const QByteArray prefix = temporaryPrefix(m_target) + QByteArray::number(::getpid()) + '-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporary = prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        m_fd = ::open(m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_temporary.clear();
        return fail(errno);
    }
    return true;
}

bool SafeFileWriter::write(const char *data, qsizetype size)
{
    if (m_fd < 0)
        return fail(EBADF);
    while (size > 0 && m_errno == 0) {
        const ssize_t written = ::write(m_fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(written < 0 ? errno : EIO);
        data += written;
        size -= written;
    }
    return m_errno == 0;
}

bool SafeFileWriter::commit(bool keepAfterError)
{
    if (m_fd < 0 && m_temporary.isEmpty())
        return fail(EBADF);
    if (m_errno != 0 && !keepAfterError) {
        discard();
        return false;
    }
    // A party that wrote the named file by its path may have made it anew
    // with permissions of its own.
    if (m_writtenByPath)
        ::chmod(m_temporary.constData(), SafeFile::newFileMode());
    if (m_temporary.isEmpty()) {
        // An unnamed file gets a name only by a link; rename then moves
        // that name over the target in one step.
        const QByteArray prefix = temporaryPrefix(m_target) + QByteArray::number(::getpid()) + '-';
        const QByteArray fdPath = "/proc/self/fd/" + QByteArray::number(m_fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_temporary = prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
            if (::linkat(AT_FDCWD, fdPath.constData(), AT_FDCWD, m_temporary.constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                break;
            if (errno != EEXIST || attempt == 99) {
                const int cause = errno;
                m_temporary.clear();
                fail(cause);
                discard();
                return false;
            }
        }
    }
    if (::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR)
        fail(errno);
    if (m_errno != 0 && !keepAfterError) {
        discard();
        return false;
    }
    if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
        fail(errno);
        discard();
        return false;
    }
    m_temporary.clear();
    return m_errno == 0;
}

void SafeFileWriter::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}
