// SPDX-License-Identifier: Apache-2.0
#include "DefaultReport.h"

#include "HostCalls_p.h"
#include "TagSubstitution.h"
#include "platform/SafeFile.h"
#include "platform/TextFile.h"
#include "resources/Toolkit_LoadResource.h"

#include <QFile>
#include <QLatin1StringView>
#include <array>

using namespace PrintFileHost;

namespace {

using L1 = QLatin1StringView;

constexpr L1 F1("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">");
constexpr L1 F2("<html>");
constexpr L1 F3("<head>");
constexpr L1 F4("<title>Daneben</title>");
constexpr L1 F5("<meta name=\"generator\" content=\"WebEditor v3.0\">");
constexpr L1 F6("</head>");
constexpr L1 F7("<body bgcolor=\"white\" text=\"black\" link=\"blue\" vlink=\"purple\" alink=\"red\">");
constexpr L1 F8("<p>&nbsp;</p>");
constexpr L1 F9("<p align=\"center\"><font face=\"System\" size=\"3\"> ");
constexpr L1 F10("<b>MERIDANT 4 &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
constexpr L1 F11("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Quiravel</b></font></p> ");
constexpr L1 F12("<p><font face=\"System\" size=\"1\"><b>");
constexpr L1 F13("</b></font><font face=\"System\" size=\"1\">");
constexpr L1 F14(" : &nbsp;");
constexpr L1 F15(" &nbsp;</font></p>  ");
constexpr L1 F16(" </b></font><font face=\"System\" </p>");
constexpr L1 F17("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
constexpr L1 F18("</p>");
constexpr L1 F19("</body>");
constexpr L1 F20("</html>");

constexpr L1 labelSeparator(": ");
constexpr L1 entrySeparator("\t= ");
constexpr L1 objectSeparator(" = ");
constexpr L1 filler("&nbsp;");
constexpr qsizetype kPaddedNameLength = 20;

struct DeviceEntry
{
    const char16_t *key;
    std::int16_t label;
};

constexpr std::array<DeviceEntry, 11> deviceEntries = {{
    {u"NICKNAME", 1111},
    {u"DEFAULTTAG", 1112},
    {u"VENDORID", 1113},
    {u"DEVICEID", 1114},
    {u"ADDDEVICEID", 1115},
    {u"HWRELEASE", 1116},
    {u"SWRELEASE", 1117},
    {u"STARTALWAYSVIEW", 1118},
    {u"DEVTYPETEXT", 1119},
    {u"VENDOR", 1120},
    {u"DEVDESCLONG", 1121},
}};

class ReportWriter
{
public:
    explicit ReportWriter(const QString &path)
    {
        if (!m_writer.create(path)) {
            // A report left from an earlier run must not pass for this one;
            // a name refused for writing (an input, a device) is no report.
            if (SafeFile::targetProblem(path).isEmpty())
                QFile::remove(path);
            throw ComError(CTL_E_FILEERROR, m_writer.errorString());
        }
    }
    /// Writing that stops at an error keeps the lines written before it.
    ~ReportWriter() { m_writer.closeAsWritten(); }
    ReportWriter(const ReportWriter &) = delete;
    ReportWriter &operator=(const ReportWriter &) = delete;

    void line(QStringView text)
    {
        if (!m_writer.writeLine(text))
            throw ComError(CTL_E_FILEERROR, m_writer.errorString());
    }

    void close()
    {
        if (!m_writer.closeAsWritten())
            throw ComError(CTL_E_FILEERROR, m_writer.errorString());
    }

private:
    TextWriter m_writer;
};

QString queried(const std::function<QString()> &query)
{
    return query ? query() : QString();
}

void writeDeviceEntries(ReportWriter &out, AppItemManager *itemManager)
{
    for (const DeviceEntry &entry : deviceEntries) {
        const BStr key(QString::fromUtf16(entry.key));
        BStr value;
        std::int32_t error = 0;
        check(deviceDescription(itemManager)->GetDeviceEntry(key.get(), value.put(), &error));
        if (error == 0)
            out.line(GetLocalString(entry.label) + entrySeparator + value.toQString() + F18);
    }
}

/// The value of one listed object: empty unless the item opens, reads and
/// has a definition; enumeration values become their texts.
QString objectValue(const TagContext &context, const BStr &name)
{
    AppItemManager *itemManager = context.itemManager;

    std::int32_t itemHandle = 0;
    std::int32_t error = 0;
    check(itemManager->OpenItem(name.get(), VARIANT_FALSE, context.viewHandle, &itemHandle, 0, 0, &error));
    if (error != 0)
        return {};
    OpenedItem item(itemManager, context.viewHandle, itemHandle, VARIANT_FALSE);

    QString value;
    QString read = itemString(itemManager, itemHandle, toVariantBool(context.shadow), &error);
    if (error == 0) {
        DefinedValue defined = definedValue(itemManager, name.get(), itemHandle, std::move(read));
        if (defined.defined)
            value = std::move(defined.text);
    }
    item.close();
    return value;
}

void writeObjects(ReportWriter &out, const TagContext &context)
{
    static const ConstBStr objectSection(u"Object");
    AppItemManager *itemManager = context.itemManager;

    std::int32_t count = 0;
    std::int32_t error = 0;
    check(deviceDescription(itemManager)->GetSectionCount(objectSection.get(), &count, &error));
    if (error != 0 || count <= 0)
        return;
    std::int32_t position = 0;
    check(deviceDescription(itemManager)->GetFirstEntry(objectSection.get(), &position, &error));
    if (error != 0)
        return;

    QString line;
    for (std::int32_t i = 0; i < count; ++i) {
        BStr name;
        check(deviceDescription(itemManager)->GetEntryName(position, name.put(), &error));
        const QString nameText = name.toQString();
        if (!nameText.contains(QLatin1StringView("&&"))) {
            const QString value = objectValue(context, name);
            line.resize(0);
            line += nameText;
            line += objectSeparator;
            for (qsizetype n = nameText.size(); n < kPaddedNameLength; ++n)
                line += filler;
            line += value;
            line += F18;
            out.line(line);
        }
        check(deviceDescription(itemManager)->GetNextEntry(&position, &error));
    }
}

} // namespace

void WriteReportFile(const TagContext &context, const QString &path)
{
    ReportWriter out(path);
    for (L1 fragment : {F1, F2, F3, F4, F5, F6, F7, F8, F8})
        out.line(QString(fragment));
    out.line(F9 + F10 + F11);
    out.line(F12 + GetLocalString(1140) + F13 + F14 + F15);
    out.line(F12 + GetLocalString(1141) + F16);

    const QDateTime now = currentTime(context);
    out.line(GetLocalString(1101) + labelSeparator + formatTagDate(now) + F17 + GetLocalString(1102) +
             labelSeparator + formatTagTime(now) + F18);
    out.line(GetLocalString(1103) + labelSeparator + queried(context.registeredOwner) + F18);
    out.line(GetLocalString(1104) + labelSeparator + queried(context.registeredOrganization) + F18);
    out.line(QString(F8));

    writeDeviceEntries(out, context.itemManager);
    out.line(QString(F8));
    writeObjects(out, context);

    out.line(QString(F19));
    out.line(QString(F20));
    out.close();
}
