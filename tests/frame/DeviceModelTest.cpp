#include "frame/DeviceModel.h"
#include "platform/BStr.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

namespace {

struct Opened
{
    std::int32_t handle = -1;
    std::int32_t error = -1;
};

Opened openItem(AppItemManager *manager, const QString &name, bool shadow = false)
{
    Opened r;
    EXPECT_EQ(manager->OpenItem(BStr(name).get(), toVariantBool(shadow), 7, &r.handle, 0, 0, &r.error), S_OK);
    return r;
}

QString readString(AppItemManager *manager, std::int32_t handle, bool shadow, std::int32_t *error)
{
    BStr value;
    EXPECT_EQ(manager->GetItemString(handle, value.put(), toVariantBool(shadow), error), S_OK);
    return value.toQString();
}

ComPtr<AppDeviceDescription> description(AppItemManager *manager)
{
    ComPtr<AppDeviceDescription> result;
    EXPECT_EQ(manager->GetDeviceDescription(result.put()), S_OK);
    return result;
}

ComPtr<AppFunctionControl> functionControl(AppItemManager *manager)
{
    ComPtr<AppFunctionControl> result;
    EXPECT_EQ(manager->GetFunctionControl(result.put()), S_OK);
    return result;
}

// The component's side of the upload: it reads the progress and the uploaded
// value while the host notifies it.
class RecordingView : public View
{
public:
    RecordingView(AppItemManager *manager, DeviceModel &model) : m_manager(manager), m_model(model) {}

    HRESULT QueryInterface(REFIID, void **object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(std::uint32_t *) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, OLECHAR **, std::uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                   std::uint32_t *) override
    {
        return E_NOTIMPL;
    }
    HRESULT SetAppletItemManagRef(std::int32_t, AppItemManager *, std::int32_t *) override
    {
        return E_NOTIMPL;
    }
    HRESULT Show(std::int32_t *) override { return E_NOTIMPL; }
    HRESULT Hide(std::int32_t *) override { return E_NOTIMPL; }
    HRESULT Destroy(std::int32_t *) override { return E_NOTIMPL; }
    HRESULT NotifyChanged(std::int32_t handle, VARIANT_BOOL, std::int32_t, std::int32_t,
                          std::int32_t *result) override
    {
        std::int32_t progress = -1, error = -1;
        EXPECT_EQ(m_manager->GetItemLong(handle, &progress, &error), S_OK);
        EXPECT_EQ(error, 0);
        notifiedHandles.append(handle);
        progresses.append(progress);
        shadowAtNotify.append(m_model.value(QStringLiteral("TEMP"), true));
        applicationAtNotify.append(m_model.value(QStringLiteral("TEMP"), false));
        *result = 0;
        return S_OK;
    }

    ULONG refs = 1;
    QList<std::int32_t> notifiedHandles, progresses;
    QStringList shadowAtNotify, applicationAtNotify;

private:
    AppItemManager *m_manager;
    DeviceModel &m_model;
};

} // namespace

