// SPDX-License-Identifier: Apache-2.0
#include "frmQuiravel.h"

#include "BrowserControl.h"
#include "FormLayout.h"
#include "StatusLabel.h"
#include "StatusText.h"
#include "ViewerOwner.h"
#include "contract/HostContract.h"
#include "platform/ComError.h"
#include "platform/Locale.h"
#include "platform/MessageBox.h"
#include "printfile/TagSubstitution.h"
#include "printfile/TemplatePrintFile.h"
#include "resources/Toolkit_LoadResource.h"
#include "viewer/ViewerLogging.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QtGlobal>
#include <utility>

using HostContract::LoadMode;

namespace {

// Far longer than any page takes to load: a holder that hangs does not
// hang every later run.
constexpr int kPageFileLockWaitMs = 30000;

const QString kBrowserName = QStringLiteral("MyBrowser");
const char *const kTagProperty = "Tag";

// Twips per pixel at the design resolution.
constexpr int kTwipsPerPixel = 15;

/// Every viewer window loaded in this process, in the order they loaded.
QList<QPointer<frmQuiravel>> &loadedWindows()
{
    static QList<QPointer<frmQuiravel>> windows;
    return windows;
}

int &liveWindows()
{
    static int count = 0;
    return count;
}

/// The failure being handled, as the user reads it after "Error :"; for use
/// inside a handler only. A host's failure carries its own description.
QString describeCaught()
{
    try {
        throw;
    } catch (const ComError &e) {
        return e.description();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return {};
    }
}

} // namespace

frmQuiravel::frmQuiravel(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quiravel"));

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->hide();

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(false);
    m_statusLabel = new StatusLabel(statusBar);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    statusBar->addWidget(m_statusLabel, 1);
    statusBar->setMinimumHeight(375 / kTwipsPerPixel);
    setStatusBar(statusBar);

    createMenus();

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    resize(8220 / kTwipsPerPixel, 6570 / kTwipsPerPixel + menuBar()->sizeHint().height());
    ++liveWindows();
}

frmQuiravel::~frmQuiravel()
{
    unsetCursor();
    loadedWindows().removeAll(this);
    --liveWindows();
}

int frmQuiravel::liveCount()
{
    return liveWindows();
}

frmQuiravel::RunningScope::RunningScope(frmQuiravel *window) : m_window(window)
{
    ++m_window->m_running;
}

frmQuiravel::RunningScope::~RunningScope()
{
    if (--m_window->m_running == 0 && std::exchange(m_window->m_deleteWhenIdle, false))
        m_window->deleteLater();
}

bool frmQuiravel::event(QEvent *event)
{
    // A deletion posted from inside a nested loop is delivered by that same
    // loop, while the code that opened it (a prompt that is the window's
    // child among it) still runs on the window: it waits until that returns.
    if (event->type() == QEvent::DeferredDelete && m_running > 0) {
        m_deleteWhenIdle = true;
        return true;
    }
    return QMainWindow::event(event);
}

void frmQuiravel::createMenus()
{
    menuBar()->addMenu(createFileMenu());
    menuBar()->addMenu(createViewMenu());
    createHelpEntry();
    createReportShortcuts();
}

QAction *frmQuiravel::registerEntry(QAction *action, const QString &name, const char *tag)
{
    action->setObjectName(name);
    action->setProperty(kTagProperty, QString::fromLatin1(tag));
    m_menuEntries.append(action);
    return action;
}

void frmQuiravel::connectCommand(QAction *action, void (frmQuiravel::*command)())
{
    m_commands.insert(action, command);
    connect(action, &QAction::triggered, this, [this, action, command](bool checked) {
        // Check marks are the commands' business, not the click's.
        if (action->isCheckable())
            action->setChecked(!checked);
        try {
            runAction(command);
        } catch (...) {
            // A failure status ends the command, silently: the user hears of
            // failures only through the window's own texts. Nothing may
            // unwind through the event loop.
            qCWarning(lcViewer, "The command %s ended: %s", qUtf8Printable(action->objectName()),
                      qUtf8Printable(failureForLog()));
        }
    });
}

void frmQuiravel::runAction(void (frmQuiravel::*command)())
{
    RunningScope running(this);
    (this->*command)();
}

bool frmQuiravel::runCommand(const QString &name)
{
    QAction *action = findChild<QAction *>(name);
    const auto command = m_commands.constFind(action);
    if (!action || command == m_commands.cend())
        return false;
    // A disabled entry does nothing, as a click on it does.
    if (action->isEnabled())
        runAction(*command);
    return true;
}

