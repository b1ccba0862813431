// SPDX-License-Identifier: Apache-2.0
// The page of the browser control: a device's print view, which is content
// from a device vendor and a device, never code that may run, read or send.
#pragma once

#include <QMutex>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>
#include <atomic>

/// Whether the browser controls created now run a page's script (the host's
/// kQuiravelPageScriptVariable).
bool pageScriptEnabled();

/// Adds, before the browser engine first starts in this process, the engine
/// switches that keep every page off the network below the level of page
/// requests (name lookups, QUIC, WebRTC's UDP, multicast name announcements).
/// Answers false when the engine was already started by someone else, and the
/// switches are then the host's own.
bool prepareEngineSwitches();

/// Lets pass only what lies inside the device's folder (no folder listings)
/// and the schemes that carry their content in the page itself; while
/// offline nothing else passes either.
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

    /// The folder whose files pages may load; empty: no local file at all.
    void setDeviceFolder(const QString &folder);
    /// True for a file URL of a file (not a folder) inside the device folder,
    /// links resolved.
    bool isInDeviceFolder(const QUrl &url) const;

    /// True for the schemes whose content is the URL itself or the page's own.
    static bool isInlineScheme(const QString &scheme);

private:
    std::atomic<bool> m_enabled{false};
    std::atomic<int> m_blocked{0};
    mutable QMutex m_folderLock;
    QString m_folder; ///< canonical, ends with "/"
};

class WebEngineBrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    WebEngineBrowserPage(QWebEngineProfile *profile, const OfflineRequestInterceptor *files,
                         QObject *parent = nullptr);

    /// The URL the host navigates to next; its navigation is always let through.
    void expectNavigation(const QUrl &url) { m_expected = url; }
    QUrl expectedNavigation() const { return m_expected; }
    /// How many navigations were refused so far.
    int refusedNavigations() const { return m_refused; }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    // The engine would answer these with a dialog of its own, which runs a
    // nested event loop in which the host may delete the view under it.
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    void refuseFeature(const QUrl &securityOrigin, Feature feature);

    const OfflineRequestInterceptor *m_files;
    QUrl m_expected;
    int m_refused = 0;
};
