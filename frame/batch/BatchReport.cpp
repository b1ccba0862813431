#include "frame/batch/BatchReport.h"

#include "platform/TextFile.h"

#include <QDir>

namespace {

void put(std::FILE *out, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), out);
    std::fflush(out);
}

QString duration(double seconds)
{
    const int whole = int(seconds + 0.5);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

constexpr int kBarWidth = 30;

} // namespace

BatchReport::BatchReport(std::FILE *out, bool terminal, int total)
    : m_out(out), m_terminal(terminal), m_total(total)
{
    m_clock.start();
    if (m_terminal)
        drawBar();
}

void BatchReport::deviceFinished(const DeviceOutcome &outcome)
{
    ++m_done;
    if (!outcome.ok)
        ++m_failed;
    if (m_terminal) {
        drawBar();
        return;
    }
    const QString path = QDir::toNativeSeparators(outcome.path);
    if (outcome.ok) {
        put(m_out,
            QStringLiteral("[%1/%2] ok %3 (%4 s)%5\n")
                .arg(QString::number(m_done), QString::number(m_total), path,
                     QString::number(outcome.seconds, 'f', 2),
                     outcome.pdf.isEmpty() ? QString()
                                           : QStringLiteral(": ") + QDir::toNativeSeparators(outcome.pdf)));
    } else {
        put(m_out,
            QStringLiteral("[%1/%2] failed %3: %4\n").arg(m_done).arg(m_total).arg(path, outcome.message));
    }
}

void BatchReport::drawBar()
{
    const double seconds = elapsedSeconds();
    const double rate = seconds > 0 ? m_done / seconds : 0;
    const int filled = m_total > 0 ? kBarWidth * m_done / m_total : kBarWidth;
    QString line = QStringLiteral("\r[%1%2] %3/%4")
                       .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')))
                       .arg(m_done)
                       .arg(m_total);
    if (m_done > 0) {
        line += QStringLiteral("  %1 devices/s  %2 left")
                    .arg(rate, 0, 'f', 1)
                    .arg(duration((m_total - m_done) / rate));
    }
    if (m_failed > 0)
        line += QStringLiteral("  %1 failed").arg(m_failed);
    // Clears what a longer line drawn before left behind.
    put(m_out, line + QStringLiteral("\x1b[K"));
}

void BatchReport::summarize(const QList<DeviceOutcome> &outcomes)
{
    if (m_terminal)
        put(m_out, QStringLiteral("\n"));
    for (const DeviceOutcome &outcome : outcomes) {
        if (!outcome.ok)
            put(m_out, QStringLiteral("failed: %1: %2\n")
                           .arg(QDir::toNativeSeparators(outcome.path), outcome.message));
    }
    const double seconds = elapsedSeconds();
    put(m_out, QStringLiteral("%1 of %2 devices done, %3 failed, in %4 s (%5 devices/s)\n")
                   .arg(m_done - m_failed)
                   .arg(m_total)
                   .arg(m_failed)
                   .arg(seconds, 0, 'f', 1)
                   .arg(seconds > 0 ? m_done / seconds : 0.0, 0, 'f', 1));
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
        const QStringList fields = {QDir::toNativeSeparators(outcome.path),
                                    outcome.ok ? QStringLiteral("ok") : QStringLiteral("failed"),
                                    outcome.message,
                                    QString::number(outcome.seconds, 'f', 3),
                                    QDir::toNativeSeparators(outcome.printFile),
                                    QDir::toNativeSeparators(outcome.pdf)};
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