QMenu *frmQuiravel::createFileMenu()
{
    auto *menu = new QMenu(QStringLiteral("&Datei"), this);
    registerEntry(menu->menuAction(), QStringLiteral("datei_m"), "101");

    QAction *print =
        registerEntry(menu->addAction(QStringLiteral("&Drucken")), QStringLiteral("Drucken_m"), "116");
    connectCommand(print, &frmQuiravel::Drucken_m_Click);

    QAction *preview = registerEntry(menu->addAction(QStringLiteral("D&ruckvorschau")),
                                     QStringLiteral("Druckvorschau_m"), "117");
    preview->setVisible(false);
    preview->setEnabled(false);
    connectCommand(preview, &frmQuiravel::Druckvorschau_m_Click);

    QAction *separator = registerEntry(menu->addSeparator(), QStringLiteral("leer0_m"), "");
    separator->setText(QStringLiteral("-"));

    QAction *exit =
        registerEntry(menu->addAction(QStringLiteral("&Beenden")), QStringLiteral("Beenden_m"), "105");
    connectCommand(exit, &frmQuiravel::Beenden_m_Click);
    return menu;
}

QMenu *frmQuiravel::createViewMenu()
{
    auto *menu = new QMenu(QStringLiteral("&Ansicht"), this);
    registerEntry(menu->menuAction(), QStringLiteral("bearbeiten_m"), "106");

    const struct
    {
        const char *name;
        const char *caption;
        const char *tag;
        void (frmQuiravel::*command)();
    } entries[] = {
        {QuiravelCommand::kApplicationData, "&Oberfläche", "118", &frmQuiravel::srcValue_Click},
        {QuiravelCommand::kDatabaseData, "&Datenbank", "119", &frmQuiravel::scrDatabase_Click},
        {QuiravelCommand::kDeviceData, "&Gerät", "120", &frmQuiravel::scrShadow_Click},
    };
    for (const auto &entry : entries) {
        QAction *action = registerEntry(menu->addAction(QString::fromUtf8(entry.caption)),
                                        QString::fromLatin1(entry.name), entry.tag);
        action->setCheckable(true);
        connectCommand(action, entry.command);
    }
    return menu;
}

void frmQuiravel::createHelpEntry()
{
    QAction *help =
        registerEntry(menuBar()->addAction(QStringLiteral("&Hilfe")), QStringLiteral("m_Help"), "126");
    connectCommand(help, &frmQuiravel::m_Help_Click);
}

void frmQuiravel::createReportShortcuts()
{
    // The reports have no menu entry; they are reachable from the keyboard
    // only, so the menu tree stays as designed.
    const struct
    {
        const char *name;
        QKeySequence keys;
        void (frmQuiravel::*command)();
    } shortcuts[] = {
        {"applicationReport", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
         &frmQuiravel::ShowApplicationReport},
        {"databaseReport", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), &frmQuiravel::ShowDatabaseReport},
        {"deviceReport", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), &frmQuiravel::ShowDeviceReport},
    };
    for (const auto &shortcut : shortcuts) {
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(shortcut.name));
        action->setShortcut(shortcut.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connectCommand(action, shortcut.command);
    }
}

MsgResult frmQuiravel::MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title,
                              QWidget *parent)
{
    RunningScope running(this);
    const MessageRequest request{title, text, buttons, icon};
    if (ViewerOwner *owner = m_owner)
        return owner->showMessage(request, parent);
    return ::MsgBox(text, buttons, icon, title, parent);
}

void frmQuiravel::SetOwner(ViewerOwner *owner)
{
    m_owner = owner;
}

QAction *frmQuiravel::menuEntry(const QString &name) const
{
    for (QAction *action : m_menuEntries)
        if (action->objectName() == name)
            return action;
    return nullptr;
}

QStatusBar *frmQuiravel::StatusBar1() const
{
    return statusBar();
}

QString frmQuiravel::statusText() const
{
    return m_statusLabel->fullText();
}

void frmQuiravel::setStatusText(const QString &text)
{
    m_statusLabel->setFullText(text);
}

bool frmQuiravel::ShowWindow()
{
    RunningScope running(this);
    if (!m_loaded)
        Form_Load();
    if (m_unloaded)
        return false;
    show();
    return true;
}

void frmQuiravel::Unload()
{
    hide();
    Form_Unload();
}

