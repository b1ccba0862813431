// The viewer window's commands with a fake browser: data sources, the print
// file, reports, printing and the browser's events.
#include "ViewerTestSupport.h"
#include "tests/support/FakeBrowser.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ViewerCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        owner.directory = directory.path() + QLatin1Char('/');
        owner.fileName = QStringLiteral("Dev001.HTM");
        writeTemplate({"<html>", "<p>#VENDOR#</p>", "", "<p>#UNKNOWN# and #VENDOR#</p>", "</html>"});
        owner.tags.insert(QStringLiteral("#VENDOR#"), QStringLiteral("Acme"));
        window = new frmQuiravel;
        window->SetOwner(&owner);
        owner.window = window;
        ASSERT_TRUE(window->ShowWindow());
        ASSERT_NE(browser(), nullptr);
        messages.shown.clear();
    }
    void TearDown() override
    {
        if (window)
            window->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor left behind";
    }

    void writeTemplate(const QStringList &lines)
    {
        QFile file(owner.directory + owner.fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lines.join("\r\n").toLatin1() + "\r\n");
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

    LocaleOverride locale{"en_US.UTF-8"};
    QTemporaryDir directory;
    FakeBrowserRegistration registration;
    MessageRecorder messages;
    TestOwner owner;
    QPointer<frmQuiravel> window;
};

TEST_F(ViewerCommands, application_reloads_and_shows_the_filled_print_file)
{
    bool hiddenAndBusyDuringLoad = false;
    owner.onLoad = [&](std::int32_t) {
        hiddenAndBusyDuringLoad = !browserVisible() && QApplication::overrideCursor() &&
                                  QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        return true;
    };
    QString statusWhileFilling;
    owner.onTag = [&](const QString &) { statusWhileFilling = window->statusText(); };

    window->menuEntry("srcValue")->trigger();

    EXPECT_EQ(owner.loads, QList<std::int32_t>{0});
    EXPECT_TRUE(hiddenAndBusyDuringLoad);
    EXPECT_EQ(statusWhileFilling, "Generating printfile...");
    EXPECT_EQ(window->windowTitle(), "Quiravel:  Application data");
    EXPECT_EQ(checkedEntries(), "srcValue");
    EXPECT_EQ(window->printFilePath(), printFile());
    EXPECT_EQ(browser()->navigations.last(), printFile());
    EXPECT_TRUE(browserVisible());
    EXPECT_EQ(window->statusText(), "");
    EXPECT_TRUE(messages.shown.isEmpty());

    QFile written(printFile());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    // The line with an unknown tag is written as it was read.
    EXPECT_EQ(written.readAll(), "<html>\r\n<p>Acme</p>\r\n\r\n<p>#UNKNOWN# and #VENDOR#</p>\r\n</html>\r\n");
    EXPECT_EQ(window->Text1()->text(), "<p>#UNKNOWN# and #VENDOR#</p>");
}

TEST_F(ViewerCommands, database_prompt_cancelled_changes_nothing)
{
    window->srcValue_Click();
    const QString caption = window->windowTitle();
    const int navigations = browser()->navigations.size();
    messages.answer = vbCancel;

    window->menuEntry("scrDatabase")->trigger();

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "Attention, overwrite application data !");
    EXPECT_EQ(messages.shown[0].title, "Loading database...");
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(owner.loads, QList<std::int32_t>{0});
    EXPECT_EQ(window->windowTitle(), caption);
    EXPECT_EQ(checkedEntries(), "srcValue");
    EXPECT_TRUE(browserVisible());
    EXPECT_EQ(browser()->navigations.size(), navigations);
}