TEST(frame_model_test, items_match_without_case_and_read_the_chosen_data_set)
{
    DeviceModel model;
    model.setApplicationValue(QStringLiteral("Vendor"), QStringLiteral("Acme"));
    model.setShadowValue(QStringLiteral("VENDOR"), QStringLiteral("Acme Device"));
    model.setApplicationValue(QStringLiteral("Level"), QStringLiteral(" 42 "));
    model.setApplicationValue(QStringLiteral("Tag"), QStringLiteral("1"));
    {
        auto manager = model.itemManager();
        std::int32_t error = -1;
        const Opened vendor = openItem(manager.get(), QStringLiteral("vEnDoR"));
        ASSERT_EQ(vendor.error, 0);
        EXPECT_EQ(readString(manager.get(), vendor.handle, false, &error), QStringLiteral("Acme"));
        EXPECT_EQ(error, 0);
        EXPECT_EQ(readString(manager.get(), vendor.handle, true, &error), QStringLiteral("Acme Device"));

        const Opened level = openItem(manager.get(), QStringLiteral("level"));
        std::int32_t number = 0;
        ASSERT_EQ(manager->GetItemLong(level.handle, &number, &error), S_OK);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(number, 42);
        ASSERT_EQ(manager->GetItemLong(vendor.handle, &number, &error), S_OK);
        EXPECT_EQ(error, 1);

        const Opened unknown = openItem(manager.get(), QStringLiteral("Nothing"));
        EXPECT_EQ(unknown.error, 1);
        EXPECT_EQ(unknown.handle, 0);
        // The description path item exists only once the host knows the file.
        EXPECT_EQ(openItem(manager.get(), DeviceModel::KqdPathItem).error, 1);
        model.setDescriptionPath(QStringLiteral("C:\\Dev\\Pump.kqd"));
        const Opened path = openItem(manager.get(), DeviceModel::KqdPathItem.toUpper());
        EXPECT_EQ(readString(manager.get(), path.handle, false, &error), QStringLiteral("C:\\Dev\\Pump.kqd"));

        // The connect item reads the double 2 only while connected.
        const Opened connect = openItem(manager.get(), DeviceModel::ConnectItem.toLower());
        std::int64_t quad = -1;
        for (const bool connected : {true, false}) {
            model.setConnected(connected);
            ASSERT_EQ(manager->GetItemQuad(connect.handle, &quad, &error), S_OK);
            EXPECT_EQ(error, 0);
            EXPECT_EQ(quad, connected ? 0x4000000000000000LL : 0);
        }
        ASSERT_EQ(manager->GetItemQuad(vendor.handle, &quad, &error), S_OK);
        EXPECT_EQ(error, 1);

        const auto close = [&](std::int32_t handle) {
            EXPECT_EQ(manager->CloseItem(variantFromLong(7), handle, VARIANT_FALSE, &error), S_OK);
            return error;
        };
        EXPECT_EQ(close(vendor.handle), 0);
        EXPECT_EQ(close(vendor.handle), 1);
        EXPECT_EQ(readString(manager.get(), vendor.handle, false, &error), QString());
        EXPECT_EQ(error, 1);
    }
    EXPECT_EQ(model.liveObjects(), 0);
}

