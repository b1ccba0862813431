// What tag substitution and the default report read of the component.
#pragma once

#include "component/host/KQApplet.h"

#include <QString>
#include <cstdint>
#include <functional>

struct TagContext
{
    AppItemManager *itemManager = nullptr;
    std::int32_t viewHandle = 0;
    bool shadow = false;
    std::int32_t loadMode = 0;
    QString databaseFileName;
    /// The component's registered owner and organisation queries; either may
    /// throw ComError.
    std::function<QString()> registeredOwner;
    std::function<QString()> registeredOrganization;
};