TEST_F(ViewerCommands, refused_database_load_names_the_database_but_keeps_the_browser_hidden)
{
    window->srcValue_Click();
    const int navigations = browser()->navigations.size();
    QString statusDuringLoad;
    owner.onLoad = [&](std::int32_t) {
        statusDuringLoad = window->statusText();
        return false;
    };

    window->scrDatabase_Click();

    EXPECT_EQ(owner.loads, QList<std::int32_t>({0, 1}));
    EXPECT_EQ(statusDuringLoad, "Loading database...");
    EXPECT_EQ(window->windowTitle(), "Quiravel:  Database data");
    EXPECT_EQ(checkedEntries(), "scrDatabase");
    EXPECT_FALSE(browserVisible());
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_EQ(window->statusText(), "");
}

TEST_F(ViewerCommands, device_command_stops_before_the_prompt_when_disconnected)
{
    const QString caption = window->windowTitle();
    owner.connected = false;

    window->menuEntry("scrShadow")->trigger();

    EXPECT_EQ(owner.connectionChecks, 1);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(owner.loads.isEmpty());
    EXPECT_EQ(window->windowTitle(), caption);
    EXPECT_EQ(checkedEntries(), "");
}

TEST_F(ViewerCommands, device_command_uploads_after_confirmation)
{
    QString statusDuringLoad;
    owner.onLoad = [&](std::int32_t) {
        statusDuringLoad = window->statusText();
        return true;
    };

    window->scrShadow_Click();

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Upload device data...");
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(owner.loads, QList<std::int32_t>{2});
    EXPECT_EQ(statusDuringLoad, "Upload device data...");
    EXPECT_EQ(window->windowTitle(), "Quiravel:  Device data");
    EXPECT_EQ(checkedEntries(), "scrShadow");
    EXPECT_EQ(browser()->navigations.last(), printFile());
}

TEST_F(ViewerCommands, closing_the_window_during_the_upload_wait_ends_the_command_quietly)
{
    const int navigations = browser()->navigations.size();
    owner.onLoad = [&](std::int32_t) {
        window->menuEntry("Beenden_m")->trigger();
        return true;
    };

    window->scrShadow_Click();

    EXPECT_EQ(owner.releaseCount, 1);
    EXPECT_EQ(browser() ? browser()->navigations.size() : navigations, navigations);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ViewerCommands, a_command_nested_in_the_upload_wait_runs_to_its_end)
{
    owner.onLoad = [&](std::int32_t mode) {
        if (mode == 2)
            window->menuEntry("srcValue")->trigger();
        return true;
    };

    window->scrShadow_Click();

    EXPECT_EQ(owner.loads, QList<std::int32_t>({2, 0}));
    EXPECT_EQ(checkedEntries(), "scrShadow");
    EXPECT_EQ(window->windowTitle(), "Quiravel:  Application data");
    EXPECT_EQ(browser()->navigations.mid(1), QStringList({printFile(), printFile()}));
}

TEST_F(ViewerCommands, missing_template_names_its_full_path_and_leaves_the_view_alone)
{
    owner.fileName = QStringLiteral("Gone001.HTM");
    const int navigations = browser()->navigations.size();

    window->MakeTemplatePrintFile();

    EXPECT_EQ(messages.texts(), QStringList{owner.directory + "Gone001.HTM: File not found !"});
    EXPECT_EQ(window->printFilePath(), "");
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_FALSE(browserVisible());
}

TEST_F(ViewerCommands, report_variants_reload_and_show_the_report_without_prompting)
{
    window->srcValue_Click();
    const QString caption = window->windowTitle();
    const struct
    {
        const char *shortcut;
        std::int32_t mode;
        const char *status;
    } cases[] = {
        {"applicationReport", 0, ""},
        {"databaseReport", 1, "Loading database..."},
        {"deviceReport", 2, "Upload device data..."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shortcut);
        owner.loads.clear();
        QString statusDuringLoad;
        owner.onLoad = [&](std::int32_t) {
            statusDuringLoad = window->statusText();
            return true;
        };
        auto *action = window->findChild<QAction *>(c.shortcut);
        ASSERT_NE(action, nullptr);
        EXPECT_FALSE(action->shortcut().isEmpty());
        action->trigger();

        EXPECT_EQ(owner.loads, QList<std::int32_t>{c.mode});
        EXPECT_EQ(statusDuringLoad, c.status);
        EXPECT_EQ(owner.reportPaths.last(), owner.directory + "REPORT.HTM");
        EXPECT_EQ(browser()->navigations.last(), owner.directory + "REPORT.HTM");
        EXPECT_EQ(window->windowTitle(), caption);
        EXPECT_EQ(checkedEntries(), "srcValue");
        EXPECT_EQ(window->statusText(), "");
    }
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(window->findChild<QAction *>("deviceReport")->shortcut(), QKeySequence("Ctrl+Shift+D"));
}

