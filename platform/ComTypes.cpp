// The allocation side of the shared binary conventions: BSTRs, enumeration
// arrays and the one exception type for failure statuses.
#include "ComTypes.h"
#include "ComError.h"

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

ComError::ComError(HRESULT hr, QString description)
    : m_hr(hr), m_description(description.isEmpty() ? describeStatus(hr) : std::move(description)),
      m_what(m_description.toStdString())
{
}

QString describeStatus(HRESULT hr)
{
    switch (static_cast<std::uint32_t>(hr)) {
    case 0x80004001u:
        return QStringLiteral("Not implemented");
    case 0x80004002u:
        return QStringLiteral("No such interface supported");
    case 0x80004003u:
        return QStringLiteral("Invalid pointer");
    case 0x80004005u:
        return QStringLiteral("Unspecified error");
    case 0x8000FFFFu:
        return QStringLiteral("Catastrophic failure");
    case 0x8007000Eu:
        return QStringLiteral("Out of memory");
    case 0x80070057u:
        return QStringLiteral("The parameter is incorrect");
    case 0x80070005u:
        return QStringLiteral("Permission denied");
    case 0x80070002u:
        return QStringLiteral("File not found");
    case 0x80070003u:
        return QStringLiteral("Path not found");
    case 0x800A0035u:
        return QStringLiteral("File not found");
    case 0x800A004Cu:
        return QStringLiteral("Path not found");
    case 0x800A0046u:
        return QStringLiteral("Permission denied");
    case 0x800A0039u:
        return QStringLiteral("Device I/O error");
    case 0x8002000Au:
    case 0x800A0006u:
        return QStringLiteral("Overflow");
    case 0x8002000Bu:
    case 0x800A0009u:
        return QStringLiteral("Subscript out of range");
    case 0x80040110u:
        return QStringLiteral("Class does not support aggregation");
    case 0x80040111u:
        return QStringLiteral("Class not available");
    case 0x80040154u:
        return QStringLiteral("Class not registered");
    case 0x80040201u:
        return QStringLiteral("Class registration failed");
    default:
        return QString::asprintf("Error 0x%08X", static_cast<unsigned>(hr));
    }
}
