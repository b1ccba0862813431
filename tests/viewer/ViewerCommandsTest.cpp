// The viewer window's commands with a fake browser: the print
// file, reports, printing and the browser's events.
#include "ViewerTestSupport.h"
#include "tests/support/FakeBrowser.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class viewer_commands_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        owner.directory = directory.path() + QLatin1Char('/');
        QFile file(owner.directory + owner.fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html>\r\n<p>#VENDOR#</p>\r\n\r\n<p>#UNKNOWN# and #VENDOR#</p>\r\n</html>\r\n");
        owner.tags.insert(QStringLiteral("#VENDOR#"), QStringLiteral("Acme"));
        window = owner.createWindow();
        ASSERT_TRUE(window->ShowWindow());
        ASSERT_NE(browser(), nullptr);
        messages.shown.clear();
    }
    void TearDown() override
    {
        if (window) {
            EXPECT_NE(window->cursor().shape(), Qt::WaitCursor) << "busy pointer left behind";
            window->Unload();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString printFile() const { return owner.directory + QStringLiteral("DevPRN.HTM"); }
    FakeBrowser *browser() const { return registration.last; }
    bool browserVisible() const { return !browser()->widget()->isHidden(); }
    QString checkedEntries() const
    {
        QStringList names;
        for (const char *name : {"srcValue", "scrDatabase", "scrShadow"})
            if (window->menuEntry(name)->isChecked())
                names.append(name);
        return names.join(',');
    }

    ScopedEnv locale{"LC_ALL", "en_US.UTF-8"};
    QTemporaryDir directory;
    FakeBrowserRegistration registration;
    MessageRecorder messages;
    TestOwner owner;
    QPointer<frmQuiravel> window;
};

TEST_F(viewer_commands_test, missing_template_names_its_full_path_and_leaves_the_view_alone)
{
    owner.fileName = QStringLiteral("Gone001.HTM");
    const int navigations = browser()->navigations.size();
    window->MakeTemplatePrintFile();
    EXPECT_EQ(messages.texts(), QStringList{owner.directory + "Gone001.HTM: File not found !"});
    EXPECT_EQ(window->printFilePath(), "");
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_FALSE(browserVisible());
}

TEST_F(viewer_commands_test, report_is_written_and_shown_or_its_error_reported)
{
    auto *deviceReport = window->findChild<QAction *>("deviceReport");
    ASSERT_NE(deviceReport, nullptr);
    deviceReport->trigger();
    EXPECT_EQ(owner.loads, QList<std::int32_t>{2});
    EXPECT_EQ(owner.reportPaths, QStringList{owner.directory + "REPORT.HTM"});
    EXPECT_EQ(browser()->navigations.last(), owner.directory + "REPORT.HTM");
    EXPECT_TRUE(messages.shown.isEmpty());

    owner.reportError = QStringLiteral("Path not found");
    const int navigations = browser()->navigations.size();
    window->ShowApplicationReport();
    EXPECT_EQ(messages.texts(), QStringList{"Error :Path not found"});
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_EQ(window->statusText(), "");
}

TEST_F(viewer_commands_test, a_window_closed_at_its_report_error_is_not_touched_again)
{
    owner.reportError = QStringLiteral("Path not found");
    QString statusAtClose;
    const MessageHandler recorder = setMessageHandler([&](const MessageRequest &) {
        statusAtClose = window->statusText();
        window->Unload();
        return vbOK;
    });
    window->ShowDeviceReport();
    setMessageHandler(recorder);
    ASSERT_FALSE(statusAtClose.isEmpty());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->statusText(), statusAtClose);
    delete window.data();
}

TEST_F(viewer_commands_test, print_commands_ask_the_browser_first)
{
    enum Query { Enabled, Disabled, Fails };
    const struct
    {
        const char *entry;
        std::int32_t command;
        Query query;
        bool execFails;
        std::int32_t expectedOption; // -1: ExecWB must not run
        const char *message;
    } cases[] = {
        {"Drucken_m", OLECMDID_PRINT, Enabled, false, OLECMDEXECOPT_PROMPTUSER, nullptr},
        {"Drucken_m", OLECMDID_PRINT, Disabled, false, -1, "The Print command is currently disabled!"},
        {"Drucken_m", OLECMDID_PRINT, Fails, false, -1, nullptr},
        {"Drucken_m", OLECMDID_PRINT, Enabled, true, OLECMDEXECOPT_PROMPTUSER, nullptr},
        {"Druckvorschau_m", OLECMDID_PRINTPREVIEW, Enabled, false, OLECMDEXECOPT_DODEFAULT, nullptr},
        {"Druckvorschau_m", OLECMDID_PRINTPREVIEW, Disabled, false, -1,
         "The Print Preview command is only available with Internet Explorer 5.5 or higher!"},
    };
    window->srcValue_Click();
    window->menuEntry("Druckvorschau_m")->setEnabled(true);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << " " << c.query << " " << c.execFails);
        messages.shown.clear();
        browser()->execCalls.clear();
        browser()->failingQueries.clear();
        browser()->statusFlags[c.command] = c.query == Enabled ? 3 : 1;
        if (c.query == Fails)
            browser()->failingQueries.insert(c.command);
        browser()->failExec = c.execFails;

        window->menuEntry(c.entry)->trigger();

        EXPECT_EQ(browser()->queries.last(), c.command);
        if (c.expectedOption < 0) {
            EXPECT_TRUE(browser()->execCalls.isEmpty());
        } else {
            ASSERT_EQ(browser()->execCalls.size(), 1);
            EXPECT_EQ(browser()->execCalls[0].command, c.command);
            EXPECT_EQ(browser()->execCalls[0].option, c.expectedOption);
            EXPECT_EQ(browser()->execCalls[0].in.toString(), printFile());
        }
        EXPECT_EQ(messages.texts(), c.message ? QStringList{c.message} : QStringList{});
    }
}

