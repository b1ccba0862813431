// SPDX-License-Identifier: Apache-2.0
// A minimal host: shows the print view of one device whose data it holds in
// a table, waits until the page is loaded, prints the page's path and ends.
//   minimal-host DIRECTORY   (DIRECTORY holds Mini001.HTM and Mini049.HTM)
#include <contract/HostContract.h>
#include <contract/KQApplet.h>
#include <contract/QuiravelAutomation.h>
#include <platform/BStr.h>
#include <platform/ComPtr.h>
#include <platform/ComponentHost.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <cstdio>

// The host's three objects in one; it outlives the component, so it counts
// no references.
class Host : public AppItemManager,
             public AppDeviceDescription,
             public AppFunctionControl,
             public IQuiravelEvents
{
public:
    explicit Host(const QString &directory) : m_values{directory + "/Mini.kqd", "12.5"} {}
    QEventLoop waitForPage;
    bool pageLoaded = false;

    HRESULT QueryInterface(REFIID iid, void **object) override
    {
        *object = nullptr;
        if (iid == IID_AppItemManager)
            *object = static_cast<AppItemManager *>(this);
        else if (iid == IID_AppDeviceDescription)
            *object = static_cast<AppDeviceDescription *>(this);
        else if (iid == IID_AppFunctionControl)
            *object = static_cast<AppFunctionControl *>(this);
        else if (iid == IID_IQuiravelEvents)
            *object = static_cast<IQuiravelEvents *>(this);
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(std::uint32_t *count) override { return *count = 0, S_OK; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, OLECHAR **, std::uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                   std::uint32_t *) override
    {
        return E_NOTIMPL;
    }

    // AppItemManager: items are opened by name and read by handle, the
    // handle being the item's place in the table plus one.
    HRESULT ReleaseView(View *, std::int32_t *error) override { return *error = 0, S_OK; }
    HRESULT GetDeviceDescription(AppDeviceDescription **description) override
    {
        return *description = this, S_OK;
    }
    HRESULT GetFunctionControl(AppFunctionControl **control) override { return *control = this, S_OK; }
    HRESULT OpenItem(BSTR name, VARIANT_BOOL, std::int32_t, std::int32_t *item, std::int32_t, std::int32_t,
                     std::int32_t *error) override
    {
        const qsizetype at = m_names.indexOf(BStr::toQString(name));
        *item = at + 1;
        return *error = at < 0 ? 1 : 0, S_OK;
    }
    HRESULT CloseItem(VARIANT, std::int32_t, VARIANT_BOOL, std::int32_t *error) override
    {
        return *error = 0, S_OK;
    }
    HRESULT GetItemQuad(std::int32_t, std::int64_t *value, std::int32_t *error) override
    {
        return *value = 0, *error = 1, S_OK; // no device: never connected
    }
    HRESULT GetItemLong(std::int32_t, std::int32_t *value, std::int32_t *error) override
    {
        return *value = 0, *error = 1, S_OK;
    }
    HRESULT GetItemString(std::int32_t item, BSTR *value, VARIANT_BOOL, std::int32_t *error) override
    {
        const bool found = item >= 1 && item <= m_values.size();
        *value = BStr::alloc(found ? m_values.at(item - 1) : QString());
        return *error = found ? 0 : 1, S_OK;
    }

    // AppDeviceDescription: the template's name and nothing else.
    HRESULT GetSettingEntry(BSTR key, BSTR *value, std::int32_t *error) override
    {
        const bool found = BStr::toQString(key) == QLatin1String(HostContract::kPrintTemplateSetting);
        *value = BStr::alloc(found ? "Mini.htm" : "");
        return *error = found ? 0 : 1, S_OK;
    }
    HRESULT GetDeviceEntry(BSTR, BSTR *value, std::int32_t *error) override { return notFound(value, error); }
    HRESULT GetSectionCount(BSTR, std::int32_t *count, std::int32_t *error) override
    {
        return *count = 0, *error = 0, S_OK;
    }
    HRESULT GetFirstEntry(BSTR, std::int32_t *, std::int32_t *error) override { return *error = 1, S_OK; }
    HRESULT GetNextEntry(std::int32_t *, std::int32_t *error) override { return *error = 1, S_OK; }
    HRESULT FindDefinition(BSTR, BSTR, std::int32_t *, std::int32_t *error) override
    {
        return *error = 1, S_OK;
    }
    HRESULT GetEntryName(std::int32_t, BSTR *name, std::int32_t *error) override
    {
        return notFound(name, error);
    }
    HRESULT GetObjectDefinition(std::int32_t, BSTR *, std::int32_t *, std::int32_t *, std::int32_t *, BSTR *,
                                std::int32_t *error) override
    {
        return *error = 1, S_OK;
    }
    HRESULT GetEnumerationEntries(std::int32_t, BSTR *, EnumEntryArray **, std::int32_t *error) override
    {
        return *error = 1, S_OK;
    }

    // AppFunctionControl: no database, no device.
    HRESULT StartFunction(BSTR, std::int32_t *error) override { return *error = 1, S_OK; }
    HRESULT LoadDatabase(std::int32_t, std::int32_t *error) override { return *error = 1, S_OK; }

    // IQuiravelEvents: every message box is answered (and printed), never shown.
    HRESULT OnPageLoaded(BSTR, VARIANT_BOOL) override
    {
        pageLoaded = true;
        return waitForPage.quit(), S_OK;
    }
    HRESULT OnMessage(BSTR title, BSTR text, std::int32_t, std::int32_t *answer) override
    {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(BStr::toQString(title)),
                     qPrintable(BStr::toQString(text)));
        return *answer = 2, S_OK; // Cancel
    }
    HRESULT OnPdfFinished(BSTR, VARIANT_BOOL) override { return S_OK; }

private:
    static HRESULT notFound(BSTR *value, std::int32_t *error) { return *value = nullptr, *error = 1, S_OK; }
    const QStringList m_names{QString::fromLatin1(HostContract::kDescriptionPathItem), "FLOW"};
    const QStringList m_values;
};

