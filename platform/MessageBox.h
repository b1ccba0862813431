// SPDX-License-Identifier: Apache-2.0
// Message boxes go through this one service so that tests and hosts can read
// and answer them. Without a handler a modal QMessageBox is shown.
#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Information, Warning, Critical };

/// The button the user chose (the values of the platform's message box).
enum MsgResult : int { vbOK = 1, vbCancel = 2 };

struct MessageRequest
{
    QString title;
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    /// The window the box belongs to (a child of it), if any.
    QWidget *parent = nullptr;
};

using MessageHandler = std::function<MsgResult(const MessageRequest &)>;

/// The default title of the component's message boxes.
inline const QString kDefaultMessageTitle = QStringLiteral("Quiravel");

/// Shows a message box and answers the button chosen.
MsgResult MsgBox(const QString &text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None,
                 const QString &title = kDefaultMessageTitle, QWidget *parent = nullptr);

/// Replaces the handler for this process (an empty one restores the dialog);
/// answers the previous one.
MessageHandler setMessageHandler(MessageHandler handler);
