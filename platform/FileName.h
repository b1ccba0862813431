// SPDX-License-Identifier: Apache-2.0
// File names as the system gives them: bytes, which are UTF-8 by
// convention only. Qt reads names as UTF-8 and cannot name a file whose
// name is not, so such names are found here, byte by byte, shown with the
// bytes that are not UTF-8 escaped, and made openable through a descriptor
// the process holds ("/proc/PID/fd/N"), a name Qt, the browser and a child
// process can all use.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace FileName {

/// Whether `native` is valid UTF-8 (and so can be named through Qt).
bool isUtf8(const QByteArray &native);
/// `native` for messages: valid UTF-8 as it is, other bytes as "\xNN".
QString shown(const QByteArray &native);
/// The entries below `folder` (not following links into folders) whose
/// names are not UTF-8 and that are files ending in `suffix` (compared
/// without regard to case) or folders holding such files, as their native
/// paths, sorted; the folders Qt cannot enter are searched too.
QList<QByteArray> notUtf8Below(const QByteArray &folder, const QByteArray &suffix);

/// A path Qt can open that leads where `native` does: `native` itself when
/// it is UTF-8, otherwise one through a descriptor of its last part that is
/// not, held open for the rest of the process's life. Empty, with the
/// system's reason in `error`, when that part cannot be opened.
QString openable(const QByteArray &native, QString *error = nullptr);
/// A command-line argument: `openable()` for a name, the same for the value
/// of "--option=VALUE"; other arguments as Qt reads them.
QString argument(const QByteArray &argument, QString *error);
/// The native path `path` stands for, undoing `openable()`.
QByteArray nativeOf(const QString &path);
/// `path` for messages: as the system names it, bytes that are not UTF-8
/// shown as "\xNN".
QString shownPath(const QString &path);
/// For a file that `openable()` reached by its own descriptor: a path in
/// its folder (its name as Qt reads it) that gives that folder to whoever
/// takes the folder from the path; other paths as they are.
QString inItsFolder(const QString &path);
/// Whether `path` is one `openable()` made for a name that is not UTF-8
/// itself: Qt reaches the file it was opened on (gone once a writer has
/// replaced it), or, for a new file, none; only the system's bytes reach it.
bool byOwnDescriptor(const QString &path);

} // namespace FileName
