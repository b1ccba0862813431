// How the frame's tools speak: one wording for host statuses, one shape for
// error lines, so that scripts can read every tool's output alike.
#pragma once

#include "platform/ComTypes.h"

#include <QString>

namespace ToolOutput {

/// "S_OK", or the status as "0x" and eight hexadecimal digits.
QString statusText(HRESULT status);

/// Writes "TOOL: reason" and a line end to standard error at once, TOOL
/// being the application's name.
void printError(const QString &tool, const QString &reason);

} // namespace ToolOutput
