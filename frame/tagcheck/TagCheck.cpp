#include "TagCheck.h"

#include "component/SystemInformation.h"
#include "frame/CallLogFile.h"
#include "frame/DeviceFile.h"
#include "frame/DeviceModel.h"
#include "frame/iodd/IoddDevice.h"
#include "hostaccess/HostAccess.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "platform/TextFile.h"
#include "printfile/TagSubstitution.h"
#include "printfile/TemplatePrintFile.h"
#include "resources/Language.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace TagCheck {
namespace {

constexpr std::int32_t CheckViewHandle = 1;

const QString Usage = QStringLiteral("usage: quiravel-tagcheck [--data FILE] [--source "
                                     "application|database|device] [--call-log FILE] [--variant PRODUCTID] "
                                     "DESCRIPTION.kqd|IODD.xml [TEMPLATE]");

const QString Help =
    Usage +
    QStringLiteral("\n"
                   "Lists every tag of the template (default: the description's own) with its line "
                   "number and value, and marks the unresolved ones.\n"
                   "\n"
                   "Options:\n"
                   "  --data FILE      The device data file (default: the description's .data file).\n"
                   "  --source SOURCE  The data the tags read: application (default), database or "
                   "device.\n"
                   "  --call-log FILE  Write every call to the host to FILE, a line a call.\n"
                   "  --variant PRODUCTID  The variant an IODD's device is shown as.\n"
                   "  -h, --help       Show this help and exit.\n"
                   "\n"
                   "Exit status: 0 every tag resolved, 1 any unresolved, 2 bad arguments or a file "
                   "that cannot be read.\n");

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
        return QStringLiteral("the description has no device entry \"%1\"").arg(resolution.name);
    case TagResolution::Outcome::NoItem:
        return QStringLiteral("the host has no item \"%1\"").arg(resolution.name);
    case TagResolution::Outcome::ItemNotRead:
        return QStringLiteral("the host could not read item \"%1\"").arg(resolution.name);
    case TagResolution::Outcome::Text:
        break;
    }
    if (!resolution.enumeration)
        return {};
    if (!resolution.lookup.looked)
        return QStringLiteral("object %1: its definition names no type").arg(resolution.name);
    if (!resolution.lookup.matched)
        return QStringLiteral("no text for value %1 in enumeration %2")
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
            return QStringLiteral("object %1: type %2 not defined").arg(resolution.name, resolution.typeName);
        if (lookup.enumerationName.isEmpty())
            return QStringLiteral("object %1: names no enumeration").arg(resolution.typeName);
        if (!lookup.enumerationDefined)
            return QStringLiteral("object %1: enumeration %2 not defined")
                .arg(resolution.typeName, lookup.enumerationName);
    }
    return QStringLiteral("host failure: ") + error.description();
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
    const QString setting = settingEntry(model, QStringLiteral("PRINTTEMPLATEFILE"));
    if (setting.isEmpty())
        throw Failure{descriptionPath + QStringLiteral(": names no PRINTTEMPLATEFILE; give the template")};
    const QString fileName = setting.section(u'.', 0, 0) + GetLanguageCode() + QStringLiteral(".HTM");
    const QString directory = QFileInfo(descriptionPath).absolutePath() + u'/';
    QString whyNot;
    const QString found = findTemplate(directory, fileName, &whyNot);
    if (found.isEmpty())
        throw Failure{directory + fileName + QStringLiteral(": no such template: ") + whyNot};
    return found;
}

/// Brings the data set the source names into the model, as the component's
/// data source commands would, and points the context at it.
void selectSource(const QString &source, DeviceModel &model, TagContext &context)
{
    std::int32_t error = 0;
    if (source == QLatin1StringView("application")) {
        context.loadMode = 0;
    } else if (source == QLatin1StringView("database")) {
        check(HostAccess::functionControl(model.itemManager().get())->LoadDatabase(0, &error));
        if (error != 0)
            throw Failure{model.databaseError().isEmpty() ? QStringLiteral("the database could not be loaded")
                                                          : model.databaseError()};
        context.loadMode = 1;
        context.databaseFileName = GetTagValue(context, DeviceModel::FileNameItem, false);
    } else if (source == QLatin1StringView("device")) {
        check(HostAccess::functionControl(model.itemManager().get())
                  ->StartFunction(BStr(QStringLiteral("upload")).get(), &error));
        if (error != 0)
            throw Failure{QStringLiteral("the device is not connected; no upload")};
        // The check needs no progress reports: the upload runs to its end at once.
        model.advanceUpload(100);
        context.loadMode = 2;
        context.shadow = true;
    } else {
        throw Failure{QStringLiteral("unknown source \"%1\": application, database or device").arg(source)};
    }
}

