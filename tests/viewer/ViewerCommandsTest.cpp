// SPDX-License-Identifier: Apache-2.0
// The viewer window's commands with a fake browser: the print
// file, reports, printing and the browser's events.
#include "ViewerTestSupport.h"
#include "contract/HostContract.h"
#include "platform/FileLock.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class viewer_commands_test : public FakeBrowserWindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        owner.directory = directory.path() + '/';
        QFile file(owner.directory + owner.fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html>\r\n<p>#VENDOR#</p>\r\n\r\n<p>#UNKNOWN# and #VENDOR#</p>\r\n</html>\r\n");
        owner.tags.insert("#VENDOR#", "Acme");
        FakeBrowserWindowTest::SetUp();
        ASSERT_TRUE(window->ShowWindow());
        ASSERT_NE(browser(), nullptr);
        messages.texts.clear();
    }

    QTemporaryDir directory;
};

TEST_F(viewer_commands_test, missing_template_names_its_full_path_and_leaves_the_view_alone)
{
    owner.fileName = "Gone001.HTM";
    const qsizetype navigations = browser()->navigations.size();
    window->MakeTemplatePrintFile();
    EXPECT_EQ(messages.texts, QStringList{owner.directory + "Gone001.HTM: File not found !"});
    EXPECT_EQ(window->printFilePath(), "");
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_TRUE(browser()->widget()->isHidden());
}

TEST_F(viewer_commands_test, the_print_file_is_locked_from_writing_until_its_page_has_loaded)
{
    window->MakeTemplatePrintFile();
    const QString lockPath = FileLock::lockPathFor(window->printFilePath());
    // Another run's lock is another open file: it cannot be had meanwhile.
    const int other = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0) << "no lock while the page loads";
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);

    browser()->raise("DocumentComplete", {{"URL", window->printFilePath()}});
    EXPECT_FALSE(QFile::exists(lockPath));
    FileLock next;
    EXPECT_TRUE(next.acquire(window->printFilePath(), 0));
}

TEST_F(viewer_commands_test, report_is_written_and_shown_or_its_error_reported)
{
    auto *deviceReport = window->findChild<QAction *>("deviceReport");
    ASSERT_NE(deviceReport, nullptr);
    deviceReport->trigger();
    EXPECT_EQ(owner.loads, QList<std::int32_t>{2});
    EXPECT_EQ(owner.reportPaths,
              QStringList{owner.directory + QString::fromLatin1(HostContract::kReportFileName)});
    EXPECT_EQ(browser()->navigations.last(),
              owner.directory + QString::fromLatin1(HostContract::kReportFileName));
    EXPECT_TRUE(messages.texts.isEmpty());

    owner.reportError = "Path not found";
    const qsizetype navigations = browser()->navigations.size();
    window->ShowApplicationReport();
    EXPECT_EQ(messages.texts, QStringList{"Error :Path not found"});
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_EQ(window->statusText(), "");
}

TEST_F(viewer_commands_test, the_progress_takes_its_decimal_separator_from_the_number_locale)
{
    const char *const cases[][5] = {
        // LC_ALL, LC_NUMERIC, LC_MESSAGES, LANG, progress shown
        {"", "de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", "33,3333333333333 %"},
        {"", "", "de_DE.UTF-8", "en_US.UTF-8", "33.3333333333333 %"},
        {"en_US.UTF-8", "de_DE.UTF-8", "", "", "33.3333333333333 %"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " / " << c[1] << " / " << c[2] << " / " << c[3]);
        ScopedEnv env;
        for (int i = 0; i < 4; ++i)
            env.set(std::array{"LC_ALL", "LC_NUMERIC", "LC_MESSAGES", "LANG"}[i], c[i]);
        browser()->raise("ProgressChange", {{"Progress", 1}, {"ProgressMax", 3}});
        EXPECT_EQ(window->statusText(), c[4]);
    }
}

} // namespace
