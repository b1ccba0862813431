#include "platform/BStr.h"
#include "platform/MessageBox.h"

#include <QList>
#include <gtest/gtest.h>

TEST(bstr_test, layout_is_length_prefixed_and_terminated)
{
    const OLECHAR text[] = u"Hallo";
    BSTR s = SysAllocString(text);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 5u);
    std::uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<const char *>(s) - 4, 4);
    EXPECT_EQ(prefix, 10u);
    EXPECT_EQ(std::memcmp(s, text, sizeof text), 0);
    SysFreeString(s);

    // An embedded NUL is part of the text; the length says where it ends.
    const OLECHAR withNul[] = {u'a', 0, u'b'};
    BSTR t = SysAllocStringLen(withNul, 3);
    EXPECT_EQ(SysStringLen(t), 3u);
    EXPECT_EQ(t[3], u'\0');
    EXPECT_EQ(BStr::toQString(t), QStringView(withNul, 3).toString());
    SysFreeString(t);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(BStr::toQString(nullptr), QString());
}

TEST(message_box_test, handler_answers_instead_of_the_dialog)
{
    QList<MessageRequest> seen;
    const MessageHandler previous = setMessageHandler([&](const MessageRequest &request) {
        seen.append(request);
        return request.buttons == MsgButtons::OkCancel ? vbCancel : vbOK;
    });
    EXPECT_EQ(MsgBox(QStringLiteral("C:\\Data\\Dev049.HTM: File not found !")), vbOK);
    EXPECT_EQ(MsgBox(QStringLiteral("Go?"), MsgButtons::OkCancel, MsgIcon::Warning, QStringLiteral("T")),
              vbCancel);
    setMessageHandler(previous);

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].title, QStringLiteral("Quiravel"));
    EXPECT_EQ(seen[0].text, QStringLiteral("C:\\Data\\Dev049.HTM: File not found !"));
    EXPECT_EQ(seen[0].icon, MsgIcon::None);
    EXPECT_EQ(seen[1].title, QStringLiteral("T"));
    EXPECT_EQ(seen[1].icon, MsgIcon::Warning);
}
