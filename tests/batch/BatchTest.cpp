// The batch's input and output without the browser: which devices its
// paths name and where their PDFs go, its command line, its CSV.
#include "frame/batch/BatchOptions.h"
#include "frame/batch/BatchReport.h"
#include "frame/batch/DeviceList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    QString path(const QString &relative) const { return QDir::cleanPath(m_work.filePath(relative)); }

    QTemporaryDir m_work;
};

TEST_F(batch_test, a_folder_is_searched_recursively_and_pdfs_keep_the_path_below_it)
{
    touch(QStringLiteral("plant/v2/Valve.kqd"));
    touch(QStringLiteral("plant/v1/Valve.kqd"));
    touch(QStringLiteral("plant/v1/deep/Pump.KQD"));
    touch(QStringLiteral("plant/v1/Valve.data"));
    const QString out = path(QStringLiteral("out"));

    const QList<BatchDevice> devices = collectDevices({path(QStringLiteral("plant"))}, out);
    ASSERT_EQ(devices.size(), 3);
    EXPECT_EQ(devices[0].path, path(QStringLiteral("plant/v1/Valve.kqd")));
    EXPECT_EQ(devices[0].pdfPath, out + QStringLiteral("/v1/Valve.pdf"));
    EXPECT_EQ(devices[1].path, path(QStringLiteral("plant/v1/deep/Pump.KQD")));
    EXPECT_EQ(devices[1].pdfPath, out + QStringLiteral("/v1/deep/Pump.pdf"));
    EXPECT_EQ(devices[2].pdfPath, out + QStringLiteral("/v2/Valve.pdf"));
    for (const BatchDevice &device : devices)
        EXPECT_TRUE(device.error.isEmpty()) << qPrintable(device.error);
}

TEST_F(batch_test, a_list_names_descriptions_and_folders_relative_to_itself)
{
    touch(QStringLiteral("site/a/Meter.kqd"));
    touch(QStringLiteral("site/b/c/Meter.kqd"));
    touch(QStringLiteral("elsewhere/Far.kqd"));
    const QString list = touch(QStringLiteral("site/devices.txt"),
                               "# hall 3\n a/Meter.kqd \n\nb\n../elsewhere/Far.kqd\r\nmissing.kqd\n");
    const QString out = path(QStringLiteral("out"));

    const QList<BatchDevice> devices = collectDevices({QLatin1Char('@') + list}, out);
    ASSERT_EQ(devices.size(), 4);
    EXPECT_EQ(devices[0].path, path(QStringLiteral("site/a/Meter.kqd")));
    EXPECT_EQ(devices[0].pdfPath, out + QStringLiteral("/a/Meter.pdf"));
    EXPECT_EQ(devices[1].path, path(QStringLiteral("site/b/c/Meter.kqd")));
    EXPECT_EQ(devices[1].pdfPath, out + QStringLiteral("/b/c/Meter.pdf"));
    // A device outside the list's folder keeps its full path below DIR.
    EXPECT_EQ(devices[2].path, path(QStringLiteral("elsewhere/Far.kqd")));
    EXPECT_EQ(devices[2].pdfPath, out + path(QStringLiteral("elsewhere/Far.pdf")));
    EXPECT_EQ(devices[3].path, path(QStringLiteral("site/missing.kqd")));
    EXPECT_EQ(devices[3].error, QStringLiteral("no such file or folder"));
}

TEST_F(batch_test, the_second_device_of_one_pdf_path_is_refused)
{
    const QString first = touch(QStringLiteral("v1/Valve.kqd"));
    const QString second = touch(QStringLiteral("v2/Valve.kqd"));
    const QList<BatchDevice> devices = collectDevices({first, second}, path(QStringLiteral("out")));
    ASSERT_EQ(devices.size(), 2);
    EXPECT_TRUE(devices[0].error.isEmpty());
    EXPECT_EQ(
        devices[1].error,
        QStringLiteral("its PDF %1 is already that of %2").arg(path(QStringLiteral("out/Valve.pdf")), first));
    // Their folders keep them apart.
    const QList<BatchDevice> apart = collectDevices({m_work.path()}, path(QStringLiteral("out")));
    ASSERT_EQ(apart.size(), 2);
    EXPECT_TRUE(apart[1].error.isEmpty()) << qPrintable(apart[1].error);
}

