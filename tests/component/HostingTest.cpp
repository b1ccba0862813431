// SPDX-License-Identifier: Apache-2.0
// The component library as a host meets it: through its exported entry
// points only. (Registration, and creation by programmatic identifier, are
// proven by the frame's end-to-end runs with the registration tool.)
#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "contract/QuiravelAutomation.h"
#include "platform/ComPtr.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <memory>

TEST(hosting_test, only_the_entry_points_are_exported_and_the_library_can_unload_only_when_nothing_is_alive)
{
    const std::unique_ptr<void, int (*)(void *)> library(dlopen(QUIRAVEL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL),
                                                         dlclose);
    ASSERT_TRUE(library) << dlerror();
    const auto entry = [&](const char *name) { return dlsym(library.get(), name); };
    auto *canUnloadNow = reinterpret_cast<HRESULT (*)()>(entry("DllCanUnloadNow"));
    auto *getClassObject =
        reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void **)>(entry("DllGetClassObject"));
    ASSERT_TRUE(entry("DllRegisterServer") && entry("DllUnregisterServer") && canUnloadNow && getClassObject);
    // Its own layers stay inside.
    EXPECT_EQ(entry("SysAllocString"), nullptr);
    EXPECT_EQ(entry("EnumEntryArrayCreate"), nullptr);

    // Only clsQuiravel is creatable from outside.
    ComPtr<IClassFactory> factory;
    for (const CLSID &other : {CLSID_clsAlwaysView, CLSID_clsEnum}) {
        EXPECT_EQ(getClassObject(other, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_FALSE(factory);
    }
    ASSERT_EQ(getClassObject(CLSID_clsQuiravel, IID_IClassFactory, factory.putVoid()), S_OK);
    EXPECT_EQ(canUnloadNow(), S_OK) << "a factory alone holds nothing";
    {
        ComPtr<View> view;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_View, view.putVoid()), S_OK);
        ComPtr<IQuiravelAutomation> automation = view.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
        EXPECT_TRUE(automation);
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";
        automation.reset();
        EXPECT_EQ(view.detach()->Release(), 0u);
    }
    EXPECT_EQ(canUnloadNow(), S_OK);

    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown *>(factory.get()), IID_IUnknown,
                                      aggregated.putVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_AppItemManager, aggregated.putVoid()), E_NOINTERFACE);
    EXPECT_EQ(canUnloadNow(), S_OK) << "a failed query left an object behind";
    factory->LockServer(1);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a lock is held";
    factory->LockServer(0);
    EXPECT_EQ(canUnloadNow(), S_OK);
}
