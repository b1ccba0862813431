// SPDX-License-Identifier: Apache-2.0
// What keeps the host process safe: each view talks to its own host sink,
// and a failed release reaches the host wherever the window closes.
#include "ComponentFixture.h"

class host_safety_test : public ComponentFixture
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        openDevice("<p>#VALUE#</p>\r\n");
    }
};

TEST_F(host_safety_test, each_view_hears_only_its_own_messages_whatever_order_they_go_in)
{
    // A second device open in the same frame, with its own view.
    DeviceModel otherModel;
    ASSERT_TRUE(QDir(dir.path()).mkdir("other"));
    otherModel.setSettingEntry("PRINTTEMPLATEFILE", "Pump.htm");
    otherModel.setDescriptionPath(path("other/Pump.kqd"));
    writeBytes(path("other/Pump001.HTM"), "<p>#VALUE#</p>\r\n");
    ComPtr<View> other;
    ASSERT_EQ(clsQuiravel::create(IID_View, other.putVoid()), S_OK);
    std::int32_t result = 0;
    ASSERT_EQ(other->SetAppletItemManagRef(8, otherModel.itemManager().get(), &result), S_OK);
    otherModel.attachView(other.get());
    ASSERT_EQ(other->Show(&result), S_OK);

    auto firstSink = ComPtr<CallbackSink>::adopt(new CallbackSink);
    auto otherSink = ComPtr<CallbackSink>::adopt(new CallbackSink);
    ComPtr<IQuiravelAutomation> first = automation(view);
    ComPtr<IQuiravelAutomation> second = automation(other);
    ASSERT_EQ(first->Advise(firstSink.get()), S_OK);
    ASSERT_EQ(second->Advise(otherSink.get()), S_OK);
    const BStr help(QStringLiteral("m_Help"));
    const QString helpText = GetLocalString(100) + GetLocalString(99);

    ASSERT_EQ(first->RunCommand(help.get()), S_OK);
    EXPECT_EQ(firstSink->texts, QStringList{helpText});
    EXPECT_TRUE(otherSink->texts.isEmpty());
    ASSERT_EQ(second->RunCommand(help.get()), S_OK);
    EXPECT_EQ(otherSink->texts, QStringList{helpText});

    // The first view un-advised: the other keeps its sink, the first one's
    // boxes are shown (the process's box service answers them here).
    ASSERT_EQ(first->Advise(nullptr), S_OK);
    ASSERT_EQ(second->RunCommand(help.get()), S_OK);
    EXPECT_EQ(otherSink->texts.size(), 2);
    ASSERT_EQ(first->RunCommand(help.get()), S_OK);
    EXPECT_EQ(firstSink->texts.size(), 1);
    EXPECT_EQ(messages, QStringList{helpText});

    // Released in creation order: the survivor still reaches its sink, and
    // nothing of the first view is left behind in the process.
    ASSERT_EQ(first->Advise(firstSink.get()), S_OK);
    first.reset();
    ASSERT_EQ(view->Destroy(&result), S_OK);
    EXPECT_EQ(view.detach()->Release(), 0u);
    flushDeletes();
    ASSERT_EQ(second->RunCommand(help.get()), S_OK);
    EXPECT_EQ(otherSink->texts.size(), 3);
    second.reset();
    ASSERT_EQ(other->Destroy(&result), S_OK);
    EXPECT_EQ(other.detach()->Release(), 0u);
    flushDeletes();

    EXPECT_EQ(MsgBox("after"), vbOK);
    EXPECT_EQ(messages.last(), "after");
    EXPECT_EQ(firstSink->texts.size(), 1);
    EXPECT_EQ(firstSink.detach()->Release(), 0u) << "a released view kept its sink";
    EXPECT_EQ(otherSink.detach()->Release(), 0u) << "a released view kept its sink";
}

TEST_F(host_safety_test, a_failure_status_of_the_host_s_release_is_the_result_of_the_closing_call)
{
    std::int32_t result = 0;
    model.failOperation("ReleaseView", E_ACCESSDENIED);
    EXPECT_EQ(view->Destroy(&result), E_ACCESSDENIED);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(component()->window(), nullptr) << "the window closed all the same";
    EXPECT_EQ(model.releaseViewCount(), 1);

    // The window that closes itself when its browser cannot be set up.
    model.clearFaults();
    model.failOperation("ReleaseView", E_ACCESSDENIED);
    browsers.failCreate = true;
    ASSERT_EQ(attach(), S_OK);
    EXPECT_EQ(show(), E_ACCESSDENIED);
    EXPECT_EQ(component()->window(), nullptr);
    EXPECT_EQ(model.releaseViewCount(), 2);

    // A user's close has no caller to tell.
    model.clearFaults();
    browsers.failCreate = false;
    ASSERT_EQ(attach(), S_OK);
    ASSERT_EQ(show(), S_OK);
    model.failOperation("ReleaseView", E_ACCESSDENIED);
    window()->close();
    EXPECT_EQ(component()->window(), nullptr);
    EXPECT_EQ(model.releaseViewCount(), 3);

    model.clearFaults();
    model.attachView(nullptr); // a failed release left the host holding the view
}
