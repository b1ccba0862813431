// SPDX-License-Identifier: Apache-2.0
#include "tools/session/FrameOptions.h"

#include "contract/QuiravelAutomation.h"
#include "tools/common/ToolOutput.h"

#include <QCommandLineParser>
#include <QHash>

namespace {

const QHash<QString, QString> &sourceCommands()
{
    static const QHash<QString, QString> commands = {
        {QStringLiteral("application"), QString::fromLatin1(QuiravelCommand::ApplicationData)},
        {QStringLiteral("database"), QString::fromLatin1(QuiravelCommand::DatabaseData)},
        {QStringLiteral("device"), QString::fromLatin1(QuiravelCommand::DeviceData)},
    };
    return commands;
}

const QHash<QString, QString> &reportCommands()
{
    static const QHash<QString, QString> commands = {
        {QStringLiteral("application"), QString::fromLatin1(QuiravelCommand::ApplicationReport)},
        {QStringLiteral("database"), QString::fromLatin1(QuiravelCommand::DatabaseReport)},
        {QStringLiteral("device"), QString::fromLatin1(QuiravelCommand::DeviceReport)},
    };
    return commands;
}

} // namespace

QStringList FrameOptions::commands() const
{
    QStringList result;
    if (!sourceCommand.isEmpty())
        result.append(sourceCommand);
    if (!reportCommand.isEmpty())
        result.insert(reportFirst ? 0 : result.size(), reportCommand);
    return result;
}

QString commandTitle(const QString &command)
{
    static const QHash<QString, QString> titles = {
        {QString::fromLatin1(QuiravelCommand::ApplicationData),
         QStringLiteral("loading the application data")},
        {QString::fromLatin1(QuiravelCommand::DatabaseData), QStringLiteral("loading the database")},
        {QString::fromLatin1(QuiravelCommand::DeviceData), QStringLiteral("the upload from the device")},
        {QString::fromLatin1(QuiravelCommand::ApplicationReport), QStringLiteral("the application report")},
        {QString::fromLatin1(QuiravelCommand::DatabaseReport), QStringLiteral("the database report")},
        {QString::fromLatin1(QuiravelCommand::DeviceReport), QStringLiteral("the device report")},
    };
    return titles.value(command, command);
}

QString sourceCommandFor(const QString &source)
{
    return sourceCommands().value(source.toLower());
}

QString reportCommandFor(const QString &source)
{
    return reportCommands().value(source.toLower());
}

ParseResult parseFrameOptions(const QStringList &arguments, FrameOptions *options, QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loads a device description into an in-memory host and shows the print view "
                       "component on it.\n"
                       "The template shown is the one for the user's language (LC_ALL, LC_MESSAGES, LANG: "
                       "German gives ...049.HTM, every other language ...001.HTM). Without a display "
                       "(DISPLAY and WAYLAND_DISPLAY unset) the frame exits with status 8 unless "
                       "--headless is given or QUIRAVEL_HEADLESS=1 is set."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Do not name the files written; report failures only."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Also pass on the browser engine's own messages."));
    const QCommandLineOption data(
        QStringLiteral("data"),
        QStringLiteral("The device data file (default: the description's .data file)."),
        QStringLiteral("FILE"));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("The database file, instead of the data file's Database=."), QStringLiteral("FILE"));
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("Run a data source command after showing the view: "
                                                   "application, database or device."),
                                    QStringLiteral("SOURCE"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("Show a default device report: application, database or device."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("Print the page shown to a PDF file."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the screen once the page is shown, "
                                                       "then exit."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Answer every confirmation with OK."));
    const QCommandLineOption exit(QStringLiteral("exit"),
                                  QStringLiteral("Quit once the page is shown and any PDF is written."));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Run without a display; implies --yes and --exit."));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Give up an --exit run after SECONDS, 1 to 86400 (default 60)."),
        QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption callLog(QStringLiteral("call-log"),
                                     QStringLiteral("Write every call the component makes to the host to "
                                                    "FILE, a line a call, as it happens."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("Let the page run its script (off by default)."));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     QStringLiteral("Show the IODD variant with this product id."),
                                     QStringLiteral("PRODUCTID"));
    parser.addOptions({help, version, quiet, verbose, data, database, source, report, pdf, screenshot, yes,
                       exit, headless, timeout, callLog, script, variant});
    parser.addPositionalArgument(QStringLiteral("DESCRIPTION"),
                                 QStringLiteral("The device description (.kqd) or IODD (.xml)."));

    if (!parser.parse(QStringList{QStringLiteral("quiravel-frame")} + arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        *message =
            parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("quiravel-frame"));
        *message +=
            QStringLiteral("\nExit status: 0 a generated page was shown, 2 bad arguments, 3 unreadable "
                           "or malformed device files, 4 the component is not registered or cannot "
                           "be loaded, 5 no page was generated, 6 timed out, 7 the PDF, screenshot or "
                           "call log could not be written, 8 no display, 130 interrupted (SIGINT), 143 "
                           "terminated (SIGTERM), 129 hung up (SIGHUP).\n");
        return ParseResult::Help;
    }
    if (parser.isSet(version)) {
        *message = ToolOutput::versionText(QStringLiteral("quiravel-frame"));
        return ParseResult::Help;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        *message = positional.isEmpty() ? QStringLiteral("no device description given")
                                        : QStringLiteral("more than one device description given");
        return ParseResult::Error;
    }
    FrameOptions result;
    result.descriptionPath = positional.first();
    result.dataPath = parser.value(data);
    result.variant = parser.value(variant);
    result.databasePath = parser.value(database);

    const auto commandFor = [&](const QCommandLineOption &option, const QHash<QString, QString> &commands,
                                QString *command) {
        if (!parser.isSet(option))
            return true;
        const QString value = parser.value(option);
        *command = commands.value(value.toLower());
        if (command->isEmpty()) {
            *message = QStringLiteral("--%1 takes application, database or device, not \"%2\"")
                           .arg(option.names().first(), value);
            return false;
        }
        return true;
    };
    if (!commandFor(source, sourceCommands(), &result.sourceCommand) ||
        !commandFor(report, reportCommands(), &result.reportCommand))
        return ParseResult::Error;

    result.pdfPath = parser.value(pdf);
    result.screenshotPath = parser.value(screenshot);
    result.headless =
        parser.isSet(headless) || qEnvironmentVariable("QUIRAVEL_HEADLESS") == QLatin1String("1");
    result.pageScript = parser.isSet(script);
    result.quiet = parser.isSet(quiet);
    result.verbose = parser.isSet(verbose);
    result.answerYes = parser.isSet(yes) || result.headless;
    result.exitWhenShown = parser.isSet(exit) || result.headless || !result.screenshotPath.isEmpty();

    result.callLogPath = parser.value(callLog);

    // Read wide so that a huge number is refused rather than wrapped.
    bool ok = false;
    const qlonglong seconds = parser.value(timeout).trimmed().toLongLong(&ok);
    if (!ok || seconds < MinTimeoutSeconds || seconds > MaxTimeoutSeconds) {
        *message = QStringLiteral("--timeout takes %1 to %2 seconds, not \"%3\"")
                       .arg(MinTimeoutSeconds)
                       .arg(MaxTimeoutSeconds)
                       .arg(parser.value(timeout));
        return ParseResult::Error;
    }
    result.timeoutSeconds = int(seconds);
    *options = result;
    return ParseResult::Run;
}
