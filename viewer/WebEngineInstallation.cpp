#include "WebEngineInstallation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <algorithm>

namespace {

const QString kHelperName = QStringLiteral("QtWebEngineProcess");
const QString kResourcePack = QStringLiteral("qtwebengine_resources.pak");

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
        return QStringLiteral("The browser engine's helper program is missing: %1").arg(paths.join(u", "));
    const QFileInfo helper(*found);
    if (!helper.isFile() || !helper.isExecutable())
        return QStringLiteral("The browser engine's helper program is not an executable file: %1")
            .arg(*found);
    return {};
}

QString resourceProblem()
{
    const QString dataDir = QLibraryInfo::path(QLibraryInfo::DataPath);
    const QStringList dirs =
        candidates("QTWEBENGINE_RESOURCES_PATH",
                   {dataDir + QStringLiteral("/resources"), dataDir, QCoreApplication::applicationDirPath(),
                    QDir::homePath() + QStringLiteral("/.") + QCoreApplication::applicationName()});
    const bool found = std::any_of(dirs.cbegin(), dirs.cend(), [](const QString &dir) {
        return QFileInfo(dir + u'/' + kResourcePack).isFile();
    });
    if (!found)
        return QStringLiteral("The browser engine's resources are missing: %1").arg(dirs.join(u", "));
    return {};
}

} // namespace

QString webEngineStartProblem()
{
    // Missing locales are left out: the engine falls back to its own texts.
    const QString helper = helperProblem();
    return helper.isEmpty() ? resourceProblem() : helper;
}