TEST_F(viewer_commands_test, progress_and_status_events_become_the_status_text)
{
    const struct
    {
        const char *locale;
        qint64 progress, progressMax;
        const char *expected; // nullptr: the text stays
    } cases[] = {
        {"en_US.UTF-8", 50, 200, "25 %"},
        {"en_US.UTF-8", 1, 3, "33.3333333333333 %"},
        {"de_DE.UTF-8", 1, 3, "33,3333333333333 %"},
        {"en_US.UTF-8", -1, 100, ""},
        {"en_US.UTF-8", 7, 0, ""},
        {"en_US.UTF-8", 21474836, 1, "2147483600 %"},
        {"en_US.UTF-8", 21474837, 1, nullptr},
        {"en_US.UTF-8", 1, 2147483647, "4.6566128752458E-08 %"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.progress << "/" << c.progressMax << " " << c.locale);
        ScopedEnv language("LC_ALL", c.locale);
        window->setStatusText(QStringLiteral("before"));
        browser()->raise("ProgressChange", {{"Progress", c.progress}, {"ProgressMax", c.progressMax}});
        EXPECT_EQ(window->statusText(),
                  c.expected ? QString::fromUtf8(c.expected) : QStringLiteral("before"));
    }

    browser()->raise("StatusTextChange", {{"Text", "file:///x.htm"}});
    EXPECT_EQ(window->statusText(), "file:///x.htm");
    browser()->raise("statustextchange", {{"Text", "ignored"}});
    EXPECT_EQ(window->statusText(), "file:///x.htm");
}

TEST_F(viewer_commands_test, first_completed_navigation_decides_the_preview_entry_once)
{
    const struct
    {
        std::int32_t first; // -1: the query fails
        std::int32_t second;
        bool offered;
    } cases[] = {{3, 1, true}, {1, 3, false}, {-1, 3, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        FakeBrowserRegistration fresh;
        TestOwner localOwner;
        QPointer<frmQuiravel> w = localOwner.createWindow();
        w->Form_Load();
        FakeBrowser *b = fresh.last;
        if (c.first < 0)
            b->failingQueries.insert(OLECMDID_PRINTPREVIEW);
        else
            b->statusFlags[OLECMDID_PRINTPREVIEW] = c.first;
        b->raise("NavigateComplete2", {{"URL", "file:///a"}});
        EXPECT_TRUE(w->previewChecked());
        b->failingQueries.clear();
        b->statusFlags[OLECMDID_PRINTPREVIEW] = c.second;
        b->raise("NavigateComplete2", {{"URL", "file:///b"}});

        EXPECT_EQ(w->menuEntry("Druckvorschau_m")->isVisible(), c.offered);
        EXPECT_EQ(w->menuEntry("Druckvorschau_m")->isEnabled(), c.offered);
        EXPECT_EQ(b->queries, QList<std::int32_t>{OLECMDID_PRINTPREVIEW});
        w->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(viewer_commands_test, the_progress_takes_its_decimal_separator_from_the_number_locale)
{
    const struct
    {
        const char *lcAll, *lcNumeric, *lcMessages, *lang;
        const char *expected;
    } cases[] = {
        {"", "de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", "33,3333333333333 %"},
        {"", "", "de_DE.UTF-8", "en_US.UTF-8", "33.3333333333333 %"},
        {"en_US.UTF-8", "de_DE.UTF-8", "", "", "33.3333333333333 %"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.lcAll << " / " << c.lcNumeric << " / " << c.lcMessages << " / " << c.lang);
        ScopedEnv env;
        env.set("LC_ALL", c.lcAll);
        env.set("LC_NUMERIC", c.lcNumeric);
        env.set("LC_MESSAGES", c.lcMessages);
        env.set("LANG", c.lang);
        browser()->raise("ProgressChange", {{"Progress", 1}, {"ProgressMax", 3}});
        EXPECT_EQ(window->statusText(), QString::fromUtf8(c.expected));
    }
}

} // namespace
