// quiravel-regsvr [-u] LIBRARY: has an in-process component library register
// (or unregister) its classes in the registry stand-in. A registry file that
// cannot be read as one is left as it is, and said so.
#include "frame/ToolOutput.h"
#include "platform/ComTypes.h"
#include "platform/Registry.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace {

using EntryPoint = HRESULT (*)();

int fail(const QString &reason)
{
    ToolOutput::printError(QStringLiteral("quiravel-regsvr"), reason);
    return 1;
}

int usage(std::FILE *stream, int code)
{
    std::fputs("usage: quiravel-regsvr [-u] LIBRARY\n"
               "Registers the component library's classes (-u: removes them) in the registry file.\n"
               "\n"
               "Options:\n"
               "  -u, --unregister  Remove the library's classes instead.\n"
               "  -w, --wait SECS   Wait at most SECS seconds for another change of the registry\n"
               "                    file to end (default 10).\n"
               "  -h, --help        Show this help and exit.\n"
               "\n"
               "Exit status: 0 done, 1 the registry file or the library failed, 2 bad arguments.\n",
               stream);
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    bool unregister = false;
    const char *library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "--unregister") == 0)
            unregister = true;
        else if ((std::strcmp(argv[i], "-w") == 0 || std::strcmp(argv[i], "--wait") == 0) && i + 1 < argc) {
            bool ok = false;
            const double seconds = QByteArray(argv[++i]).toDouble(&ok);
            if (!ok || seconds < 0 || seconds >= 86400)
                return usage(stderr, 2);
            // The library's own copy of the registry code reads it there.
            qputenv("QUIRAVEL_REGISTRY_LOCK_WAIT", argv[i]);
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            return usage(stdout, 0);
        else if (!library && argv[i][0] != '-')
            library = argv[i];
        else
            return usage(stderr, 2);
    }
    if (!library)
        return usage(stderr, 2);

    // The library registers the path it was loaded from: make it absolute so
    // that hosts find it from any directory.
    QString path = QString::fromLocal8Bit(library);
    if (QFileInfo::exists(path))
        path = QFileInfo(path).absoluteFilePath();
    const QByteArray localPath = path.toLocal8Bit();
    const char *entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const QByteArray registry = Registry::filePath().toLocal8Bit();

    if (const QString problem = Registry::readProblem(); !problem.isEmpty()) {
        return fail(problem + QStringLiteral("; it is left as it is"));
    }

    void *handle = ::dlopen(localPath.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return fail(QStringLiteral("cannot load %1: %2").arg(path, QString::fromLocal8Bit(::dlerror())));
    auto entry = reinterpret_cast<EntryPoint>(::dlsym(handle, entryName));
    if (!entry) {
        ::dlclose(handle);
        return fail(QStringLiteral("%1 has no %2").arg(path, QLatin1String(entryName)));
    }
    QElapsedTimer clock;
    clock.start();
    const HRESULT hr = entry();
    if (FAILED(hr)) {
        // The library's own copy of the registry code saw the cause; find it
        // again, without waiting for the lock a second time.
        QString cause = Registry::writeProblem(0, int(clock.elapsed()));
        if (cause.isEmpty())
            cause = QStringLiteral("%1 was not changed (status %2)")
                        .arg(Registry::filePath(), ToolOutput::statusText(hr));
        return fail(QStringLiteral("%1 in %2 failed: %3").arg(QLatin1String(entryName), path, cause));
    }
    std::printf("quiravel-regsvr: %s %s in %s\n", unregister ? "unregistered" : "registered",
                localPath.constData(), registry.constData());
    // The library stays loaded: it may have left Qt state behind that must
    // not outlive its code.
    return 0;
}
