// SPDX-License-Identifier: Apache-2.0
// What the batch leaves for its tests to read: the summary's rows and a
// PDF's text.
#pragma once

#include "tests/support/ToolProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

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
