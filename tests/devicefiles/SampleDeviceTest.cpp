#include "HostQueries.h"
#include "frame/DeviceFile.h"
#include "platform/TextFile.h"
#include "printfile/DefaultReport.h"
#include "printfile/TagSubstitution.h"
#include "printfile/TemplatePrintFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString sample(const QString &relative)
{
    return QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/") + relative;
}

const QString FlowMeter = sample(QStringLiteral("flowmeter/FlowMeter.kqd"));
const QString Minimal = sample(QStringLiteral("minimal/Minimal.kqd"));

const QStringList DeviceEntryKeys = {
    QStringLiteral("NICKNAME"),  QStringLiteral("DEFAULTTAG"),      QStringLiteral("VENDORID"),
    QStringLiteral("DEVICEID"),  QStringLiteral("ADDDEVICEID"),     QStringLiteral("HWRELEASE"),
    QStringLiteral("SWRELEASE"), QStringLiteral("STARTALWAYSVIEW"), QStringLiteral("DEVTYPETEXT"),
    QStringLiteral("VENDOR"),    QStringLiteral("DEVDESCLONG")};

const QStringList FixedTags = {
    QStringLiteral("#DATE#"),           QStringLiteral("#TIME#"),         QStringLiteral("#VALUE#"),
    QStringLiteral("#USER#"),           QStringLiteral("#ORGANISATION#"), QStringLiteral("#DEFAULTTAG#"),
    QStringLiteral("#DEVICETYPETEXT#"), QStringLiteral("#DEVICEID#"),     QStringLiteral("#DEVDESCLONG#"),
    QStringLiteral("#VENDORID#"),       QStringLiteral("#VENDOR#")};

void loadSample(const QString &description, DeviceModel &model)
{
    DeviceFileError error;
    ASSERT_TRUE(loadDevice(description, QString(), model, &error)) << error.toString().toStdString();
}

TagContext contextFor(AppItemManager *manager, bool shadow = false)
{
    TagContext context;
    context.itemManager = manager;
    context.viewHandle = 1;
    context.shadow = shadow;
    return context;
}

} // namespace

TEST(devicefiles_test, the_flow_meter_answers_every_device_entry_and_its_template_setting)
{
    DeviceModel model;
    loadSample(FlowMeter, model);
    HostQueries host(model);
    for (const QString &key : DeviceEntryKeys) {
        const auto value = host.deviceEntry(key);
        ASSERT_TRUE(value) << key.toStdString();
        EXPECT_FALSE(value->isEmpty()) << key.toStdString();
    }
    EXPECT_EQ(host.deviceEntry(QStringLiteral("VENDOR")), QStringLiteral("Nordbach Messtechnik GmbH"));
    EXPECT_EQ(host.settingEntry(QStringLiteral("PRINTTEMPLATEFILE")), QStringLiteral("FlowMeter.htm"));
    EXPECT_EQ(host.item(DeviceModel::KqdPathItem), QFileInfo(FlowMeter).absoluteFilePath());
    EXPECT_TRUE(host.connected());
}

TEST(devicefiles_test, every_flow_meter_object_resolves_and_enumerations_give_texts)
{
    DeviceModel model;
    loadSample(FlowMeter, model);
    HostQueries host(model);
    const QStringList names = host.objectNames();
    ASSERT_EQ(names.size(), 44);
    const QStringList privateNames = names.filter(QStringLiteral("&&"));
    EXPECT_EQ(privateNames, (QStringList{DeviceModel::FileNameItem, DeviceModel::KqdPathItem}));

    const TagContext context = contextFor(host.manager());
    int enumerations = 0;
    for (const QString &name : names) {
        if (name.contains(QStringLiteral("&&")))
            continue;
        const auto definition = host.objectDefinition(name);
        ASSERT_TRUE(definition) << name.toStdString();
        const QString value = GetTagValue(context, name, false);
        EXPECT_NE(value, name) << name.toStdString();
        EXPECT_FALSE(value.isEmpty()) << name.toStdString();
        if (definition->kind == 4) {
            ++enumerations;
            EXPECT_NE(value, host.item(name))
                << name.toStdString() << ": the number was not turned into text";
        }
    }
    EXPECT_GE(enumerations, 15);
    EXPECT_EQ(GetTagValue(context, QStringLiteral("FLOW_UNIT"), false), QStringLiteral("m³/h"));
    EXPECT_EQ(GetTagValue(context, QStringLiteral("#display_language#"), true), QStringLiteral("Deutsch"));
    EXPECT_EQ(host.enumeration(QStringLiteral("DeviceStatus"))->constLast(),
              (QPair<std::int32_t, QString>{-1, QStringLiteral("Not evaluated")}));
}

