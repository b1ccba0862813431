// The test component library: one counter class behind a static class
// factory; DllCanUnloadNow answers from the live objects and the locks.
#include "TestComponentExport.h"
#include "TestCounter.h"
#include "platform/ComObject.h"

#include <atomic>

namespace {

std::atomic<long> moduleLocks{0};

class Counter final : public ComObject<Counter, ITestCounter>
{
public:
    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return ComObject::queryOne<ITestCounter>(riid, object, {IID_ITestCounter});
    }

private:
    friend ComObject;
    ~Counter() = default;
};

class CounterFactory final : public IClassFactory
{
public:
    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ULONG(++moduleLocks); }
    ULONG Release() override { return ULONG(--moduleLocks); }
    HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **object) override
    {
        return outer ? CLASS_E_NOAGGREGATION : Counter::createInstance(riid, object);
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
    return clsid == CLSID_TestCounter ? factory.QueryInterface(riid, object) : CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" QUIRAVEL_EXPORT HRESULT DllCanUnloadNow()
{
    return ComModule::objectCount() == 0 && moduleLocks == 0 ? S_OK : S_FALSE;
}
