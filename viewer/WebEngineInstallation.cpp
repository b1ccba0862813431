// SPDX-License-Identifier: Apache-2.0
#include "WebEngineInstallation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QProcess>
#include <QStringList>
#include <QtEndian>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <algorithm>
#include <dlfcn.h>

namespace {

const QString kHelperName = QStringLiteral("QtWebEngineProcess");
const QString kResourcePack = QStringLiteral("qtwebengine_resources.pak");
// The packs the engine reads beside the main one when they are there.
const QStringList kOptionalPacks{QStringLiteral("qtwebengine_resources_100p.pak"),
                                 QStringLiteral("qtwebengine_resources_200p.pak"),
                                 QStringLiteral("qtwebengine_devtools_resources.pak")};
const QString kEngineLibrary = QStringLiteral("libQt6WebEngineCore.so");
// Loading a program and its libraries takes milliseconds; a helper that is
// not done after this is as good as one that hangs.
constexpr int kProbeMilliseconds = 5000;

/// The engine library this process runs, as a file.
QString loadedEngineLibrary()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void *>(&qWebEngineVersion), &info) || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
}

/// Loads the helper as the engine would start it, but has the system's
/// loader stop before the program runs and list the libraries it bound: a
/// helper whose libraries are missing or broken, a program that is not the
/// engine's helper (one that exits at once, say) or one built against
/// another engine library would make the engine abort the whole process
/// later, when it cannot talk to its zygote.
QString probeHelper(const QString &path)
{
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
    probe.setProcessEnvironment(environment);
    probe.setStandardInputFile(QProcess::nullDevice());
    probe.start(path, {});
    if (!probe.waitForStarted(kProbeMilliseconds))
        return QStringLiteral("The browser engine's helper program cannot be started: ") + path;
    if (!probe.waitForFinished(kProbeMilliseconds)) {
        probe.kill();
        probe.waitForFinished(kProbeMilliseconds);
        return QStringLiteral("The browser engine's helper program does not answer: ") + path;
    }
    const QString output = QString::fromLocal8Bit(probe.readAllStandardOutput());
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0 ||
        output.contains(QLatin1StringView("not found"))) {
        const QString why = QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
        return QStringLiteral("The browser engine's helper program cannot run: ") + path +
               (why.isEmpty() ? QString() : QStringLiteral(" (") + why.section(u'\n', 0, 0) + u')');
    }
    // "name => path (address)" for each library the loader bound.
    QString boundEngine;
    for (const QString &line : output.split(u'\n')) {
        const QString name = line.section(QStringLiteral(" => "), 0, 0).trimmed();
        if (name.startsWith(kEngineLibrary))
            boundEngine =
                line.section(QStringLiteral(" => "), 1).section(QStringLiteral(" ("), 0, 0).trimmed();
    }
    if (boundEngine.isEmpty())
        return QStringLiteral("The browser engine's helper program is not one: ") + path;
    const QString ours = loadedEngineLibrary();
    if (!ours.isEmpty() && QFileInfo(boundEngine).canonicalFilePath() != ours)
        return QStringLiteral("The browser engine's helper program belongs to another engine: ") + path;
    return {};
}

/// Each helper is probed once per process while it stays the same file.
QString cachedHelperProblem(const QString &path)
{
    static QHash<QString, QString> problems;
    const QFileInfo file(path);
    const QString key = file.canonicalFilePath() + u'\n' + QString::number(file.size()) + u'\n' +
                        QString::number(file.lastModified().toMSecsSinceEpoch());
    const auto found = problems.constFind(key);
    if (found != problems.cend())
        return *found;
    const QString problem = probeHelper(path);
    problems.insert(key, problem);
    return problem;
}

// A directory named by the environment is the only one the engine searches.
QStringList candidates(const char *variable, const QStringList &defaults)
{
    const QString fromEnvironment = qEnvironmentVariable(variable);
    return fromEnvironment.isEmpty() ? defaults : QStringList{fromEnvironment};
}

