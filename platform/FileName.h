// SPDX-License-Identifier: Apache-2.0
// File names as the system gives them: bytes, which are UTF-8 by
// convention only. Qt reads names as UTF-8 and cannot name a file whose
// name is not, so such names are found here, byte by byte, and shown with
// the bytes that are not UTF-8 escaped.
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

} // namespace FileName
