// SPDX-License-Identifier: Apache-2.0
#include "platform/PlatformLogging.h"

#include "ComError.h"

#include <exception>

// Off by default: only critical messages would pass, and none is sent.
Q_LOGGING_CATEGORY(lcPlatform, "quiravel.platform", QtCriticalMsg)

namespace {

QString withDescription(HRESULT hr, const QString &description)
{
    QString text = QString::asprintf("status 0x%08X", static_cast<unsigned>(hr));
    // A status without a text of its own says nothing more than its number.
    if (!description.isEmpty() && !description.startsWith(QLatin1String("Error 0x")))
        text += QStringLiteral(" (") + description + QLatin1Char(')');
    return text;
}

} // namespace

QString statusForLog(HRESULT hr)
{
    return withDescription(hr, describeStatus(hr));
}

QString failureForLog()
{
    try {
        throw;
    } catch (const ComError &e) {
        return withDescription(e.status(), e.description());
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("an unknown failure");
    }
}
