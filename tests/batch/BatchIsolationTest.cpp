// SPDX-License-Identifier: Apache-2.0
// quiravel-batch with devices that misbehave beside healthy ones, and pages
// that must be printed whole however long the device's upload takes.
#include "tests/batch/BatchSummary.h"
#include "tests/support/ToolProcess.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class batch_isolation_test : public BatchSuite
{
protected:
    /// PDFs go outside the devices' folder, where the batch refuses them.
    QTemporaryDir m_out;

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

TEST_F(batch_isolation_test, with_script_an_endless_page_fails_alone_and_questions_are_answered_no)
{
    addDevice("a-healthy", "SN-HEALTHY-1");
    addDevice("b-endless", "SN-ENDLESS", 0, "for (;;) {}");
    const QString asks =
        "alert('a'); confirm('c'); prompt('p', 'x'); print();"
        "document.body.insertAdjacentHTML('beforeend', '<p>ASKED-' + confirm('c') + '</p>');";
    for (const char *folder : {"c-asks", "d-asks"})
        addDevice(folder, "SN-ASKS", 0, asks);
    const QString summary = m_work.filePath("summary.csv");
    const QString pdf = m_out.filePath("pdf");
    const ProcessResult run = batch(
        {"--script", "--timeout", "5", "--jobs", "3", "--pdf", pdf, "--summary", summary, m_work.path()});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out + run.err);
    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 4) << qPrintable(readText(summary));
    for (const int i : {0, 2, 3})
        EXPECT_EQ(rows[i][1], "ok") << qPrintable(rows[i].join('|'));
    EXPECT_EQ(rows[1][1], "failed");
    EXPECT_TRUE(rows[1][2].startsWith("timed out after 5 s while waiting for")) << qPrintable(rows[1][2]);
    // The page ran on past its questions, answered No.
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString text = pdfText(pdf + "/c-asks/FlowMeter.pdf");
    EXPECT_TRUE(text.contains("ASKED-false")) << qPrintable(text.left(500));
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
    QHash<QString, QString> serials;
    for (int ms = 0; ms <= 400; ms += 80) {
        const QString serial = QString("SN-%1").arg(ms);
        serials[addDevice(QString("flow-%1").arg(ms, 3, 10, QChar('0')), serial, ms)] = serial;
    }
    for (const int ms : {40, 280}) {
        const QString serial = QString("SN-BIG-%1").arg(ms);
        const QString description = addDevice(QString("big-%1").arg(ms, 3, 10, QChar('0')), serial, ms);
        serials[description] = serial;
        m_templates.clear();
        const QString page = QFileInfo(description).dir().filePath("FlowMeter001.HTM");
        ASSERT_TRUE(writeText(page, readText(page).replace("</body>", "<table>" + rows + "</table></body>")));
    }
    // One device at a time, then several at once: the same pages, only the
    // time of reading may differ.
    static const QRegularExpression clock("\\d{1,2}\\.\\w{3} \\d{4}|\\d\\d:\\d\\d:\\d\\d");
    QHash<QString, QString> firstPages;
    const QString pdf = m_out.filePath("pdf");
    for (const char *jobs : {"1", "4"}) {
        for (const QString &description : serials.keys())
            QFile::remove(QFileInfo(description).dir().filePath("FlowMeterPRN.HTM"));
        const QString summary = m_work.filePath("summary.csv");
        const ProcessResult run =
            batch({"--source", "device", "--jobs", jobs, "--pdf", pdf, "--summary", summary, m_work.path()});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.out + run.err);
        const QList<QStringList> results = summaryRows(summary);
        ASSERT_EQ(results.size(), serials.size());
        for (const QStringList &result : results) {
            const QString text = readText(result[4]);
            const QHash<QString, int> page = shownWords(text);
            EXPECT_TRUE(page.contains(serials.value(result[0]).toLower())) << qPrintable(result[0]);
            const QString timeless = QString(text).replace(clock, "(time)");
            EXPECT_EQ(firstPages.value(result[0], timeless), timeless)
                << jobs << ": " << qPrintable(result[0]);
            firstPages.insert(result[0], timeless);
            const QHash<QString, int> printed = words(pdfText(result[5]));
            int missing = 0;
            for (auto it = page.cbegin(); it != page.cend(); ++it)
                missing += std::max(0, it.value() - printed.value(it.key()));
            EXPECT_EQ(missing, 0) << jobs << " at once: " << qPrintable(result[0]);
        }
    }
}

} // namespace
