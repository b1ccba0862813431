// SPDX-License-Identifier: Apache-2.0
// An exclusive lock between processes on a file's real path, for a file
// that is written and then read by someone else (the print file, read by
// the browser engine): a second writer waits until the first's reader is
// done, so that no run shows another run's file.
#pragma once

#include <QByteArray>
#include <QString>

class FileLock
{
public:
    FileLock() = default;
    /// Releases the lock.
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    /// Takes the lock of `path` (released first when another is held),
    /// waiting at most `waitMs` for another process to release it. The lock
    /// is a hidden file beside `path`'s real path, removed by whoever
    /// releases it, so nothing is left behind. A path this process holds
    /// already is not waited for (the holder could only release it once
    /// this call returned). False when the lock could not be taken in time
    /// or at all (a folder that takes no new file); the caller goes on
    /// without it.
    bool acquire(const QString &path, int waitMs);
    void release();
    bool isHeld() const { return m_fd >= 0; }
    /// How long acquire() waited, in milliseconds.
    qint64 waitedMs() const { return m_waitedMs; }
    /// The lock file's path for `path` (empty when its folder is missing).
    static QString lockPathFor(const QString &path);

private:
    int m_fd = -1;
    QByteArray m_lockPath;
    qint64 m_waitedMs = 0;
};
