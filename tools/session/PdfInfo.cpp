// SPDX-License-Identifier: Apache-2.0
#include "tools/session/PdfInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextDocumentFragment>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(PdfInfo)
};

// A title longer than this is cut: the page's title element is meant for a
// window's title bar.
constexpr qsizetype kMaxTitleChars = 1024;
// The information dictionary and trailer are at the file's end and start; a
// page's PDF is read whole once.
constexpr qint64 kMaxPdfBytes = 512LL * 1024 * 1024;

/// A PDF text string: UTF-16BE with its byte order mark, in hexadecimal, so
/// that no character needs escaping.
QByteArray textString(const QString &text)
{
    QByteArray bytes("\xfe\xff", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xff));
    }
    return '<' + bytes.toHex().toUpper() + '>';
}

/// The integer after `key` in `dictionary`; -1 when there is none.
qint64 integerAfter(const QByteArray &dictionary, const char *key)
{
    const QRegularExpression pattern(QStringLiteral("/%1\\s+(\\d+)").arg(QLatin1String(key)));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(dictionary));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

/// The entries of an information dictionary other than Title and Creator,
/// as written; empty when the object cannot be read as a plain dictionary.
QByteArray keptEntries(const QByteArray &pdf, qint64 offset)
{
    const qsizetype open = pdf.indexOf("<<", offset);
    const qsizetype close = pdf.indexOf(">>", open);
    if (open < 0 || close < 0 || pdf.indexOf("endobj", offset) < close)
        return {};
    static const QRegularExpression entry(QStringLiteral(
        "/(\\w+)\\s*(\\((?:[^()\\\\]|\\\\.)*\\)|<[0-9A-Fa-f\\s]*>|/\\w+|[-+.\\d]+(?:\\s+\\d+\\s+R)?)"));
    QByteArray kept;
    const QString body = QString::fromLatin1(pdf.mid(open + 2, close - open - 2));
    for (auto it = entry.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(1) != QLatin1String("Title") && match.captured(1) != QLatin1String("Creator"))
            kept += match.captured(0).toLatin1() + '\n';
    }
    return kept;
}

} // namespace

QString htmlPageTitle(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The title element belongs in the head, near the file's start.
    QStringDecoder decoder("Windows-1252");
    const QString head = decoder.decode(file.read(1024 * 1024));
    static const QRegularExpression element(QStringLiteral("<title\\b[^>]*>(.*?)</title\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = element.match(head);
    if (!match.hasMatch())
        return {};
    // The element's text has entities but no markup: a "<" in it is text.
    QString text = match.captured(1);
    text.replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;"));
    return QTextDocumentFragment::fromHtml(text).toPlainText().simplified().left(kMaxTitleChars);
}

bool setPdfInfo(const QString &path, const QString &title, const QString &creator, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.size() > kMaxPdfBytes) {
        *error = Text::tr("larger than %1 MiB").arg(kMaxPdfBytes / (1024 * 1024));
        return false;
    }
    const QByteArray pdf = file.readAll();
    file.close();

    const qsizetype startxref = pdf.lastIndexOf("startxref");
    const qsizetype trailer = pdf.lastIndexOf("trailer");
    if (!pdf.startsWith("%PDF-") || startxref < 0 || trailer < 0 || trailer > startxref) {
        *error = Text::tr("no PDF with a cross-reference table");
        return false;
    }
    const QByteArray trailerDictionary = pdf.mid(trailer, startxref - trailer);
    const qint64 size = integerAfter(trailerDictionary, "Size");
    const qint64 root = integerAfter(trailerDictionary, "Root");
    const qint64 previous = pdf.mid(startxref + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong();
    if (size <= 0 || root <= 0 || previous <= 0 || previous >= pdf.size() ||
        !pdf.mid(previous, 4).startsWith("xref")) {
        *error = Text::tr("no PDF with a cross-reference table");
        return false;
    }

    // The old information dictionary's other entries (producer, dates) stay.
    QByteArray kept;
    if (const qint64 info = integerAfter(trailerDictionary, "Info"); info > 0) {
        const QRegularExpression object(QStringLiteral("(?:^|[\\r\\n])%1 0 obj\\b").arg(info));
        const QRegularExpressionMatch match = object.match(QString::fromLatin1(pdf));
        if (match.hasMatch())
            kept = keptEntries(pdf, match.capturedEnd());
    }

    QByteArray update = pdf.endsWith('\n') ? QByteArray() : QByteArray("\n");
    const qint64 infoOffset = pdf.size() + update.size();
    update += QByteArray::number(size) + " 0 obj\n<</Title " + textString(title) + "\n/Creator " +
              textString(creator) + '\n' + kept + ">>\nendobj\n";
    const qint64 xrefOffset = pdf.size() + update.size();
    update += "xref\n" + QByteArray::number(size) + " 1\n" +
              QByteArray::number(infoOffset).rightJustified(10, '0') + " 00000 n \n";
    update += "trailer\n<</Size " + QByteArray::number(size + 1) + " /Root " + QByteArray::number(root) +
              " 0 R /Info " + QByteArray::number(size) + " 0 R /Prev " + QByteArray::number(previous) +
              ">>\nstartxref\n" + QByteArray::number(xrefOffset) + "\n%%EOF\n";

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size() ||
        out.write(update) != update.size() || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
