// The component library as a host meets it: registered through its exported
// entry points, created through the hosting layer by programmatic identifier.
#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "contract/QuiravelAutomation.h"
#include "platform/ComPtr.h"
#include "platform/ComponentHost.h"
#include "platform/Registry.h"
#include "tests/support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

class Library
{
public:
    Library() : m_handle(dlopen(QUIRAVEL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    template<typename F> F *entry(const char *name) const
    {
        return reinterpret_cast<F *>(dlsym(m_handle, name));
    }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    void *m_handle;
};

QString registryValue(const char *key, const char *value)
{
    HKEY handle = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, key, &handle) != ERROR_SUCCESS)
        return QStringLiteral("<no key>");
    char buffer[512] = {};
    std::uint32_t size = sizeof buffer;
    std::uint32_t type = 0;
    const auto status =
        RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<std::uint8_t *>(buffer), &size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS ? QString::fromLatin1(buffer) : QStringLiteral("<no value>");
}

} // namespace

TEST(hosting_test, registered_library_creates_its_component_by_programmatic_identifier)
{
    QTemporaryDir dir;
    ScopedEnv env;
    env.set("QUIRAVEL_REGISTRY", QDir(dir.path()).filePath("registry.reg").toUtf8());
    Library library;
    ASSERT_TRUE(library) << dlerror();
    auto *registerServer = library.entry<HRESULT()>("DllRegisterServer");
    auto *unregisterServer = library.entry<HRESULT()>("DllUnregisterServer");
    auto *canUnloadNow = library.entry<HRESULT()>("DllCanUnloadNow");
    auto *getClassObject = library.entry<HRESULT(REFCLSID, REFIID, void **)>("DllGetClassObject");
    ASSERT_TRUE(registerServer && unregisterServer && canUnloadNow && getClassObject);
    // Only the four entry points leave the library; its own layers stay inside.
    EXPECT_EQ(library.entry<void>("SysAllocString"), nullptr);
    EXPECT_EQ(library.entry<void>("EnumEntryArrayCreate"), nullptr);

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(ProgID_clsQuiravel, &clsid), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_EQ(CLSIDFromProgID(ProgID_clsQuiravel, &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_clsQuiravel);

    const QByteArray key = "CLSID\\" + guidToString(CLSID_clsQuiravel).toLatin1() + "\\InprocServer32";
    EXPECT_EQ(registryValue(key.constData(), "ThreadingModel"), QString("Apartment"));
    EXPECT_EQ(QFileInfo(registryValue(key.constData(), nullptr)).canonicalFilePath(),
              QFileInfo(QUIRAVEL_LIBRARY_PATH).canonicalFilePath());

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
