// SPDX-License-Identifier: Apache-2.0
// The component library's version information, compiled from the resource
// script together with the string table.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

/// One value of the version string block.
struct VersionString
{
    const char16_t *key;
    const char16_t *value;
};

/// The library's version resource.
struct VersionResource
{
    std::uint16_t fileVersion[4];
    std::uint16_t productVersion[4];
    /// The string block's name: language and code page as eight hex digits ("040704B0").
    const char16_t *block;
    const VersionString *strings;
    std::size_t count;
};

/// The component's version resource (generated at build time).
const VersionResource &quiravelVersionResource();

/// A value of the version string block ("FileVersion", "ProductVersion",
/// "InternalName"); empty when the block holds no such key.
QString versionResourceValue(const QString &key);
