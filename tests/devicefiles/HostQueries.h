// What a component learns of a device model through the host interfaces,
// wrapped for the device file tests.
#pragma once

#include "frame/DeviceModel.h"
#include "platform/BStr.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

class HostQueries
{
public:
    explicit HostQueries(DeviceModel &model) : m_manager(model.itemManager()) {}

    AppItemManager *manager() const { return m_manager.get(); }

    ComPtr<AppDeviceDescription> description() const
    {
        ComPtr<AppDeviceDescription> result;
        EXPECT_EQ(m_manager->GetDeviceDescription(result.put()), S_OK);
        return result;
    }

    ComPtr<AppFunctionControl> functionControl() const
    {
        ComPtr<AppFunctionControl> result;
        EXPECT_EQ(m_manager->GetFunctionControl(result.put()), S_OK);
        return result;
    }

    /// A device entry, or nothing when the host answers the error flag.
    std::optional<QString> deviceEntry(const QString &key) const
    {
        BStr value;
        std::int32_t error = -1;
        EXPECT_EQ(description()->GetDeviceEntry(BStr(key).get(), value.put(), &error), S_OK);
        return error == 0 ? std::optional(value.toQString()) : std::nullopt;
    }

    std::optional<QString> settingEntry(const QString &key) const
    {
        BStr value;
        std::int32_t error = -1;
        EXPECT_EQ(description()->GetSettingEntry(BStr(key).get(), value.put(), &error), S_OK);
        return error == 0 ? std::optional(value.toQString()) : std::nullopt;
    }

    /// The names of the "Object" section, walked as the report walks it.
    QStringList objectNames() const
    {
        const BStr section(QStringLiteral("Object"));
        std::int32_t count = -1;
        std::int32_t error = -1;
        EXPECT_EQ(description()->GetSectionCount(section.get(), &count, &error), S_OK);
        QStringList names;
        std::int32_t position = 0;
        EXPECT_EQ(description()->GetFirstEntry(section.get(), &position, &error), S_OK);
        for (int i = 0; i < count && error == 0; ++i) {
            BStr name;
            std::int32_t nameError = -1;
            EXPECT_EQ(description()->GetEntryName(position, name.put(), &nameError), S_OK);
            names.append(name.toQString());
            EXPECT_EQ(description()->GetNextEntry(&position, &error), S_OK);
        }
        EXPECT_EQ(names.size(), count);
        return names;
    }

    struct Definition
    {
        QString typeName;
        std::int32_t size = 0;
        std::int32_t flags = 0;
        std::int32_t kind = 0;
        QString enumerationName;
    };

    std::optional<Definition> objectDefinition(const QString &name) const
    {
        std::int32_t handle = 0;
        std::int32_t error = -1;
        EXPECT_EQ(description()->FindDefinition(BStr(QStringLiteral("OBJECT")).get(), BStr(name).get(),
                                                &handle, &error),
                  S_OK);
        if (error != 0)
            return std::nullopt;
        Definition d;
        BStr typeName;
        BStr enumerationName;
        EXPECT_EQ(description()->GetObjectDefinition(handle, typeName.put(), &d.size, &d.flags, &d.kind,
                                                     enumerationName.put(), &error),
                  S_OK);
        d.typeName = typeName.toQString();
        d.enumerationName = enumerationName.toQString();
        return d;
    }

    /// The value-to-text table of an enumeration; nothing when it is unknown.
    std::optional<QList<QPair<std::int32_t, QString>>> enumeration(const QString &name) const
    {
        std::int32_t handle = 0;
        std::int32_t error = -1;
        EXPECT_EQ(description()->FindDefinition(BStr(QStringLiteral("enumeration")).get(), BStr(name).get(),
                                                &handle, &error),
                  S_OK);
        if (error != 0)
            return std::nullopt;
        // The name is in/out: the host replaces what it is given.
        BSTR inOutName = BStr::alloc(name);
        EnumEntryArray *array = nullptr;
        EXPECT_EQ(description()->GetEnumerationEntries(handle, &inOutName, &array, &error), S_OK);
        SysFreeString(inOutName);
        QList<QPair<std::int32_t, QString>> entries;
        if (array) {
            for (std::uint32_t i = 0; i < array->count; ++i)
                entries.append({array->entries[i].value, BStr::toQString(array->entries[i].text)});
            EnumEntryArrayDestroy(array);
        }
        return entries;
    }

    /// An item's value, or nothing when the host does not know the item.
    std::optional<QString> item(const QString &name, bool shadow = false) const
    {
        std::int32_t handle = 0;
        std::int32_t error = -1;
        EXPECT_EQ(m_manager->OpenItem(BStr(name).get(), toVariantBool(shadow), 1, &handle, 0, 0, &error),
                  S_OK);
        if (error != 0)
            return std::nullopt;
        BStr value;
        EXPECT_EQ(m_manager->GetItemString(handle, value.put(), toVariantBool(shadow), &error), S_OK);
        std::int32_t closeError = -1;
        EXPECT_EQ(m_manager->CloseItem(variantFromLong(1), handle, toVariantBool(shadow), &closeError), S_OK);
        return value.toQString();
    }

    bool connected() const
    {
        std::int32_t handle = 0;
        std::int32_t error = -1;
        EXPECT_EQ(m_manager->OpenItem(BStr(DeviceModel::ConnectItem).get(), VARIANT_FALSE, 1, &handle, 0, 0,
                                      &error),
                  S_OK);
        std::int64_t quad = 0;
        EXPECT_EQ(m_manager->GetItemQuad(handle, &quad, &error), S_OK);
        EXPECT_EQ(m_manager->CloseItem(variantFromLong(1), handle, VARIANT_FALSE, &error), S_OK);
        return quad == 0x4000000000000000LL;
    }

    /// LoadDatabase's error flag.
    std::int32_t loadDatabase() const
    {
        std::int32_t error = -1;
        EXPECT_EQ(functionControl()->LoadDatabase(0, &error), S_OK);
        return error;
    }

    /// StartFunction("upload")'s error flag.
    std::int32_t startUpload() const
    {
        std::int32_t error = -1;
        EXPECT_EQ(functionControl()->StartFunction(BStr(QStringLiteral("upload")).get(), &error), S_OK);
        return error;
    }

private:
    ComPtr<AppItemManager> m_manager;
};
