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
    void setHostEntry(const QString &key, const QString &value, const QString &folder = QString())
    {
        const QString path = QDir(folder.isEmpty() ? m_work.path() : m_work.filePath(folder))
                                 .filePath(QStringLiteral("FlowMeter.data"));
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

    QString printFile(const QString &folder = QString()) const
    {
        return QDir(folder.isEmpty() ? m_work.path() : m_work.filePath(folder))
            .filePath(QStringLiteral("FlowMeterPRN.HTM"));
    }

    QTemporaryDir m_work;
    std::vector<std::unique_ptr<TemplateGuard>> m_templates;
};

// Operating hours differ between the three data sets of the sample.
const QString kApplicationHours = QStringLiteral("12876");
const QString kDatabaseHours = QStringLiteral("11904");
const QString kDeviceHours = QStringLiteral("12902");

TEST_F(frame_e2e_test, each_source_prints_its_own_values)
{
    struct Case
    {
        const char *source, *data;
        QString hours, absent;
    };
    const Case cases[] = {{"application", "Data = Application data", kApplicationHours, kDeviceHours},
                          {"database", "Data = Database data from", kDatabaseHours, kApplicationHours},
                          {"device", "Data = Device data", kDeviceHours, kApplicationHours}};
    for (const Case &c : cases) {
        const QString description = copySample(QLatin1String(c.source));
        setHostEntry(QStringLiteral("UploadMilliseconds"), QStringLiteral("300"), QLatin1String(c.source));
        const QString pdf = m_work.filePath(QLatin1String(c.source) + QStringLiteral(".pdf"));
        const ProcessResult run = frame({QStringLiteral("--headless"), QStringLiteral("--source"),
                                         QLatin1String(c.source), QStringLiteral("--pdf"), pdf, description});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
        const QString page = readText(printFile(QLatin1String(c.source)));
        EXPECT_TRUE(run.out.contains(QStringLiteral("page: ") + printFile(QLatin1String(c.source))));
        EXPECT_TRUE(page.contains(QLatin1String(c.data))) << c.source;
        EXPECT_TRUE(page.contains(c.hours)) << c.source;
        EXPECT_FALSE(page.contains(c.absent)) << c.source;
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            continue;
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        ASSERT_TRUE(pdftotext.waitForFinished(60'000));
        EXPECT_TRUE(QString::fromUtf8(pdftotext.readAllStandardOutput()).contains(c.hours)) << c.source;
    }
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
}

TEST_F(frame_e2e_test, bad_arguments_fail_with_a_reason)
{
    const QString description = copySample();
    const QList<QStringList> badArguments = {
        {},
        {QStringLiteral("--source"), QStringLiteral("flash"), description},
        // Beyond a day, and where a count of milliseconds would wrap.
        {QStringLiteral("--timeout"), QStringLiteral("86401"), description},
        {QStringLiteral("--timeout"), QStringLiteral("2147484"), description},
        {QStringLiteral("--no-such-option"), description},
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

} // namespace
