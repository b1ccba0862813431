// SPDX-License-Identifier: Apache-2.0
// The resource script compiler's parts: reading a script into its string
// tables and version information, and turning them into the C++ source the
// component is built with. The quiravel_rc tool and the fuzzer share them.
//
// The script language is the familiar subset: LANGUAGE, STRINGTABLE (with
// load options and its own LANGUAGE), VERSIONINFO, // and /* */ comments and
// "#pragma code_page(65001)".
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

/// What is wrong with a script, and on which line.
struct RcError
{
    int line;
    QString message;
};

struct VersionInfo
{
    std::array<std::uint16_t, 4> fileVersion{};
    std::array<std::uint16_t, 4> productVersion{};
    QString block;
    std::vector<std::pair<QString, QString>> strings;
};

struct Script
{
    /// language -> id -> text
    std::map<std::uint16_t, std::map<std::uint16_t, QString>> strings;
    std::optional<VersionInfo> version;
};

/// The script in `bytes` (UTF-8, an optional byte order mark); throws RcError.
Script parseScript(const QByteArray &bytes);

/// One block: 16 counted strings, each a 16-bit length and its UTF-16LE units.
std::vector<std::uint8_t> stringBlock(const std::map<std::uint16_t, QString> &table, unsigned block);

/// The C++ source holding the script's string blocks and version information.
QString generate(const Script &script, const QString &scriptName);

/// One "language id text" line per string, line breaks and backslashes escaped.
QString listing(const Script &script);
