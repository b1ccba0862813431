// quiravel-batch: documents many devices in one run. Each device is loaded
// into its own in-memory host and gets its own instance of the print view
// component, created through the platform's component hosting as a frame
// creates it; several devices are in flight at once in one browser engine.
#include "frame/batch/BatchOptions.h"
#include "frame/batch/BatchReport.h"
#include "frame/batch/BatchRun.h"
#include "platform/ComponentHost.h"

#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <unistd.h>

namespace {

QtMessageHandler g_qtMessageHandler = nullptr;

/// Keeps the output readable: the headless platform warns on every window.
void filterQtMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    g_qtMessageHandler(type, context, message);
}

void printError(const QString &reason)
{
    std::fputs(QStringLiteral("quiravel-batch: %1\n").arg(reason).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

int runBatch(QApplication &app, const BatchOptions &options)
{
    BatchRun run(options, collectDevices(options.inputs, options.pdfDirectory));
    BatchReport report(stdout, ::isatty(STDOUT_FILENO) != 0, run.total());
    QObject::connect(&run, &BatchRun::deviceFinished, &app,
                     [&report](const DeviceOutcome &outcome) { report.deviceFinished(outcome); });
    QObject::connect(&run, &BatchRun::finished, &app, [&app] { app.exit(0); });
    QMetaObject::invokeMethod(&run, &BatchRun::start, Qt::QueuedConnection);
    app.exec();

    report.summarize(run.outcomes());
    bool allDone = true;
    for (const DeviceOutcome &outcome : run.outcomes())
        allDone = allDone && outcome.ok;
    if (!options.summaryPath.isEmpty()) {
        QString error;
        if (!writeSummary(options.summaryPath, run.outcomes(), &error)) {
            printError(
                QStringLiteral("the summary %1 could not be written: %2").arg(options.summaryPath, error));
            allDone = false;
        }
    }
    return allDone ? BatchAllDone : BatchSomeFailed;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    BatchOptions options;
    QString message;
    switch (parseBatchOptions(arguments, &options, &message)) {
    case ParseResult::Help:
        std::fputs(message.toLocal8Bit().constData(), stdout);
        return BatchAllDone;
    case ParseResult::Error:
        printError(QStringLiteral("%1\nTry 'quiravel-batch --help'.").arg(message));
        return BatchUsage;
    case ParseResult::Run:
        break;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QByteArray engineFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // The browser engine refuses its sandbox to root.
    if (::geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        if (engineFlags.isEmpty())
            engineFlags = "--disable-gpu";
    }
    // Each device's page would otherwise start a renderer process of its
    // own: a third of the time a device takes, and the memory of one
    // process per device in flight. The pages are all local files, one site.
    if (!options.isolatedRenderers && !engineFlags.contains("--process-per-site"))
        engineFlags += engineFlags.isEmpty() ? "--process-per-site" : " --process-per-site";
    if (!engineFlags.isEmpty())
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", engineFlags);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    g_qtMessageHandler = qInstallMessageHandler(filterQtMessages);
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    int code = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("quiravel-batch"));
        app.setQuitOnLastWindowClosed(false);
        code = runBatch(app, options);
        // Objects the component left for deletion must go while its code is loaded.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Only now: the application's clean-up still runs code of the component
    // library (objects it created under the application's care).
    CoFreeUnusedLibraries();
    return code;
}
