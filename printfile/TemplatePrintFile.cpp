#include "TemplatePrintFile.h"

#include "platform/ComError.h"
#include "platform/TextFile.h"

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

QString findTemplate(const QString &templateDirectory, const QString &templateFileName)
{
    if (templateFileName.isEmpty())
        return {};
    return TextFile::findNoCase(templateDirectory + templateFileName);
}

bool writeTemplatePrintFile(const QString &templatePath, const QString &printFilePath,
                            const std::function<void(QString &line)> &fillLine)
{
    TextReader reader;
    if (!reader.open(templatePath))
        return false;

    TextWriter writer;
    if (writer.create(printFilePath)) {
        while (!reader.atEndOfStream()) {
            // "#" is one byte of its own in the file's encoding, and a line
            // without it goes out exactly as it came in: the lines ahead
            // that already end in CR LF in one piece, any other alone.
            const QByteArrayView asTheyStand = reader.readRawCrLfLinesWithout('#');
            if (!asTheyStand.isEmpty()) {
                if (!writer.writeRaw(asTheyStand))
                    break;
                continue;
            }
            if (reader.atEndOfStream())
                break;
            const QByteArrayView raw = reader.readRawLine();
            if (!std::memchr(raw.data(), '#', raw.size())) {
                if (!writer.writeRawLine(raw))
                    break;
                continue;
            }
            QString line = Ansi::decode(raw);
            try {
                fillLine(line);
            } catch (const ComError &) {
                // The bytes are still there to give the line as read.
                line = Ansi::decode(raw);
            }
            if (!writer.writeLine(line))
                break;
        }
        writer.close();
    }
    reader.close();
    return true;
}
