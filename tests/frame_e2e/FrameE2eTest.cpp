// The frame application end to end: the built component is registered in a
// private registry file with quiravel-regsvr, and quiravel-frame hosts it on
// copies of the flow-meter sample, as a host integrator would run it.
#include "tests/support/FileGuards.h"
#include "tests/support/ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

class frame_e2e_test : public RegisteredComponentSuite
{
protected:
    /// A fresh copy of the flow-meter sample in the work folder or a folder
    /// of it (the component writes its print files beside the templates,
    /// which must come out of the run unchanged); answers the description's
    /// path.
    QString copySample(const QString &folder = QString())
    {
        const QString target = folder.isEmpty() ? m_work.path() : m_work.filePath(folder);
        QDir().mkpath(target);
        const QDir source(QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/flowmeter"));
        for (const QString &name : source.entryList(QDir::Files)) {
            QFile::copy(source.filePath(name), QDir(target).filePath(name));
            if (name.endsWith(QLatin1String(".HTM")))
                m_templates.push_back(std::make_unique<TemplateGuard>(QDir(target).filePath(name)));
        }
        return QDir(target).filePath(QStringLiteral("FlowMeter.kqd"));
    }

    /// Rewrites a line of the copied data file's [Host] section.
    void setHostEntry(const QString &key, const QString &value)
    {
        const QString path = m_work.filePath(QStringLiteral("FlowMeter.data"));
        QString text = readText(path);
        // Read as Latin-1 above: keep the file's UTF-8 bytes as they were.
        text = QString::fromUtf8(text.toLatin1());
        const QRegularExpression line(QStringLiteral("^%1\\s*=.*$").arg(key),
                                      QRegularExpression::MultilineOption);
        ASSERT_TRUE(text.contains(line)) << qPrintable(key);
        text.replace(line, QStringLiteral("%1 = %2").arg(key, value));
        ASSERT_TRUE(writeText(path, text));
    }

    ProcessResult frame(const QStringList &arguments, const QString &registry = s_registry)
    {
        return runTool(QStringLiteral(QUIRAVEL_FRAME_PATH), arguments, registry);
    }

    QString printFile() const { return m_work.filePath(QStringLiteral("FlowMeterPRN.HTM")); }

    QTemporaryDir m_work;
    std::vector<std::unique_ptr<TemplateGuard>> m_templates;
};

// Operating hours differ between the three data sets of the sample.
const QString kApplicationHours = QStringLiteral("12876");
const QString kDatabaseHours = QStringLiteral("11904");
const QString kDeviceHours = QStringLiteral("12902");

TEST_F(frame_e2e_test, registration_names_the_library_and_the_registry_file)
{
    EXPECT_TRUE(s_registration.out.startsWith(QStringLiteral("quiravel-regsvr: registered ")));
    EXPECT_TRUE(s_registration.out.contains(s_registry)) << qPrintable(s_registration.out);
    EXPECT_TRUE(readText(s_registry).contains(QStringLiteral("Quiravel.clsQuiravel")));
}

TEST_F(frame_e2e_test, application_source_prints_application_values_and_a_pdf)
{
    const QString pdf = m_work.filePath(QStringLiteral("view.pdf"));
    const ProcessResult run =
        frame({QStringLiteral("--headless"), QStringLiteral("--source"), QStringLiteral("application"),
               QStringLiteral("--pdf"), pdf, copySample()});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains(QStringLiteral("page: ") + printFile())) << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains(QStringLiteral("pdf: ") + pdf)) << qPrintable(run.out);

    const QString page = readText(printFile());
    EXPECT_TRUE(page.contains(QStringLiteral("Data = Application data")));
    EXPECT_TRUE(page.contains(kApplicationHours));
    EXPECT_FALSE(page.contains(kDeviceHours));

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(60'000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains(kApplicationHours)) << qPrintable(text.left(2000));
    EXPECT_TRUE(text.contains(QStringLiteral("FT-104")));
}

