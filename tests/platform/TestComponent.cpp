// The test component library: one counter class behind a static class
// factory; DllCanUnloadNow answers from the live objects and the locks.
#include "TestComponentExport.h"
#include "TestCounter.h"
#include "platform/ComObject.h"

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

class Counter final : public ComObject<Counter, ITestCounter>
{
public:
    Counter() : m_serial(++countersMade) {}

    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return ComObject::queryOne<ITestCounter>(riid, object, {IID_ITestCounter});
    }
    HRESULT GetSerial(std::int32_t *serial) override
    {
        if (!serial)
            return E_POINTER;
        *serial = m_serial;
        return S_OK;
    }

private:
    friend ComObject;
    ~Counter() = default;

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
        return Counter::createInstance(riid, object);
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
    return ComModule::objectCount() == 0 && moduleLocks == 0 ? S_OK : S_FALSE;
}
