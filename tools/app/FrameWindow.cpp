// SPDX-License-Identifier: Apache-2.0
#include "tools/app/FrameWindow.h"

#include "contract/QuiravelAutomation.h"
#include "tools/app/CallLogModel.h"
#include "tools/common/CallLogFile.h"
#include "tools/common/ToolOutput.h"
#include "tools/session/HostSession.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

FrameWindow::FrameWindow(HostSession &session, QWidget *parent) : QMainWindow(parent), m_session(session)
{
    setWindowTitle(tr("Quiravel frame - %1").arg(m_session.model().descriptionPath()));
    createViewMenu();
    createCommandMenu();
    createDeviceMenu();
    createLog();

    m_stateLabel = new QLabel(this);
    statusBar()->addPermanentWidget(m_stateLabel);

    connect(&m_session.model(), &DeviceModel::called, this, &FrameWindow::appendCall);
    connect(&m_session, &HostSession::messageShown, this, &FrameWindow::appendMessage);
    connect(&m_session, &HostSession::pageLoaded, this, [this](const QString &path, bool ok) {
        statusBar()->showMessage(ok ? tr("Page loaded: %1").arg(path)
                                    : tr("Page failed to load: %1").arg(path));
    });
    connect(&m_session, &HostSession::pdfFinished, this, [this](const QString &path, bool ok) {
        statusBar()->showMessage(ok ? tr("PDF written: %1").arg(path) : tr("PDF not written: %1").arg(path));
    });
    connect(&m_session, &HostSession::viewReleased, this, &FrameWindow::updateState);
    resize(900, 520);
    updateState();
}

void FrameWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT closed();
}

void FrameWindow::createViewMenu()
{
    QMenu *menu = menuBar()->addMenu(tr("&View"));
    QToolBar *toolBar = addToolBar(tr("View"));
    QAction *show = menu->addAction(tr("&Show view"), this, &FrameWindow::showView);
    QAction *hide = menu->addAction(tr("&Hide view"), this, &FrameWindow::hideView);
    QAction *close = menu->addAction(tr("&Close view"), this, &FrameWindow::closeView);
    toolBar->addActions({show, hide, close});
    m_viewActions << hide << close;
    menu->addSeparator();
    menu->addAction(tr("Clear &log"), this, [this] { m_logModel->clear(); });
    menu->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);
}

void FrameWindow::createCommandMenu()
{
    QMenu *menu = menuBar()->addMenu(tr("&Commands"));
    const QList<QPair<QString, QString>> commands = {
        {tr("Application data"), QString::fromLatin1(QuiravelCommand::kApplicationData)},
        {tr("Database data"), QString::fromLatin1(QuiravelCommand::kDatabaseData)},
        {tr("Device data"), QString::fromLatin1(QuiravelCommand::kDeviceData)},
        {QString(), QString()},
        {tr("Application report"), QString::fromLatin1(QuiravelCommand::kApplicationReport)},
        {tr("Database report"), QString::fromLatin1(QuiravelCommand::kDatabaseReport)},
        {tr("Device report"), QString::fromLatin1(QuiravelCommand::kDeviceReport)},
        {QString(), QString()},
        {tr("Print..."), QString::fromLatin1(QuiravelCommand::kPrint)},
        {tr("Print preview"), QString::fromLatin1(QuiravelCommand::kPrintPreview)},
    };
    for (const auto &[caption, command] : commands) {
        if (command.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(caption);
        connect(action, &QAction::triggered, this,
                [this, name = command, label = caption] { runCommand(name, QString(label).remove(u'&')); });
        m_viewActions << action;
    }
    m_viewActions << menu->addAction(tr("Print to &PDF..."), this, &FrameWindow::printToPdf);
}

void FrameWindow::createDeviceMenu()
{
    QMenu *menu = menuBar()->addMenu(tr("&Device"));
    QToolBar *toolBar = addToolBar(tr("Device"));
    m_connectAction = menu->addAction(tr("C&onnect device"), this, [this] { setConnected(true); });
    m_disconnectAction = menu->addAction(tr("&Disconnect device"), this, [this] { setConnected(false); });
    toolBar->addActions({m_connectAction, m_disconnectAction});
}

void FrameWindow::createLog()
{
    auto *log = new QWidget(this);
    auto *layout = new QVBoxLayout(log);
    layout->setContentsMargins(0, 0, 0, 0);
    m_logCount = new QLabel(log);
    layout->addWidget(m_logCount);
    m_logModel = new CallLogModel(10000, this);
    m_log = new QListView(log);
    // Rows of one height let the view draw only those on screen.
    m_log->setUniformItemSizes(true);
    m_log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_log->setModel(m_logModel);
    layout->addWidget(m_log);
    connect(m_logModel, &CallLogModel::changed, this, &FrameWindow::updateLogCount);
    updateLogCount(0, 0);
    setCentralWidget(log);
}

void FrameWindow::showView()
{
    if (!m_session.hasView()) {
        QString reason;
        if (FAILED(m_session.create(&reason))) {
            QMessageBox::warning(this, windowTitle(), reason);
            return;
        }
    }
    updateState();
    m_session.show();
    updateState();
}

void FrameWindow::hideView()
{
    m_session.hide();
}

void FrameWindow::closeView()
{
    m_session.destroy();
    updateState();
}

void FrameWindow::setConnected(bool connected)
{
    m_session.model().setConnected(connected);
    updateState();
}

void FrameWindow::runCommand(const QString &name, const QString &caption)
{
    const HRESULT hr = m_session.runCommand(name);
    if (FAILED(hr))
        statusBar()->showMessage(tr("%1 failed: %2").arg(caption, ToolOutput::statusText(hr)));
}

void FrameWindow::printToPdf()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Print to PDF"), QString(), tr("PDF files (*.pdf)"));
    if (!path.isEmpty())
        m_session.printToPdf(path);
}

void FrameWindow::appendCall(const HostCall &call)
{
    m_logModel->append(callLine(call), call.error != 0 || FAILED(call.status));
}

void FrameWindow::appendMessage(const QString &title, const QString &text, int buttons, int answer)
{
    const QString choice = buttons == 0 ? tr("OK") : answer == 1 ? tr("OK") : tr("Cancel");
    m_logModel->append(tr("message box %1: %2 -> %3").arg(title, text.simplified(), choice), true);
}

void FrameWindow::updateLogCount(qint64 leftOut, int shown)
{
    m_logCount->setText(
        leftOut == 0 ? tr("Host calls: %1").arg(shown)
                     : tr("Host calls: the last %1 (%2 earlier ones left out)").arg(shown).arg(leftOut));
    m_log->scrollToBottom();
}

void FrameWindow::updateState()
{
    const bool connected = m_session.model().isConnected();
    m_connectAction->setEnabled(!connected);
    m_disconnectAction->setEnabled(connected);
    for (QAction *action : std::as_const(m_viewActions))
        action->setEnabled(m_session.hasView());
    m_stateLabel->setText(tr("Device %1, view %2")
                              .arg(connected ? tr("connected") : tr("disconnected"),
                                   m_session.hasView() ? tr("attached") : tr("closed")));
}
