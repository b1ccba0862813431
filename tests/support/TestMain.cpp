// Runs the tests of one area inside a QApplication on the offscreen platform,
// so widgets and the browser engine work without a display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // The runner sets these itself so a test binary started by hand behaves
    // as it does under ctest.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
