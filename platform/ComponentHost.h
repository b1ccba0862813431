// SPDX-License-Identifier: Apache-2.0
// Component-hosting stand-in: registration of in-process classes in the
// registry stand-in and their creation by class id or programmatic
// identifier, by loading the registered library and asking its class
// factory, as the platform's own hosting does.
//
// Registration layout (HKEY_CLASSES_ROOT):
//   CLSID\{clsid}                      default = class name
//   CLSID\{clsid}\InprocServer32       default = library path, ThreadingModel = "Apartment"
//   CLSID\{clsid}\ProgID               default = programmatic identifier
//   <ProgID>\CLSID                     default = {clsid}
//   TypeLib\{libid}\1.0                default = library name
#pragma once

#include "ComTypes.h"

#include <QString>

/// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
QString guidToString(const GUID &guid);
/// False for malformed text.
bool guidFromString(const QString &text, GUID *guid);

/// The class id registered for a programmatic identifier.
HRESULT CLSIDFromProgID(const OLECHAR *progId, CLSID *clsid);

/// Creates an instance of a registered in-process class. REGDB_E_CLASSNOTREG
/// when the class is not registered, REGDB_E_READREGDB when the registry
/// cannot be read, E_FAIL when its library cannot be loaded or lacks
/// DllGetClassObject.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, REFIID riid, void **object);

/// Asks every library loaded by CoCreateInstance whether it can be unloaded
/// (DllCanUnloadNow) and unloads those that answer S_OK.
void CoFreeUnusedLibraries();

namespace ComponentHost {
/// CoCreateInstance by programmatic identifier that says why it failed, as
/// one line: the registry file that cannot be read and why
/// (REGDB_E_READREGDB), the identifier or class not registered in the named
/// registry file (REGDB_E_CLASSNOTREG), or the registered library that
/// cannot be loaded with the loader's message (E_FAIL).
HRESULT createInstance(const QString &progId, REFIID riid, void **object, QString *error);

/// Writes the keys above for one class (creatable or not), all or none.
HRESULT registerClass(const CLSID &clsid, const QString &className, const QString &libraryPath,
                      const QString &progId, const QString &threadingModel);
HRESULT unregisterClass(const CLSID &clsid, const QString &progId);
HRESULT registerTypeLib(const GUID &libid, const QString &name, const QString &libraryPath);
HRESULT unregisterTypeLib(const GUID &libid);
/// The path of the shared library that holds `address` (for self-registration).
QString modulePathOf(const void *address);
} // namespace ComponentHost