TEST(devicefiles_test, the_flow_meter_shows_its_three_data_sources_apart)
{
    DeviceModel model;
    loadSample(FlowMeter, model);
    HostQueries host(model);
    const QString flow = QStringLiteral("PV_FLOW_RATE");
    EXPECT_EQ(host.item(flow), QStringLiteral("12.5"));

    ASSERT_EQ(host.startUpload(), 0);
    model.advanceUpload(100);
    EXPECT_EQ(host.item(flow, true), QStringLiteral("13.1"));
    EXPECT_EQ(GetTagValue(contextFor(host.manager(), true), QStringLiteral("#DEVICE_STATUS#"), true),
              QStringLiteral("Maintenance required"));

    ASSERT_EQ(host.loadDatabase(), 0);
    EXPECT_EQ(host.item(flow), QStringLiteral("11.8"));
    EXPECT_EQ(host.item(DeviceModel::FileNameItem), sample(QStringLiteral("flowmeter/FlowMeter.db.ini")));
}

TEST(devicefiles_test, the_minimal_device_loads_with_its_enumeration)
{
    DeviceModel model;
    loadSample(Minimal, model);
    HostQueries host(model);
    EXPECT_EQ(host.objectNames().size(), 3);
    EXPECT_EQ(host.deviceEntry(QStringLiteral("NICKNAME")), QStringLiteral("TT-2"));
    EXPECT_EQ(host.deviceEntry(QStringLiteral("HWRELEASE")), std::nullopt);
    const TagContext context = contextFor(host.manager());
    EXPECT_EQ(GetTagValue(context, QStringLiteral("#SENSOR_TYPE#"), true), QStringLiteral("Pt100 3-wire"));
    EXPECT_EQ(GetTagValue(context, QStringLiteral("#UPPER_RANGE#"), true), QStringLiteral("150"));
    EXPECT_EQ(host.loadDatabase(), 1);
}

TEST(devicefiles_test, sample_templates_are_ansi_crlf_and_use_every_fixed_tag)
{
    const struct
    {
        QString directory;
        QString baseName;
    } devices[] = {{sample(QStringLiteral("flowmeter/")), QStringLiteral("FlowMeter")},
                   {sample(QStringLiteral("minimal/")), QStringLiteral("Minimal")}};
    for (const auto &device : devices) {
        for (const char *code : {"049", "001"}) {
            const QString path = findTemplate(device.directory, device.baseName + QLatin1StringView(code) +
                                                                    QStringLiteral(".HTM"));
            ASSERT_FALSE(path.isEmpty()) << device.baseName.toStdString() << code;
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << path.toStdString();
            EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << path.toStdString();
            EXPECT_TRUE(bytes.endsWith("\r\n")) << path.toStdString();
            for (const QString &tag : FixedTags)
                EXPECT_TRUE(bytes.contains(tag.toLatin1()))
                    << path.toStdString() << " lacks " << tag.toStdString();
        }
    }
}

TEST(devicefiles_test, the_flow_meter_report_lists_its_objects_but_not_the_host_private_ones)
{
    DeviceModel model;
    loadSample(FlowMeter, model);
    HostQueries host(model);
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("REPORT.HTM"));
    WriteReportFile(contextFor(host.manager()), report);
    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = Ansi::decode(file.readAll());
    for (const QString &name : host.objectNames()) {
        if (name.contains(QStringLiteral("&&")))
            EXPECT_FALSE(text.contains(QStringLiteral("private_PM"))) << name.toStdString();
        else
            EXPECT_TRUE(text.contains(name)) << name.toStdString();
    }
    EXPECT_TRUE(text.contains(QStringLiteral("Net (forward - reverse)")));
}
