// SPDX-License-Identifier: Apache-2.0
// The component library's exported entry points, with C linkage: what the
// component hosting and the registration tool look up by name.
#pragma once

#include "component/QuiravelExport.h"
#include "platform/ComTypes.h"

extern "C" {
QUIRAVEL_EXPORT HRESULT DllRegisterServer();
QUIRAVEL_EXPORT HRESULT DllUnregisterServer();
QUIRAVEL_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void **object);
QUIRAVEL_EXPORT HRESULT DllCanUnloadNow();
}
