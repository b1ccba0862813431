// SPDX-License-Identifier: Apache-2.0
// The version numbers are the kernel's, as uname reports them.
#include "SystemInfo.h"

#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <sys/utsname.h>

std::int32_t GetVersionExA(OSVERSIONINFOA *info)
{
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return 0;
    unsigned major = 0, minor = 0, build = 0;
    utsname name{};
    if (uname(&name) == 0)
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    bool overridden = false;
    const int platformId = qEnvironmentVariableIntValue("QUIRAVEL_PLATFORM_ID", &overridden);
    info->dwPlatformId = overridden ? std::uint32_t(platformId) : VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    return 1;
}
