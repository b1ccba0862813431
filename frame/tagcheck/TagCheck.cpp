#include "TagCheck.h"

#include "component/SystemInformation.h"
#include "frame/CallLogFile.h"
#include "frame/DeviceFile.h"
#include "frame/DeviceModel.h"
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
                                     "application|database|device] [--call-log FILE] DESCRIPTION.kqd "
                                     "[TEMPLATE]");

/// Ends the check with a usage or file error; its text is the one line the
/// user reads.
struct Failure
{
    QString message;
};

/// The name GetTagValue looks up for a tag cut from a line.
QString nameOf(const QString &tag)
{
    QString name = tag.toUpper().mid(1, tag.size() - 2);
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && name.at(start) == u' ')
        ++start;
    while (end > start && name.at(end - 1) == u' ')
        --end;
    return name.mid(start, end - start);
}

/// The device entry a fixed tag reads, or empty for a tag that names a host item.
QString deviceEntryOf(const QString &name)
{
    static const QStringList direct = {QStringLiteral("DEFAULTTAG"), QStringLiteral("DEVICEID"),
                                       QStringLiteral("DEVDESCLONG"), QStringLiteral("VENDORID"),
                                       QStringLiteral("VENDOR")};
    if (name == QLatin1StringView("DEVICETYPETEXT"))
        return QStringLiteral("DEVTYPETEXT");
    return direct.contains(name) ? name : QString();
}

QString unresolvedReason(const QString &tag)
{
    const QString name = nameOf(tag);
    if (const QString entry = deviceEntryOf(name); !entry.isEmpty())
        return QStringLiteral("the description has no device entry \"%1\"").arg(entry);
    QString item = name;
    ReplaceNoCase(item, QStringLiteral("&amp;"), QStringLiteral("&"));
    return QStringLiteral("the host has no item \"%1\"").arg(item);
}

QString settingEntry(DeviceModel &model, const QString &key)
{
    ComPtr<AppDeviceDescription> description;
    check(model.itemManager()->GetDeviceDescription(description.put()));
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
    const QString found = findTemplate(directory, fileName);
    if (found.isEmpty())
        throw Failure{directory + fileName + QStringLiteral(": no such template")};
    return found;
}

ComPtr<AppFunctionControl> functionControl(DeviceModel &model)
{
    ComPtr<AppFunctionControl> control;
    check(model.itemManager()->GetFunctionControl(control.put()));
    return control;
}

/// Brings the data set the source names into the model, as the component's
/// data source commands would, and points the context at it.
void selectSource(const QString &source, DeviceModel &model, TagContext &context)
{
    std::int32_t error = 0;
    if (source == QLatin1StringView("application")) {
        context.loadMode = 0;
    } else if (source == QLatin1StringView("database")) {
        check(functionControl(model)->LoadDatabase(0, &error));
        if (error != 0)
            throw Failure{model.databaseError().isEmpty() ? QStringLiteral("the database could not be loaded")
                                                          : model.databaseError()};
        context.loadMode = 1;
        context.databaseFileName = GetTagValue(context, DeviceModel::FileNameItem, false);
    } else if (source == QLatin1StringView("device")) {
        check(functionControl(model)->StartFunction(BStr(QStringLiteral("upload")).get(), &error));
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
    for (int lineNumber = 1; !reader.atEndOfStream(); ++lineNumber) {
        QString line = reader.readLine();
        if (!line.contains(u'#'))
            continue;
        FillTemplateLine(line, [&](const QString &tag) {
            QString value;
            QString reason;
            try {
                value = GetTagValue(context, tag, true);
                if (value == tag)
                    reason = unresolvedReason(tag);
            } catch (const ComError &error) {
                reason = QStringLiteral("host failure: ") + error.description();
            }
            out << lineNumber << ": " << tag << " -> ";
            if (reason.isEmpty()) {
                out << value << '\n';
            } else {
                out << "UNRESOLVED (" << reason << ")\n";
                status = SomeUnresolved;
            }
            return value;
        });
    }
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
    parser.addOption(dataOption);
    parser.addOption(sourceOption);
    parser.addOption(callLogOption);
    const bool parsed = parser.parse(arguments);
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
            positional.size() == 2 ? positional.at(1) : defaultTemplate(model, descriptionPath);
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
