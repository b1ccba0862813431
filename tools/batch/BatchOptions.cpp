// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/BatchOptions.h"

#include "tools/common/ToolOutput.h"
#include "tools/session/RunOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace {

constexpr int kMaxJobs = 64;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(BatchOptions)
};

} // namespace

ParseResult parseBatchOptions(const QStringList &arguments, BatchOptions *options, QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Text::tr("Writes the print file (and with --pdf a PDF) of every device given, through the print "
                 "view component, several devices at once in one process.\n"
                 "PATH is a device description (.kqd), a folder (searched for .kqd files in all its "
                 "subfolders) or @LIST, a text file naming one description or folder a line (relative "
                 "to the list's folder; blank lines and lines starting with # are skipped; @- reads the "
                 "list from standard input, relative to the current folder).\n"
                 "Each device's template is the one for the user's language (LC_ALL, LC_MESSAGES, LANG: "
                 "German gives ...049.HTM, every other language ...001.HTM)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  Text::tr("Show this help and exit."));
    const RunOptionReader run(
        Text::tr(
            "Load the data from application, database or device (default: as the view loads when shown)."),
        Text::tr("Also write the default device report from application, database or device."),
        Text::tr("Give up a device after SECONDS (default 60)."));
    const QCommandLineOption version(QStringLiteral("version"), Text::tr("Show the version and exit."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   Text::tr("Report nothing but the failures."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     Text::tr("Also pass on the browser engine's own messages."));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 Text::tr("Print each page to DIR/<the description's path relative to "
                                          "the deepest folder all PATHs share, with .pdf>."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  Text::tr("Devices in flight at once (default: the number of cores)."),
                                  QStringLiteral("N"));
    const QCommandLineOption summary(
        QStringLiteral("summary"),
        Text::tr("Write each device's outcome to a CSV file (path, status, message, seconds, print "
                 "file, PDF)."),
        QStringLiteral("FILE"));
    const QCommandLineOption isolated(
        QStringLiteral("isolated"),
        Text::tr("Render each device's page in a process of its own (slower; a renderer crash then "
                 "fails one device instead of those in flight)."));
    const QCommandLineOption script(
        QStringLiteral("script"),
        Text::tr("Let the pages run their script (off by default); each page then renders in a process "
                 "of its own, as with --isolated."));
    const QCommandLineOption ioddLibrary(
        QStringLiteral("iodd-library"),
        Text::tr("PATHs are value files of IO-Link devices (JSON answers of a master or Data Storage "
                 "backups), each documented with its IODD found in DIR (default source: device)."),
        QStringLiteral("DIR"));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     Text::tr("Show the IODD variant with this product id."),
                                     QStringLiteral("PRODUCTID"));
    // In the order --help has always listed them.
    parser.addOptions({help, version, quiet, verbose});
    run.addTo(parser, RunOptionReader::SourceAndReport);
    parser.addOptions({pdf, jobs});
    run.addTo(parser, RunOptionReader::Timeout);
    parser.addOptions({summary, isolated, script, ioddLibrary, variant});
    parser.addPositionalArgument(QStringLiteral("PATH"), Text::tr("Descriptions, folders or @LIST files."),
                                 QStringLiteral("PATH..."));

    if (!parser.parse(QStringList{QStringLiteral("quiravel-batch")} + arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        *message = ToolOutput::helpText(parser, QStringLiteral("quiravel-batch"));
        *message += Text::tr("\nExit status: 0 every device done, 1 any failed, 2 bad arguments, "
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
        *message = Text::tr("no device description, folder or list given");
        return ParseResult::Error;
    }
    for (const QString &input : std::as_const(result.inputs)) {
        if (input.isEmpty() || input == QLatin1String("@")) {
            *message = Text::tr("an empty path was given");
            return ParseResult::Error;
        }
    }

    RunChoice choice;
    if (!run.read(parser, &choice, message))
        return ParseResult::Error;
    result.sourceCommand = choice.sourceCommand;
    result.reportCommand = choice.reportCommand;
    result.timeoutSeconds = choice.timeoutSeconds;

    const auto numberFor = [&](const QCommandLineOption &option, int low, int high, int *value) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        if (ok && *value >= low && *value <= high)
            return true;
        *message = Text::tr("--%1 takes a whole number from %2 to %3, not \"%4\"")
                       .arg(option.names().first(), QString::number(low), QString::number(high),
                            parser.value(option));
        return false;
    };
    result.jobs = std::clamp(QThread::idealThreadCount(), 1, kMaxJobs);
    if (!numberFor(jobs, 1, kMaxJobs, &result.jobs))
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
        *message = Text::tr("--%1 takes a path").arg(option.names().first());
        return false;
    };
    if (!pathFor(pdf, &result.pdfDirectory) || !pathFor(summary, &result.summaryPath))
        return ParseResult::Error;

    *options = result;
    return ParseResult::Run;
}
