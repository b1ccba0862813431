#include "PrintHandler.h"

#include <QEventLoop>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QWebEngineView>

PrintHandler::PrintHandler(QWebEngineView *view, QObject *parent) : QObject(parent), m_view(view) {}

bool PrintHandler::printWithDialog()
{
    if (!m_view)
        return false;
    QPrintDialog dialog(&m_printer, m_view->window());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return printDocument(&m_printer);
}

bool PrintHandler::print()
{
    return printDocument(&m_printer);
}

void PrintHandler::printPreview()
{
    if (!m_view || m_inPrintPreview)
        return;
    m_inPrintPreview = true;
    QPrintPreviewDialog preview(&m_printer, m_view->window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &PrintHandler::printDocument);
    preview.exec();
    m_inPrintPreview = false;
}

bool PrintHandler::printDocument(QPrinter *printer)
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
    return result;
}
