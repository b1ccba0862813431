// The host calls of each data source command and report variant, in order
// and with their arguments, from the menu entry to the written page.
#include "ComponentFixture.h"
#include "tests/support/CallLog.h"
#include "viewer/frmQuiravel.h"

#include <QAction>
#include <QFile>

namespace {

QString shadowText(bool shadow)
{
    return shadow ? QStringLiteral("-1") : QStringLiteral("0");
}

/// Filling the template's one tag, #FLOW#, an item without a definition.
QStringList flowTag(bool shadow, const QString &handle)
{
    const QString s = shadowText(shadow);
    return {QStringLiteral("OpenItem(\"FLOW\", shadow=%1, view=7, 0, 0)").arg(s),
            QStringLiteral("GetItemString(handle=%1, shadow=%2)").arg(handle, s),
            QStringLiteral("GetDeviceDescription()"),
            QStringLiteral("FindDefinition(\"OBJECT\", \"FLOW\") -> error 1"),
            QStringLiteral("CloseItem(view=7, handle=%1, shadow=%2)").arg(handle, s)};
}

QStringList connectionCheck(const QString &handle)
{
    return {QStringLiteral("OpenItem(\"&&private&&Connect\", shadow=0, view=7, 0, 0)"),
            QStringLiteral("GetItemQuad(handle=%1)").arg(handle),
            QStringLiteral("CloseItem(view=7, handle=%1, shadow=0)").arg(handle)};
}

/// The upload: started at progress 0, then one read for each of the host's
/// ten progress reports, the last of them 100.
QStringList upload(const QString &handle)
{
    QStringList calls{QStringLiteral("OpenItem(\"&&Sequence_Progress&&upload\", shadow=0, view=7, 0, 0)"),
                      QStringLiteral("GetItemLong(handle=%1)").arg(handle),
                      QStringLiteral("GetFunctionControl()"), QStringLiteral("StartFunction(\"upload\")")};
    for (int report = 10; report <= 100; report += 10)
        calls << QStringLiteral("GetItemLong(handle=%1)").arg(handle);
    return calls << QStringLiteral("CloseItem(view=7, handle=%1, shadow=0)").arg(handle);
}

/// The database load, and the database file name read as an item whose
/// name is passed unchanged.
const QStringList databaseLoad{
    QStringLiteral("GetFunctionControl()"),
    QStringLiteral("LoadDatabase(0)"),
    QStringLiteral("OpenItem(\"&&private_PM&&FileName\", shadow=0, view=7, 0, 0)"),
    QStringLiteral("GetItemString(handle=h1, shadow=0)"),
    QStringLiteral("GetDeviceDescription()"),
    QStringLiteral("FindDefinition(\"OBJECT\", \"&&private_PM&&FileName\") -> error 1"),
    QStringLiteral("CloseItem(view=7, handle=h1, shadow=0)"),
};

/// The default report of a device with no device entries and no objects.
QStringList emptyReport()
{
    QStringList calls;
    for (const char *key : {"NICKNAME", "DEFAULTTAG", "VENDORID", "DEVICEID", "ADDDEVICEID", "HWRELEASE",
                            "SWRELEASE", "STARTALWAYSVIEW", "DEVTYPETEXT", "VENDOR", "DEVDESCLONG"})
        calls << QStringLiteral("GetDeviceDescription()")
              << QStringLiteral("GetDeviceEntry(\"%1\") -> error 1").arg(QString::fromUtf8(key));
    return calls << QStringLiteral("GetDeviceDescription()") << QStringLiteral("GetSectionCount(\"Object\")");
}

} // namespace

class command_call_log_test : public ComponentFixture
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        QFile t(path("Pump001.HTM"));
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write("<p>#FLOW#</p>\r\n");
        t.close();
        model.setCallLogEnabled(true);
        model.setApplicationValue("FLOW", "12.5");
        model.setDeviceValue("FLOW", "13.1");
        model.setDatabase(path("pump.db"), {{"FLOW", "11.8"}});
        model.setConnected(true);
        model.setUploadMilliseconds(0);
    }
};

TEST_F(command_call_log_test, attach_reads_the_template_setting_and_show_the_templates_tags)
{
    ASSERT_EQ(attach(), S_OK);
    ASSERT_EQ(show(), S_OK);
    const QStringList attachCalls{"GetDeviceDescription()", "GetSettingEntry(\"PRINTTEMPLATEFILE\")",
                                  "OpenItem(\"&&private_PM&&KQDPath\", shadow=0, view=7, 0, 0)",
                                  "GetItemString(handle=h1, shadow=0)",
                                  "CloseItem(view=7, handle=h1, shadow=0)"};
    EXPECT_EQ(logText(callLog(model)), logText(attachCalls + flowTag(false, "h2")));
}

TEST_F(command_call_log_test, each_command_makes_exactly_its_calls)
{
    ASSERT_EQ(attach(), S_OK);
    ASSERT_EQ(show(), S_OK);
    const struct
    {
        const char *what;
        std::function<void(frmQuiravel *)> run;
        QStringList calls;
        qsizetype prompts;
    } cases[] = {
        {"Application", [](frmQuiravel *w) { w->menuEntry("srcValue")->trigger(); }, flowTag(false, "h1"), 0},
        {"Database", [](frmQuiravel *w) { w->menuEntry("scrDatabase")->trigger(); },
         databaseLoad + flowTag(false, "h2"), 1},
        {"Device", [](frmQuiravel *w) { w->menuEntry("scrShadow")->trigger(); },
         connectionCheck("h1") + connectionCheck("h2") + upload("h3") + flowTag(true, "h4"), 1},
        {"Application report", [](frmQuiravel *w) { w->ShowApplicationReport(); }, emptyReport(), 0},
        {"Database report", [](frmQuiravel *w) { w->ShowDatabaseReport(); }, databaseLoad + emptyReport(), 0},
        {"Device report", [](frmQuiravel *w) { w->ShowDeviceReport(); },
         connectionCheck("h1") + upload("h2") + emptyReport(), 0},
    };
    for (const auto &c : cases) {
        model.clearCalls();
        messages.clear();
        c.run(window());
        EXPECT_EQ(logText(callLog(model)), logText(c.calls)) << c.what;
        // Only the confirmation prompts; no failure on the way.
        EXPECT_EQ(messages.size(), c.prompts) << c.what << ": " << messageTexts().join(u'|').toStdString();
    }
}
