// SPDX-License-Identifier: Apache-2.0
// The frame's own window: drives the hosted view (show, hide, close, its
// commands), the simulated device's connection, and shows the most recent
// calls the component made to the host and the message boxes it showed.
#pragma once

#include "host/DeviceModel.h"

#include <QMainWindow>

class CallLogModel;
class HostSession;
class QAction;
class QLabel;
class QListView;

class FrameWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit FrameWindow(HostSession &session, QWidget *parent = nullptr);

Q_SIGNALS:
    /// The user closed the frame's window.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createViewMenu();
    void createDeviceMenu();
    void createCommandMenu();
    void createLog();

    void showView();
    void hideView();
    void closeView();
    void setConnected(bool connected);
    /// Runs the view command `name`; a failure is shown with the menu's `caption`.
    void runCommand(const QString &name, const QString &caption);
    void printToPdf();

    void appendCall(const HostCall &call);
    void appendMessage(const QString &title, const QString &text, int buttons, int answer);
    void updateLogCount(qint64 leftOut, int shown);
    void updateState();

    HostSession &m_session;
    CallLogModel *m_logModel = nullptr;
    QListView *m_log = nullptr;
    QLabel *m_logCount = nullptr;
    QLabel *m_stateLabel = nullptr;
    QAction *m_connectAction = nullptr;
    QAction *m_disconnectAction = nullptr;
    QList<QAction *> m_viewActions; ///< enabled only while the view exists
};
