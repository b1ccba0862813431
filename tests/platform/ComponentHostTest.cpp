#include "platform/ComponentHost.h"
#include "TestCounter.h"
#include "platform/ComPtr.h"
#include "platform/Registry.h"
#include "tests/support/ScopedEnv.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kProgId = QStringLiteral("QuiravelTest.Counter");

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

} // namespace

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
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, IID_IUnknown, nullptr), E_POINTER);

    registerCounter();
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, IID_IDispatch, object.putVoid()), E_NOINTERFACE);
    EXPECT_FALSE(object);
    ComPtr<ITestCounter> outer = create();
    EXPECT_EQ(createUnknown(outer.get()), CLASS_E_NOAGGREGATION);
}

TEST_F(component_host_test, creation_by_name_says_why_it_failed)
{
    const QString registry = m_dir.filePath(QStringLiteral("registry.reg"));
    ComPtr<IUnknown> object;
    QString why;
    const auto create = [&] {
        return ComponentHost::createInstance(kProgId, IID_IUnknown, object.putVoid(), &why);
    };

    EXPECT_EQ(create(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(why, QStringLiteral("\"QuiravelTest.Counter\" is not registered in %1").arg(registry));

    const QString missing = m_dir.filePath(QStringLiteral("missing.so"));
    registerCounter(missing);
    EXPECT_EQ(create(), E_FAIL);
    EXPECT_EQ(why, QStringLiteral(
                       "cannot load the library registered in %1: %2: cannot open shared object file: No "
                       "such file or directory")
                       .arg(registry, missing));
    registerCounter(QStringLiteral("libm.so.6"));
    EXPECT_EQ(create(), E_FAIL);
    EXPECT_EQ(
        why, QStringLiteral("the library libm.so.6 registered in %1 has no DllGetClassObject").arg(registry));

    registerCounter();
    EXPECT_EQ(create(), S_OK);
    EXPECT_TRUE(object);
    object = nullptr;

    // A registry that cannot be read is not taken for an empty one.
    m_env.set("QUIRAVEL_REGISTRY", m_dir.path().toLocal8Bit());
    EXPECT_EQ(create(), REGDB_E_READREGDB);
    EXPECT_EQ(
        why,
        QStringLiteral("cannot read the registry %1: Not a regular file (a directory)").arg(m_dir.path()));
    EXPECT_FALSE(object);
    CoFreeUnusedLibraries();
}
