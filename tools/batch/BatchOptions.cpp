// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/BatchOptions.h"

#include "tools/common/ToolOutput.h"

#include <QCommandLineParser>
#include <QThread>
#include <algorithm>

namespace {

constexpr int kMaxJobs = 64;

} // namespace

ParseResult parseBatchOptions(const QStringList &arguments, BatchOptions *options, QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the print file (and with --pdf a PDF) of every device given, through the print "
        "view component, several devices at once in one process.\n"
        "PATH is a device description (.kqd), a folder (searched for .kqd files in all its "
        "subfolders) or @LIST, a text file naming one description or folder a line (relative "
        "to the list's folder; blank lines and lines starting with # are skipped; @- reads the "
        "list from standard input, relative to the current folder).\n"
        "Each device's template is the one for the user's language (LC_ALL, LC_MESSAGES, LANG: "
        "German gives ...049.HTM, every other language ...001.HTM)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("Load the data from application, database or device "
                                                   "(default: as the view loads when shown)."),
                                    QStringLiteral("SOURCE"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("Also write the default device report from application, database or device."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Report nothing but the failures."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Also pass on the browser engine's own messages."));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("Print each page to DIR/<the description's path relative to "
                                                "the deepest folder all PATHs share, with .pdf>."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("Devices in flight at once (default: the number of cores)."),
                                  QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Give up a device after SECONDS (default 60)."),
                                     QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption summary(
        QStringLiteral("summary"),
        QStringLiteral("Write each device's outcome to a CSV file (path, status, message, seconds, print "
                       "file, PDF)."),
        QStringLiteral("FILE"));
    const QCommandLineOption isolated(
        QStringLiteral("isolated"),
        QStringLiteral("Render each device's page in a process of its own (slower; a renderer crash then "
                       "fails one device instead of those in flight)."));
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Let the pages run their script (off by default); each page then renders in a process "
                       "of its own, as with --isolated."));
    const QCommandLineOption ioddLibrary(
        QStringLiteral("iodd-library"),
        QStringLiteral("PATHs are value files of IO-Link devices (JSON answers of a master or Data Storage "
                       "backups), each documented with its IODD found in DIR (default source: device)."),
        QStringLiteral("DIR"));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     QStringLiteral("Show the IODD variant with this product id."),
                                     QStringLiteral("PRODUCTID"));
    parser.addOptions({help, version, quiet, verbose, source, report, pdf, jobs, timeout, summary, isolated,
                       script, ioddLibrary, variant});
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("Descriptions, folders or @LIST files."),
                                 QStringLiteral("PATH..."));

    if (!parser.parse(QStringList{QStringLiteral("quiravel-batch")} + arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        *message =
            parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("quiravel-batch"));
        *message += QStringLiteral("\nExit status: 0 every device done, 1 any failed, 2 bad arguments, "
                                   "130 interrupted (SIGINT), 143 terminated (SIGTERM), 129 hung up "
                                   "(SIGHUP).\n");
        return ParseResult::Help;
    }
    if (parser.isSet(version)) {
        *message = ToolOutput::versionText(QStringLiteral("quiravel-batch"));
        return ParseResult::Help;
    }

    BatchOptions result;
    result.inputs = parser.positionalArguments();
    if (result.inputs.isEmpty()) {
        *message = QStringLiteral("no device description, folder or list given");
        return ParseResult::Error;
    }
    for (const QString &input : std::as_const(result.inputs)) {
        if (input.isEmpty() || input == QLatin1String("@")) {
            *message = QStringLiteral("an empty path was given");
            return ParseResult::Error;
        }
    }

    const auto commandFor = [&](const QCommandLineOption &option, QString (*lookup)(const QString &),
                                QString *command) {
        if (!parser.isSet(option))
            return true;
        *command = lookup(parser.value(option));
        if (command->isEmpty()) {
            *message = QStringLiteral("--%1 takes application, database or device, not \"%2\"")
                           .arg(option.names().first(), parser.value(option));
            return false;
        }
        return true;
    };
    if (!commandFor(source, &sourceCommandFor, &result.sourceCommand) ||
        !commandFor(report, &reportCommandFor, &result.reportCommand))
        return ParseResult::Error;

    const auto numberFor = [&](const QCommandLineOption &option, int low, int high, int *value) {
        if (!parser.isSet(option) && option.defaultValues().isEmpty())
            return true;
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        if (ok && *value >= low && *value <= high)
            return true;
        *message = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                       .arg(option.names().first())
                       .arg(low)
                       .arg(high)
                       .arg(parser.value(option));
        return false;
    };
    result.jobs = std::clamp(QThread::idealThreadCount(), 1, kMaxJobs);
    if (!numberFor(jobs, 1, kMaxJobs, &result.jobs) ||
        !numberFor(timeout, MinTimeoutSeconds, MaxTimeoutSeconds, &result.timeoutSeconds))
        return ParseResult::Error;

    result.pageScript = parser.isSet(script);
    // A page's endless script holds up its renderer and every page in it.
    result.isolatedRenderers = parser.isSet(isolated) || result.pageScript;
    result.quiet = parser.isSet(quiet);
    result.verbose = parser.isSet(verbose);
    result.ioddLibrary = parser.value(ioddLibrary);
    result.variant = parser.value(variant);
    if (!result.ioddLibrary.isEmpty() && result.sourceCommand.isEmpty())
        result.sourceCommand = sourceCommandFor(QStringLiteral("device"));

    const auto pathFor = [&](const QCommandLineOption &option, QString *path) {
        if (!parser.isSet(option))
            return true;
        *path = parser.value(option);
        if (!path->isEmpty())
            return true;
        *message = QStringLiteral("--%1 takes a path").arg(option.names().first());
        return false;
    };
    if (!pathFor(pdf, &result.pdfDirectory) || !pathFor(summary, &result.summaryPath))
        return ParseResult::Error;

    *options = result;
    return ParseResult::Run;
}
