// SPDX-License-Identifier: Apache-2.0
#include "host/DeviceModel.h"
#include "host/DeviceFile.h"
#include "tests/devicefiles/HostQueries.h"
#include "tools/common/CallLogFile.h"
#include "tools/common/ToolOutput.h"

#include <QSet>
#include <gtest/gtest.h>

TEST(frame_model_test, a_read_gives_the_value_current_when_read_not_when_opened)
{
    DeviceModel model;
    model.addObjectName(QStringLiteral("Flow"));
    model.addObjectName(QStringLiteral("Level"));
    model.setDeviceValue(QStringLiteral("Level"), QStringLiteral("7"));
    HostQueries host(model);
    const HostQueries::Opened level = host.open(QStringLiteral("LEVEL"));
    ASSERT_EQ(level.error, 0);
    EXPECT_EQ(host.read(level.handle), QString());

    // A value given while the item is open, then changed, then given to the
    // other set: each read sees the set as it is then.
    model.setApplicationValue(QStringLiteral("level"), QStringLiteral("1"));
    EXPECT_EQ(host.read(level.handle), QStringLiteral("1"));
    model.setApplicationValue(QStringLiteral("Level"), QStringLiteral("2"));
    EXPECT_EQ(host.read(level.handle), QStringLiteral("2"));
    EXPECT_EQ(host.read(level.handle, true), QString());
    model.setShadowValue(QStringLiteral("LEVEL"), QStringLiteral("3"));
    EXPECT_EQ(host.read(level.handle, true), QStringLiteral("3"));

    // Other names coming and going leave the item's value as it is.
    const HostQueries::Opened flow = host.open(QStringLiteral("flow"));
    for (int i = 0; i < 100; ++i)
        model.setApplicationValue(QStringLiteral("Other%1").arg(i), QString::number(i));
    model.setApplicationValue(QStringLiteral("FLOW"), QStringLiteral("4"));
    EXPECT_EQ(host.read(flow.handle), QStringLiteral("4"));
    EXPECT_EQ(host.read(level.handle), QStringLiteral("2"));
}

TEST(frame_model_test, every_spelling_of_a_name_finds_its_own_object_however_many_are_asked)
{
    // More names and spellings than the model remembers by spelling: those
    // beyond must still be found, each its own object, and unknown ones not.
    DeviceModel model;
    constexpr int names = 40;
    for (int i = 0; i < names; ++i) {
        model.addObjectName(QStringLiteral("Item%1").arg(i));
        model.setApplicationValue(QStringLiteral("Item%1").arg(i), QString::number(i));
    }
    HostQueries host(model);
    // All sixteen ways to write "item", twice over.
    for (int pattern = 0; pattern < 32; ++pattern) {
        QString spelling = QStringLiteral("item%1");
        for (int c = 0; c < 4; ++c) {
            if (pattern & (1 << c))
                spelling[c] = spelling[c].toUpper();
        }
        for (int i = 0; i < names; ++i) {
            const QString name = spelling.arg(i);
            EXPECT_EQ(host.item(name), QString::number(i)) << name.toStdString();
            EXPECT_EQ(host.definitionHandle("OBJECT", name), i + 1) << name.toStdString();
            EXPECT_EQ(host.item(name + u'x'), std::nullopt);
        }
    }
}

