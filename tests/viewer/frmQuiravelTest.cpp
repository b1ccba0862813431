// The viewer window with a fake browser: loading, layout and the Help
// command (what the host sees of it is tested through the component).
#include "ViewerTestSupport.h"
#include "tests/support/FakeBrowser.h"
#include "viewer/FormLayout.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace {

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class viewer_window_test : public ::testing::Test
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

TEST_F(viewer_window_test, load_creates_a_hidden_offline_browser_and_navigates_to_the_template)
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

TEST_F(viewer_window_test, help_shows_the_file_section_then_the_view_section)
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

namespace {

TEST_F(viewer_window_test, caption_after_load_is_1146_alone)
{
    for (const char *locale : {"en_US.UTF-8", "de_DE.UTF-8"}) {
        ScopedEnv language("LC_ALL", locale);
        TestOwner localOwner;
        QPointer<frmQuiravel> w = localOwner.createWindow();
        ASSERT_TRUE(w->ShowWindow());
        EXPECT_EQ(w->windowTitle(),
                  QString::fromLatin1(locale[0] == 'e' ? "Quiravel:  " : "HTML Seitenansicht:  "));
        w->Unload();
        flushDeletes();
    }
}

TEST_F(viewer_window_test, browser_follows_the_shown_window_between_menu_and_status_bar)
{
    ASSERT_TRUE(window->ShowWindow());
    QWidget *view = browser()->widget();
    for (const QSize size : {QSize(640, 480), QSize(300, 700), QSize(900, 250)}) {
        window->resize(size);
        QCoreApplication::processEvents();
        ASSERT_EQ(window->size(), size);
        EXPECT_EQ(view->width(), size.width());
        EXPECT_EQ(view->mapTo(window.data(), QPoint(0, 0)).y(), window->menuBar()->height());
        EXPECT_EQ(view->mapTo(window.data(), QPoint(0, view->height())).y(), window->StatusBar1()->y());
    }
}

TEST_F(viewer_window_test, status_text_is_plain_one_line_and_never_widens_the_window)
{
    ASSERT_TRUE(window->ShowWindow());
    QCoreApplication::processEvents();
    auto *label = window->StatusBar1()->findChild<QLabel *>();
    ASSERT_NE(label, nullptr);
    const QSize minimum = window->minimumSizeHint();
    const int width = window->width();

    window->setStatusText("<b>x</b>");
    EXPECT_EQ(label->text(), "<b>x</b>");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);

    window->setStatusText("first\nsecond");
    EXPECT_EQ(window->statusText(), "first\nsecond");
    EXPECT_EQ(label->text(), "first second");

    const QString link = "file:///" + QString(392, 'a');
    ASSERT_EQ(link.size(), 400);
    window->setStatusText(link);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->statusText(), link);
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    EXPECT_EQ(window->minimumSizeHint(), minimum);
    EXPECT_EQ(window->width(), width);
}

TEST_F(viewer_window_test, busy_pointer_stays_on_the_view_window)
{
    ASSERT_TRUE(window->ShowWindow());
    QWidget hostWindow;
    hostWindow.show();
    bool checked = false;
    owner.onLoad = [&](std::int32_t) {
        // Inside the load, as during an upload wait that does not end.
        checked = true;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(hostWindow.cursor().shape(), Qt::ArrowCursor);
        return false;
    };
    window->menuEntry("srcValue")->trigger();
    EXPECT_TRUE(checked);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(viewer_window_test, a_failure_status_ends_a_menu_command_without_a_message)
{
    ScopedEnv language("LC_ALL", "de_DE.UTF-8");
    ASSERT_TRUE(window->ShowWindow());
    owner.onLoad = [](std::int32_t) -> bool { throw ComError(E_ACCESSDENIED, "Permission denied"); };
    for (const char *entry : {"srcValue", "scrDatabase"}) {
        messages.shown.clear();
        window->menuEntry(entry)->trigger();
        ASSERT_TRUE(window);
        // The database command asks first; nothing follows the failed load.
        EXPECT_EQ(messages.shown.size(), QString(entry) == "scrDatabase" ? 1 : 0) << entry;
        for (const MessageRequest &request : messages.shown)
            EXPECT_FALSE(request.text.contains("Permission denied"));
        EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    }
}

} // namespace
