#include "printfile/DefaultReport.h"
#include "PrintFileTestSupport.h"
#include "platform/ComError.h"

#include <QTemporaryDir>

namespace {

// The report's fixed pieces as they must appear in the file.
const char F1[] = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">";
const char F2[] = "<html>";
const char F3[] = "<head>";
const char F4[] = "<title>Daneben</title>";
const char F5[] = "<meta name=\"generator\" content=\"WebEditor v3.0\">";
const char F6[] = "</head>";
const char F7[] = "<body bgcolor=\"white\" text=\"black\" link=\"blue\" vlink=\"purple\" alink=\"red\">";
const char F8[] = "<p>&nbsp;</p>";
const char F9[] = "<p align=\"center\"><font face=\"System\" size=\"3\"> ";
const char F10[] = "<b>MERIDANT 4 &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
const char F11[] = "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Quiravel</b></font></p> ";
const char F12[] = "<p><font face=\"System\" size=\"1\"><b>";
const char F13[] = "</b></font><font face=\"System\" size=\"1\">";
const char F14[] = " : &nbsp;";
const char F15[] = " &nbsp;</font></p>  ";
const char F16[] = " </b></font><font face=\"System\" </p>";
const char F17[] = "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
const char F18[] = "</p>";
const char F19[] = "</body>";
const char F20[] = "</html>";

struct Labels
{
    QByteArray tag, printedOn, date, time, user, company, dateText;
};

const Labels english{"TAG", "Printed on : ", "Date", "Time", "User", "Company", "4.Dec 2026"};
const Labels german{"Messstelle", "Gedruckt am : ", "Datum", "Uhrzeit", "Benutzer", "Firma", "4.Dez 2026"};

QByteArray expectedReport(const Labels &l, const QByteArray &owner, const QByteArray &company,
                          const QByteArrayList &entryLines, const QByteArrayList &objectLines)
{
    QByteArrayList lines{F1, F2, F3, F4, F5, F6, F7, F8, F8};
    lines << QByteArray(F9) + F10 + F11;
    lines << F12 + l.tag + F13 + F14 + F15;
    lines << F12 + l.printedOn + F16;
    lines << l.date + ": " + l.dateText + F17 + l.time + ": 09:05:07" + F18;
    lines << l.user + ": " + owner + F18;
    lines << l.company + ": " + company + F18;
    lines << F8;
    for (const QByteArray &line : entryLines)
        lines << line + F18;
    lines << F8;
    for (const QByteArray &line : objectLines)
        lines << line + F18;
    lines << F19 << F20;
    return lines.join("\r\n") + "\r\n";
}

class Report : public HostDevice
{
public:
    Report()
    {
        model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Gerätebau & Co"));
        model.setDeviceEntry(QStringLiteral("NICKNAME"), QStringLiteral("TT 1"));
        model.setDeviceEntry(QStringLiteral("DEVDESCLONG"), QString());
        model.addObject(QStringLiteral("Nineteen_characters"));
        model.setApplicationValue(QStringLiteral("Nineteen_characters"), QStringLiteral("19"));
        model.setShadowValue(QStringLiteral("Nineteen_characters"), QStringLiteral("shadow 19"));
        model.addObject(QStringLiteral("&&private&&Hidden"));
        model.setApplicationValue(QStringLiteral("&&private&&Hidden"), QStringLiteral("secret"));
        model.addObject(QStringLiteral("Twenty_characters_xx"));
        model.setApplicationValue(QStringLiteral("Twenty_characters_xx"), QStringLiteral("20"));
        addEnumObject(QStringLiteral("Mode"), QStringLiteral("2.5"));
        model.addObject(QStringLiteral("Twenty_one_characters"));
        model.setApplicationValue(QStringLiteral("Twenty_one_characters"), QStringLiteral("21"));
        addEnumObject(QStringLiteral("Mode2"), QStringLiteral("3.5"));
        // Listed without a value of its own.
        model.addObjectName(QStringLiteral("Ghost"));
        addEnumObject(QStringLiteral("Mode3"), QStringLiteral("letters"));
        path = dir.filePath(QStringLiteral("REPORT.HTM"));
    }

    static QByteArrayList entryLines(const Labels &)
    {
        return {"Nickname\t= TT 1", "Vendor\t= Ger\xe4tebau & Co", "DeviceDescLong\t= "};
    }
    /// The object lines; `withValues` false gives the lines of objects whose
    /// values could not be read.
    static QByteArrayList objectLines(bool withValues = true)
    {
        auto value = [withValues](const char *text) { return withValues ? QByteArray(text) : QByteArray(); };
        return {"Nineteen_characters = " + nbsp(1) + value("19"),
                "Twenty_characters_xx = " + value("20"),
                "Mode = " + nbsp(16) + value("Two"),
                "Twenty_one_characters = " + value("21"),
                "Mode2 = " + nbsp(15) + value(" Four <&> "),
                "Ghost = " + nbsp(15),
                "Mode3 = " + nbsp(15)};
    }
    static QByteArray nbsp(int count) { return QByteArray("&nbsp;").repeated(count); }

