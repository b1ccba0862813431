// SPDX-License-Identifier: Apache-2.0
#include "clsQuiravel.h"

#include "component/ComponentLogging.h"
#include "contract/HostContract.h"
#include "hostaccess/HostAccess.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "platform/SystemInformation.h"
#include "printfile/DefaultReport.h"
#include "printfile/TagContext.h"
#include "printfile/TagSubstitution.h"
#include "resources/Language.h"
#include "resources/Toolkit_LoadResource.h"
#include "viewer/frmQuiravel.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QHash>
#include <QScopeGuard>
#include <new>
#include <utility>

using HostAccess::deviceDescription;
using HostAccess::functionControl;

namespace {

using HostContract::LoadMode;

QString contractName(const char *name)
{
    return QString::fromLatin1(name);
}

/// The one place where failures become the status a View caller gets.
template<typename Body> HRESULT entryPoint(Body &&body) noexcept
{
    try {
        body();
        return S_OK;
    } catch (const ComError &e) {
        return e.status();
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

/// The directory part of a description path, up to and including the last
/// separator; "\" counts as one too, so a host's Windows-style path works.
QString directoryOf(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.left(cut + 1);
}

// Named-dispatch ids of the default interface's operations, in slot order.
enum DispatchId : DISPID { DispIsSystemNT = 1, DispGetRegisteredOwner, DispGetRegisteredOrganization };

struct DispatchName
{
    const char16_t *name;
    DispatchId id;
};

constexpr DispatchName kDispatchNames[] = {
    {u"IsSystemNT", DispIsSystemNT},
    {u"GetRegisteredOwner", DispGetRegisteredOwner},
    {u"GetRegisteredOrganization", DispGetRegisteredOrganization},
};

ComError noWindow()
{
    return ComError(E_UNEXPECTED, QStringLiteral("The view has no window"));
}

} // namespace

clsQuiravel::clsQuiravel() = default;

clsQuiravel::~clsQuiravel()
{
    m_connections.reset();
    // The window must not call back into a component that is going.
    if (frmQuiravel *window = m_window) {
        window->SetOwner(nullptr);
        window->Unload();
    }
}

clsQuiravel::KeepAlive::KeepAlive(clsQuiravel *component) : m_component(component)
{
    m_component->AddRef();
    ++m_component->m_internalReferences;
}

clsQuiravel::KeepAlive::~KeepAlive()
{
    --m_component->m_internalReferences;
    m_component->Release();
}

ULONG clsQuiravel::Release()
{
    const ULONG count = ComDispatchObject::Release();
    // Only the component's own calls still hold it (an upload wait, a
    // prompt): the host has let go, and nothing it would end them with
    // (progress, Destroy) can come any more.
    if (count != 0 && count == m_internalReferences && !m_hostGone) {
        m_hostGone = true;
        closeForHost();
    }
    return count;
}

void clsQuiravel::lastReleased()
{
    // The host may take and drop references during ReleaseView; they must
    // not end this object a second time.
    revive();
    if (!m_hostGone)
        closeForHost();
    delete this;
}

void clsQuiravel::closeForHost()
{
    // Released by the host without Destroy: the window closes as on Destroy,
    // so the host hears ReleaseView and no item stays open.
    const KeepAlive keepAlive(this);
    m_hostGone = true;
    if (frmQuiravel *window = m_window) {
        try {
            window->Unload();
        } catch (const std::exception &) {
            // No call of the host waits for the status of its release.
            qCWarning(lcComponent, "Closing the window for a host that let go failed: %s",
                      qUtf8Printable(failureForLog()));
        }
    }
}

HRESULT clsQuiravel::QueryInterface(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__clsQuiravel)
        *object = static_cast<_clsQuiravel *>(this);
    else if (riid == IID_View)
        *object = static_cast<View *>(this);
    else if (riid == IID_IQuiravelAutomation)
        *object = static_cast<IQuiravelAutomation *>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT clsQuiravel::GetIDsOfNames(REFIID riid, OLECHAR **names, std::uint32_t count, LCID, DISPID *ids)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_POINTER;
    ids[0] = DISPID_UNKNOWN;
    const QString member = names[0] ? QString::fromUtf16(names[0]) : QString();
    for (const DispatchName &entry : kDispatchNames)
        if (member.compare(QString::fromUtf16(entry.name), Qt::CaseInsensitive) == 0)
            ids[0] = entry.id;
    // The operations take no arguments, so no argument name is known.
    for (std::uint32_t i = 1; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT clsQuiravel::Invoke(DISPID id, REFIID riid, LCID, std::uint16_t flags, DISPPARAMS *params,
                            VARIANT *result, EXCEPINFO *, std::uint32_t *)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    // Late-bound callers reach a function as a method or as a property read.
    constexpr std::uint16_t reads = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (id < DispIsSystemNT || id > DispGetRegisteredOrganization || !(flags & reads) || (flags & ~reads))
        return DISP_E_MEMBERNOTFOUND;
    if (params && params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (params && params->cArgs != 0)
        return DISP_E_BADPARAMCOUNT;

    VARIANT value;
    HRESULT hr = S_OK;
    if (id == DispIsSystemNT) {
        value.vt = VT_BOOL;
        hr = IsSystemNT(&value.boolVal);
    } else {
        value.vt = VT_BSTR;
        value.bstrVal = nullptr;
        hr = id == DispGetRegisteredOwner ? GetRegisteredOwner(&value.bstrVal)
                                          : GetRegisteredOrganization(&value.bstrVal);
    }
    if (FAILED(hr))
        return hr;
    if (result)
        *result = value;
    else if (value.vt == VT_BSTR)
        SysFreeString(value.bstrVal);
    return S_OK;
}

HRESULT clsQuiravel::IsSystemNT(VARIANT_BOOL *result)
{
    if (!result)
        return E_POINTER;
    return entryPoint([&] { *result = toVariantBool(SystemInformation::IsSystemNT()); });
}

HRESULT clsQuiravel::GetRegisteredOwner(BSTR *result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    return entryPoint([&] { *result = BStr::alloc(SystemInformation::GetRegisteredOwner()); });
}

HRESULT clsQuiravel::GetRegisteredOrganization(BSTR *result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    return entryPoint([&] { *result = BStr::alloc(SystemInformation::GetRegisteredOrganization()); });
}

HRESULT clsQuiravel::SetAppletItemManagRef(std::int32_t aViewHandle, AppItemManager *anAppItemMngRef,
                                           std::int32_t *result)
{
    if (result)
        *result = 0;
    if (!anAppItemMngRef)
        return E_POINTER;
    return entryPoint([&] {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            throw ComError(E_UNEXPECTED, QStringLiteral("The host runs no Qt widget application"));

        // Attached anew: the window of the previous attachment goes first,
        // and a wait for that attachment's upload ends: its progress reports
        // and item handles belong to the previous host.
        if (frmQuiravel *old = m_window) {
            old->SetOwner(nullptr);
            old->Unload();
        }
        ++m_attachment;
        m_uploadItem = 0;
        endUploadWaits();
        m_itemManager = ComPtr<AppItemManager>(anAppItemMngRef);
        m_viewHandle = aViewHandle;
        m_uploadDone = VARIANT_FALSE;

        m_window = new frmQuiravel;
        m_window->SetOwner(this);

        m_languageCode = GetLanguageCode();

        BStr setting;
        std::int32_t error = 0;
        {
            ComPtr<AppDeviceDescription> description = deviceDescription(m_itemManager.get());
            check(description->GetSettingEntry(BStr(contractName(HostContract::kPrintTemplateSetting)).get(),
                                               setting.put(), &error));
        }
        if (error == 0) {
            // Only the text before the first "." names the template; a value
            // without "." is taken whole.
            const QString value = setting.toQString();
            m_templateFileName = value.left(value.indexOf(u'.') < 0 ? value.size() : value.indexOf(u'.')) +
                                 m_languageCode + QStringLiteral(".HTM");
        } else {
            m_templateFileName.clear();
        }

        m_templateDirectory.clear();
        error = 0;
        check(m_itemManager->OpenItem(BStr(contractName(HostContract::kDescriptionPathItem)).get(),
                                      VARIANT_FALSE, m_viewHandle, &m_descriptionPathItem, 0, 0, &error));
        HostAccess::OpenedItem item(m_itemManager.get(), m_viewHandle, m_descriptionPathItem, VARIANT_FALSE);
        if (error == 0) {
            BStr path;
            std::int32_t readError = 0;
            check(m_itemManager->GetItemString(item.handle(), path.put(), VARIANT_FALSE, &readError));
            m_templateDirectory = path.toQString();
        }
        item.close();
        m_templateDirectory = directoryOf(m_templateDirectory);
    });
}

HRESULT clsQuiravel::Show(std::int32_t *result)
{
    if (result)
        *result = 0;
    return entryPoint([&] {
        if (!m_window)
            throw noWindow();
        const KeepAlive keepAlive(this);
        QPointer<frmQuiravel> window = m_window;
        // A load that fails closes the window (it said why): nothing is left
        // to show or to run the Application command in.
        if (!window->ShowWindow() || !window || window->isUnloaded())
            throw noWindow();
        connectBrowser();
        window->srcValue_Click();
    });
}

HRESULT clsQuiravel::Hide(std::int32_t *result)
{
    if (result)
        *result = 0;
    return entryPoint([&] {
        if (!m_window)
            throw noWindow();
        m_window->hide();
    });
}

HRESULT clsQuiravel::Destroy(std::int32_t *result)
{
    if (result)
        *result = 0;
    return entryPoint([&] {
        const KeepAlive keepAlive(this);
        if (frmQuiravel *window = m_window)
            window->Unload();
    });
}

HRESULT clsQuiravel::NotifyChanged(std::int32_t curAppletItemHandle, VARIANT_BOOL, std::int32_t lState,
                                   std::int32_t, std::int32_t *result)
{
    if (result)
        *result = 0;
    return entryPoint([&] {
        if (curAppletItemHandle != m_uploadItem || (lState & HostContract::kNotifyStateIgnoreBit) ||
            !m_itemManager)
            return;
        std::int32_t error = 0;
        check(m_itemManager->GetItemLong(m_uploadItem, &m_uploadProgress, &error));
        if (error == 0 && m_uploadProgress == HostContract::kUploadFinished) {
            m_uploadDone = VARIANT_TRUE;
            ++m_uploadsFinished;
            endUploadWaits();
        }
    });
}

void clsQuiravel::ReleaseHost()
{
    // ReleaseView may drop the host's last reference to this component.
    const KeepAlive keepAlive(this);
    if (frmQuiravel *window = m_window)
        window->SetOwner(nullptr);
    m_window = nullptr;
    HRESULT released = S_OK;
    if (m_itemManager) {
        // The window is closing: neither the error flag nor a failure can
        // stop that, but a failure status still reaches the host's call.
        std::int32_t error = 0;
        released = m_itemManager->ReleaseView(static_cast<View *>(this), &error);
        if (error != 0)
            qCWarning(lcComponent, "ReleaseView answered error flag %d", int(error));
    }
    m_itemManager.reset();
    endUploadWaits();
    check(released);
}

TagContext clsQuiravel::tagContext() const
{
    TagContext context;
    context.itemManager = m_itemManager.get();
    context.viewHandle = m_viewHandle;
    context.shadow = m_shadow != VARIANT_FALSE;
    context.loadMode = static_cast<LoadMode>(m_loadMode);
    context.databaseFileName = m_databaseFileName;
    context.registeredOwner = &SystemInformation::GetRegisteredOwner;
    context.registeredOrganization = &SystemInformation::GetRegisteredOrganization;
    return context;
}

QString clsQuiravel::GetTagValue(const QString &tag, bool stripMarkers)
{
    return ::GetTagValue(tagContext(), tag, stripMarkers);
}

void clsQuiravel::WriteReportFile(const QString &path)
{
    ::WriteReportFile(tagContext(), path);
}

bool clsQuiravel::IsDeviceConnected()
{
    if (!m_itemManager)
        throw ComError(E_UNEXPECTED, QStringLiteral("The view is not attached to a host"));
    ComPtr<AppItemManager> itemManager = m_itemManager;
    std::int32_t handle = 0;
    std::int32_t error = 0;
    check(itemManager->OpenItem(BStr(contractName(HostContract::kConnectItem)).get(), VARIANT_FALSE,
                                m_viewHandle, &handle, 0, 0, &error));
    // Closed in every case, also after a refused open or a failed read.
    HostAccess::OpenedItem item(itemManager.get(), m_viewHandle, handle, VARIANT_FALSE);
    bool connected = false;
    if (error != 0)
        qCWarning(lcComponent,
                  "The item %s cannot be opened (error flag %d): the device counts as not connected",
                  HostContract::kConnectItem, int(error));
    if (error == 0) {
        std::int32_t readError = 0;
        const std::int64_t value = HostAccess::itemQuad(itemManager.get(), item.handle(), &readError);
        connected = static_cast<std::uint64_t>(value) == HostContract::kConnectedQuad;
        if (!connected)
            showMessage({GetLocalString(1139), GetLocalString(1132), MsgButtons::Ok, MsgIcon::None}, nullptr);
    }
    item.close();
    return connected;
}

bool clsQuiravel::LoadData(std::int32_t mode)
{
    // A command of the window may run while the host lets go of this component.
    const KeepAlive keepAlive(this);
    m_loadMode = mode;
    switch (static_cast<LoadMode>(mode)) {
    case LoadMode::Application:
        m_shadow = VARIANT_FALSE;
        return true;

    case LoadMode::Database: {
        m_shadow = VARIANT_FALSE;
        if (!m_itemManager)
            return false;
        std::int32_t error = 0;
        check(functionControl(m_itemManager.get())->LoadDatabase(0, &error));
        if (error == 0) {
            m_databaseFileName = GetTagValue(contractName(HostContract::kDatabaseFileNameItem), false);
            return true;
        }
        showMessage({kDefaultMessageTitle, GetLocalString(1131), MsgButtons::Ok, MsgIcon::None}, nullptr);
        return false;
    }

    case LoadMode::Device: {
        m_shadow = VARIANT_TRUE;
        if (!m_itemManager || !IsDeviceConnected())
            return false;
        // The host may be released during the wait; its item is closed all the same.
        ComPtr<AppItemManager> itemManager = m_itemManager;
        std::int32_t handle = 0;
        std::int32_t error = 0;
        check(itemManager->OpenItem(BStr(contractName(HostContract::kUploadProgressItem)).get(),
                                    VARIANT_FALSE, m_viewHandle, &handle, 0, 0, &error));
        if (error != 0) {
            qCWarning(lcComponent,
                      "The item %s cannot be opened (error flag %d): no upload, the command stops",
                      HostContract::kUploadProgressItem, int(error));
            return false;
        }
        // A command started during this one's wait opens an item of its own;
        // each closes only its own.
        HostAccess::OpenedItem item(itemManager.get(), m_viewHandle, handle, VARIANT_FALSE);
        const std::int32_t interruptedItem = std::exchange(m_uploadItem, handle);
        const quint64 attachment = m_attachment;
        const auto hearInterrupted = qScopeGuard([&] {
            // The command this one interrupted still waits for its own item,
            // unless the host attached the view anew meanwhile.
            if (attachment == m_attachment && !m_uploadWaits.isEmpty())
                m_uploadItem = interruptedItem;
        });
        std::int32_t readError = 0;
        check(itemManager->GetItemLong(handle, &m_uploadProgress, &readError));
        if (readError != 0)
            qCWarning(lcComponent,
                      "The item %s cannot be read (error flag %d): the data are taken as they are",
                      HostContract::kUploadProgressItem, int(readError));
        if (readError == 0) {
            if (m_uploadProgress == 0 || m_uploadProgress == HostContract::kUploadFinished) {
                std::int32_t startError = 0; // not examined: the wait tells
                check(functionControl(itemManager.get())
                          ->StartFunction(BStr(contractName(HostContract::kUploadFunction)).get(),
                                          &startError));
                if (startError != 0)
                    qCWarning(
                        lcComponent,
                        "StartFunction %s answered error flag %d; the upload is waited for all the same",
                        HostContract::kUploadFunction, int(startError));
            }
            if (!waitForUpload())
                return false;
        }
        item.close();
        m_uploadDone = VARIANT_FALSE;
        return true;
    }

    default:
        return false;
    }
}

bool clsQuiravel::waitForUpload()
{
    const quint64 finishedBefore = m_uploadsFinished;
    const quint64 attachment = m_attachment;
    const auto finished = [&] {
        return attachment == m_attachment &&
               (m_uploadDone != VARIANT_FALSE || m_uploadsFinished != finishedBefore);
    };
    // The loop sleeps until an event arrives. Only the end of an upload, the
    // host's release, a new attachment or the window's unload wake it on
    // purpose (a nested command's wait ends together with this one); when
    // anything else ends it, the application is quitting and the wait must
    // not hold it up.
    if (!finished() && m_itemManager && m_window && attachment == m_attachment) {
        QEventLoop loop;
        m_uploadWaits.append(&loop);
        loop.exec();
        m_uploadWaits.removeOne(&loop);
    }
    return finished() && m_itemManager && m_window;
}

void clsQuiravel::endUploadWaits()
{
    for (QEventLoop *loop : std::as_const(m_uploadWaits))
        loop->quit();
}

void clsQuiravel::connectBrowser()
{
    m_connections = std::make_unique<QObject>();
    BrowserControl *browser = m_window ? m_window->WebBrowser1() : nullptr;
    if (!browser)
        return;
    QObject::connect(browser, &BrowserControl::loadFinished, m_connections.get(), [this, browser](bool ok) {
        if (!m_sink)
            return;
        ComPtr<IQuiravelEvents> sink = m_sink;
        const KeepAlive keepAlive(this);
        sink->OnPageLoaded(BStr(browser->locationUrl()).get(), toVariantBool(ok));
    });
    QObject::connect(browser, &BrowserControl::pdfPrintingFinished, m_connections.get(),
                     [this](const QString &path, bool ok) {
                         if (!m_sink)
                             return;
                         ComPtr<IQuiravelEvents> sink = m_sink;
                         const KeepAlive keepAlive(this);
                         sink->OnPdfFinished(BStr(path).get(), toVariantBool(ok));
                     });
}

HRESULT clsQuiravel::RunCommand(BSTR name)
{
    // The report operations have no menu entry; their window shortcuts do.
    namespace Command = QuiravelCommand;
    static const QHash<QString, QString> actionNames = {
        {QLatin1StringView(Command::kApplicationData), QLatin1StringView(Command::kApplicationData)},
        {QLatin1StringView(Command::kDatabaseData), QLatin1StringView(Command::kDatabaseData)},
        {QLatin1StringView(Command::kDeviceData), QLatin1StringView(Command::kDeviceData)},
        {QLatin1StringView(Command::kPrint), QLatin1StringView(Command::kPrint)},
        {QLatin1StringView(Command::kPrintPreview), QLatin1StringView(Command::kPrintPreview)},
        {QLatin1StringView(Command::kExit), QLatin1StringView(Command::kExit)},
        {QLatin1StringView(Command::kHelp), QLatin1StringView(Command::kHelp)},
        {QLatin1StringView(Command::kApplicationReport), QStringLiteral("applicationReport")},
        {QLatin1StringView(Command::kDatabaseReport), QStringLiteral("databaseReport")},
        {QLatin1StringView(Command::kDeviceReport), QStringLiteral("deviceReport")},
    };
    const auto found = actionNames.constFind(BStr::toQString(name));
    if (found == actionNames.cend())
        return E_INVALIDARG;
    if (!m_window || !m_window->isLoaded() || m_window->isUnloaded())
        return E_UNEXPECTED;
    bool known = true;
    const HRESULT hr = entryPoint([&] {
        const KeepAlive keepAlive(this);
        known = m_window->runCommand(*found);
    });
    return known ? hr : E_INVALIDARG;
}

HRESULT clsQuiravel::PrintToPdf(BSTR path)
{
    BrowserControl *browser = m_window ? m_window->WebBrowser1() : nullptr;
    if (!browser)
        return E_UNEXPECTED;
    return entryPoint([&] { browser->printToPdf(BStr::toQString(path)); });
}

HRESULT clsQuiravel::Advise(IQuiravelEvents *sink)
{
    m_sink = ComPtr<IQuiravelEvents>(sink);
    return S_OK;
}

MsgResult clsQuiravel::showMessage(const MessageRequest &request, QWidget *parent)
{
    // The host may let go of this component while it or the user answers.
    const KeepAlive keepAlive(this);
    if (ComPtr<IQuiravelEvents> sink = m_sink) {
        const bool okCancel = request.buttons == MsgButtons::OkCancel;
        std::int32_t answer = 0;
        const HRESULT hr =
            sink->OnMessage(BStr(request.title).get(), BStr(request.text).get(), okCancel ? 1 : 0, &answer);
        if (hr != S_FALSE) {
            // Only a clear OK confirms: an answer the host was not offered
            // must never overwrite the application data.
            if (!okCancel)
                return vbOK;
            return hr == S_OK && answer == vbOK ? vbOK : vbCancel;
        }
    }
    return ViewerOwner::showMessage(request, parent);
}

HRESULT clsQuiravel::GetPrintFilePath(BSTR *path)
{
    if (!path)
        return E_POINTER;
    *path = BStr::alloc(m_window ? m_window->printFilePath() : QString());
    return S_OK;
}

HRESULT clsQuiravel::GetPagePath(BSTR *path)
{
    if (!path)
        return E_POINTER;
    *path = BStr::alloc(m_window ? m_window->pagePath() : QString());
    return S_OK;
}

HRESULT clsQuiravel::GetLocation(BSTR *url)
{
    if (!url)
        return E_POINTER;
    BrowserControl *browser = m_window ? m_window->WebBrowser1() : nullptr;
    *url = BStr::alloc(browser ? browser->locationUrl() : QString());
    return S_OK;
}

HRESULT clsQuiravel::GetWindowState(BSTR *caption, BSTR *statusText, VARIANT_BOOL *visible)
{
    if (!caption || !statusText || !visible)
        return E_POINTER;
    *caption = BStr::alloc(m_window ? m_window->windowTitle() : QString());
    *statusText = BStr::alloc(m_window ? m_window->statusText() : QString());
    *visible = toVariantBool(m_window && m_window->isVisible());
    return S_OK;
}

HRESULT clsQuiravel::GetGenerationError(BSTR *path, BSTR *reason)
{
    if (!path || !reason)
        return E_POINTER;
    *path = BStr::alloc(m_window ? m_window->generationErrorPath() : QString());
    *reason = BStr::alloc(m_window ? m_window->generationError() : QString());
    return S_OK;
}
