// SPDX-License-Identifier: Apache-2.0
// Compiles against every installed header, allocates through the installed
// BSTR allocator and finds the component's entry points in the installed
// library by the path the package names.
#include <contract/KQApplet.h>
#include <contract/Quiravel.h>
#include <contract/QuiravelAutomation.h>
#include <platform/ComPtr.h>

#include <cstdio>
#include <dlfcn.h>

int main()
{
    BSTR progId = SysAllocString(ProgID_clsQuiravel);
    const bool allocated = progId && SysStringLen(progId) == 20;
    SysFreeString(progId);
    ComPtr<IQuiravelAutomation> automation;
    void *library = dlopen(QUIRAVEL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::printf("consumer: %s\n", dlerror());
        return 1;
    }
    const bool found = dlsym(library, "DllGetClassObject") && dlsym(library, "DllCanUnloadNow");
    dlclose(library);
    std::printf("consumer: allocated %d, entry points %d\n", allocated, found);
    return allocated && found && !automation ? 0 : 1;
}
