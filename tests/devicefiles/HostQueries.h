// What a component learns of a device model through the host interfaces.
#pragma once

#include "frame/DeviceModel.h"
#include "platform/BStr.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

using EnumEntries = QList<QPair<std::int32_t, QString>>;

class HostQueries
{
public:
    explicit HostQueries(DeviceModel &model) : m_manager(model.itemManager()) {}

    ComPtr<AppDeviceDescription> description() const
    {
        ComPtr<AppDeviceDescription> result;
        EXPECT_EQ(m_manager->GetDeviceDescription(result.put()), S_OK);
        return result;
    }

    /// A device entry (or a setting entry), nothing when the host answers the error flag.
    std::optional<QString> entry(const QString &key, bool setting = false) const
    {
        BStr value;
        std::int32_t error = -1;
        const auto desc = description();
        EXPECT_EQ(setting ? desc->GetSettingEntry(BStr(key).get(), value.put(), &error)
                          : desc->GetDeviceEntry(BStr(key).get(), value.put(), &error),
                  S_OK);
        return error == 0 ? std::optional(value.toQString()) : std::nullopt;
    }

    /// The names of the "Object" section, walked as the report walks it.
    QStringList objectNames() const
    {
        const auto desc = description();
        const BStr section(QStringLiteral("Object"));
        std::int32_t count = -1, position = 0, error = -1;
        EXPECT_EQ(desc->GetSectionCount(section.get(), &count, &error), S_OK);
        EXPECT_EQ(desc->GetFirstEntry(section.get(), &position, &error), S_OK);
        QStringList names;
        for (int i = 0; i < count && error == 0; ++i) {
            BStr name;
            EXPECT_EQ(desc->GetEntryName(position, name.put(), &error), S_OK);
            names.append(name.toQString());
            EXPECT_EQ(desc->GetNextEntry(&position, &error), S_OK);
        }
        EXPECT_EQ(names.size(), count);
        return names;
    }

    /// An object's definition; nothing when it is unknown.
    std::optional<ObjectDefinition> objectDefinition(const QString &name) const
    {
        const auto desc = description();
        std::int32_t error = -1;
        const std::int32_t handle = find(desc, "OBJECT", name);
        if (!handle)
            return std::nullopt;
        ObjectDefinition d;
        BStr typeName, enumerationName;
        EXPECT_EQ(desc->GetObjectDefinition(handle, typeName.put(), &d.size, &d.flags, &d.kind,
                                            enumerationName.put(), &error),
                  S_OK);
        d.typeName = typeName.toQString();
        d.enumerationName = enumerationName.toQString();
        return d;
    }

    /// The value-to-text table of an enumeration; nothing when it is unknown.
    std::optional<EnumEntries> enumeration(const QString &name) const
    {
        const auto desc = description();
        const std::int32_t handle = find(desc, "enumeration", name);
        if (!handle)
            return std::nullopt;
        BSTR inOutName = BStr::alloc(name);
        EnumEntryArray *array = nullptr;
        std::int32_t error = -1;
        EXPECT_EQ(desc->GetEnumerationEntries(handle, &inOutName, &array, &error), S_OK);
        SysFreeString(inOutName);
        EnumEntries entries;
        for (std::uint32_t i = 0; array && i < array->count; ++i)
            entries.append({array->entries[i].value, BStr::toQString(array->entries[i].text)});
        EnumEntryArrayDestroy(array);
        return entries;
    }

    /// An item's value, or nothing when the host does not know the item.
    std::optional<QString> item(const QString &name, bool shadow = false) const
    {
        std::int32_t handle = 0, error = -1;
        EXPECT_EQ(m_manager->OpenItem(BStr(name).get(), toVariantBool(shadow), 1, &handle, 0, 0, &error),
                  S_OK);
        if (error != 0)
            return std::nullopt;
        BStr value;
        EXPECT_EQ(m_manager->GetItemString(handle, value.put(), toVariantBool(shadow), &error), S_OK);
        EXPECT_EQ(m_manager->CloseItem(variantFromLong(1), handle, toVariantBool(shadow), &error), S_OK);
        return value.toQString();
    }

    /// The error flag of LoadDatabase.
    std::int32_t loadDatabase() const
    {
        ComPtr<AppFunctionControl> control;
        EXPECT_EQ(m_manager->GetFunctionControl(control.put()), S_OK);
        std::int32_t error = -1;
        EXPECT_EQ(control->LoadDatabase(0, &error), S_OK);
        return error;
    }

private:
    /// A definition's handle, 0 when the host answers the error flag.
    static std::int32_t find(const ComPtr<AppDeviceDescription> &desc, const char *section,
                             const QString &name)
    {
        std::int32_t handle = 0, error = -1;
        EXPECT_EQ(desc->FindDefinition(BStr(QLatin1String(section)).get(), BStr(name).get(), &handle, &error),
                  S_OK);
        return error == 0 ? handle : 0;
    }

    ComPtr<AppItemManager> m_manager;
};
