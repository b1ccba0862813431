// SPDX-License-Identifier: Apache-2.0
// What the frame leaves in the folders it writes to when runs overlap, are
// killed, or meet a full disk, a folder that takes no file or a NUL byte.
#include "tests/batch/BatchSummary.h"
#include "tests/support/ScopedFolder.h"
#include "tests/support/ToolProcess.h"

#include <QStandardPaths>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

namespace {

class frame_file_safety_test : public RegisteredComponentSuite
{
protected:
    /// A copy of the sample's data file beside `description`, `key` set to `value`.
    static QString dataWith(const QString &description, const QString &name, const QByteArray &key,
                            const QByteArray &value)
    {
        const QDir dir = QFileInfo(description).dir();
        QByteArray text = readBytes(dir.filePath("FlowMeter.data"));
        const qsizetype start = text.indexOf("\n" + key + " = ") + key.size() + 4;
        text.replace(start, text.indexOf('\n', start) - start, value);
        writeBytes(dir.filePath(name), text);
        return dir.filePath(name);
    }

    /// Hidden files the writers leave: temporaries and locks.
    QStringList debris(const QString &folder) const
    {
        return QDir(m_work.filePath(folder)).entryList({".*.tmp", ".*.lock"}, QDir::Files | QDir::Hidden);
    }
};

TEST_F(frame_file_safety_test, two_frames_on_one_device_folder_each_print_their_own_data)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString description = copySample("dev");
    const QStringList serials = {"SN-FIRST-1111", "SN-SECOND-2222"};
    for (const QString &serial : serials)
        dataWith(description, serial + ".data", "SERIAL_NUMBER", serial.toLatin1());
    for (int round = 1; round <= 3; ++round) {
        std::vector<std::unique_ptr<QProcess>> frames;
        for (const QString &serial : serials)
            frames.push_back(startTool(QUIRAVEL_FRAME_PATH,
                                       {"--headless", "--data", m_work.filePath("dev/" + serial + ".data"),
                                        "--pdf", m_work.filePath(serial + ".pdf"), description},
                                       s_registry));
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const ProcessResult run = finishTool(*frames[i]);
            ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
            const QString text = pdfText(m_work.filePath(serials[i] + ".pdf"));
            EXPECT_TRUE(text.contains(serials[i]) && !text.contains(serials[1 - i]))
                << "round " << round << ": " << qPrintable(serials[i]);
        }
    }
    EXPECT_EQ(debris("dev"), QStringList());
}

TEST_F(frame_file_safety_test, the_next_run_removes_what_a_killed_writer_left_and_keeps_a_living_one_s)
{
    const QString description = copySample("dev");
    const QString pdf = m_work.filePath("view.pdf");
    // Killed as soon as its page is shown: the PDF is being written then.
    auto killed = startTool(QUIRAVEL_FRAME_PATH, {"--headless", "--pdf", pdf, description}, s_registry);
    QByteArray out;
    while (!out.contains("page: ") && killed->waitForReadyRead(60'000))
        out += killed->readAllStandardOutput();
    ASSERT_TRUE(out.contains("page: "));
    ::kill(pid_t(killed->processId()), SIGKILL);
    killed->waitForFinished();
    // Temporaries of a process that is gone and of one that lives (this test).
    QProcess gone;
    gone.start("true");
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 gonePid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    const QString dead = QString(".FlowMeterPRN.HTM.%1-dead.tmp").arg(gonePid);
    const QString living = QString(".FlowMeterPRN.HTM.%1-living.tmp").arg(::getpid());
    writeBytes(m_work.filePath("dev/" + dead), "partial");
    writeBytes(m_work.filePath("dev/" + living), "partial");
    const QStringList left = debris("") + debris("dev");

    const ProcessResult next =
        runTool(QUIRAVEL_FRAME_PATH, {"--headless", "--pdf", pdf, description}, s_registry);
    ASSERT_EQ(next.exitCode, 0) << qPrintable(next.err);
    EXPECT_EQ(debris(""), QStringList()) << "after the kill: " << qPrintable(left.join(' '));
    EXPECT_EQ(debris("dev"), QStringList({living})) << "after the kill: " << qPrintable(left.join(' '));
    EXPECT_TRUE(readText(pdf).startsWith("%PDF"));
}

TEST_F(frame_file_safety_test, a_pdf_on_a_full_disk_or_in_a_folder_taking_no_file_keeps_the_old_and_says_why)
{
    const QString description = copySample("dev");
    // A size limit too small for the engine's shared memory fails the page,
    // and the run says so instead of dying by SIGXFSZ.
    const ProcessResult limited = runTool(
        "prlimit", {"--fsize=16384", "--", QUIRAVEL_FRAME_PATH, "--headless", description}, s_registry);
    EXPECT_EQ(limited.exitCode, 5) << qPrintable(limited.err);

    ScopedFolder full(m_work.filePath("full"));
    ScopedFolder fixed(m_work.filePath("fixed"));
    if (!full.fill("old.pdf", "old PDF") || !fixed.makeImmutable())
        GTEST_SKIP() << "needs the privileges to mount a tmpfs and to set a folder immutable";
    for (const auto &[pdf, reason] :
         {std::pair{m_work.filePath("full/old.pdf"), "No space left on device"},
          std::pair{m_work.filePath("fixed/view.pdf"), "Operation not permitted"}}) {
        const ProcessResult run = runTool(
            QUIRAVEL_FRAME_PATH, {"--headless", "--timeout", "600", "--pdf", pdf, description}, s_registry);
        EXPECT_EQ(run.exitCode, 7) << qPrintable(run.err);
        EXPECT_EQ(run.err,
                  QString("quiravel-frame: the PDF could not be written: %1: %2\n").arg(pdf, reason));
    }
    EXPECT_EQ(readBytes(m_work.filePath("full/old.pdf")), "old PDF");
    EXPECT_EQ(QDir(m_work.filePath("full")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"filler", "old.pdf"}));
}

TEST_F(frame_file_safety_test, a_nul_byte_in_a_value_neither_cuts_the_print_file_line_nor_the_error_line)
{
    const QString description = copySample("dev");
    const QString shown = dataWith(description, "shown.data", "SERIAL_NUMBER", QByteArray("SN\0NUL", 6));
    const ProcessResult run =
        runTool(QUIRAVEL_FRAME_PATH, {"--headless", "--data", shown, description}, s_registry);
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(readBytes(m_work.filePath("dev/FlowMeterPRN.HTM"))
                    .contains(QByteArray("<td>SN\0NUL</td></tr>\r\n", 22)));

    const QString bad =
        dataWith(description, "bad.data", "UploadMilliseconds", QByteArray("15") + '\0' + "00");
    const ProcessResult failed =
        runTool(QUIRAVEL_FRAME_PATH, {"--headless", "--data", bad, description}, s_registry);
    EXPECT_EQ(failed.exitCode, 3);
    EXPECT_TRUE(failed.err.endsWith("is not an integer: \"15\\000\"\n")) << qPrintable(failed.err);
}

} // namespace
