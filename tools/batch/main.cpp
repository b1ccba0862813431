// SPDX-License-Identifier: Apache-2.0
// quiravel-batch: documents many devices in one run. Each device is loaded
// into its own in-memory host and gets its own instance of the print view
// component, created through the platform's component hosting as a frame
// creates it; several devices are in flight at once in one browser engine.
#include "contract/QuiravelAutomation.h"
#include "host/iodd/IoddDevice.h"
#include "platform/SafeFile.h"
#include "tools/batch/BatchOptions.h"
#include "tools/batch/BatchOutputs.h"
#include "tools/batch/BatchReport.h"
#include "tools/batch/BatchRun.h"
#include "tools/batch/IoddDeviceList.h"
#include "tools/batch/TemplateLanguage.h"
#include "tools/common/ToolOutput.h"
#include "tools/common/ToolSignals.h"
#include "tools/session/HostProcess.h"

#include <QApplication>
#include <cstdio>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

void printError(const QString &reason)
{
    ToolOutput::printError(QStringLiteral("quiravel-batch"), reason);
}

/// The terminal's width on standard output; 0 when it is no terminal.
int terminalColumns()
{
    winsize size = {};
    return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

int runBatch(QApplication &app, const BatchOptions &options)
{
    // From the start: a signal while the devices are gathered still ends
    // the run with its summary.
    ToolSignals endSignals;
    Iodd::toolOptions().variant = options.variant;
    const QList<BatchDevice> devices =
        options.ioddLibrary.isEmpty()
            ? collectDevices(options.inputs, options.pdfDirectory)
            : collectIoddDevices(options.inputs, options.ioddLibrary, options.pdfDirectory);
    if (const QString problem = checkBatchOutputs(options, devices); !problem.isEmpty()) {
        printError(problem);
        return BatchUsage;
    }
    BatchRun run(options, devices);
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    BatchReport report(
        stdout,
        BatchReport::styleFor(terminal, qgetenv("TERM"), terminalColumns(), options.quiet, options.verbose),
        run.total(), terminalColumns());
    bool languageWarned = false;
    QObject::connect(&run, &BatchRun::deviceFinished, &app, [&](const DeviceOutcome &outcome) {
        report.deviceFinished(outcome);
        if (outcome.ok || outcome.interrupted || languageWarned)
            return;
        const QString other = otherLanguageTemplate(outcome.path);
        if (other.isEmpty())
            return;
        // Once: a plant documented in the wrong language fails every device alike.
        languageWarned = true;
        printError(QCoreApplication::translate("quiravel-batch",
                                               "warning: %1 has no template for the user's language, only "
                                               "%2; the template follows LC_ALL, LC_MESSAGES and LANG")
                       .arg(ToolOutput::shownPath(outcome.path), ToolOutput::shownPath(other)));
    });
    QObject::connect(&run, &BatchRun::finished, &app, [&app] { app.exit(0); });

    QObject::connect(&endSignals, &ToolSignals::endRequested, &run, &BatchRun::interrupt);
    QObject::connect(&endSignals, &ToolSignals::windowResized, &app,
                     [&report] { report.setColumns(terminalColumns()); });

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
                QCoreApplication::translate("quiravel-batch", "the summary %1 could not be written: %2")
                    .arg(ToolOutput::shownPath(options.summaryPath), error));
            allDone = false;
        }
    }
    if (const int signal = ToolSignals::received())
        return ToolSignals::exitStatusFor(signal);
    return allDone ? BatchAllDone : BatchSomeFailed;
}

} // namespace

int main(int argc, char **argv)
{
    // Before the browser engine starts: its shared memory is a file, and a
    // file-size limit would end the process at its first one.
    SafeFile::ignoreFileSizeSignal();
    // The application object the run needs is made from the options; until
    // then one of Qt's core alone has the usage errors and --help speak the
    // user's language.
    std::optional<QCoreApplication> early(std::in_place, argc, argv);
    ToolOutput::installTranslations();
    QStringList arguments;
    if (!ToolOutput::readArguments(QStringLiteral("quiravel-batch"), argc, argv, &arguments))
        return BatchUsage;
    BatchOptions options;
    QString message;
    switch (parseBatchOptions(arguments, &options, &message)) {
    case ParseResult::Help:
        std::fputs(message.toLocal8Bit().constData(), stdout);
        return BatchAllDone;
    case ParseResult::Error:
        ToolOutput::printUsageError(QStringLiteral("quiravel-batch"), message);
        return BatchUsage;
    case ParseResult::Run:
        break;
    }

    early.reset();
    // Each device's page would otherwise start a renderer process of its
    // own: a third of the time a device takes, and the memory of one
    // process per device in flight. The pages are all local files, one site.
    if (options.pageScript)
        qputenv(kQuiravelPageScriptVariable, "1");
    prepareHostProcess(true,
                       options.isolatedRenderers ? QByteArray() : QByteArrayLiteral("--process-per-site"));
    ToolOutput::keepEngineOutputAway(options.verbose);
    return runHostApplication(argc, argv, QStringLiteral("quiravel-batch"),
                              [&options](QApplication &app) { return runBatch(app, options); });
}
