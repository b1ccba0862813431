// SPDX-License-Identifier: Apache-2.0
#include "ClassFactory.h"

#include "Module.h"
#include "clsQuiravel.h"
#include "contract/Quiravel.h"
#include "platform/ComponentHost.h"
#include "platform/Registry.h"

namespace {

const QString kApartment = QStringLiteral("Apartment");
const QString kProgId = QString::fromUtf16(ProgID_clsQuiravel);

/// A static object: its reference count does not decide its life, server
/// locks do (through the module count).
class QuiravelFactory final : public IClassFactory
{
public:
    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!(riid == IID_IUnknown || riid == IID_IClassFactory))
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return clsQuiravel::create(riid, object);
    }
    HRESULT LockServer(std::int32_t lock) override
    {
        Module::lockServer(lock != 0);
        return S_OK;
    }
};

QuiravelFactory factory;

} // namespace

namespace ClassFactory {

HRESULT getClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid == CLSID_clsQuiravel)
        return factory.QueryInterface(riid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT registerServer(const QString &libraryPath)
{
    if (libraryPath.isEmpty())
        return SELFREG_E_CLASS;
    // One change of the registry: no other registration comes between its
    // keys, and a failure leaves none of them.
    Registry::Transaction transaction;
    // Without the lock, each key would wait for it on its own and some
    // might get it: nothing is written instead.
    if (!transaction.isValid())
        return SELFREG_E_CLASS;
    for (HRESULT hr : {
             ComponentHost::registerTypeLib(LIBID_Quiravel, QStringLiteral("Quiravel"), libraryPath),
             ComponentHost::registerClass(CLSID_clsQuiravel, QStringLiteral("clsQuiravel"), libraryPath,
                                          kProgId, kApartment),
             // Not creatable from outside, but known to the system as the library's classes.
             ComponentHost::registerClass(CLSID_clsAlwaysView, QStringLiteral("clsAlwaysView"), libraryPath,
                                          {}, kApartment),
             ComponentHost::registerClass(CLSID_clsEnum, QStringLiteral("clsEnum"), libraryPath, {},
                                          kApartment),
         }) {
        if (FAILED(hr))
            return SELFREG_E_CLASS;
    }
    return transaction.commit() ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterServer()
{
    HRESULT result = S_OK;
    Registry::Transaction transaction;
    if (!transaction.isValid())
        return SELFREG_E_CLASS;
    for (HRESULT hr : {
             ComponentHost::unregisterClass(CLSID_clsQuiravel, kProgId),
             ComponentHost::unregisterClass(CLSID_clsAlwaysView, {}),
             ComponentHost::unregisterClass(CLSID_clsEnum, {}),
             ComponentHost::unregisterTypeLib(LIBID_Quiravel),
         }) {
        if (FAILED(hr))
            result = SELFREG_E_CLASS;
    }
    return SUCCEEDED(result) && transaction.commit() ? S_OK : SELFREG_E_CLASS;
}

} // namespace ClassFactory
