// SPDX-License-Identifier: Apache-2.0
#include "TagCheck.h"

#include "contract/HostContract.h"
#include "host/DeviceFile.h"
#include "host/DeviceModel.h"
#include "host/iodd/IoddDevice.h"
#include "hostaccess/HostAccess.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "platform/FileName.h"
#include "platform/SafeFile.h"
#include "platform/SystemInformation.h"
#include "platform/TextFile.h"
#include "printfile/TagSubstitution.h"
#include "printfile/TemplatePrintFile.h"
#include "resources/Language.h"
#include "tools/common/CallLogFile.h"
#include "tools/common/ToolOutput.h"
#include "tools/common/ToolSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace TagCheck {
namespace {

constexpr std::int32_t CheckViewHandle = 1;

/// The check's own texts, in the user's language.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(TagCheck)
};

const QString kTool = QStringLiteral("quiravel-tagcheck");

const char kHelp[] = QT_TRANSLATE_NOOP(
    "TagCheck", "usage: quiravel-tagcheck [-q] [--data FILE] [--source "
                "application|database|device] [--call-log FILE] [--variant PRODUCTID] "
                "DESCRIPTION.kqd|IODD.xml [TEMPLATE]\n"
                "Lists every tag of the template (default: the description's own for the user's "
                "language, LC_ALL, LC_MESSAGES or LANG: German ...049.HTM, otherwise ...001.HTM) "
                "with its line number and value, and marks the unresolved ones. A template whose "
                "meta tag declares another charset than the print file's Windows-1252 gets a "
                "warning for each value with non-ASCII text, which will show wrongly.\n"
                "\n"
                "Options:\n"
                "  --data FILE      The device data file (default: the description's .data file).\n"
                "  --source SOURCE  The data the tags read: application (default), database or "
                "device.\n"
                "  --call-log FILE  Write every call to the host to FILE, a line a call.\n"
                "  -q, --quiet      List only the tags that are not resolved.\n"
                "  --variant PRODUCTID  The variant an IODD's device is shown as.\n"
                "  -h, --help       Show this help and exit.\n"
                "  --version        Show the version and exit.\n"
                "\n"
                "Exit status: 0 every tag resolved, 1 any unresolved, 2 bad arguments or a file "
                "that cannot be read, 130 interrupted (SIGINT), 143 terminated (SIGTERM), 129 hung up "
                "(SIGHUP).\n");

/// Ends the check on an ending signal, through the normal way out.
struct Interrupted
{
    int signal;
};

/// Charsets a browser reads as Windows-1252, which the print file is written in.
bool readsAsWindows1252(const QString &charset)
{
    static const QStringList names = {
        QStringLiteral("windows-1252"), QStringLiteral("cp1252"),    QStringLiteral("x-cp1252"),
        QStringLiteral("iso-8859-1"),   QStringLiteral("iso8859-1"), QStringLiteral("iso_8859-1"),
        QStringLiteral("latin1"),       QStringLiteral("l1"),        QStringLiteral("us-ascii"),
        QStringLiteral("ascii"),        QStringLiteral("cp819"),     QStringLiteral("ibm819"),
    };
    return names.contains(charset.toLower());
}

/// The charset a meta tag on `line` declares; empty when it declares none.
QString declaredCharset(const QString &line)
{
    static const QRegularExpression meta(
        QStringLiteral("<meta\\b[^>]*\\bcharset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return meta.match(line).captured(1);
}

bool nonAscii(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0x7f; });
}

/// Ends the check with a usage or file error; its text is the one line the
/// user reads.
struct Failure
{
    QString message;
};

/// Why a tag that the host answered stays unresolved, or empty when its text
/// is what the page will show. Decided from what the host said on the way,
/// never from the text itself: a value may well read like its tag.
QString unresolvedReason(const TagResolution &resolution)
{
    switch (resolution.outcome) {
    case TagResolution::Outcome::NoDeviceEntry:
        return Text::tr("the description has no device entry \"%1\"").arg(resolution.name);
    case TagResolution::Outcome::NoItem:
        return Text::tr("the host has no item \"%1\"").arg(resolution.name);
    case TagResolution::Outcome::ItemNotRead:
        return Text::tr("the host could not read item \"%1\"").arg(resolution.name);
    case TagResolution::Outcome::Text:
        break;
    }
    if (!resolution.enumeration)
        return {};
    if (!resolution.lookup.looked)
        return Text::tr("object %1: its definition names no type").arg(resolution.name);
    if (!resolution.lookup.matched)
        return Text::tr("no text for value %1 in enumeration %2")
            .arg(resolution.number)
            .arg(resolution.lookup.enumerationName);
    return {};
}

