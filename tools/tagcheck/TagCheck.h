// SPDX-License-Identifier: Apache-2.0
// The template check: every tag of a print template, what the component
// would put in its place for a device given by its device files, and which
// tags would stay in the page unresolved.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace TagCheck {

/// Exit statuses of runTagCheck.
enum Status {
    AllResolved = 0,
    SomeUnresolved = 1,
    UsageOrFileError = 2,
};

/// Runs the check for the command line `arguments` (the program name first):
/// [--data FILE] [--source application|database|device] DESCRIPTION [TEMPLATE].
/// One line per tag goes to `out`, one line per usage or file error to `err`.
int runTagCheck(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace TagCheck
