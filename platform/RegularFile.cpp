// SPDX-License-Identifier: Apache-2.0
#include "platform/RegularFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <utility>

namespace {

/// What a non-regular entry is.
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a directory");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

QString tooLargeReason(qint64 maxBytes)
{
    return QStringLiteral("Larger than %1 MiB").arg(maxBytes / (1024 * 1024));
}

} // namespace

RegularFile::~RegularFile()
{
    close();
}

RegularFile::RegularFile(RegularFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_maxBytes(other.m_maxBytes), m_info(other.m_info),
      m_status(std::exchange(other.m_status, Status::Closed)), m_error(other.m_error)
{
}

RegularFile &RegularFile::operator=(RegularFile &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_maxBytes = other.m_maxBytes;
        m_info = other.m_info;
        m_status = std::exchange(other.m_status, Status::Closed);
        m_error = other.m_error;
    }
    return *this;
}

bool RegularFile::fail(Status status, int error)
{
    close();
    m_status = status;
    m_error = error;
    return false;
}

bool RegularFile::open(const QString &path, qint64 maxBytes)
{
    close();
    m_maxBytes = maxBytes;
    m_info = {};
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return fail(Status::OpenFailed, errno);
    if (::fstat(m_fd, &m_info) != 0)
        return fail(Status::ReadFailed, errno);
    if (!S_ISREG(m_info.st_mode))
        return fail(Status::NotRegular);
    if (maxBytes >= 0 && m_info.st_size > maxBytes)
        return fail(Status::TooLarge);
    // A regular file never blocks, but a reader after us need not know the flag.
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    m_status = Status::Open;
    m_error = 0;
    return true;
}

bool RegularFile::readAll(QByteArray *bytes)
{
    bytes->clear();
    if (m_fd < 0)
        return false;
    const qint64 limit = m_maxBytes >= 0 ? m_maxBytes : std::numeric_limits<qsizetype>::max() - 1;
    // One byte more than the file's size, so that the end shows at once.
    bytes->resize(qsizetype(std::min<qint64>(m_info.st_size, limit)) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes->size()) {
            // The file grew while it was read.
            if (bytes->size() > limit)
                return fail(Status::TooLarge);
            bytes->resize(qsizetype(std::min<qint64>(qint64(bytes->size()) * 2, limit + 1)));
        }
        const ssize_t got = ::read(m_fd, bytes->data() + filled, size_t(bytes->size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(Status::ReadFailed, errno);
        if (got == 0)
            break;
        filled += got;
    }
    bytes->truncate(filled);
    return true;
}

void RegularFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_status = Status::Closed;
}

int RegularFile::release()
{
    m_status = Status::Closed;
    return std::exchange(m_fd, -1);
}

QString RegularFile::reason() const
{
    switch (m_status) {
    case Status::NotRegular:
        return notRegularReason(m_info.st_mode);
    case Status::TooLarge:
        return tooLargeReason(m_maxBytes);
    case Status::OpenFailed:
    case Status::ReadFailed:
        return QString::fromLocal8Bit(std::strerror(m_error));
    case Status::Closed:
    case Status::Open:
        break;
    }
    return {};
}

QString RegularFile::notRegularReason(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    return QStringLiteral("Not a regular file (%1)").arg(kindOf(mode));
}
