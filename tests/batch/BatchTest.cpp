// SPDX-License-Identifier: Apache-2.0
// The batch's input and output without the browser: which devices its
// paths name and where their PDFs go, its command line, its CSV.
#include "platform/FileName.h"
#include "tools/batch/BatchOptions.h"
#include "tools/batch/BatchReport.h"
#include "tools/batch/DeviceList.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

class batch_test : public ::testing::Test
{
protected:
    /// Creates a file (and its folders) below the work folder; answers its path.
    QString touch(const QString &relative, const QByteArray &content = "[Device]\n")
    {
        const QString path = m_work.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        return path;
    }

    /// The devices `inputs` name, as "path -> pdf" or "path: error", the
    /// work folder written as W.
    QStringList devices(const QStringList &inputs, const QString &out = "W/out")
    {
        QStringList lines;
        for (const BatchDevice &device : collectDevices(inputs, QString(out).replace("W", m_work.path())))
            lines.append(FileName::shownPath(QDir::cleanPath(device.path)) +
                         (device.error.isEmpty() ? " -> " + device.pdfPath : ": " + device.error));
        return lines.replaceInStrings(m_work.path(), "W");
    }

    QTemporaryDir m_work;
};

TEST_F(batch_test, a_list_names_descriptions_and_folders_relative_to_itself)
{
    for (const char *file : {"site/a/Meter.kqd", "site/b/c/Meter.kqd", "elsewhere/Far.kqd"})
        touch(file);
    const QString list =
        touch("site/devices.txt", "# hall 3\n a/Meter.kqd \n\nb\n../elsewhere/Far.kqd\r\nmissing.kqd\n");
    // A device outside the list's folder keeps its full path below the output folder.
    EXPECT_EQ(devices({'@' + list}), QStringList({"W/site/a/Meter.kqd -> W/out/a/Meter.pdf",
                                                  "W/site/b/c/Meter.kqd -> W/out/b/c/Meter.pdf",
                                                  "W/elsewhere/Far.kqd -> W/outW/elsewhere/Far.pdf",
                                                  "W/site/missing.kqd: no such file or folder"}));
}

TEST_F(batch_test, pdfs_of_several_arguments_are_named_below_the_folder_they_share)
{
    const QString first = touch("plant/v1/Valve.kqd");
    const QString second = touch("plant/v2/Valve.kqd");
    // A folder is searched in all its subfolders, for descriptions only.
    for (const char *file : {"plant/v3/deep/Valve.kqd", "plant/v3/deep/Pump.KQD", "plant/v3/Valve.data"})
        touch(file);
    // As a shell glob or find | xargs passes them: files and folders alike.
    EXPECT_EQ(devices({first, second, m_work.filePath("plant/v3")}),
              QStringList({"W/plant/v1/Valve.kqd -> W/out/v1/Valve.pdf",
                           "W/plant/v2/Valve.kqd -> W/out/v2/Valve.pdf",
                           "W/plant/v3/deep/Pump.KQD -> W/out/v3/deep/Pump.pdf",
                           "W/plant/v3/deep/Valve.kqd -> W/out/v3/deep/Valve.pdf"}));
    // One argument stays as it was: the path below it.
    EXPECT_EQ(devices({second}), QStringList({"W/plant/v2/Valve.kqd -> W/out/Valve.pdf"}));
    // A list counts with its own folder.
    const QString list = touch("lists/some.txt", "../plant/v1/Valve.kqd\n");
    EXPECT_EQ(devices({'@' + list, second}),
              QStringList({"W/plant/v1/Valve.kqd -> W/out/plant/v1/Valve.pdf",
                           "W/plant/v2/Valve.kqd -> W/out/plant/v2/Valve.pdf"}));
}

TEST_F(batch_test, the_second_device_of_one_pdf_path_is_refused)
{
    const QString first = touch("v1/Valve.kqd");
    // The same device named twice, once through its folder.
    EXPECT_EQ(devices({first, m_work.filePath("v1")}),
              QStringList({"W/v1/Valve.kqd -> W/out/Valve.pdf",
                           "W/v1/Valve.kqd: its PDF W/out/Valve.pdf is already that of W/v1/Valve.kqd"}));
    // A description whose name differs only in its extension's case.
    touch("v1/Valve.KQD");
    EXPECT_EQ(devices({m_work.filePath("v1")}),
              QStringList({"W/v1/Valve.KQD -> W/out/Valve.pdf",
                           "W/v1/Valve.kqd: its PDF W/out/Valve.pdf is already that of W/v1/Valve.KQD"}));
}

