// quiravel-batch end to end: the built component is registered in a private
// registry file, and the batch documents folders of flow-meter copies with
// their own values, some of them broken, in one run each.
#include "tests/support/FileGuards.h"
#include "tests/support/ToolProcess.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class batch_e2e_test : public RegisteredComponentSuite
{
protected:
    /// A copy of the flow-meter sample in `folder` whose serial number (in
    /// every data set) is `serial` and whose upload takes `uploadMs`;
    /// answers the description's path.
    QString addDevice(const QString &folder, const QString &serial, int uploadMs = 0)
    {
        const QDir target(m_work.filePath(folder));
        QDir().mkpath(target.path());
        const QDir source(QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/flowmeter"));
        for (const QString &name : source.entryList(QDir::Files)) {
            QFile::copy(source.filePath(name), target.filePath(name));
            if (name.endsWith(QLatin1String(".HTM")))
                m_templates.push_back(std::make_unique<TemplateGuard>(target.filePath(name)));
        }
        const QString data = target.filePath(QStringLiteral("FlowMeter.data"));
        QString text = QString::fromUtf8(readText(data).toLatin1());
        text.replace(
            QRegularExpression(QStringLiteral("^SERIAL_NUMBER\\s*=.*$"), QRegularExpression::MultilineOption),
            QStringLiteral("SERIAL_NUMBER = ") + serial);
        text.replace(QRegularExpression(QStringLiteral("^UploadMilliseconds\\s*=.*$"),
                                        QRegularExpression::MultilineOption),
                     QStringLiteral("UploadMilliseconds = %1").arg(uploadMs));
        EXPECT_TRUE(writeText(data, text));
        return target.filePath(QStringLiteral("FlowMeter.kqd"));
    }

    ProcessResult batch(const QStringList &arguments)
    {
        return runTool(QStringLiteral(QUIRAVEL_BATCH_PATH), arguments, s_registry);
    }

    /// The summary's lines after its header, each split into its six fields
    /// (no field of these runs holds a line break).
    QList<QStringList> summaryRows(const QString &path)
    {
        QList<QStringList> rows;
        QStringList lines = readText(path).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        EXPECT_EQ(lines.value(0), QStringLiteral("path,status,message,seconds,print file,pdf"));
        for (const QString &line : lines.mid(1)) {
            QStringList fields;
            static const QRegularExpression field(QStringLiteral("(\"(?:[^\"]|\"\")*\"|[^,]*)(,|$)"));
            for (auto it = field.globalMatch(line); it.hasNext() && fields.size() < 6;) {
                QString text = it.next().captured(1);
                if (text.startsWith(QLatin1Char('"')))
                    text = text.mid(1, text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
                fields.append(text);
            }
            rows.append(fields);
        }
        return rows;
    }

    static QString pdfText(const QString &pdf)
    {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        if (!pdftotext.waitForFinished(60'000))
            return {};
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

    QTemporaryDir m_work;
    std::vector<std::unique_ptr<TemplateGuard>> m_templates;
};

// Until every component in a process has its own message sink, runs whose
// devices raise messages go one device at a time.
TEST_F(batch_e2e_test, a_folder_of_good_and_broken_devices_fails_only_the_broken_ones)
{
    addDevice(QStringLiteral("plant/hall1/good"), QStringLiteral("SN-GOOD-1"));
    addDevice(QStringLiteral("plant/hall2/deep/good"), QStringLiteral("SN-GOOD-2"));
    const QString noTemplate = addDevice(QStringLiteral("plant/hall1/notemplate"), QStringLiteral("SN-X"));
    m_templates.clear();
    ASSERT_TRUE(QFile::remove(QFileInfo(noTemplate).dir().filePath(QStringLiteral("FlowMeter001.HTM"))));
    const QString malformed = addDevice(QStringLiteral("plant/hall2/malformed"), QStringLiteral("SN-Y"));
    ASSERT_TRUE(writeText(malformed, QStringLiteral("[Device]\nno equals sign here\n")));
    const QString offline = addDevice(QStringLiteral("plant/hall3/offline"), QStringLiteral("SN-Z"));
    const QString offlineData = QFileInfo(offline).dir().filePath(QStringLiteral("FlowMeter.data"));
    ASSERT_TRUE(writeText(
        offlineData,
        readText(offlineData).replace(QStringLiteral("Connected = yes"), QStringLiteral("Connected = no"))));

    const QString out = m_work.filePath(QStringLiteral("out"));
    const QString summary = m_work.filePath(QStringLiteral("summary.csv"));
    const ProcessResult run =
        batch({QStringLiteral("--source"), QStringLiteral("device"), QStringLiteral("--jobs"),
               QStringLiteral("4"), QStringLiteral("--pdf"), out, QStringLiteral("--summary"), summary,
               m_work.filePath(QStringLiteral("plant"))});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.err);
    EXPECT_EQ(run.out.count(
                  QRegularExpression(QStringLiteral("^\\[\\d/5\\] "), QRegularExpression::MultilineOption)),
              5)
        << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains(QStringLiteral("2 of 5 devices done, 3 failed, in ")))
        << qPrintable(run.out);

    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 5) << qPrintable(readText(summary));
    const QStringList expected[] = {
        // path below the work folder, status, part of the message
        {QStringLiteral("plant/hall1/good"), QStringLiteral("ok"), QString()},
        {QStringLiteral("plant/hall1/notemplate"), QStringLiteral("failed"),
         QStringLiteral("File not found")},
        {QStringLiteral("plant/hall2/deep/good"), QStringLiteral("ok"), QString()},
        {QStringLiteral("plant/hall2/malformed"), QStringLiteral("failed"),
         QStringLiteral("FlowMeter.kqd:2:")},
        {QStringLiteral("plant/hall3/offline"), QStringLiteral("failed"),
         QStringLiteral("Upload device data...: Device disconnected !")},
    };
    for (int i = 0; i < 5; ++i) {
        const QStringList &row = rows[i];
        ASSERT_EQ(row.size(), 6) << qPrintable(row.join(QLatin1Char('|')));
        EXPECT_EQ(row[0], m_work.filePath(expected[i][0] + QStringLiteral("/FlowMeter.kqd")));
        EXPECT_EQ(row[1], expected[i][1]) << qPrintable(row.join(QLatin1Char('|')));
        EXPECT_TRUE(row[2].contains(expected[i][2])) << qPrintable(row[2]);
        EXPECT_GE(row[3].toDouble(), 0.0);
        if (row[1] == QLatin1String("ok")) {
            // The confirmation an upload asks for, answered and recorded.
            EXPECT_EQ(row[2],
                      QStringLiteral("Upload device data...: Attention, overwrite application data !"));
            EXPECT_EQ(row[4], m_work.filePath(expected[i][0] + QStringLiteral("/FlowMeterPRN.HTM")));
            EXPECT_EQ(row[5], QDir(out).filePath(expected[i][0].mid(6) + QStringLiteral("/FlowMeter.pdf")));
        } else {
            EXPECT_TRUE(row[5].isEmpty());
        }
    }

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString first = pdfText(rows[0][5]);
    EXPECT_TRUE(first.contains(QStringLiteral("SN-GOOD-1"))) << qPrintable(first.left(2000));
    EXPECT_FALSE(first.contains(QStringLiteral("SN-GOOD-2")));
    EXPECT_TRUE(pdfText(rows[2][5]).contains(QStringLiteral("SN-GOOD-2")));
}

TEST_F(batch_e2e_test, one_or_four_devices_at_once_give_the_same_print_files)
{
    QStringList printFiles;
    QString list;
    for (int i = 1; i <= 6; ++i) {
        const QString description = addDevice(QStringLiteral("units/u%1").arg(i),
                                              QStringLiteral("SN-UNIT-%1").arg(i, 3, 10, QLatin1Char('0')));
        printFiles.append(QFileInfo(description).dir().filePath(QStringLiteral("FlowMeterPRN.HTM")));
        list += QStringLiteral("units/u%1/FlowMeter.kqd\n").arg(i);
    }
    const QString listPath = m_work.filePath(QStringLiteral("devices.txt"));
    ASSERT_TRUE(writeText(listPath, QStringLiteral("# all units\n") + list));

    QStringList pages[2];
    const QString jobs[2] = {QStringLiteral("1"), QStringLiteral("4")};
    for (int run = 0; run < 2; ++run) {
        for (const QString &path : std::as_const(printFiles))
            QFile::remove(path);
        const ProcessResult result =
            batch({QStringLiteral("--jobs"), jobs[run], QLatin1Char('@') + listPath});
        ASSERT_EQ(result.exitCode, 0) << qPrintable(result.out + result.err);
        // Only the time of reading may differ.
        static const QRegularExpression clock(
            QStringLiteral("\\d{1,2}\\.\\w{3} \\d{4}|\\d\\d:\\d\\d:\\d\\d"));
        for (const QString &path : std::as_const(printFiles))
            pages[run].append(readText(path).replace(clock, QStringLiteral("(time)")));
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(pages[0][i].contains(QStringLiteral("SN-UNIT-%1").arg(i + 1, 3, 10, QLatin1Char('0'))));
        EXPECT_EQ(pages[0][i], pages[1][i]) << qPrintable(printFiles[i]);
    }
}

TEST_F(batch_e2e_test, an_upload_that_never_ends_times_out_alone)
{
    const QString stuck = addDevice(QStringLiteral("a-stuck"), QStringLiteral("SN-STUCK"), 600'000);
    addDevice(QStringLiteral("b-quick"), QStringLiteral("SN-QUICK-1"));
    addDevice(QStringLiteral("c-quick"), QStringLiteral("SN-QUICK-2"));
    const QString summary = m_work.filePath(QStringLiteral("summary.csv"));
    const ProcessResult run =
        batch({QStringLiteral("--source"), QStringLiteral("device"), QStringLiteral("--timeout"),
               QStringLiteral("3"), QStringLiteral("--jobs"), QStringLiteral("3"),
               QStringLiteral("--summary"), summary, m_work.path()});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out + run.err);
    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 3) << qPrintable(readText(summary));
    EXPECT_EQ(rows[0][0], stuck);
    EXPECT_EQ(rows[0][1], QStringLiteral("failed"));
    EXPECT_TRUE(rows[0][2].startsWith(QStringLiteral("timed out after 3 s while scrShadow ran")))
        << qPrintable(rows[0][2]);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(rows[i][1], QStringLiteral("ok")) << qPrintable(rows[i].join(QLatin1Char('|')));
        EXPECT_TRUE(readText(rows[i][4]).contains(QStringLiteral("SN-QUICK-%1").arg(i)));
    }
}

TEST_F(batch_e2e_test, usage_errors_exit_with_2_before_anything_runs)
{
    const ProcessResult bad = batch({QStringLiteral("--jobs"), QStringLiteral("0"), m_work.path()});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, QStringLiteral("quiravel-batch: --jobs takes a whole number from 1 to 64, not \"0\"\n"
                                      "Try 'quiravel-batch --help'.\n"));
    const ProcessResult none = batch({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.err.contains(QStringLiteral("no device description, folder or list given")));

    const ProcessResult help = batch({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quiravel-batch [options] PATH...")))
        << qPrintable(help.out);
    for (const char *option : {"--source", "--report", "--pdf", "--jobs", "--timeout", "--summary"})
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
}

} // namespace
