// SPDX-License-Identifier: Apache-2.0
// The frame application end to end: the built component is registered in a
// private registry file with quiravel-regsvr, and quiravel-frame hosts it on
// copies of the flow-meter sample, as a host integrator would run it.
#include "contract/HostContract.h"
#include "tests/support/ToolProcess.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class frame_e2e_test : public RegisteredComponentSuite
{
protected:
    ProcessResult frame(const QStringList &arguments, const QString &registry = s_registry,
                        const QList<QPair<QString, QString>> &environment = {})
    {
        return runTool(QUIRAVEL_FRAME_PATH, arguments, registry, environment);
    }

    QString printFile(const QString &folder = {}) const
    {
        return m_work.filePath(folder.isEmpty() ? "FlowMeterPRN.HTM" : folder + "/FlowMeterPRN.HTM");
    }
};

// Operating hours differ between the data sets of the sample.
const QString kApplicationHours = "12876";
const QString kDatabaseHours = "11904";

TEST_F(frame_e2e_test, failed_page_load_ends_the_run_at_once)
{
    // A browser whose page processes cannot start fails every load.
    const ProcessResult run = frame(
        {"--headless", "--timeout", "600", copySample()}, s_registry,
        {{"QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox --renderer-cmd-prefix=/bin/false"}});
    // Not the timeout's status: the run did not wait it out.
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains("quiravel-frame: the browser could not load " + printFile()))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains("page: "));
}

TEST_F(frame_e2e_test, main_job_runs_headless_without_a_display)
{
    const QString runDir = QUIRAVEL_BINARY_DIR "/run";
    const ProcessResult run = runTool(QUIRAVEL_BINARY_DIR "/tools/quiravel-run", {},
                                      m_work.filePath("run.reg"), {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains("page: " + runDir + "/flowmeter/FlowMeterPRN.HTM")) << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains("pdf: " + runDir + "/flowmeter.pdf"));
    EXPECT_TRUE(readText(runDir + "/flowmeter.pdf").startsWith("%PDF"));
}

TEST_F(frame_e2e_test, frame_window_run_shows_the_database_report)
{
    // A display is claimed, so the frame opens its own window too; the
    // offscreen platform stands in for the display.
    const ProcessResult run = frame({"--yes", "--exit", "--report", "database", copySample()}, s_registry,
                                    {{"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", "offscreen"}});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QString report = m_work.filePath(QString::fromLatin1(HostContract::kReportFileName));
    EXPECT_TRUE(run.out.contains("page: " + report)) << qPrintable(run.out);
    EXPECT_TRUE(readText(report).contains(kDatabaseHours));
}

TEST_F(frame_e2e_test, unregistered_component_is_reported)
{
    const QString description = copySample();
    const QString registry = m_work.filePath("own.reg");
    // Never registered, then registered and removed again: both are "not registered".
    for (bool registerFirst : {false, true}) {
        if (registerFirst) {
            ASSERT_EQ(runTool(QUIRAVEL_REGSVR_PATH, {QUIRAVEL_LIBRARY_PATH}, registry).exitCode, 0);
            const ProcessResult removal =
                runTool(QUIRAVEL_REGSVR_PATH, {"-u", QUIRAVEL_LIBRARY_PATH}, registry);
            ASSERT_EQ(removal.exitCode, 0) << qPrintable(removal.err);
            EXPECT_TRUE(removal.out.startsWith("quiravel-regsvr: unregistered "));
        }
        const ProcessResult run = frame({"--headless", description}, registry);
        EXPECT_EQ(run.exitCode, 4) << registerFirst;
        EXPECT_TRUE(run.err.contains(QString("quiravel-frame: the component is not registered in %1 (run "
                                             "quiravel-regsvr PATH/libQuiravel.so)")
                                         .arg(registry)))
            << qPrintable(run.err);
    }
}