TEST_F(frame_e2e_test, database_source_prints_the_database_values)
{
    const ProcessResult run = frame(
        {QStringLiteral("--headless"), QStringLiteral("--source"), QStringLiteral("database"), copySample()});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    // The confirmation was shown and answered.
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("message: Loading database...: Attention, overwrite application data !")))
        << qPrintable(run.err);
    const QString page = readText(printFile());
    EXPECT_TRUE(page.contains(QStringLiteral("Data = Database data from"))) << qPrintable(page.left(3000));
    EXPECT_TRUE(page.contains(QStringLiteral("FlowMeter.db.ini")));
    EXPECT_TRUE(page.contains(kDatabaseHours));
    EXPECT_FALSE(page.contains(kApplicationHours));
}

TEST_F(frame_e2e_test, device_source_waits_for_the_upload_and_prints_device_values)
{
    const QString description = copySample();
    setHostEntry(QStringLiteral("UploadMilliseconds"), QStringLiteral("300"));
    const ProcessResult run = frame(
        {QStringLiteral("--headless"), QStringLiteral("--source"), QStringLiteral("device"), description});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QString page = readText(printFile());
    EXPECT_TRUE(page.contains(QStringLiteral("Data = Device data")));
    EXPECT_TRUE(page.contains(kDeviceHours));
    EXPECT_FALSE(page.contains(kApplicationHours));
}

TEST_F(frame_e2e_test, upload_that_never_ends_is_stopped_by_the_timeout)
{
    const QString description = copySample();
    setHostEntry(QStringLiteral("UploadMilliseconds"), QStringLiteral("600000"));
    const ProcessResult run =
        frame({QStringLiteral("--headless"), QStringLiteral("--timeout"), QStringLiteral("2"),
               QStringLiteral("--source"), QStringLiteral("device"), description});
    EXPECT_EQ(run.exitCode, 6) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("quiravel-frame: timed out after 2 s while scrShadow ran")))
        << qPrintable(run.err);
}

TEST_F(frame_e2e_test, missing_database_shows_file_not_found_and_generates_nothing)
{
    const ProcessResult run =
        frame({QStringLiteral("--headless"), QStringLiteral("--source"), QStringLiteral("database"),
               QStringLiteral("--database"), m_work.filePath(QStringLiteral("missing.ini")), copySample()});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("message: Quiravel: File not found !")))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains(QStringLiteral("page: ")));
}

TEST_F(frame_e2e_test, malformed_database_named_by_the_data_file_names_file_and_line)
{
    const QString description = copySample();
    const QString database = m_work.filePath(QStringLiteral("FlowMeter.db.ini"));
    ASSERT_TRUE(writeText(database, QStringLiteral("[Application]\nOPERATING_HOURS = 1\nbroken line\n")));
    const QString log = m_work.filePath(QStringLiteral("calls.log"));
    const ProcessResult run = frame({QStringLiteral("--headless"), QStringLiteral("--call-log"), log,
                                     QStringLiteral("--source"), QStringLiteral("database"), description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("quiravel-frame: ") + database +
                                 QStringLiteral(":3: expected \"key=value\", found \"broken line\"\n")))
        << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("message: Quiravel: File not found !")))
        << qPrintable(run.err);
    // The call log was asked for, so it holds every call as it happened.
    const QString calls = readText(log);
    EXPECT_TRUE(calls.contains(QStringLiteral("\nLoadDatabase(0) -> error 1, S_OK\n"))) << qPrintable(calls);
    EXPECT_TRUE(calls.contains(QStringLiteral("\nReleaseView(view) -> error 0, S_OK\n")));
}

TEST_F(frame_e2e_test, failed_page_load_ends_the_run_at_once)
{
    // A browser whose page processes cannot start fails every load.
    const QString description = copySample();
    const ProcessResult run = runTool(
        QStringLiteral(QUIRAVEL_FRAME_PATH),
        {QStringLiteral("--headless"), QStringLiteral("--timeout"), QStringLiteral("600"), description},
        s_registry,
        {{QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
          QStringLiteral("--disable-gpu --no-sandbox --renderer-cmd-prefix=/bin/false")}});
    // Not the timeout's status: the run did not wait it out.
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("quiravel-frame: the browser could not load ") + printFile()))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains(QStringLiteral("page: ")));
}

