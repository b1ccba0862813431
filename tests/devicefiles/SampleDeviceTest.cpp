#include "HostQueries.h"
#include "frame/DeviceFile.h"
#include "printfile/TagSubstitution.h"

TEST(devicefiles_test, the_flow_meter_answers_every_entry_object_and_enumeration)
{
    DeviceModel model;
    DeviceFileError error;
    ASSERT_TRUE(loadDevice(QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/flowmeter/FlowMeter.kqd"), QString(),
                           model, &error))
        << error.toString().toStdString();
    HostQueries host(model);
    EXPECT_EQ(host.entry(QStringLiteral("PRINTTEMPLATEFILE"), true), QStringLiteral("FlowMeter.htm"));
    const QStringList names = host.objectNames();
    ASSERT_EQ(names.size(), 44);
    EXPECT_EQ(names.filter(QStringLiteral("&&")),
              (QStringList{DeviceModel::FileNameItem, DeviceModel::KqdPathItem}));
    TagContext context;
    context.itemManager = host.manager();
    context.viewHandle = 1;
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
}
