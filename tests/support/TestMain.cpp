// SPDX-License-Identifier: Apache-2.0
// Runs the tests of one area inside an application object: a QApplication on
// the offscreen platform, so widgets and the browser engine work without a
// display, or for the layers without widgets a QCoreApplication.
#ifdef QUIRAVEL_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
#ifdef QUIRAVEL_TEST_WIDGETS
    // The runner sets these itself so a test binary started by hand behaves
    // as it does under ctest.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
