// Printing of the page a web view shows: with the print dialog, without it,
// and through the print preview dialog.
#pragma once

#include <QObject>
#include <QPointer>
#include <QPrinter>

class QWebEngineView;

class PrintHandler : public QObject
{
    Q_OBJECT
public:
    /// Prints what `view` shows; the handler owns the printer it prints to.
    explicit PrintHandler(QWebEngineView *view, QObject *parent = nullptr);

    /// Shows the print dialog and prints when the user accepts it; answers
    /// false when the dialog was cancelled or printing failed.
    bool printWithDialog();
    /// Prints to the current printer without asking.
    bool print();
    /// Opens the modal print preview dialog.
    void printPreview();

private:
    bool printDocument(QPrinter *printer);

    QPointer<QWebEngineView> m_view;
    QPrinter m_printer{QPrinter::HighResolution};
    bool m_inPrintPreview = false;
};
