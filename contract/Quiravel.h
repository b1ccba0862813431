// SPDX-License-Identifier: Apache-2.0
// The component's own type library "Quiravel": class and interface
// identifiers and the interfaces it offers besides the host's View.
#pragma once

#include "platform/ComTypes.h"

// clang-format off
inline constexpr GUID LIBID_Quiravel =         {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x00, 0x01}};
inline constexpr CLSID CLSID_clsQuiravel =     {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x01, 0x01}};
inline constexpr CLSID CLSID_clsAlwaysView =   {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x01, 0x02}};
inline constexpr CLSID CLSID_clsEnum =         {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x01, 0x03}};
inline constexpr IID IID__clsQuiravel =        {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x02, 0x01}};
inline constexpr IID IID__clsAlwaysView =      {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x02, 0x02}};
inline constexpr IID IID__clsEnum =            {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x02, 0x03}};
// clang-format on

inline constexpr char16_t ProgID_clsQuiravel[] = u"Quiravel.clsQuiravel";

/// Default interface of clsQuiravel: the system information queries.
struct _clsQuiravel : IDispatch
{
    /// Slot 7. True (all bits set) on the NT platform.
    virtual HRESULT IsSystemNT(VARIANT_BOOL *result) = 0;
    /// Slot 8. Empty when the value is not found; the caller frees it.
    virtual HRESULT GetRegisteredOwner(BSTR *result) = 0;
    /// Slot 9. Empty when the value is not found; the caller frees it.
    virtual HRESULT GetRegisteredOrganization(BSTR *result) = 0;
};

/// Default interface of clsAlwaysView; no operations of its own.
struct _clsAlwaysView : IDispatch
{
};

/// Default interface of clsEnum; no operations of its own.
struct _clsEnum : IDispatch
{
};
