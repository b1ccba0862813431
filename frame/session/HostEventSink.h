// The small COM object the frame advises to the component.
#pragma once

#include "contract/QuiravelAutomation.h"

#include <atomic>

class HostSession;

class HostEventSink final : public IQuiravelEvents
{
public:
    /// Starts with one reference, owned by the caller.
    explicit HostEventSink(HostSession *session) : m_session(session) {}
    HostEventSink(const HostEventSink &) = delete;
    HostEventSink &operator=(const HostEventSink &) = delete;

    /// The component may keep the sink after the session is gone; it then
    /// answers OK without reporting anything.
    void detach() { m_session = nullptr; }

    HRESULT QueryInterface(REFIID riid, void **object) override;
    ULONG AddRef() override { return ++m_refCount; }
    ULONG Release() override;

    HRESULT OnPageLoaded(BSTR url, VARIANT_BOOL ok) override;
    HRESULT OnMessage(BSTR title, BSTR text, std::int32_t buttons, std::int32_t *answer) override;
    HRESULT OnPdfFinished(BSTR path, VARIANT_BOOL ok) override;

private:
    ~HostEventSink() = default;

    std::atomic<ULONG> m_refCount{1};
    HostSession *m_session;
};