/// Why a tag's lookup failed (which leaves its whole line as read).
QString failureReason(const TagResolution &resolution, const ComError &error)
{
    if (resolution.enumeration && error.status() == DISP_E_BADINDEX) {
        const EnumLookupTrace &lookup = resolution.lookup;
        if (!lookup.typeDefined)
            return Text::tr("object %1: type %2 not defined").arg(resolution.name, resolution.typeName);
        if (lookup.enumerationName.isEmpty())
            return Text::tr("object %1: names no enumeration").arg(resolution.typeName);
        if (!lookup.enumerationDefined)
            return Text::tr("object %1: enumeration %2 not defined")
                .arg(resolution.typeName, lookup.enumerationName);
    }
    return Text::tr("host failure: ") + error.description();
}

QString settingEntry(DeviceModel &model, const QString &key)
{
    const ComPtr<AppDeviceDescription> description = HostAccess::deviceDescription(model.itemManager().get());
    BStr value;
    std::int32_t error = 0;
    check(description->GetSettingEntry(BStr(key).get(), value.put(), &error));
    return error == 0 ? value.toQString() : QString();
}

/// The template the component would show for this description: the setting's
/// text before its first ".", the user's language code and ".HTM", beside the
/// description, its name matched without regard to case.
QString defaultTemplate(DeviceModel &model, const QString &descriptionPath)
{
    const QString setting = settingEntry(model, QString::fromLatin1(HostContract::kPrintTemplateSetting));
    if (setting.isEmpty())
        throw Failure{FileName::shownPath(descriptionPath) +
                      Text::tr(": names no PRINTTEMPLATEFILE; give the template")};
    const QString fileName = setting.section(u'.', 0, 0) + GetLanguageCode() + QStringLiteral(".HTM");
    const QString directory = QFileInfo(descriptionPath).absolutePath() + u'/';
    QString whyNot;
    const QString found = findTemplate(directory, fileName, &whyNot);
    if (found.isEmpty())
        throw Failure{FileName::shownPath(directory + fileName) + Text::tr(": no such template: ") + whyNot};
    return found;
}

/// Brings the data set the source names into the model, as the component's
/// data source commands would, and points the context at it.
void selectSource(const QString &source, DeviceModel &model, TagContext &context)
{
    std::int32_t error = 0;
    if (source == QLatin1StringView("application")) {
        context.loadMode = HostContract::LoadMode::Application;
    } else if (source == QLatin1StringView("database")) {
        check(HostAccess::functionControl(model.itemManager().get())->LoadDatabase(0, &error));
        if (error != 0)
            throw Failure{model.databaseError().isEmpty() ? Text::tr("the database could not be loaded")
                                                          : model.databaseError()};
        context.loadMode = HostContract::LoadMode::Database;
        context.databaseFileName =
            GetTagValue(context, QString::fromLatin1(HostContract::kDatabaseFileNameItem), false);
    } else if (source == QLatin1StringView("device")) {
        check(HostAccess::functionControl(model.itemManager().get())
                  ->StartFunction(BStr(QString::fromLatin1(HostContract::kUploadFunction)).get(), &error));
        if (error != 0)
            throw Failure{Text::tr("the device is not connected; no upload")};
        // The check needs no progress reports: the upload runs to its end at once.
        model.advanceUpload(HostContract::kUploadFinished);
        context.loadMode = HostContract::LoadMode::Device;
        context.shadow = true;
    } else {
        throw Failure{Text::tr("unknown source \"%1\": application, database or device").arg(source)};
    }
}

int checkTemplate(const QString &templatePath, const TagContext &context, bool quiet, QTextStream &out,
                  QTextStream &err)
{
    TextReader reader;
    if (!reader.open(templatePath))
        throw Failure{FileName::shownPath(templatePath) + Text::tr(": cannot read: ") + reader.errorString()};

    int status = AllResolved;
    QStringList tags;
    QString charset;
    int charsetLine = 0;
    const auto warnIfShownWrongly = [&](int lineNumber, const QString &what) {
        if (charsetLine == 0 || readsAsWindows1252(charset))
            return;
        err << kTool << ": "
            << Text::tr(
                   "warning: %1:%2: %3 is written in Windows-1252, but line %4 declares the charset %5: it "
                   "will show wrongly")
                   .arg(templatePath)
                   .arg(lineNumber)
                   .arg(what)
                   .arg(charsetLine)
                   .arg(charset)
            << '\n';
    };
    for (int lineNumber = 1; !reader.atEndOfStream(); ++lineNumber) {
        if (const int signal = ToolSignals::received())
            throw Interrupted{signal};
        QString line = reader.readLine();
        if (charsetLine == 0) {
            charset = declaredCharset(line);
            if (!charset.isEmpty())
                charsetLine = lineNumber;
        }
        // The template's own bytes reach the page as they are, so they show
        // as its author meant; only the values put in are re-encoded.
        if (!line.contains(u'#'))
            continue;
        // Each tag is looked up as the component fills the line: left to
        // right, and a failure ends the lookups and leaves every tag of the
        // line as read.
        tags.clear();
        QStringList reports;
        QList<bool> resolved;
        qsizetype failed = -1;
        QString failure;
        FillTemplateLine(line, [&](const QString &tag) {
            tags.append(tag);
            if (failed >= 0)
                return tag;
            TagResolution resolution;
            try {
                const QString value = GetTagValue(context, tag, true, &resolution);
                const QString reason = unresolvedReason(resolution);
                resolved.append(reason.isEmpty());
                reports.append(reason.isEmpty() ? value : Text::tr("UNRESOLVED (%1)").arg(reason));
            } catch (const ComError &error) {
                failed = reports.size();
                failure = failureReason(resolution, error);
            }
            return tag;
        });
        for (qsizetype i = 0; i < tags.size(); ++i) {
            if (failed < 0 && resolved.at(i) && nonAscii(reports.at(i)))
                warnIfShownWrongly(lineNumber,
                                   Text::tr("the value of %1 (\"%2\")").arg(tags.at(i), reports.at(i)));
            if (quiet && failed < 0 && resolved.at(i))
                continue;
            out << lineNumber << ": " << tags.at(i) << " -> ";
            if (failed < 0) {
                out << reports.at(i) << '\n';
                if (!resolved.at(i))
                    status = SomeUnresolved;
            } else {
                out << Text::tr("KEPT AS READ (%1)")
                           .arg(i == failed ? failure : tags.at(failed) + Text::tr(" on this line failed"))
                    << '\n';
                status = SomeUnresolved;
            }
        }
    }
    // A read that failed, or a line too long, ended the lines early.
    if (!reader.errorString().isEmpty())
        throw Failure{FileName::shownPath(templatePath) + Text::tr(": cannot read: ") + reader.errorString()};
    return status;
}

} // namespace

