#include "ToolOutput.h"

#include <cstdio>

namespace ToolOutput {

QString statusText(HRESULT status)
{
    return status == S_OK
               ? QStringLiteral("S_OK")
               : QStringLiteral("0x%1").arg(static_cast<std::uint32_t>(status), 8, 16, QLatin1Char('0'));
}

void printError(const QString &tool, const QString &reason)
{
    // A NUL byte (from a file's or a device's text) would end the line early.
    const QByteArray line = QStringLiteral("%1: %2\n").arg(tool, reason).toLocal8Bit().replace('\0', "\\0");
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace ToolOutput
