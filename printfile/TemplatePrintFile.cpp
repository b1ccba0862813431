#include "TemplatePrintFile.h"

#include "platform/ComError.h"
#include "platform/TextFile.h"

#include <QLatin1StringView>
#include <algorithm>

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
            QString line = reader.readLine();
            if (line.contains(u'#')) {
                // Sharing the text costs nothing and keeps the line as read
                // for the case that filling it fails half-way.
                const QString asRead = line;
                try {
                    fillLine(line);
                } catch (const ComError &) {
                    line = asRead;
                }
            }
            if (!writer.writeLine(line))
                break;
        }
        writer.close();
    }
    reader.close();
    return true;
}
