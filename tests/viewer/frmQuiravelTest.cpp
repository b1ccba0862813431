// The viewer window with a fake browser: loading, captions, layout, closing
// and the Help and Exit commands.
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

TEST_F(ViewerWindow, captions_follow_the_user_language_after_load)
{
    const QStringList entries{"datei_m",  "Drucken_m",   "Druckvorschau_m", "Beenden_m", "bearbeiten_m",
                              "srcValue", "scrDatabase", "scrShadow",       "m_Help"};
    const struct
    {
        const char *locale, *windowCaption;
        QStringList captions;
    } cases[] = {
        {"en_US.UTF-8",
         "Quiravel:  ",
         {"&File", "&Print", "P&rint Preview", "&Exit", "&View", "&Application", "&Database", "&Device",
          "&Help"}},
        {"de_DE.UTF-8",
         "HTML Seitenansicht:  ",
         {"&Datei", "&Drucken", "D&ruckvorschau", "&Beenden", "&Ansicht", QString::fromUtf8("&Oberfläche"),
          "&Datenbank", QString::fromUtf8("&Gerät"), "&Hilfe"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.locale);
        ScopedEnv language("LC_ALL", c.locale);
        TestOwner localOwner;
        frmQuiravel *w = localOwner.createWindow();
        EXPECT_EQ(w->windowTitle(), "Quiravel");
        w->Form_Load();
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8(c.windowCaption));
        for (int i = 0; i < entries.size(); ++i)
            EXPECT_EQ(w->menuEntry(entries[i])->text(), c.captions[i]) << entries[i].toStdString();
        EXPECT_EQ(w->menuEntry("leer0_m")->text(), "-");
        EXPECT_TRUE(w->menuEntry("leer0_m")->isSeparator());
        w->Unload();
    }
    flushDeletes();
}

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

TEST_F(ViewerWindow, missing_template_entry_shows_1136_and_keeps_the_window)
{
    owner.fileName.clear();
    ASSERT_TRUE(window->ShowWindow());
    EXPECT_EQ(messages.texts(),
              QStringList{"The entry \"PrintTemplateFile\" in the KQD-file is NOT available !"});
    EXPECT_EQ(messages.shown.value(0).title, "Quiravel");
    EXPECT_TRUE(browser()->navigations.isEmpty());
    EXPECT_FALSE(window->isUnloaded());
    EXPECT_EQ(owner.releaseCount, 0);
}

TEST_F(ViewerWindow, browser_failure_at_load_shows_1143_and_closes_the_window)
{
    enum Failure { Create, Properties, Navigate };
    for (Failure failure : {Create, Properties, Navigate}) {
        SCOPED_TRACE(int(failure));
        MessageRecorder local;
        TestOwner localOwner;
        registration.failCreate = failure == Create;
        registration.setup = [failure](FakeBrowser &b) {
            b.failProperties = failure == Properties;
            b.failNavigate = failure == Navigate;
        };
        QPointer<frmQuiravel> w = localOwner.createWindow();
        EXPECT_FALSE(w->ShowWindow());
        EXPECT_EQ(local.texts(), QStringList{"No (valid) Web Browser installation!"});
        EXPECT_TRUE(w->isUnloaded());
        EXPECT_EQ(w->WebBrowser1(), nullptr);
        EXPECT_EQ(localOwner.releaseCount, 1);
        flushDeletes();
        EXPECT_TRUE(w.isNull());
    }
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

TEST_F(ViewerWindow, close_box_exit_and_unload_detach_the_owner_once)
{
    enum Way { CloseBox, Exit, UnloadCall };
    for (Way way : {CloseBox, Exit, UnloadCall}) {
        SCOPED_TRACE(int(way));
        TestOwner localOwner;
        QPointer<frmQuiravel> w = localOwner.createWindow();
        ASSERT_TRUE(w->ShowWindow());
        QPointer<FakeBrowser> control = registration.last;
        if (way == CloseBox)
            w->close();
        else if (way == Exit)
            w->menuEntry("Beenden_m")->trigger();
        else
            w->Unload();
        // A second request changes nothing.
        w->Unload();

        EXPECT_EQ(localOwner.releaseCount, 1);
        EXPECT_EQ(w->owner(), nullptr);
        EXPECT_TRUE(w->isUnloaded());
        EXPECT_FALSE(w->isVisible());
        EXPECT_FALSE(w->ShowWindow());
        flushDeletes();
        EXPECT_TRUE(control.isNull());
        EXPECT_TRUE(w.isNull());
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
