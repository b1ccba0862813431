// SPDX-License-Identifier: Apache-2.0
// quiravel-regsvr [-u] LIBRARY: has an in-process component library register
// (or unregister) its classes in the registry stand-in. A registry file that
// cannot be read as one is left as it is, and said so.
#include "platform/ComTypes.h"
#include "platform/Registry.h"
#include "tools/common/ToolOutput.h"
#include "tools/common/ToolSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <dlfcn.h>

namespace {

using EntryPoint = HRESULT (*)();

int fail(const QString &reason)
{
    ToolOutput::printError(QStringLiteral("quiravel-regsvr"), reason);
    return 1;
}

const char kHelp[] = QT_TRANSLATE_NOOP(
    "quiravel-regsvr",
    "usage: quiravel-regsvr [-u] [-q] [-w SECS] LIBRARY\n"
    "Registers the component library's classes (-u: removes them) in the registry file.\n"
    "\n"
    "Options:\n"
    "  -u, --unregister  Remove the library's classes instead.\n"
    "  -q, --quiet       Say nothing when it worked.\n"
    "  -w, --wait SECS   Wait at most SECS seconds for another change of the registry\n"
    "                    file to end (default 10, or QUIRAVEL_REGISTRY_LOCK_WAIT).\n"
    "  -h, --help        Show this help and exit.\n"
    "  --version         Show the version and exit.\n"
    "\n"
    "The registry file is QUIRAVEL_REGISTRY, by default $XDG_CONFIG_HOME/quiravel/registry.reg\n"
    "(~/.config/quiravel/registry.reg).\n"
    "\n"
    "A signal that ends the tool takes effect once the registry file is whole again.\n"
    "\n"
    "Exit status: 0 done, 1 the registry file or the library failed, 2 bad arguments, 130 interrupted "
    "(SIGINT), 143 terminated (SIGTERM), 129 hung up (SIGHUP).\n");

int usage(const QString &reason)
{
    ToolOutput::printUsageError(QStringLiteral("quiravel-regsvr"), reason);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // For the user's language alone: the library brings the browser engine,
    // which looks for this setting once an application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication app(argc, argv);
    ToolOutput::installTranslations();
    bool unregister = false;
    bool quiet = false;
    const char *library = nullptr;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("-u") || argument == QLatin1String("--unregister")) {
            unregister = true;
        } else if (argument == QLatin1String("-q") || argument == QLatin1String("--quiet")) {
            quiet = true;
        } else if (argument == QLatin1String("-w") || argument == QLatin1String("--wait")) {
            if (i + 1 >= argc)
                return usage(
                    QCoreApplication::translate("quiravel-regsvr", "option '%1' needs SECS").arg(argument));
            bool ok = false;
            const double seconds = QByteArray(argv[++i]).toDouble(&ok);
            if (!ok || seconds < 0 || seconds >= 86400)
                return usage(
                    QCoreApplication::translate("quiravel-regsvr", "'%1' is no number of seconds below 86400")
                        .arg(QString::fromLocal8Bit(argv[i])));
            // The library's own copy of the registry code reads it there.
            qputenv("QUIRAVEL_REGISTRY_LOCK_WAIT", argv[i]);
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            std::fputs(QCoreApplication::translate("quiravel-regsvr", kHelp).toLocal8Bit().constData(),
                       stdout);
            return 0;
        } else if (argument == QLatin1String("--version")) {
            std::fputs(ToolOutput::versionText(QStringLiteral("quiravel-regsvr")).toLocal8Bit().constData(),
                       stdout);
            return 0;
        } else if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            return usage(QCoreApplication::translate("quiravel-regsvr", "unknown option '%1'").arg(argument));
        } else if (library) {
            return usage(
                QCoreApplication::translate("quiravel-regsvr", "one library at a time, not also '%1'")
                    .arg(argument));
        } else {
            library = argv[i];
        }
    }
    if (!library)
        return usage(QCoreApplication::translate("quiravel-regsvr", "no library given"));

    // Interrupting the registry's update halfway would leave its lock and new
    // file behind: the signal is heard once the library's entry point is done.
    ToolSignals::recordEndingSignals();

    // The library registers the path it was loaded from: make it absolute so
    // that hosts find it from any directory.
    QString path = QString::fromLocal8Bit(library);
    if (QFileInfo::exists(path))
        path = QFileInfo(path).absoluteFilePath();
    const QByteArray localPath = path.toLocal8Bit();
    const char *entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";

    if (const QString problem = Registry::readProblem(); !problem.isEmpty()) {
        return fail(problem + QCoreApplication::translate("quiravel-regsvr", "; it is left as it is"));
    }

    void *handle = ::dlopen(localPath.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return fail(QCoreApplication::translate("quiravel-regsvr", "cannot load %1: %2")
                        .arg(ToolOutput::shownPath(path),
                             ToolOutput::shownPath(QString::fromLocal8Bit(::dlerror()))));
    auto entry = reinterpret_cast<EntryPoint>(::dlsym(handle, entryName));
    if (!entry) {
        ::dlclose(handle);
        return fail(QCoreApplication::translate("quiravel-regsvr", "%1 has no %2")
                        .arg(path, QLatin1String(entryName)));
    }
    QElapsedTimer clock;
    clock.start();
    const HRESULT hr = entry();
    if (const int signal = ToolSignals::received())
        return ToolSignals::exitStatusFor(signal);
    if (FAILED(hr)) {
        // The library's own copy of the registry code saw the cause; find it
        // again, without waiting for the lock a second time.
        QString cause = Registry::writeProblem(0, int(clock.elapsed()));
        if (cause.isEmpty())
            cause = QCoreApplication::translate("quiravel-regsvr", "%1 was not changed (status %2)")
                        .arg(Registry::filePath(), ToolOutput::statusText(hr));
        return fail(QCoreApplication::translate("quiravel-regsvr", "%1 in %2 failed: %3")
                        .arg(QLatin1String(entryName), path, cause));
    }
    if (!quiet) {
        const QString done = unregister
                                 ? QCoreApplication::translate("quiravel-regsvr", "unregistered %1 in %2")
                                 : QCoreApplication::translate("quiravel-regsvr", "registered %1 in %2");
        std::fputs(
            QStringLiteral("quiravel-regsvr: %1\n")
                .arg(done.arg(ToolOutput::shownPath(path), ToolOutput::shownPath(Registry::filePath())))
                .toLocal8Bit()
                .constData(),
            stdout);
    }
    // The library stays loaded: it may have left Qt state behind that must
    // not outlive its code.
    return 0;
}
