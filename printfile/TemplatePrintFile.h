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
/// regard to case; empty when there is none or templateFileName is empty.
QString findTemplate(const QString &templateDirectory, const QString &templateFileName);

/// Copies the template line by line into the print file, passing each line
/// holding "#" to fillLine (a ComError from it leaves that line as read).
/// Failures of the file layer are not reported; a write that fails ends the
/// copy. Answers true when the template could be opened (the browser must
/// then show the print file), even when the print file could not be written.
bool writeTemplatePrintFile(const QString &templatePath, const QString &printFilePath,
                            const std::function<void(QString &line)> &fillLine);
