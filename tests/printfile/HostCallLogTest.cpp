// SPDX-License-Identifier: Apache-2.0
// The host calls of tag substitution and of the default report, in order and
// with their arguments.
#include "PrintFileTestSupport.h"
#include "contract/HostContract.h"
#include "printfile/DefaultReport.h"
#include "printfile/TagSubstitution.h"
#include "tests/support/CallLog.h"

#include <QTemporaryDir>

namespace {

class LoggedHost : public HostDevice
{
public:
    LoggedHost()
    {
        model.setCallLogEnabled(true);
        model.addObject(QStringLiteral("Level"));
        model.setApplicationValue(QStringLiteral("Level"), QStringLiteral("4"));
        model.setShadowValue(QStringLiteral("Level"), QStringLiteral("5"));
        model.addObjectName(QStringLiteral("&&private&&Hidden"));
        addEnumObject(QStringLiteral("Mode"), QStringLiteral("2"));
        model.setShadowValue(QStringLiteral("Mode"), QStringLiteral("1"));
        model.setApplicationValue(QStringLiteral("MAß"), QStringLiteral("x"));
        model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Acme"));
    }
};

/// The calls of an item lookup up to its definition (section "OBJECT").
QStringList itemCalls(const QString &name, int shadow)
{
    return {
        QStringLiteral("OpenItem(\"%1\", shadow=%2, view=7, 0, 0)").arg(name).arg(shadow),
        QStringLiteral("GetItemString(handle=h1, shadow=%1)").arg(shadow),
        QStringLiteral("GetDeviceDescription()"),
        QStringLiteral("FindDefinition(\"OBJECT\", \"%1\")").arg(name),
        QStringLiteral("GetDeviceDescription()"),
        QStringLiteral("GetObjectDefinition(definition=d1)"),
    };
}

/// The enumeration lookup of the shared test type.
const QStringList kEnumCalls{
    QStringLiteral("GetDeviceDescription()"),
    QStringLiteral("FindDefinition(\"object\", \"ModeType\")"),
    QStringLiteral("GetDeviceDescription()"),
    QStringLiteral("GetObjectDefinition(definition=d2)"),
    QStringLiteral("GetDeviceDescription()"),
    QStringLiteral("FindDefinition(\"enumeration\", \"ModeEnum\")"),
    QStringLiteral("GetDeviceDescription()"),
    QStringLiteral("GetEnumerationEntries(definition=d3, \"ModeType\")"),
};

QString closeCall(int shadow)
{
    return QStringLiteral("CloseItem(view=7, handle=h1, shadow=%1)").arg(shadow);
}

TEST(host_call_log_test, each_kind_of_tag_makes_exactly_its_calls)
{
    // VARIANT_TRUE as the log shows it.
    constexpr int yes = -1;
    const std::tuple<const char *, bool, const char *, QStringList> cases[] = {
        {"#Level#", false, "4", itemCalls(QStringLiteral("LEVEL"), 0) << closeCall(0)},
        {"# level #", true, "5", itemCalls(QStringLiteral("LEVEL"), yes) << closeCall(yes)},
        {"#mode#", false, "Two", itemCalls(QStringLiteral("MODE"), 0) + kEnumCalls << closeCall(0)},
        {"#Mode#", true, "One", itemCalls(QStringLiteral("MODE"), yes) + kEnumCalls << closeCall(yes)},
        {"#&amp;&amp;private&amp;&amp;Hidden#", false, "",
         itemCalls(QStringLiteral("&&PRIVATE&&HIDDEN"), 0) << closeCall(0)},
        {"#Maß#", false, "x",
         QStringList{QStringLiteral("OpenItem(\"MAß\", shadow=0, view=7, 0, 0)"),
                     QStringLiteral("GetItemString(handle=h1, shadow=0)"),
                     QStringLiteral("GetDeviceDescription()"),
                     QStringLiteral("FindDefinition(\"OBJECT\", \"MAß\") -> error 1"), closeCall(0)}},
        {"#nobody#", true, "#nobody#",
         QStringList{QStringLiteral("OpenItem(\"NOBODY\", shadow=-1, view=7, 0, 0) -> error 1")}},
        {"#vendor#", true, "Acme",
         QStringList{QStringLiteral("GetDeviceDescription()"), QStringLiteral("GetDeviceEntry(\"VENDOR\")")}},
        {"#DEVICETYPETEXT#", false, "#DEVICETYPETEXT#",
         QStringList{QStringLiteral("GetDeviceDescription()"),
                     QStringLiteral("GetDeviceEntry(\"DEVTYPETEXT\") -> error 1")}},
        {"#DATE#", false, "4.Dec 2026", QStringList{}},
    };
    ScopedEnv english("LC_ALL", "en_US.UTF-8");
    // Asked alone, and filled as a line is, the way the component fills it.
    for (const bool line : {false, true}) {
        for (const auto &[tag, shadow, value, calls] : cases) {
            LoggedHost host;
            TagContext context = host.context();
            context.shadow = shadow;
            QString text = QString::fromUtf8(tag);
            if (line)
                FillTemplateLine(text, context);
            else
                text = GetTagValue(context, text, true);
            EXPECT_EQ(text, QString::fromUtf8(value)) << tag << " line " << line;
            EXPECT_EQ(logText(callLog(host.model)), logText(calls)) << tag << " line " << line;
            host.expectEverythingReleased();
        }
    }
}

TEST(host_call_log_test, the_report_walks_the_object_section_in_order)
{
    for (const bool shadow : {false, true}) {
        LoggedHost host;
        TagContext context = host.context();
        context.shadow = shadow;
        QTemporaryDir dir;
        WriteReportFile(context, dir.filePath(QString::fromLatin1(HostContract::kReportFileName)));

        QStringList expected;
        // Each call on the description fetches it first.
        const auto ask = [&](const QString &call) {
            expected << QStringLiteral("GetDeviceDescription()") << call;
        };
        for (const char *key : {"NICKNAME", "DEFAULTTAG", "VENDORID", "DEVICEID", "ADDDEVICEID", "HWRELEASE",
                                "SWRELEASE", "STARTALWAYSVIEW", "DEVTYPETEXT", "VENDOR", "DEVDESCLONG"})
            ask(QStringLiteral("GetDeviceEntry(\"%1\")%2")
                    .arg(QString::fromUtf8(key), qstrcmp(key, "VENDOR") ? " -> error 1" : ""));
        // Items are always opened and closed in the application data set; the
        // value is read from the one the shadow field selects.
        const auto item = [&](int position, const char *name, int handle) {
            const QString n = QString::fromUtf8(name);
            ask(QStringLiteral("GetEntryName(position=%1)").arg(position));
            expected
                << QStringLiteral("OpenItem(\"%1\", shadow=0, view=7, 0, 0)").arg(n)
                << QStringLiteral("GetItemString(handle=h%1, shadow=%2)").arg(handle).arg(shadow ? -1 : 0);
            ask(QStringLiteral("FindDefinition(\"OBJECT\", \"%1\")").arg(n));
            ask(QStringLiteral("GetObjectDefinition(definition=d%1)").arg(handle));
        };
        ask(QStringLiteral("GetSectionCount(\"Object\")"));
        ask(QStringLiteral("GetFirstEntry(\"Object\")"));
        item(1, "Level", 1);
        expected << QStringLiteral("CloseItem(view=7, handle=h1, shadow=0)");
        ask(QStringLiteral("GetNextEntry(position=1)"));
        // &&private&&Hidden: named, never opened
        ask(QStringLiteral("GetEntryName(position=2)"));
        ask(QStringLiteral("GetNextEntry(position=2)"));
        item(3, "Mode", 2);
        ask(QStringLiteral("FindDefinition(\"object\", \"ModeType\")"));
        ask(QStringLiteral("GetObjectDefinition(definition=d3)"));
        ask(QStringLiteral("FindDefinition(\"enumeration\", \"ModeEnum\")"));
        ask(QStringLiteral("GetEnumerationEntries(definition=d4, \"ModeType\")"));
        expected << QStringLiteral("CloseItem(view=7, handle=h2, shadow=0)");
        ask(QStringLiteral("GetNextEntry(position=3) -> error 1"));
        EXPECT_EQ(logText(callLog(host.model)), logText(expected)) << "shadow " << shadow;
        host.expectEverythingReleased();
    }
}

} // namespace