TEST(frame_model_test, definition_handles_stay_apart_beyond_a_hundred_thousand_listed_objects)
{
    // Enough listed objects that their positions pass any fixed offset a
    // shared type or an enumeration might be given.
    constexpr int listed = 120'000;
    DeviceModel model;
    model.defineObject(QStringLiteral("UnitType"),
                       {QStringLiteral("UnitType"), 0, 0, 4, QStringLiteral("Units")});
    model.defineEnumeration(QStringLiteral("Units"), {{{1, QStringLiteral("litre")}}, 0});
    for (int i = 0; i < listed; ++i)
        model.addObject(QStringLiteral("Obj%1").arg(i),
                        {QStringLiteral("Other"), 0, 0, 4, QStringLiteral("Other")});
    model.defineEnumeration(QStringLiteral("Other"), {{{1, QStringLiteral("wrong")}}, 0});

    HostQueries host(model);
    const auto desc = host.description();
    // The chain an enumerated object's text is found by: type, its enumeration, the entries.
    const std::int32_t type = host.definitionHandle("object", QStringLiteral("UnitType")).value_or(0);
    BStr typeName, enumerationName;
    std::int32_t size = 0, flags = 0, kind = 0, error = -1;
    ASSERT_EQ(
        desc->GetObjectDefinition(type, typeName.put(), &size, &flags, &kind, enumerationName.put(), &error),
        S_OK);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(typeName.toQString(), QStringLiteral("UnitType"));
    EXPECT_EQ(enumerationName.toQString(), QStringLiteral("Units"));

    const std::int32_t units = host.definitionHandle("enumeration", enumerationName.toQString()).value_or(0);
    BSTR name = BStr::alloc(QStringLiteral("UnitType"));
    EnumEntryArray *entries = nullptr;
    ASSERT_EQ(desc->GetEnumerationEntries(units, &name, &entries, &error), S_OK);
    SysFreeString(name);
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(entries->count, 1u);
    EXPECT_EQ(BStr::toQString(entries->entries[0].text), QStringLiteral("litre"));
    EnumEntryArrayDestroy(entries);

    // Listed objects keep their positions, and no handle stands for two definitions.
    EXPECT_EQ(host.definitionHandle("OBJECT", QStringLiteral("Obj119999")), 120'000);
    QSet<std::int32_t> handles{type, units,
                               host.definitionHandle("OBJECT", QStringLiteral("Obj100000")).value_or(0),
                               host.definitionHandle("enumeration", QStringLiteral("Other")).value_or(0)};
    EXPECT_EQ(handles.size(), 4);
    // An enumeration's handle is no object definition, nor the other way round.
    ASSERT_EQ(
        desc->GetObjectDefinition(units, typeName.put(), &size, &flags, &kind, enumerationName.put(), &error),
        S_OK);
    EXPECT_EQ(error, 1);
    name = BStr::alloc(QStringLiteral("UnitType"));
    ASSERT_EQ(desc->GetEnumerationEntries(type, &name, &entries, &error), S_OK);
    SysFreeString(name);
    EXPECT_EQ(error, 1);
    EXPECT_EQ(entries, nullptr);
}

TEST(frame_model_test, call_log_is_off_until_asked_for_and_signals_without_keeping)
{
    DeviceModel model;
    model.setApplicationValue(QStringLiteral("Tag"), QStringLiteral("T1"));
    int signalled = 0;
    QObject::connect(&model, &DeviceModel::called, [&](const HostCall &) { ++signalled; });
    HostQueries host(model);
    EXPECT_EQ(model.callLog(), DeviceModel::CallLog::Off);
    EXPECT_EQ(host.open(QStringLiteral("Tag")).error, 0);
    EXPECT_EQ(signalled, 0);
    EXPECT_TRUE(model.calls().isEmpty());

    model.setCallLog(DeviceModel::CallLog::Signalled);
    EXPECT_EQ(host.open(QStringLiteral("Tag")).error, 0);
    EXPECT_EQ(signalled, 1);
    EXPECT_TRUE(model.calls().isEmpty());

    // The view's release is heard with the log off, too.
    model.setCallLog(DeviceModel::CallLog::Off);
    int released = 0;
    QObject::connect(&model, &DeviceModel::viewReleased, [&] { ++released; });
    std::int32_t error = -1;
    EXPECT_EQ(host.manager()->ReleaseView(nullptr, &error), S_OK);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(signalled, 1);
}

TEST(frame_model_test, names_and_paths_holding_argument_markers_are_logged_and_reported_as_they_are)
{
    DeviceModel model;
    const QString name = QStringLiteral("rate %1 of %2");
    model.setApplicationValue(name, QStringLiteral("T1"));
    model.setCallLog(DeviceModel::CallLog::Kept);
    EXPECT_EQ(HostQueries(model).open(name).error, 0);
    ASSERT_FALSE(model.calls().isEmpty());
    const HostCall call = model.calls().last();
    EXPECT_EQ(call.arguments, QStringLiteral("\"rate %1 of %2\", shadow=0, view=1, 0, 0"));
    EXPECT_EQ(callLine(call),
              QStringLiteral("OpenItem(\"rate %1 of %2\", shadow=0, view=1, 0, 0) -> error 0, ") +
                  ToolOutput::statusText(S_OK));

    const DeviceFileError error{QStringLiteral("/srv/dir%1x/%2.kqd"), 3, QStringLiteral("no %1 here")};
    EXPECT_EQ(error.toString(), QStringLiteral("/srv/dir%1x/%2.kqd:3: no %1 here"));
}
