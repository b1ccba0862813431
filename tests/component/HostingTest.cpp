// The component library as a host meets it: registered through its exported
// entry points, created through the hosting layer by programmatic identifier.
// (Registration as a tool does it, and the registered path, are proven by the
// frame's end-to-end runs.)
#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "contract/QuiravelAutomation.h"
#include "platform/ComPtr.h"
#include "platform/ComponentHost.h"
#include "tests/support/ScopedEnv.h"

#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <memory>

TEST(hosting_test, registered_library_creates_its_component_by_programmatic_identifier)
{
    QTemporaryDir dir;
    ScopedEnv env("QUIRAVEL_REGISTRY", dir.filePath("registry.reg").toUtf8());
    const std::unique_ptr<void, int (*)(void *)> library(dlopen(QUIRAVEL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL),
                                                         dlclose);
    ASSERT_TRUE(library) << dlerror();
    const auto entry = [&](const char *name) { return dlsym(library.get(), name); };
    auto *registerServer = reinterpret_cast<HRESULT (*)()>(entry("DllRegisterServer"));
    auto *unregisterServer = reinterpret_cast<HRESULT (*)()>(entry("DllUnregisterServer"));
    auto *canUnloadNow = reinterpret_cast<HRESULT (*)()>(entry("DllCanUnloadNow"));
    auto *getClassObject =
        reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void **)>(entry("DllGetClassObject"));
    ASSERT_TRUE(registerServer && unregisterServer && canUnloadNow && getClassObject);
    // Only the four entry points leave the library; its own layers stay inside.
    EXPECT_EQ(entry("SysAllocString"), nullptr);
    EXPECT_EQ(entry("EnumEntryArrayCreate"), nullptr);

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(ProgID_clsQuiravel, &clsid), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_EQ(CLSIDFromProgID(ProgID_clsQuiravel, &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_clsQuiravel);

    EXPECT_EQ(canUnloadNow(), S_OK);
    {
        ComPtr<View> view;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_View, view.putVoid()), S_OK);
        ComPtr<IQuiravelAutomation> automation = view.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
        EXPECT_TRUE(automation);
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";
        automation.reset();
        EXPECT_EQ(view.detach()->Release(), 0u);
    }
    EXPECT_EQ(canUnloadNow(), S_OK);

    // Only clsQuiravel is creatable from outside.
    ComPtr<IClassFactory> factory;
    for (const CLSID &other : {CLSID_clsAlwaysView, CLSID_clsEnum}) {
        EXPECT_EQ(getClassObject(other, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_FALSE(factory);
    }
    ASSERT_EQ(getClassObject(CLSID_clsQuiravel, IID_IClassFactory, factory.putVoid()), S_OK);
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
    factory.reset();

    ASSERT_EQ(unregisterServer(), S_OK);
    ComPtr<View> view;
    EXPECT_EQ(CoCreateInstance(CLSID_clsQuiravel, nullptr, IID_View, view.putVoid()), REGDB_E_CLASSNOTREG);
}