TEST_F(ViewerCommands, report_write_failure_shows_the_error_and_is_not_shown)
{
    owner.reportError = QStringLiteral("Path not found");
    owner.directory.clear();
    const int navigations = browser()->navigations.size();

    window->ShowApplicationReport();

    EXPECT_EQ(owner.reportPaths, QStringList{"REPORT.HTM"});
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "Error :Path not found");
    EXPECT_EQ(messages.shown[0].title, "Quiravel");
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_EQ(window->statusText(), "");
}

TEST_F(ViewerCommands, print_commands_ask_the_browser_first)
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
        SCOPED_TRACE(std::string(c.entry) + " " + std::to_string(c.query) + " " +
                     std::to_string(c.execFails));
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

TEST_F(ViewerCommands, progress_events_become_percent_texts)
{
    const struct
    {
        const char *locale;
        qint64 progress, progressMax;
        const char *expected; // nullptr: the text stays
    } cases[] = {
        {"en_US.UTF-8", 50, 200, "25 %"},
        {"en_US.UTF-8", 150, 100, "150 %"},
        {"en_US.UTF-8", -5, 100, "-5 %"},
        {"en_US.UTF-8", 1, 3, "33.3333333333333 %"},
        {"de_DE.UTF-8", 1, 3, "33,3333333333333 %"},
        {"de_DE.UTF-8", 50, 200, "25 %"},
        {"en_US.UTF-8", -1, 100, ""},
        {"en_US.UTF-8", -1, 0, ""},
        {"en_US.UTF-8", 7, 0, ""},
        {"en_US.UTF-8", 21474836, 1, "2147483600 %"},
        {"en_US.UTF-8", 21474837, 1, nullptr},
        {"en_US.UTF-8", -21474837, 1, nullptr},
        {"en_US.UTF-8", 1, 2147483647, "4.6566128752458E-08 %"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.progress) + "/" + std::to_string(c.progressMax) + " " + c.locale);
        LocaleOverride language(c.locale);
        window->setStatusText(QStringLiteral("before"));
        browser()->raise("ProgressChange", {{"Progress", c.progress}, {"ProgressMax", c.progressMax}});
        EXPECT_EQ(window->statusText(),
                  c.expected ? QString::fromUtf8(c.expected) : QStringLiteral("before"));
    }
}

TEST_F(ViewerCommands, status_text_events_replace_the_text_and_other_names_are_ignored)
{
    browser()->raise("StatusTextChange", {{"Text", "file:///x.htm"}});
    EXPECT_EQ(window->statusText(), "file:///x.htm");
    browser()->raise("statustextchange", {{"Text", "ignored"}});
    browser()->raise("DocumentComplete", {{"URL", "file:///x.htm"}});
    EXPECT_EQ(window->statusText(), "file:///x.htm");
    browser()->raise("StatusTextChange", {{"Text", ""}});
    EXPECT_EQ(window->statusText(), "");
}

TEST_F(ViewerCommands, first_completed_navigation_decides_the_preview_entry_once)
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
        localOwner.fileName = QStringLiteral("Dev001.HTM");
        QPointer<frmQuiravel> w = new frmQuiravel;
        w->SetOwner(&localOwner);
        w->Form_Load();
        FakeBrowser *b = fresh.last;

        b->raise("navigatecomplete2");
        EXPECT_FALSE(w->previewChecked());
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

} // namespace
