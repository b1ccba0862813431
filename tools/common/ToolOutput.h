// SPDX-License-Identifier: Apache-2.0
// How the frame's tools speak: one wording for host statuses, one shape for
// error lines, so that scripts can read every tool's output alike.
#pragma once

#include "platform/ComTypes.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;
#include <cstdio>

namespace ToolOutput {

/// "S_OK", or the status as "0x" and eight hexadecimal digits.
QString statusText(HRESULT status);

/// Where the tool's own messages go: the user's standard error, even after
/// keepEngineOutputAway() took file descriptor 2 for the browser engine.
std::FILE *errorStream();

/// Writes `text` to `stream` in the locale's encoding and flushes it; a NUL
/// byte (from a file's or a device's text) is written as "\0" so that it
/// cannot end the line early.
void putText(std::FILE *stream, const QString &text);

/// Writes "TOOL: reason" and a line end to the error stream at once, TOOL
/// being the application's name.
void printError(const QString &tool, const QString &reason);

/// Wrong usage: "TOOL: REASON; see 'TOOL --help'", one line that names
/// what was wrong and where help is, without a line end.
QString usageLine(const QString &tool, const QString &reason);
/// Writes usageLine() and a line end to the error stream.
void printUsageError(const QString &tool, const QString &reason);

/// The parser's --help text, its usage line naming `tool` however the
/// program was started.
QString helpText(const QCommandLineParser &parser, const QString &tool);

/// "TOOL VERSION" and a line end, for --version.
QString versionText(const QString &tool);

/// A path as the user reads it: native separators, and a line break, a tab
/// or another control character shown as an escape ("\n", "\x1b"), so that
/// one message stays one line and no file name can move the cursor.
QString shownPath(const QString &path);

/// The command line's arguments as the tools hold paths (a name that is not
/// UTF-8 reached through a descriptor, since Qt would turn it into another
/// that names no file). False, the reason printed for `tool`, when one
/// cannot be reached.
bool readArguments(const QString &tool, int argc, char **argv, QStringList *arguments);

/// Has the application speak the language the component's templates and
/// texts follow (German for a German user, English otherwise): Qt's own
/// texts (dialog buttons, print dialogs, command-line errors) and the
/// tools' own. Call once the application object exists.
void installTranslations();

/// The browser engine, its helper processes included, writes its own notes
/// to file descriptor 2 (graphics back-ends, the sandbox, its log lines).
/// From here on they go to a pipe that drops them, or passes them on when
/// `verbose`; the tool's own lines keep going to the user's standard error
/// through errorStream(). Call once, before the engine starts.
void keepEngineOutputAway(bool verbose);

} // namespace ToolOutput
