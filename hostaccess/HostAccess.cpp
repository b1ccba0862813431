// SPDX-License-Identifier: Apache-2.0
#include "HostAccess.h"

#include "hostaccess/HostAccessLogging.h"
#include "platform/BStr.h"
#include "platform/ComError.h"

namespace HostAccess {

namespace {

/// One of the item manager's objects, fetched anew; a host that answers
/// success without one fails the use as a missing one would.
template<typename Object>
ComPtr<Object> fetched(AppItemManager *itemManager, HRESULT (AppItemManager::*get)(Object **))
{
    if (!itemManager)
        throw ComError(E_POINTER);
    ComPtr<Object> object;
    check((itemManager->*get)(object.put()));
    if (!object)
        throw ComError(E_POINTER);
    return object;
}

} // namespace

ComPtr<AppDeviceDescription> deviceDescription(AppItemManager *itemManager)
{
    return fetched(itemManager, &AppItemManager::GetDeviceDescription);
}

ComPtr<AppFunctionControl> functionControl(AppItemManager *itemManager)
{
    return fetched(itemManager, &AppItemManager::GetFunctionControl);
}

ConstBStr::ConstBStr(const char16_t *text) : m_s(SysAllocString(text)) {}

ConstBStr::~ConstBStr()
{
    SysFreeString(m_s);
}

OpenedItem::~OpenedItem()
{
    if (m_open) {
        std::int32_t error = 0;
        // Already unwinding from the first failure: that one is reported.
        const HRESULT hr =
            m_itemManager->CloseItem(variantFromLong(m_viewHandle), m_itemHandle, m_shadow, &error);
        if (FAILED(hr))
            qCWarning(lcHostAccess, "CloseItem of item handle %d, after an earlier failure, failed too: %s",
                      int(m_itemHandle), qUtf8Printable(statusForLog(hr)));
    }
}

void OpenedItem::close()
{
    m_open = false;
    std::int32_t error = 0;
    check(m_itemManager->CloseItem(variantFromLong(m_viewHandle), m_itemHandle, m_shadow, &error));
    // The handle is done with either way: a refusal changes nothing.
    if (error != 0)
        qCWarning(lcHostAccess, "CloseItem of item handle %d answered error flag %d", int(m_itemHandle),
                  int(error));
}

QString itemString(AppItemManager *itemManager, std::int32_t itemHandle, VARIANT_BOOL shadow,
                   std::int32_t *error)
{
    BStr value;
    check(itemManager->GetItemString(itemHandle, value.put(), shadow, error));
    return value.toQString();
}

std::int64_t itemQuad(AppItemManager *itemManager, std::int32_t itemHandle, std::int32_t *error)
{
    std::int64_t value = 0;
    check(itemManager->GetItemQuad(itemHandle, &value, error));
    return value;
}

ObjectDefinition objectDefinition(AppItemManager *itemManager, BSTR name)
{
    static const ConstBStr objectSection(u"OBJECT");
    std::int32_t definition = 0;
    std::int32_t error = 0;
    check(deviceDescription(itemManager)->FindDefinition(objectSection.get(), name, &definition, &error));
    if (error != 0)
        return {};
    BStr enumerationName;
    std::int32_t size = 0;
    std::int32_t flags = 0;
    ObjectDefinition result;
    result.found = true;
    check(deviceDescription(itemManager)
              ->GetObjectDefinition(definition, result.typeName.put(), &size, &flags, &result.kind,
                                    enumerationName.put(), &result.error));
    return result;
}

} // namespace HostAccess
