// SPDX-License-Identifier: Apache-2.0
#include "tools/session/HostSession.h"

#include "contract/Quiravel.h"
#include "platform/BStr.h"
#include "platform/ComponentHost.h"
#include "platform/Registry.h"
#include "tools/common/ToolOutput.h"
#include "tools/session/HostEventSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <cstdio>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(HostSession)
};

// The host issues one view handle per view; the frame hosts one view.
constexpr std::int32_t kViewHandle = 1;

/// One line per message box: line breaks inside the text become a visible "\n".
QString messageLine(const QString &title, const QString &text)
{
    QString oneLine = text;
    oneLine.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    oneLine.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    oneLine.replace(QLatin1Char('\r'), QStringLiteral("\\n"));
    return QStringLiteral("message: %1: %2\n").arg(title, oneLine);
}

} // namespace

HostSession::HostSession(QObject *parent) : QObject(parent)
{
    // Dropping the view inside its own call to the host would free it under
    // its feet; do it once the call has returned.
    connect(&m_model, &DeviceModel::viewReleased, this, &HostSession::dropView, Qt::QueuedConnection);
}

HostSession::~HostSession()
{
    shutdown();
}

HRESULT HostSession::create(QString *reason)
{
    ComPtr<View> view;
    QString why;
    HRESULT hr =
        ComponentHost::createInstance(QString::fromUtf16(ProgID_clsQuiravel), IID_View, view.putVoid(), &why);
    if (hr == REGDB_E_CLASSNOTREG) {
        *reason = Text::tr("the component is not registered in %1 (run quiravel-regsvr PATH/libQuiravel.so)")
                      .arg(Registry::filePath());
        return hr;
    }
    if (SUCCEEDED(hr) && !view) {
        hr = E_FAIL;
        why = Text::tr("the component gave no View");
    }
    if (FAILED(hr)) {
        *reason = Text::tr("the component could not be created: %1").arg(why);
        return hr;
    }

    std::int32_t result = 0;
    hr = view->SetAppletItemManagRef(kViewHandle, m_model.itemManager().get(), &result);
    if (FAILED(hr)) {
        *reason = Text::tr("SetAppletItemManagRef failed (%1)").arg(ToolOutput::statusText(hr));
        return hr;
    }
    m_model.attachView(view.get());
    // An attached view that cannot be driven is given back at once.
    const auto abandon = [&](HRESULT failure, const QString &why) {
        *reason = why;
        view->Destroy(&result);
        m_model.attachView(nullptr);
        return failure;
    };

    auto automation = view.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
    if (!automation)
        return abandon(E_NOINTERFACE, Text::tr("the component offers no automation interface"));
    if (!m_sink)
        m_sink = ComPtr<HostEventSink>::adopt(new HostEventSink(this));
    hr = automation->Advise(m_sink.get());
    if (FAILED(hr))
        return abandon(hr, Text::tr("Advise failed (%1)").arg(ToolOutput::statusText(hr)));
    m_view = std::move(view);
    m_automation = std::move(automation);
    return S_OK;
}

HRESULT HostSession::show()
{
    std::int32_t result = 0;
    return m_view ? m_view->Show(&result) : E_UNEXPECTED;
}

HRESULT HostSession::hide()
{
    std::int32_t result = 0;
    return m_view ? m_view->Hide(&result) : E_UNEXPECTED;
}

HRESULT HostSession::destroy()
{
    if (!m_view)
        return S_OK;
    // The view may call back into the host (ReleaseView) and so end up
    // dropped; keep it alive until Destroy has returned.
    ComPtr<View> view = m_view;
    std::int32_t result = 0;
    const HRESULT hr = view->Destroy(&result);
    dropView();
    return hr;
}

HRESULT HostSession::runCommand(const QString &name)
{
    if (!m_automation)
        return E_UNEXPECTED;
    ComPtr<IQuiravelAutomation> automation = m_automation;
    return automation->RunCommand(BStr(name).get());
}

HRESULT HostSession::printToPdf(const QString &path)
{
    if (!m_automation)
        return E_UNEXPECTED;
    return m_automation->PrintToPdf(BStr(QFileInfo(path).absoluteFilePath()).get());
}

QString HostSession::printFilePath() const
{
    BStr path;
    if (!m_automation || FAILED(m_automation->GetPrintFilePath(path.put())))
        return {};
    const QString text = path.toQString();
    return text.isEmpty() ? QString() : localPath(text);
}

QString HostSession::generationError() const
{
    BStr path;
    BStr reason;
    if (!m_automation || FAILED(m_automation->GetGenerationError(path.put(), reason.put())))
        return {};
    if (path.toQString().isEmpty())
        return reason.toQString();
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path.toQString()), reason.toQString());
}

QString HostSession::pagePath() const
{
    BStr path;
    if (!m_automation || FAILED(m_automation->GetPagePath(path.put())))
        return {};
    const QString text = path.toQString();
    return text.isEmpty() ? QString() : localPath(text);
}

void HostSession::shutdown()
{
    destroy();
    if (m_sink) {
        m_sink->detach();
        m_sink.reset();
    }
}

QString HostSession::localPath(const QString &pathOrUrl)
{
    QString path = pathOrUrl;
    if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

int HostSession::answerMessage(const QString &title, const QString &text, int buttons)
{
    if (m_messageEcho) {
        ToolOutput::putText(ToolOutput::errorStream(), messageLine(title, text));
    }

    int answer = 1;
    if (m_answers == Answers::AskUser) {
        // The frame asks the user itself so that it knows the answer.
        QPointer<HostSession> self(this);
        QMessageBox box(buttons == 1 ? QMessageBox::Information : QMessageBox::NoIcon, title, text,
                        buttons == 1 ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
        answer = box.exec() == QMessageBox::Ok ? 1 : 2;
        if (!self)
            return answer;
    }
    Q_EMIT messageShown(title, text, buttons, answer);
    return answer;
}

void HostSession::dropView()
{
    if (!m_view)
        return;
    if (m_automation)
        m_automation->Advise(nullptr);
    m_automation.reset();
    m_model.attachView(nullptr);
    m_view.reset();
    Q_EMIT viewReleased();
}
