// SPDX-License-Identifier: Apache-2.0
// The numeric reading of an enumeration item's value text, checked against a
// second, plainly written reading: drop every blank, take the number at the
// start, round the fraction half to even.
#include "platform/ComError.h"
#include "printfile/TagSubstitution.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Expected
{
    bool overflow = false;
    std::int32_t number = 0;
};

Expected expectedNumber(const QString &text)
{
    QString compact;
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            compact += c;
    }
    qsizetype i = 0;
    bool negative = false;
    if (i < compact.size() && (compact[i] == u'-' || compact[i] == u'+'))
        negative = compact[i++] == u'-';
    auto isDigit = [&](qsizetype at) {
        return at < compact.size() && compact[at] >= u'0' && compact[at] <= u'9';
    };
    QString whole;
    while (isDigit(i))
        whole += compact[i++];
    QString fraction;
    if (i < compact.size() && compact[i] == u'.') {
        ++i;
        while (isDigit(i))
            fraction += compact[i++];
    }
    while (whole.startsWith(u'0'))
        whole.remove(0, 1);
    // Eleven significant digits are out of range even before rounding.
    if (whole.size() > 10)
        return {true, 0};
    std::int64_t magnitude = whole.isEmpty() ? 0 : whole.toLongLong();
    if (!fraction.isEmpty()) {
        const int first = fraction[0].unicode() - u'0';
        bool rest = false;
        for (qsizetype k = 1; k < fraction.size(); ++k)
            rest |= fraction[k] != u'0';
        if (first > 5 || (first == 5 && (rest || magnitude % 2 == 1)))
            ++magnitude;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return {true, 0};
    return {false, static_cast<std::int32_t>(value)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Expected expected = expectedNumber(text);
    bool overflow = false;
    std::int32_t number = 0;
    try {
        number = enumerationNumber(text);
    } catch (const ComError &error) {
        if (error.status() != DISP_E_OVERFLOW) {
            std::fprintf(stderr, "unexpected status 0x%08x\n", unsigned(error.status()));
            std::abort();
        }
        overflow = true;
    }
    if (overflow != expected.overflow || number != expected.number) {
        std::fprintf(stderr, "\"%s\": read %s%d, expected %s%d\n", text.toUtf8().constData(),
                     overflow ? "overflow " : "", number, expected.overflow ? "overflow " : "",
                     expected.number);
        std::abort();
    }
    return 0;
}
