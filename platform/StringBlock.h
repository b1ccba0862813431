// SPDX-License-Identifier: Apache-2.0
// The string-block format of string resources, written by the build-time
// resource compiler and read by the string lookups: sixteen counted strings,
// each a 16-bit length and its UTF-16LE units. String `id` is entry id % 16
// of block id / 16 + 1.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace StringBlock {

inline constexpr unsigned kEntryCount = 16;

/// The block that holds string `id`.
constexpr std::uint16_t blockOf(std::uint16_t id)
{
    return std::uint16_t(id / kEntryCount + 1);
}
/// The position of string `id` in its block.
constexpr unsigned positionOf(std::uint16_t id)
{
    return id % kEntryCount;
}

/// The block's bytes for its sixteen strings (an empty one for a string
/// the table does not hold).
QByteArray encode(const std::array<QString, kEntryCount> &texts);

/// Reads the string at `position` (0 to 15) of a block of `size` bytes into
/// `text`; false when the block ends before that string does.
bool readEntry(const void *block, std::uint32_t size, unsigned position, QString *text);

} // namespace StringBlock
