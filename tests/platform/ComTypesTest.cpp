#include "platform/BStr.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/SystemInfo.h"

#include <QCoreApplication>
#include <QMetaObject>
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

TEST(enum_entry_array_test, entries_start_cleared_and_texts_are_freed_with_the_array)
{
    EnumEntryArray *array = EnumEntryArrayCreate(1, 3);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->lowerBound, 1);
    ASSERT_EQ(array->count, 3u);
    for (std::uint32_t i = 0; i < array->count; ++i) {
        EXPECT_EQ(array->entries[i].value, 0);
        EXPECT_EQ(array->entries[i].text, nullptr);
    }
    array->entries[2] = {9, BStr::alloc(QStringLiteral("nine"))};
    EnumEntryArrayDestroy(array);
    EnumEntryArrayDestroy(nullptr);
}

TEST(com_error_test, description_defaults_to_the_status_text)
{
    const std::pair<HRESULT, QString> cases[] = {
        {E_FAIL, QStringLiteral("Unspecified error")},
        {DISP_E_OVERFLOW, QStringLiteral("Overflow")},
        {DISP_E_BADINDEX, QStringLiteral("Subscript out of range")},
        {static_cast<HRESULT>(0x800A0035u), QStringLiteral("File not found")},
        {static_cast<HRESULT>(0x8123ABCDu), QStringLiteral("Error 0x8123ABCD")},
    };
    for (const auto &[status, text] : cases) {
        const ComError error(status);
        EXPECT_EQ(error.status(), status);
        EXPECT_EQ(error.description(), text);
        EXPECT_STREQ(error.what(), text.toUtf8().constData());
    }
    EXPECT_EQ(ComError(E_INVALIDARG, QStringLiteral("mine")).description(), QStringLiteral("mine"));
    EXPECT_THROW(check(E_FAIL), ComError);
    EXPECT_EQ(check(S_FALSE), S_FALSE);
}

TEST(system_info_test, version_query_checks_the_structure_size)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_NE(GetVersionExA(&info), 0);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_GT(info.dwMajorVersion, 0u);

    OSVERSIONINFOA wrong{};
    wrong.dwOSVersionInfoSize = 100;
    EXPECT_EQ(GetVersionExA(&wrong), 0);
    EXPECT_EQ(wrong.dwPlatformId, 0u);
    EXPECT_EQ(GetVersionExA(nullptr), 0);
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

TEST(message_pump_test, pending_events_run_before_it_returns)
{
    int runs = 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ++runs; }, Qt::QueuedConnection);
    EXPECT_EQ(runs, 0);
    MessagePump::processPendingEvents();
    EXPECT_EQ(runs, 1);
}
