// SPDX-License-Identifier: Apache-2.0
// The test component library: one class behind a class factory;
// DllCanUnloadNow answers from the live objects (factories included) and the
// server locks.
#include "TestComponentExport.h"
#include "TestCounter.h"
#include "platform/ComObject.h"

#include <atomic>

namespace {

std::atomic<long> serverLocks{0};

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

class CounterFactory final : public ComObject<CounterFactory, IClassFactory>
{
public:
    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return ComObject::queryOne<IClassFactory>(riid, object, {IID_IClassFactory});
    }
    HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **object) override
    {
        return outer ? CLASS_E_NOAGGREGATION : Counter::createInstance(riid, object);
    }
    HRESULT LockServer(std::int32_t lock) override
    {
        lock ? ++serverLocks : --serverLocks;
        return S_OK;
    }

private:
    friend ComObject;
    ~CounterFactory() = default;
};

} // namespace

extern "C" QUIRAVEL_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    return clsid == CLSID_TestCounter ? CounterFactory::createInstance(riid, object)
                                      : CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" QUIRAVEL_EXPORT HRESULT DllCanUnloadNow()
{
    return ComModule::objectCount() == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}
