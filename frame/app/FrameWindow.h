// The frame's own window: drives the hosted view (show, hide, close, its
// commands), the simulated device's connection, and logs every call the
// component makes to the host and every message box it shows.
#pragma once

#include "frame/DeviceModel.h"

#include <QMainWindow>

class HostSession;
class QAction;
class QLabel;
class QTableWidget;

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
    void runCommand(const QString &name);
    void printToPdf();

    void appendCall(const HostCall &call);
    void appendMessage(const QString &title, const QString &text, int buttons, int answer);
    void appendRow(const QStringList &cells, bool highlighted);
    void updateState();

    HostSession &m_session;
    QTableWidget *m_log = nullptr;
    QLabel *m_stateLabel = nullptr;
    QAction *m_connectAction = nullptr;
    QAction *m_disconnectAction = nullptr;
    QList<QAction *> m_viewActions; ///< enabled only while the view exists
};
