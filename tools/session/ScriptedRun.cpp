// SPDX-License-Identifier: Apache-2.0
#include "tools/session/ScriptedRun.h"

#include "tools/session/PdfInfo.h"

#include "platform/FileName.h"
#include "platform/SafeFile.h"
#include "tools/common/ToolOutput.h"
#include "tools/session/HostSession.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(ScriptedRun)
};

// The browser needs a moment after loading before the page is on screen.
constexpr int kPaintDelayMs = 1500;
// A navigation that a newer one to the same page replaced also ends as a
// failed load; the newer one follows within moments, a real failure never.
constexpr int kFailedLoadGraceMs = 1000;
// Larger than the PDF of a page of a few sheets.
constexpr qint64 kPdfProbeBytes = 1024 * 1024;

/// Writes the picture in the format its file name asks for, under the rule
/// every output file follows; the reason when it cannot.
QString saveAsFile(const QPixmap &picture, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, QFileInfo(path).suffix().toLatin1().constData()))
        return Text::tr("no image format for this file name");
    SafeFileWriter file;
    if (!file.create(path) || !file.write(bytes.constData(), bytes.size()) || !file.commit())
        return file.errorString();
    return {};
}

} // namespace

ScriptedRun::ScriptedRun(HostSession &session, const FrameOptions &options, QObject *parent)
    : QObject(parent), m_session(session), m_options(options)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &ScriptedRun::onTimeout);
    m_loadFailure.setSingleShot(true);
    m_loadFailure.setInterval(kFailedLoadGraceMs);
    connect(&m_loadFailure, &QTimer::timeout, this, &ScriptedRun::onLoadFailed);
    connect(&m_session, &HostSession::messageShown, this, &ScriptedRun::onMessage);
    // Page and PDF events arrive from inside the component's browser
    // handlers; acting on them there would re-enter the component.
    connect(&m_session, &HostSession::pageLoaded, this, &ScriptedRun::onPageLoaded, Qt::QueuedConnection);
    connect(&m_session, &HostSession::pdfFinished, this, &ScriptedRun::onPdfFinished, Qt::QueuedConnection);
    connect(&m_session, &HostSession::viewReleased, this, &ScriptedRun::onViewReleased, Qt::QueuedConnection);
}

void ScriptedRun::start()
{
    if (m_options.exitWhenShown)
        m_timeout.start(m_options.timeoutSeconds * 1000);

    if (!runStep(QString()))
        return;
    const QStringList commands = m_options.commands();
    for (const QString &command : commands) {
        if (!runStep(command))
            return;
    }
    // The component says nothing when it cannot write a print file; a page
    // left from an earlier run must not be taken for this one.
    const QString generationError = m_session.generationError();
    if (!generationError.isEmpty() || !m_stepFailure.isEmpty()) {
        fail(ExitNoPage, Text::tr("no page was generated: %1")
                             .arg(generationError.isEmpty() ? m_stepFailure : generationError));
        return;
    }

    m_target = m_session.pagePath();
    if (m_target.isEmpty() || !QFileInfo::exists(m_target)) {
        fail(ExitNoPage, Text::tr("no page was generated"));
        return;
    }
    enterStage(Stage::WaitingForPage);
}

void ScriptedRun::enterStage(Stage stage)
{
    m_stage = stage;
    Q_EMIT activityChanged(waitingFor());
}

bool ScriptedRun::runStep(const QString &name)
{
    m_step = name.isEmpty() ? QStringLiteral("Show") : commandTitle(name);
    enterStage(Stage::Running);
    m_stepFailure.clear();
    const HRESULT hr = name.isEmpty() ? m_session.show() : m_session.runCommand(name);
    if (m_stage == Stage::Done)
        return false;
    if (FAILED(hr)) {
        fail(ExitNoPage, Text::tr("%1 failed (%2)").arg(m_step, ToolOutput::statusText(hr)));
        return false;
    }
    return true;
}

void ScriptedRun::onMessage(const QString &title, const QString &text, int buttons, int answer)
{
    if (m_stage != Stage::Running)
        return;
    // A box with OK alone reports why the step stopped; a cancelled
    // confirmation stops it before anything is loaded.
    if (buttons == 0)
        m_stepFailure = QStringLiteral("%1: %2").arg(title, text.simplified());
    else if (answer != 1)
        m_stepFailure = Text::tr("%1: cancelled").arg(title);
}

void ScriptedRun::onPageLoaded(const QString &path, bool ok)
{
    if (m_stage != Stage::WaitingForPage || path != m_target)
        return;
    if (!ok) {
        m_targetLoadFailed = true;
        m_loadFailure.start();
        return;
    }
    m_loadFailure.stop();
    afterPageShown();
}

void ScriptedRun::onLoadFailed()
{
    if (m_stage != Stage::WaitingForPage)
        return;
    fail(ExitNoPage, Text::tr("the browser could not load %1").arg(QDir::toNativeSeparators(m_target)));
}

