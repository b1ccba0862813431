// SPDX-License-Identifier: Apache-2.0
// The automation interface the component offers besides View and
// _clsQuiravel (found by interface query): a host drives the view's window as
// a user would and learns when a page is shown, without reaching into the
// component. A host that wants to answer or log the component's message
// boxes, and to hear about loaded pages and PDF exports, advises a sink.
#pragma once

#include "contract/HostContract.h"
#include "platform/ComTypes.h"

// clang-format off
inline constexpr IID IID_IQuiravelAutomation = {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x03, 0x01}};
inline constexpr IID IID_IQuiravelEvents =     {0x8E3F1A60, 0x7C2B, 0x4B59, {0xA1, 0x6D, 0x3E, 0x52, 0x90, 0x0C, 0x03, 0x02}};
// clang-format on

/// The environment variable with which a host lets the pages of the views it
/// creates from then on run their script: "1" turns it on; unset or any other
/// value, pages run none. Off or on, a page reaches no network and nothing
/// outside its device's folder.
inline constexpr char kQuiravelPageScriptVariable[] = "QUIRAVEL_PAGE_SCRIPT";

/// Implemented by the host.
struct IQuiravelEvents : IUnknown
{
    /// Slot 3. The browser finished loading `url` (a generated page or the template).
    virtual HRESULT OnPageLoaded(BSTR url, VARIANT_BOOL ok) = 0;
    /// Slot 4. The component is about to show a message box of this view;
    /// `buttons` is 0 (OK) or 1 (OK and Cancel). Answer S_OK with *answer set
    /// to 1 (OK) or 2 (Cancel) to answer it instead of the user, or S_FALSE
    /// to let the box be shown. Any other answer or status counts as Cancel.
    virtual HRESULT OnMessage(BSTR title, BSTR text, std::int32_t buttons, std::int32_t *answer) = 0;
    /// Slot 5. A PDF export started with PrintToPdf has finished.
    virtual HRESULT OnPdfFinished(BSTR path, VARIANT_BOOL ok) = 0;
};

struct IQuiravelAutomation : IUnknown
{
    /// Slot 3. Triggers a command of the view's window as its menu entry or
    /// shortcut would, named by a QuiravelCommand. E_INVALIDARG for another
    /// name, E_UNEXPECTED when the window is not loaded. Returns when the
    /// command has finished (an upload waits while events are processed).
    virtual HRESULT RunCommand(BSTR name) = 0;
    /// Slot 4. Prints the page shown to a PDF file (A4 unless the page asks
    /// otherwise); OnPdfFinished tells when it is written.
    virtual HRESULT PrintToPdf(BSTR path) = 0;
    /// Slot 5. Sets this view's sink (null removes it); the component holds a
    /// reference. Each view has its own sink.
    virtual HRESULT Advise(IQuiravelEvents *sink) = 0;
    /// Slot 6. The print file last generated (empty before the first).
    virtual HRESULT GetPrintFilePath(BSTR *path) = 0;
    /// Slot 7. The page the browser shows (empty without a browser).
    virtual HRESULT GetLocation(BSTR *url) = 0;
    /// Slot 8. The window's caption and status text.
    virtual HRESULT GetWindowState(BSTR *caption, BSTR *statusText, VARIANT_BOOL *visible) = 0;
    /// Slot 9. Why the page last generated (print file or report) is not
    /// whole: the file that failed (the template or the generated file) and
    /// the reason, e.g. a full disk. Both empty when it was generated whole
    /// (and while the view has no window).
    /// The view itself says nothing when a print file cannot be written; a
    /// host that must not show an older or partial page asks here.
    virtual HRESULT GetGenerationError(BSTR *path, BSTR *reason) = 0;
    /// Slot 10. The page last generated: the print file or the default
    /// report, whichever came last (empty before the first). Known as soon
    /// as the command that generated it returns, before the browser shows it.
    virtual HRESULT GetPagePath(BSTR *path) = 0;
};
