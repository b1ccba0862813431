#include "platform/ComponentHost.h"
#include "TestCounter.h"
#include "platform/ComPtr.h"
#include "platform/Registry.h"
#include "tests/support/ScopedEnv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kProgId = QStringLiteral("QuiravelTest.Counter");
const GUID kLibId = {0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00}};

class component_host_test : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_env.set("QUIRAVEL_REGISTRY", m_dir.filePath(QStringLiteral("registry.reg")).toLocal8Bit());
    }

    void registerCounter(const QString &library = QStringLiteral(PLATFORM_TEST_COMPONENT))
    {
        ASSERT_EQ(ComponentHost::registerClass(CLSID_TestCounter, QStringLiteral("Counter"), library, kProgId,
                                               QStringLiteral("Apartment")),
                  S_OK);
    }

    static ComPtr<ITestCounter> create()
    {
        ComPtr<ITestCounter> counter;
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, IID_ITestCounter, counter.putVoid()), S_OK);
        return counter;
    }

    static std::int32_t serialOf(const ComPtr<ITestCounter> &counter)
    {
        std::int32_t serial = -1;
        EXPECT_EQ(counter->GetSerial(&serial), S_OK);
        return serial;
    }

    QTemporaryDir m_dir;
    ScopedEnv m_env;
};

QString valueOf(const char *path, const char *name = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, path, &key) != ERROR_SUCCESS)
        return {};
    char buffer[512] = {};
    std::uint32_t size = sizeof buffer;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<std::uint8_t *>(buffer), &size);
    RegCloseKey(key);
    return QString::fromLatin1(buffer);
}

} // namespace

TEST(guid_test, text_form_round_trips_and_rejects_malformed_text)
{
    EXPECT_EQ(guidToString(CLSID_TestCounter), QStringLiteral("{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4}"));
    GUID guid{};
    ASSERT_TRUE(guidFromString(QStringLiteral("{2f8d4e61-0b7a-4c3e-9a15-d2603b8f71c4}"), &guid));
    EXPECT_EQ(guid, CLSID_TestCounter);
    ASSERT_TRUE(guidFromString(QStringLiteral("00020400-0000-0000-C000-000000000046"), &guid));
    EXPECT_EQ(guid, IID_IDispatch);
    for (const char *bad :
         {"", "{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4", "{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71CG}",
          "{2F8D4E61+0B7A-4C3E-9A15-D2603B8F71C4}"})
        EXPECT_FALSE(guidFromString(QString::fromLatin1(bad), &guid)) << bad;
}

TEST_F(component_host_test, registration_writes_the_class_keys)
{
    registerCounter();
    ASSERT_EQ(
        ComponentHost::registerTypeLib(kLibId, QStringLiteral("QuiravelTest"), QStringLiteral("/lib/x.so")),
        S_OK);
    const char *const inproc = "CLSID\\{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4}\\InprocServer32";
    EXPECT_EQ(valueOf("CLSID\\{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4}"), QStringLiteral("Counter"));
    EXPECT_EQ(valueOf(inproc), QStringLiteral(PLATFORM_TEST_COMPONENT));
    EXPECT_EQ(valueOf(inproc, "ThreadingModel"), QStringLiteral("Apartment"));
    EXPECT_EQ(valueOf("CLSID\\{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4}\\ProgID"), kProgId);
    EXPECT_EQ(valueOf("QuiravelTest.Counter\\CLSID"),
              QStringLiteral("{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4}"));
    EXPECT_EQ(valueOf("TypeLib\\{11223344-5566-7788-99AA-BBCCDDEEFF00}\\1.0"),
              QStringLiteral("QuiravelTest"));

    EXPECT_EQ(ComponentHost::unregisterClass(CLSID_TestCounter, kProgId), S_OK);
    EXPECT_EQ(ComponentHost::unregisterTypeLib(kLibId), S_OK);
    EXPECT_EQ(valueOf("CLSID\\{2F8D4E61-0B7A-4C3E-9A15-D2603B8F71C4}"), QString());
    EXPECT_EQ(valueOf("QuiravelTest.Counter\\CLSID"), QString());
    EXPECT_EQ(valueOf("TypeLib\\{11223344-5566-7788-99AA-BBCCDDEEFF00}\\1.0"), QString());
}

TEST_F(component_host_test, creates_by_class_id_and_by_programmatic_identifier)
{
    registerCounter();
    ComPtr<ITestCounter> byClsid = create();
    ASSERT_TRUE(byClsid);

    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(reinterpret_cast<const OLECHAR *>(kProgId.utf16()), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCounter);
    ComPtr<IUnknown> byProgId;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, byProgId.putVoid()), S_OK);
    ComPtr<ITestCounter> second = byProgId.query<ITestCounter>(IID_ITestCounter);
    ASSERT_TRUE(second);
    // Both objects come from the one loaded copy of the library.
    EXPECT_EQ(serialOf(second), serialOf(byClsid) + 1);
    const void *vtable = *reinterpret_cast<void *const *>(second.get());
    EXPECT_EQ(ComponentHost::modulePathOf(vtable),
              QFileInfo(QStringLiteral(PLATFORM_TEST_COMPONENT)).absoluteFilePath());

    byProgId = nullptr;
    EXPECT_EQ(second.detach()->Release(), 0u);
    EXPECT_EQ(byClsid.detach()->Release(), 0u);
}

TEST_F(component_host_test, failures_of_creation)
{
    ComPtr<IUnknown> object;
    const auto createUnknown = [&](IUnknown *outer = nullptr) {
        return CoCreateInstance(CLSID_TestCounter, outer, IID_IUnknown, object.putVoid());
    };
    EXPECT_EQ(createUnknown(), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(object);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(reinterpret_cast<const OLECHAR *>(kProgId.utf16()), &clsid),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, IID_IUnknown, nullptr), E_POINTER);

    registerCounter();
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, IID_IDispatch, object.putVoid()), E_NOINTERFACE);
    EXPECT_FALSE(object);
    ComPtr<ITestCounter> outer = create();
    EXPECT_EQ(createUnknown(outer.get()), CLASS_E_NOAGGREGATION);

    // A missing library, and one that loads but is no component.
    for (const QString &library :
         {m_dir.filePath(QStringLiteral("missing.so")), QStringLiteral("libm.so.6")}) {
        registerCounter(library);
        EXPECT_EQ(createUnknown(), E_FAIL) << library.toStdString();
    }
}

TEST_F(component_host_test, unused_libraries_are_unloaded)
{
    registerCounter();
    CoFreeUnusedLibraries();
    ComPtr<ITestCounter> first = create();
    const std::int32_t firstSerial = serialOf(first);

    // A library with a live object stays loaded.
    CoFreeUnusedLibraries();
    ComPtr<ITestCounter> second = create();
    EXPECT_EQ(serialOf(second), firstSerial + 1);
    EXPECT_EQ(first.detach()->Release(), 0u);
    EXPECT_EQ(second.detach()->Release(), 0u);
    CoFreeUnusedLibraries();

    // A fresh copy of the library counts from the start again.
    ComPtr<ITestCounter> third = create();
    EXPECT_EQ(serialOf(third), 1);
    EXPECT_EQ(third.detach()->Release(), 0u);
    CoFreeUnusedLibraries();
}

TEST(module_path_test, names_the_executable_for_its_own_code)
{
    const QString path = ComponentHost::modulePathOf(reinterpret_cast<const void *>(&CoCreateInstance));
    EXPECT_EQ(QFileInfo(path).canonicalFilePath(),
              QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    EXPECT_EQ(ComponentHost::modulePathOf(nullptr), QString());
}
