// SPDX-License-Identifier: Apache-2.0
// The View menu's data source commands, end to end: component, window,
// print file generation and the in-memory host.
#include "ComponentFixture.h"

#include "platform/TextFile.h"
#include "tests/support/FileGuards.h"

#include <memory>

class data_source_test : public ComponentFixture
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        openDevice("<p>#VALUE#</p>\r\n<p>Flow #FLOW#</p>\r\n");
        guard = std::make_unique<TemplateGuard>(path("Pump001.HTM"));
        ASSERT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    }

    void TearDown() override
    {
        guard.reset();
        ComponentFixture::TearDown();
    }

    QString printFile() const { return Ansi::decode(readBytes(path("PumpPRN.HTM"))); }
    static QString page(const QString &data, const char *flow)
    {
        return "<p>Data = " + data + "</p>\r\n<p>Flow " + flow + "</p>\r\n";
    }
    QStringList checkedEntries() const
    {
        QStringList checked;
        for (const char *name : {"srcValue", "scrDatabase", "scrShadow"})
            if (window()->menuEntry(name)->isChecked())
                checked.append(name);
        return checked;
    }
    /// What the component tells a host about the page last generated.
    QStringList generationError() const
    {
        BStr failed, reason;
        EXPECT_EQ(automation(view)->GetGenerationError(failed.put(), reason.put()), S_OK);
        return {failed.toQString(), reason.toQString()};
    }
    FakeBrowser *browser() const { return browsers.last; }
    std::unique_ptr<TemplateGuard> guard;
};

TEST_F(data_source_test, each_source_fills_the_print_file_and_the_database_asks_first)
{
    // Show ran the Application command.
    EXPECT_EQ(printFile(), page("Application data", "12.5"));
    EXPECT_EQ(window()->printFilePath(), path("PumpPRN.HTM"));
    EXPECT_EQ(browser()->navigations.last(), path("PumpPRN.HTM"));
    EXPECT_TRUE(browser()->widget()->isVisibleTo(window()));
    EXPECT_EQ(checkedEntries(), QStringList{"srcValue"});
    EXPECT_EQ(window()->statusText(), QString());

    const QString caption = window()->windowTitle();
    const qsizetype navigations = browser()->navigations.size();
    model.clearCalls();
    answer = vbCancel;
    run("scrDatabase");
    EXPECT_EQ(messages, QStringList{"Attention, overwrite application data !"});
    EXPECT_EQ(window()->windowTitle(), caption);
    EXPECT_EQ(checkedEntries(), QStringList{"srcValue"});
    EXPECT_EQ(browser()->navigations.size(), navigations);
    EXPECT_TRUE(model.calls().isEmpty());

    answer = vbOK;
    run("scrDatabase");
    EXPECT_EQ(printFile(), page("Database data from  " + path("pump.db"), "11.8"));
    EXPECT_EQ(window()->windowTitle(), "Quiravel:  Database data");
    EXPECT_EQ(checkedEntries(), QStringList{"scrDatabase"});
    run("scrShadow");
    EXPECT_EQ(printFile(), page("Device data", "13.1"));
    EXPECT_EQ(window()->windowTitle(), "Quiravel:  Device data");
    EXPECT_EQ(checkedEntries(), QStringList{"scrShadow"});
}

TEST_F(data_source_test, an_upload_already_running_is_waited_for_not_restarted)
{
    model.setUploadMilliseconds(1000 * 1000);
    model.setUploadProgress(50);
    model.clearCalls();
    QTimer::singleShot(0, [&] { model.advanceUpload(100); });
    run("scrShadow");
    EXPECT_EQ(std::ranges::count(model.calls(), QString("StartFunction"), &HostCall::operation), 0);
    EXPECT_EQ(printFile(), page("Device data", "13.1"));
}

TEST_F(data_source_test, a_nested_command_does_not_leave_the_outer_wait_hanging)
{
    model.setUploadMilliseconds(1000 * 1000);
    int nestedRuns = 0;
    QTimer::singleShot(0, [&] {
        // While the outer command waits the user starts the Device command
        // again; the upload is running, so it waits for the same one.
        QTimer::singleShot(0, [&] { model.advanceUpload(100); });
        ++nestedRuns;
        run("scrShadow");
    });
    // A guard so that a regression fails instead of hanging the run.
    QTimer::singleShot(10000, window(), [&] {
        ADD_FAILURE() << "the outer wait hung";
        window()->close();
    });
    run("scrShadow");
    EXPECT_EQ(nestedRuns, 1);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(printFile(), page("Device data", "13.1"));
    expectEachOpenedItemClosedOnce();
}

TEST_F(data_source_test, a_print_file_that_cannot_be_completed_is_not_left_and_the_host_learns_why)
{
    EXPECT_EQ(generationError(), QStringList({"", ""}));
    {
        ScopedFileSizeLimit full(0);
        ASSERT_TRUE(full.isSet());
        run("srcValue");
    }
    // Silent to the user, but no page of an earlier run passes for this one.
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_FALSE(QFile::exists(path("PumpPRN.HTM")));
    EXPECT_EQ(generationError(), QStringList({path("PumpPRN.HTM"), "File too large"}));
    EXPECT_EQ(browser()->navigations.last(), path("PumpPRN.HTM"));

    run("srcValue");
    EXPECT_EQ(printFile(), page("Application data", "12.5"));
    EXPECT_EQ(generationError(), QStringList({"", ""}));
}

TEST_F(data_source_test, the_page_path_names_the_print_file_or_report_generated_last)
{
    const auto pagePath = [this] {
        BStr page;
        EXPECT_EQ(automation(view)->GetPagePath(page.put()), S_OK);
        return page.toQString();
    };
    EXPECT_EQ(pagePath(), path("PumpPRN.HTM"));
    ASSERT_EQ(runCommand(automation(view).get(), QuiravelCommand::kApplicationReport), S_OK);
    EXPECT_EQ(pagePath(), path(QString::fromLatin1(HostContract::kReportFileName)));
    run(QuiravelCommand::kApplicationData);
    EXPECT_EQ(pagePath(), path("PumpPRN.HTM"));
    EXPECT_EQ(automation(view)->GetPagePath(nullptr), E_POINTER);
}
