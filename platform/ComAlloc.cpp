// SPDX-License-Identifier: Apache-2.0
// The allocation side of the shared binary conventions: BSTRs and
// enumeration arrays. Plain C++ without Qt, so that hosts can link it too.
#include "ComTypes.h"

#include <cstdlib>
#include <new>

namespace {
// The byte length sits in the four bytes before the first character.
std::uint32_t *headerOf(BSTR text)
{
    return reinterpret_cast<std::uint32_t *>(text) - 1;
}
} // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR *text, std::uint32_t length)
{
    const std::size_t bytes = std::size_t(length) * sizeof(OLECHAR);
    if (bytes > 0xFFFFFFF0u)
        return nullptr;
    auto *block = static_cast<std::uint32_t *>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    block[0] = static_cast<std::uint32_t>(bytes);
    auto *chars = reinterpret_cast<OLECHAR *>(block + 1);
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const OLECHAR *text)
{
    if (!text)
        return nullptr;
    std::uint32_t length = 0;
    while (text[length])
        ++length;
    return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(headerOf(text));
}

std::uint32_t SysStringLen(BSTR text)
{
    return text ? *headerOf(text) / sizeof(OLECHAR) : 0;
}

EnumEntryArray *EnumEntryArrayCreate(std::int32_t lowerBound, std::uint32_t count)
{
    auto *array = new (std::nothrow) EnumEntryArray{lowerBound, count, nullptr};
    if (!array)
        return nullptr;
    if (count > 0) {
        array->entries = new (std::nothrow) EnumEntry[count]();
        if (!array->entries) {
            delete array;
            return nullptr;
        }
    }
    return array;
}

void EnumEntryArrayDestroy(EnumEntryArray *array)
{
    if (!array)
        return;
    for (std::uint32_t i = 0; i < array->count; ++i)
        SysFreeString(array->entries[i].text);
    delete[] array->entries;
    delete array;
}

} // extern "C"
