// SPDX-License-Identifier: Apache-2.0
// Printing of the page a web view shows: with the print dialog, without it,
// and through the print preview dialog.
#pragma once

#include <QObject>
#include <QPointer>
#include <QPrinter>

class QPageLayout;
class QPageRanges;
class QUrl;
class QWebEngineView;

class PrintHandler : public QObject
{
    Q_OBJECT
public:
    /// Prints what `view` shows; the handler owns the printer it prints to.
    explicit PrintHandler(QWebEngineView *view, QObject *parent = nullptr);

    /// Shows the print dialog, the document named after the page and, when
    /// printing goes to a file, a PDF file offered beside `printFilePath`;
    /// prints when the user accepts. Answers false when the dialog was
    /// cancelled or printing failed.
    bool printWithDialog(const QString &printFilePath = QString());
    /// Prints to the current printer without asking.
    bool print();
    /// Opens the modal print preview dialog.
    void printPreview();

    /// The printer the commands print to; its settings carry over from one
    /// command to the next.
    QPrinter *printer() { return &m_printer; }

    /// The document name for a page: its title, or its file's base name when
    /// it has none of its own; usable as a file name.
    static QString documentName(const QString &title, const QUrl &url);
    /// The PDF file offered for `documentName`: beside `printFilePath`, or in
    /// the user's documents folder when there is no writable folder there.
    static QString suggestedOutputFile(const QString &documentName, const QString &printFilePath);

private:
    bool printTo(QPrinter *printer);
    bool printPages(QPrinter *printer);
    bool printToPdfFile(const QString &path, const QPageLayout &layout, const QPageRanges &ranges);
    void paintPreview(QPrinter *printer);

    QPointer<QWebEngineView> m_view;
    QPrinter m_printer;
    bool m_inPrintPreview = false;
};
