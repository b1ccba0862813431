// The browser control realised with Qt WebEngine: a web view in the
// process's off-the-record profile whose network access can be cut off
// entirely.
#pragma once

#include "BrowserControl.h"

#include <QPointer>
#include <QWebEngineUrlRequestInterceptor>
#include <atomic>
#include <memory>

class SafeFileWriter;

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class PrintHandler;

/// Blocks, while enabled, every request that would leave the machine: only
/// file, data, blob, qrc and about URLs pass.
class OfflineRequestInterceptor : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }
    /// How many requests were blocked so far.
    int blockedCount() const { return m_blocked; }

    /// True for the schemes that never reach a network.
    static bool isLocalScheme(const QString &scheme);

private:
    std::atomic<bool> m_enabled{false};
    std::atomic<int> m_blocked{0};
};

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
    /// The URL a navigation target resolves to.
    static QUrl urlForPath(const QString &path);

private:
    void onLoadStarted();
    void onLoadProgress(int progress);
    void onLoadFinished(bool ok);
    void onLinkHovered(const QString &url);
    void onPdfPrintingFinished(const QString &filePath, bool ok);

    QWebEngineProfile *m_profile = nullptr;
    OfflineRequestInterceptor *m_interceptor = nullptr;
    QPointer<QWebEngineView> m_view;
    QWebEnginePage *m_page = nullptr;
    PrintHandler *m_printHandler = nullptr;
    /// The PDF being printed: the engine writes its new file, which takes
    /// the target's name only when complete.
    std::unique_ptr<SafeFileWriter> m_pdfFile;
    QString m_pdfPath;
    QString m_location;
    bool m_registerAsBrowser = false;
    bool m_offline = false;
    bool m_documentShown = false;
};
