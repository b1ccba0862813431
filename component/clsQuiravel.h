// SPDX-License-Identifier: Apache-2.0
// The component class: the host's View, the system information queries of
// its default interface, and the state the window and the generators read.
#pragma once

#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "contract/QuiravelAutomation.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/MessageBox.h"
#include "viewer/ViewerOwner.h"
#include "viewer/frmQuiravel.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <memory>

class QEventLoop;
struct TagContext;

class clsQuiravel final : public ComDispatchObject<clsQuiravel, _clsQuiravel, View, IQuiravelAutomation>,
                          public ViewerOwner
{
public:
    static HRESULT create(REFIID riid, void **object) { return createInstance(riid, object); }

    HRESULT QueryInterface(REFIID riid, void **object) override;
    /// The host's last reference closes the view as Destroy would, also
    /// while the component's own calls still hold it.
    ULONG Release() override;

    /// Named dispatch of the three _clsQuiravel operations, for late-bound
    /// clients: names match without regard to case; none takes an argument.
    HRESULT GetIDsOfNames(REFIID riid, OLECHAR **names, std::uint32_t count, LCID lcid, DISPID *ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, std::uint16_t flags, DISPPARAMS *params,
                   VARIANT *result, EXCEPINFO *exception, std::uint32_t *argError) override;

    // _clsQuiravel
    HRESULT IsSystemNT(VARIANT_BOOL *result) override;
    HRESULT GetRegisteredOwner(BSTR *result) override;
    HRESULT GetRegisteredOrganization(BSTR *result) override;

    // View
    HRESULT SetAppletItemManagRef(std::int32_t aViewHandle, AppItemManager *anAppItemMngRef,
                                  std::int32_t *result) override;
    HRESULT Show(std::int32_t *result) override;
    HRESULT Hide(std::int32_t *result) override;
    HRESULT Destroy(std::int32_t *result) override;
    HRESULT NotifyChanged(std::int32_t curAppletItemHandle, VARIANT_BOOL bShadow, std::int32_t lState,
                          std::int32_t lUserLong, std::int32_t *result) override;

    // IQuiravelAutomation
    HRESULT RunCommand(BSTR name) override;
    HRESULT PrintToPdf(BSTR path) override;
    HRESULT Advise(IQuiravelEvents *sink) override;
    HRESULT GetPrintFilePath(BSTR *path) override;
    HRESULT GetLocation(BSTR *url) override;
    HRESULT GetWindowState(BSTR *caption, BSTR *statusText, VARIANT_BOOL *visible) override;
    HRESULT GetGenerationError(BSTR *path, BSTR *reason) override;
    HRESULT GetPagePath(BSTR *path) override;

    // Operations for the window and the generators
    QString GetTemplateFileName() const override { return m_templateFileName; }
    QString GetTemplateDirectory() const override { return m_templateDirectory; }
    void ReleaseHost() override;
    QString GetTagValue(const QString &tag, bool stripMarkers) override;
    std::optional<TagContext> lineTagContext() const override { return tagContext(); }
    bool IsDeviceConnected() override;
    bool LoadData(std::int32_t mode) override;
    void WriteReportFile(const QString &path) override;
    /// Asks this view's advised sink first; without one, or when the sink
    /// leaves it to the user, the box is shown.
    MsgResult showMessage(const MessageRequest &request, QWidget *parent) override;

    /// The viewer window while it exists.
    frmQuiravel *window() const { return m_window; }
    bool uploadDone() const { return m_uploadDone != VARIANT_FALSE; }
    std::int32_t uploadProgress() const { return m_uploadProgress; }
    QString languageCode() const { return m_languageCode; }
    std::int32_t uploadItem() const { return m_uploadItem; }

private:
    friend ComObject;
    clsQuiravel();
    ~clsQuiravel();
    /// Nothing holds the object any more: closes the window as Destroy
    /// does, unless that happened already, then deletes the object.
    void lastReleased();
    void closeForHost();

    /// A reference of the component's own call, which the host may outlive
    /// or not; counted apart from the host's.
    class KeepAlive
    {
    public:
        explicit KeepAlive(clsQuiravel *component);
        ~KeepAlive();
        KeepAlive(const KeepAlive &) = delete;
        KeepAlive &operator=(const KeepAlive &) = delete;

    private:
        clsQuiravel *m_component;
    };

    TagContext tagContext() const;
    /// Processes the thread's events until the upload reports 100, the host
    /// is released or the window goes; false when it ended for another reason.
    bool waitForUpload();
    void endUploadWaits();
    /// Passes the browser's page and PDF notifications on to the sink.
    void connectBrowser();

    // The component's fields, in their documented order.
    ComPtr<AppItemManager> m_itemManager;
    std::int32_t m_viewHandle = 0;
    std::int32_t m_descriptionPathItem = 0;
    QString m_templateFileName;
    QString m_templateDirectory;
    QString m_languageCode;
    std::int32_t m_loadMode = 0;
    std::int32_t m_uploadProgress = 0;
    std::int32_t m_uploadItem = 0;
    VARIANT_BOOL m_uploadDone = VARIANT_FALSE;
    VARIANT_BOOL m_shadow = VARIANT_FALSE;
    QString m_databaseFileName;
    QPointer<frmQuiravel> m_window;

    // Uploads finished so far: a wait ends when this moves, even when a
    // nested command already consumed the done flag.
    quint64 m_uploadsFinished = 0;
    /// Counts SetAppletItemManagRef calls: a wait of an earlier attachment
    /// ends and never reports to the host attached later.
    quint64 m_attachment = 0;
    ULONG m_internalReferences = 0;
    bool m_hostGone = false;
    QList<QEventLoop *> m_uploadWaits;

    ComPtr<IQuiravelEvents> m_sink;
    /// Owns the connections to the window's browser, so that none outlives
    /// the component.
    std::unique_ptr<QObject> m_connections;
};
