// SPDX-License-Identifier: Apache-2.0
// A clsQuiravel attached to the in-memory host, with message boxes answered
// by the test and the fake browser standing in for the browser engine.
#pragma once

#include "component/clsQuiravel.h"
#include "host/DeviceModel.h"
#include "platform/BStr.h"
#include "platform/ComObject.h"
#include "platform/MessageBox.h"
#include "resources/Toolkit_LoadResource.h"
#include "tests/support/CallLog.h"
#include "tests/support/FakeBrowser.h"
#include "tests/support/FileGuards.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/frmQuiravel.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

/// The host's side of the test device: its call log kept, its template
/// setting and its description file in `folder`.
inline void describePump(DeviceModel &model, const QString &folder)
{
    model.setCallLogEnabled(true);
    model.setSettingEntry("PRINTTEMPLATEFILE", "Pump.htm");
    model.setDescriptionPath(QDir(folder).filePath("Pump.kqd"));
}

/// Runs the window command `name` as a host does, by its name.
inline HRESULT runCommand(IQuiravelAutomation *automation, const char *name)
{
    return automation->RunCommand(BStr(QString::fromLatin1(name)).get());
}

/// The host lets go of its view as a frame does: Destroy, then its reference.
inline void destroyAndRelease(ComPtr<View> &view)
{
    std::int32_t result = 0;
    view->Destroy(&result);
    EXPECT_EQ(view.detach()->Release(), 0u) << "the component outlived its host";
}

/// After the host let go: once the deleted windows are gone, no object of
/// `model` is alive and every item opened on it was closed exactly once.
inline void expectHostLetGo(const DeviceModel &model, const std::string &where = {})
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(model.liveObjects(), 0) << where << ": a host object was not released";
    EXPECT_TRUE(eachOpenedItemClosedOnce(model)) << where;
}

/// A host's event sink: keeps the message texts it is offered and answers
/// them through `onMessage` (OK when unset).
class CallbackSink final : public ComObject<CallbackSink, IQuiravelEvents>
{
public:
    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return queryOne<IQuiravelEvents>(riid, object, {IID_IQuiravelEvents});
    }
    HRESULT OnPageLoaded(BSTR, VARIANT_BOOL) override { return S_OK; }
    HRESULT OnMessage(BSTR, BSTR text, std::int32_t, std::int32_t *answer) override
    {
        texts.append(BStr::toQString(text));
        *answer = vbOK;
        return onMessage ? onMessage(answer) : S_OK;
    }
    HRESULT OnPdfFinished(BSTR, VARIANT_BOOL) override
    {
        if (onPdfFinished)
            onPdfFinished();
        return S_OK;
    }

    QStringList texts;
    std::function<HRESULT(std::int32_t *answer)> onMessage;
    std::function<void()> onPdfFinished;
};

class ComponentFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env.set("LC_ALL", "en_US.UTF-8");
        env.set("QUIRAVEL_REGISTRY", path("registry.reg").toUtf8());
        m_previousHandler = setMessageHandler([this](const MessageRequest &request) {
            messages.append(request.text);
            return answer;
        });
        describePump(model, dir.path());
        ASSERT_EQ(clsQuiravel::create(IID_View, view.putVoid()), S_OK);
    }

    void TearDown() override
    {
        if (view)
            destroyAndRelease(view);
        flushDeletes();
        EXPECT_EQ(model.liveObjects(), 0) << "a host object was not released";
        setMessageHandler(m_previousHandler);
    }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    HRESULT attach(std::int32_t viewHandle = 7)
    {
        std::int32_t result = -1;
        const HRESULT hr = view->SetAppletItemManagRef(viewHandle, model.itemManager().get(), &result);
        EXPECT_EQ(result, 0);
        model.attachView(view.get());
        return hr;
    }

    HRESULT show()
    {
        std::int32_t result = -1;
        const HRESULT hr = view->Show(&result);
        EXPECT_EQ(result, 0);
        return hr;
    }

    /// A connected device whose template is `page` and whose item FLOW has
    /// a value in each data set; attached and shown.
    void openDevice(const QByteArray &page, int uploadMilliseconds = 0)
    {
        writeBytes(path("Pump001.HTM"), page);
        model.setApplicationValue("FLOW", "12.5");
        model.setDeviceValue("FLOW", "13.1");
        model.setDatabase(path("pump.db"), {{"FLOW", "11.8"}});
        model.setConnected(true);
        model.setUploadMilliseconds(uploadMilliseconds);
        ASSERT_EQ(attach(), S_OK);
        ASSERT_EQ(show(), S_OK);
    }

    clsQuiravel *component() const { return static_cast<clsQuiravel *>(view.get()); }
    frmQuiravel *window() const { return component()->window(); }
    void run(const char *menuEntry) const { window()->menuEntry(menuEntry)->trigger(); }
    static ComPtr<IQuiravelAutomation> automation(const ComPtr<View> &v)
    {
        return v.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
    }

    /// Windows unloaded by the component are deleted later; let that happen.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    /// Every item handle OpenItem issued was closed exactly once (checked
    /// on the host's call log), and some were opened.
    void expectEachOpenedItemClosedOnce() const
    {
        qsizetype opened = 0;
        EXPECT_TRUE(eachOpenedItemClosedOnce(model, &opened));
        EXPECT_GT(opened, 0);
    }

    QTemporaryDir dir;
    ScopedEnv env;
    DeviceModel model;
    FakeBrowserRegistration browsers;
    ComPtr<View> view;
    /// The texts of the message boxes shown, answered with `answer`.
    QStringList messages;
    MsgResult answer = vbOK;

private:
    MessageHandler m_previousHandler;
};
