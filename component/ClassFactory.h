// SPDX-License-Identifier: Apache-2.0
// The library's class factory and self-registration, behind its exported
// entry points.
#pragma once

#include "platform/ComTypes.h"

#include <QString>

namespace ClassFactory {
/// The factory of clsQuiravel, the only class creatable from outside;
/// CLASS_E_CLASSNOTAVAILABLE for any other class id.
HRESULT getClassObject(REFCLSID clsid, REFIID riid, void **object);
/// Registers the type library and its three classes for `libraryPath`.
HRESULT registerServer(const QString &libraryPath);
HRESULT unregisterServer();
} // namespace ClassFactory
