#include "HostQueries.h"
#include "frame/DeviceFile.h"
#include "printfile/TagSubstitution.h"

#include <QFileInfo>

namespace {

QString sample(const char *relative)
{
    return QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/") + QLatin1String(relative);
}

const QString FlowMeter = sample("flowmeter/FlowMeter.kqd");

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

TEST(devicefiles_test, the_flow_meter_answers_every_entry_object_and_enumeration)
{
    DeviceModel model;
    loadSample(FlowMeter, model);
    HostQueries host(model);
    EXPECT_EQ(host.entry(QStringLiteral("VENDOR")), QStringLiteral("Nordbach Messtechnik GmbH"));
    EXPECT_EQ(host.entry(QStringLiteral("PRINTTEMPLATEFILE"), true), QStringLiteral("FlowMeter.htm"));
    EXPECT_EQ(host.item(DeviceModel::KqdPathItem), QFileInfo(FlowMeter).absoluteFilePath());

    const QStringList names = host.objectNames();
    ASSERT_EQ(names.size(), 44);
    EXPECT_EQ(names.filter(QStringLiteral("&&")),
              (QStringList{DeviceModel::FileNameItem, DeviceModel::KqdPathItem}));
    const TagContext context = contextFor(host.manager());
    int enumerations = 0;
    for (const QString &name : names) {
        if (name.contains(QStringLiteral("&&")))
            continue;
        const auto definition = host.objectDefinition(name);
        ASSERT_TRUE(definition) << name.toStdString();
        const QString value = GetTagValue(context, name, false);
        EXPECT_FALSE(value.isEmpty() || value == name) << name.toStdString();
        if (definition->kind == 4) {
            ++enumerations;
            EXPECT_NE(value, host.item(name))
                << name.toStdString() << ": the number was not turned into text";
        }
    }
    EXPECT_GE(enumerations, 15);
    EXPECT_EQ(GetTagValue(context, QStringLiteral("FLOW_UNIT"), false), QStringLiteral("m³/h"));
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
    EXPECT_EQ(host.item(DeviceModel::FileNameItem), sample("flowmeter/FlowMeter.db.ini"));
}