TEST_F(batch_test, inputs_without_devices_become_one_failed_entry_each)
{
    touch("empty/readme.txt");
    const QString emptyList = touch("empty.txt", "# nothing yet\n\n");
    const QString fifo = m_work.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString cases[][2] = {
        {m_work.filePath("empty"), "no device descriptions (.kqd) in this folder"},
        {m_work.filePath("nowhere"), "no such file or folder"},
        {'@' + m_work.filePath("nowhere.txt"), "no such list file"},
        {'@' + emptyList, "the list names no device"},
        {'@' + fifo, "the list is not a regular file"},
        {'@' + m_work.filePath("empty"), "the list is not a regular file"},
    };
    for (const auto &[input, error] : cases) {
        const QList<BatchDevice> found = collectDevices({input}, QString());
        ASSERT_EQ(found.size(), 1) << qPrintable(input);
        EXPECT_EQ(found[0].error, error) << qPrintable(input);
    }
}

// The command line's own checks; quiravel-batch's exit status and text for
// them are tested end to end.
TEST_F(batch_test, devices_reached_through_links_to_one_folder_share_its_print_files)
{
    const QString real = touch("plant/hall/Meter.kqd");
    touch("plant/hall/Other.kqd");
    ASSERT_TRUE(QFile::link(m_work.filePath("plant/hall"), m_work.filePath("plant/alias")));
    ASSERT_TRUE(QFile::link(m_work.filePath("plant"), m_work.filePath("site")));
    const QString folder = realFolderOf(real);
    EXPECT_EQ(realFolderOf(m_work.filePath("plant/alias/Meter.kqd")), folder);
    EXPECT_EQ(realFolderOf(m_work.filePath("site/hall/Other.kqd")), folder);
    EXPECT_EQ(realFolderOf(m_work.filePath("site/alias/../hall/Other.kqd")), folder);
    EXPECT_NE(realFolderOf(touch("plant/hall/deep/Meter.kqd")), folder);
}

