// SPDX-License-Identifier: Apache-2.0
// The real browser control on the offscreen platform: local pages load and
// report their progress, and nothing reaches the network while offline.
#include "viewer/WebEngineBrowser.h"
#include "platform/ComError.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kLoadTimeoutMs = 30000;

// Printing to PDF on the real engine is proven by the frame and batch runs.
TEST(webengine_browser_test, local_page_loads_and_reports_its_progress_and_offline_never_reaches_the_network)
{
    QWidget parent;
    const auto browser = std::make_unique<WebEngineBrowser>(&parent);
    QStringList events;
    QList<int> progress;
    QObject::connect(browser.get(), &BrowserControl::objectEvent, browser.get(),
                     [&](const QString &name, const QVariantMap &parameters) {
                         events.append(name);
                         if (name == "ProgressChange")
                             progress.append(parameters.value("Progress").toInt());
                     });
    browser->setOffline(true);
    EXPECT_EQ(browser->QueryStatusWB(OLECMDID_PRINT), 1);
    EXPECT_THROW(browser->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, QString()), ComError);
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QSignalSpy connections(&server, &QTcpServer::newConnection);
    const QString remote = QString("http://127.0.0.1:%1/x.png").arg(server.serverPort());
    QTemporaryDir directory;
    const QString page = directory.filePath("page001.htm");
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString("<html><body><img src=\"%1\"></body></html>").arg(remote).toUtf8());
    file.close();
    const QString windowsStyle = QString(page).replace('/', '\\');
    QSignalSpy finished(browser.get(), &BrowserControl::loadFinished);
    browser->Navigate(windowsStyle);
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs));
    EXPECT_TRUE(finished.takeFirst().first().toBool());
    EXPECT_EQ(browser->locationUrl(), windowsStyle);
    EXPECT_GE(events.indexOf("NavigateComplete2"), 0);
    EXPECT_LT(events.indexOf("NavigateComplete2"), events.indexOf("DocumentComplete"));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), -1);
    EXPECT_TRUE(progress.contains(100));
    EXPECT_EQ(browser->QueryStatusWB(OLECMDID_PRINTPREVIEW), 1 | OLECMDF_ENABLED);

    // Navigating to the remote address itself is refused as well.
    const int blockedBefore = browser->requestInterceptor()->blockedCount();
    browser->Navigate(remote);
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs));
    connections.wait(1000);
    EXPECT_EQ(connections.count(), 0);
    EXPECT_GT(browser->requestInterceptor()->blockedCount(), blockedBefore);

    // Online, the filter lets the request pass; the engine, started by the
    // control with no name or address to reach, still sends nothing.
    browser->setOffline(false);
    const int blockedOffline = browser->requestInterceptor()->blockedCount();
    browser->Navigate(page);
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs));
    EXPECT_FALSE(connections.wait(1000));
    EXPECT_EQ(browser->requestInterceptor()->blockedCount(), blockedOffline);
}

} // namespace
