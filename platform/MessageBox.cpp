// SPDX-License-Identifier: Apache-2.0
// One place where every message box of the process passes, so that a test
// or a host without a display can answer it.
#include "MessageBox.h"

#include <QMessageBox>
#include <utility>

namespace {

MessageHandler &currentHandler()
{
    static MessageHandler handler;
    return handler;
}

QMessageBox::Icon toQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title, QWidget *parent)
{
    if (const MessageHandler &handler = currentHandler())
        return handler(MessageRequest{title, text, buttons, icon, parent});

    const QMessageBox::StandardButtons choices =
        buttons == MsgButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
    QMessageBox box(toQtIcon(icon), title, text, choices, parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(buttons == MsgButtons::OkCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    const int chosen = box.exec();
    return chosen == QMessageBox::Cancel ? vbCancel : vbOK;
}

MessageHandler setMessageHandler(MessageHandler handler)
{
    return std::exchange(currentHandler(), std::move(handler));
}
