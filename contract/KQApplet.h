// SPDX-License-Identifier: Apache-2.0
// The host's interfaces as the component calls them (type library KQApplet).
//
// Every operation sits at a fixed slot of its interface's table: slots 0 to 6
// are IUnknown and IDispatch, the host's own operations follow. Slots the
// component never calls are declared as reserved so that the listed
// operations land exactly where a host compiled elsewhere put them; a host
// that has nothing there may leave the default (E_NOTIMPL).
//
// Every host operation returns a status; its last out argument is the host's
// error flag (0 = success, anything else an ordinary "not found" answer).
#pragma once

#include "platform/ComTypes.h"

struct View;
struct AppDeviceDescription;
struct AppFunctionControl;

#define QUIRAVEL_RESERVED_SLOT(n)                                                                            \
    virtual HRESULT reserved##n()                                                                            \
    {                                                                                                        \
        return E_NOTIMPL;                                                                                    \
    }

struct AppItemManager : IDispatch
{
    QUIRAVEL_RESERVED_SLOT(7)
    QUIRAVEL_RESERVED_SLOT(8)
    QUIRAVEL_RESERVED_SLOT(9)
    QUIRAVEL_RESERVED_SLOT(10)
    QUIRAVEL_RESERVED_SLOT(11)
    QUIRAVEL_RESERVED_SLOT(12)
    QUIRAVEL_RESERVED_SLOT(13)
    /// Slot 14. The component calls it once, when its window unloads.
    virtual HRESULT ReleaseView(View *view, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(15)
    /// Slot 16. A new reference for each call; the caller releases it.
    virtual HRESULT GetDeviceDescription(AppDeviceDescription **description) = 0;
    /// Slot 17. A new reference for each call; the caller releases it.
    virtual HRESULT GetFunctionControl(AppFunctionControl **control) = 0;
    /// Slot 18. `reserved1` and `reserved2` are always 0.
    virtual HRESULT OpenItem(BSTR name, VARIANT_BOOL bShadow, std::int32_t viewHandle,
                             std::int32_t *itemHandle, std::int32_t reserved1, std::int32_t reserved2,
                             std::int32_t *error) = 0;
    /// Slot 19. `viewHandle` holds a VT_I4.
    virtual HRESULT CloseItem(VARIANT viewHandle, std::int32_t itemHandle, VARIANT_BOOL bShadow,
                              std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(20)
    /// Slot 21. The item's raw 8 bytes.
    virtual HRESULT GetItemQuad(std::int32_t itemHandle, std::int64_t *value, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(22)
    QUIRAVEL_RESERVED_SLOT(23)
    QUIRAVEL_RESERVED_SLOT(24)
    /// Slot 25.
    virtual HRESULT GetItemLong(std::int32_t itemHandle, std::int32_t *value, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(26)
    QUIRAVEL_RESERVED_SLOT(27)
    QUIRAVEL_RESERVED_SLOT(28)
    QUIRAVEL_RESERVED_SLOT(29)
    QUIRAVEL_RESERVED_SLOT(30)
    QUIRAVEL_RESERVED_SLOT(31)
    QUIRAVEL_RESERVED_SLOT(32)
    QUIRAVEL_RESERVED_SLOT(33)
    QUIRAVEL_RESERVED_SLOT(34)
    QUIRAVEL_RESERVED_SLOT(35)
    QUIRAVEL_RESERVED_SLOT(36)
    QUIRAVEL_RESERVED_SLOT(37)
    QUIRAVEL_RESERVED_SLOT(38)
    QUIRAVEL_RESERVED_SLOT(39)
    QUIRAVEL_RESERVED_SLOT(40)
    QUIRAVEL_RESERVED_SLOT(41)
    QUIRAVEL_RESERVED_SLOT(42)
    QUIRAVEL_RESERVED_SLOT(43)
    QUIRAVEL_RESERVED_SLOT(44)
    QUIRAVEL_RESERVED_SLOT(45)
    QUIRAVEL_RESERVED_SLOT(46)
    QUIRAVEL_RESERVED_SLOT(47)
    QUIRAVEL_RESERVED_SLOT(48)
    QUIRAVEL_RESERVED_SLOT(49)
    QUIRAVEL_RESERVED_SLOT(50)
    QUIRAVEL_RESERVED_SLOT(51)
    QUIRAVEL_RESERVED_SLOT(52)
    QUIRAVEL_RESERVED_SLOT(53)
    QUIRAVEL_RESERVED_SLOT(54)
    QUIRAVEL_RESERVED_SLOT(55)
    QUIRAVEL_RESERVED_SLOT(56)
    /// Slot 57. The caller frees `value`.
    virtual HRESULT GetItemString(std::int32_t itemHandle, BSTR *value, VARIANT_BOOL bShadow,
                                  std::int32_t *error) = 0;
};

struct AppDeviceDescription : IDispatch
{
    QUIRAVEL_RESERVED_SLOT(7)
    QUIRAVEL_RESERVED_SLOT(8)
    /// Slot 9.
    virtual HRESULT GetDeviceEntry(BSTR key, BSTR *value, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(10)
    /// Slot 11.
    virtual HRESULT GetSettingEntry(BSTR key, BSTR *value, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(12)
    QUIRAVEL_RESERVED_SLOT(13)
    QUIRAVEL_RESERVED_SLOT(14)
    QUIRAVEL_RESERVED_SLOT(15)
    QUIRAVEL_RESERVED_SLOT(16)
    QUIRAVEL_RESERVED_SLOT(17)
    /// Slot 18.
    virtual HRESULT GetSectionCount(BSTR section, std::int32_t *count, std::int32_t *error) = 0;
    /// Slot 19.
    virtual HRESULT GetFirstEntry(BSTR section, std::int32_t *position, std::int32_t *error) = 0;
    /// Slot 20. Advances `position`.
    virtual HRESULT GetNextEntry(std::int32_t *position, std::int32_t *error) = 0;
    /// Slot 21.
    virtual HRESULT FindDefinition(BSTR section, BSTR name, std::int32_t *definition,
                                   std::int32_t *error) = 0;
    /// Slot 22.
    virtual HRESULT GetEntryName(std::int32_t position, BSTR *name, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(23)
    QUIRAVEL_RESERVED_SLOT(24)
    /// Slot 25. Kind 4 is an enumeration.
    virtual HRESULT GetObjectDefinition(std::int32_t definition, BSTR *typeName, std::int32_t *size,
                                        std::int32_t *flags, std::int32_t *kind, BSTR *enumerationName,
                                        std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(26)
    QUIRAVEL_RESERVED_SLOT(27)
    QUIRAVEL_RESERVED_SLOT(28)
    /// Slot 29. `name` is in/out; the caller frees `*entries` with EnumEntryArrayDestroy.
    virtual HRESULT GetEnumerationEntries(std::int32_t definition, BSTR *name, EnumEntryArray **entries,
                                          std::int32_t *error) = 0;
};

struct AppFunctionControl : IDispatch
{
    QUIRAVEL_RESERVED_SLOT(7)
    QUIRAVEL_RESERVED_SLOT(8)
    QUIRAVEL_RESERVED_SLOT(9)
    QUIRAVEL_RESERVED_SLOT(10)
    QUIRAVEL_RESERVED_SLOT(11)
    QUIRAVEL_RESERVED_SLOT(12)
    QUIRAVEL_RESERVED_SLOT(13)
    QUIRAVEL_RESERVED_SLOT(14)
    QUIRAVEL_RESERVED_SLOT(15)
    QUIRAVEL_RESERVED_SLOT(16)
    /// Slot 17. May return before the function has finished.
    virtual HRESULT StartFunction(BSTR name, std::int32_t *error) = 0;
    QUIRAVEL_RESERVED_SLOT(18)
    /// Slot 19. Returns once the database data are in the application data set.
    virtual HRESULT LoadDatabase(std::int32_t argument, std::int32_t *error) = 0;
};

#undef QUIRAVEL_RESERVED_SLOT

/// The host's view interface, implemented by the component. Each operation
/// hands back a 32-bit result besides its status.
struct View : IDispatch
{
    /// Slot 7.
    virtual HRESULT SetAppletItemManagRef(std::int32_t aViewHandle, AppItemManager *anAppItemMngRef,
                                          std::int32_t *result) = 0;
    /// Slot 8.
    virtual HRESULT Show(std::int32_t *result) = 0;
    /// Slot 9.
    virtual HRESULT Hide(std::int32_t *result) = 0;
    /// Slot 10.
    virtual HRESULT Destroy(std::int32_t *result) = 0;
    /// Slot 11.
    virtual HRESULT NotifyChanged(std::int32_t curAppletItemHandle, VARIANT_BOOL bShadow, std::int32_t lState,
                                  std::int32_t lUserLong, std::int32_t *result) = 0;
};

// clang-format off
inline constexpr IID IID_View =                 {0x5C1B7E20, 0x3A41, 0x4E8D, {0x9B, 0x11, 0x6F, 0x20, 0xA4, 0x7D, 0x01, 0x01}};
inline constexpr IID IID_AppItemManager =       {0x5C1B7E20, 0x3A41, 0x4E8D, {0x9B, 0x11, 0x6F, 0x20, 0xA4, 0x7D, 0x01, 0x02}};
inline constexpr IID IID_AppDeviceDescription = {0x5C1B7E20, 0x3A41, 0x4E8D, {0x9B, 0x11, 0x6F, 0x20, 0xA4, 0x7D, 0x01, 0x03}};
inline constexpr IID IID_AppFunctionControl =   {0x5C1B7E20, 0x3A41, 0x4E8D, {0x9B, 0x11, 0x6F, 0x20, 0xA4, 0x7D, 0x01, 0x04}};
// clang-format on
