// SPDX-License-Identifier: Apache-2.0
// What tag substitution and the default report read of the component.
#pragma once

#include "contract/HostContract.h"
#include "contract/KQApplet.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

struct TagContext
{
    AppItemManager *itemManager = nullptr;
    std::int32_t viewHandle = 0;
    bool shadow = false;
    /// Any number the host passed; only the three modes give a data source text.
    HostContract::LoadMode loadMode = HostContract::LoadMode::Application;
    QString databaseFileName;
    /// The component's registered owner and organisation queries; either may
    /// throw ComError.
    std::function<QString()> registeredOwner;
    std::function<QString()> registeredOrganization;
    /// The clock for DATE, TIME and the report's date line; empty means
    /// the system clock.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};
