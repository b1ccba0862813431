// SPDX-License-Identifier: Apache-2.0
// What the batch tells its user: a progress bar on a terminal, one line per
// device otherwise, a summary at the end and the outcomes as CSV.
#pragma once

#include "tools/batch/BatchRun.h"

#include <QElapsedTimer>
#include <cstdio>

class BatchReport
{
public:
    enum class Style {
        Bar,   ///< one line redrawn in place, fitted to the terminal's width
        Lines, ///< a line per device
        Quiet, ///< the failures at the end, nothing else
    };

    /// Narrower terminals get a line per device: the bar would wrap.
    static constexpr int kMinBarColumns = 40;

    /// How a run reports on `out`: a bar only on a terminal that can redraw
    /// a line (`term` not "dumb") at least kMinBarColumns wide (`columns`, 0
    /// when unknown).
    static Style styleFor(bool terminal, const QByteArray &term, int columns, bool quiet, bool verbose);

    /// Reports on `out`, a terminal `columns` wide for the bar.
    BatchReport(std::FILE *out, Style style, int total, int columns = 80);

    void deviceFinished(const DeviceOutcome &outcome);
    /// The terminal's width changed: the bar follows it, and gives way to
    /// lines when it gets too narrow.
    void setColumns(int columns);
    /// Devices done, the failures with their reasons, the time taken; the
    /// bar's line is ended first.
    void summarize(const QList<DeviceOutcome> &outcomes);
    double elapsedSeconds() const { return m_clock.elapsed() / 1000.0; }

private:
    void drawBar();

    std::FILE *m_out;
    Style m_style;
    int m_total;
    int m_columns;
    int m_done = 0;
    int m_failed = 0;
    int m_interrupted = 0;
    QElapsedTimer m_clock;
};

/// One CSV field: quoted when it holds a comma, a quote, a line break or
/// blanks at either end, with quotes doubled.
QString csvField(const QString &text);

/// Writes the outcomes as CSV (a header line, then one line per device) in
/// place of `path`; false with `*error` when it cannot be written. A device
/// not done names no print file or PDF: what it left there is not its own.
bool writeSummary(const QString &path, const QList<DeviceOutcome> &outcomes, QString *error);
