// SPDX-License-Identifier: Apache-2.0
#include "WebEngineBrowser.h"

#include "PrintHandler.h"
#include "WebEngineInstallation.h"
#include "platform/ComError.h"
#include "platform/SafeFile.h"
#include "viewer/ViewerLogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <sys/stat.h>
#include <utility>

namespace {
constexpr std::int32_t kCommandSupported = 1;

/// The browser profile the controls of the process share while any of them
/// is alive: the engine renders the pages of one site in one profile in one
/// renderer process, where a profile per control would start a renderer for
/// each. Off the record, so nothing of it is kept on disk; the last control
/// to go deletes it.
struct SharedProfile
{
    QWebEngineProfile *profile = nullptr;
    int users = 0;
};

SharedProfile &sharedProfile()
{
    static SharedProfile shared;
    return shared;
}

QWebEngineProfile *acquireProfile()
{
    SharedProfile &shared = sharedProfile();
    if (!shared.profile) {
        shared.profile = new QWebEngineProfile;
        shared.profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        shared.profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    }
    ++shared.users;
    return shared.profile;
}

void releaseProfile()
{
    SharedProfile &shared = sharedProfile();
    if (--shared.users == 0) {
        delete shared.profile;
        shared.profile = nullptr;
    }
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QWidget *parent) : BrowserControl(parent)
{
    // An engine that cannot start would end the host's process, not fail.
    if (const QString problem = webEngineStartProblem(); !problem.isEmpty())
        throw ComError(E_FAIL, problem);

    // Too late when the host started the engine first: its switches rule
    // then, and the page's own settings and filter below are what holds.
    prepareEngineSwitches();
    m_profile = acquireProfile();
    m_interceptor = new OfflineRequestInterceptor(this);

    m_view = new QWebEngineView(parent);
    m_page = new WebEngineBrowserPage(m_profile, m_interceptor, m_view);
    // Each control goes offline on its own; the profile is shared.
    m_page->setUrlRequestInterceptor(m_interceptor);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    // A page that cannot be loaded shows an error page, a document that
    // prints like any other.
    QWebEngineSettings *settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    // The page is content: it runs no script unless the host asks for it,
    // and then script can open, fetch, announce or ask for nothing.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, pageScriptEnabled());
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    // Left on: without it the page's own pictures and style sheets beside it
    // would not load either; the request filter keeps it to the folder.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    m_printHandler = new PrintHandler(m_view, this);

    connect(m_page, &QWebEnginePage::loadStarted, this, &WebEngineBrowser::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadProgress, this, &WebEngineBrowser::onLoadProgress);
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebEngineBrowser::onLoadFinished);
    connect(m_page, &QWebEnginePage::linkHovered, this, &WebEngineBrowser::onLinkHovered);
    connect(m_page, &QWebEnginePage::pdfPrintingFinished, this, &WebEngineBrowser::onPdfPrintingFinished);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                static const char *const how[] = {"ended", "ended abnormally", "crashed", "was killed"};
                qCWarning(lcViewer, "The renderer of %s %s (exit code %d)",
                          qUtf8Printable(m_page->url().toString()), how[std::clamp(int(status), 0, 3)],
                          exitCode);
                // Printing a page whose renderer is gone crashes the engine.
                m_documentShown = false;
                Q_EMIT rendererLost();
            });
}

WebEngineBrowser::~WebEngineBrowser()
{
    // The page must be gone before its profile is released.
    delete m_view;
    releaseProfile();
}

QWidget *WebEngineBrowser::widget() const
{
    return m_view;
}

void WebEngineBrowser::setRegisterAsDropTarget(bool value)
{
    if (m_view)
        m_view->setAcceptDrops(value);
}

void WebEngineBrowser::setOffline(bool value)
{
    m_offline = value;
    m_interceptor->setEnabled(value);
    QWebEngineSettings *settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, !value);
}

bool WebEngineBrowser::sameDocument(const QUrl &a, const QUrl &b)
{
    const auto plain = [](const QUrl &url) {
        return url.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveFragment | QUrl::StripTrailingSlash);
    };
    return plain(a) == plain(b) || (a.isLocalFile() && b.isLocalFile() && a.toLocalFile() == b.toLocalFile());
}

QUrl WebEngineBrowser::urlForPath(const QString &path)
{
    // A scheme of one letter is a drive letter, not a scheme.
    const QUrl url(path, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    QString local = path;
    // A host may hand over a Windows-style path, "\" between folders; but
    // here "\" is a character of a name, and a path that names a file as it
    // stands (such as a print file written into a folder "dev\ice") is that
    // file.
    if (!QFileInfo::exists(path))
        local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QUrl::fromLocalFile(QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(local)));
}

void WebEngineBrowser::Navigate(const QString &path)
{
    if (!m_view)
        throw ComError(E_UNEXPECTED, QStringLiteral("The browser has no view"));
    m_location = path;
    const QUrl url = urlForPath(path);
    m_interceptor->setDeviceFolder(url.isLocalFile() ? QFileInfo(url.toLocalFile()).absolutePath()
                                                     : QString());
    if (m_loading && m_ownLoad && url == m_page->expectedNavigation()) {
        m_navigationPending = true;
        return;
    }
    load(url);
}

void WebEngineBrowser::load(const QUrl &url)
{
    m_replaced = m_loading && m_ownLoad ? m_page->expectedNavigation() : QUrl();
    m_loading = true;
    m_ownLoad = true;
    m_page->expectNavigation(url);
    m_view->load(url);
}

