// SPDX-License-Identifier: Apache-2.0
// The one way every file of ours is written: a new file beside the target
// that takes the target's name only once it is complete.
//
// - The name is replaced by rename, so a link there is replaced and never
//   written through, and nobody ever sees part of a file under the name.
// - A name that is a directory, a device, a FIFO or a socket is refused, and
//   so is a file the run reads (see SafeFile::addInput()).
// - The new file gets the permissions the umask allows (0666 less the mask).
// - The file is written unnamed (O_TMPFILE) where the file system allows it,
//   so that a killed writer leaves nothing behind. Elsewhere it is named
//   ".NAME.PID-RANDOM.tmp"; a writer removes its own on every exit path, and
//   the first writer of a process in a folder removes those whose process is
//   gone.
// - SIGXFSZ at its default is ignored when the rule is used, so that a
//   file-size limit fails a write with EFBIG instead of killing the process.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace SafeFile {

/// Remembers a file the run reads (a description, a data file, a database,
/// a template, a list): no writer of this process will write to its name,
/// or to the name of the file a link there leads to. A link to it at
/// another name can still be replaced, which leaves it as it is.
void addInput(const QString &path);
/// Why `path` cannot be written under the rule ("Is a directory", "Not a
/// regular file (a FIFO)" and the like, one of the run's inputs, or its
/// folder is missing or not a folder); empty when it can. Nothing is created.
QString targetProblem(const QString &path);
/// Why no new file can be made in the folder `directory` (missing, no
/// folder, not writable), or, with `bytes`, none of that size (a full disk,
/// a file-size limit); empty when one can. Nothing is left behind.
QString directoryProblem(const QString &directory, qint64 bytes = 0);
/// Ignores SIGXFSZ for the whole process unless it has a handler.
void ignoreFileSizeSignal();
/// Removes the named temporaries in `directory` whose writer is gone.
void removeStaleTemporaries(const QString &directory);
/// The permissions a new file gets: 0666 less the umask.
mode_t newFileMode();

/// Testing aid: false makes every writer use named temporaries.
void setUnnamedTemporariesAllowed(bool allowed);

} // namespace SafeFile

class SafeFileWriter
{
public:
    /// How the new file is made.
    enum class Kind {
        Any,  ///< unnamed where possible
        Named ///< always named: for a file another party writes by its path
    };

    SafeFileWriter() = default;
    /// A writer not committed drops its file.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    /// Begins the file that replaces `path` on commit(); `path` keeps what
    /// it holds until then. False with errorString() when the name is
    /// refused or no file can be made beside it.
    bool create(const QString &path, Kind kind = Kind::Any);
    /// The new file's descriptor (-1 before create()).
    int handle() const { return m_fd; }
    /// The named temporary's path (empty for an unnamed one).
    QString temporaryPath() const;
    /// Writes all of `size` bytes; false once any write failed.
    bool write(const char *data, qsizetype size);
    /// Puts the file in place of the target; false with errorString() when
    /// a write failed (unless `keepAfterError`) or it cannot be put in place,
    /// and then the target is left as it was.
    bool commit(bool keepAfterError = false);
    /// Drops the file begun; the target is left as it was.
    void discard();
    bool isOpen() const { return m_fd >= 0; }
    /// The errno of the first failure; 0 when none.
    int systemError() const { return m_errno; }
    /// Why the writer failed: the system's reason, or why the name is refused.
    QString errorString() const { return m_error; }
    /// Records a failure found outside write() (e.g. by a party writing the
    /// named temporary itself).
    void setFailed(int error);

private:
    bool fail(int error);

    int m_fd = -1;
    QByteArray m_target;
    QByteArray m_temporary; ///< empty for an unnamed file
    bool m_writtenByPath = false;
    int m_errno = 0;
    QString m_error;
};
