// Small helpers shared by tag substitution, clsEnum and the default report
// for talking to the host objects.
#pragma once

#include "TagContext.h"
#include "component/host/KQApplet.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "platform/ComPtr.h"

#include <QDateTime>
#include <QString>

struct TagResolution;

namespace PrintFileHost {

/// A fresh device description for one use; the caller drops it right after.
inline ComPtr<AppDeviceDescription> deviceDescription(AppItemManager *itemManager)
{
    if (!itemManager)
        throw ComError(E_POINTER);
    ComPtr<AppDeviceDescription> description;
    check(itemManager->GetDeviceDescription(description.put()));
    if (!description)
        throw ComError(E_POINTER);
    return description;
}

/// A constant BSTR that lives as long as the process (section names, entry
/// keys): the host only reads in-arguments, so one allocation serves all calls.
class ConstBStr
{
public:
    explicit ConstBStr(const char16_t *text) : m_s(SysAllocString(text)) {}
    ConstBStr(const ConstBStr &) = delete;
    ConstBStr &operator=(const ConstBStr &) = delete;
    ~ConstBStr() { SysFreeString(m_s); }
    BSTR get() const noexcept { return m_s; }

private:
    BSTR m_s;
};

inline QDateTime currentTime(const TagContext &context)
{
    return context.now ? context.now() : QDateTime::currentDateTime();
}

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
    ~OpenedItem()
    {
        if (m_open) {
            std::int32_t error = 0;
            // Already unwinding from the first failure: that one is reported.
            m_itemManager->CloseItem(variantFromLong(m_viewHandle), m_itemHandle, m_shadow, &error);
        }
    }

    std::int32_t handle() const noexcept { return m_itemHandle; }

    void close()
    {
        m_open = false;
        std::int32_t error = 0;
        check(m_itemManager->CloseItem(variantFromLong(m_viewHandle), m_itemHandle, m_shadow, &error));
    }

private:
    AppItemManager *m_itemManager;
    std::int32_t m_viewHandle;
    std::int32_t m_itemHandle;
    VARIANT_BOOL m_shadow;
    bool m_open = true;
};

/// What the description's definition of an object (section "OBJECT") makes
/// of the value read for it: an enumeration's text for the number the value
/// starts with, otherwise the value itself. `defined` is false when the
/// description has no definition of `name`.
struct DefinedValue
{
    bool defined = false;
    QString text;
};

/// When `definitionErrorCounts` is false, the kind is taken from
/// GetObjectDefinition whatever its error flag says. `resolution`, when
/// given, learns about the enumeration lookup.
DefinedValue definedValue(AppItemManager *itemManager, BSTR name, std::int32_t itemHandle, QString value,
                          bool definitionErrorCounts, TagResolution *resolution = nullptr);

} // namespace PrintFileHost
