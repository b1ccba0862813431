// SPDX-License-Identifier: Apache-2.0
// The host calls of each data source command and report variant, in order
// and with their arguments, from the menu entry to the written page.
#include "ComponentFixture.h"
#include "contract/HostContract.h"
#include "tests/support/CallLog.h"

namespace {

QString opened(const char *item)
{
    return QString("OpenItem(\"%1\", shadow=0, view=7, 0, 0)").arg(QLatin1StringView(item));
}

/// Filling the template's one tag, #FLOW#, an item without a definition.
QStringList flowTag(bool shadow, const QString &h)
{
    const QString s = shadow ? "-1" : "0";
    return {QString("OpenItem(\"FLOW\", shadow=%1, view=7, 0, 0)").arg(s),
            QString("GetItemString(handle=%1, shadow=%2)").arg(h, s), "GetDeviceDescription()",
            "FindDefinition(\"OBJECT\", \"FLOW\") -> error 1",
            QString("CloseItem(view=7, handle=%1, shadow=%2)").arg(h, s)};
}

QStringList connectionCheck(const QString &h)
{
    return {opened(HostContract::kConnectItem), QString("GetItemQuad(handle=%1)").arg(h),
            QString("CloseItem(view=7, handle=%1, shadow=0)").arg(h)};
}

/// The upload: started at progress 0, then one read for each of the host's
/// ten progress reports, the last of them 100.
QStringList upload(const QString &h)
{
    QStringList calls{opened(HostContract::kUploadProgressItem), QString("GetItemLong(handle=%1)").arg(h),
                      "GetFunctionControl()",
                      QString("StartFunction(\"%1\")").arg(QLatin1StringView(HostContract::kUploadFunction))};
    for (int report = 10; report <= 100; report += 10)
        calls << QString("GetItemLong(handle=%1)").arg(h);
    return calls << QString("CloseItem(view=7, handle=%1, shadow=0)").arg(h);
}

/// The database load, and the database file name read as an item whose
/// name is passed unchanged.
const QStringList kDatabaseLoad{"GetFunctionControl()",
                                "LoadDatabase(0)",
                                opened(HostContract::kDatabaseFileNameItem),
                                "GetItemString(handle=h1, shadow=0)",
                                "GetDeviceDescription()",
                                QString("FindDefinition(\"OBJECT\", \"%1\") -> error 1")
                                    .arg(QLatin1StringView(HostContract::kDatabaseFileNameItem)),
                                "CloseItem(view=7, handle=h1, shadow=0)"};

/// The default report of a device with no device entries and no objects.
QStringList emptyReport()
{
    QStringList calls;
    for (const char *key : {"NICKNAME", "DEFAULTTAG", "VENDORID", "DEVICEID", "ADDDEVICEID", "HWRELEASE",
                            "SWRELEASE", "STARTALWAYSVIEW", "DEVTYPETEXT", "VENDOR", "DEVDESCLONG"})
        calls << "GetDeviceDescription()" << QString("GetDeviceEntry(\"%1\") -> error 1").arg(key);
    return calls << "GetDeviceDescription()"
                 << "GetSectionCount(\"Object\")";
}

} // namespace

class command_call_log_test : public ComponentFixture
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        openDevice("<p>#FLOW#</p>\r\n");
    }
};

TEST_F(command_call_log_test, attach_reads_the_template_setting_and_show_the_templates_tags)
{
    const QStringList attachCalls{
        "GetDeviceDescription()",
        QString("GetSettingEntry(\"%1\")").arg(QLatin1StringView(HostContract::kPrintTemplateSetting)),
        opened(HostContract::kDescriptionPathItem), "GetItemString(handle=h1, shadow=0)",
        "CloseItem(view=7, handle=h1, shadow=0)"};
    EXPECT_EQ(logText(callLog(model)), logText(attachCalls + flowTag(false, "h2")));
}

TEST_F(command_call_log_test, each_command_makes_exactly_its_calls)
{
    // The command, how it is run when not by its menu entry, its calls, the prompts it shows.
    const std::tuple<const char *, std::function<void(frmQuiravel *)>, QStringList, qsizetype> cases[] = {
        {"srcValue", {}, flowTag(false, "h1"), 0},
        {"scrDatabase", {}, kDatabaseLoad + flowTag(false, "h2"), 1},
        {"scrShadow",
         {},
         connectionCheck("h1") + connectionCheck("h2") + upload("h3") + flowTag(true, "h4"),
         1},
        {"Application report", &frmQuiravel::ShowApplicationReport, emptyReport(), 0},
        {"Database report", &frmQuiravel::ShowDatabaseReport, kDatabaseLoad + emptyReport(), 0},
        {"Device report", &frmQuiravel::ShowDeviceReport,
         connectionCheck("h1") + upload("h2") + emptyReport(), 0},
    };
    for (const auto &[what, directly, calls, prompts] : cases) {
        model.clearCalls();
        messages.clear();
        directly ? directly(window()) : run(what);
        EXPECT_EQ(logText(callLog(model)), logText(calls)) << what;
        // Only the confirmation prompts; no failure on the way.
        EXPECT_EQ(messages.size(), prompts) << what << ": " << messages.join(u'|').toStdString();
    }
}
