// SPDX-License-Identifier: Apache-2.0
// quiravel-batch end to end: the built component is registered in a private
// registry file, and the batch documents folders of flow-meter copies with
// their own values, some of them broken, in one run each.
#include "tests/batch/BatchSummary.h"
#include "tests/support/PtyProcess.h"
#include "tests/support/ToolProcess.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class batch_e2e_test : public BatchSuite
{
};

TEST_F(batch_e2e_test, a_folder_of_good_and_broken_devices_fails_only_the_broken_ones)
{
    // Without --script a page's script does not run.
    addDevice("plant/hall1/good", "SN-GOOD-1", 0,
              "document.body.insertAdjacentHTML('beforeend', '<p>SCRIPT-RAN</p>');");
    addDevice("plant/hall2/deep/good", "SN-GOOD-2");
    // Two devices without a template in the user's language: said once.
    QStringList english;
    for (const char *folder : {"plant/hall1/notemplate", "plant/hall3/notemplate"})
        english.append(QFileInfo(addDevice(folder, "SN-X")).dir().filePath("FlowMeter001.HTM"));
    m_templates.clear();
    for (const QString &page : english)
        ASSERT_TRUE(QFile::remove(page));
    // A folder name that is not UTF-8 is documented like any other.
    const QByteArray deep = QFile::encodeName(m_work.filePath("plant/hall2/deep"));
    const QByteArray named = QFile::encodeName(m_work.filePath("plant/hall2/d")) + '\xE9' + "ep";
    ASSERT_EQ(::rename(deep.constData(), named.constData()), 0);
    // Back for the work folder's removal, which Qt cannot do.
    const auto back = qScopeGuard([&] { ::rename(named.constData(), deep.constData()); });
    ASSERT_TRUE(writeText(addDevice("plant/hall2/malformed", "SN-Y"), "[Device]\nno equals sign here\n"));
    const QString offline =
        QFileInfo(addDevice("plant/hall3/offline", "SN-Z")).dir().filePath("FlowMeter.data");
    ASSERT_TRUE(writeText(offline, readText(offline).replace("Connected = yes", "Connected = no")));

    const QString out = m_work.filePath("out");
    const QString summary = m_work.filePath("summary.csv");
    const ProcessResult run = batch(
        {"--source", "device", "--jobs", "4", "--pdf", out, "--summary", summary, m_work.filePath("plant")});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.err);
    // The browser engine's own notes (sandbox, graphics) stay off standard
    // error; what is left is the warning that a template is only there in
    // the other language.
    EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).size(), 1) << qPrintable(run.err);
    static const QRegularExpression warning(
        "^quiravel-batch: warning: .*/hall\\d/notemplate/FlowMeter.kqd has no "
        "template for the user's language, only .*/FlowMeter049.HTM;");
    EXPECT_TRUE(warning.match(run.err).hasMatch()) << qPrintable(run.err);
    EXPECT_EQ(run.out.count(QRegularExpression("^\\[\\d/6\\] ", QRegularExpression::MultilineOption)), 6)
        << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains("2 of 6 devices done, 4 failed, in ")) << qPrintable(run.out);

    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 6) << qPrintable(readText(summary));
    // Path below the work folder, status, part of the message.
    const char *const expected[][3] = {
        {"plant/hall1/good", "ok", ""},
        {"plant/hall1/notemplate", "failed", "File not found"},
        {"plant/hall2/d\\xE9ep/good", "ok", ""},
        {"plant/hall2/malformed", "failed", "FlowMeter.kqd:2:"},
        {"plant/hall3/notemplate", "failed", "File not found"},
        {"plant/hall3/offline", "failed", "Upload device data...: Device disconnected !"},
    };
    for (int i = 0; i < 6; ++i) {
        const QStringList &row = rows[i];
        const QString folder = expected[i][0];
        ASSERT_EQ(row.size(), 6) << qPrintable(row.join('|'));
        EXPECT_EQ(row[0], m_work.filePath(folder + "/FlowMeter.kqd"));
        EXPECT_EQ(row[1], expected[i][1]) << qPrintable(row.join('|'));
        EXPECT_TRUE(row[2].contains(expected[i][2])) << qPrintable(row[2]);
        EXPECT_GE(row[3].toDouble(), 0.0);
        if (row[1] == "ok") {
            // The confirmation an upload asks for, answered and recorded.
            EXPECT_EQ(row[2], "Upload device data...: Attention, overwrite application data !");
            EXPECT_EQ(row[4], m_work.filePath(folder + "/FlowMeterPRN.HTM"));
            EXPECT_EQ(row[5], QDir(out).filePath(folder.mid(6) + "/FlowMeter.pdf"));
        } else {
            // What a failed device left beside its template is not its page.
            EXPECT_TRUE(row[4].isEmpty()) << qPrintable(row.join('|'));
            EXPECT_TRUE(row[5].isEmpty());
        }
    }

    if (!QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
        QProcess pdfinfo;
        pdfinfo.start("pdfinfo", {rows[0][5]});
        ASSERT_TRUE(pdfinfo.waitForFinished(60'000));
        const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
        static const QRegularExpression title("<title>(.*)</title>");
        const QString pageTitle = title.match(readText(rows[0][4])).captured(1);
        ASSERT_FALSE(pageTitle.isEmpty());
        EXPECT_TRUE(info.contains(QRegularExpression(
            "^Title: +" + QRegularExpression::escape(pageTitle) + "\n", QRegularExpression::MultilineOption)))
            << qPrintable(info);
        EXPECT_TRUE(info.contains(QRegularExpression("^Creator: +quiravel-batch \\d+\\.\\d+\\.\\d+\\n",
                                                     QRegularExpression::MultilineOption)))
            << qPrintable(info);
    }

    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString first = pdfText(rows[0][5]);
    EXPECT_TRUE(first.contains("SN-GOOD-1") && !first.contains("SN-GOOD-2") && !first.contains("SCRIPT-RAN"))
        << qPrintable(first.left(2000));
    EXPECT_TRUE(pdfText(rows[2][5]).contains("SN-GOOD-2"));
}

TEST_F(batch_e2e_test, usage_errors_exit_with_2_before_anything_runs)
{
    const ProcessResult bad = batch({"--jobs", "0", m_work.path()});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "quiravel-batch: --jobs takes a whole number from 1 to 64, not \"0\"; see "
                       "'quiravel-batch --help'\n");
    // --help's options and statuses are checked against the manual page.
    const QList<QPair<QString, QString>> german = {{"LC_ALL", ""}, {"LANG", "de_DE.UTF-8"}};
    const ProcessResult germanUsage =
        runTool(QUIRAVEL_BATCH_PATH, {"--timeout", "0", "x.kqd"}, s_registry, german);
    EXPECT_EQ(germanUsage.err, "quiravel-batch: --timeout nimmt 1 bis 86400 Sekunden, nicht \"0\"; siehe "
                               "'quiravel-batch --help'\n");
    const ProcessResult germanHelp = runTool(QUIRAVEL_BATCH_PATH, {"--help"}, s_registry, german);
    EXPECT_TRUE(
        germanHelp.out.startsWith("Aufruf: quiravel-batch [Optionen] PATH...\nSchreibt die Druckdatei"))
        << qPrintable(germanHelp.out);
    const QString broken = m_work.filePath("Broken.kqd");
    ASSERT_TRUE(writeText(broken, "[Gerät]\n"));
    const ProcessResult germanFault = runTool(QUIRAVEL_BATCH_PATH, {"-q", broken}, s_registry, german);
    EXPECT_EQ(germanFault.exitCode, 1);
    // Quiet still names each failure, on standard output with the report.
    EXPECT_EQ(germanFault.out,
              "fehlgeschlagen: " + broken + ": " + broken + ":1: unbekannter Abschnitt [Gerät]\n");
}

