// SPDX-License-Identifier: Apache-2.0
#include "PrintHandler.h"

#include "platform/SafeFile.h"
#include "viewer/ViewerLogging.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageRanges>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QStandardPaths>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>
#include <optional>

namespace {

// Sharp on paper without turning every previewed page into a huge image.
constexpr int kPrintResolution = 300;
constexpr qsizetype kMaxNameLength = 120;

QString fileNameSafe(QString name)
{
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    name = name.simplified().left(kMaxNameLength);
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.trimmed();
}

} // namespace

PrintHandler::PrintHandler(QWebEngineView *view, QObject *parent) : QObject(parent), m_view(view)
{
    m_printer.setResolution(kPrintResolution);
}

QString PrintHandler::documentName(const QString &title, const QUrl &url)
{
    // Without a title of its own the engine names a page after its address
    // or its file.
    QString name = title.trimmed();
    if (name == url.toString() || name == url.toDisplayString() || name == url.path() ||
        name == url.toLocalFile() || name == url.fileName())
        name.clear();
    name = fileNameSafe(name);
    if (name.isEmpty())
        name = fileNameSafe(QFileInfo(url.path()).completeBaseName());
    return name.isEmpty() ? QStringLiteral("Quiravel") : name;
}

QString PrintHandler::suggestedOutputFile(const QString &documentName, const QString &printFilePath)
{
    QString directory;
    if (!printFilePath.isEmpty()) {
        QString path = printFilePath;
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QFileInfo folder(QFileInfo(path).absolutePath());
        if (folder.isDir() && folder.isWritable())
            directory = folder.absoluteFilePath();
    }
    if (directory.isEmpty())
        directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (directory.isEmpty())
        directory = QDir::homePath();
    return QDir(directory).filePath(documentName + QStringLiteral(".pdf"));
}

bool PrintHandler::printWithDialog(const QString &printFilePath)
{
    if (!m_view)
        return false;
    const QString name = documentName(m_view->title(), m_view->url());
    m_printer.setDocName(name);
    // Left empty, the dialog would offer a directory as the output file.
    if (m_printer.outputFormat() == QPrinter::PdfFormat || m_printer.printerName().isEmpty())
        m_printer.setOutputFileName(suggestedOutputFile(name, printFilePath));
    QPrintDialog dialog(&m_printer, m_view->window());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return printTo(&m_printer);
}

bool PrintHandler::print()
{
    return printTo(&m_printer);
}

void PrintHandler::printPreview()
{
    if (!m_view || m_inPrintPreview)
        return;
    m_inPrintPreview = true;
    QPrintPreviewDialog preview(&m_printer, m_view->window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &PrintHandler::paintPreview);
    preview.exec();
    m_inPrintPreview = false;
}

void PrintHandler::paintPreview(QPrinter *printer)
{
    if (printPages(printer))
        return;
    QPainter painter;
    if (painter.begin(printer)) {
        QFont font = painter.font();
        font.setPixelSize(20);
        painter.setFont(font);
        painter.drawText(QPointF(10, 25), QStringLiteral("Could not generate print preview."));
        painter.end();
    }
}

bool PrintHandler::printTo(QPrinter *printer)
{
    // A PDF file gets the engine's own PDF: text stays text, and the file
    // stays small.
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty())
        return printToPdfFile(printer->outputFileName(), printer->pageLayout(), printer->pageRanges());
    return printPages(printer);
}

bool PrintHandler::printPages(QPrinter *printer)
{
    if (!m_view)
        return false;
    QEventLoop loop;
    bool result = false;
    connect(m_view, &QWebEngineView::printFinished, &loop, [&](bool success) {
        result = success;
        loop.quit();
    });
    // The view may go away while the engine renders; the loop must not wait
    // for a signal that can no longer come.
    connect(m_view, &QObject::destroyed, &loop, &QEventLoop::quit);
    m_view->print(printer);
    // User input in the preview dialog while a print task runs can corrupt
    // its state.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!result)
        qCWarning(lcViewer, "Printing to %s failed in the browser engine",
                  qUtf8Printable(printer->printerName().isEmpty() ? printer->outputFileName()
                                                                  : printer->printerName()));
    return result;
}

bool PrintHandler::printToPdfFile(const QString &path, const QPageLayout &layout, const QPageRanges &ranges)
{
    if (!m_view)
        return false;
    QEventLoop loop;
    // The engine may answer after this function returned (the view went away
    // first); the answer then lands in state that is still alive.
    auto pdf = std::make_shared<std::optional<QByteArray>>();
    QPointer<QEventLoop> waiting(&loop);
    connect(m_view, &QObject::destroyed, &loop, &QEventLoop::quit);
    m_view->page()->printToPdf(
        [pdf, waiting](const QByteArray &data) {
            *pdf = data;
            if (waiting)
                waiting->quit();
        },
        layout, ranges);
    if (!pdf->has_value())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!pdf->has_value() || (*pdf)->isEmpty()) {
        qCWarning(lcViewer, "No PDF %s: the browser engine printed nothing", qUtf8Printable(path));
        return false;
    }

    SafeFileWriter file;
    if (file.create(path) && file.write((*pdf)->constData(), (*pdf)->size()) && file.commit())
        return true;
    qCWarning(lcViewer, "No PDF %s: %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
    return false;
}
