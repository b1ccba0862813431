// SPDX-License-Identifier: Apache-2.0
// What tag substitution, clsEnum and the default report share for talking to
// the host objects, on top of the host-access layer.
#pragma once

#include "TagContext.h"
#include "hostaccess/HostAccess.h"
#include "platform/BStr.h"
#include "platform/ComError.h"

#include <QDateTime>
#include <QString>

namespace PrintFileHost {

using HostAccess::ConstBStr;
using HostAccess::deviceDescription;
using HostAccess::itemString;
using HostAccess::OpenedItem;

inline QDateTime currentTime(const TagContext &context)
{
    return context.now ? context.now() : QDateTime::currentDateTime();
}

/// What the description's definition of an object (section "OBJECT") makes
/// of the value read for it: an enumeration's text for the number the value
/// starts with, otherwise the value itself. `defined` is false when the
/// description has no definition of `name`.
struct DefinedValue
{
    bool defined = false;
    QString text;
};

/// A non-zero error flag of GetObjectDefinition makes the value no
/// enumeration's, whatever kind it answers.
DefinedValue definedValue(AppItemManager *itemManager, BSTR name, std::int32_t itemHandle, QString value);

} // namespace PrintFileHost