std::int32_t WebEngineBrowser::QueryStatusWB(std::int32_t command)
{
    switch (command) {
    case OLECMDID_PRINT:
    case OLECMDID_PRINTPREVIEW:
        // A page still loading may be the half of what it will be.
        return m_documentShown && !m_loading ? kCommandSupported | OLECMDF_ENABLED : kCommandSupported;
    default:
        return 0;
    }
}

void WebEngineBrowser::ExecWB(std::int32_t command, std::int32_t option, const QVariant &in)
{
    if (command != OLECMDID_PRINT && command != OLECMDID_PRINTPREVIEW)
        throw ComError(E_NOTIMPL, QStringLiteral("Command %1 is not supported").arg(command));
    if (!m_documentShown || m_loading)
        throw ComError(E_FAIL, QStringLiteral("No document is shown"));
    if (command == OLECMDID_PRINTPREVIEW)
        m_printHandler->printPreview();
    else if (option == OLECMDEXECOPT_PROMPTUSER)
        m_printHandler->printWithDialog(in.toString());
    else
        m_printHandler->print();
}

void WebEngineBrowser::printToPdf(const QString &path)
{
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    auto file = std::make_unique<SafeFileWriter>();
    if (!file->create(path, SafeFileWriter::Kind::Named)) {
        qCWarning(lcViewer, "No PDF %s: %s", qUtf8Printable(path), qUtf8Printable(file->errorString()));
        // Answered later, as the engine would, so that callers see one order.
        QMetaObject::invokeMethod(
            this, [this, path] { Q_EMIT pdfPrintingFinished(path, false); }, Qt::QueuedConnection);
        return;
    }
    // A second request drops the first's file; the engine then fails it.
    m_pdfFile = std::move(file);
    m_pdfPath = path;
    m_page->printToPdf(m_pdfFile->temporaryPath(), layout);
}

void WebEngineBrowser::onPdfPrintingFinished(const QString &filePath, bool ok)
{
    if (!m_pdfFile || filePath != m_pdfFile->temporaryPath()) {
        Q_EMIT pdfPrintingFinished(filePath, ok);
        return;
    }
    const std::unique_ptr<SafeFileWriter> file = std::move(m_pdfFile);
    const QString path = std::exchange(m_pdfPath, QString());
    // An empty file is no PDF: the engine had nothing to print.
    struct stat written;
    if (!ok)
        qCWarning(lcViewer, "No PDF %s: the browser engine failed to print the page", qUtf8Printable(path));
    if (ok && (::stat(QFile::encodeName(filePath).constData(), &written) != 0 || written.st_size == 0)) {
        qCWarning(lcViewer, "No PDF %s: the browser engine printed nothing", qUtf8Printable(path));
        ok = false;
    }
    if (ok) {
        ok = file->commit();
        if (!ok)
            qCWarning(lcViewer, "No PDF %s: %s", qUtf8Printable(path), qUtf8Printable(file->errorString()));
    } else {
        file->discard();
    }
    Q_EMIT pdfPrintingFinished(path, ok);
}

void WebEngineBrowser::onLoadStarted()
{
    m_loading = true;
    Q_EMIT objectEvent(QStringLiteral("ProgressChange"),
                       {{QStringLiteral("Progress"), 0}, {QStringLiteral("ProgressMax"), 100}});
}

void WebEngineBrowser::onLoadProgress(int progress)
{
    Q_EMIT objectEvent(QStringLiteral("ProgressChange"),
                       {{QStringLiteral("Progress"), progress}, {QStringLiteral("ProgressMax"), 100}});
}

void WebEngineBrowser::onLoadFinished(bool ok)
{
    const QUrl shown = m_page->url();
    // A load that a navigation elsewhere overtook may still report its page;
    // the newer one follows. Only that page is passed over: what the engine
    // shows meanwhile (a refused refresh, say) is no reason to wait, and a
    // failure always counts (a renderer that cannot start fails every load).
    if (ok && m_ownLoad && !m_navigationPending && !m_replaced.isEmpty() && sameDocument(shown, m_replaced) &&
        !sameDocument(shown, m_page->expectedNavigation()))
        return;
    m_replaced.clear();
    m_loading = false;
    m_ownLoad = false;
    if (m_navigationPending) {
        // The page just finished may be older than the file now; only the
        // last navigation's load is the document.
        m_navigationPending = false;
        load(urlForPath(m_location));
        return;
    }
    // A failed load leaves the engine's error page, which is a document
    // too. Print commands are queried on the completed navigation, so it
    // counts as shown before anyone hears of it.
    m_documentShown = true;
    const QString url = shown.toString();
    if (!ok)
        qCWarning(lcViewer, "The page %s failed to load", qUtf8Printable(url));
    Q_EMIT objectEvent(QStringLiteral("NavigateComplete2"), {{QStringLiteral("URL"), url}});
    Q_EMIT objectEvent(QStringLiteral("ProgressChange"),
                       {{QStringLiteral("Progress"), -1}, {QStringLiteral("ProgressMax"), 100}});
    Q_EMIT objectEvent(QStringLiteral("DocumentComplete"), {{QStringLiteral("URL"), url}});
    Q_EMIT loadFinished(ok);
}

void WebEngineBrowser::onLinkHovered(const QString &url)
{
    Q_EMIT objectEvent(QStringLiteral("StatusTextChange"), {{QStringLiteral("Text"), url}});
}
