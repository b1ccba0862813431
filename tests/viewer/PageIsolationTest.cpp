// SPDX-License-Identifier: Apache-2.0
// The real engine on a page that tries every way out it can: nothing reaches
// a listener on the loopback address, nothing outside the device's folder
// shows up in the page or its PDF, and the page stays where the host put it.
#include "contract/QuiravelAutomation.h"
#include "tests/support/FileGuards.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/WebEngineBrowser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kLoadTimeoutMs = 30000;
// WebRTC gathers its candidates and asks its servers after the load.
constexpr int kQuietMs = 2500;
const QString kSecret = QStringLiteral("OUTSIDE-SECRET-7731");

/// Every kind of request a page can make without script, then with it.
QString probePage(const QString &h, quint16 udp, quint16 tcp)
{
    return QStringLiteral(R"(<html><head>
<meta http-equiv="refresh" content="0;url=http://%1/refresh">
<link rel="stylesheet" href="http://%1/css"><link rel="prefetch" href="http://%1/prefetch">
<link rel="preload" as="image" href="http://%1/preload"><link rel="preconnect" href="http://%1/">
<link rel="dns-prefetch" href="//probe.invalid"><link rel="icon" href="http://%1/icon">
<style>@import url(http://%1/import); body { background: url(http://%1/bg) }
@font-face { font-family: probe; src: url(http://%1/font) } p { font-family: probe }</style>
</head><body><p>PROBE-PAGE</p>
<img src="http://%1/img"><img srcset="http://%1/srcset 2x"><input type="image" src="http://%1/input">
<script src="http://%1/script"></script><iframe src="http://%1/iframe"></iframe>
<object data="http://%1/object"></object><embed src="http://%1/embed">
<video src="http://%1/video" poster="http://%1/poster" autoplay></video><audio src="http://%1/audio" autoplay></audio>
<svg><image href="http://%1/svg" width="1" height="1"/></svg>
<form id="f" action="http://%1/form" method="post"><input name="a" value="b"></form>
<a href="http://%1/ping" ping="http://%1/ping2">link</a>
<script>
document.body.insertAdjacentHTML('beforeend', '<p>SCRIPT-RAN</p>');
fetch('http://%1/fetch').catch(() => {});
const x = new XMLHttpRequest(); x.open('GET', 'http://%1/xhr'); x.send();
try { new WebSocket('ws://%1/ws'); } catch (e) {}
try { new EventSource('http://%1/events'); } catch (e) {}
navigator.sendBeacon('http://%1/beacon', 'b');
import('http://%1/module.js').catch(() => {});
window.open('http://%1/open');
const pc = new RTCPeerConnection({iceServers: [{urls: ['stun:127.0.0.1:%2', 'stun:probe.invalid:%2',
    'turn:127.0.0.1:%2?transport=udp', 'turn:127.0.0.1:%3?transport=tcp'], username: 'u', credential: 'c'}]});
pc.createDataChannel('d');
pc.createOffer().then(o => pc.setLocalDescription(o));
setTimeout(() => document.getElementById('f').submit(), 100);
</script></body></html>)")
        .arg(h)
        .arg(udp)
        .arg(tcp);
}

/// Every way to show a file outside the device's folder, with and without
/// script; the folder's own file shows.
QString readingPage(const QString &outside)
{
    const QString secret = QUrl::fromLocalFile(outside + "/secret.txt").toString();
    const QString folder = QUrl::fromLocalFile(outside + "/").toString();
    return QStringLiteral(R"(<html><head>
<meta http-equiv="refresh" content="1;url=%1">
<link rel="stylesheet" href="%3"><link rel="stylesheet" href="inside.css"></head><body><p>READING-PAGE</p>
<iframe src="inside.htm"></iframe><iframe src="%1"></iframe><iframe src="%2"></iframe>
<iframe src="link.txt"></iframe><object data="%1"></object><embed src="%1">
<a id="out" href="%1">out</a>
<script>
const show = t => document.body.insertAdjacentText('beforeend', t);
show('SCRIPT-RAN');
fetch('%1').then(r => r.text()).then(show).catch(() => {});
fetch('%2').then(r => r.text()).then(show).catch(() => {});
const x = new XMLHttpRequest(); x.onload = () => show(x.responseText); x.open('GET', '%1'); x.send();
setTimeout(() => { location.href = '%1'; }, 200);
setTimeout(() => document.getElementById('out').click(), 300);
</script></body></html>)")
        .arg(secret, folder, QUrl::fromLocalFile(outside + "/style.css").toString());
}

class PageIsolationTest : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_device = m_root.filePath("device");
        m_outside = m_root.filePath("outside");
        ASSERT_TRUE(QDir().mkpath(m_device) && QDir().mkpath(m_outside));
        writeBytes(m_outside + "/secret.txt", kSecret.toUtf8());
        writeBytes(m_outside + "/style.css", "body::after { content: '" + kSecret.toUtf8() + "' }");
        writeBytes(m_device + "/inside.htm", "<p>INSIDE-FRAME</p>");
        writeBytes(m_device + "/inside.css", "body::before { content: 'INSIDE-STYLE' }");
        ASSERT_TRUE(QFile::link(m_outside + "/secret.txt", m_device + "/link.txt"));
        m_env.set(kQuiravelPageScriptVariable, GetParam() ? "1" : "");
        m_browser = std::make_unique<WebEngineBrowser>(&m_parent);
        m_browser->setOffline(true);
    }

    /// Loads `html` as the device's page; false when it never finished.
    bool load(const QString &html)
    {
        m_page = m_device + "/PagePRN.HTM";
        writeBytes(m_page, html.toUtf8());
        QSignalSpy finished(m_browser.get(), &BrowserControl::loadFinished);
        m_browser->Navigate(m_page);
        return finished.wait(kLoadTimeoutMs);
    }

    QString pageText()
    {
        QString text;
        bool done = false;
        m_browser->page()->toPlainText([&](const QString &t) {
            text = t;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, kLoadTimeoutMs));
        return text;
    }

    QString pdfText()
    {
        const QString pdf = m_root.filePath("page.pdf");
        QSignalSpy printed(m_browser.get(), &BrowserControl::pdfPrintingFinished);
        m_browser->printToPdf(pdf);
        if (!printed.wait(kLoadTimeoutMs) || !printed.first().at(1).toBool())
            return QStringLiteral("no PDF");
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", pdf, "-"});
        if (!pdftotext.waitForFinished(kLoadTimeoutMs))
            return QStringLiteral("no pdftotext");
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

    QTemporaryDir m_root;
    QString m_device, m_outside, m_page;
    ScopedEnv m_env;
    QWidget m_parent;
    std::unique_ptr<WebEngineBrowser> m_browser;
};

TEST_P(PageIsolationTest, no_request_of_any_kind_reaches_a_listener)
{
    QTcpServer tcp;
    ASSERT_TRUE(tcp.listen(QHostAddress::LocalHost));
    QUdpSocket udp;
    ASSERT_TRUE(udp.bind(QHostAddress::LocalHost));
    QSignalSpy connections(&tcp, &QTcpServer::newConnection);
    QSignalSpy datagrams(&udp, &QUdpSocket::readyRead);
    const QString host = QString("127.0.0.1:%1").arg(tcp.serverPort());

    ASSERT_TRUE(load(probePage(host, udp.localPort(), tcp.serverPort())));
    QTest::qWait(kQuietMs);
    EXPECT_EQ(connections.count(), 0);
    EXPECT_EQ(datagrams.count(), 0);
    const QString text = pageText();
    EXPECT_TRUE(text.contains("PROBE-PAGE")) << text.toStdString();
    EXPECT_EQ(text.contains("SCRIPT-RAN"), GetParam()) << text.toStdString();
}

TEST_P(PageIsolationTest, nothing_outside_the_device_folder_shows_in_the_page_or_its_pdf)
{
    ASSERT_TRUE(load(readingPage(m_outside)));
    // Past the refresh, the scripted navigations and the link's click.
    QTest::qWait(1500);
    EXPECT_EQ(m_browser->page()->url(), QUrl::fromLocalFile(m_page));
    EXPECT_GT(m_browser->page()->refusedNavigations(), 0);
    const QString text = pageText();
    EXPECT_TRUE(text.contains("READING-PAGE")) << text.toStdString();
    EXPECT_TRUE(text.contains("INSIDE-FRAME")) << text.toStdString();
    EXPECT_EQ(text.contains("SCRIPT-RAN"), GetParam()) << text.toStdString();
    const QString pdf = pdfText();
    EXPECT_TRUE(pdf.contains("READING-PAGE")) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains("INSIDE-STYLE")) << pdf.toStdString();
    for (const QString &shown : {text, pdf}) {
        EXPECT_FALSE(shown.contains(kSecret)) << shown.toStdString();
        EXPECT_FALSE(shown.contains("secret.txt")) << shown.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(script, PageIsolationTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "on" : "off"; });

} // namespace