void frmQuiravel::Form_Load()
{
    if (m_loaded || m_unloaded)
        return;
    m_loaded = true;
    loadedWindows().append(this);

    m_previewChecked = false;
    setWindowTitle(GetLocalString(1146));

    try {
        BrowserControl *browser = ControlFactory::create(QStringLiteral("shell.explorer"), centralWidget());
        browser->setObjectName(kBrowserName);
        m_browser = browser;
        browser->widget()->setParent(centralWidget());
        browser->widget()->move(0, 0);
        browser->widget()->hide();
        connect(browser, &BrowserControl::objectEvent, this, &frmQuiravel::WebBrowser1_ObjectEvent);
        connect(browser, &BrowserControl::rendererLost, this, &frmQuiravel::onRendererLost);
        connect(browser, &BrowserControl::loadFinished, this, &frmQuiravel::onLoadFinished);
        Form_Resize();

        browser->setRegisterAsBrowser(true);
        browser->setRegisterAsDropTarget(false);
        browser->setOffline(true);
    } catch (const std::exception &) {
        qCWarning(lcViewer, "The browser cannot be created: %s", qUtf8Printable(failureForLog()));
        MsgBox(GetLocalString(1143));
        Unload();
        return;
    }

    SetCaptionsFromTags();

    const QString fileName = m_owner ? m_owner->GetTemplateFileName() : QString();
    m_templatePath = (m_owner ? m_owner->GetTemplateDirectory() : QString()) + fileName;
    if (fileName.isEmpty()) {
        MsgBox(GetLocalString(1136));
        return;
    }
    try {
        m_browser->Navigate(m_templatePath);
    } catch (const std::exception &) {
        qCWarning(lcViewer, "The browser cannot open %s: %s", qUtf8Printable(m_templatePath),
                  qUtf8Printable(failureForLog()));
        MsgBox(GetLocalString(1143));
        Unload();
    }
}

void frmQuiravel::SetCaptionsFromTags()
{
    for (const QPointer<frmQuiravel> &window : std::as_const(loadedWindows())) {
        if (!window)
            continue;
        for (QAction *entry : std::as_const(window->m_menuEntries)) {
            const QString tag = entry->property(kTagProperty).toString();
            if (!tag.isEmpty())
                entry->setText(GetLocalString(static_cast<std::int16_t>(tag.toShort())));
        }
    }
}

void frmQuiravel::Form_Resize()
{
    if (!m_browser || !m_browser->widget())
        return;
    QWidget *view = m_browser->widget();
    // The client area starts below the menu bar and includes the status bar.
    const int clientTop = centralWidget()->y();
    const BrowserGeometry current{view->width(), view->height()};
    const BrowserGeometry next =
        layoutBrowser(width(), height() - clientTop, view->y(), statusBar()->height(), current);
    if (next != current)
        view->resize(next.width, next.height);
}

void frmQuiravel::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmQuiravel::closeEvent(QCloseEvent *event)
{
    event->accept();
    try {
        Form_Unload();
    } catch (const std::exception &) {
        // The user closed the window: no host call waits for the status of
        // the release, and the window is gone all the same.
        qCWarning(lcViewer, "Closing the window: the host's release failed: %s",
                  qUtf8Printable(failureForLog()));
    }
}

void frmQuiravel::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    loadedWindows().removeAll(this);
    m_busy = 0;
    unsetCursor();
    closeDialogs();

    BrowserControl *browser = findChild<BrowserControl *>(kBrowserName);
    if (!browser)
        browser = m_browser;
    if (browser) {
        disconnect(browser, nullptr, this, nullptr);
        // The browser may be the sender of the event being handled; it goes
        // when control returns to the event loop.
        if (QWidget *view = browser->widget()) {
            view->hide();
            view->deleteLater();
        }
        browser->deleteLater();
    }
    m_browser = nullptr;
    if (m_running > 0)
        m_deleteWhenIdle = true;
    else
        deleteLater();

    // Last, so that a failure status of the release leaves a closed window.
    if (ViewerOwner *owner = std::exchange(m_owner, nullptr))
        owner->ReleaseHost();
}

void frmQuiravel::Beenden_m_Click()
{
    close();
    // A window that was never shown still unloads.
    Form_Unload();
}

void frmQuiravel::m_Help_Click()
{
    MsgBox(GetLocalString(100) + GetLocalString(99));
}

void frmQuiravel::closeDialogs()
{
    // Their loops return, and the commands that opened them find the window
    // unloaded.
    for (QDialog *dialog : findChildren<QDialog *>())
        if (dialog->isVisible())
            dialog->reject();
}