TEST_F(batch_test, names_that_are_not_utf8_are_found_and_their_pdfs_named_escaped)
{
    touch("plant/ok/Meter.kqd");
    const QByteArray plant = QFile::encodeName(m_work.filePath("plant"));
    // QTemporaryDir cannot remove names it cannot hold as text.
    const auto removeRaw = qScopeGuard([&] { std::filesystem::remove_all(plant.toStdString()); });
    for (const QByteArray &raw :
         {plant + "/caf\xE9.kqd", plant + "/hall\xE9/Pump.kqd", plant + "/empty\xE9/x.txt"}) {
        ASSERT_EQ(::mkdir(raw.left(raw.lastIndexOf('/')).constData(), 0755) == 0 || errno == EEXIST, true);
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    EXPECT_EQ(devices({m_work.filePath("plant")}),
              QStringList({"W/plant/caf\\xE9.kqd -> W/out/caf\\xE9.pdf",
                           "W/plant/hall\\xE9/Pump.kqd -> W/out/hall\\xE9/Pump.pdf",
                           "W/plant/ok/Meter.kqd -> W/out/ok/Meter.pdf"}));
}

TEST(batch_options_test, usage_errors_name_the_argument)
{
    const std::tuple<QStringList, QString> cases[] = {
        {{"--jobs=x", "a.kqd"}, "--jobs takes a whole number from 1 to 64, not \"x\""},
        {{"--timeout", "86401", "a.kqd"}, "--timeout takes 1 to 86400 seconds, not \"86401\""},
        {{"--source", "tape", "a.kqd"}, "--source takes application, database or device, not \"tape\""},
        {{"--pdf=", "a.kqd"}, "--pdf takes a path"},
        {{"@"}, "an empty path was given"},
        {QStringList(), "no device description, folder or list given"},
        {{"--frobnicate", "a.kqd"}, "Unknown option 'frobnicate'."},
    };
    for (const auto &[arguments, expected] : cases) {
        BatchOptions options;
        QString message;
        EXPECT_EQ(parseBatchOptions(arguments, &options, &message), ParseResult::Error)
            << qPrintable(arguments.join(' '));
        EXPECT_EQ(message, expected);
    }
}

// A comma is quoted in every end-to-end summary; these are the other cases.
TEST(batch_report_test, csv_fields_are_quoted_where_they_must_be)
{
    const QString cases[][2] = {{"plant/v1/Valve.kqd", "plant/v1/Valve.kqd"},
                                {"", ""},
                                {"text \"garbage\"", "\"text \"\"garbage\"\"\""},
                                {"two\nlines", "\"two\nlines\""},
                                {" padded", "\" padded\""}};
    for (const auto &[text, field] : cases)
        EXPECT_EQ(csvField(text), field) << qPrintable(text);
}

/// What a report wrote, read back from its stream.
class ReportText
{
public:
    ReportText() : m_stream(::open_memstream(&m_buffer, &m_size)) {}
    ~ReportText()
    {
        std::fclose(m_stream);
        std::free(m_buffer);
    }
    std::FILE *stream() const { return m_stream; }
    QString text() const
    {
        std::fflush(m_stream);
        return QString::fromLocal8Bit(m_buffer, qsizetype(m_size));
    }

private:
    char *m_buffer = nullptr;
    std::size_t m_size = 0;
    std::FILE *m_stream;
};

DeviceOutcome outcome(const QString &path, bool ok, const QString &message = {})
{
    return {path, ok, message, 1.5, path + "PRN.HTM", ok ? path + ".pdf" : QString()};
}

TEST(batch_report_test, the_style_follows_the_terminal_and_the_options)
{
    using Style = BatchReport::Style;
    EXPECT_EQ(BatchReport::styleFor(true, "xterm", 80, false, false), Style::Bar);
    EXPECT_EQ(BatchReport::styleFor(true, "xterm", 0, false, false), Style::Bar);
    EXPECT_EQ(BatchReport::styleFor(true, "dumb", 80, false, false), Style::Lines);
    EXPECT_EQ(BatchReport::styleFor(true, "", 80, false, false), Style::Lines);
    EXPECT_EQ(BatchReport::styleFor(true, "xterm", 39, false, false), Style::Lines);
    EXPECT_EQ(BatchReport::styleFor(false, "xterm", 80, false, false), Style::Lines);
    EXPECT_EQ(BatchReport::styleFor(true, "xterm", 80, false, true), Style::Lines);
    EXPECT_EQ(BatchReport::styleFor(true, "xterm", 80, true, false), Style::Quiet);
}

TEST(batch_report_test, lines_show_control_characters_escaped_and_quiet_shows_failures_only)
{
    const QList<DeviceOutcome> outcomes = {outcome("plant/new\nline/A.kqd", true),
                                           outcome("plant/tab\there/B.kqd", false, "File not found !")};
    ReportText lines;
    BatchReport report(lines.stream(), BatchReport::Style::Lines, 2);
    for (const DeviceOutcome &done : outcomes)
        report.deviceFinished(done);
    report.summarize(outcomes);
    const QStringList written = lines.text().split('\n');
    EXPECT_EQ(written.value(0), "[1/2] ok plant/new\\nline/A.kqd (1.50 s): plant/new\\nline/A.kqd.pdf");
    EXPECT_EQ(written.value(1), "[2/2] failed plant/tab\\there/B.kqd: File not found !");
    EXPECT_EQ(written.value(2), "failed: plant/tab\\there/B.kqd: File not found !");

    ReportText quiet;
    BatchReport silent(quiet.stream(), BatchReport::Style::Quiet, 2);
    for (const DeviceOutcome &done : outcomes)
        silent.deviceFinished(done);
    silent.summarize(outcomes);
    EXPECT_EQ(quiet.text(), "failed: plant/tab\\there/B.kqd: File not found !\n");
}

TEST(batch_report_test, the_bar_fits_the_width_and_gives_way_to_lines_when_narrow)
{
    ReportText terminal;
    BatchReport report(terminal.stream(), BatchReport::Style::Bar, 3, 45);
    report.deviceFinished(outcome("A.kqd", true));
    report.setColumns(100);
    report.deviceFinished(outcome("B.kqd", false, "broken"));
    report.setColumns(30);
    report.deviceFinished(outcome("C.kqd", true));
    const QString text = terminal.text();
    const QStringList draws = text.split('\r', Qt::SkipEmptyParts);
    // 45 columns: the drawn line leaves the last column free.
    EXPECT_LE(draws.value(1).indexOf("\x1b[K"), 44) << qPrintable(text);
    EXPECT_TRUE(draws.value(2).startsWith('[' + QString(50, '#').replace(16, 34, QString(34, '.')) + ']'))
        << qPrintable(draws.value(2));
    EXPECT_TRUE(text.endsWith("\x1b[K\n[3/3] ok C.kqd (1.50 s): C.kqd.pdf\n")) << qPrintable(text);
}

TEST(batch_report_test, a_device_not_done_names_no_print_file_in_the_summary)
{
    QTemporaryDir dir;
    DeviceOutcome interrupted = outcome("C.kqd", false, "interrupted");
    interrupted.interrupted = true;
    const QString path = dir.filePath("summary.csv");
    QString error;
    ASSERT_TRUE(
        writeSummary(path, {outcome("A.kqd", true), outcome("B.kqd", false, "broken"), interrupted}, &error))
        << qPrintable(error);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), "path,status,message,seconds,print file,pdf\r\n"
                                                 "A.kqd,ok,,1.500,A.kqdPRN.HTM,A.kqd.pdf\r\n"
                                                 "B.kqd,failed,broken,1.500,,\r\n"
                                                 "C.kqd,interrupted,interrupted,1.500,,\r\n");
}

} // namespace
