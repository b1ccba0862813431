// SPDX-License-Identifier: Apache-2.0
#include "platform/FileLock.h"
#include "platform/FileName.h"

#include "platform/PlatformLogging.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Held
{
    QMutex mutex;
    QSet<QByteArray> paths;
};

Held &held()
{
    static Held instance;
    return instance;
}

} // namespace

FileLock::~FileLock()
{
    release();
}

QString FileLock::lockPathFor(const QString &path)
{
    const QFileInfo info(path);
    // The real folder's bytes: Qt would show a name that is not UTF-8 as
    // another that names no folder.
    char *real = ::realpath(FileName::nativeOf(info.absolutePath()).constData(), nullptr);
    if (!real)
        return {};
    const QString folder = FileName::openable(QByteArray(real));
    std::free(real);
    if (folder.isEmpty())
        return {};
    return folder + (folder.endsWith(u'/') ? QStringLiteral(".") : QStringLiteral("/.")) + info.fileName() +
           QStringLiteral(".lock");
}

bool FileLock::acquire(const QString &path, int waitMs)
{
    release();
    m_waitedMs = 0;
    const QString lockPath = lockPathFor(path);
    if (lockPath.isEmpty()) {
        qCWarning(lcPlatform, "No lock on %s: its folder does not exist", qUtf8Printable(path));
        return false;
    }
    const QByteArray native = QFile::encodeName(lockPath);
    {
        Held &h = held();
        QMutexLocker lock(&h.mutex);
        if (h.paths.contains(native)) {
            qCDebug(lcPlatform, "No lock on %s: this process holds it already", qUtf8Printable(path));
            return false;
        }
        h.paths.insert(native);
    }
    QElapsedTimer clock;
    clock.start();
    for (int step = 1;; step = std::min(step * 2, 50)) {
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            qCWarning(lcPlatform, "No lock on %s: %s: %s", qUtf8Printable(path), native.constData(),
                      qUtf8Printable(qt_error_string(errno)));
            break;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before removes the file when it lets go: a lock on
            // a file no longer at the name locks nothing.
            struct stat opened;
            struct stat named;
            if (::fstat(fd, &opened) == 0 && ::stat(native.constData(), &named) == 0 &&
                opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
                m_fd = fd;
                m_lockPath = native;
                m_waitedMs = clock.elapsed();
                return true;
            }
            ::close(fd);
            continue;
        }
        const int lockError = errno;
        ::close(fd);
        if (lockError != EWOULDBLOCK && lockError != EINTR) {
            qCWarning(lcPlatform, "No lock on %s: %s: %s", qUtf8Printable(path), native.constData(),
                      qUtf8Printable(qt_error_string(lockError)));
            break;
        }
        if (clock.elapsed() >= waitMs) {
            qCWarning(lcPlatform, "No lock on %s: another process held it for %lld ms", qUtf8Printable(path),
                      static_cast<long long>(clock.elapsed()));
            break;
        }
        ::usleep(useconds_t(step) * 1000);
    }
    m_waitedMs = clock.elapsed();
    Held &h = held();
    QMutexLocker lock(&h.mutex);
    h.paths.remove(native);
    return false;
}

void FileLock::release()
{
    if (m_fd < 0)
        return;
    // Removed while still locked, so that nobody takes a lock on a file
    // about to lose its name.
    ::unlink(m_lockPath.constData());
    ::close(m_fd);
    m_fd = -1;
    Held &h = held();
    QMutexLocker lock(&h.mutex);
    h.paths.remove(m_lockPath);
    m_lockPath.clear();
}
