// SPDX-License-Identifier: Apache-2.0
// String resources of a module in the platform's string-block format, with
// the platform's find/load/lock/free calls.
//
// A string block holds 16 counted strings in a row: a 16-bit length, then
// that many UTF-16 code units without terminator (length 0 = no string).
// Block number = id / 16 + 1, position = id % 16. Blocks are stored per
// language; the resource compiler (resources/) produces them at build time.
#pragma once

#include "ComTypes.h"

#include <QString>
#include <cstdint>

struct ResourceEntry
{
    std::uint16_t type; ///< RT_STRING for string blocks
    std::uint16_t name; ///< block number
    LANGID language;
    const std::uint8_t *data;
    std::uint32_t size;
};

struct ResourceModule
{
    const ResourceEntry *entries;
    std::size_t count;
};

using HMODULE = const ResourceModule *;
using HRSRC = const ResourceEntry *;
using HGLOBAL = const struct LoadedResource *;

inline constexpr std::uint16_t RT_STRING = 6;
inline const char *MAKEINTRESOURCEA(std::uint16_t id)
{
    return reinterpret_cast<const char *>(std::uintptr_t(id));
}

/// Language 0 (neutral) lets the lookup pick among the languages present:
/// neutral itself, then the user's language, then 1033, then the first.
HRSRC FindResourceExA(HMODULE module, const char *type, const char *name, LANGID language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const void *LockResource(HGLOBAL loaded);
std::uint32_t SizeofResource(HMODULE module, HRSRC resource);
/// Non-zero when the resource was still loaded; each load is freed once.
std::int32_t FreeResource(HGLOBAL loaded);

/// Reads string `id` from the string block `block` of `module` (found for
/// that id) into `text`; the block is loaded for the read and freed after.
/// False when it cannot be loaded or ends before that string does.
bool ReadBlockString(HMODULE module, HRSRC block, std::uint16_t id, QString *text);

/// The platform's own string lookup for a module (no language given): throws
/// ComError(E_INVALIDARG, "Resource with identifier 'N' not found") for an id
/// the module does not hold.
QString LoadResString(HMODULE module, std::uint16_t id);

/// How many loaded resources are not freed yet.
int loadedResourceCount();
