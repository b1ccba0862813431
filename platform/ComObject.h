// Reference counting and the named-dispatch slots shared by the COM-style
// objects: the object's own class supplies QueryInterface (an explicit table
// of interface ids) and the interfaces' operations.
#pragma once

#include "ComTypes.h"

#include <atomic>
#include <new>
#include <utility>

template<typename Derived, typename... Interfaces> class ComObject : public Interfaces...
{
public:
    ULONG AddRef() override { return ++m_refCount; }
    ULONG Release() override
    {
        const ULONG count = --m_refCount;
        if (count == 0)
            delete static_cast<Derived *>(this);
        return count;
    }

    // Objects are bound early by their callers; named dispatch is not offered.
    HRESULT GetTypeInfoCount(std::uint32_t *count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo **info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, OLECHAR **, std::uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                   std::uint32_t *) override
    {
        return E_NOTIMPL;
    }

    /// Creates an object and queries `riid` from it; the construction
    /// reference is dropped, so a failed query leaves nothing behind.
    template<typename... Args> static HRESULT createInstance(REFIID riid, void **object, Args &&...args)
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        auto *instance = new (std::nothrow) Derived(std::forward<Args>(args)...);
        if (!instance)
            return E_OUTOFMEMORY;
        const HRESULT hr = instance->QueryInterface(riid, object);
        instance->Release();
        return hr;
    }

protected:
    ComObject() = default;
    ~ComObject() = default;

private:
    std::atomic<ULONG> m_refCount{1};
};