TEST_F(frame_e2e_test, disconnected_device_refuses_the_upload)
{
    const QString description = copySample();
    setHostEntry(QStringLiteral("Connected"), QStringLiteral("no"));
    const ProcessResult run = frame(
        {QStringLiteral("--headless"), QStringLiteral("--source"), QStringLiteral("device"), description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("message: Upload device data...: Device disconnected !")))
        << qPrintable(run.err);
    // The view still shows the application data it started with.
    EXPECT_TRUE(readText(printFile()).contains(QStringLiteral("Data = Application data")));
}

TEST_F(frame_e2e_test, application_report_is_written_and_shown)
{
    const ProcessResult run = frame({QStringLiteral("--headless"), QStringLiteral("--report"),
                                     QStringLiteral("application"), copySample()});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QString report = m_work.filePath(QStringLiteral("REPORT.HTM"));
    EXPECT_TRUE(run.out.contains(QStringLiteral("page: ") + report)) << qPrintable(run.out);
    const QString text = readText(report);
    EXPECT_TRUE(text.contains(QStringLiteral("OPERATING_HOURS")));
    EXPECT_TRUE(text.contains(kApplicationHours));
}

TEST_F(frame_e2e_test, main_job_runs_headless_without_a_display)
{
    const QString script = QStringLiteral(QUIRAVEL_BINARY_DIR "/frame/quiravel-run");
    const QString runDir = QStringLiteral(QUIRAVEL_BINARY_DIR "/run");
    const ProcessResult run =
        runTool(script, {}, m_work.filePath(QStringLiteral("run.reg")),
                {{QStringLiteral("DISPLAY"), QString()}, {QStringLiteral("WAYLAND_DISPLAY"), QString()}});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(
        run.out.contains(QStringLiteral("page: ") + runDir + QStringLiteral("/flowmeter/FlowMeterPRN.HTM")))
        << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains(QStringLiteral("pdf: ") + runDir + QStringLiteral("/flowmeter.pdf")));
    EXPECT_TRUE(readText(runDir + QStringLiteral("/flowmeter.pdf")).startsWith(QStringLiteral("%PDF")));
}

