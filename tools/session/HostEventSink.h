// SPDX-License-Identifier: Apache-2.0
// The small COM object the frame advises to the component.
#pragma once

#include "contract/QuiravelAutomation.h"
#include "platform/ComObject.h"

class HostSession;

class HostEventSink final : public ComObject<HostEventSink, IQuiravelEvents>
{
public:
    /// Starts with one reference, owned by the caller.
    explicit HostEventSink(HostSession *session) : m_session(session) {}

    /// The component may keep the sink after the session is gone; it then
    /// answers OK without reporting anything.
    void detach() { m_session = nullptr; }

    HRESULT QueryInterface(REFIID riid, void **object) override;

    HRESULT OnPageLoaded(BSTR url, VARIANT_BOOL ok) override;
    HRESULT OnMessage(BSTR title, BSTR text, std::int32_t buttons, std::int32_t *answer) override;
    HRESULT OnPdfFinished(BSTR path, VARIANT_BOOL ok) override;

private:
    friend ComObject;
    ~HostEventSink() = default;

    HostSession *m_session;
};