TEST_F(batch_test, inputs_without_devices_become_one_failed_entry_each)
{
    QDir().mkpath(path(QStringLiteral("empty")));
    touch(QStringLiteral("empty/readme.txt"));
    const QString emptyList = touch(QStringLiteral("empty.txt"), "# nothing yet\n\n");
    const QString fifo = path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const struct
    {
        QString input;
        QString error;
    } cases[] = {
        {path(QStringLiteral("empty")), QStringLiteral("no device descriptions (.kqd) in this folder")},
        {path(QStringLiteral("nowhere")), QStringLiteral("no such file or folder")},
        {QLatin1Char('@') + path(QStringLiteral("nowhere.txt")), QStringLiteral("no such list file")},
        {QLatin1Char('@') + emptyList, QStringLiteral("the list names no device")},
        {QLatin1Char('@') + fifo, QStringLiteral("the list is not a regular file")},
        {QLatin1Char('@') + path(QStringLiteral("empty")), QStringLiteral("the list is not a regular file")},
    };
    for (const auto &test : cases) {
        const QList<BatchDevice> devices = collectDevices({test.input}, QString());
        ASSERT_EQ(devices.size(), 1) << qPrintable(test.input);
        EXPECT_EQ(devices[0].error, test.error) << qPrintable(test.input);
    }
}

TEST(batch_options_test, usage_errors_name_the_argument)
{
    const struct
    {
        QStringList arguments;
        QString message;
    } cases[] = {
        {{}, QStringLiteral("no device description, folder or list given")},
        {{QStringLiteral("--jobs"), QStringLiteral("0"), QStringLiteral("a.kqd")},
         QStringLiteral("--jobs takes a whole number from 1 to 64, not \"0\"")},
        {{QStringLiteral("--jobs=x"), QStringLiteral("a.kqd")},
         QStringLiteral("--jobs takes a whole number from 1 to 64, not \"x\"")},
        {{QStringLiteral("--timeout"), QStringLiteral("86401"), QStringLiteral("a.kqd")},
         QStringLiteral("--timeout takes a whole number from 1 to 86400, not \"86401\"")},
        {{QStringLiteral("--source"), QStringLiteral("tape"), QStringLiteral("a.kqd")},
         QStringLiteral("--source takes application, database or device, not \"tape\"")},
        {{QStringLiteral("--pdf="), QStringLiteral("a.kqd")}, QStringLiteral("--pdf takes a path")},
        {{QStringLiteral("@")}, QStringLiteral("an empty path was given")},
        {{QStringLiteral("--frobnicate"), QStringLiteral("a.kqd")},
         QStringLiteral("Unknown option 'frobnicate'.")},
    };
    for (const auto &test : cases) {
        BatchOptions options;
        QString message;
        EXPECT_EQ(parseBatchOptions(test.arguments, &options, &message), ParseResult::Error)
            << qPrintable(test.arguments.join(QLatin1Char(' ')));
        EXPECT_EQ(message, test.message);
    }
}

TEST(batch_report_test, csv_fields_are_quoted_where_they_must_be)
{
    const QPair<QString, QString> cases[] = {
        {QStringLiteral("plant/v1/Valve.kqd"), QStringLiteral("plant/v1/Valve.kqd")},
        {QString(), QString()},
        {QStringLiteral("a, b"), QStringLiteral("\"a, b\"")},
        {QStringLiteral("text \"garbage\""), QStringLiteral("\"text \"\"garbage\"\"\"")},
        {QStringLiteral("two\nlines"), QStringLiteral("\"two\nlines\"")},
        {QStringLiteral(" padded"), QStringLiteral("\" padded\"")},
    };
    for (const auto &[text, field] : cases)
        EXPECT_EQ(csvField(text), field) << qPrintable(text);
}

} // namespace
