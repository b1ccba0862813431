// SPDX-License-Identifier: Apache-2.0
// The viewer window with a fake browser: loading, layout and the Help
// command (what the host sees of it is tested through the component).
#include "ViewerTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>

namespace {

class viewer_window_test : public FakeBrowserWindowTest
{
protected:
    void SetUp() override
    {
        owner.directory = "C:\\Data\\";
        FakeBrowserWindowTest::SetUp();
    }
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
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(window->menuEntry("Druckvorschau_m")->isVisible());
    // The caption names no data source yet: no command has run.
    EXPECT_EQ(window->windowTitle(), "Quiravel:  ");
    // Showing again neither loads nor creates anything new.
    EXPECT_TRUE(window->ShowWindow());
    EXPECT_EQ(registration.created, 1);
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
        messages.texts.clear();
        window->menuEntry(entry)->trigger();
        ASSERT_TRUE(window);
        // The database command asks first; nothing follows the failed load.
        EXPECT_EQ(messages.texts.size(), QString(entry) == "scrDatabase" ? 1 : 0) << entry;
        EXPECT_FALSE(messages.texts.join('|').contains("Permission denied"));
        EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    }
}

} // namespace