TEST(frame_model_test, object_walk_gives_definition_handles_equal_to_positions)
{
    DeviceModel model;
    model.addObjectName(QStringLiteral("Flow"));
    model.addObject(QStringLiteral("Unit"), {QStringLiteral("UnitType"), 2, 3, 4, QStringLiteral("Units")});
    auto manager = model.itemManager();
    auto desc = description(manager.get());
    const BStr section(QStringLiteral("oBjEcT"));
    std::int32_t count = 0, position = 0, error = -1;
    ASSERT_EQ(desc->GetSectionCount(section.get(), &count, &error), S_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(desc->GetFirstEntry(section.get(), &position, &error), S_OK);
    EXPECT_EQ(position, 1);
    for (const QString &name : {QStringLiteral("Flow"), QStringLiteral("Unit")}) {
        BStr entry;
        ASSERT_EQ(desc->GetEntryName(position, entry.put(), &error), S_OK);
        EXPECT_EQ(entry.toQString(), name);
        std::int32_t definition = 0;
        ASSERT_EQ(desc->FindDefinition(BStr(QStringLiteral("OBJECT")).get(), BStr(name.toLower()).get(),
                                       &definition, &error),
                  S_OK);
        EXPECT_EQ(definition, position);
        ASSERT_EQ(desc->GetNextEntry(&position, &error), S_OK);
    }
    EXPECT_EQ(error, 1);

    BStr type, enumeration;
    std::int32_t size = -1, flags = -1, kind = -1;
    ASSERT_EQ(desc->GetObjectDefinition(2, type.put(), &size, &flags, &kind, enumeration.put(), &error),
              S_OK);
    EXPECT_EQ(type.toQString(), QStringLiteral("UnitType"));
    EXPECT_EQ(QList<std::int32_t>({size, flags, kind}), QList<std::int32_t>({2, 3, 4}));
    EXPECT_EQ(enumeration.toQString(), QStringLiteral("Units"));

    ASSERT_EQ(desc->GetObjectDefinition(99, type.put(), &size, &flags, &kind, enumeration.put(), &error),
              S_OK);
    EXPECT_EQ(error, 1);
    desc = nullptr;
    manager = nullptr;
    EXPECT_EQ(model.liveObjects(), 0);
}

TEST(frame_model_test, enumeration_entries_keep_bound_order_and_repeated_values)
{
    DeviceModel model;
    model.defineEnumeration(
        QStringLiteral("Units"),
        {{{1, QStringLiteral("bar")}, {1, QStringLiteral("psi")}, {-2, QStringLiteral(" kPa ")}}, 3});
    auto manager = model.itemManager();
    auto desc = description(manager.get());
    std::int32_t handle = 0, error = -1;
    ASSERT_EQ(desc->FindDefinition(BStr(QStringLiteral("Enumeration")).get(),
                                   BStr(QStringLiteral("UNITS")).get(), &handle, &error),
              S_OK);
    ASSERT_EQ(error, 0);

    BSTR name = BStr::alloc(QStringLiteral("UnitType"));
    EnumEntryArray *entries = nullptr;
    ASSERT_EQ(desc->GetEnumerationEntries(handle, &name, &entries, &error), S_OK);
    EXPECT_EQ(BStr::toQString(name), QStringLiteral("Units"));
    ASSERT_NE(entries, nullptr);
    EXPECT_EQ(entries->lowerBound, 3);
    ASSERT_EQ(entries->count, 3u);
    QList<QPair<std::int32_t, QString>> read;
    for (std::uint32_t i = 0; i < entries->count; ++i)
        read.append({entries->entries[i].value, BStr::toQString(entries->entries[i].text)});
    EXPECT_EQ(read,
              (QList<QPair<std::int32_t, QString>>{
                  {1, QStringLiteral("bar")}, {1, QStringLiteral("psi")}, {-2, QStringLiteral(" kPa ")}}));
    EnumEntryArrayDestroy(entries);

    ASSERT_EQ(desc->GetEnumerationEntries(handle + 1, &name, &entries, &error), S_OK);
    EXPECT_EQ(error, 1);
    EXPECT_EQ(entries, nullptr);
    SysFreeString(name);
    desc = nullptr;
    manager = nullptr;
    EXPECT_EQ(model.liveObjects(), 0);
}

TEST(frame_model_test, upload_reports_progress_to_the_view_after_copying_device_values)
{
    DeviceModel model;
    model.setUploadMilliseconds(0);
    model.setApplicationValue(QStringLiteral("Temp"), QStringLiteral("20"));
    model.setDeviceValue(QStringLiteral("TEMP"), QStringLiteral("21.5"));
    auto manager = model.itemManager();
    RecordingView view(manager.get(), model);
    model.attachView(&view);
    EXPECT_EQ(view.refs, 2u);
    QList<std::int32_t> signalled;
    QObject::connect(&model, &DeviceModel::uploadProgressChanged,
                     [&](std::int32_t p) { signalled.append(p); });

    const Opened upload = openItem(manager.get(), DeviceModel::UploadItem);
    auto control = functionControl(manager.get());
    std::int32_t error = -1;
    const auto start = [&](const char *function) {
        EXPECT_EQ(control->StartFunction(BStr(QString::fromLatin1(function)).get(), &error), S_OK);
        return error;
    };
    EXPECT_EQ(start("upload"), 1) << "not connected";
    EXPECT_FALSE(model.uploadRunning());
    model.setConnected(true);
    EXPECT_EQ(start("UpLoad"), 0);
    model.advanceUpload(30);
    EXPECT_EQ(start("upload"), 0);
    EXPECT_EQ(model.uploadProgress(), 30) << "a running upload is not restarted";
    const QDeadlineTimer deadline(10000);
    while (model.uploadRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents();

    const QList<std::int32_t> expected = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    EXPECT_EQ(view.progresses, expected);
    EXPECT_EQ(signalled, expected);
    EXPECT_EQ(view.notifiedHandles, QList<std::int32_t>(10, upload.handle));
    EXPECT_EQ(view.shadowAtNotify.last(), QStringLiteral("21.5"));
    EXPECT_EQ(view.applicationAtNotify.last(), QStringLiteral("21.5"));
    EXPECT_EQ(view.applicationAtNotify.first(), QStringLiteral("20"));
    EXPECT_EQ(start("download"), 1);

    ASSERT_EQ(manager->ReleaseView(&view, &error), S_OK);
    EXPECT_EQ(model.releaseViewCount(), 1);
    EXPECT_EQ(view.refs, 1u);
    control = nullptr;
    manager = nullptr;
    EXPECT_EQ(model.liveObjects(), 0);
}

TEST(frame_model_test, load_database_replaces_application_data_or_changes_nothing)
{
    DeviceModel model;
    model.setApplicationValue(QStringLiteral("Old"), QStringLiteral("1"));
    auto manager = model.itemManager();
    auto control = functionControl(manager.get());
    std::int32_t error = -1;
    ASSERT_EQ(control->LoadDatabase(0, &error), S_OK);
    EXPECT_EQ(error, 1) << "no database";

    model.setDatabase(QStringLiteral("/data/pump.db"), {{QStringLiteral("New"), QStringLiteral("2")}});
    model.setDatabaseLoader([](const QString &, QList<QPair<QString, QString>> *) { return false; });
    ASSERT_EQ(control->LoadDatabase(0, &error), S_OK);
    EXPECT_EQ(error, 1) << "unreadable file";
    EXPECT_EQ(model.value(QStringLiteral("old"), false), QStringLiteral("1"));

    model.setDatabaseLoader({});
    const Opened fileName = openItem(manager.get(), DeviceModel::FileNameItem);
    ASSERT_EQ(control->LoadDatabase(0, &error), S_OK);
    EXPECT_EQ(error, 0);
    EXPECT_FALSE(model.hasItem(QStringLiteral("Old")));
    EXPECT_EQ(model.value(QStringLiteral("NEW"), false), QStringLiteral("2"));
    EXPECT_EQ(readString(manager.get(), fileName.handle, false, &error), QStringLiteral("/data/pump.db"));
    control = nullptr;
    manager = nullptr;
    EXPECT_EQ(model.liveObjects(), 0);
}

TEST(frame_model_test, faults_answer_their_status_or_flag_and_every_call_is_logged)
{
    DeviceModel model;
    model.setDeviceEntry(QStringLiteral("Vendor"), QStringLiteral("Acme"));
    model.setApplicationValue(QStringLiteral("Tag"), QStringLiteral("T1"));
    int signalled = 0;
    QObject::connect(&model, &DeviceModel::called, [&](const HostCall &) { ++signalled; });
    auto manager = model.itemManager();

    model.failOperation(QStringLiteral("OpenItem"), E_ACCESSDENIED);
    std::int32_t handle = -1, error = -1;
    EXPECT_EQ(manager->OpenItem(BStr(QStringLiteral("Tag")).get(), VARIANT_TRUE, 7, &handle, 0, 0, &error),
              E_ACCESSDENIED);
    model.setErrorFlag(QStringLiteral("GetDeviceEntry"), 7);
    auto desc = description(manager.get());
    BStr value;
    ASSERT_EQ(desc->GetDeviceEntry(BStr(QStringLiteral("VENDOR")).get(), value.put(), &error), S_OK);
    EXPECT_EQ(error, 7);
    EXPECT_EQ(value.toQString(), QString());

    model.clearFaults();
    ASSERT_EQ(desc->GetDeviceEntry(BStr(QStringLiteral("vendor")).get(), value.put(), &error), S_OK);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(value.toQString(), QStringLiteral("Acme"));
    EXPECT_EQ(openItem(manager.get(), QStringLiteral("Tag"), true).error, 0);

    const QList<HostCall> calls = model.calls();
    EXPECT_EQ(signalled, calls.size());
    QStringList operations;
    for (const HostCall &call : calls)
        operations.append(call.operation);
    EXPECT_EQ(operations, (QStringList{"OpenItem", "GetDeviceDescription", "GetDeviceEntry", "GetDeviceEntry",
                                       "OpenItem"}));
    EXPECT_EQ(calls.at(0).status, E_ACCESSDENIED);
    EXPECT_EQ(calls.at(2).error, 7);
    EXPECT_EQ(calls.at(4).arguments, QStringLiteral("\"Tag\", shadow=-1, view=7, 0, 0"));

    EXPECT_FALSE(manager.query<AppDeviceDescription>(IID_AppDeviceDescription));
    EXPECT_NE(description(manager.get()).get(), desc.get());
    desc = nullptr;
    EXPECT_EQ(manager.detach()->Release(), 0u);
    EXPECT_EQ(model.liveObjects(), 0);
}
