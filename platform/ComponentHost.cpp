// SPDX-License-Identifier: Apache-2.0
// In-process classes are found through the registry stand-in and created by
// loading their library and asking its class factory. Loaded libraries stay
// loaded until CoFreeUnusedLibraries finds them unused.
#include "ComponentHost.h"

#include "ComPtr.h"
#include "Registry.h"
#include "TextFile.h"

#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <dlfcn.h>

namespace {

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void **);
using CanUnloadNowFunction = HRESULT (*)();

struct LoadedLibrary
{
    QString path;
    void *handle;
};

QMutex librariesMutex;
QList<LoadedLibrary> loadedLibraries;

/// Null with the loader's message in *error when the library cannot be loaded.
void *loadLibrary(const QString &path, QString *error)
{
    QMutexLocker lock(&librariesMutex);
    for (const LoadedLibrary &library : std::as_const(loadedLibraries)) {
        if (library.path == path)
            return library.handle;
    }
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle) {
        loadedLibraries.append(LoadedLibrary{path, handle});
    } else if (error) {
        const char *message = dlerror();
        *error = message ? QString::fromLocal8Bit(message) : QStringLiteral("unknown reason");
    }
    return handle;
}

/// The text of a key's default value; empty when the key or the value is
/// missing. Answers false only when the registry cannot be read.
bool readDefaultValue(HKEY root, const QString &subKey, QString *text)
{
    text->clear();
    HKEY key = nullptr;
    const std::int32_t opened = RegOpenKeyA(root, Ansi::encode(subKey).constData(), &key);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND;
    std::uint32_t size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        QByteArray data(size, '\0');
        if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<std::uint8_t *>(data.data()),
                             &size) == ERROR_SUCCESS)
            *text = Ansi::decode(QByteArrayView(data.constData(), qstrnlen(data.constData(), size)));
    }
    RegCloseKey(key);
    return true;
}

QString defaultValue(HKEY root, const QString &subKey)
{
    QString text;
    readDefaultValue(root, subKey, &text);
    return text;
}

/// Why the registry could not be read, for the error texts.
QString registryProblem()
{
    const QString problem = Registry::readProblem();
    return problem.isEmpty() ? Registry::filePath() + QStringLiteral(": cannot be read") : problem;
}

HRESULT createFromRegistry(REFCLSID clsid, IUnknown *outer, REFIID riid, void **object, QString *error)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const QString subKey = QStringLiteral("CLSID\\%1\\InprocServer32").arg(guidToString(clsid));
    QString libraryPath;
    if (!readDefaultValue(HKEY_CLASSES_ROOT, subKey, &libraryPath)) {
        if (error)
            *error = QStringLiteral("cannot read the registry %1").arg(registryProblem());
        return REGDB_E_READREGDB;
    }
    if (libraryPath.isEmpty()) {
        if (error)
            *error = QStringLiteral("the class %1 is not registered in %2")
                         .arg(guidToString(clsid), Registry::filePath());
        return REGDB_E_CLASSNOTREG;
    }
    QString loadError;
    void *library = loadLibrary(libraryPath, &loadError);
    if (!library) {
        if (error)
            *error = QStringLiteral("cannot load the library registered in %1: %2")
                         .arg(Registry::filePath(), loadError);
        return E_FAIL;
    }
    auto getClassObject = reinterpret_cast<GetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
    if (!getClassObject) {
        if (error)
            *error = QStringLiteral("the library %1 registered in %2 has no DllGetClassObject")
                         .arg(libraryPath, Registry::filePath());
        return E_FAIL;
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, factory.putVoid());
    if (SUCCEEDED(hr) && !factory)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = factory->CreateInstance(outer, riid, object);
    if (FAILED(hr) && error)
        *error = QStringLiteral("the library %1 did not create the class %2 (0x%3)")
                     .arg(libraryPath, guidToString(clsid),
                          QStringLiteral("%1").arg(static_cast<std::uint32_t>(hr), 8, 16, QLatin1Char('0')));
    return hr;
}

bool setString(HKEY key, const char *name, const QString &text)
{
    const QByteArray data = Ansi::encode(text);
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const std::uint8_t *>(data.constData()),
                          static_cast<std::uint32_t>(data.size() + 1)) == ERROR_SUCCESS;
}

/// Creates `subKey` under HKEY_CLASSES_ROOT and sets its default value.
bool writeKey(const QString &subKey, const QString &defaultText, const char *extraName = nullptr,
              const QString &extraText = {})
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, Ansi::encode(subKey).constData(), &key) != ERROR_SUCCESS)
        return false;
    bool ok = setString(key, nullptr, defaultText);
    if (ok && extraName)
        ok = setString(key, extraName, extraText);
    RegCloseKey(key);
    return ok;
}

