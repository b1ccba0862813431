#include "clsQuiravel.h"

#include "Module.h"
#include "SystemInformation.h"
#include "hostaccess/HostAccess.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
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
#include <new>
#include <utility>

using HostAccess::deviceDescription;
using HostAccess::functionControl;

namespace {

const QString kConnectItem = QStringLiteral("&&private&&Connect");
const QString kFileNameItem = QStringLiteral("&&private_PM&&FileName");
const QString kDescriptionPathItem = QStringLiteral("&&private_PM&&KQDPath");
const QString kUploadItem = QStringLiteral("&&Sequence_Progress&&upload");

// The device counts as connected only when the item holds the double 2.0.
constexpr std::uint64_t kConnectedQuad = 0x4000000000000000ull;
// NotifyChanged with this bit of lState set is not a progress report.
constexpr std::int32_t kStateIgnoreBit = 8;

enum LoadMode : std::int32_t { ApplicationData = 0, DatabaseData = 1, DeviceData = 2 };

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

ComError noWindow()
{
    return ComError(E_UNEXPECTED, QStringLiteral("The view has no window"));
}

} // namespace

clsQuiravel::clsQuiravel()
{
    Module::objectCreated();
}

clsQuiravel::~clsQuiravel()
{
    m_connections.reset();
    if (m_sink)
        setMessageHandler(std::move(m_previousMessageHandler));
    // Released by the host without Destroy: the window must not call back.
    if (frmQuiravel *window = m_window) {
        window->SetOwner(nullptr);
        window->Unload();
    }
    Module::objectDestroyed();
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

        // Attached anew: the window of the previous attachment goes first.
        if (frmQuiravel *old = m_window) {
            old->SetOwner(nullptr);
            old->Unload();
        }
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
            check(description->GetSettingEntry(BStr(QStringLiteral("PRINTTEMPLATEFILE")).get(), setting.put(),
                                               &error));
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
        check(m_itemManager->OpenItem(BStr(kDescriptionPathItem).get(), VARIANT_FALSE, m_viewHandle,
                                      &m_descriptionPathItem, 0, 0, &error));
        if (error == 0) {
            BStr path;
            std::int32_t readError = 0;
            check(m_itemManager->GetItemString(m_descriptionPathItem, path.put(), VARIANT_FALSE, &readError));
            m_templateDirectory = path.toQString();
        }
        std::int32_t closeError = 0;
        check(m_itemManager->CloseItem(variantFromLong(m_viewHandle), m_descriptionPathItem, VARIANT_FALSE,
                                       &closeError));
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
        ComPtr<View> keepAlive(static_cast<View *>(this));
        QPointer<frmQuiravel> window = m_window;
        if (!window->ShowWindow() || !window || window->isUnloaded())
            return; // the load failed and closed the window; it said why
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
        ComPtr<View> keepAlive(static_cast<View *>(this));
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
        if (curAppletItemHandle != m_uploadItem || (lState & kStateIgnoreBit) || !m_itemManager)
            return;
        std::int32_t error = 0;
        check(m_itemManager->GetItemLong(m_uploadItem, &m_uploadProgress, &error));
        if (error == 0 && m_uploadProgress == 100) {
            m_uploadDone = VARIANT_TRUE;
            ++m_uploadsFinished;
            endUploadWaits();
        }
    });
}

void clsQuiravel::ReleaseHost()
{
    // ReleaseView may drop the host's last reference to this component.
    ComPtr<View> keepAlive(static_cast<View *>(this));
    if (frmQuiravel *window = m_window)
        window->SetOwner(nullptr);
    m_window = nullptr;
    if (m_itemManager) {
        // The window is closing: neither the error flag nor a failure can stop that.
        std::int32_t error = 0;
        m_itemManager->ReleaseView(static_cast<View *>(this), &error);
    }
    m_itemManager.reset();
    endUploadWaits();
}

TagContext clsQuiravel::tagContext() const
{
    TagContext context;
    context.itemManager = m_itemManager.get();
    context.viewHandle = m_viewHandle;
    context.shadow = m_shadow != VARIANT_FALSE;
    context.loadMode = m_loadMode;
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
    std::int32_t item = 0;
    std::int32_t error = 0;
    check(itemManager->OpenItem(BStr(kConnectItem).get(), VARIANT_FALSE, m_viewHandle, &item, 0, 0, &error));
    bool connected = false;
    if (error == 0) {
        std::int32_t readError = 0;
        const std::int64_t value = HostAccess::itemQuad(itemManager.get(), item, &readError);
        connected = static_cast<std::uint64_t>(value) == kConnectedQuad;
        if (!connected)
            MsgBox(GetLocalString(1132), MsgButtons::Ok, MsgIcon::None, GetLocalString(1139));
    }
    std::int32_t closeError = 0;
    check(itemManager->CloseItem(variantFromLong(m_viewHandle), item, VARIANT_FALSE, &closeError));
    return connected;
}

