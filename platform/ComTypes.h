// SPDX-License-Identifier: Apache-2.0
// The binary conventions of the in-process component world, as the component
// and its hosts share them: result codes, 16-bit booleans, GUIDs, the
// length-prefixed BSTR, a small VARIANT and the IUnknown/IDispatch slots.
//
// Interfaces declared on top of these never have a virtual destructor, so
// that their virtual functions occupy exactly the slots they are declared in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

using HRESULT = std::int32_t;
using VARIANT_BOOL = std::int16_t;
using OLECHAR = char16_t;
using BSTR = OLECHAR *;
using LCID = std::uint32_t;
using LANGID = std::uint16_t;
using ULONG = std::uint32_t;
using DISPID = std::int32_t;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline constexpr VARIANT_BOOL toVariantBool(bool b) noexcept
{
    return b ? VARIANT_TRUE : VARIANT_FALSE;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_READREGDB = static_cast<HRESULT>(0x80040150u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
/// A file error of the text-file layer (path not found, access denied, disk full).
inline constexpr HRESULT CTL_E_FILEERROR = static_cast<HRESULT>(0x800A0039u);

inline constexpr bool FAILED(HRESULT hr) noexcept
{
    return hr < 0;
}
inline constexpr bool SUCCEEDED(HRESULT hr) noexcept
{
    return hr >= 0;
}

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID &a, const GUID &b) noexcept
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID &;
using REFCLSID = const CLSID &;

// BSTR: UTF-16 text preceded by its byte length (32 bits) and followed by a
// NUL; the pointer addresses the first character. A null BSTR is the empty
// text. Both sides of an interface allocate and free them with these.
extern "C" {
BSTR SysAllocString(const OLECHAR *text);
BSTR SysAllocStringLen(const OLECHAR *text, std::uint32_t length);
void SysFreeString(BSTR text);
std::uint32_t SysStringLen(BSTR text);
}

enum VARTYPE : std::uint16_t {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_BOOL = 11,
};

/// The subset of VARIANT that crosses the host contract.
struct VARIANT
{
    VARTYPE vt = VT_EMPTY;
    std::uint16_t reserved1 = 0, reserved2 = 0, reserved3 = 0;
    union {
        std::int32_t lVal;
        std::int16_t iVal;
        VARIANT_BOOL boolVal;
        double dblVal;
        BSTR bstrVal;
        std::int64_t llVal = 0;
    };
};

inline VARIANT variantFromLong(std::int32_t value) noexcept
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

/// One entry of an enumeration as the host hands it out.
struct EnumEntry
{
    std::int32_t value;
    BSTR text;
};

/// A one-dimensional array of enumeration entries with host-chosen bounds,
/// allocated with EnumEntryArrayCreate and freed (texts included) with
/// EnumEntryArrayDestroy.
struct EnumEntryArray
{
    std::int32_t lowerBound;
    std::uint32_t count;
    EnumEntry *entries;
};

extern "C" {
EnumEntryArray *EnumEntryArrayCreate(std::int32_t lowerBound, std::uint32_t count);
void EnumEntryArrayDestroy(EnumEntryArray *array);
}

struct IUnknown
{
    virtual HRESULT QueryInterface(REFIID riid, void **object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

/// The arguments of a named-dispatch call, positional ones in reverse order.
struct DISPPARAMS
{
    VARIANT *rgvarg = nullptr;
    DISPID *rgdispidNamedArgs = nullptr;
    std::uint32_t cArgs = 0;
    std::uint32_t cNamedArgs = 0;
};

/// How Invoke is asked to reach a member (flags, combined by late-bound callers).
inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
/// The id GetIDsOfNames gives a name it does not know.
inline constexpr DISPID DISPID_UNKNOWN = -1;

struct EXCEPINFO;
struct ITypeInfo;

struct IDispatch : IUnknown
{
    virtual HRESULT GetTypeInfoCount(std::uint32_t *count) = 0;
    virtual HRESULT GetTypeInfo(std::uint32_t index, LCID lcid, ITypeInfo **info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, OLECHAR **names, std::uint32_t count, LCID lcid,
                                  DISPID *ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, std::uint16_t flags, DISPPARAMS *params,
                           VARIANT *result, EXCEPINFO *exception, std::uint32_t *argError) = 0;
};

inline constexpr IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IClassFactory : IUnknown
{
    virtual HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **object) = 0;
    virtual HRESULT LockServer(std::int32_t lock) = 0;
};
