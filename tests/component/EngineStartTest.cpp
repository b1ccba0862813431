// SPDX-License-Identifier: Apache-2.0
// A browser engine that cannot start, as a broken or partial installation
// leaves it. The engine would end the whole process, so this runs in a
// process of its own in which the engine never starts.
#include "component/clsQuiravel.h"
#include "host/DeviceModel.h"
#include "platform/MessageBox.h"
#include "tests/support/FileGuards.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/WebEngineInstallation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(engine_start_test, an_engine_that_cannot_start_reports_1143_and_closes_the_view)
{
    QTemporaryDir dir;
    const QString helper = dir.filePath("QtWebEngineProcess");
    writeBytes(helper, "#!/bin/sh\n"); // not executable
    ASSERT_TRUE(QDir(dir.path()).mkdir("empty"));
    // Helpers that exist and may be run but are no working helper.
    const auto executable = [&](const char *name, const QByteArray &bytes) {
        writeBytes(dir.filePath(name), bytes);
        QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return dir.filePath(name);
    };
    const QString script = executable("script", "#!/bin/sh\nexec sleep 600\n");
    const QString brokenElf = executable("broken", QByteArray("\x7f"
                                                              "ELF\x02\x01\x01") +
                                                       QByteArray(200, '\x01'));
    // Resource packs the engine would crash on.
    const auto packDir = [&](const char *name, const QByteArray &bytes) {
        EXPECT_TRUE(QDir(dir.path()).mkdir(name));
        writeBytes(dir.filePath(QString(name) + "/qtwebengine_resources.pak"), bytes);
        return dir.filePath(name);
    };
    const QString emptyPack = packDir("emptypack", "");
    const QString cutPack = packDir("cutpack", QByteArray("\x05\0\0\0\x01\0\0\0\x09\0\0\0", 12));
    writeBytes(dir.filePath("Pump001.HTM"), "<p>#VALUE#</p>\r\n");

    QStringList messages;
    const MessageHandler previous = setMessageHandler([&](const MessageRequest &request) {
        messages.append(request.text);
        return vbOK;
    });
    ScopedEnv env("LC_ALL", "en_US.UTF-8");
    env.set("QUIRAVEL_REGISTRY", dir.filePath("registry.reg").toUtf8());
    // Helper process (empty: where the engine looks by default), resources.
    const QString cases[][2] = {{dir.filePath("missing/QtWebEngineProcess"), {}},
                                {helper, {}},
                                {dir.filePath("empty"), {}},
                                {"/bin/false", {}},
                                {"/bin/true", {}},
                                {script, {}},
                                {brokenElf, {}},
                                {{}, dir.filePath("empty")},
                                {{}, emptyPack},
                                {{}, cutPack}};
    for (const auto &[helperPath, resourcesPath] : cases) {
        SCOPED_TRACE(helperPath.toStdString() + " " + resourcesPath.toStdString());
        env.set("QTWEBENGINEPROCESS_PATH", helperPath.toUtf8());
        env.set("QTWEBENGINE_RESOURCES_PATH", resourcesPath.toUtf8());
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

    // The installation itself is sound: its helper runs and its packs are whole.
    env.set("QTWEBENGINEPROCESS_PATH", "");
    env.set("QTWEBENGINE_RESOURCES_PATH", "");
    EXPECT_EQ(webEngineStartProblem(), QString());
}
