// SPDX-License-Identifier: Apache-2.0
#include "tools/session/HostProcess.h"

#include "platform/ComponentHost.h"
#include "tools/common/ToolOutput.h"

#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <unistd.h>

namespace {

QtMessageHandler g_qtMessageHandler = nullptr;

/// Keeps standard error readable: the headless platform warns on every
/// window, and the browser engine describes its set-up at length.
void filterQtMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    // The component's diagnostics were asked for: they reach the user also
    // where the browser engine's notes are kept away from standard error.
    if (context.category && QByteArrayView(context.category).startsWith("quiravel.")) {
        const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), ToolOutput::errorStream());
        std::fflush(ToolOutput::errorStream());
        return;
    }
    g_qtMessageHandler(type, context, message);
}

} // namespace

void prepareHostProcess(bool headless, const QByteArray &engineFlag)
{
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QByteArray engineFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // The browser engine refuses its sandbox to root.
    if (::geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        if (engineFlags.isEmpty())
            engineFlags = "--disable-gpu";
    }
    if (!engineFlag.isEmpty() && !engineFlags.contains(engineFlag))
        engineFlags += engineFlags.isEmpty() ? engineFlag : ' ' + engineFlag;
    if (!engineFlags.isEmpty())
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", engineFlags);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (!g_qtMessageHandler)
        g_qtMessageHandler = qInstallMessageHandler(filterQtMessages);
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

int runHostApplication(int &argc, char **argv, const QString &name,
                       const std::function<int(QApplication &)> &body)
{
    int code = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(name);
        ToolOutput::installTranslations();
        app.setQuitOnLastWindowClosed(false);
        code = body(app);
        // Objects the component left for deletion must go while its code is loaded.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Only now: the application's clean-up still runs code of the component
    // library (objects it created under the application's care).
    CoFreeUnusedLibraries();
    return code;
}
