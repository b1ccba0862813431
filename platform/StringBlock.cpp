// SPDX-License-Identifier: Apache-2.0
#include "platform/StringBlock.h"

namespace StringBlock {

QByteArray encode(const std::array<QString, kEntryCount> &texts)
{
    QByteArray bytes;
    const auto put = [&bytes](char16_t unit) {
        bytes.append(char(unit & 0xff));
        bytes.append(char(unit >> 8));
    };
    for (const QString &text : texts) {
        put(char16_t(text.size()));
        for (const QChar c : text)
            put(c.unicode());
    }
    return bytes;
}

bool readEntry(const void *block, std::uint32_t size, unsigned position, QString *text)
{
    if (!block || position >= kEntryCount)
        return false;
    const auto *bytes = static_cast<const std::uint8_t *>(block);
    std::uint32_t offset = 0;
    for (unsigned i = 0;; ++i) {
        if (size - offset < 2)
            return false;
        const std::uint32_t length = bytes[offset] | std::uint32_t(bytes[offset + 1]) << 8;
        offset += 2;
        if (size - offset < 2 * length)
            return false;
        if (i == position) {
            if (text) {
                text->resize(length);
                for (std::uint32_t c = 0; c < length; ++c)
                    (*text)[c] = QChar(char16_t(bytes[offset + 2 * c] | bytes[offset + 2 * c + 1] << 8));
            }
            return true;
        }
        offset += 2 * length;
    }
}

} // namespace StringBlock
