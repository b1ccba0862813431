// SPDX-License-Identifier: Apache-2.0
// Operating-system version stand-in. This system reports the NT platform
// (platform id 2), since it has the registry layout of that family.
// QUIRAVEL_PLATFORM_ID, when set to a number, reports that platform id
// instead, so the other family's registry layout can be exercised.
#pragma once

#include <cstdint>

struct OSVERSIONINFOA
{
    std::uint32_t dwOSVersionInfoSize;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
    std::uint32_t dwBuildNumber;
    std::uint32_t dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

/// Fills `info` when its size field is 148; answers non-zero on success,
/// 0 (touching nothing) for a wrong size or a null pointer.
std::int32_t GetVersionExA(OSVERSIONINFOA *info);