    QTemporaryDir dir;
    QString path;
};

TEST(default_report_test, writes_the_whole_report_byte_for_byte_in_both_languages)
{
    for (const Labels *labels : {&english, &german}) {
        LocaleOverride locale(labels == &english ? "en_US.UTF-8" : "de_DE.UTF-8");
        Report host;
        WriteReportFile(host.context(), host.path);
        EXPECT_EQ(readBytes(host.path), expectedReport(*labels, "Jane Doe", "Field & Sons",
                                                       Report::entryLines(*labels), Report::objectLines()))
            << labels->tag.constData();
        host.expectEverythingReleased();
    }
}

TEST(default_report_test, an_empty_description_gives_nineteen_lines_replacing_the_last_report)
{
    LocaleOverride locale("en_US.UTF-8");
    Report full;
    const QString path = full.path;
    WriteReportFile(full.context(), path);
    HostDevice host;
    host.owner.clear();
    WriteReportFile(host.context(), path);
    const QByteArray bytes = readBytes(path);
    EXPECT_EQ(bytes, expectedReport(english, "", "Field & Sons", {}, {}));
    EXPECT_EQ(bytes.count("\r\n"), 19);
    host.expectEverythingReleased();
}

TEST(default_report_test, objects_read_the_selected_data_set_but_open_without_shadow)
{
    LocaleOverride locale("en_US.UTF-8");
    Report host;
    TagContext c = host.context();
    c.shadow = true;
    WriteReportFile(c, host.path);
    EXPECT_TRUE(readBytes(host.path).contains("Nineteen_characters = &nbsp;shadow 19</p>\r\n"));
    for (const HostCall &call : host.model.calls()) {
        if (call.operation == QLatin1StringView("OpenItem") ||
            call.operation == QLatin1StringView("CloseItem")) {
            EXPECT_TRUE(call.arguments.contains(QLatin1StringView("shadow=0")))
                << call.arguments.toStdString();
        }
    }
}

TEST(default_report_test, failures_end_the_report_with_a_readable_error)
{
    LocaleOverride locale("en_US.UTF-8");
    Report host;
    const QString missing = host.dir.filePath(QStringLiteral("no such dir/REPORT.HTM"));
    try {
        WriteReportFile(host.context(), missing);
        ADD_FAILURE() << "a missing directory was not reported";
    } catch (const ComError &e) {
        EXPECT_EQ(e.status(), CTL_E_FILEERROR);
        EXPECT_FALSE(e.description().isEmpty());
    }

    host.model.setApplicationValue(QStringLiteral("Mode2"), QStringLiteral("2147483648"));
    try {
        WriteReportFile(host.context(), host.path);
        ADD_FAILURE() << "an overflowing enumeration value was not reported";
    } catch (const ComError &e) {
        EXPECT_EQ(e.status(), DISP_E_OVERFLOW);
    }
    // What was written before the failure stays.
    const QByteArray partial = readBytes(host.path);
    EXPECT_TRUE(partial.contains("Twenty_one_characters = 21</p>\r\n"));
    EXPECT_FALSE(partial.contains("Mode2"));
    host.expectEverythingReleased();

    host.model.failOperation(QStringLiteral("GetSectionCount"), E_FAIL);
    EXPECT_THROW(WriteReportFile(host.context(), host.path), ComError);
}

TEST(default_report_test, missing_entries_and_sections_leave_their_lines_out)
{
    LocaleOverride locale("en_US.UTF-8");
    for (const char *operation : {"GetSectionCount", "GetFirstEntry"}) {
        Report host;
        host.model.setErrorFlag(QString::fromUtf8(operation), 1);
        WriteReportFile(host.context(), host.path);
        EXPECT_EQ(readBytes(host.path),
                  expectedReport(english, "Jane Doe", "Field & Sons", Report::entryLines(english), {}))
            << operation;
    }
}

TEST(default_report_test, objects_that_cannot_be_read_get_empty_values)
{
    LocaleOverride locale("en_US.UTF-8");
    for (const char *operation : {"OpenItem", "GetItemString", "FindDefinition"}) {
        Report host;
        host.model.setErrorFlag(QString::fromUtf8(operation), 1);
        WriteReportFile(host.context(), host.path);
        EXPECT_EQ(readBytes(host.path),
                  expectedReport(english, "Jane Doe", "Field & Sons", Report::entryLines(english),
                                 Report::objectLines(false)))
            << operation;
        host.expectEverythingReleased();
    }
}

} // namespace
