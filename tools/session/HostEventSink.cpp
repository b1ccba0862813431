// SPDX-License-Identifier: Apache-2.0
#include "tools/session/HostEventSink.h"

#include "platform/BStr.h"
#include "tools/session/HostSession.h"

HRESULT HostEventSink::QueryInterface(REFIID riid, void **object)
{
    return queryOne<IQuiravelEvents>(riid, object, {IID_IQuiravelEvents});
}

HRESULT HostEventSink::OnPageLoaded(BSTR url, VARIANT_BOOL ok)
{
    if (m_session)
        Q_EMIT m_session->pageLoaded(HostSession::localPath(BStr::toQString(url)), ok != VARIANT_FALSE);
    return S_OK;
}

HRESULT HostEventSink::OnMessage(BSTR title, BSTR text, std::int32_t buttons, std::int32_t *answer)
{
    if (!answer)
        return E_POINTER;
    *answer = 1;
    if (m_session)
        *answer = m_session->answerMessage(BStr::toQString(title), BStr::toQString(text), buttons);
    return S_OK;
}

HRESULT HostEventSink::OnPdfFinished(BSTR path, VARIANT_BOOL ok)
{
    if (m_session)
        Q_EMIT m_session->pdfFinished(HostSession::localPath(BStr::toQString(path)), ok != VARIANT_FALSE);
    return S_OK;
}
