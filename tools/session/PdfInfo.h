// SPDX-License-Identifier: Apache-2.0
// The PDF the browser engine prints names neither the page nor the program
// that made it. The document information is set afterwards by an
// incremental update: the engine's objects stay byte for byte as written,
// and a new information dictionary, cross-reference section and trailer
// follow them.
#pragma once

#include <QString>

/// The title a browser gives the HTML page at `path` (its title element,
/// entities decoded, white space collapsed), read as the Windows-1252 the
/// print files are written in; empty when it has none.
QString htmlPageTitle(const QString &path);

/// Sets the PDF's title and creator, keeping the other entries of its
/// information dictionary; the file is replaced whole or not at all. False
/// with `*error` when the file is no PDF this can update (one with a
/// cross-reference stream, say), which is then left as it is.
bool setPdfInfo(const QString &path, const QString &title, const QString &creator, QString *error);
