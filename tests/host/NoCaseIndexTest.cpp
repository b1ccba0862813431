// SPDX-License-Identifier: Apache-2.0
#include "host/NoCaseIndex.h"

#include <gtest/gtest.h>

namespace {

/// Names that QString::compare matches without regard to case, in pairs of
/// different spellings: ASCII of every length the hash reads in one word or
/// in its tail, and names beyond ASCII.
const std::pair<QString, QString> kSameNames[] = {
    {QStringLiteral("a"), QStringLiteral("A")},
    {QStringLiteral("FlowUnit"), QStringLiteral("FLOWUNIT")},
    {QStringLiteral("Device_Serial_No7"), QStringLiteral("device_serial_no7")},
    {QStringLiteral("Größe"), QStringLiteral("GRÖßE")},
    {QStringLiteral("Température"), QStringLiteral("TEMPÉRATURE")},
    {QStringLiteral("Давление"), QStringLiteral("ДАВЛЕНИЕ")},
    {QStringLiteral("Stufe \U00010428"), QStringLiteral("STUFE \U00010400")}, // beyond the BMP
};

} // namespace

TEST(no_case_index_test, names_equal_without_regard_to_case_hash_alike)
{
    const NoCaseHash hash;
    const NoCaseEqual equal;
    for (const auto &[a, b] : kSameNames) {
        ASSERT_EQ(a.compare(b, Qt::CaseInsensitive), 0) << qPrintable(a);
        EXPECT_TRUE(equal(a, b)) << qPrintable(a);
        EXPECT_EQ(hash(a), hash(b)) << qPrintable(a);
    }
    // Names that differ only beyond ASCII, or only in their last unit, stay apart.
    EXPECT_FALSE(equal(u"Größe", u"Grösse"));
    EXPECT_FALSE(equal(u"Давление", u"Давлениe")); // a Latin e at the end
    EXPECT_FALSE(equal(u"FlowUnit1", u"FlowUnit2"));
}
