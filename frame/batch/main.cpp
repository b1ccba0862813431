// quiravel-batch: documents many devices in one run. Each device is loaded
// into its own in-memory host and gets its own instance of the print view
// component, created through the platform's component hosting as a frame
// creates it; several devices are in flight at once in one browser engine.
#include "frame/ToolOutput.h"
#include "frame/batch/BatchOptions.h"
#include "frame/batch/BatchReport.h"
#include "frame/batch/BatchRun.h"
#include "frame/batch/IoddDeviceList.h"
#include "frame/iodd/IoddDevice.h"
#include "frame/session/HostProcess.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

namespace {

void printError(const QString &reason)
{
    ToolOutput::printError(QStringLiteral("quiravel-batch"), reason);
}

int runBatch(QApplication &app, const BatchOptions &options)
{
    Iodd::toolOptions().variant = options.variant;
    BatchRun run(options,
                 options.ioddLibrary.isEmpty()
                     ? collectDevices(options.inputs, options.pdfDirectory)
                     : collectIoddDevices(options.inputs, options.ioddLibrary, options.pdfDirectory));
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

    // Each device's page would otherwise start a renderer process of its
    // own: a third of the time a device takes, and the memory of one
    // process per device in flight. The pages are all local files, one site.
    prepareHostProcess(true,
                       options.isolatedRenderers ? QByteArray() : QByteArrayLiteral("--process-per-site"));
    return runHostApplication(argc, argv, QStringLiteral("quiravel-batch"),
                              [&options](QApplication &app) { return runBatch(app, options); });
}
