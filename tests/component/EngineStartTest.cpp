// A browser engine that cannot start, as a broken or partial installation
// leaves it. The engine would end the whole process, so this runs in a
// process of its own in which the engine never starts.
#include "component/clsQuiravel.h"
#include "frame/DeviceModel.h"
#include "platform/MessageBox.h"
#include "tests/support/ScopedEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(engine_start_test, an_engine_that_cannot_start_reports_1143_and_closes_the_view)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notExecutable = dir.filePath("QtWebEngineProcess");
    QFile helper(notExecutable);
    ASSERT_TRUE(helper.open(QIODevice::WriteOnly));
    helper.write("#!/bin/sh\n");
    helper.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir("empty"));
    QFile page(dir.filePath("Pump001.HTM"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<p>#VALUE#</p>\r\n");
    page.close();

    struct Case
    {
        const char *what;
        QString helperPath; // empty: where the engine looks by default
        QString resourcesPath;
    } cases[] = {
        {"helper missing", dir.filePath("missing/QtWebEngineProcess"), {}},
        {"helper not executable", notExecutable, {}},
        {"helper is a directory", dir.filePath("empty"), {}},
        {"resources missing", {}, dir.filePath("empty")},
    };

    QStringList messages;
    const MessageHandler previous = setMessageHandler([&](const MessageRequest &request) {
        messages.append(request.text);
        return vbOK;
    });
    ScopedEnv env("LC_ALL", "en_US.UTF-8");
    env.set("QUIRAVEL_REGISTRY", dir.filePath("registry.reg").toUtf8());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        env.set("QTWEBENGINEPROCESS_PATH", c.helperPath.toUtf8());
        env.set("QTWEBENGINE_RESOURCES_PATH", c.resourcesPath.toUtf8());
        messages.clear();

        DeviceModel model;
        model.setSettingEntry("PRINTTEMPLATEFILE", "Pump.htm");
        model.setDescriptionPath(dir.filePath("Pump.kqd"));
        ComPtr<View> view;
        ASSERT_EQ(clsQuiravel::create(IID_View, view.putVoid()), S_OK);
        std::int32_t result = 0;
        ASSERT_EQ(view->SetAppletItemManagRef(7, model.itemManager().get(), &result), S_OK);
        model.attachView(view.get());

        EXPECT_EQ(view->Show(&result), E_UNEXPECTED);
        EXPECT_EQ(messages, QStringList{"No (valid) Web Browser installation!"});
        EXPECT_EQ(static_cast<clsQuiravel *>(view.get())->window(), nullptr);
        EXPECT_EQ(model.releaseViewCount(), 1);
        EXPECT_EQ(view.detach()->Release(), 0u);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(model.liveObjects(), 0);
    }
    setMessageHandler(previous);
}
