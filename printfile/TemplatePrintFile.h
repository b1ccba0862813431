// SPDX-License-Identifier: Apache-2.0
// The template print file: a copy of the device's HTML template with every
// tag filled in, written beside the template.
#pragma once

#include <QString>
#include <functional>

/// The print file path: the template path without its file name's extension
/// (from the last ".") and the three characters before it (the language
/// code), + "PRN.HTM". Only the file name is cut (a directory holding "."
/// does not matter); "/" and "\" both separate directories. A file name
/// without "." loses its last three characters.
QString printFilePathFor(const QString &templatePath);

/// The template's path as found on disk, its file name compared without
/// regard to case; empty when there is none or templateFileName is empty,
/// and then `*whyNot` (when given) says why. Only a regular file, or a link
/// to one, counts as a template.
QString findTemplate(const QString &templateDirectory, const QString &templateFileName,
                     QString *whyNot = nullptr);

/// What one copy of the template came to.
struct PrintFileResult
{
    /// The template could be opened: the browser must then show the print
    /// file, even when it could not be written.
    bool templateOpened = false;
    /// Empty when the print file was written whole; otherwise the file that
    /// failed (the template or the print file) and why.
    QString failedPath;
    QString reason;

    bool succeeded() const { return failedPath.isEmpty(); }
};

/// Copies the template line by line into the print file, passing each line
/// holding "#" to fillLine (a ComError from it leaves that line as read).
/// The print file is replaced only once it is complete (a link at its name
/// is replaced, never written through); a copy that fails part-way leaves
/// no print file at all, so that no older or partial page is taken for the
/// current one. Nothing is shown to the user: the result says what failed.
PrintFileResult writeTemplatePrintFile(const QString &templatePath, const QString &printFilePath,
                                       const std::function<void(QString &line)> &fillLine);
