// SPDX-License-Identifier: Apache-2.0
// What a component learns of a device model through the host interfaces.
#pragma once

#include "host/DeviceModel.h"
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

    /// A definition's handle, nothing when the host answers the error flag.
    std::optional<std::int32_t> definitionHandle(const char *section, const QString &name) const
    {
        std::int32_t handle = 0, error = -1;
        EXPECT_EQ(description()->FindDefinition(BStr(QLatin1String(section)).get(), BStr(name).get(), &handle,
                                                &error),
                  S_OK);
        return error == 0 ? std::optional(handle) : std::nullopt;
    }

    struct Opened
    {
        std::int32_t handle = 0;
        std::int32_t error = -1;
    };

    /// An item opened for view 1, as OpenItem answers it.
    Opened open(const QString &name, bool shadow = false) const
    {
        Opened opened;
        EXPECT_EQ(m_manager->OpenItem(BStr(name).get(), toVariantBool(shadow), 1, &opened.handle, 0, 0,
                                      &opened.error),
                  S_OK);
        return opened;
    }

    /// An open item's value.
    QString read(std::int32_t handle, bool shadow = false) const
    {
        BStr value;
        std::int32_t error = -1;
        EXPECT_EQ(m_manager->GetItemString(handle, value.put(), toVariantBool(shadow), &error), S_OK);
        return value.toQString();
    }

    /// An item's value, or nothing when the host does not know the item.
    std::optional<QString> item(const QString &name, bool shadow = false) const
    {
        const Opened opened = open(name, shadow);
        if (opened.error != 0)
            return std::nullopt;
        const QString value = read(opened.handle, shadow);
        std::int32_t error = -1;
        EXPECT_EQ(m_manager->CloseItem(variantFromLong(1), opened.handle, toVariantBool(shadow), &error),
                  S_OK);
        return value;
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
    ComPtr<AppItemManager> m_manager;
};