bool clsQuiravel::LoadData(std::int32_t mode)
{
    // A command of the window may run while the host lets go of this component.
    ComPtr<View> keepAlive(static_cast<View *>(this));
    m_loadMode = mode;
    switch (mode) {
    case ApplicationData:
        m_shadow = VARIANT_FALSE;
        return true;

    case DatabaseData: {
        m_shadow = VARIANT_FALSE;
        if (!m_itemManager)
            return false;
        std::int32_t error = 0;
        check(functionControl(m_itemManager.get())->LoadDatabase(0, &error));
        if (error == 0) {
            m_databaseFileName = GetTagValue(kFileNameItem, false);
            return true;
        }
        MsgBox(GetLocalString(1131));
        return false;
    }

    case DeviceData: {
        m_shadow = VARIANT_TRUE;
        if (!m_itemManager || !IsDeviceConnected())
            return false;
        std::int32_t error = 0;
        check(m_itemManager->OpenItem(BStr(kUploadItem).get(), VARIANT_FALSE, m_viewHandle, &m_uploadItem, 0,
                                      0, &error));
        if (error != 0)
            return false;
        std::int32_t readError = 0;
        check(m_itemManager->GetItemLong(m_uploadItem, &m_uploadProgress, &readError));
        if (readError == 0) {
            if (m_uploadProgress == 0 || m_uploadProgress == 100) {
                std::int32_t startError = 0; // not examined: the wait tells
                check(functionControl(m_itemManager.get())
                          ->StartFunction(BStr(QStringLiteral("upload")).get(), &startError));
            }
            if (!waitForUpload())
                return false;
        }
        std::int32_t closeError = 0;
        check(m_itemManager->CloseItem(variantFromLong(m_viewHandle), m_uploadItem, VARIANT_FALSE,
                                       &closeError));
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
    const auto finished = [&] {
        return m_uploadDone != VARIANT_FALSE || m_uploadsFinished != finishedBefore;
    };
    // The loop sleeps until an event arrives. Only the end of an upload, the
    // host's release or the window's unload wake it on purpose (a nested
    // command's wait ends together with this one); when anything else ends
    // it, the application is quitting and the wait must not hold it up.
    if (!finished() && m_itemManager && m_window) {
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
        ComPtr<View> keepAlive(static_cast<View *>(this));
        sink->OnPageLoaded(BStr(browser->locationUrl()).get(), toVariantBool(ok));
    });
    QObject::connect(browser, &BrowserControl::pdfPrintingFinished, m_connections.get(),
                     [this](const QString &path, bool ok) {
                         if (!m_sink)
                             return;
                         ComPtr<IQuiravelEvents> sink = m_sink;
                         ComPtr<View> keepAlive(static_cast<View *>(this));
                         sink->OnPdfFinished(BStr(path).get(), toVariantBool(ok));
                     });
}

HRESULT clsQuiravel::RunCommand(BSTR name)
{
    // The report operations have no menu entry; their window shortcuts do.
    static const QHash<QString, QString> actionNames = {
        {QStringLiteral("srcValue"), QStringLiteral("srcValue")},
        {QStringLiteral("scrDatabase"), QStringLiteral("scrDatabase")},
        {QStringLiteral("scrShadow"), QStringLiteral("scrShadow")},
        {QStringLiteral("Drucken_m"), QStringLiteral("Drucken_m")},
        {QStringLiteral("Druckvorschau_m"), QStringLiteral("Druckvorschau_m")},
        {QStringLiteral("Beenden_m"), QStringLiteral("Beenden_m")},
        {QStringLiteral("m_Help"), QStringLiteral("m_Help")},
        {QStringLiteral("ShowApplicationReport"), QStringLiteral("applicationReport")},
        {QStringLiteral("ShowDatabaseReport"), QStringLiteral("databaseReport")},
        {QStringLiteral("ShowDeviceReport"), QStringLiteral("deviceReport")},
    };
    const auto found = actionNames.constFind(BStr::toQString(name));
    if (found == actionNames.cend())
        return E_INVALIDARG;
    if (!m_window || !m_window->isLoaded() || m_window->isUnloaded())
        return E_UNEXPECTED;
    QAction *action = m_window->findChild<QAction *>(*found);
    if (!action)
        return E_INVALIDARG;
    return entryPoint([&] {
        ComPtr<View> keepAlive(static_cast<View *>(this));
        action->trigger();
    });
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
    const bool wasAdvised = bool(m_sink);
    m_sink = ComPtr<IQuiravelEvents>(sink);
    if (m_sink && !wasAdvised) {
        m_previousMessageHandler = setMessageHandler([this](const MessageRequest &request) {
            std::int32_t answer = vbOK;
            ComPtr<IQuiravelEvents> sink = m_sink;
            const HRESULT hr = sink
                                   ? sink->OnMessage(BStr(request.title).get(), BStr(request.text).get(),
                                                     request.buttons == MsgButtons::OkCancel ? 1 : 0, &answer)
                                   : S_FALSE;
            if (hr == S_OK)
                return answer == vbCancel ? vbCancel : vbOK;
            // The host lets the user answer: show the box as without a sink.
            MessageHandler mine = setMessageHandler(m_previousMessageHandler);
            const MsgResult result = MsgBox(request.text, request.buttons, request.icon, request.title);
            setMessageHandler(std::move(mine));
            return result;
        });
    } else if (!m_sink && wasAdvised) {
        setMessageHandler(std::move(m_previousMessageHandler));
    }
    return S_OK;
}

HRESULT clsQuiravel::GetPrintFilePath(BSTR *path)
{
    if (!path)
        return E_POINTER;
    *path = BStr::alloc(m_window ? m_window->printFilePath() : QString());
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