void frmQuiravel::setBusy(bool busy)
{
    // Commands nest (one may start inside another's upload wait): the
    // pointer stays until the outermost one ends, also when an inner one fails.
    if (m_unloaded)
        return;
    m_busy += busy ? 1 : -1;
    // The host's own windows keep their pointer, also while an upload waits.
    if (busy && m_busy == 1)
        setCursor(Qt::WaitCursor);
    else if (!busy && m_busy == 0)
        unsetCursor();
}

void frmQuiravel::setViewChecks(QAction *checked)
{
    for (const char *name :
         {QuiravelCommand::kApplicationData, QuiravelCommand::kDatabaseData, QuiravelCommand::kDeviceData}) {
        QAction *entry = menuEntry(QString::fromLatin1(name));
        entry->setChecked(entry == checked);
    }
}

void frmQuiravel::setBrowserVisible(bool visible)
{
    if (m_browser && m_browser->widget())
        m_browser->widget()->setVisible(visible);
}

bool frmQuiravel::goneAfterNestedLoop(const QPointer<frmQuiravel> &self)
{
    return !self || self->m_unloaded;
}

bool frmQuiravel::reloadAndShow(std::int32_t mode, std::int16_t statusId, void (frmQuiravel::*show)())
{
    RunningScope running(this);
    setBusy(true);
    QPointer<frmQuiravel> self(this);
    const auto notBusy = qScopeGuard([this] { setBusy(false); });
    if (statusId)
        setStatusText(GetLocalString(statusId));

    // Loading may wait for an upload, and showing the page may report a
    // missing template or a file that cannot be written: each runs a nested
    // event loop in which the window can be closed and the owner detached.
    const bool loaded = m_owner && m_owner->LoadData(mode);
    if (goneAfterNestedLoop(self))
        return false;
    if (loaded) {
        setStatusText(GetLocalString(1138));
        (this->*show)();
        if (goneAfterNestedLoop(self))
            return false;
    }
    setStatusText(QString());
    return true;
}

bool frmQuiravel::reloadPrintView(std::int32_t mode, std::int16_t sourceCaptionId, std::int16_t statusId)
{
    setWindowTitle(GetLocalString(1146) + GetLocalString(sourceCaptionId));
    setBrowserVisible(false);
    return reloadAndShow(mode, statusId, &frmQuiravel::MakeTemplatePrintFile);
}

void frmQuiravel::srcValue_Click()
{
    setViewChecks(menuEntry(QLatin1StringView(QuiravelCommand::kApplicationData)));
    reloadPrintView(qToUnderlying(LoadMode::Application), 1147, 0);
}

void frmQuiravel::confirmAndReload(std::int32_t mode, std::int16_t sourceCaptionId, std::int16_t statusId,
                                   const char *entry)
{
    RunningScope running(this);
    QPointer<frmQuiravel> self(this);
    const MsgResult answer = MsgBox(GetLocalString(1142), MsgButtons::OkCancel, MsgIcon::Information,
                                    GetLocalString(statusId), this);
    if (goneAfterNestedLoop(self) || answer != vbOK)
        return;
    if (reloadPrintView(mode, sourceCaptionId, statusId))
        setViewChecks(menuEntry(QLatin1StringView(entry)));
}

void frmQuiravel::scrDatabase_Click()
{
    confirmAndReload(qToUnderlying(LoadMode::Database), 1149, 1137, QuiravelCommand::kDatabaseData);
}

void frmQuiravel::scrShadow_Click()
{
    RunningScope running(this);
    QPointer<frmQuiravel> self(this);
    const bool connected = m_owner && m_owner->IsDeviceConnected();
    if (goneAfterNestedLoop(self) || !connected)
        return;
    confirmAndReload(qToUnderlying(LoadMode::Device), 1148, 1139, QuiravelCommand::kDeviceData);
}

