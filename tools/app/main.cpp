// SPDX-License-Identifier: Apache-2.0
// quiravel-frame: a host for the print view component. It loads a device
// description and its data into an in-memory host, creates the component
// through the platform's component hosting, as any host would, and drives
// its view from the command line or from its own window.
#include "contract/QuiravelAutomation.h"
#include "host/DeviceFile.h"
#include "host/iodd/IoddDevice.h"
#include "platform/SafeFile.h"
#include "tools/app/FrameWindow.h"
#include "tools/app/Watchdog.h"
#include "tools/common/CallLogFile.h"
#include "tools/common/ToolOutput.h"
#include "tools/common/ToolSignals.h"
#include "tools/session/FrameOptions.h"
#include "tools/session/HostProcess.h"
#include "tools/session/HostSession.h"
#include "tools/session/ScriptedRun.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

void printError(const QString &reason)
{
    ToolOutput::printError(QStringLiteral("quiravel-frame"), reason);
}

/// In the user's language while it can still be looked up: a display that
/// cannot be reached is heard of while the application object is made.
QString g_noDisplay;

/// Whether a window could be shown at all: a display server is named, or a
/// platform was chosen by hand (the user knows best then).
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QtMessageHandler g_previousHandler = nullptr;

/// A display that is named but cannot be reached ends Qt's start with an
/// abort and advice about reinstalling; the user hears the one line that
/// applies and the documented status instead.
void catchPlatformFailure(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg && (message.contains(QLatin1String("platform plugin")) ||
                               message.contains(QLatin1String("could not connect to display")))) {
        printError(g_noDisplay);
        std::_Exit(ExitNoDisplay);
    }
    g_previousHandler(type, context, message);
}

/// Everything between start-up and teardown; the session, and with it the
/// component, is gone when this returns.
int runFrame(QApplication &app, const FrameOptions &options, Watchdog *watchdog)
{
    const auto activity = [watchdog](const QString &text) {
        if (watchdog)
            watchdog->setActivity(text);
    };
    HostSession session;
    session.setAnswers(options.answerYes ? HostSession::Answers::AnswerOk : HostSession::Answers::AskUser);

    activity(QCoreApplication::translate("quiravel-frame", "loading the device description %1")
                 .arg(options.descriptionPath));
    Iodd::toolOptions().variant = options.variant;
    DeviceFileError error;
    if (!loadDevice(options.descriptionPath, options.dataPath, session.model(), &error)) {
        printError(error.toString());
        return ExitDeviceFile;
    }
    if (!options.databasePath.isEmpty())
        useDatabaseFile(session.model(), QFileInfo(options.databasePath).absoluteFilePath());

    // Once the device files are read, so that no output takes their place.
    SafeFile::addInput(options.databasePath);
    CallLogFile callLog;
    if (!options.callLogPath.isEmpty()) {
        QString reason;
        if (!callLog.open(options.callLogPath, session.model(), &reason)) {
            printError(reason);
            return ExitOutputFailed;
        }
    }
    // The user hears "File not found !" from the component; this says which file and why.
    QObject::connect(&session.model(), &DeviceModel::databaseLoadFailed, &session, &printError);

    activity(QCoreApplication::translate("quiravel-frame", "creating the component"));
    QString reason;
    if (FAILED(session.create(&reason))) {
        printError(reason);
        return ExitNotRegistered;
    }

    ScriptedRun script(session, options);
    QObject::connect(
        &script, &ScriptedRun::resultWritten, &app,
        [quiet = options.quiet](const QString &kind, const QString &path) {
            if (quiet)
                return;
            std::fputs(
                QStringLiteral("%1: %2\n").arg(kind, ToolOutput::shownPath(path)).toLocal8Bit().constData(),
                stdout);
            std::fflush(stdout);
        });
    QObject::connect(&script, &ScriptedRun::failed, &app, &printError);
    QObject::connect(&script, &ScriptedRun::finished, &app, &QCoreApplication::exit);
    QObject::connect(&script, &ScriptedRun::activityChanged, &script, activity);

    // A screenshot shows the view alone; a headless run shows nothing of its own.
    std::unique_ptr<FrameWindow> window;
    if (!options.headless && options.screenshotPath.isEmpty()) {
        // The window shows the most recent calls.
        session.model().signalCalls();
        window = std::make_unique<FrameWindow>(session);
        QObject::connect(window.get(), &FrameWindow::closed, &app,
                         [&app, &script] { app.exit(script.outcome()); });
        window->show();
    }

    // An ending signal leaves through here too, so that the view is
    // released and what is being written is finished or removed.
    ToolSignals endSignals;
    QObject::connect(&endSignals, &ToolSignals::endRequested, &app,
                     [&app](int signal) { app.exit(ToolSignals::exitStatusFor(signal)); });

    QTimer::singleShot(0, &script, &ScriptedRun::start);
    int code = app.exec();
    window.reset();
    session.shutdown();
    if (QString reason; !callLog.finish(&reason)) {
        printError(reason);
        if (code == 0)
            code = ExitOutputFailed;
    }
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    // Before the browser engine starts: its shared memory is a file, and a
    // file-size limit would end the process at its first one.
    SafeFile::ignoreFileSizeSignal();
    // The application object the session needs is made from the options;
    // until then one of Qt's core alone has the usage errors, --help and
    // the first checks speak the user's language.
    std::optional<QCoreApplication> early(std::in_place, argc, argv);
    ToolOutput::installTranslations();
    g_noDisplay = QCoreApplication::translate(
        "quiravel-frame", "no display to show the window on; use --headless, or set QUIRAVEL_HEADLESS=1");
    QStringList arguments;
    if (!ToolOutput::readArguments(QStringLiteral("quiravel-frame"), argc, argv, &arguments))
        return ExitDeviceFile;
    FrameOptions options;
    QString message;
    switch (parseFrameOptions(arguments, &options, &message)) {
    case ParseResult::Help:
        std::fputs(message.toLocal8Bit().constData(), stdout);
        return 0;
    case ParseResult::Error:
        ToolOutput::printUsageError(QStringLiteral("quiravel-frame"), message);
        return ExitUsage;
    case ParseResult::Run:
        break;
    }

    if (!options.headless && !displayAvailable()) {
        printError(g_noDisplay);
        return ExitNoDisplay;
    }
    const QString watchdogReason =
        QCoreApplication::translate("quiravel-frame", "stopped %1 s after the timeout").arg(30);
    early.reset();
    if (options.pageScript)
        qputenv(kQuiravelPageScriptVariable, "1");
    prepareHostProcess(options.headless);
    g_previousHandler = qInstallMessageHandler(catchPlatformFailure);
    ToolOutput::keepEngineOutputAway(options.verbose);

    // The run's own timeout ends it in order; this one ends it when even
    // that cannot run.
    std::optional<Watchdog> watchdog;
    if (options.exitWhenShown)
        watchdog.emplace(options.timeoutSeconds + 30, ExitTimedOut, watchdogReason);

    return runHostApplication(argc, argv, QStringLiteral("quiravel-frame"), [&](QApplication &app) {
        return runFrame(app, options, watchdog ? &*watchdog : nullptr);
    });
}