/// Shows the device in DIRECTORY; the exit status says whether a page was shown.
int showDevice(const QString &directory)
{
    Host host(QDir(directory).absolutePath());
    QString why;
    ComPtr<View> view;
    if (FAILED(ComponentHost::createInstance("Quiravel.clsQuiravel", IID_View, view.putVoid(), &why)))
        return std::fprintf(stderr, "minimal-host: %s\n", qPrintable(why)), 4;
    ComPtr<IQuiravelAutomation> automation;
    view->QueryInterface(IID_IQuiravelAutomation, automation.putVoid());
    automation->Advise(&host);

    std::int32_t result = 0;
    HRESULT hr = view->SetAppletItemManagRef(1, &host, &result);
    if (SUCCEEDED(hr))
        hr = view->Show(&result); // generates the print file from the application data
    BStr page;
    automation->GetPagePath(page.put());
    if (SUCCEEDED(hr) && !page.toQString().isEmpty()) {
        QTimer::singleShot(30000, &host.waitForPage, &QEventLoop::quit);
        if (!host.pageLoaded)
            host.waitForPage.exec(); // the browser loads the page while events run
        std::printf("page: %s\n", qPrintable(page.toQString()));
    }

    // Destroy unloads the window, which lets go of the host; the window is
    // deleted by the event loop, so its pending deletes run before the host
    // object and the application go.
    automation->Advise(nullptr);
    automation = nullptr;
    view->Destroy(&result);
    view = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return SUCCEEDED(hr) && !page.toQString().isEmpty() ? 0 : 5;
}

int main(int argc, char *argv[])
{
    if (argc != 2)
        return std::fprintf(stderr, "usage: minimal-host DIRECTORY\n"), 2;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the browser engine's wish
    int status = 0;
    {
        QApplication app(argc, argv); // the component's window and browser need it
        status = showDevice(QString::fromLocal8Bit(argv[1]));
    }
    // Only now: until the application is gone, Qt may hold objects whose
    // code is in the component's library.
    CoFreeUnusedLibraries();
    return status;
}
