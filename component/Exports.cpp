// SPDX-License-Identifier: Apache-2.0
// The four entry points of the in-process component library. Nothing leaves
// them as an exception.
#include "Exports.h"

#include "ClassFactory.h"
#include "Module.h"
#include "contract/Quiravel.h"
#include "platform/ComponentHost.h"

extern "C" {

QUIRAVEL_EXPORT HRESULT DllRegisterServer()
{
    try {
        return ClassFactory::registerServer(
            ComponentHost::modulePathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

QUIRAVEL_EXPORT HRESULT DllUnregisterServer()
{
    try {
        return ClassFactory::unregisterServer();
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

QUIRAVEL_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    try {
        return ClassFactory::getClassObject(clsid, riid, object);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

QUIRAVEL_EXPORT HRESULT DllCanUnloadNow()
{
    return Module::canUnload() ? S_OK : S_FALSE;
}

} // extern "C"
