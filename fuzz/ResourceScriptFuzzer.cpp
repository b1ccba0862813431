// SPDX-License-Identifier: Apache-2.0
// The string-table compiler on any script: it either answers one error with a
// line inside the script, or compiles it; then every string it accepted must
// come back unchanged from the string block it was compiled into.
#include "platform/StringBlock.h"
#include "platform/StringResources.h"
#include "resources/rc/RcScript.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, unsigned language, unsigned id)
{
    std::fprintf(stderr, "%s (language %u, id %u)\n", what, language, id);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    Script script;
    try {
        script = parseScript(bytes);
    } catch (const RcError &error) {
        if (error.line < 1 || error.line > bytes.count('\n') + 1 || error.message.isEmpty())
            fail("error without a line of the script or a message", 0, unsigned(error.line));
        return 0;
    }

    for (const auto &[language, table] : script.strings) {
        for (const auto &[id, text] : table) {
            const std::vector<std::uint8_t> block = stringBlock(table, StringBlock::blockOf(id));
            QString read;
            if (!StringBlock::readEntry(block.data(), std::uint32_t(block.size()),
                                        StringBlock::positionOf(id), &read) ||
                read != text)
                fail("string does not survive its block", language, id);
        }
    }
    if (generate(script, QStringLiteral("fuzz.rc")).isEmpty())
        fail("nothing generated", 0, 0);
    listing(script);
    return 0;
}
