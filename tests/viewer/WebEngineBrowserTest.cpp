// The real browser control on the offscreen platform: local pages load and
// report their progress, nothing reaches the network while offline, and the
// page prints to PDF.
#include "viewer/WebEngineBrowser.h"
#include "ViewerTestSupport.h"
#include "platform/ComError.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kLoadTimeoutMs = 30000;

struct LoadedPage
{
    explicit LoadedPage(const QString &html)
    {
        path = directory.path() + QStringLiteral("/page001.htm");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(html.toUtf8());
    }
    QTemporaryDir directory;
    QString path;
};

class WebEngineBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        browser = std::make_unique<WebEngineBrowser>(&parent);
        connect();
    }
    void connect()
    {
        QObject::connect(browser.get(), &BrowserControl::objectEvent, browser.get(),
                         [this](const QString &name, const QVariantMap &parameters) {
                             events.append(name);
                             if (name == QLatin1String("ProgressChange"))
                                 progress.append(parameters.value("Progress").toInt());
                         });
    }
    bool navigateAndWait(const QString &path)
    {
        QSignalSpy finished(browser.get(), &BrowserControl::loadFinished);
        browser->Navigate(path);
        return finished.wait(kLoadTimeoutMs) && finished.first().first().toBool();
    }

    QWidget parent;
    std::unique_ptr<WebEngineBrowser> browser;
    QStringList events;
    QList<int> progress;
};

TEST_F(WebEngineBrowserTest, local_page_loads_with_backslashes_and_reports_its_progress)
{
    LoadedPage page(QStringLiteral("<html><body><p>Report</p></body></html>"));
    browser->setOffline(true);
    EXPECT_EQ(browser->QueryStatusWB(OLECMDID_PRINT), 1);

    QString windowsStyle = page.path;
    windowsStyle.replace('/', '\\');
    ASSERT_TRUE(navigateAndWait(windowsStyle));

    EXPECT_EQ(browser->locationUrl(), windowsStyle);
    EXPECT_TRUE(events.contains("NavigateComplete2"));
    EXPECT_TRUE(events.contains("DocumentComplete"));
    EXPECT_LT(events.indexOf("NavigateComplete2"), events.indexOf("DocumentComplete"));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), -1);
    EXPECT_TRUE(progress.contains(100));
    EXPECT_EQ(browser->QueryStatusWB(OLECMDID_PRINT), 1 | OLECMDF_ENABLED);
    EXPECT_EQ(browser->QueryStatusWB(OLECMDID_PRINTPREVIEW), 1 | OLECMDF_ENABLED);
}

TEST_F(WebEngineBrowserTest, offline_page_never_reaches_the_network)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QSignalSpy connections(&server, &QTcpServer::newConnection);
    const QString remote = QStringLiteral("http://127.0.0.1:%1/x.png").arg(server.serverPort());
    LoadedPage page(QStringLiteral("<html><body><img src=\"%1\"></body></html>").arg(remote));

    browser->setOffline(true);
    ASSERT_TRUE(navigateAndWait(page.path));
    connections.wait(1000);

    EXPECT_EQ(connections.count(), 0);

    // Navigating to the remote address itself is refused as well.
    const int blockedBefore = browser->requestInterceptor()->blockedCount();
    QSignalSpy finished(browser.get(), &BrowserControl::loadFinished);
    browser->Navigate(remote);
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs));
    connections.wait(1000);
    EXPECT_EQ(connections.count(), 0);
    EXPECT_GT(browser->requestInterceptor()->blockedCount(), blockedBefore);

    // The same page online does ask the server, so the page above would
    // have reached it had it not been blocked.
    browser->setOffline(false);
    browser->Navigate(page.path);
    EXPECT_TRUE(connections.wait(kLoadTimeoutMs));
}

TEST_F(WebEngineBrowserTest, page_prints_to_a_pdf_file)
{
    LoadedPage page(QStringLiteral("<html><body><h1>Device</h1></body></html>"));
    browser->setOffline(true);
    ASSERT_TRUE(navigateAndWait(page.path));

    const QString pdf = page.directory.path() + QStringLiteral("/page.pdf");
    QSignalSpy done(browser.get(), &BrowserControl::pdfPrintingFinished);
    browser->printToPdf(pdf);
    ASSERT_TRUE(done.wait(kLoadTimeoutMs));
    EXPECT_EQ(done.first().at(0).toString(), pdf);
    EXPECT_TRUE(done.first().at(1).toBool());

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_GT(file.size(), 4);
    EXPECT_EQ(file.read(4), "%PDF");
}

TEST(webengine_window_test, window_offers_print_preview_once_its_template_has_loaded)
{
    LoadedPage page(QStringLiteral("<html><body><p>Template</p></body></html>"));
    MessageRecorder messages;
    TestOwner owner;
    owner.directory = page.directory.path() + QLatin1Char('/');
    owner.fileName = QStringLiteral("page001.htm");
    QPointer<frmQuiravel> window = new frmQuiravel;
    window->SetOwner(&owner);
    owner.window = window;

    ASSERT_TRUE(window->ShowWindow());
    auto *browser = dynamic_cast<WebEngineBrowser *>(window->WebBrowser1());
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->offline());
    QSignalSpy finished(browser, &BrowserControl::loadFinished);
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs));

    EXPECT_TRUE(window->previewChecked());
    EXPECT_TRUE(window->menuEntry("Druckvorschau_m")->isVisible());
    EXPECT_TRUE(window->menuEntry("Druckvorschau_m")->isEnabled());
    EXPECT_EQ(window->statusText(), "");
    EXPECT_TRUE(messages.shown.isEmpty());

    window->Unload();
    EXPECT_EQ(owner.releaseCount, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST(webengine_factory_test, shell_explorer_is_the_webengine_browser)
{
    QWidget parent;
    BrowserControl *control = ControlFactory::create(QStringLiteral("SHELL.EXPLORER"), &parent);
    EXPECT_NE(dynamic_cast<WebEngineBrowser *>(control), nullptr);
    EXPECT_EQ(control->widget()->parentWidget(), &parent);
    EXPECT_THROW(control->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, QString()), ComError);
    delete control;
}

} // namespace
