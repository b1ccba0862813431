// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/BatchReport.h"

#include "platform/FileName.h"
#include "platform/TextFile.h"
#include "tools/common/ToolOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

QString duration(double seconds)
{
    const int whole = int(seconds + 0.5);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

constexpr int kMinBarWidth = 10;
constexpr int kMaxBarWidth = 50;

QString statusOf(const DeviceOutcome &outcome)
{
    return outcome.ok ? QStringLiteral("ok")
                      : (outcome.interrupted ? QStringLiteral("interrupted") : QStringLiteral("failed"));
}

} // namespace

BatchReport::Style BatchReport::styleFor(bool terminal, const QByteArray &term, int columns, bool quiet,
                                         bool verbose)
{
    if (quiet)
        return Style::Quiet;
    // The engine's lines, shown when verbose, would land in the middle of the bar.
    if (!terminal || verbose || term.isEmpty() || term == "dumb" || (columns > 0 && columns < kMinBarColumns))
        return Style::Lines;
    return Style::Bar;
}

BatchReport::BatchReport(std::FILE *out, Style style, int total, int columns)
    : m_out(out), m_style(style), m_total(total), m_columns(columns > 0 ? columns : 80)
{
    m_clock.start();
    if (m_style == Style::Bar)
        drawBar();
}

void BatchReport::setColumns(int columns)
{
    if (columns <= 0 || m_style != Style::Bar)
        return;
    m_columns = columns;
    if (m_columns < kMinBarColumns) {
        // What the old width left may now wrap over several lines; a fresh
        // line is the only place known to be clean.
        ToolOutput::putText(m_out, QStringLiteral("\r\x1b[K\n"));
        m_style = Style::Lines;
        return;
    }
    drawBar();
}

void BatchReport::deviceFinished(const DeviceOutcome &outcome)
{
    ++m_done;
    if (outcome.interrupted)
        ++m_interrupted;
    else if (!outcome.ok)
        ++m_failed;
    if (m_style == Style::Bar) {
        drawBar();
        return;
    }
    if (m_style == Style::Quiet)
        return;
    const QString path = ToolOutput::shownPath(outcome.path);
    if (outcome.ok) {
        ToolOutput::putText(m_out, QCoreApplication::translate("BatchReport", "[%1/%2] ok %3 (%4 s)%5\n")
                                       .arg(QString::number(m_done), QString::number(m_total), path,
                                            QString::number(outcome.seconds, 'f', 2),
                                            outcome.pdf.isEmpty()
                                                ? QString()
                                                : QStringLiteral(": ") + ToolOutput::shownPath(outcome.pdf)));
    } else {
        ToolOutput::putText(
            m_out,
            (outcome.interrupted ? QCoreApplication::translate("BatchReport", "[%1/%2] interrupted %3: %4\n")
                                 : QCoreApplication::translate("BatchReport", "[%1/%2] failed %3: %4\n"))
                .arg(QString::number(m_done), QString::number(m_total), path, outcome.message));
    }
}

void BatchReport::drawBar()
{
    const double seconds = elapsedSeconds();
    const double rate = seconds > 0 ? m_done / seconds : 0;
    QString counts = QStringLiteral(" %1/%2").arg(m_done).arg(m_total);
    if (m_done > 0 && m_done < m_total && rate > 0) {
        counts += QCoreApplication::translate("BatchReport", "  %1 devices/s  %2 left")
                      .arg(rate, 0, 'f', 1)
                      .arg(duration((m_total - m_done) / rate));
    }
    if (m_failed > 0)
        counts += QCoreApplication::translate("BatchReport", "  %1 failed").arg(m_failed);
    // The last column stays free: a terminal that wraps there would move
    // the cursor to the next line and the bar would be drawn again below.
    const int room = m_columns - 1;
    const int width = std::clamp(room - int(counts.size()) - 2, kMinBarWidth, kMaxBarWidth);
    const int filled = m_total > 0 ? width * m_done / m_total : width;
    QString line =
        QStringLiteral("[%1%2]%3")
            .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')), counts);
    line.truncate(room);
    // Clears what a longer line drawn before left behind.
    ToolOutput::putText(m_out, QStringLiteral("\r") + line + QStringLiteral("\x1b[K"));
}

void BatchReport::summarize(const QList<DeviceOutcome> &outcomes)
{
    if (m_style == Style::Bar)
        ToolOutput::putText(m_out, QStringLiteral("\n"));
    for (const DeviceOutcome &outcome : outcomes) {
        if (!outcome.ok && !outcome.interrupted)
            ToolOutput::putText(m_out, QCoreApplication::translate("BatchReport", "failed: %1: %2\n")
                                           .arg(ToolOutput::shownPath(outcome.path), outcome.message));
    }
    if (m_style == Style::Quiet)
        return;
    const double seconds = elapsedSeconds();
    QString line = QCoreApplication::translate("BatchReport", "%1 of %2 devices done, %3 failed")
                       .arg(m_done - m_failed - m_interrupted)
                       .arg(m_total)
                       .arg(m_failed);
    if (m_interrupted > 0)
        line += QCoreApplication::translate("BatchReport", ", %1 interrupted").arg(m_interrupted);
    ToolOutput::putText(m_out,
                        line + QCoreApplication::translate("BatchReport", ", in %1 s (%2 devices/s)\n")
                                   .arg(seconds, 0, 'f', 1)
                                   .arg(seconds > 0 ? (m_done - m_interrupted) / seconds : 0.0, 0, 'f', 1));
}

QString csvField(const QString &text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                       (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool writeSummary(const QString &path, const QList<DeviceOutcome> &outcomes, QString *error)
{
    QString text = QStringLiteral("path,status,message,seconds,print file,pdf\r\n");
    for (const DeviceOutcome &outcome : outcomes) {
        // Names that are not UTF-8 as the system gives them, escaped; the
        // print file absolute as a description found through a folder has it.
        const QString shownPrintFile = FileName::shownPath(outcome.printFile);
        const QString printFile = shownPrintFile == outcome.printFile
                                      ? shownPrintFile
                                      : QFileInfo(shownPrintFile).absoluteFilePath();
        const QStringList fields = {QDir::toNativeSeparators(FileName::shownPath(outcome.path)),
                                    statusOf(outcome),
                                    outcome.message,
                                    QString::number(outcome.seconds, 'f', 3),
                                    outcome.ok ? QDir::toNativeSeparators(printFile) : QString(),
                                    outcome.ok ? QDir::toNativeSeparators(FileName::shownPath(outcome.pdf))
                                               : QString()};
        QStringList line;
        for (const QString &field : fields)
            line.append(csvField(field));
        text += line.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    TextWriter writer;
    if (!writer.create(path) || !writer.writeRaw(text.toUtf8()) || !writer.close()) {
        *error = writer.errorString();
        return false;
    }
    return true;
}
