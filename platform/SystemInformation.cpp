// SPDX-License-Identifier: Apache-2.0
#include "platform/SystemInformation.h"

#include "platform/PlatformLogging.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/TextFile.h"

#include <QByteArray>
#include <cstring>

namespace SystemInformation {

bool IsSystemNT()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    // The call's own answer is not consulted: a failure leaves the platform id 0.
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

static QString registeredValue(const char *valueName)
{
    const char *keyPath = IsSystemNT() ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                                       : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    HKEY key = nullptr;
    // A failed open leaves the key 0, and the size query below then fails.
    const std::int32_t opened = RegOpenKeyA(HKEY_LOCAL_MACHINE, keyPath, &key);

    std::uint32_t type = REG_SZ;
    std::uint32_t size = 0;
    if (const std::int32_t queried = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
        queried != ERROR_SUCCESS) {
        if (key)
            RegCloseKey(key);
        // The registry file is read again only when someone listens.
        if (lcPlatform().isWarningEnabled()) {
            const QString problem = Registry::readProblem();
            qCWarning(
                lcPlatform,
                "No registry value HKEY_LOCAL_MACHINE\\%s\\%s (error %d opening the key, %d reading the "
                "value%s%s): it counts as empty",
                keyPath, valueName, int(opened), int(queried), problem.isEmpty() ? "" : "; ",
                qUtf8Printable(problem));
        }
        return {};
    }
    QByteArray buffer(qsizetype(size), ' ');
    type = REG_SZ;
    RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<std::uint8_t *>(buffer.data()), &size);
    RegCloseKey(key);

    // Data stored without a terminator is taken whole.
    const qsizetype nul = buffer.indexOf('\0');
    return Ansi::decode(nul < 0 ? QByteArrayView(buffer) : QByteArrayView(buffer).first(nul));
}

QString GetRegisteredOwner()
{
    return registeredValue("RegisteredOwner");
}

QString GetRegisteredOrganization()
{
    return registeredValue("RegisteredOrganization");
}

} // namespace SystemInformation
