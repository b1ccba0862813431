// The viewer window with a fake browser: loading, layout and the Help
// command (what the host sees of it is tested through the component).
#include "ViewerTestSupport.h"
#include "tests/support/FakeBrowser.h"
#include "viewer/FormLayout.h"

#include <QAction>
#include <QApplication>
#include <gtest/gtest.h>

namespace {

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class ViewerWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        owner.directory = QStringLiteral("C:\\Data\\");
        window = owner.createWindow();
    }
    void TearDown() override
    {
        if (window)
            window->Unload();
        flushDeletes();
    }

    FakeBrowser *browser() const { return registration.last; }

    ScopedEnv locale{"LC_ALL", "en_US.UTF-8"};
    FakeBrowserRegistration registration;
    MessageRecorder messages;
    TestOwner owner;
    QPointer<frmQuiravel> window;
};

TEST_F(ViewerWindow, load_creates_a_hidden_offline_browser_and_navigates_to_the_template)
{
    ASSERT_TRUE(window->ShowWindow());
    ASSERT_NE(browser(), nullptr);
    EXPECT_EQ(browser()->widget()->parentWidget(), window->centralWidget());
    EXPECT_FALSE(browser()->widget()->isVisible());
    EXPECT_TRUE(browser()->registerAsBrowser);
    EXPECT_FALSE(browser()->registerAsDropTarget);
    EXPECT_TRUE(browser()->offlineValue);
    EXPECT_EQ(browser()->navigations, QStringList{"C:\\Data\\Dev001.HTM"});
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_FALSE(window->menuEntry("Druckvorschau_m")->isVisible());

    // Showing again neither loads nor creates anything new.
    EXPECT_TRUE(window->ShowWindow());
    EXPECT_EQ(registration.created, 1);
}

TEST(viewer_layout_test, browser_size_follows_the_client_area_within_limits)
{
    const struct
    {
        int width, height, top;
        BrowserGeometry expected;
    } cases[] = {
        {4, 1000, 0, {77, 625}},   // width 4 is too narrow
        {5, 1000, 0, {5, 625}},    // width 5 is taken exactly
        {0, 0, 0, {77, 88}},       // minimised
        {800, 376, 0, {800, 88}},  // one unit left: height stays
        {800, 377, 0, {800, 2}},   // two units left: height 2
        {800, 500, 30, {800, 95}}, //
        {800, 406, 30, {800, 88}},
    };
    for (const auto &c : cases) {
        const BrowserGeometry result = layoutBrowser(c.width, c.height, c.top, 375, {77, 88});
        EXPECT_EQ(result.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(result.height, c.expected.height) << c.width << "x" << c.height;
    }
}

TEST_F(ViewerWindow, help_shows_the_file_section_then_the_view_section)
{
    window->menuEntry("m_Help")->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    const QString text = messages.shown[0].text;
    EXPECT_EQ(messages.shown[0].title, "Quiravel");
    EXPECT_TRUE(text.startsWith("File\r\n  Print\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains(
        "    Close the Quiravel.\r\n----------------------------------------------\r\nView\r\n"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("!!! Attention, the actual application data of the DTM will be overwrite !!!"));
}

} // namespace