int runTagCheck(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("device data file"),
                                        QStringLiteral("FILE"));
    const QCommandLineOption sourceOption(QStringLiteral("source"), QStringLiteral("data set the tags read"),
                                          QStringLiteral("SOURCE"), QStringLiteral("application"));
    const QCommandLineOption callLogOption(
        QStringLiteral("call-log"), QStringLiteral("write every host call to FILE"), QStringLiteral("FILE"));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("show this help"));
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("show the version"));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("list only the tags not resolved"));
    parser.addOption(versionOption);
    parser.addOption(quietOption);
    parser.addOption(dataOption);
    parser.addOption(sourceOption);
    parser.addOption(callLogOption);
    const QCommandLineOption variantOption(QStringLiteral("variant"), QStringLiteral("IODD variant"),
                                           QStringLiteral("PRODUCTID"));
    parser.addOption(variantOption);
    parser.addOption(helpOption);
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(helpOption)) {
        out << Text::tr(kHelp);
        return AllResolved;
    }
    if (parsed && parser.isSet(versionOption)) {
        out << ToolOutput::versionText(kTool);
        return AllResolved;
    }
    const QStringList positional = parser.positionalArguments();
    if (!parsed || positional.isEmpty() || positional.size() > 2) {
        QString reason = parser.errorText();
        if (parsed)
            reason = positional.isEmpty() ? Text::tr("no device description given")
                                          : Text::tr("unexpected argument '%1'").arg(positional.at(2));
        err << ToolOutput::usageLine(kTool, reason) << '\n';
        return UsageOrFileError;
    }

    try {
        const QString descriptionPath = positional.at(0);
        DeviceModel model;
        Iodd::toolOptions().variant = parser.value(variantOption);
        DeviceFileError fileError;
        if (!loadDevice(descriptionPath, parser.value(dataOption), model, &fileError))
            throw Failure{fileError.toString()};
        // Once the device files are read, so that no output takes their place.
        for (const QString &input : positional)
            SafeFile::addInput(input);
        CallLogFile callLog;
        if (parser.isSet(callLogOption)) {
            QString reason;
            if (!callLog.open(parser.value(callLogOption), model, &reason))
                throw Failure{reason};
        }

        TagContext context;
        const ComPtr<AppItemManager> itemManager = model.itemManager();
        context.itemManager = itemManager.get();
        context.viewHandle = CheckViewHandle;
        context.registeredOwner = &SystemInformation::GetRegisteredOwner;
        context.registeredOrganization = &SystemInformation::GetRegisteredOrganization;
        selectSource(parser.value(sourceOption), model, context);

        const QString templatePath =
            positional.size() == 2 ? positional.at(1) : defaultTemplate(model, model.descriptionPath());
        const int status = checkTemplate(templatePath, context, parser.isSet(quietOption), out, err);
        out.flush();
        if (QString reason; !callLog.finish(&reason))
            throw Failure{reason};
        return status;
    } catch (const Failure &failure) {
        out.flush();
        err << kTool << ": " << failure.message << '\n';
        return UsageOrFileError;
    } catch (const ComError &error) {
        out.flush();
        err << kTool << ": " << Text::tr("host failure: ") << error.description() << '\n';
        return UsageOrFileError;
    } catch (const Interrupted &interrupted) {
        out.flush();
        return ToolSignals::exitStatusFor(interrupted.signal);
    }
}

} // namespace TagCheck
