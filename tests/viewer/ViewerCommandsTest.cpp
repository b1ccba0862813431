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
