// SPDX-License-Identifier: Apache-2.0
#include "WebEngineBrowserPage.h"

#include "contract/QuiravelAutomation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineUrlRequestInfo>

namespace {

// Below the page's requests, which the request filter sees, the engine has
// connections of its own: name lookups (a host name in a WebRTC server or a
// prefetch), QUIC, WebRTC's UDP (STUN, TURN, peers) and the multicast
// announcements of its local host names. None of them reaches a request
// filter, so they are cut where the engine reads its switches at start.
const QByteArray kEngineSwitches[] = {
    QByteArrayLiteral("--host-resolver-rules=\"MAP * ~NOTFOUND\""),
    QByteArrayLiteral("--disable-quic"),
    QByteArrayLiteral("--force-webrtc-ip-handling-policy=disable_non_proxied_udp"),
    QByteArrayLiteral("--disable-features=WebRtcHideLocalIpsWithMdns"),
};

/// Whether the engine's helper processes already run as children of this
/// process: then it has read its switches, whoever started it.
bool engineAlreadyStarted()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &pid : children.readAll().split(' ')) {
            QFile name(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid.trimmed())));
            if (!pid.trimmed().isEmpty() && name.open(QIODevice::ReadOnly) &&
                name.readAll().startsWith("QtWebEngineProc"))
                return true;
        }
    }
    return false;
}

} // namespace

bool pageScriptEnabled()
{
    return qEnvironmentVariable(kQuiravelPageScriptVariable) == QLatin1String("1");
}

bool prepareEngineSwitches()
{
    static bool prepared = false;
    if (prepared)
        return true;
    if (engineAlreadyStarted())
        return false;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const QByteArray &flag : kEngineSwitches) {
        if (!flags.contains(flag))
            flags += flags.isEmpty() ? flag : ' ' + flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    prepared = true;
    return true;
}

bool OfflineRequestInterceptor::isInlineScheme(const QString &scheme)
{
    static const QStringList inlineSchemes{QStringLiteral("data"), QStringLiteral("blob"),
                                           QStringLiteral("about")};
    return inlineSchemes.contains(scheme.toLower());
}

void OfflineRequestInterceptor::setDeviceFolder(const QString &folder)
{
    QString canonical = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty() && !canonical.endsWith(QLatin1Char('/')))
        canonical += QLatin1Char('/');
    const QMutexLocker lock(&m_folderLock);
    m_folder = canonical;
}

bool OfflineRequestInterceptor::isInDeviceFolder(const QUrl &url) const
{
    if (!url.isLocalFile())
        return false;
    const QFileInfo file(url.toLocalFile());
    // A link inside the folder may point anywhere; where it leads counts.
    const QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty() || file.isDir())
        return false;
    const QMutexLocker lock(&m_folderLock);
    return !m_folder.isEmpty() && canonical.startsWith(m_folder);
}

void OfflineRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QUrl url = info.requestUrl();
    const bool local = url.isLocalFile() ? isInDeviceFolder(url) : isInlineScheme(url.scheme());
    if (local || (!m_enabled && !url.isLocalFile() && url.scheme() != QLatin1String("qrc")))
        return;
    info.block(true);
    ++m_blocked;
}

WebEngineBrowserPage::WebEngineBrowserPage(QWebEngineProfile *profile, const OfflineRequestInterceptor *files,
                                           QObject *parent)
    : QWebEnginePage(profile, parent), m_files(files)
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this, &WebEngineBrowserPage::refuseFeature);
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    // window.print() is left unanswered: printing is the host's command.
}

bool WebEngineBrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame && type == NavigationTypeTyped && url == m_expected)
        return true;
    // The page stays on what the host showed; a user may follow a link into
    // the device's folder as in any browser. A frame's navigation is left to
    // the request filter: refused here, while the page is still being read,
    // it can hold the page's own load open for good.
    if (!isMainFrame)
        return true;
    const bool accepted = (type == NavigationTypeLinkClicked || type == NavigationTypeReload ||
                           type == NavigationTypeBackForward) &&
                          m_files->isInDeviceFolder(url);
    if (!accepted)
        ++m_refused;
    return accepted;
}

void WebEngineBrowserPage::javaScriptAlert(const QUrl &, const QString &) {}

bool WebEngineBrowserPage::javaScriptConfirm(const QUrl &, const QString &)
{
    return false;
}

bool WebEngineBrowserPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

void WebEngineBrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                                    const QString &)
{
    // A page's console is the vendor's business, not the host's output.
}

QStringList WebEngineBrowserPage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    return {};
}

QWebEnginePage *WebEngineBrowserPage::createWindow(WebWindowType)
{
    return nullptr;
}

void WebEngineBrowserPage::refuseFeature(const QUrl &securityOrigin, Feature feature)
{
    setFeaturePermission(securityOrigin, feature, PermissionDeniedByUser);
}
