// SPDX-License-Identifier: Apache-2.0
// The batch's end-to-end suites: flow-meter copies with values of their
// own, and what the batch leaves to read: the summary's rows and a PDF's text.
#pragma once

#include "tests/support/ToolProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#ifdef QUIRAVEL_BATCH_PATH
class BatchSuite : public RegisteredComponentSuite
{
protected:
    /// A copy of the flow-meter sample in `folder` whose serial number (in
    /// every data set) is `serial` and whose upload takes `uploadMs`;
    /// `script`, when given, is added to the end of its English template.
    /// Answers the description's path.
    QString addDevice(const QString &folder, const QString &serial, int uploadMs = 0,
                      const QString &script = {})
    {
        const QString description = copySample(folder);
        const QDir dir = QFileInfo(description).dir();
        const auto line = [](const char *key) {
            return QRegularExpression(QString("^%1\\s*=.*$").arg(key), QRegularExpression::MultilineOption);
        };
        const QString data = dir.filePath("FlowMeter.data");
        EXPECT_TRUE(writeText(data, QString::fromUtf8(readText(data).toLatin1())
                                        .replace(line("SERIAL_NUMBER"), "SERIAL_NUMBER = " + serial)
                                        .replace(line("UploadMilliseconds"),
                                                 QString("UploadMilliseconds = %1").arg(uploadMs))));
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
};
#endif

/// The summary's lines after its header, each split into its six fields
/// (path, status, message, seconds, print file, PDF; no field of these runs
/// holds a line break).
inline QList<QStringList> summaryRows(const QString &path)
{
    QList<QStringList> rows;
    const QStringList lines = readText(path).split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), "path,status,message,seconds,print file,pdf");
    static const QRegularExpression field("(\"(?:[^\"]|\"\")*\"|[^,]*)(,|$)");
    for (const QString &line : lines.mid(1)) {
        QStringList fields;
        for (auto it = field.globalMatch(line); it.hasNext() && fields.size() < 6;) {
            QString text = it.next().captured(1);
            if (text.startsWith('"'))
                text = text.mid(1, text.size() - 2).replace("\"\"", "\"");
            fields.append(text);
        }
        rows.append(fields);
    }
    return rows;
}

/// The text pdftotext finds in `pdf`; empty when it cannot be read.
inline QString pdfText(const QString &pdf)
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", {pdf, "-"});
    return pdftotext.waitForFinished(60'000) ? QString::fromUtf8(pdftotext.readAllStandardOutput())
                                             : QString();
}