TEST_F(frame_e2e_test, frame_window_run_shows_the_database_report)
{
    // A display is claimed, so the frame opens its own window too; the
    // offscreen platform stands in for the display.
    const QString description = copySample();
    const ProcessResult run = runTool(QStringLiteral(QUIRAVEL_FRAME_PATH),
                                      {QStringLiteral("--yes"), QStringLiteral("--exit"),
                                       QStringLiteral("--report"), QStringLiteral("database"), description},
                                      s_registry,
                                      {{QStringLiteral("DISPLAY"), QStringLiteral(":99")},
                                       {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QString report = m_work.filePath(QStringLiteral("REPORT.HTM"));
    EXPECT_TRUE(run.out.contains(QStringLiteral("page: ") + report)) << qPrintable(run.out);
    EXPECT_TRUE(readText(report).contains(kDatabaseHours));
}

TEST_F(frame_e2e_test, malformed_description_names_file_and_line)
{
    const QString description = m_work.filePath(QStringLiteral("Broken.kqd"));
    ASSERT_TRUE(writeText(description, QStringLiteral("[Device]\nNICKNAME = X\n[Settings\n")));
    const ProcessResult run = frame({QStringLiteral("--headless"), description});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Broken.kqd:3:"))) << qPrintable(run.err);
}

TEST_F(frame_e2e_test, device_files_that_are_not_regular_files_are_refused)
{
    const QString description = copySample();
    const QString fifo = m_work.filePath(QStringLiteral("pipe.kqd"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QList<QPair<QStringList, QString>> cases = {
        {{fifo}, fifo + QStringLiteral(": cannot read: Not a regular file (a FIFO)")},
        {{QStringLiteral("--data"), QStringLiteral("/dev/urandom"), description},
         QStringLiteral("/dev/urandom: cannot read: Not a regular file (a device)")},
        {{QStringLiteral("--data"), m_work.path(), description},
         m_work.path() + QStringLiteral(": cannot read: Not a regular file (a directory)")},
    };
    for (const auto &[arguments, line] : cases) {
        const ProcessResult run = frame(QStringList{QStringLiteral("--headless")} + arguments);
        EXPECT_EQ(run.exitCode, 3) << qPrintable(line);
        EXPECT_TRUE(run.err.contains(QStringLiteral("quiravel-frame: ") + line + u'\n'))
            << qPrintable(run.err);
    }
}

TEST_F(frame_e2e_test, unregistered_component_is_reported)
{
    const QString description = copySample();
    const QString registry = m_work.filePath(QStringLiteral("own.reg"));
    // Never registered, then registered and removed again: both are "not registered".
    for (bool registerFirst : {false, true}) {
        if (registerFirst) {
            const QString library = QStringLiteral(QUIRAVEL_LIBRARY_PATH);
            ASSERT_EQ(runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {library}, registry).exitCode, 0);
            const ProcessResult removal =
                runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {QStringLiteral("-u"), library}, registry);
            ASSERT_EQ(removal.exitCode, 0) << qPrintable(removal.err);
            EXPECT_TRUE(removal.out.startsWith(QStringLiteral("quiravel-regsvr: unregistered ")));
        }
        const ProcessResult run = frame({QStringLiteral("--headless"), description}, registry);
        EXPECT_EQ(run.exitCode, 4) << registerFirst;
        EXPECT_TRUE(
            run.err.contains(QStringLiteral("quiravel-frame: the component is not registered in %1 (run "
                                            "quiravel-regsvr PATH/libQuiravel.so)")
                                 .arg(registry)))
            << qPrintable(run.err);
    }

    // A registry that cannot be read, and a registered library that cannot be
    // loaded: each named with its reason.
    const ProcessResult unreadable = frame({QStringLiteral("--headless"), description}, m_work.path());
    EXPECT_EQ(unreadable.exitCode, 4);
    EXPECT_TRUE(unreadable.err.contains(
        QStringLiteral(
            "quiravel-frame: the component could not be created: cannot read the registry %1: Not a "
            "regular file (a directory)")
            .arg(m_work.path())))
        << qPrintable(unreadable.err);
    const QString moved = m_work.filePath(QStringLiteral("moved.reg"));
    QString text = readText(s_registry);
    text.replace(QStringLiteral(QUIRAVEL_LIBRARY_PATH), m_work.filePath(QStringLiteral("gone.so")));
    ASSERT_TRUE(writeText(moved, text));
    const ProcessResult gone = frame({QStringLiteral("--headless"), description}, moved);
    EXPECT_EQ(gone.exitCode, 4);
    EXPECT_TRUE(
        gone.err.contains(QStringLiteral("quiravel-frame: the component could not be created: cannot load "
                                         "the library registered in %1: %2: cannot open shared object file")
                              .arg(moved, m_work.filePath(QStringLiteral("gone.so")))))
        << qPrintable(gone.err);
}

TEST_F(frame_e2e_test, bad_arguments_and_unloadable_libraries_fail_with_a_reason)
{
    const QString description = copySample();
    const QList<QStringList> badArguments = {
        {},
        {QStringLiteral("--source"), QStringLiteral("flash"), description},
        {QStringLiteral("--report"), QStringLiteral("x"), description},
        {QStringLiteral("--timeout"), QStringLiteral("0"), description},
        // Beyond a day, and where a count of milliseconds would wrap.
        {QStringLiteral("--timeout"), QStringLiteral("86401"), description},
        {QStringLiteral("--timeout"), QStringLiteral("2147484"), description},
        {QStringLiteral("--timeout"), QStringLiteral("99999999999"), description},
        {QStringLiteral("--no-such-option"), description},
        {description, description},
    };
    for (const QStringList &arguments : badArguments) {
        const ProcessResult run = frame(arguments);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(arguments.join(u' '));
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("quiravel-frame: "))) << qPrintable(run.err);
        if (arguments.value(0) == QLatin1String("--timeout")) {
            EXPECT_TRUE(
                run.err.startsWith(QStringLiteral("quiravel-frame: --timeout takes 1 to 86400 seconds, "
                                                  "not \"%1\"")
                                       .arg(arguments.at(1))))
                << qPrintable(run.err);
        }
    }
    const ProcessResult missingData =
        frame({QStringLiteral("--data"), m_work.filePath(QStringLiteral("none.data")), description});
    EXPECT_EQ(missingData.exitCode, 3);
    EXPECT_TRUE(missingData.err.contains(QStringLiteral("none.data"))) << qPrintable(missingData.err);

    const ProcessResult notALibrary = runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {description},
                                              m_work.filePath(QStringLiteral("x.reg")));
    EXPECT_EQ(notALibrary.exitCode, 1);
    EXPECT_TRUE(notALibrary.err.startsWith(QStringLiteral("quiravel-regsvr: cannot load ")))
        << qPrintable(notALibrary.err);
}

