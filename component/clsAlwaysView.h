// SPDX-License-Identifier: Apache-2.0
// A second View of the component: no window and no behaviour; it accepts
// every call of the host and answers 0. Not creatable from outside.
#pragma once

#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "platform/ComObject.h"

class clsAlwaysView final : public ComDispatchObject<clsAlwaysView, _clsAlwaysView, View>
{
public:
    static HRESULT create(REFIID riid, void **object) { return createInstance(riid, object); }

    HRESULT QueryInterface(REFIID riid, void **object) override;

    HRESULT SetAppletItemManagRef(std::int32_t aViewHandle, AppItemManager *anAppItemMngRef,
                                  std::int32_t *result) override;
    HRESULT Show(std::int32_t *result) override;
    HRESULT Hide(std::int32_t *result) override;
    HRESULT Destroy(std::int32_t *result) override;
    HRESULT NotifyChanged(std::int32_t curAppletItemHandle, VARIANT_BOOL bShadow, std::int32_t lState,
                          std::int32_t lUserLong, std::int32_t *result) override;

private:
    friend ComObject;
    clsAlwaysView() = default;
    ~clsAlwaysView() = default;
};
