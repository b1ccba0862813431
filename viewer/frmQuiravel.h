// SPDX-License-Identifier: Apache-2.0
// The viewer window: menu bar, status bar and the embedded browser showing
// the print view, with the window's commands.
#pragma once

#include "BrowserControl.h"
#include "platform/FileLock.h"
#include "platform/MessageBox.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>

class QAction;
class QMenu;
class QLineEdit;
class QStatusBar;
class StatusLabel;
class ViewerOwner;

class frmQuiravel : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmQuiravel(QWidget *parent = nullptr);
    ~frmQuiravel() override;

    /// The owning component (nullptr detaches).
    void SetOwner(ViewerOwner *owner);

    /// Loads the window on first use (Form_Load) and shows it, modeless.
    /// Answers false when the window is not (or no longer) loaded afterwards.
    bool ShowWindow();
    /// Unloads the window (Form_Unload): closes it for good; the object is
    /// deleted later. Safe to call more than once. A failure status of the
    /// owner's release is thrown after the window has closed.
    void Unload();
    bool isLoaded() const { return m_loaded; }
    bool isUnloaded() const { return m_unloaded; }
    /// Runs the command of the menu entry or shortcut `name` as a click
    /// would, but lets its failure status reach the caller (ComError).
    /// False when no such entry exists; a disabled one does nothing.
    bool runCommand(const QString &name);
    /// Viewer windows of this process not yet deleted, unloaded or not.
    static int liveCount();

    // --- The window's own operations ---
    void Form_Load();
    void SetCaptionsFromTags();
    void Form_Resize();
    void Beenden_m_Click();
    void m_Help_Click();

    // --- Data source commands (View menu) ---
    void srcValue_Click();
    void scrDatabase_Click();
    void scrShadow_Click();

    // --- Print file and report ---
    void MakeTemplatePrintFile();
    void FillTemplateLine(QString &line);
    void ShowDefaultReport();
    void ShowApplicationReport();
    void ShowDatabaseReport();
    void ShowDeviceReport();

    // --- Print commands and browser events ---
    void Drucken_m_Click();
    void Druckvorschau_m_Click();
    void WebBrowser1_ObjectEvent(const QString &name, const QVariantMap &parameters);

    // --- State the commands read and tests observe ---
    BrowserControl *WebBrowser1() const { return m_browser; }
    QLineEdit *Text1() const { return m_text1; }
    QString printFilePath() const { return m_printFilePath; }
    /// The print file or the default report, whichever was generated last.
    QString pagePath() const { return m_pagePath; }
    /// The file that failed and why, when the page last generated (print
    /// file or report) could not be generated whole; both empty otherwise.
    QString generationErrorPath() const { return m_generationErrorPath; }
    QString generationError() const { return m_generationError; }
    QString statusText() const;
    void setStatusText(const QString &text);
    /// A menu entry by its name ("datei_m", "Drucken_m", ..., "m_Help").
    QAction *menuEntry(const QString &name) const;
    QStatusBar *StatusBar1() const;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    /// Marks a stretch of the window's own code that may run a nested event
    /// loop: the window is not deleted before the outermost one has ended,
    /// whatever closes it meanwhile.
    class RunningScope
    {
    public:
        explicit RunningScope(frmQuiravel *window);
        ~RunningScope();
        RunningScope(const RunningScope &) = delete;
        RunningScope &operator=(const RunningScope &) = delete;

    private:
        frmQuiravel *m_window;
    };

    /// Every message box of the window goes through its owner, so that each
    /// view's host hears only its own view's messages.
    MsgResult MsgBox(const QString &text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None,
                     const QString &title = kDefaultMessageTitle, QWidget *parent = nullptr);
    void createMenus();
    QMenu *createFileMenu();
    QMenu *createViewMenu();
    void createHelpEntry();
    void createReportShortcuts();
    QAction *registerEntry(QAction *action, const QString &name, const char *tag);
    void connectCommand(QAction *action, void (frmQuiravel::*command)());
    /// Runs a command of the window; its failure status is thrown.
    void runAction(void (frmQuiravel::*command)());
    /// Dialogs open on the window (prompts, print dialogs) end unanswered.
    void closeDialogs();
    /// The engine lost the page's renderer: printing is off until the page
    /// has loaded again, and it is loaded again.
    void onRendererLost();
    void onLoadFinished(bool ok);
    void setPrintEntriesEnabled(bool enabled);
    void Form_Unload();
    /// The window's busy (hourglass) pointer, on or off; undone at unload.
    void setBusy(bool busy);
    void setViewChecks(QAction *checked);
    void setBrowserVisible(bool visible);
    void runDocumentCommand(std::int32_t command, std::int32_t option, std::int16_t disabledMessage);
    /// Busy pointer, status texts, reload and `show` shared by the View
    /// menu's commands and the reports; false when the window went away
    /// meanwhile (it is then not touched again).
    bool reloadAndShow(std::int32_t mode, std::int16_t statusId, void (frmQuiravel::*show)());
    /// Asks before the data are overwritten, then reloadPrintView and, when
    /// the window stays, checks the menu `entry`.
    void confirmAndReload(std::int32_t mode, std::int16_t sourceCaptionId, std::int16_t statusId,
                          const char *entry);
    /// reloadAndShow of the print file, with the caption and the browser hidden.
    bool reloadPrintView(std::int32_t mode, std::int16_t sourceCaptionId, std::int16_t statusId);
    /// Static: the window may already be deleted, and calling a member of a
    /// deleted object is undefined even when it reads nothing.
    static bool goneAfterNestedLoop(const QPointer<frmQuiravel> &self);

    QPointer<BrowserControl> m_browser;
    ViewerOwner *m_owner = nullptr;
    QLineEdit *m_text1 = nullptr;
    StatusLabel *m_statusLabel = nullptr;
    QString m_templatePath;
    QString m_printFilePath;
    QString m_pagePath;
    /// Held from writing a page until the browser has loaded it, so that
    /// another process writing the same file waits.
    FileLock m_pageFileLock;
    QString m_generationErrorPath;
    QString m_generationError;
    bool m_previewChecked = false;
    bool m_loaded = false;
    bool m_unloaded = false;
    /// Commands running that show the busy pointer; it goes with the last.
    int m_busy = 0;
    /// Stretches of RunningScope on the stack.
    int m_running = 0;
    bool m_deleteWhenIdle = false;
    bool m_rendererLost = false;
    bool m_pageShownOk = false; ///< the last load finished with its page
    QHash<QAction *, void (frmQuiravel::*)()> m_commands;
    /// The menu entries in the window's order (captions are set in it).
    QList<QAction *> m_menuEntries;
};