QString helperProblem()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList paths =
        candidates("QTWEBENGINEPROCESS_PATH",
                   {QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + u'/' + kHelperName,
                    appDir + u'/' + kHelperName});
    // The engine takes the first path that exists, whatever it is.
    const auto found = std::find_if(paths.cbegin(), paths.cend(),
                                    [](const QString &path) { return QFileInfo::exists(path); });
    if (found == paths.cend())
        return QStringLiteral("The browser engine's helper program is missing: ") + paths.join(u", ");
    const QFileInfo helper(*found);
    if (!helper.isFile() || !helper.isExecutable())
        return QStringLiteral("The browser engine's helper program is not an executable file: ") + *found;
    return cachedHelperProblem(*found);
}

} // namespace

QString resourcePackProblem(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read");
    const qint64 size = file.size();
    const uchar *data = size > 0 ? file.map(0, size) : nullptr;
    if (!data)
        return size > 0 ? QStringLiteral("cannot be read") : QStringLiteral("is empty");
    const auto u16 = [data](qint64 at) { return qFromLittleEndian<quint16>(data + at); };
    const auto u32 = [data](qint64 at) { return qFromLittleEndian<quint32>(data + at); };
    if (size < 4)
        return QStringLiteral("is cut short");
    // Version 4: count (32 bits) and encoding; version 5: encoding, padding,
    // count and alias count (16 bits each). Then the entries, 16-bit id and
    // 32-bit offset each, with one more entry whose offset ends the data;
    // version 5 then has its aliases, 16-bit id and 16-bit entry index.
    const quint32 version = u32(0);
    const qint64 headerSize = version == 4 ? 9 : 12;
    if (version != 4 && version != 5)
        return QStringLiteral("has an unknown format");
    if (size < headerSize)
        return QStringLiteral("is cut short");
    const quint8 encoding = version == 4 ? data[8] : data[4];
    const quint32 count = version == 4 ? u32(4) : u16(8);
    const quint32 aliases = version == 4 ? 0 : u16(10);
    const qint64 entriesEnd = headerSize + (qint64(count) + 1) * 6;
    const qint64 tableEnd = entriesEnd + qint64(aliases) * 4;
    if (encoding > 2 || count == 0)
        return QStringLiteral("has a damaged table of contents");
    if (tableEnd > size)
        return QStringLiteral("is cut short");
    // Bytes after the last resource are no harm; the engine reads none.
    qint64 previous = tableEnd;
    for (qint64 at = headerSize; at < entriesEnd; at += 6) {
        const qint64 offset = u32(at + 2);
        if (offset > size)
            return QStringLiteral("is cut short");
        if (offset < previous)
            return QStringLiteral("has a damaged table of contents");
        previous = offset;
    }
    for (qint64 at = entriesEnd; at < tableEnd; at += 4)
        if (u16(at + 2) >= count)
            return QStringLiteral("has a damaged table of contents");
    return {};
}

namespace {

QString resourceProblem()
{
    const QString dataDir = QLibraryInfo::path(QLibraryInfo::DataPath);
    const QStringList dirs =
        candidates("QTWEBENGINE_RESOURCES_PATH",
                   {dataDir + QStringLiteral("/resources"), dataDir, QCoreApplication::applicationDirPath(),
                    QDir::homePath() + QStringLiteral("/.") + QCoreApplication::applicationName()});
    const auto found = std::find_if(dirs.cbegin(), dirs.cend(), [](const QString &dir) {
        return QFileInfo(dir + u'/' + kResourcePack).isFile();
    });
    if (found == dirs.cend())
        return QStringLiteral("The browser engine's resources are missing: ") + dirs.join(u", ");
    // The engine reads its packs without checking them and crashes on a
    // damaged one.
    for (const QString &name : QStringList{kResourcePack} + kOptionalPacks) {
        const QString pack = *found + u'/' + name;
        if (name != kResourcePack && !QFileInfo::exists(pack))
            continue;
        if (const QString problem = resourcePackProblem(pack); !problem.isEmpty())
            return QStringLiteral("The browser engine's resource pack ") + problem + QStringLiteral(": ") +
                   pack;
    }
    return {};
}

} // namespace

QString webEngineStartProblem()
{
    // Missing locales are left out: the engine falls back to its own texts.
    const QString helper = helperProblem();
    return helper.isEmpty() ? resourceProblem() : helper;
}
