// SPDX-License-Identifier: Apache-2.0
// Diagnostics for the failures the component keeps to itself by design: each
// layer logs through a category of its own ("quiravel.<layer>"), all of them
// off unless enabled (QT_LOGGING_RULES="quiravel.*=true"), so that a host
// sees nothing it did not ask for. This one is the platform layer's: a file
// lock not taken, and why.
#pragma once

#include "ComTypes.h"

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

/// "status 0x80070005 (Permission denied)": how a log line names a failure
/// status.
QString statusForLog(HRESULT hr);

/// The failure being handled, for a log line: the status and its
/// description for a ComError, else what the exception says. Only inside a
/// catch block.
QString failureForLog();
