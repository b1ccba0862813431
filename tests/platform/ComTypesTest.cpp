// SPDX-License-Identifier: Apache-2.0
#include "platform/BStr.h"

#include <gtest/gtest.h>

TEST(bstr_test, layout_is_length_prefixed_and_terminated)
{
    // An embedded NUL is part of the text; the length says where it ends.
    const OLECHAR text[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(text, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    std::uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<const char *>(s) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(s[3], u'\0');
    EXPECT_EQ(BStr::toQString(s), QStringView(text, 3).toString());
    SysFreeString(s);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(BStr::toQString(nullptr), QString());
}
