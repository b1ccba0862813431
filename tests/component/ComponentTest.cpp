#include "ComponentFixture.h"

#include "component/clsAlwaysView.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "resources/Toolkit_LoadResource.h"
#include "viewer/frmQuiravel.h"

#include <QAction>
#include <QFile>
#include <QTimer>

namespace {

void writeRegistry(const QString &file, const QString &body)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Windows Registry Editor Version 5.00\r\n\r\n");
    f.write(body.toUtf8());
}

QString owner(View *view)
{
    ComPtr<_clsQuiravel> info;
    EXPECT_EQ(view->QueryInterface(IID__clsQuiravel, info.putVoid()), S_OK);
    BStr text;
    EXPECT_EQ(info->GetRegisteredOwner(text.put()), S_OK);
    return text.toQString();
}

} // namespace

using component_test = ComponentFixture;

TEST_F(component_test, template_file_name_takes_the_text_before_the_first_dot)
{
    struct Case
    {
        const char *locale;
        const char *setting; // nullptr: the description has no entry
        const char *expected;
    } cases[] = {
        {"de_DE.UTF-8", "Pump.htm", "Pump049.HTM"},
        {"en_US.UTF-8", "Report.Dev.htm", "Report001.HTM"},
        {"de_AT.UTF-8", "Pump.htm", "Pump001.HTM"},
        {"en_US.UTF-8", "Pump", "Pump001.HTM"},
        {"en_US.UTF-8", nullptr, ""},
    };
    for (const Case &c : cases) {
        env.set("LC_ALL", c.locale);
        if (c.setting)
            model.setSettingEntry("PRINTTEMPLATEFILE", c.setting);
        else
            model.removeSettingEntry("PRINTTEMPLATEFILE");
        ASSERT_EQ(attach(), S_OK);
        EXPECT_EQ(component()->GetTemplateFileName(), QString::fromUtf8(c.expected)) << c.setting;
    }
}

TEST_F(component_test, template_directory_keeps_everything_up_to_the_last_separator)
{
    struct Case
    {
        const char *descriptionPath; // empty: the host has no such item
        const char *expected;
    } cases[] = {
        {"C:\\Dev\\Pump\\Pump.kqd", "C:\\Dev\\Pump\\"},
        {"/srv/devices.d/pump/Pump.kqd", "/srv/devices.d/pump/"},
        {"/srv/mixed\\dir/Pump.kqd", "/srv/mixed\\dir/"},
        {"Pump.kqd", ""},
        {"", ""},
    };
    for (const Case &c : cases) {
        model.setDescriptionPath(QString::fromUtf8(c.descriptionPath));
        ASSERT_EQ(attach(), S_OK);
        EXPECT_EQ(component()->GetTemplateDirectory(), QString::fromUtf8(c.expected)) << c.descriptionPath;
    }
}

TEST_F(component_test, attaching_reads_and_releases_what_it_fetched)
{
    const int before = model.liveObjects();
    model.clearCalls();
    ASSERT_EQ(attach(3), S_OK);
    QStringList operations;
    for (const HostCall &call : model.calls())
        operations.append(call.operation);
    EXPECT_EQ(operations, QStringList({"GetDeviceDescription", "GetSettingEntry", "OpenItem", "GetItemString",
                                       "CloseItem"}));
    // Only the item manager stays held; the description went back at once.
    EXPECT_EQ(model.liveObjects(), before + 1);
    ASSERT_NE(window(), nullptr);
    EXPECT_FALSE(window()->isLoaded());
}

TEST_F(component_test, a_host_failure_status_becomes_the_view_result)
{
    const char *operations[] = {"GetDeviceDescription", "GetSettingEntry", "OpenItem", "GetItemString",
                                "CloseItem"};
    for (const char *operation : operations) {
        model.clearFaults();
        model.failOperation(operation, E_ACCESSDENIED);
        std::int32_t result = -1;
        EXPECT_EQ(view->SetAppletItemManagRef(1, model.itemManager().get(), &result), E_ACCESSDENIED)
            << operation;
    }
    model.clearFaults();
}

TEST_F(component_test, show_and_hide_need_a_window)
{
    std::int32_t result = 0;
    EXPECT_TRUE(FAILED(view->Show(&result)));
    EXPECT_TRUE(FAILED(view->Hide(&result)));
    EXPECT_EQ(view->Destroy(&result), S_OK) << "destroying without a window is no error";

    ASSERT_EQ(attach(), S_OK);
    ASSERT_EQ(view->Destroy(&result), S_OK);
    EXPECT_EQ(model.releaseViewCount(), 1);
    EXPECT_EQ(component()->window(), nullptr);
    EXPECT_TRUE(FAILED(view->Show(&result)));
    EXPECT_TRUE(FAILED(view->Hide(&result)));
}

