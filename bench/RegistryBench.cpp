// SPDX-License-Identifier: Apache-2.0
// The registry stand-in at 20,000 keys: the first read of the file (its
// parse), the lookups a frame makes at start on that first read, warm
// lookups, and the component's registration and removal through its own
// entry points. Prints one summary line at the end.
#include "platform/ComponentHost.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <sys/resource.h>

namespace {

constexpr int kClassCount = 5000; // four keys each
constexpr int kRepetitions = 7;
constexpr int kWarmLookups = 20000;

QString guid(int i)
{
    return QStringLiteral("{%1-0000-4000-8000-%2}")
        .arg(i, 8, 16, QLatin1Char('0'))
        .arg(i, 12, 16, QLatin1Char('0'))
        .toUpper();
}

/// A registry as many installed components leave it.
QByteArray largeRegistry()
{
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n");
    for (int i = 0; i < kClassCount; ++i) {
        const QString clsid = QStringLiteral("HKEY_CLASSES_ROOT\\CLSID\\") + guid(i);
        const QString progId = QStringLiteral("Vendor%1.Class%1").arg(i);
        text += QStringLiteral("[%1]\r\n@=\"Class %2\"\r\n\r\n").arg(clsid).arg(i);
        text += QStringLiteral("[%1\\InprocServer32]\r\n@=\"/usr/lib/vendor/lib%2.so\"\r\n"
                               "\"ThreadingModel\"=\"Apartment\"\r\n\r\n")
                    .arg(clsid)
                    .arg(i);
        text += QStringLiteral("[%1\\ProgID]\r\n@=\"%2\"\r\n\r\n").arg(clsid, progId);
        text += QStringLiteral("[HKEY_CLASSES_ROOT\\%1\\CLSID]\r\n@=\"%2\"\r\n\r\n").arg(progId, guid(i));
    }
    text += QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
        "\"RegisteredOwner\"=\"Erika Mustermann\"\r\n\"RegisteredOrganization\"=\"Hydro\"\r\n");
    return text.toUtf8();
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString readDefault(HKEY root, const QString &subKey, const char *name = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, Ansi::encode(subKey).constData(), &key) != ERROR_SUCCESS)
        return {};
    std::uint32_t size = 0;
    QByteArray data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<std::uint8_t *>(data.data()), &size);
    }
    RegCloseKey(key);
    return Ansi::decode(data.left(qstrnlen(data.constData(), data.size())));
}

/// The registry reads of a frame's start: the class of the programmatic
/// identifier, its library, and the owner and organisation the component
/// shows.
bool frameStartLookups()
{
    const QString clsid = readDefault(HKEY_CLASSES_ROOT, QStringLiteral("Vendor4999.Class4999\\CLSID"));
    const QString library =
        readDefault(HKEY_CLASSES_ROOT, QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid));
    const char *info = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    const QString owner = readDefault(HKEY_LOCAL_MACHINE, QString::fromLatin1(info), "RegisteredOwner");
    const QString organisation =
        readDefault(HKEY_LOCAL_MACHINE, QString::fromLatin1(info), "RegisteredOrganization");
    return !library.isEmpty() && !owner.isEmpty() && !organisation.isEmpty();
}

template<typename Prepare, typename Run> double bestSeconds(Prepare prepare, Run run)
{
    double best = 1e9;
    for (int i = 0; i < kRepetitions; ++i) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        run();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QByteArray registry = largeRegistry();
    // Two files of the same content: switching between them makes each
    // first read a cold one, as in a new process.
    const QString files[] = {dir.filePath(QStringLiteral("a.reg")), dir.filePath(QStringLiteral("b.reg"))};
    if (!dir.isValid() || !write(files[0], registry) || !write(files[1], registry)) {
        std::fprintf(stderr, "registry bench: cannot write %s\n", qPrintable(dir.path()));
        return 1;
    }
    int next = 0;
    const auto coldFile = [&] { qputenv("QUIRAVEL_REGISTRY", QFile::encodeName(files[next++ % 2])); };

    bool ok = true;
    const double parse = bestSeconds(coldFile, [&] {
        ok = !readDefault(HKEY_CLASSES_ROOT, QStringLiteral("Vendor1.Class1\\CLSID")).isEmpty() && ok;
    });
    const double start = bestSeconds(coldFile, [&] { ok = frameStartLookups() && ok; });
    const double lookup =
        bestSeconds([] {},
                    [&] {
                        for (int i = 0; i < kWarmLookups; ++i) {
                            const int n = int(QRandomGenerator::global()->bounded(kClassCount));
                            ok = !readDefault(HKEY_CLASSES_ROOT,
                                              QStringLiteral("CLSID\\%1\\InprocServer32").arg(guid(n)))
                                      .isEmpty() &&
                                 ok;
                        }
                    }) /
        kWarmLookups;

    rusage beforeLoad{};
    getrusage(RUSAGE_SELF, &beforeLoad);
    std::printf("peak RSS before loading the component: %ld MB\n", beforeLoad.ru_maxrss / 1024);
    void *library = dlopen(QUIRAVEL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    using EntryPoint = HRESULT (*)();
    auto registerServer =
        library ? reinterpret_cast<EntryPoint>(dlsym(library, "DllRegisterServer")) : nullptr;
    auto unregisterServer =
        library ? reinterpret_cast<EntryPoint>(dlsym(library, "DllUnregisterServer")) : nullptr;
    if (!registerServer || !unregisterServer) {
        std::fprintf(stderr, "registry bench: cannot load %s: %s\n", QUIRAVEL_LIBRARY_PATH, dlerror());
        return 1;
    }
    double registration = 1e9, removal = 1e9;
    for (int i = 0; i < kRepetitions; ++i) {
        coldFile();
        auto begin = std::chrono::steady_clock::now();
        ok = registerServer() == S_OK && ok;
        registration = std::min(
            registration, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        begin = std::chrono::steady_clock::now();
        ok = unregisterServer() == S_OK && ok;
        removal = std::min(removal,
                           std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }

    std::printf("%-34s %8.4f s\n", "first read (parse), 20,000 keys", parse);
    std::printf("%-34s %8.4f s\n", "frame start lookups, first read", start);
    std::printf("%-34s %8.2f us\n", "lookup, file unchanged", lookup * 1e6);
    std::printf("%-34s %8.4f s\n", "DllRegisterServer", registration);
    std::printf("%-34s %8.4f s\n", "DllUnregisterServer", removal);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("summary: registry_keys=%d start_s=%.4f lookup_us=%.1f register_s=%.4f unregister_s=%.4f "
                "peak_rss_mb=%ld%s\n",
                kClassCount * 4, start, lookup * 1e6, registration, removal, usage.ru_maxrss / 1024,
                ok ? "" : " (FAILED LOOKUPS)");
    return ok ? 0 : 1;
}