int checkTemplate(const QString &templatePath, const TagContext &context, QTextStream &out)
{
    TextReader reader;
    if (!reader.open(templatePath))
        throw Failure{templatePath + QStringLiteral(": cannot read: ") + reader.errorString()};

    int status = AllResolved;
    QStringList tags;
    for (int lineNumber = 1; !reader.atEndOfStream(); ++lineNumber) {
        QString line = reader.readLine();
        if (!line.contains(u'#'))
            continue;
        tags.clear();
        FillTemplateLine(line, [&tags](const QString &tag) {
            tags.append(tag);
            return tag;
        });

        // The component looks the tags up left to right and gives up on the
        // line at the first failure, which leaves every tag of it as read.
        QStringList reports;
        QList<bool> resolved;
        qsizetype failed = -1;
        QString failure;
        for (const QString &tag : std::as_const(tags)) {
            TagResolution resolution;
            try {
                const QString value = GetTagValue(context, tag, true, &resolution);
                const QString reason = unresolvedReason(resolution);
                resolved.append(reason.isEmpty());
                reports.append(reason.isEmpty() ? value : QStringLiteral("UNRESOLVED (%1)").arg(reason));
            } catch (const ComError &error) {
                failed = reports.size();
                failure = failureReason(resolution, error);
                break;
            }
        }
        for (qsizetype i = 0; i < tags.size(); ++i) {
            out << lineNumber << ": " << tags.at(i) << " -> ";
            if (failed < 0) {
                out << reports.at(i) << '\n';
                if (!resolved.at(i))
                    status = SomeUnresolved;
            } else {
                out << "KEPT AS READ ("
                    << (i == failed ? failure : tags.at(failed) + QStringLiteral(" on this line failed"))
                    << ")\n";
                status = SomeUnresolved;
            }
        }
    }
    // A read that failed, or a line too long, ended the lines early.
    if (!reader.errorString().isEmpty())
        throw Failure{templatePath + QStringLiteral(": cannot read: ") + reader.errorString()};
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
    parser.addOption(dataOption);
    parser.addOption(sourceOption);
    parser.addOption(callLogOption);
    const QCommandLineOption variantOption(QStringLiteral("variant"), QStringLiteral("IODD variant"),
                                           QStringLiteral("PRODUCTID"));
    parser.addOption(variantOption);
    parser.addOption(helpOption);
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(helpOption)) {
        out << Help;
        return AllResolved;
    }
    const QStringList positional = parser.positionalArguments();
    if (!parsed || positional.isEmpty() || positional.size() > 2) {
        err << (parsed ? QString() : parser.errorText() + u'\n') << Usage << '\n';
        return UsageOrFileError;
    }

    try {
        const QString descriptionPath = positional.at(0);
        DeviceModel model;
        CallLogFile callLog;
        if (parser.isSet(callLogOption)) {
            QString reason;
            if (!callLog.open(parser.value(callLogOption), model, &reason))
                throw Failure{reason};
        }
        Iodd::toolOptions().variant = parser.value(variantOption);
        DeviceFileError fileError;
        if (!loadDevice(descriptionPath, parser.value(dataOption), model, &fileError))
            throw Failure{fileError.toString()};

        TagContext context;
        const ComPtr<AppItemManager> itemManager = model.itemManager();
        context.itemManager = itemManager.get();
        context.viewHandle = CheckViewHandle;
        context.registeredOwner = &SystemInformation::GetRegisteredOwner;
        context.registeredOrganization = &SystemInformation::GetRegisteredOrganization;
        selectSource(parser.value(sourceOption), model, context);

        const QString templatePath =
            positional.size() == 2 ? positional.at(1) : defaultTemplate(model, model.descriptionPath());
        const int status = checkTemplate(templatePath, context, out);
        out.flush();
        return status;
    } catch (const Failure &failure) {
        out.flush();
        err << failure.message << '\n';
        return UsageOrFileError;
    } catch (const ComError &error) {
        out.flush();
        err << "host failure: " << error.description() << '\n';
        return UsageOrFileError;
    }
}

} // namespace TagCheck