/// The pieces of a progress bar's output: each redraw starts with a carriage return.
QList<QByteArray> barDraws(const QByteArray &output)
{
    QList<QByteArray> draws;
    for (const QByteArray &piece : output.split('\r')) {
        const QByteArray draw = piece.left(piece.indexOf("\x1b[K"));
        if (draw.startsWith('['))
            draws.append(draw);
    }
    return draws;
}

TEST_F(batch_e2e_test, on_a_terminal_the_bar_fits_its_width_and_ctrl_c_keeps_the_record)
{
    // One device's upload wait runs at a time: the quick one goes first, the
    // stuck one holds the rest back until the interruption.
    addDevice("a-quick", "SN-QUICK-1");
    addDevice("b-stuck", "SN-STUCK-1", 600'000);
    addDevice("c-stuck", "SN-STUCK-2", 600'000);
    addDevice("d-waiting", "SN-QUICK-2");
    const QString summary = m_work.filePath("summary.csv");
    PtyProcess batch;
    ASSERT_TRUE(batch.start(
        QUIRAVEL_BATCH_PATH, {"--source", "device", "--jobs", "2", "--summary", summary, m_work.path()}, 60,
        {{"QUIRAVEL_REGISTRY", s_registry.toLocal8Bit()}, {"LC_ALL", "C.UTF-8"}, {"TERM", "xterm"}}));
    ASSERT_TRUE(batch.readUntil(" 1/4", 120'000)) << batch.output().constData();
    for (const QByteArray &draw : barDraws(batch.output()))
        EXPECT_LT(draw.size(), 60) << draw.constData();

    // A wider window: the bar grows to its widest, 50 columns.
    batch.resize(120);
    EXPECT_TRUE(batch.readUntil("[" + QByteArray(12, '#') + QByteArray(38, '.') + "]", 30'000))
        << batch.output().constData();

    batch.type("\x03");
    EXPECT_EQ(batch.finish(60'000), 130) << batch.output().constData();
    const QByteArray output = batch.output();
    // The bar's line is ended before the summary, which counts the devices cut short.
    EXPECT_TRUE(output.contains("\r\n1 of 4 devices done, 0 failed, 3 interrupted, in "))
        << output.constData();
    for (const char *noise : {"Sandboxing", "graphics backend", "QStandardPaths"})
        EXPECT_FALSE(output.contains(noise)) << noise;

    const QList<QStringList> rows = summaryRows(summary);
    ASSERT_EQ(rows.size(), 4) << qPrintable(readText(summary));
    const char *const statuses[] = {"ok", "interrupted", "interrupted", "interrupted"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i][1], statuses[i]) << qPrintable(rows[i].join('|'));
        if (i != 0) {
            EXPECT_TRUE(rows[i][4].isEmpty() && rows[i][5].isEmpty()) << qPrintable(rows[i].join('|'));
        }
    }
}

TEST_F(batch_e2e_test, a_dumb_terminal_gets_a_line_a_device_and_a_list_typed_on_standard_input)
{
    const QString first = addDevice("one", "SN-ONE");
    const QString second = addDevice("two", "SN-TWO");
    PtyProcess batch;
    ASSERT_TRUE(batch.start(
        QUIRAVEL_BATCH_PATH, {"@-"}, 80,
        {{"QUIRAVEL_REGISTRY", s_registry.toLocal8Bit()}, {"LC_ALL", "C.UTF-8"}, {"TERM", "dumb"}}));
    // On a terminal the list ends with Ctrl-D.
    batch.type(first.toLocal8Bit() + "\n# a comment\n" + second.toLocal8Bit() + "\n\x04");
    EXPECT_EQ(batch.finish(120'000), 0) << batch.output().constData();
    const QByteArray output = batch.output();
    // A line a device, as each finishes: the two may end in either order.
    for (const QString &device : {first, second})
        EXPECT_TRUE(output.contains("] ok " + device.toLocal8Bit())) << output.constData();
    EXPECT_TRUE(output.contains("[1/2] ok ") && output.contains("[2/2] ok ")) << output.constData();
    EXPECT_FALSE(output.contains("\r[")) << output.constData();
}

TEST_F(batch_e2e_test, outputs_that_cannot_be_written_stop_the_run_before_any_device)
{
    const QString description = addDevice("plant/dev1", "S1");
    const QString plant = m_work.filePath("plant");
    const QString fifo = m_work.filePath("summary.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString notAFolder = m_work.filePath("pdfs");
    ASSERT_TRUE(writeText(notAFolder, "a file"));
    const QString descriptionBytes = readText(description);

    const QList<std::pair<QStringList, QString>> cases = {
        {{"--summary", fifo, plant}, "--summary " + fifo + ": Not a regular file (a FIFO)"},
        {{"--summary", description, plant},
         "--summary " + description + ": It is one of the files this run reads"},
        {{"--summary", m_work.filePath("none/summary.csv"), plant},
         "--summary " + m_work.filePath("none/summary.csv") + ": No such file or directory"},
        {{"--pdf", notAFolder, plant}, "--pdf " + notAFolder + ": Not a folder"},
        {{"--pdf", plant + "/pdf", plant}, "--pdf " + plant + "/pdf: It is inside the input folder " + plant},
    };
    for (const auto &[arguments, message] : cases) {
        const ProcessResult run = batch(arguments);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(run.err.endsWith("quiravel-batch: " + message + "\n")) << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
    }
    EXPECT_EQ(readText(description), descriptionBytes);
    EXPECT_TRUE(QFileInfo(fifo).isReadable() && !QFileInfo(fifo).isFile());
    EXPECT_FALSE(QFileInfo::exists(plant + "/pdf"));
    EXPECT_TRUE(QDir(plant + "/dev1").entryList({"*PRN.HTM"}, QDir::Files).isEmpty()) << "no device ran";
}

} // namespace