void frmQuiravel::MakeTemplatePrintFile()
{
    if (!m_owner)
        return;
    m_generationErrorPath.clear();
    m_generationError.clear();
    const QString directory = m_owner->GetTemplateDirectory();
    const QString fileName = m_owner->GetTemplateFileName();
    const QString templatePath = directory + fileName;
    QString whyNot;
    const QString found = findTemplate(directory, fileName, &whyNot);
    if (found.isEmpty()) {
        m_generationErrorPath = templatePath;
        m_generationError = whyNot;
        MsgBox(templatePath + QStringLiteral(": ") + GetLocalString(1131));
        return;
    }
    m_printFilePath = printFilePathFor(templatePath);
    m_pagePath = m_printFilePath;
    m_pageFileLock.acquire(m_printFilePath, kPageFileLockWaitMs);

    const PrintFileResult result = writeTemplatePrintFile(found, m_printFilePath, [this](QString &line) {
        // A line whose tags cannot be filled is written as it was read.
        try {
            FillTemplateLine(line);
        } catch (const std::exception &) {
            qCWarning(lcViewer, "The template line \"%s\" is written as read, a tag in it failed: %s",
                      qUtf8Printable(line.trimmed()), qUtf8Printable(failureForLog()));
        }
    });
    // Not shown to the user: the copy runs with errors suppressed. The host
    // can ask.
    m_generationErrorPath = result.failedPath;
    m_generationError = result.reason;
    if (!result.templateOpened) {
        m_pageFileLock.release();
        return;
    }
    try {
        setBrowserVisible(true);
        if (m_browser)
            m_browser->Navigate(m_printFilePath);
    } catch (const std::exception &) {
        qCWarning(lcViewer, "The browser cannot open %s: %s", qUtf8Printable(m_printFilePath),
                  qUtf8Printable(failureForLog()));
    }
}

void frmQuiravel::FillTemplateLine(QString &line)
{
    m_text1->setText(line);
    ViewerOwner *owner = m_owner;
    if (owner) {
        if (const std::optional<TagContext> context = owner->lineTagContext()) {
            ::FillTemplateLine(line, *context);
            return;
        }
    }
    ::FillTemplateLine(line, [owner](const QString &tag) {
        if (!owner)
            throw ComError(E_UNEXPECTED, QStringLiteral("The window has no owner"));
        return owner->GetTagValue(tag, true);
    });
}

void frmQuiravel::ShowDefaultReport()
{
    // A report that could not be written is not shown: the browser would
    // show an older report or none.
    m_generationErrorPath.clear();
    m_generationError.clear();
    try {
        if (!m_owner)
            throw ComError(E_UNEXPECTED, QStringLiteral("The window has no owner"));
        const QString path =
            m_owner->GetTemplateDirectory() + QString::fromLatin1(HostContract::kReportFileName);
        m_pagePath = path;
        m_pageFileLock.acquire(path, kPageFileLockWaitMs);
        try {
            m_owner->WriteReportFile(path);
        } catch (const std::exception &) {
            qCWarning(lcViewer, "The report %s is not written: %s", qUtf8Printable(path),
                      qUtf8Printable(failureForLog()));
            m_pageFileLock.release();
            m_generationErrorPath = path;
            m_generationError = describeCaught();
            throw;
        }
        setBrowserVisible(true);
        if (!m_browser)
            throw ComError(E_UNEXPECTED, QStringLiteral("The window has no browser"));
        m_browser->Navigate(path);
    } catch (const std::exception &) {
        MsgBox(QStringLiteral("Error :") + describeCaught());
    }
}

void frmQuiravel::ShowApplicationReport()
{
    reloadAndShow(qToUnderlying(LoadMode::Application), 0, &frmQuiravel::ShowDefaultReport);
}

void frmQuiravel::ShowDatabaseReport()
{
    reloadAndShow(qToUnderlying(LoadMode::Database), 1137, &frmQuiravel::ShowDefaultReport);
}

void frmQuiravel::ShowDeviceReport()
{
    reloadAndShow(qToUnderlying(LoadMode::Device), 1139, &frmQuiravel::ShowDefaultReport);
}

void frmQuiravel::runDocumentCommand(std::int32_t command, std::int32_t option, std::int16_t disabledMessage)
{
    // Runs with errors suppressed: a failed step is skipped, nothing is
    // reported.
    RunningScope running(this);
    if (!m_browser)
        return;
    std::int32_t flags = 0;
    try {
        flags = m_browser->QueryStatusWB(command);
    } catch (const std::exception &) {
        qCWarning(lcViewer, "The browser cannot say whether command %d is available: %s", int(command),
                  qUtf8Printable(failureForLog()));
        return;
    }
    if (flags & OLECMDF_ENABLED) {
        try {
            m_browser->ExecWB(command, option, m_printFilePath);
        } catch (const std::exception &) {
            qCWarning(lcViewer, "The browser's command %d failed: %s", int(command),
                      qUtf8Printable(failureForLog()));
        }
        return;
    }
    try {
        MsgBox(GetLocalString(disabledMessage));
    } catch (const std::exception &) {
        qCWarning(lcViewer, "The message that command %d is unavailable failed: %s", int(command),
                  qUtf8Printable(failureForLog()));
    }
}

