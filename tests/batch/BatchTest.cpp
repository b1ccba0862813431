// The batch's input and output without the browser: which devices its
// paths name and where their PDFs go, its command line, its CSV.
#include "frame/batch/BatchOptions.h"
#include "frame/batch/BatchReport.h"
#include "frame/batch/DeviceList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
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
            lines.append(QDir::cleanPath(device.path) +
                         (device.error.isEmpty() ? " -> " + device.pdfPath : ": " + device.error));
        return lines.replaceInStrings(m_work.path(), "W");
    }

    QTemporaryDir m_work;
};

TEST_F(batch_test, a_folder_is_searched_recursively_and_pdfs_keep_the_path_below_it)
{
    for (const char *file :
         {"plant/v2/Valve.kqd", "plant/v1/Valve.kqd", "plant/v1/deep/Pump.KQD", "plant/v1/Valve.data"})
        touch(file);
    EXPECT_EQ(devices({m_work.filePath("plant")}),
              QStringList({"W/plant/v1/Valve.kqd -> W/out/v1/Valve.pdf",
                           "W/plant/v1/deep/Pump.KQD -> W/out/v1/deep/Pump.pdf",
                           "W/plant/v2/Valve.kqd -> W/out/v2/Valve.pdf"}));
}

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

TEST_F(batch_test, the_second_device_of_one_pdf_path_is_refused)
{
    const QString first = touch("v1/Valve.kqd");
    const QString second = touch("v2/Valve.kqd");
    EXPECT_EQ(devices({first, second}),
              QStringList({"W/v1/Valve.kqd -> W/out/Valve.pdf",
                           "W/v2/Valve.kqd: its PDF W/out/Valve.pdf is already that of W/v1/Valve.kqd"}));
    // Their folders keep them apart.
    EXPECT_EQ(devices({m_work.path()}),
              QStringList({"W/v1/Valve.kqd -> W/out/v1/Valve.pdf", "W/v2/Valve.kqd -> W/out/v2/Valve.pdf"}));
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

TEST_F(batch_test, names_that_are_not_utf8_fail_by_their_escaped_name_instead_of_vanishing)
{
    touch("plant/ok/Meter.kqd");
    const QByteArray plant = QFile::encodeName(m_work.filePath("plant"));
    for (const QByteArray &raw :
         {plant + "/caf\xE9.kqd", plant + "/hall\xE9/Pump.kqd", plant + "/empty\xE9/x.txt"}) {
        ASSERT_EQ(::mkdir(raw.left(raw.lastIndexOf('/')).constData(), 0755) == 0 || errno == EEXIST, true);
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QString why =
        ": its name is not valid UTF-8, which this program cannot open; rename it (e.g. with convmv)";
    EXPECT_EQ(devices({m_work.filePath("plant")}),
              QStringList({"W/plant/ok/Meter.kqd -> W/out/ok/Meter.pdf", "W/plant/caf\\xE9.kqd" + why,
                           "W/plant/hall\\xE9" + why}));
}

TEST(batch_options_test, usage_errors_name_the_argument)
{
    const std::tuple<QStringList, QString> cases[] = {
        {{"--jobs=x", "a.kqd"}, "--jobs takes a whole number from 1 to 64, not \"x\""},
        {{"--timeout", "86401", "a.kqd"}, "--timeout takes a whole number from 1 to 86400, not \"86401\""},
        {{"--source", "tape", "a.kqd"}, "--source takes application, database or device, not \"tape\""},
        {{"--pdf=", "a.kqd"}, "--pdf takes a path"},
        {{"@"}, "an empty path was given"},
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

} // namespace
