// SPDX-License-Identifier: Apache-2.0
// The calls every user of the host's interfaces makes the same way: fetching
// the device description and function control, keeping an opened item
// closed on every path, reading an item and reading an object's definition.
// Each helper turns a failure status into ComError; the host's error flag
// is handed back to the caller, for whom it is an ordinary answer.
#pragma once

#include "contract/KQApplet.h"
#include "platform/BStr.h"
#include "platform/ComPtr.h"

#include <QString>
#include <cstdint>

namespace HostAccess {

/// A fresh device description for one use; the caller drops it right after.
/// ComError(E_POINTER) without an item manager or when the host hands back
/// none.
ComPtr<AppDeviceDescription> deviceDescription(AppItemManager *itemManager);

/// The host's function control; ComError(E_POINTER) as deviceDescription.
ComPtr<AppFunctionControl> functionControl(AppItemManager *itemManager);

/// A constant BSTR that lives as long as the process (section names, entry
/// keys): the host only reads in-arguments, so one allocation serves all calls.
class ConstBStr
{
public:
    explicit ConstBStr(const char16_t *text);
    ConstBStr(const ConstBStr &) = delete;
    ConstBStr &operator=(const ConstBStr &) = delete;
    ~ConstBStr();
    BSTR get() const noexcept { return m_s; }

private:
    BSTR m_s;
};

/// Closes an opened item when it goes out of scope through an exception, so
/// that a failure between OpenItem and CloseItem leaks no host handle. The
/// ordinary path calls close() and sees its status.
class OpenedItem
{
public:
    OpenedItem(AppItemManager *itemManager, std::int32_t viewHandle, std::int32_t itemHandle,
               VARIANT_BOOL shadow) noexcept
        : m_itemManager(itemManager), m_viewHandle(viewHandle), m_itemHandle(itemHandle), m_shadow(shadow)
    {
    }
    OpenedItem(const OpenedItem &) = delete;
    OpenedItem &operator=(const OpenedItem &) = delete;
    ~OpenedItem();

    std::int32_t handle() const noexcept { return m_itemHandle; }

    void close();

private:
    AppItemManager *m_itemManager;
    std::int32_t m_viewHandle;
    std::int32_t m_itemHandle;
    VARIANT_BOOL m_shadow;
    bool m_open = true;
};

/// The text of an opened item; `*error` receives the host's error flag.
QString itemString(AppItemManager *itemManager, std::int32_t itemHandle, VARIANT_BOOL shadow,
                   std::int32_t *error);

/// The 64-bit value of an opened item (0 unless the host writes one).
std::int64_t itemQuad(AppItemManager *itemManager, std::int32_t itemHandle, std::int32_t *error);

/// What the description's section "OBJECT" defines for an object name.
struct ObjectDefinition
{
    /// False when the description has no definition of the name; the rest
    /// is then empty.
    bool found = false;
    /// As the host handed it: most objects are no enumeration, and only an
    /// enumeration's type name is needed as text.
    BStr typeName;
    std::int32_t kind = 0;
    /// The error flag GetObjectDefinition answered with.
    std::int32_t error = 0;
};

/// Finds the definition of `name` and reads it, each step with a fresh
/// device description as the host expects.
ObjectDefinition objectDefinition(AppItemManager *itemManager, BSTR name);

} // namespace HostAccess
