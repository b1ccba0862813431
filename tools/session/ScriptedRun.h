// SPDX-License-Identifier: Apache-2.0
// What the frame does on its own after start-up, as its options ask: show
// the view, run the view commands, wait until the page they generated is
// loaded, print it to PDF, take a screenshot, and decide the exit status.
#pragma once

#include "tools/session/FrameOptions.h"

#include <QObject>
#include <QString>
#include <QTimer>

class HostSession;

class ScriptedRun : public QObject
{
    Q_OBJECT
public:
    ScriptedRun(HostSession &session, const FrameOptions &options, QObject *parent = nullptr);

    /// Shows the view and runs the commands; the rest follows from the
    /// component's events.
    void start();
    /// The exit status decided so far (ExitNoPage until a generated page was shown).
    int outcome() const { return m_outcome; }
    /// Why the run failed; empty unless it did.
    QString failureReason() const { return m_failure; }

Q_SIGNALS:
    /// A file the run produced: `kind` is "page", "pdf" or "screenshot".
    void resultWritten(const QString &kind, const QString &path);
    /// The run failed; `reason` is one line. finished() follows.
    void failed(const QString &reason);
    /// The run is over; `code` is a FrameExitCode.
    void finished(int code);
    /// What the run is doing now, in words ("loading the page ..."), for
    /// a watchdog to name when the run stops ending on its own.
    void activityChanged(const QString &activity);

private:
    enum class Stage { Idle, Running, WaitingForPage, WaitingForPdf, WaitingForScreenshot, Done };

    /// Runs one step (Show or a command); false when the run ended in it.
    bool runStep(const QString &name);
    void onMessage(const QString &title, const QString &text, int buttons, int answer);
    void onPageLoaded(const QString &path, bool ok);
    void onPdfFinished(const QString &path, bool ok);
    void onViewReleased();
    void onTimeout();
    void onLoadFailed();
    void enterStage(Stage stage);
    void afterPageShown();
    void afterPdf();
    void takeScreenshot();
    void succeed();
    void fail(int code, const QString &reason);
    QString waitingFor() const;

    HostSession &m_session;
    FrameOptions m_options;
    Stage m_stage = Stage::Idle;
    int m_outcome = ExitNoPage;
    QString m_step; ///< "Show" or the command running or run last
    QString m_target;
    /// Why the step running now generated nothing (a message it showed, a
    /// cancelled confirmation); empty while it may still succeed.
    QString m_stepFailure;
    QString m_failure;
    bool m_targetLoadFailed = false;
    QTimer m_timeout;
    /// Runs from a failed load of the page until the run gives up on it.
    QTimer m_loadFailure;
};
