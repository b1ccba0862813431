// SPDX-License-Identifier: Apache-2.0
// The page's renderer process dies under a shown view (a crash, the system
// ending it): the host lives on, printing is refused until the page has
// loaded again in a new renderer, and then it prints.
#include "component/clsQuiravel.h"
#include "host/DeviceModel.h"
#include "platform/BStr.h"
#include "platform/MessageBox.h"
#include "resources/Toolkit_LoadResource.h"
#include "tests/support/FileGuards.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/frmQuiravel.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <csignal>
#include <gtest/gtest.h>

namespace {

constexpr int kTimeoutMs = 30000;

} // namespace

TEST(renderer_loss_test, a_killed_renderer_turns_printing_off_the_page_reloads_and_prints_again)
{
    QTemporaryDir dir;
    ScopedEnv env("LC_ALL", "en_US.UTF-8");
    env.set("QUIRAVEL_REGISTRY", dir.filePath("registry.reg").toUtf8());
    writeBytes(dir.filePath("Pump001.HTM"), "<html><body><p>#VALUE#</p></body></html>\r\n");
    QStringList messages;
    const MessageHandler previous = setMessageHandler([&](const MessageRequest &request) {
        messages.append(request.text);
        return vbOK;
    });
    DeviceModel model;
    model.setSettingEntry("PRINTTEMPLATEFILE", "Pump.htm");
    model.setDescriptionPath(dir.filePath("Pump.kqd"));
    ComPtr<View> view;
    ASSERT_EQ(clsQuiravel::create(IID_View, view.putVoid()), S_OK);
    std::int32_t result = 0;
    ASSERT_EQ(view->SetAppletItemManagRef(7, model.itemManager().get(), &result), S_OK);
    ASSERT_EQ(view->Show(&result), S_OK);
    frmQuiravel *window = static_cast<clsQuiravel *>(view.get())->window();
    BrowserControl *browser = window->WebBrowser1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser->QueryStatusWB(OLECMDID_PRINT) & OLECMDF_ENABLED; },
                                kTimeoutMs));
    auto *page = static_cast<QWebEngineView *>(browser->widget())->page();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->renderProcessPid() > 0; }, kTimeoutMs));

    QSignalSpy lost(browser, &BrowserControl::rendererLost);
    QSignalSpy loaded(browser, &BrowserControl::loadFinished);
    ASSERT_EQ(::kill(pid_t(page->renderProcessPid()), SIGKILL), 0);
    ASSERT_TRUE(lost.wait(kTimeoutMs));
    EXPECT_FALSE(browser->QueryStatusWB(OLECMDID_PRINT) & OLECMDF_ENABLED);
    EXPECT_FALSE(browser->QueryStatusWB(OLECMDID_PRINTPREVIEW) & OLECMDF_ENABLED);
    EXPECT_FALSE(window->menuEntry("Drucken_m")->isEnabled());
    EXPECT_FALSE(window->menuEntry("Druckvorschau_m")->isEnabled());
    // Reached all the same: refused, neither crashing nor hanging the host.
    window->Druckvorschau_m_Click();
    window->Drucken_m_Click();
    EXPECT_EQ(messages, QStringList({GetLocalString(1145), GetLocalString(1144)}));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, kTimeoutMs))
        << "the page was not loaded again";
    EXPECT_TRUE(loaded.first().first().toBool());
    EXPECT_TRUE(window->menuEntry("Drucken_m")->isEnabled());
    const QString pdf = dir.filePath("page.pdf");
    QSignalSpy printed(browser, &BrowserControl::pdfPrintingFinished);
    browser->printToPdf(pdf);
    ASSERT_TRUE(printed.wait(kTimeoutMs));
    EXPECT_TRUE(printed.first().at(1).toBool());
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    ASSERT_EQ(view->Destroy(&result), S_OK);
    EXPECT_EQ(view.detach()->Release(), 0u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setMessageHandler(previous);
}
