// SPDX-License-Identifier: Apache-2.0
// The item manager the component is handed: items opened, read and closed.
#pragma once

#include "host/HostObject_p.h"

class HostDeviceDescription;

class HostItemManager final : public HostObject<AppItemManager, IID_AppItemManager>
{
public:
    using HostObject::HostObject;
    ~HostItemManager() override;

    HRESULT ReleaseView(View *view, std::int32_t *error) override;
    HRESULT GetDeviceDescription(AppDeviceDescription **description) override;
    HRESULT GetFunctionControl(AppFunctionControl **control) override;
    HRESULT OpenItem(BSTR name, VARIANT_BOOL bShadow, std::int32_t viewHandle, std::int32_t *itemHandle,
                     std::int32_t reserved1, std::int32_t reserved2, std::int32_t *error) override;
    HRESULT CloseItem(VARIANT viewHandle, std::int32_t itemHandle, VARIANT_BOOL bShadow,
                      std::int32_t *error) override;
    HRESULT GetItemQuad(std::int32_t itemHandle, std::int64_t *value, std::int32_t *error) override;
    HRESULT GetItemLong(std::int32_t itemHandle, std::int32_t *value, std::int32_t *error) override;
    HRESULT GetItemString(std::int32_t itemHandle, BSTR *value, VARIANT_BOOL bShadow,
                          std::int32_t *error) override;

private:
    // The component takes a description for each of its lookups and drops
    // it right after; the one kept here is handed out again whenever the
    // component holds it no longer. A new one each time costs a tag of a
    // print file about 350 instructions more (15 %): the allocation and the
    // interlocked counts of the object and of the state it shares.
    HostDeviceDescription *m_spareDescription = nullptr;
};
