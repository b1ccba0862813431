// SPDX-License-Identifier: Apache-2.0
// The one check every reader of a user's file makes: only a regular file of
// sane size is read, and anything else is named the same way everywhere.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/stat.h>

/// A file opened for reading that is known to be a regular file within a
/// size limit. Opening never blocks (a FIFO cannot hold the caller up), and
/// the type and size are checked on what was opened, not on the name.
class RegularFile
{
public:
    enum class Status { Closed, Open, OpenFailed, NotRegular, TooLarge, ReadFailed };

    RegularFile() = default;
    ~RegularFile();
    RegularFile(RegularFile &&other) noexcept;
    RegularFile &operator=(RegularFile &&other) noexcept;
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    /// Opens `path` read-only and checks it; `maxBytes` below zero means no
    /// limit. False with status(), systemError() and reason() otherwise.
    bool open(const QString &path, qint64 maxBytes = -1);
    /// Reads the rest of the file; one that grows past the limit while it
    /// is read is refused (TooLarge).
    bool readAll(QByteArray *bytes);
    void close();
    /// Hands the descriptor over (switched back to blocking reads).
    int release();

    const struct stat &info() const { return m_info; }
    Status status() const { return m_status; }
    /// The errno of a failed open, fstat or read; 0 otherwise.
    int systemError() const { return m_error; }
    /// Why the file was refused or could not be read, in one line.
    QString reason() const;

    /// "Not a regular file (KIND)", KIND being "a directory", "a FIFO", "a
    /// device", "a socket" or "a special file"; empty for a regular file.
    static QString notRegularReason(mode_t mode);

private:
    bool fail(Status status, int error = 0);

    int m_fd = -1;
    qint64 m_maxBytes = -1;
    struct stat m_info
    {
    };
    Status m_status = Status::Closed;
    int m_error = 0;
};
