// SPDX-License-Identifier: Apache-2.0
// The viewer window on the real browser engine: the Print Preview entry
// after a first page that could not be loaded, printing to a PDF file and
// the print preview, with the dialogs answered by the test.
#include "ViewerTestSupport.h"
#include "viewer/PrintHandler.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kTimeoutMs = 30000;

/// Calls `handle` on the first modal dialog of type Dialog once `ready`
/// says so (polled, since the engine works inside the dialog's loop); the
/// dialog is accepted when `handle` answers true, rejected otherwise.
template<typename Dialog>
void answerDialog(std::function<bool(Dialog *)> ready, std::function<bool(Dialog *)> handle)
{
    auto *timer = new QTimer;
    QElapsedTimer started;
    started.start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog || (!ready(dialog) && started.elapsed() < kTimeoutMs))
            return;
        timer->deleteLater();
        timer->stop();
        handle(dialog) ? dialog->accept() : dialog->reject();
    });
    timer->start(50);
}

bool waitForLoad(BrowserControl *browser)
{
    return QSignalSpy(browser, &BrowserControl::loadFinished).wait(kTimeoutMs);
}

TEST(viewer_print_test, preview_survives_a_missing_first_page_and_printing_gives_a_text_pdf)
{
    ScopedEnv locale("LC_ALL", "en_US.UTF-8");
    QTemporaryDir directory;
    MessageRecorder messages;
    TestOwner owner;
    owner.directory = directory.path() + '/';
    owner.tags.insert("#VENDOR#", "Acme Flow 4711");

    // The template is missing at Show: the first page is the engine's error page.
    QPointer<frmQuiravel> window = owner.createWindow();
    ASSERT_TRUE(window->ShowWindow());
    ASSERT_TRUE(waitForLoad(window->WebBrowser1()));
    QAction *previewEntry = window->menuEntry("Druckvorschau_m");
    EXPECT_TRUE(previewEntry->isVisible() && previewEntry->isEnabled());

    QFile file(owner.directory + owner.fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><head><title>Flow meter: report</title></head>\r\n"
               "<body><p>Vendor #VENDOR#</p></body></html>\r\n");
    file.close();
    window->srcValue_Click();
    ASSERT_TRUE(waitForLoad(window->WebBrowser1()));
    EXPECT_TRUE(previewEntry->isVisible());

    QString docName, offered;
    answerDialog<QPrintDialog>([](QPrintDialog *) { return true; },
                               [&](QPrintDialog *dialog) {
                                   docName = dialog->printer()->docName();
                                   offered = dialog->printer()->outputFileName();
                                   // Never send a page to a real printer.
                                   return dialog->printer()->outputFormat() == QPrinter::PdfFormat;
                               });
    window->menuEntry("Drucken_m")->trigger();
    EXPECT_EQ(docName, "Flow meter_ report");
    const QString pdf = owner.directory + "Flow meter_ report.pdf";
    ASSERT_EQ(offered, pdf);
    ASSERT_TRUE(QFileInfo(pdf).isFile());
    EXPECT_LT(QFileInfo(pdf).size(), 200 * 1024);
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(kTimeoutMs));
    EXPECT_TRUE(text.readAllStandardOutput().contains("Vendor Acme Flow 4711"));

    const auto previewPages = [](QPrintPreviewDialog *dialog) {
        auto *widget = dialog->findChild<QPrintPreviewWidget *>();
        return widget ? widget->pageCount() : 0;
    };
    int pages = 0;
    answerDialog<QPrintPreviewDialog>(
        [&](QPrintPreviewDialog *dialog) { return previewPages(dialog) > 0; },
        [&](QPrintPreviewDialog *dialog) { return pages = previewPages(dialog), false; });
    previewEntry->trigger();
    EXPECT_GT(pages, 0);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('|').toStdString();

    window->Unload();
    flushDeletes();
}

TEST(viewer_print_test, offered_file_is_named_after_the_page_and_never_a_directory)
{
    QTemporaryDir directory;
    const QDir documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QUrl page = QUrl::fromLocalFile("/data/DevPRN.HTM");
    const QString here = directory.path();
    const QString cases[][3] = {
        // Page title, print file, file offered
        {"Flow meter", here + "/DevPRN.HTM", here + "/Flow meter.pdf"},
        {"a/b\\c:d", here + "\\DevPRN.HTM", here + "/a_b_c_d.pdf"},
        {"", "", documents.filePath("DevPRN.pdf")},
        {page.toString(), "/nonexistent/dir/DevPRN.HTM", documents.filePath("DevPRN.pdf")},
        {"..", "", documents.filePath("DevPRN.pdf")},
        {"DevPRN.HTM", here + "/DevPRN.HTM", here + "/DevPRN.pdf"},
    };
    for (const auto &[title, printFile, expected] : cases) {
        const QString file =
            PrintHandler::suggestedOutputFile(PrintHandler::documentName(title, page), printFile);
        EXPECT_EQ(file, expected) << title.toStdString();
        EXPECT_FALSE(QFileInfo(file).isDir());
    }
}

} // namespace
