// SPDX-License-Identifier: Apache-2.0
#include "clsAlwaysView.h"

#include "platform/ComPtr.h"

namespace {
HRESULT answerZero(std::int32_t *result)
{
    if (result)
        *result = 0;
    return S_OK;
}
} // namespace

HRESULT clsAlwaysView::QueryInterface(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__clsAlwaysView)
        *object = static_cast<_clsAlwaysView *>(this);
    else if (riid == IID_View)
        *object = static_cast<View *>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT clsAlwaysView::SetAppletItemManagRef(std::int32_t, AppItemManager *anAppItemMngRef,
                                             std::int32_t *result)
{
    // Held for the length of the call only, as a View must while it looks.
    ComPtr<AppItemManager> held(anAppItemMngRef);
    return answerZero(result);
}

HRESULT clsAlwaysView::Show(std::int32_t *result)
{
    return answerZero(result);
}

HRESULT clsAlwaysView::Hide(std::int32_t *result)
{
    return answerZero(result);
}

HRESULT clsAlwaysView::Destroy(std::int32_t *result)
{
    return answerZero(result);
}

HRESULT clsAlwaysView::NotifyChanged(std::int32_t, VARIANT_BOOL, std::int32_t, std::int32_t,
                                     std::int32_t *result)
{
    return answerZero(result);
}