void frmQuiravel::setPrintEntriesEnabled(bool enabled)
{
    menuEntry(QStringLiteral("Drucken_m"))->setEnabled(enabled);
    // Preview stays off where the first page said the browser cannot do it.
    QAction *preview = menuEntry(QStringLiteral("Druckvorschau_m"));
    preview->setEnabled(enabled && preview->isVisible());
}

void frmQuiravel::onRendererLost()
{
    // Printing a page without its renderer crashes or hangs in the engine.
    m_rendererLost = true;
    for (QDialog *dialog : findChildren<QDialog *>()) {
        if (dialog->isVisible() &&
            (dialog->inherits("QAbstractPrintDialog") || dialog->inherits("QPrintPreviewDialog")))
            dialog->reject();
    }
    setPrintEntriesEnabled(false);
    // Only a page that was shown is brought back, and once: a renderer that
    // cannot start fails the load it dies in, and reloading it again and
    // again would keep that failure from ever being heard.
    if (!std::exchange(m_pageShownOk, false))
        return;
    // Not from inside the engine's own notification.
    QTimer::singleShot(0, this, [this] {
        if (m_browser && !m_unloaded && !m_browser->locationUrl().isEmpty()) {
            try {
                m_browser->Navigate(m_browser->locationUrl());
            } catch (const std::exception &) {
                // The page stays blank and printing off; the window is usable.
                qCWarning(lcViewer, "The page %s cannot be shown again after its renderer was lost: %s",
                          qUtf8Printable(m_browser->locationUrl()), qUtf8Printable(failureForLog()));
            }
        }
    });
}

void frmQuiravel::onLoadFinished(bool ok)
{
    m_pageShownOk = ok;
    if (m_rendererLost && ok) {
        m_rendererLost = false;
        setPrintEntriesEnabled(true);
    }
}

void frmQuiravel::Drucken_m_Click()
{
    runDocumentCommand(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, 1144);
}

void frmQuiravel::Druckvorschau_m_Click()
{
    runDocumentCommand(OLECMDID_PRINTPREVIEW, OLECMDEXECOPT_DODEFAULT, 1145);
}

void frmQuiravel::WebBrowser1_ObjectEvent(const QString &name, const QVariantMap &parameters)
{
    // Runs with errors suppressed: nothing reaches the user or the browser.
    try {
        if (name == QLatin1String("NavigateComplete2")) {
            // A page is there; a failed load says so right after.
            m_pageShownOk = true;
            if (m_previewChecked)
                return;
            try {
                if (!m_browser)
                    throw ComError(E_UNEXPECTED);
                const bool enabled = m_browser->QueryStatusWB(OLECMDID_PRINTPREVIEW) & OLECMDF_ENABLED;
                QAction *preview = menuEntry(QStringLiteral("Druckvorschau_m"));
                preview->setVisible(enabled);
                preview->setEnabled(enabled);
            } catch (const std::exception &) {
                qCWarning(lcViewer, "The browser cannot say whether it previews: %s",
                          qUtf8Printable(failureForLog()));
            }
            m_previewChecked = true;
        } else if (name == QLatin1String("ProgressChange")) {
            bool progressOk = false;
            bool maxOk = false;
            const qlonglong progress = parameters.value(QStringLiteral("Progress")).toLongLong(&progressOk);
            const qlonglong progressMax = parameters.value(QStringLiteral("ProgressMax")).toLongLong(&maxOk);
            const auto fits = [](qlonglong v) { return v >= INT32_MIN && v <= INT32_MAX; };
            if (!progressOk || !maxOk || !fits(progress) || !fits(progressMax))
                return;
            const std::optional<QString> text = progressStatusText(
                std::int32_t(progress), std::int32_t(progressMax), UserLocale::decimalSeparator());
            if (text)
                setStatusText(*text);
        } else if (name == QLatin1String("StatusTextChange")) {
            setStatusText(parameters.value(QStringLiteral("Text")).toString());
        } else if (name == QLatin1String("DocumentComplete")) {
            // The browser has read the page: another run may write it anew.
            m_pageFileLock.release();
        }
    } catch (const std::exception &) {
        qCWarning(lcViewer, "The browser's event %s failed: %s", qUtf8Printable(name),
                  qUtf8Printable(failureForLog()));
    }
}
