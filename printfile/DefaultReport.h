// SPDX-License-Identifier: Apache-2.0
// The default device report: a fixed-layout HTML page that needs no
// template. It names who printed it and when, lists the device entries of
// the device description and the current value of every object that the
// description's "Object" section lists.
#pragma once

#include "TagContext.h"

#include <QString>

/// Writes the default device report (Windows-1252, CR LF), replacing the
/// file at `path` once it is complete (a link there is replaced, never
/// written through); throws ComError with a readable description on file
/// errors (e.g. directory missing, disk full) and for failing host statuses,
/// enumeration numbers out of range and enumeration errors. Writing stops at
/// a failure and the lines written before it stay in the file; a file that
/// cannot even be begun removes an older report, which must not pass for
/// this one.
///
/// How objects are read:
/// - An object whose OpenItem, GetItemString or FindDefinition answers a
///   non-zero error flag still gets its line, with an empty value; it never
///   shows the value of the object before it.
/// - A non-zero error flag of GetObjectDefinition counts as kind 0: the value
///   text is written as read, without an enumeration lookup.
/// - The walk position and the definition handle are kept apart: the walk
///   advances from its own position, so a host whose definition handles are
///   not walk positions is still walked entry by entry.
/// - An item opened for an object is closed again also when a later step
///   fails; the failure still ends the report.
void WriteReportFile(const TagContext &context, const QString &path);