TEST_F(component_test, interface_query_follows_its_table)
{
    for (const IID &iid : {IID_IUnknown, IID_IDispatch, IID__clsQuiravel, IID_View}) {
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(view->QueryInterface(iid, unknown.putVoid()), S_OK);
        EXPECT_TRUE(unknown);
    }
    void *object = reinterpret_cast<void *>(0x1);
    EXPECT_EQ(view->QueryInterface(IID_AppItemManager, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(view->QueryInterface(IID_View, nullptr), E_POINTER);
}

TEST_F(component_test, notify_changed_ends_the_upload_wait_only_on_progress_100_of_the_upload_item)
{
    ASSERT_EQ(attach(), S_OK);
    model.setConnected(true);
    model.setUploadMilliseconds(1000 * 1000); // steps only when the test says so

    QList<bool> doneAfterEachStep;
    auto step = [&](auto action) {
        action();
        doneAfterEachStep.append(component()->uploadDone());
    };
    QTimer::singleShot(0, [&] {
        const std::int32_t item = component()->uploadItem();
        std::int32_t result = 0;
        step([&] { model.advanceUpload(90); });
        model.setUploadProgress(100);
        step([&] { view->NotifyChanged(item + 1000, VARIANT_FALSE, 0, 0, &result); });
        step([&] { view->NotifyChanged(item, VARIANT_FALSE, 8, 0, &result); });
        step([&] { view->NotifyChanged(item, VARIANT_TRUE, 0, 0, &result); });
    });
    answer = vbOK;
    EXPECT_TRUE(component()->LoadData(2));
    EXPECT_EQ(doneAfterEachStep, QList<bool>({false, false, false, true}));
    EXPECT_FALSE(component()->uploadDone()) << "cleared after the wait";
    EXPECT_EQ(component()->uploadProgress(), 100);
}

TEST_F(component_test, registered_owner_and_organisation_come_from_the_registry_file)
{
    const QString nt = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n";
    writeRegistry(path("registry.reg"), nt + "\"RegisteredOwner\"=\"Erika Müller\"\r\n"
                                             "\"RegisteredOrganization\"=\"Hydro Werke\"\r\n");
    ComPtr<_clsQuiravel> info;
    ASSERT_EQ(view->QueryInterface(IID__clsQuiravel, info.putVoid()), S_OK);
    VARIANT_BOOL isNt = 0;
    ASSERT_EQ(info->IsSystemNT(&isNt), S_OK);
    EXPECT_EQ(isNt, VARIANT_TRUE);
    EXPECT_EQ(owner(view.get()), QString::fromUtf8("Erika Müller"));
    BStr organisation;
    ASSERT_EQ(info->GetRegisteredOrganization(organisation.put()), S_OK);
    EXPECT_EQ(organisation.toQString(), QString("Hydro Werke"));

    // Read anew on every call: an empty value, then a missing one.
    writeRegistry(path("registry.reg"), nt + "\"RegisteredOwner\"=\"\"\r\n");
    EXPECT_EQ(owner(view.get()), QString());
    ASSERT_EQ(info->GetRegisteredOrganization(organisation.put()), S_OK);
    EXPECT_EQ(organisation.toQString(), QString());
}

TEST_F(component_test, the_other_platform_family_reads_its_own_key)
{
    writeRegistry(path("registry.reg"),
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
                  "\"RegisteredOwner\"=\"NT Owner\"\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
                  "\"RegisteredOwner\"=\"Classic Owner\"\r\n");
    EXPECT_EQ(owner(view.get()), QString("NT Owner"));
    env.set("QUIRAVEL_PLATFORM_ID", "1");
    ComPtr<_clsQuiravel> info = view.query<_clsQuiravel>(IID__clsQuiravel);
    VARIANT_BOOL isNt = VARIANT_TRUE;
    ASSERT_EQ(info->IsSystemNT(&isNt), S_OK);
    EXPECT_EQ(isNt, VARIANT_FALSE);
    EXPECT_EQ(owner(view.get()), QString("Classic Owner"));
}

TEST_F(component_test, owner_falls_back_to_the_account_only_without_the_key)
{
    const QString accountName = owner(view.get());
    ASSERT_FALSE(accountName.isEmpty()) << "no registry file: the account's name";
    for (const char *platformId : {"2", "1"}) {
        SCOPED_TRACE(platformId);
        env.set("QUIRAVEL_PLATFORM_ID", platformId);
        // The key of the family asked for, holding other values only: no fallback.
        const QString family = platformId == QByteArray("2") ? "Windows NT" : "Windows";
        writeRegistry(path("registry.reg"), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\" + family +
                                                "\\CurrentVersion]\r\n"
                                                "\"RegisteredOrganization\"=\"Hydro Werke\"\r\n");
        EXPECT_EQ(owner(view.get()), QString());
        // Only the other family's key: this one is missing altogether.
        const QString other = platformId == QByteArray("2") ? "Windows" : "Windows NT";
        writeRegistry(path("registry.reg"), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\" + other +
                                                "\\CurrentVersion]\r\n\"RegisteredOwner\"=\"Other\"\r\n");
        EXPECT_EQ(owner(view.get()), accountName);
    }
}

TEST(always_view_test, answers_every_call_with_zero_and_calls_nothing_on_the_host)
{
    DeviceModel model;
    model.setCallLogEnabled(true);
    ComPtr<View> view;
    ASSERT_EQ(clsAlwaysView::create(IID_View, view.putVoid()), S_OK);
    model.clearCalls();
    for (int round = 0; round < 2; ++round) {
        std::int32_t result = -1;
        EXPECT_EQ(view->NotifyChanged(1, VARIANT_TRUE, 8, 3, &result), S_OK);
        EXPECT_EQ(result, 0);
        result = -1;
        EXPECT_EQ(view->Destroy(&result), S_OK);
        EXPECT_EQ(result, 0);
        result = -1;
        EXPECT_EQ(view->SetAppletItemManagRef(5, model.itemManager().get(), &result), S_OK);
        EXPECT_EQ(result, 0);
        result = -1;
        EXPECT_EQ(view->Show(&result), S_OK);
        EXPECT_EQ(result, 0);
        result = -1;
        EXPECT_EQ(view->Hide(&result), S_OK);
        EXPECT_EQ(result, 0);
    }
    EXPECT_TRUE(model.calls().isEmpty());
    EXPECT_EQ(model.liveObjects(), 0) << "the item manager was kept";
    ComPtr<IUnknown> defaultInterface;
    EXPECT_EQ(view->QueryInterface(IID__clsAlwaysView, defaultInterface.putVoid()), S_OK);
    defaultInterface.reset();
    EXPECT_EQ(view.detach()->Release(), 0u);
}
