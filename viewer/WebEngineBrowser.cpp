#include "WebEngineBrowser.h"

#include "PrintHandler.h"
#include "WebEngineInstallation.h"
#include "platform/ComError.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineView>
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

bool OfflineRequestInterceptor::isLocalScheme(const QString &scheme)
{
    static const QStringList local{QStringLiteral("file"), QStringLiteral("data"), QStringLiteral("blob"),
                                   QStringLiteral("qrc"), QStringLiteral("about")};
    return local.contains(scheme.toLower());
}

void OfflineRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!m_enabled || isLocalScheme(info.requestUrl().scheme()))
        return;
    info.block(true);
    ++m_blocked;
}

WebEngineBrowser::WebEngineBrowser(QWidget *parent) : BrowserControl(parent)
{
    // An engine that cannot start would end the host's process, not fail.
    if (const QString problem = webEngineStartProblem(); !problem.isEmpty())
        throw ComError(E_FAIL, problem);

    m_profile = acquireProfile();
    m_interceptor = new OfflineRequestInterceptor(this);

    m_view = new QWebEngineView(parent);
    m_page = new QWebEnginePage(m_profile, m_view);
    // Each control goes offline on its own; the profile is shared.
    m_page->setUrlRequestInterceptor(m_interceptor);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    // A page that cannot be loaded shows an error page, a document that
    // prints like any other.
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    m_printHandler = new PrintHandler(m_view, this);

    connect(m_page, &QWebEnginePage::loadStarted, this, &WebEngineBrowser::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadProgress, this, &WebEngineBrowser::onLoadProgress);
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebEngineBrowser::onLoadFinished);
    connect(m_page, &QWebEnginePage::linkHovered, this, &WebEngineBrowser::onLinkHovered);
    connect(m_page, &QWebEnginePage::pdfPrintingFinished, this, &WebEngineBrowser::onPdfPrintingFinished);
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
    m_view->load(urlForPath(path));
}

std::int32_t WebEngineBrowser::QueryStatusWB(std::int32_t command)
{
    switch (command) {
    case OLECMDID_PRINT:
    case OLECMDID_PRINTPREVIEW:
        return m_documentShown ? kCommandSupported | OLECMDF_ENABLED : kCommandSupported;
    default:
        return 0;
    }
}

void WebEngineBrowser::ExecWB(std::int32_t command, std::int32_t option, const QVariant &in)
{
    if (command != OLECMDID_PRINT && command != OLECMDID_PRINTPREVIEW)
        throw ComError(E_NOTIMPL, QStringLiteral("Command %1 is not supported").arg(command));
    if (!m_documentShown)
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
        // Answered later, as the engine would, so that callers see one order.
        QMetaObject::invokeMethod(
            this, [this, path] { emit pdfPrintingFinished(path, false); }, Qt::QueuedConnection);
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
        emit pdfPrintingFinished(filePath, ok);
        return;
    }
    const std::unique_ptr<SafeFileWriter> file = std::move(m_pdfFile);
    const QString path = std::exchange(m_pdfPath, QString());
    // An empty file is no PDF: the engine had nothing to print.
    struct stat written;
    if (ok && (::stat(QFile::encodeName(filePath).constData(), &written) != 0 || written.st_size == 0))
        ok = false;
    if (ok)
        ok = file->commit();
    else
        file->discard();
    emit pdfPrintingFinished(path, ok);
}

void WebEngineBrowser::onLoadStarted()
{
    emit objectEvent(QStringLiteral("ProgressChange"),
                     {{QStringLiteral("Progress"), 0}, {QStringLiteral("ProgressMax"), 100}});
}

void WebEngineBrowser::onLoadProgress(int progress)
{
    emit objectEvent(QStringLiteral("ProgressChange"),
                     {{QStringLiteral("Progress"), progress}, {QStringLiteral("ProgressMax"), 100}});
}

void WebEngineBrowser::onLoadFinished(bool ok)
{
    // A failed load leaves the engine's error page, which is a document
    // too. Print commands are queried on the completed navigation, so it
    // counts as shown before anyone hears of it.
    m_documentShown = true;
    const QString url = m_page->url().toString();
    emit objectEvent(QStringLiteral("NavigateComplete2"), {{QStringLiteral("URL"), url}});
    emit objectEvent(QStringLiteral("ProgressChange"),
                     {{QStringLiteral("Progress"), -1}, {QStringLiteral("ProgressMax"), 100}});
    emit objectEvent(QStringLiteral("DocumentComplete"), {{QStringLiteral("URL"), url}});
    emit loadFinished(ok);
}

void WebEngineBrowser::onLinkHovered(const QString &url)
{
    emit objectEvent(QStringLiteral("StatusTextChange"), {{QStringLiteral("Text"), url}});
}
