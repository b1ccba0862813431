// SPDX-License-Identifier: Apache-2.0
// The browser control realised with Qt WebEngine: a web view in the
// process's off-the-record profile whose network access can be cut off
// entirely, showing files of one device's folder.
#pragma once

#include "BrowserControl.h"
#include "WebEngineBrowserPage.h"

#include <QPointer>
#include <atomic>
#include <memory>

class SafeFileWriter;

class QWebEngineProfile;
class QWebEngineView;
class PrintHandler;

class WebEngineBrowser : public BrowserControl
{
    Q_OBJECT
public:
    /// The view becomes a child of `parent`; the control is a QObject child
    /// of it too. Throws ComError, before the engine starts, when this
    /// installation's engine cannot start.
    explicit WebEngineBrowser(QWidget *parent);
    ~WebEngineBrowser() override;

    QWidget *widget() const override;

    void setRegisterAsBrowser(bool value) override { m_registerAsBrowser = value; }
    void setRegisterAsDropTarget(bool value) override;
    void setOffline(bool value) override;
    bool offline() const override { return m_offline; }

    /// A local path ("\" accepted as separator) or a URL with its scheme.
    void Navigate(const QString &path) override;
    QString locationUrl() const override { return m_location; }

    std::int32_t QueryStatusWB(std::int32_t command) override;
    void ExecWB(std::int32_t command, std::int32_t option, const QVariant &in) override;
    void printToPdf(const QString &path) override;

    bool registerAsBrowser() const { return m_registerAsBrowser; }
    /// The request filter of the control's page (observable by tests).
    const OfflineRequestInterceptor *requestInterceptor() const { return m_interceptor; }
    const WebEngineBrowserPage *page() const { return m_page; }
    /// The URL a navigation target resolves to.
    static QUrl urlForPath(const QString &path);
    /// Whether two URLs name the same document (as the engine reports it).
    static bool sameDocument(const QUrl &a, const QUrl &b);

private:
    void onLoadStarted();
    void onLoadProgress(int progress);
    void onLoadFinished(bool ok);
    void onLinkHovered(const QString &url);
    void onPdfPrintingFinished(const QString &filePath, bool ok);

    QWebEngineProfile *m_profile = nullptr;
    OfflineRequestInterceptor *m_interceptor = nullptr;
    QPointer<QWebEngineView> m_view;
    void load(const QUrl &url);

    WebEngineBrowserPage *m_page = nullptr;
    PrintHandler *m_printHandler = nullptr;
    /// The PDF being printed: the engine writes its new file, which takes
    /// the target's name only when complete.
    std::unique_ptr<SafeFileWriter> m_pdfFile;
    QString m_pdfPath;
    QString m_location;
    bool m_registerAsBrowser = false;
    bool m_offline = false;
    bool m_documentShown = false;
    /// A load runs: from the control's own navigation or the page's start
    /// of one until the engine reports it finished.
    bool m_loading = false;
    /// A navigation to the page loading, asked for while it loads. The engine
    /// drops a second navigation to the URL it is loading, and would report
    /// the first load's page, read while the file was being rewritten, as
    /// the second.
    bool m_navigationPending = false;
    /// The load running is the control's own navigation, not the page's.
    bool m_ownLoad = false;
    /// The own navigation the running one replaced before it finished.
    QUrl m_replaced;
};