TEST_F(frame_e2e_test, bad_arguments_fail_with_a_reason)
{
    const QString description = copySample();
    // Beyond a day, and where a count of milliseconds would wrap.
    const QList<QStringList> badArguments = {{},
                                             {"--source", "flash", description},
                                             {"--timeout", "86401", description},
                                             {"--timeout", "2147484", description},
                                             {"--no-such-option", description}};
    for (const QStringList &arguments : badArguments) {
        const ProcessResult run = frame(arguments);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(arguments.join(u' '));
        EXPECT_TRUE(run.err.startsWith("quiravel-frame: ")) << qPrintable(run.err);
        // One line, which points at the help.
        EXPECT_TRUE(run.err.endsWith("; see 'quiravel-frame --help'\n") && run.err.count('\n') == 1)
            << qPrintable(run.err);
        if (arguments.value(0) == "--timeout") {
            EXPECT_TRUE(
                run.err.startsWith(QString("quiravel-frame: --timeout takes 1 to 86400 seconds, not \"%1\"")
                                       .arg(arguments.at(1))))
                << qPrintable(run.err);
        }
    }
}

TEST_F(frame_e2e_test, a_german_user_reads_usage_help_and_device_file_errors_in_german)
{
    const QList<QPair<QString, QString>> german = {{"LC_ALL", ""}, {"LANG", "de_DE.UTF-8"}};
    const ProcessResult usage = frame({"--source", "flash", copySample()}, s_registry, german);
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.err, "quiravel-frame: --source nimmt application, database oder device, nicht \"flash\"; "
                         "siehe 'quiravel-frame --help'\n");
    const ProcessResult help = frame({"--help"}, s_registry, german);
    EXPECT_TRUE(
        help.out.startsWith("Aufruf: quiravel-frame [Optionen] DESCRIPTION\nLädt eine Gerätebeschreibung"))
        << qPrintable(help.out);
    EXPECT_TRUE(help.out.contains("\nExit-Status: 0 ")) << qPrintable(help.out);

    const QString description = m_work.filePath("Broken.kqd");
    ASSERT_TRUE(writeText(description, "[Object:Level]\nKind=viel\n"));
    const ProcessResult broken = frame({"--headless", description}, s_registry, german);
    EXPECT_EQ(broken.exitCode, 3);
    EXPECT_EQ(broken.err, "quiravel-frame: " + description + ":2: Kind ist keine ganze Zahl: \"viel\"\n");
}

