// The test component library: one counter class behind a static class
// factory, and the module lock count that DllCanUnloadNow answers from.
#include "TestComponentExport.h"
#include "TestCounter.h"

#include <atomic>

namespace {

std::atomic<long> moduleLocks{0};
std::int32_t countersMade = 0;

template<typename Interface> HRESULT queryOne(Interface *self, REFIID asked, REFIID own, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (asked != IID_IUnknown && asked != own)
        return E_NOINTERFACE;
    *object = self;
    self->AddRef();
    return S_OK;
}

class Counter final : public ITestCounter
{
public:
    Counter() : m_serial(++countersMade) { ++moduleLocks; }

    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return queryOne<ITestCounter>(this, riid, IID_ITestCounter, object);
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    HRESULT GetSerial(std::int32_t *serial) override
    {
        if (!serial)
            return E_POINTER;
        *serial = m_serial;
        return S_OK;
    }

private:
    ~Counter() { --moduleLocks; }

    std::atomic<ULONG> m_refs{1};
    std::int32_t m_serial;
};

class CounterFactory final : public IClassFactory
{
public:
    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return queryOne<IClassFactory>(this, riid, IID_IClassFactory, object);
    }
    ULONG AddRef() override { return ULONG(++moduleLocks); }
    ULONG Release() override { return ULONG(--moduleLocks); }
    HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto *counter = new Counter;
        const HRESULT hr = counter->QueryInterface(riid, object);
        counter->Release();
        return hr;
    }
    HRESULT LockServer(std::int32_t lock) override
    {
        lock ? ++moduleLocks : --moduleLocks;
        return S_OK;
    }
};

CounterFactory factory;

} // namespace

extern "C" QUIRAVEL_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return clsid == CLSID_TestCounter ? factory.QueryInterface(riid, object) : CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" QUIRAVEL_EXPORT HRESULT DllCanUnloadNow()
{
    return moduleLocks == 0 ? S_OK : S_FALSE;
}
