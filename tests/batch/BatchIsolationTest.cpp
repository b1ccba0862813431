// SPDX-License-Identifier: Apache-2.0
// quiravel-batch with devices that misbehave beside healthy ones, and pages
// that must be printed whole however long the device's upload takes.
#include "tests/batch/BatchSummary.h"
#include "tests/support/ToolProcess.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class batch_isolation_test : public RegisteredComponentSuite
{
protected:
    /// PDFs go outside the devices' folder, where the batch refuses them.
    QTemporaryDir m_out;

    /// A flow-meter copy in `folder` with its own serial number and upload
    /// time; `script`, when given, is added to the end of its template.
    QString addDevice(const QString &folder, const QString &serial, int uploadMs, const QString &script = {})
    {
        const QString description = copySample(folder);
        const QDir dir = QFileInfo(description).dir();
        const QString data = dir.filePath("FlowMeter.data");
        QString text = QString::fromUtf8(readText(data).toLatin1());
        text.replace(QRegularExpression("^SERIAL_NUMBER\\s*=.*$", QRegularExpression::MultilineOption),
                     "SERIAL_NUMBER = " + serial);
        text.replace(QRegularExpression("^UploadMilliseconds\\s*=.*$", QRegularExpression::MultilineOption),
                     QString("UploadMilliseconds = %1").arg(uploadMs));
        EXPECT_TRUE(writeText(data, text));
        if (!script.isEmpty()) {
            m_templates.clear();
            const QString page = dir.filePath("FlowMeter001.HTM");
            EXPECT_TRUE(
                writeText(page, readText(page).replace("</body>", "<script>" + script + "</script></body>")));
        }
        return description;
    }

    ProcessResult batch(const QStringList &arguments)
    {
        return runTool(QUIRAVEL_BATCH_PATH, arguments, s_registry);
    }

    /// The words a page shows, each with how often: markup, comments, style
    /// and script left out, the few entities of these pages read.
    static QHash<QString, int> shownWords(QString text)
    {
        static const QRegularExpression hidden("<(style|script|title)[^>]*>.*?</\\1>|<!--.*?-->|<[^>]*>",
                                               QRegularExpression::DotMatchesEverythingOption |
                                                   QRegularExpression::CaseInsensitiveOption);
        text.replace(hidden, " ");
        text.replace("&amp;", "&")
            .replace("&micro;", QString(QChar(0xb5)))
            .replace("&middot;", QString(QChar(0xb7)));
        return words(text);
    }

    static QHash<QString, int> words(const QString &text)
    {
        QHash<QString, int> counts;
        for (const QString &word : text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
            ++counts[word.toLower()];
        return counts;
    }
};

TEST_F(batch_isolation_test, a_healthy_device_beside_an_upload_that_never_ends_finishes_in_its_own_time)
{
    addDevice("a-healthy", "SN-HEALTHY-1", 2000);
    addDevice("b-healthy", "SN-HEALTHY-2", 2000);
    addDevice("c-stuck", "SN-STUCK", 600'000);
    addDevice("d-healthy", "SN-HEALTHY-3", 0);
    const QString summary = m_work.filePath("summary.csv");
    const ProcessResult run =
        batch({"--source", "device", "--timeout", "6", "--jobs", "3", "--summary", summary, m_work.path()});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out + run.err);
    EXPECT_TRUE(run.out.contains("3 of 4 devices done, 1 failed")) << qPrintable(run.out);
    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 4) << qPrintable(readText(summary));
    for (const int i : {0, 1, 3}) {
        EXPECT_EQ(rows[i][1], "ok") << qPrintable(rows[i].join('|'));
        // Counted from the device's own start: an upload and its page.
        EXPECT_LT(rows[i][3].toDouble(), 5.0) << qPrintable(rows[i].join('|'));
    }
    EXPECT_EQ(rows[2][1], "failed");
    EXPECT_TRUE(rows[2][2].startsWith("timed out after 6 s while the upload from the device ran"))
        << qPrintable(rows[2][2]);
}

