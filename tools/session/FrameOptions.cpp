// SPDX-License-Identifier: Apache-2.0
#include "tools/session/FrameOptions.h"

#include "contract/QuiravelAutomation.h"
#include "tools/common/ToolOutput.h"
#include "tools/session/RunOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(FrameOptions)
};

const QHash<QString, QString> &sourceCommands()
{
    static const QHash<QString, QString> commands = {
        {QStringLiteral("application"), QString::fromLatin1(QuiravelCommand::kApplicationData)},
        {QStringLiteral("database"), QString::fromLatin1(QuiravelCommand::kDatabaseData)},
        {QStringLiteral("device"), QString::fromLatin1(QuiravelCommand::kDeviceData)},
    };
    return commands;
}

const QHash<QString, QString> &reportCommands()
{
    static const QHash<QString, QString> commands = {
        {QStringLiteral("application"), QString::fromLatin1(QuiravelCommand::kApplicationReport)},
        {QStringLiteral("database"), QString::fromLatin1(QuiravelCommand::kDatabaseReport)},
        {QStringLiteral("device"), QString::fromLatin1(QuiravelCommand::kDeviceReport)},
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
    static const QHash<QString, const char *> titles = {
        {QString::fromLatin1(QuiravelCommand::kApplicationData),
         QT_TRANSLATE_NOOP("FrameOptions", "loading the application data")},
        {QString::fromLatin1(QuiravelCommand::kDatabaseData),
         QT_TRANSLATE_NOOP("FrameOptions", "loading the database")},
        {QString::fromLatin1(QuiravelCommand::kDeviceData),
         QT_TRANSLATE_NOOP("FrameOptions", "the upload from the device")},
        {QString::fromLatin1(QuiravelCommand::kApplicationReport),
         QT_TRANSLATE_NOOP("FrameOptions", "the application report")},
        {QString::fromLatin1(QuiravelCommand::kDatabaseReport),
         QT_TRANSLATE_NOOP("FrameOptions", "the database report")},
        {QString::fromLatin1(QuiravelCommand::kDeviceReport),
         QT_TRANSLATE_NOOP("FrameOptions", "the device report")},
    };
    const char *title = titles.value(command);
    return title ? Text::tr(title) : command;
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
        Text::tr("Loads a device description into an in-memory host and shows the print view "
                 "component on it.\n"
                 "The template shown is the one for the user's language (LC_ALL, LC_MESSAGES, LANG: "
                 "German gives ...049.HTM, every other language ...001.HTM). Without a display "
                 "(DISPLAY and WAYLAND_DISPLAY unset) the frame exits with status 8 unless "
                 "--headless is given or QUIRAVEL_HEADLESS=1 is set."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  Text::tr("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), Text::tr("Show the version and exit."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   Text::tr("Do not name the files written; report failures only."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     Text::tr("Also pass on the browser engine's own messages."));
    const QCommandLineOption data(QStringLiteral("data"),
                                  Text::tr("The device data file (default: the description's .data file)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption database(QStringLiteral("database"),
                                      Text::tr("The database file, instead of the data file's Database=."),
                                      QStringLiteral("FILE"));
    const RunOptionReader run(
        Text::tr("Run a data source command after showing the view: application, database or device."),
        Text::tr("Show a default device report: application, database or device."),
        Text::tr("Give up an --exit run after SECONDS, 1 to 86400 (default 60)."));
    const QCommandLineOption pdf(QStringLiteral("pdf"), Text::tr("Print the page shown to a PDF file."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        Text::tr("Save a picture of the screen once the page is shown, then exit."), QStringLiteral("FILE"));
    const QCommandLineOption yes(QStringLiteral("yes"), Text::tr("Answer every confirmation with OK."));
    const QCommandLineOption exit(QStringLiteral("exit"),
                                  Text::tr("Quit once the page is shown and any PDF is written."));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      Text::tr("Run without a display; implies --yes and --exit."));
    const QCommandLineOption callLog(
        QStringLiteral("call-log"),
        Text::tr("Write every call the component makes to the host to FILE, a line a call, as it happens."),
        QStringLiteral("FILE"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    Text::tr("Let the page run its script (off by default)."));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     Text::tr("Show the IODD variant with this product id."),
                                     QStringLiteral("PRODUCTID"));
    // In the order --help has always listed them.
    parser.addOptions({help, version, quiet, verbose, data, database});
    run.addTo(parser, RunOptionReader::SourceAndReport);
    parser.addOptions({pdf, screenshot, yes, exit, headless});
    run.addTo(parser, RunOptionReader::Timeout);
    parser.addOptions({callLog, script, variant});
    parser.addPositionalArgument(QStringLiteral("DESCRIPTION"),
                                 Text::tr("The device description (.kqd) or IODD (.xml)."));

    if (!parser.parse(QStringList{QStringLiteral("quiravel-frame")} + arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        *message = ToolOutput::helpText(parser, QStringLiteral("quiravel-frame"));
        *message += Text::tr("\nExit status: 0 a generated page was shown, 2 bad arguments, 3 unreadable "
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
        *message = positional.isEmpty() ? Text::tr("no device description given")
                                        : Text::tr("more than one device description given");
        return ParseResult::Error;
    }
    FrameOptions result;
    result.descriptionPath = positional.first();
    result.dataPath = parser.value(data);
    result.variant = parser.value(variant);
    result.databasePath = parser.value(database);

    RunChoice choice;
    if (!run.read(parser, &choice, message))
        return ParseResult::Error;
    result.sourceCommand = choice.sourceCommand;
    result.reportCommand = choice.reportCommand;
    result.timeoutSeconds = choice.timeoutSeconds;

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
    *options = result;
    return ParseResult::Run;
}