bool deleteTree(const QString &subKey)
{
    const std::int32_t result = RegDeleteTreeA(HKEY_CLASSES_ROOT, Ansi::encode(subKey).constData());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

} // namespace

QString guidToString(const GUID &guid)
{
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                             guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                             guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

bool guidFromString(const QString &text, GUID *guid)
{
    QStringView body = text;
    if (body.startsWith(u'{') != body.endsWith(u'}'))
        return false;
    if (body.startsWith(u'{'))
        body = body.sliced(1, body.size() - 2);
    if (body.size() != 36)
        return false;
    std::uint8_t bytes[16];
    int count = 0;
    for (qsizetype i = 0; i < body.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (body.at(i) != u'-')
                return false;
            ++i;
            continue;
        }
        const int high = hexDigit(body.at(i));
        const int low = hexDigit(body.at(i + 1));
        if (high < 0 || low < 0)
            return false;
        bytes[count++] = static_cast<std::uint8_t>(high * 16 + low);
        i += 2;
    }
    if (!guid)
        return true;
    guid->Data1 = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                  std::uint32_t(bytes[2]) << 8 | bytes[3];
    guid->Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid->Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        guid->Data4[i] = bytes[8 + i];
    return true;
}

HRESULT CLSIDFromProgID(const OLECHAR *progId, CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    if (!progId || !*progId)
        return E_INVALIDARG;
    const QString name = QString::fromUtf16(progId);
    return guidFromString(defaultValue(HKEY_CLASSES_ROOT, name + QStringLiteral("\\CLSID")), clsid)
               ? S_OK
               : REGDB_E_CLASSNOTREG;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, REFIID riid, void **object)
{
    return createFromRegistry(clsid, outer, riid, object, nullptr);
}

void CoFreeUnusedLibraries()
{
    QMutexLocker lock(&librariesMutex);
    loadedLibraries.removeIf([](const LoadedLibrary &library) {
        auto canUnloadNow = reinterpret_cast<CanUnloadNowFunction>(dlsym(library.handle, "DllCanUnloadNow"));
        if (!canUnloadNow || canUnloadNow() != S_OK)
            return false;
        dlclose(library.handle);
        return true;
    });
}

namespace ComponentHost {

HRESULT createInstance(const QString &progId, REFIID riid, void **object, QString *error)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    QString text;
    if (!readDefaultValue(HKEY_CLASSES_ROOT, progId + QStringLiteral("\\CLSID"), &text)) {
        *error = QStringLiteral("cannot read the registry %1").arg(registryProblem());
        return REGDB_E_READREGDB;
    }
    CLSID clsid{};
    if (!guidFromString(text, &clsid)) {
        *error = QStringLiteral("\"%1\" is not registered in %2").arg(progId, Registry::filePath());
        return REGDB_E_CLASSNOTREG;
    }
    return createFromRegistry(clsid, nullptr, riid, object, error);
}

HRESULT registerClass(const CLSID &clsid, const QString &className, const QString &libraryPath,
                      const QString &progId, const QString &threadingModel)
{
    Registry::Transaction transaction;
    const QString classKey = QStringLiteral("CLSID\\") + guidToString(clsid);
    bool ok = writeKey(classKey, className) && writeKey(classKey + QStringLiteral("\\InprocServer32"),
                                                        libraryPath, "ThreadingModel", threadingModel);
    if (ok && !progId.isEmpty()) {
        ok = writeKey(classKey + QStringLiteral("\\ProgID"), progId) &&
             writeKey(progId + QStringLiteral("\\CLSID"), guidToString(clsid));
    }
    return ok && transaction.commit() ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterClass(const CLSID &clsid, const QString &progId)
{
    Registry::Transaction transaction;
    bool ok = deleteTree(QStringLiteral("CLSID\\") + guidToString(clsid));
    if (!progId.isEmpty())
        ok = deleteTree(progId) && ok;
    return ok && transaction.commit() ? S_OK : SELFREG_E_CLASS;
}

HRESULT registerTypeLib(const GUID &libid, const QString &name, const QString &libraryPath)
{
    Registry::Transaction transaction;
    const QString versionKey = QStringLiteral("TypeLib\\%1\\1.0").arg(guidToString(libid));
    const bool ok =
        writeKey(versionKey, name) && writeKey(versionKey + QStringLiteral("\\0\\linux"), libraryPath);
    return ok && transaction.commit() ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterTypeLib(const GUID &libid)
{
    Registry::Transaction transaction;
    const bool ok = deleteTree(QStringLiteral("TypeLib\\") + guidToString(libid));
    return ok && transaction.commit() ? S_OK : SELFREG_E_CLASS;
}

QString modulePathOf(const void *address)
{
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

} // namespace ComponentHost