void ScriptedRun::afterPageShown()
{
    Q_EMIT resultWritten(QStringLiteral("page"), m_target);
    m_outcome = ExitPageShown;
    if (m_options.pdfPath.isEmpty()) {
        afterPdf();
        return;
    }
    enterStage(Stage::WaitingForPdf);
    const HRESULT hr = m_session.printToPdf(m_options.pdfPath);
    if (FAILED(hr))
        fail(ExitOutputFailed, Text::tr("the PDF could not be started (%1)").arg(ToolOutput::statusText(hr)));
}

void ScriptedRun::onPdfFinished(const QString &path, bool ok)
{
    if (m_stage != Stage::WaitingForPdf)
        return;
    if (!ok) {
        // The component says only that it failed; the name or its folder
        // usually says why.
        QString reason = SafeFile::targetProblem(path);
        // The engine keeps the system's reason to itself; a file of a PDF's
        // size made there meets a full disk or a size limit the same way.
        if (reason.isEmpty())
            reason = SafeFile::directoryProblem(QFileInfo(path).absolutePath(), kPdfProbeBytes);
        if (reason.isEmpty())
            reason = Text::tr("the browser engine could not print the page");
        fail(ExitOutputFailed, Text::tr("the PDF could not be written: %1: %2").arg(path, reason));
        return;
    }
    // A PDF without its page's title and maker is still the page: an
    // update that cannot be made leaves it as the engine wrote it.
    QString infoError;
    // Qt would rewrite a file the name no longer leads to.
    if (!FileName::byOwnDescriptor(path))
        setPdfInfo(path, htmlPageTitle(m_target),
                   ToolOutput::versionText(QCoreApplication::applicationName()).trimmed(), &infoError);
    Q_EMIT resultWritten(QStringLiteral("pdf"), path);
    afterPdf();
}

void ScriptedRun::afterPdf()
{
    if (m_options.screenshotPath.isEmpty()) {
        succeed();
        return;
    }
    enterStage(Stage::WaitingForScreenshot);
    QTimer::singleShot(kPaintDelayMs, this, &ScriptedRun::takeScreenshot);
}

void ScriptedRun::takeScreenshot()
{
    if (m_stage != Stage::WaitingForScreenshot)
        return;
    // The part of the screen the shown windows cover (the view's, as the
    // frame shows none of its own then); all of it when nothing is shown.
    QRect shown;
    for (const QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && window->type() != Qt::ToolTip)
            shown |= window->frameGeometry();
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        shown &= screen->geometry();
    const QPixmap picture = !screen ? QPixmap()
                            : shown.isEmpty()
                                ? screen->grabWindow(0)
                                : screen->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height());
    if (const QString reason = picture.isNull() ? Text::tr("the screen could not be read")
                                                : saveAsFile(picture, m_options.screenshotPath);
        !reason.isEmpty()) {
        fail(ExitOutputFailed,
             Text::tr("the screenshot could not be written: %1: %2").arg(m_options.screenshotPath, reason));
        return;
    }
    Q_EMIT resultWritten(QStringLiteral("screenshot"),
                         QFileInfo(m_options.screenshotPath).absoluteFilePath());
    succeed();
}

void ScriptedRun::onViewReleased()
{
    if (m_stage == Stage::Done || m_stage == Stage::Idle)
        return;
    fail(m_outcome == ExitPageShown ? ExitOutputFailed : ExitNoPage,
         Text::tr("the view was closed while %1").arg(waitingFor()));
}

void ScriptedRun::onTimeout()
{
    // A command still running (an upload that never ends) holds the thread
    // in the view's own wait; closing the view is what ends that wait.
    if (m_stage == Stage::Running)
        m_session.destroy();
    fail(ExitTimedOut,
         Text::tr("timed out after %1 s while %2").arg(m_options.timeoutSeconds).arg(waitingFor()));
}

QString ScriptedRun::waitingFor() const
{
    switch (m_stage) {
    case Stage::Running:
        return Text::tr("%1 ran (generating the page)").arg(m_step);
    case Stage::WaitingForPage:
        return Text::tr("waiting for %1 to load%2")
            .arg(QDir::toNativeSeparators(m_target),
                 m_targetLoadFailed ? Text::tr(" (the browser reported a failed load)") : QString());
    case Stage::WaitingForPdf:
        return Text::tr("waiting for the PDF %1").arg(m_options.pdfPath);
    case Stage::WaitingForScreenshot:
        return Text::tr("taking the screenshot");
    case Stage::Idle:
    case Stage::Done:
        break;
    }
    return QStringLiteral("idle");
}

void ScriptedRun::succeed()
{
    m_stage = Stage::Done;
    m_timeout.stop();
    m_loadFailure.stop();
    m_outcome = ExitPageShown;
    if (m_options.exitWhenShown)
        Q_EMIT finished(m_outcome);
}

void ScriptedRun::fail(int code, const QString &reason)
{
    if (m_stage == Stage::Done)
        return;
    m_stage = Stage::Done;
    m_timeout.stop();
    m_loadFailure.stop();
    m_outcome = code;
    m_failure = reason;
    Q_EMIT failed(reason);
    if (m_options.exitWhenShown)
        Q_EMIT finished(code);
}
