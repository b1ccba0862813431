// SPDX-License-Identifier: Apache-2.0
// The frame's side of one hosted view: the in-memory device, the component
// created through the platform's component hosting (never linked), and the
// event sink through which the component reports pages, PDFs and messages.
#pragma once

#include "contract/KQApplet.h"
#include "contract/QuiravelAutomation.h"
#include "host/DeviceModel.h"
#include "platform/ComPtr.h"

#include <QObject>
#include <QString>

class HostEventSink;

class HostSession : public QObject
{
    Q_OBJECT
public:
    /// How confirmations the component asks for are answered.
    enum class Answers {
        AskUser,  ///< the frame shows the box and passes the user's choice on
        AnswerOk, ///< every box is answered with OK at once
    };

    explicit HostSession(QObject *parent = nullptr);
    ~HostSession() override;

    DeviceModel &model() { return m_model; }
    void setAnswers(Answers answers) { m_answers = answers; }
    /// On by default: every message box is also written to standard error
    /// as "message: TITLE: TEXT". A host that records messages itself turns it off.
    void setMessageEcho(bool echo) { m_messageEcho = echo; }

    /// Creates the component by its programmatic identifier, hands it the
    /// item manager, advises the event sink. On failure `*reason` says why;
    /// REGDB_E_CLASSNOTREG when the component is not registered.
    HRESULT create(QString *reason);
    /// True between create() and the view's release (Destroy or its window closed).
    bool hasView() const { return bool(m_view); }

    HRESULT show();
    HRESULT hide();
    /// View::Destroy; the component then releases the view through the host.
    HRESULT destroy();
    HRESULT runCommand(const QString &name);
    HRESULT printToPdf(const QString &path);
    /// The print file last generated; empty before the first.
    QString printFilePath() const;
    /// "FILE: REASON" when the page last generated could not be generated
    /// whole (the component shows no message for a print file it could not
    /// write); empty when it was.
    QString generationError() const;
    /// The directory the component writes generated files to (the description's).
    /// The page the component generated last (print file or report), as a local path.
    QString pagePath() const;

    /// Destroys the view if it is still alive and drops every reference.
    void shutdown();

    /// A path or file URL as an absolute local path, for comparing pages.
    static QString localPath(const QString &pathOrUrl);

Q_SIGNALS:
    /// The browser finished loading a page; `path` is a local path.
    void pageLoaded(const QString &path, bool ok);
    /// The component showed a message box; `buttons` 0 = OK, 1 = OK and
    /// Cancel; `answer` 1 = OK, 2 = Cancel.
    void messageShown(const QString &title, const QString &text, int buttons, int answer);
    void pdfFinished(const QString &path, bool ok);
    /// The component gave the view back (ReleaseView); the session dropped it.
    void viewReleased();

private:
    friend class HostEventSink;
    int answerMessage(const QString &title, const QString &text, int buttons);
    void dropView();

    DeviceModel m_model;
    Answers m_answers = Answers::AskUser;
    bool m_messageEcho = true;
    ComPtr<View> m_view;
    ComPtr<IQuiravelAutomation> m_automation;
    ComPtr<HostEventSink> m_sink;
};