TEST_F(frame_e2e_test, a_print_file_that_cannot_be_written_is_reported_and_no_pdf_is_made)
{
    const QString description = copySample();
    ASSERT_TRUE(QDir().mkdir(printFile()));
    const QString pdf = m_work.filePath(QStringLiteral("view.pdf"));
    const ProcessResult run =
        frame({QStringLiteral("--headless"), QStringLiteral("--pdf"), pdf, description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("quiravel-frame: no page was generated: %1: Is a directory").arg(printFile())))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains(QStringLiteral("page: "))) << qPrintable(run.out);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(frame_e2e_test, a_template_line_over_the_limit_leaves_no_older_page_to_print)
{
    const QString description = copySample();
    const QString templatePath = m_work.filePath(QStringLiteral("FlowMeter001.HTM"));
    m_templates.clear();
    {
        QFile file(templatePath);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray(17 * 1024 * 1024, 'x'));
    }
    TemplateGuard guard(templatePath);
    ASSERT_TRUE(writeText(printFile(), QStringLiteral("<p>the page of an earlier run</p>")));
    const QString pdf = m_work.filePath(QStringLiteral("view.pdf"));
    const ProcessResult run =
        frame({QStringLiteral("--headless"), QStringLiteral("--pdf"), pdf, description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("quiravel-frame: no page was generated: %1: A line is longer than 16 MiB")
            .arg(templatePath)))
        << qPrintable(run.err);
    EXPECT_FALSE(QFile::exists(printFile()));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(frame_e2e_test, a_fifo_as_template_is_refused_at_once_with_its_reason)
{
    const QString description = copySample();
    const QString templatePath = m_work.filePath(QStringLiteral("FlowMeter001.HTM"));
    m_templates.clear();
    ASSERT_TRUE(QFile::remove(templatePath));
    ASSERT_EQ(::mkfifo(QFile::encodeName(templatePath).constData(), 0600), 0);
    const ProcessResult run = frame({QStringLiteral("--headless"), description});
    EXPECT_EQ(run.exitCode, 5) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("message: Quiravel: %1: File not found !").arg(templatePath)))
        << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("quiravel-frame: no page was generated: %1: Not a regular file (a FIFO)")
            .arg(templatePath)))
        << qPrintable(run.err);
}

TEST_F(frame_e2e_test, a_device_folder_whose_name_holds_a_backslash_is_shown)
{
    const QString description = copySample(QStringLiteral("dev\\ice"));
    const QString page = m_work.filePath(QStringLiteral("dev\\ice/FlowMeterPRN.HTM"));
    const ProcessResult run = frame({QStringLiteral("--headless"), description});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains(QStringLiteral("page: ") + page)) << qPrintable(run.out);
    EXPECT_TRUE(readText(page).contains(kApplicationHours));
}

} // namespace