TEST_F(batch_isolation_test, an_endless_page_script_fails_its_device_alone)
{
    addDevice("a-healthy", "SN-HEALTHY-1", 0);
    addDevice("b-endless", "SN-ENDLESS", 0, "for (;;) {}");
    addDevice("c-healthy", "SN-HEALTHY-2", 0);
    const QString summary = m_work.filePath("summary.csv");
    const ProcessResult run = batch({"--script", "--timeout", "5", "--jobs", "3", "--pdf",
                                     m_out.filePath("pdf"), "--summary", summary, m_work.path()});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out + run.err);
    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 3) << qPrintable(readText(summary));
    EXPECT_EQ(rows[0][1], "ok") << qPrintable(rows[0].join('|'));
    EXPECT_EQ(rows[1][1], "failed");
    EXPECT_TRUE(rows[1][2].startsWith("timed out after 5 s while waiting for")) << qPrintable(rows[1][2]);
    EXPECT_EQ(rows[2][1], "ok") << qPrintable(rows[2].join('|'));
}

TEST_F(batch_isolation_test, a_page_that_asks_the_user_is_answered_without_harm)
{
    const QString asks =
        "alert('a'); confirm('c'); prompt('p', 'x'); print();"
        "document.body.insertAdjacentHTML('beforeend', '<p>ASKED-' + confirm('c') + '</p>');";
    for (int i = 1; i <= 4; ++i)
        addDevice(QString("unit-%1").arg(i), QString("SN-ASKS-%1").arg(i), 0, asks);
    const QString pdf = m_out.filePath("pdf");
    for (const char *script : {"--script", "--jobs"}) {
        const QString summary = m_work.filePath("summary.csv");
        QStringList arguments{"--jobs", "2", "--pdf", pdf, "--summary", summary, m_work.path()};
        if (QLatin1String(script) == "--script")
            arguments.prepend(script);
        const ProcessResult run = batch(arguments);
        EXPECT_EQ(run.exitCode, 0) << qPrintable(run.out + run.err);
        EXPECT_EQ(summaryRows(summary).size(), 4) << qPrintable(readText(summary));
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            continue;
        // With script on, the page ran on past its questions, answered No.
        const QString text = pdfText(pdf + "/unit-1/FlowMeter.pdf");
        EXPECT_EQ(text.contains("ASKED-false"), QLatin1String(script) == "--script")
            << qPrintable(text.left(500));
    }
}

TEST_F(batch_isolation_test, every_pdf_holds_every_word_of_its_print_file_whatever_the_upload_takes)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    // A big page takes long enough to load that a second navigation to it
    // lands while the first still runs.
    QString rows;
    for (int row = 1; row <= 5000; ++row)
        rows += QString("<tr><td>ROW-%1</td><td>#SERIAL_NUMBER#</td></tr>\n").arg(row, 5, 10, QChar('0'));
    QStringList devices;
    for (int ms = 0; ms <= 400; ms += 80)
        devices.append(
            addDevice(QString("flow-%1").arg(ms, 3, 10, QChar('0')), QString("SN-%1").arg(ms), ms));
    for (const int ms : {40, 280}) {
        const QString description =
            addDevice(QString("big-%1").arg(ms, 3, 10, QChar('0')), QString("SN-BIG-%1").arg(ms), ms);
        m_templates.clear();
        const QString page = QFileInfo(description).dir().filePath("FlowMeter001.HTM");
        ASSERT_TRUE(writeText(page, readText(page).replace("</body>", "<table>" + rows + "</table></body>")));
        devices.append(description);
    }
    const QString pdf = m_out.filePath("pdf");
    for (int round = 1; round <= 2; ++round) {
        const QString summary = m_work.filePath("summary.csv");
        const ProcessResult run =
            batch({"--source", "device", "--jobs", "2", "--pdf", pdf, "--summary", summary, m_work.path()});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.out + run.err);
        const QList<QStringList> results = summaryRows(summary);
        ASSERT_EQ(results.size(), devices.size());
        for (const QStringList &result : results) {
            const QHash<QString, int> page = shownWords(readText(result[4]));
            const QHash<QString, int> printed = words(pdfText(result[5]));
            int missing = 0;
            for (auto it = page.cbegin(); it != page.cend(); ++it)
                missing += std::max(0, it.value() - printed.value(it.key()));
            EXPECT_EQ(missing, 0) << "round " << round << ": " << qPrintable(result[0]);
        }
    }
}

} // namespace
