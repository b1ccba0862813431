// SPDX-License-Identifier: Apache-2.0
// Reference counting and the module's count of live objects, shared by every
// COM-style object of a module; the named-dispatch slots for the objects
// whose interfaces derive from IDispatch. The object's own class supplies
// QueryInterface (an explicit table of interface ids) and the interfaces'
// operations.
#pragma once

#include "ComTypes.h"

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <new>
#include <utility>

namespace ComModule {
/// The objects of this module that are alive, which DllCanUnloadNow answers
/// from. Symbols are hidden, so each library and program keeps its own.
inline std::atomic<int> &objectCount() noexcept
{
    static std::atomic<int> count{0};
    return count;
}
} // namespace ComModule

template<typename Derived, typename... Interfaces> class ComObject : public Interfaces...
{
public:
    ComObject(const ComObject &) = delete;
    ComObject &operator=(const ComObject &) = delete;

    ULONG AddRef() override { return ++m_refCount; }
    ULONG Release() override
    {
        const ULONG count = --m_refCount;
        if (count == 0)
            static_cast<Derived *>(this)->lastReleased();
        return count;
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
    ComObject() noexcept { ++ComModule::objectCount(); }

    /// QueryInterface of an object that offers one interface: IUnknown and
    /// each of `ids` answer its `Interface`.
    template<typename Interface> HRESULT queryOne(REFIID riid, void **object, std::initializer_list<IID> ids)
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && std::find(ids.begin(), ids.end(), riid) == ids.end())
            return E_NOINTERFACE;
        *object = static_cast<Interface *>(static_cast<Derived *>(this));
        AddRef();
        return S_OK;
    }
    ~ComObject() { --ComModule::objectCount(); }

    /// The last reference is gone; a class that keeps its objects for
    /// reuse hides this.
    void lastReleased() { delete static_cast<Derived *>(this); }
    /// Hands the object out again after its last reference went; nothing
    /// else holds it, so no interlocked operation is needed.
    void revive() { m_refCount.store(1, std::memory_order_relaxed); }

private:
    std::atomic<ULONG> m_refCount{1};
};

/// A ComObject whose interfaces derive from IDispatch: objects are bound
/// early by their callers, so named dispatch is not offered.
template<typename Derived, typename... Interfaces>
class ComDispatchObject : public ComObject<Derived, Interfaces...>
{
public:
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

protected:
    ComDispatchObject() = default;
    ~ComDispatchObject() = default;
};
