// What the batch tells its user: a progress bar on a terminal, one line per
// device otherwise, a summary at the end and the outcomes as CSV.
#pragma once

#include "frame/batch/BatchRun.h"

#include <QElapsedTimer>
#include <cstdio>

class BatchReport
{
public:
    /// Reports on `out`; `terminal` draws a progress bar instead of lines.
    BatchReport(std::FILE *out, bool terminal, int total);

    void deviceFinished(const DeviceOutcome &outcome);
    /// Devices done, the failures with their reasons, the time taken.
    void summarize(const QList<DeviceOutcome> &outcomes);
    double elapsedSeconds() const { return m_clock.elapsed() / 1000.0; }

private:
    void drawBar();

    std::FILE *m_out;
    bool m_terminal;
    int m_total;
    int m_done = 0;
    int m_failed = 0;
    QElapsedTimer m_clock;
};

/// One CSV field: quoted when it holds a comma, a quote, a line break or
/// blanks at either end, with quotes doubled.
QString csvField(const QString &text);

/// Writes the outcomes as CSV (a header line, then one line per device) in
/// place of `path`; false with `*error` when it cannot be written.
bool writeSummary(const QString &path, const QList<DeviceOutcome> &outcomes, QString *error);
