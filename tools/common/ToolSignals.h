// SPDX-License-Identifier: Apache-2.0
// How the tools end on a signal: SIGINT, SIGTERM and SIGHUP are turned into
// an event the event loop hears, so that every tool leaves through its
// normal exit path (files finished or removed, the terminal's line
// restored) instead of dying in the middle of a write.
#pragma once

#include <QObject>

class QSocketNotifier;

class ToolSignals : public QObject
{
    Q_OBJECT
public:
    /// Catches the ending signals and SIGWINCH for the life of this object
    /// (one at a time per process). A second ending signal while the first
    /// is being handled ends the process at once, as the user expects of a
    /// second Ctrl-C.
    explicit ToolSignals(QObject *parent = nullptr);
    ~ToolSignals() override;

    /// For a tool without an event loop: from now on the ending signals are
    /// only recorded, and the tool looks at received() where it can stop.
    static void recordEndingSignals();
    /// The ending signal received so far, 0 when none.
    static int received();
    /// The shell's status for a process ended by `signal`: 128 + its number.
    static int exitStatusFor(int signal) { return 128 + signal; }

Q_SIGNALS:
    void endRequested(int signal);
    /// The terminal's size changed.
    void windowResized();

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
