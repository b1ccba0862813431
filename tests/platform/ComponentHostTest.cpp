// SPDX-License-Identifier: Apache-2.0
#include "platform/ComponentHost.h"
#include "TestCounter.h"
#include "platform/ComPtr.h"
#include "tests/support/ScopedEnv.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(component_host_test, creation_by_name_says_why_it_failed)
{
    const QString progId = QStringLiteral("QuiravelTest.Counter");
    QTemporaryDir dir;
    const QString registry = dir.filePath(QStringLiteral("registry.reg"));
    ScopedEnv env("QUIRAVEL_REGISTRY", registry.toLocal8Bit());
    ComPtr<IUnknown> object;
    QString why;
    const auto create = [&] {
        return ComponentHost::createInstance(progId, IID_IUnknown, object.putVoid(), &why);
    };
    const auto registerCounter = [&](const QString &library) {
        ASSERT_EQ(ComponentHost::registerClass(CLSID_TestCounter, QStringLiteral("Counter"), library, progId,
                                               QStringLiteral("Apartment")),
                  S_OK);
    };

    EXPECT_EQ(create(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(why, QStringLiteral("\"QuiravelTest.Counter\" is not registered in %1").arg(registry));

    const QString missing = dir.filePath(QStringLiteral("missing.so"));
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

    registerCounter(QStringLiteral(PLATFORM_TEST_COMPONENT));
    EXPECT_EQ(create(), S_OK);
    ASSERT_TRUE(object);
    EXPECT_TRUE(object.query<ITestCounter>(IID_ITestCounter));
    object = nullptr;

    // A registry that cannot be read is not taken for an empty one.
    env.set("QUIRAVEL_REGISTRY", dir.path().toLocal8Bit());
    EXPECT_EQ(create(), REGDB_E_READREGDB);
    EXPECT_EQ(
        why, QStringLiteral("cannot read the registry %1: Not a regular file (a directory)").arg(dir.path()));
    EXPECT_FALSE(object);
    CoFreeUnusedLibraries();
}
