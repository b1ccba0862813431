// SPDX-License-Identifier: Apache-2.0
#include "TemplatePrintFile.h"

#include "platform/ComError.h"
#include "platform/SafeFile.h"
#include "platform/TextFile.h"
#include "printfile/PrintFileLogging.h"

#include <QFile>
#include <QLatin1StringView>
#include <algorithm>
#include <cstring>

QString printFilePathFor(const QString &templatePath)
{
    const qsizetype nameStart = std::max(templatePath.lastIndexOf(u'/'), templatePath.lastIndexOf(u'\\')) + 1;
    qsizetype extension = templatePath.lastIndexOf(u'.');
    if (extension < nameStart)
        extension = templatePath.size();
    const qsizetype baseEnd = std::max(nameStart, extension - 3);
    return templatePath.left(baseEnd) + QLatin1StringView("PRN.HTM");
}

QString findTemplate(const QString &templateDirectory, const QString &templateFileName, QString *whyNot)
{
    if (templateFileName.isEmpty()) {
        if (whyNot)
            *whyNot = QStringLiteral("File not found");
        qCWarning(lcPrintFile, "No template: the description names none");
        return {};
    }
    QString reason;
    const QString found = TextFile::findNoCase(templateDirectory + templateFileName, &reason);
    if (found.isEmpty())
        qCWarning(lcPrintFile, "No template %s: %s", qUtf8Printable(templateDirectory + templateFileName),
                  qUtf8Printable(reason));
    if (whyNot)
        *whyNot = reason;
    return found;
}

PrintFileResult writeTemplatePrintFile(const QString &templatePath, const QString &printFilePath,
                                       const std::function<void(QString &line)> &fillLine)
{
    PrintFileResult result;
    TextReader reader;
    if (!reader.open(templatePath)) {
        result.failedPath = templatePath;
        result.reason = reader.errorString();
        qCWarning(lcPrintFile, "Template %s cannot be read: %s", qUtf8Printable(templatePath),
                  qUtf8Printable(result.reason));
        return result;
    }
    result.templateOpened = true;
    // A template whose name makes it its own print file is never replaced.
    SafeFile::addInput(templatePath);

    TextWriter writer;
    bool written = writer.create(printFilePath);
    // One buffer for every line that has tags: most fit in the last one's.
    QString line;
    while (written && !reader.atEndOfStream()) {
        // "#" is one byte of its own in the file's encoding, and a line
        // without it goes out exactly as it came in: the lines ahead that
        // already end in CR LF in one piece, any other alone.
        const QByteArrayView asTheyStand = reader.readRawCrLfLinesWithout('#');
        if (!asTheyStand.isEmpty()) {
            written = writer.writeRaw(asTheyStand);
            continue;
        }
        if (reader.atEndOfStream())
            break;
        const QByteArrayView raw = reader.readRawLine();
        if (!reader.errorString().isEmpty())
            break;
        if (!std::memchr(raw.data(), '#', raw.size())) {
            written = writer.writeRawLine(raw);
            continue;
        }
        Ansi::decodeInto(line, raw);
        try {
            fillLine(line);
        } catch (const ComError &) {
            // The bytes are still there to give the line as read.
            Ansi::decodeInto(line, raw);
            qCWarning(lcPrintFile, "%s: the line \"%s\" is written as read, a tag in it failed: %s",
                      qUtf8Printable(templatePath), qUtf8Printable(line.trimmed()),
                      qUtf8Printable(failureForLog()));
        }
        written = writer.writeLine(line);
    }
    if (!reader.errorString().isEmpty()) {
        writer.discard();
        result.failedPath = templatePath;
        result.reason = reader.errorString();
    } else if (!written || !writer.close()) {
        result.failedPath = printFilePath;
        result.reason = writer.errorString();
    }
    reader.close();
    if (!result.succeeded()) {
        qCWarning(lcPrintFile, "No print file from %s: %s: %s", qUtf8Printable(templatePath),
                  qUtf8Printable(result.failedPath), qUtf8Printable(result.reason));
        // Whatever is left at that name is an older run's page; it must not
        // pass for this one's. A name refused for writing (an input, a
        // device) is not an older page and stays.
        if (SafeFile::targetProblem(printFilePath).isEmpty())
            QFile::remove(printFilePath);
    }
    return result;
}
