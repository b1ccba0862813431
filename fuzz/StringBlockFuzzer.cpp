// SPDX-License-Identifier: Apache-2.0
// The string-block reader, on a block of any bytes: each of the 16 positions
// is read straight from the block and through the platform's lookup of a
// module that holds the block in two languages; both must agree, stay inside
// the block and free every resource they load. The component's own lookup in
// one language reads the same.
#include "platform/ComError.h"
#include "platform/StringBlock.h"
#include "platform/StringResources.h"
#include "resources/Toolkit_LoadResource.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, unsigned position)
{
    std::fprintf(stderr, "%s (position %u)\n", what, position);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 0xffffff)
        return -1;
    const auto bytes = static_cast<std::uint32_t>(size);
    // Block 1 holds ids 0 to 15, block 2 ids 16 to 31.
    const ResourceEntry entries[] = {
        {RT_STRING, 1, 1033, data, bytes},
        {RT_STRING, 2, 1031, data, bytes},
    };
    const ResourceModule module = {entries, std::size(entries)};

    std::uint32_t used = 0;
    for (unsigned position = 0; position < 16; ++position) {
        QString text;
        const bool found = StringBlock::readEntry(data, bytes, position, &text);
        if (found) {
            // Every string before it and its own length field and units lie inside.
            used += 2 + 2 * std::uint32_t(text.size());
            if (used > bytes)
                fail("string read past the block's end", position);
            for (qsizetype c = 0; c < text.size(); ++c) {
                const std::uint32_t at = used - 2 * std::uint32_t(text.size() - c);
                if (text[c].unicode() != (data[at] | data[at + 1] << 8))
                    fail("text differs from the block's units", position);
            }
        }
        if (StringBlock::readEntry(data, bytes, position, nullptr) != found)
            fail("reading without a text answers differently", position);

        for (const unsigned id : {position, position + 16}) {
            QString loaded;
            bool loadedFound = true;
            try {
                loaded = LoadResString(&module, std::uint16_t(id));
            } catch (const ComError &error) {
                if (error.status() != E_INVALIDARG)
                    fail("unexpected status", position);
                loadedFound = false;
            }
            if (loadedFound != found || loaded != text)
                fail("LoadResString differs from the block", position);
        }
        QString exact;
        if (FindLocalString(&module, std::uint16_t(position), 1033, &exact) != found || exact != text)
            fail("FindLocalString differs from the block", position);
        if (FindLocalString(&module, std::uint16_t(position + 16), 1033, &exact))
            fail("FindLocalString found a block in a language it lacks", position);
        if (!found)
            break;
    }
    if (StringBlock::readEntry(data, bytes, 16, nullptr))
        fail("a seventeenth string", 16);
    if (loadedResourceCount() != 0)
        fail("a loaded resource was not freed", 0);
    return 0;
}