TEST_F(frame_e2e_test, without_a_display_it_says_so_or_runs_headless_when_asked)
{
    const QString description = copySample();
    const QString noDisplay =
        "quiravel-frame: no display to show the window on; use --headless, or set QUIRAVEL_HEADLESS=1\n";
    // None named, and one named that cannot be reached.
    for (const char *display : {"", ":99"}) {
        const ProcessResult run =
            frame({description}, s_registry,
                  {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
        EXPECT_EQ(run.exitCode, 8) << display << qPrintable(run.err);
        EXPECT_EQ(run.err, noDisplay) << display;
    }

    const ProcessResult headless =
        frame({"--quiet", description}, s_registry,
              {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QUIRAVEL_HEADLESS", "1"}});
    EXPECT_EQ(headless.exitCode, 0) << qPrintable(headless.err);
    EXPECT_TRUE(readText(printFile()).contains(kApplicationHours));
    // Quiet names no file, and the browser engine's own notes stay away.
    EXPECT_EQ(headless.out, "");
    EXPECT_EQ(headless.err, "");

    const ProcessResult version = frame({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(QRegularExpression("^quiravel-frame \\d+\\.\\d+\\.\\d+\\n$").match(version.out).hasMatch())
        << qPrintable(version.out);
}

TEST_F(frame_e2e_test, sigterm_ends_the_run_through_the_normal_exit)
{
    const QString description = copySample();
    const QString data = QFileInfo(description).dir().filePath("FlowMeter.data");
    ASSERT_TRUE(writeText(data, QString::fromUtf8(readText(data).toLatin1())
                                    .replace(QRegularExpression("^UploadMilliseconds\\s*=.*$",
                                                                QRegularExpression::MultilineOption),
                                             "UploadMilliseconds = 600000")));
    const QString log = m_work.filePath("calls.log");
    auto process = startTool(
        QUIRAVEL_FRAME_PATH,
        {"--headless", "--timeout", "600", "--call-log", log, "--source", "device", description}, s_registry);
    // The upload's confirmation is echoed just before the upload starts.
    QByteArray err;
    for (int i = 0; i < 1200 && !err.contains("message: Upload"); ++i) {
        process->waitForReadyRead(100);
        err += process->readAllStandardError();
    }
    ASSERT_TRUE(err.contains("message: Upload")) << err.constData();
    process->terminate();
    const ProcessResult run = finishTool(*process);
    EXPECT_EQ(run.exitCode, 143) << qPrintable(run.err);
    // The view was released in order, and the call log says so.
    EXPECT_TRUE(readText(log).contains("\nReleaseView(view) -> error 0, S_OK\n"))
        << qPrintable(readText(log));
}

TEST_F(frame_e2e_test, malformed_database_named_by_the_data_file_names_file_and_line)
{
    const QString description = copySample();
    const QString database = m_work.filePath("FlowMeter.db.ini");
    ASSERT_TRUE(writeText(database, "[Application]\nOPERATING_HOURS = 1\nbroken line\n"));
    const QString log = m_work.filePath("calls.log");
    const ProcessResult run = frame({"--headless", "--call-log", log, "--source", "database", description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains("quiravel-frame: " + database +
                                 ":3: expected \"key=value\", found \"broken line\"\n"))
        << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains("message: Quiravel: File not found !")) << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains("page: "));
    // The call log was asked for, so it holds every call as it happened.
    const QString calls = readText(log);
    EXPECT_TRUE(calls.contains("\nLoadDatabase(0) -> error 1, S_OK\n")) << qPrintable(calls);
    EXPECT_TRUE(calls.contains("\nReleaseView(view) -> error 0, S_OK\n"));
}

TEST_F(frame_e2e_test, a_print_file_that_cannot_be_written_is_reported_and_no_pdf_is_made)
{
    const QString description = copySample();
    ASSERT_TRUE(QDir().mkdir(printFile()));
    const QString pdf = m_work.filePath("view.pdf");
    const ProcessResult run = frame({"--headless", "--pdf", pdf, description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(
        QString("quiravel-frame: no page was generated: %1: Is a directory").arg(printFile())))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains("page: ")) << qPrintable(run.out);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(frame_e2e_test, outputs_replace_links_and_never_take_an_input_s_place)
{
    // A device folder whose name holds a backslash is shown as it is.
    const QString description = copySample("dev\\ice");
    const QString data = m_work.filePath("dev\\ice/FlowMeter.data");
    const QString dataBytes = readText(data);
    const ProcessResult onData = frame({"--headless", "--call-log", data, description});
    EXPECT_EQ(onData.exitCode, 7) << qPrintable(onData.err);
    EXPECT_TRUE(onData.err.endsWith("quiravel-frame: " + data +
                                    ": cannot create: It is one of the files this run reads\n"))
        << qPrintable(onData.err);
    EXPECT_EQ(readText(data), dataBytes);

    // The PDF and the call log at links: the links are replaced, their
    // targets untouched, and the files are as readable as the umask allows.
    const QString elsewhere = m_work.filePath("elsewhere");
    ASSERT_TRUE(writeText(elsewhere, "not ours"));
    const QString pdf = m_work.filePath("view.pdf");
    const QString log = m_work.filePath("calls.log");
    ASSERT_TRUE(QFile::link(elsewhere, pdf));
    ASSERT_TRUE(QFile::link(elsewhere, log));
    const ProcessResult run = frame({"--headless", "--pdf", pdf, "--call-log", log, description});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains("page: " + printFile("dev\\ice"))) << qPrintable(run.out);
    EXPECT_TRUE(readText(printFile("dev\\ice")).contains(kApplicationHours));
    EXPECT_EQ(readText(elsewhere), "not ours");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const QString &file : {pdf, log}) {
        const QFileInfo info(file);
        EXPECT_TRUE(info.isFile() && !info.isSymLink()) << qPrintable(file);
        struct stat status;
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask) << qPrintable(file);
    }
    EXPECT_TRUE(readText(pdf).startsWith("%PDF"));
    EXPECT_TRUE(readText(log).contains(") -> error ")) << qPrintable(readText(log).left(200));
    EXPECT_TRUE(QDir(m_work.path()).entryList({"*.tmp", "*.lock"}, QDir::Files | QDir::Hidden).isEmpty());

    // A PDF that cannot be made says why at once, not as a timeout.
    const QString nowhere = m_work.filePath("none/view.pdf");
    const ProcessResult failed = frame({"--headless", "--timeout", "600", "--pdf", nowhere, description});
    EXPECT_EQ(failed.exitCode, 7) << qPrintable(failed.err);
    EXPECT_TRUE(failed.err.endsWith("quiravel-frame: the PDF could not be written: " + nowhere +
                                    ": No such file or directory\n"))
        << qPrintable(failed.err);
}

} // namespace
