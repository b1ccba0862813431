// SPDX-License-Identifier: Apache-2.0
// What the batch leaves and says when its PDFs meet a full disk, and when a
// device file's value holds a NUL byte.
#include "tests/batch/BatchSummary.h"
#include "tests/support/ScopedFolder.h"
#include "tests/support/ToolProcess.h"

#include <QDirIterator>
#include <gtest/gtest.h>

namespace {

using batch_file_safety_test = RegisteredComponentSuite;

TEST_F(batch_file_safety_test, pdfs_on_a_full_disk_fail_with_the_reason_and_leave_no_file)
{
    copySample("plant/a");
    copySample("plant/b");
    ScopedFolder full(m_work.filePath("full"));
    if (!full.fill())
        GTEST_SKIP() << "needs the privileges to mount a tmpfs";
    const QString summary = m_work.filePath("summary.csv");
    const ProcessResult run = runTool(
        QUIRAVEL_BATCH_PATH,
        {"--pdf", m_work.filePath("full/pdf"), "--summary", summary, m_work.filePath("plant")}, s_registry);
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out + run.err);
    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 2) << qPrintable(readText(summary));
    for (const QStringList &row : rows) {
        EXPECT_EQ(row[1], "failed");
        EXPECT_TRUE(row[2].startsWith("the PDF could not be written: " + m_work.filePath("full/pdf/")) &&
                    row[2].endsWith("/FlowMeter.pdf: No space left on device"))
            << qPrintable(row[2]);
    }
    QStringList files;
    for (QDirIterator it(m_work.filePath("full/pdf"), QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        files.append(it.next());
    EXPECT_EQ(files, QStringList()) << "PDFs or temporaries left";
}

TEST_F(batch_file_safety_test, a_nul_byte_in_a_value_neither_cuts_a_report_line_nor_a_summary_row)
{
    const QString data = QFileInfo(copySample("plant")).dir().filePath("FlowMeter.data");
    QByteArray text = readBytes(data);
    text.replace("UploadMilliseconds = 1500", QByteArray("UploadMilliseconds = 15") + '\0' + "00");
    writeBytes(data, text);
    const QString summary = m_work.filePath("summary.csv");
    const ProcessResult run =
        runTool(QUIRAVEL_BATCH_PATH, {"--summary", summary, m_work.filePath("plant")}, s_registry);
    EXPECT_EQ(run.exitCode, 1);
    // Its line and the list of failures at the end.
    EXPECT_EQ(run.out.count("is not an integer: \"15\\000\"\n"), 2) << qPrintable(run.out);
    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 1) << qPrintable(readText(summary));
    EXPECT_TRUE(rows[0][2].endsWith(QString("is not an integer: \"15") + QChar(0) + "00\""))
        << qPrintable(rows[0][2]);
    EXPECT_EQ(rows[0].size(), 6);
}

} // namespace
