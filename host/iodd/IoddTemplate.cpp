// SPDX-License-Identifier: Apache-2.0
#include "host/iodd/IoddTemplate.h"

#include "platform/TextFile.h"

#include <QHash>

namespace Iodd {

namespace {

/// Characters beyond Windows-1252 that device texts use and HTML names.
/// A name keeps the "#" of a numeric reference out of the template, where
/// it would be taken for the start of a tag.
const QHash<char32_t, QString> &namedReferences()
{
    static const QHash<char32_t, QString> names = {
        {U'\u0391', QStringLiteral("Alpha")},   {U'\u0394', QStringLiteral("Delta")},
        {U'\u03A9', QStringLiteral("Omega")},   {U'\u03A3', QStringLiteral("Sigma")},
        {U'\u03B1', QStringLiteral("alpha")},   {U'\u03B2', QStringLiteral("beta")},
        {U'\u03B3', QStringLiteral("gamma")},   {U'\u03B4', QStringLiteral("delta")},
        {U'\u03B5', QStringLiteral("epsilon")}, {U'\u03BB', QStringLiteral("lambda")},
        {U'\u03BC', QStringLiteral("mu")},      {U'\u03C0', QStringLiteral("pi")},
        {U'\u03C1', QStringLiteral("rho")},     {U'\u03C3', QStringLiteral("sigma")},
        {U'\u03C4', QStringLiteral("tau")},     {U'\u03C6', QStringLiteral("phi")},
        {U'\u03C9', QStringLiteral("omega")},   {U'\u2190', QStringLiteral("larr")},
        {U'\u2192', QStringLiteral("rarr")},    {U'\u2191', QStringLiteral("uarr")},
        {U'\u2193', QStringLiteral("darr")},    {U'\u2206', QStringLiteral("Delta")},
        {U'\u221A', QStringLiteral("radic")},   {U'\u221E', QStringLiteral("infin")},
        {U'\u2248', QStringLiteral("asymp")},   {U'\u2260', QStringLiteral("ne")},
        {U'\u2264', QStringLiteral("le")},      {U'\u2265', QStringLiteral("ge")},
        {U'\u2126', QStringLiteral("ohm")},     {U'\u2212', QStringLiteral("minus")},
    };
    return names;
}

bool inCodePage(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return true;
    const QByteArray encoded = Ansi::encode(QString::fromUcs4(&c, 1));
    return encoded.size() == 1 && encoded != "?";
}

struct Labels
{
    const char *heading[4];
    const char *vendorDevice;
    const char *variant;
    const char *iodd;
    const char *printed;
    const char *by;
};

const Labels kEnglish = {{"Identification", "Parameter", "Observation", "Diagnosis"},
                         "Vendor ID / device ID",
                         "Variant",
                         "Device description",
                         "Printed",
                         "by"};
const Labels kGerman = {{"Identifikation", "Parameter", "Beobachtung", "Diagnose"},
                        "Hersteller-ID / Ger&auml;te-ID",
                        "Variante",
                        "Ger&auml;tebeschreibung",
                        "Gedruckt am",
                        "von"};

/// `item` with "&" written as "&amp;", appended to `out`.
void appendItemName(QString &out, QStringView item)
{
    qsizetype from = 0;
    for (qsizetype at = item.indexOf(u'&'); at >= 0; at = item.indexOf(u'&', from)) {
        out += item.sliced(from, at - from);
        out += u"&amp;";
        from = at + 1;
    }
    out += item.sliced(from);
}

/// The tag of `item` followed by `suffix`, appended to `out`.
void appendTag(QString &out, QStringView item, QStringView suffix = {})
{
    out += u'#';
    appendItemName(out, item);
    appendItemName(out, suffix);
    out += u'#';
}

QString tag(const QString &item)
{
    QString out;
    appendTag(out, item);
    return out;
}

} // namespace

QString templateText(QStringView text)
{
    QString out;
    out.reserve(text.size() + 8);
    appendTemplateText(out, text);
    return out;
}

void appendTemplateText(QString &out, QStringView text)
{
    const qsizetype size = text.size();
    // Labels are nearly all Latin-1 without markup: such a run goes in one
    // piece rather than a character at a time.
    qsizetype plain = 0;
    const auto flush = [&](qsizetype end) {
        if (end > plain)
            out += text.sliced(plain, end - plain);
    };
    for (qsizetype i = 0; i < size; ++i) {
        const QChar unit = text[i];
        const char16_t code = unit.unicode();
        if ((code < 0x80 || (code >= 0xA0 && code <= 0xFF)) && code != u'&' && code != u'<' && code != u'>' &&
            code != u'"' && code != u'#')
            continue;
        flush(i);
        plain = i + 1;
        switch (unit.unicode()) {
        case u'&':
            out += u"&amp;";
            continue;
        case u'<':
            out += u"&lt;";
            continue;
        case u'>':
            out += u"&gt;";
            continue;
        case u'"':
            out += u"&quot;";
            continue;
        case u'#':
            out += u"&num;";
            continue;
        default:
            break;
        }
        char32_t c = unit.unicode();
        qsizetype units = 1;
        if (unit.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(unit, text[i + 1]);
            units = 2;
        } else if (unit.isSurrogate()) {
            c = QChar::ReplacementCharacter; // half a pair stands for no character
        }
        if (inCodePage(c)) {
            out += text.mid(i, units);
        } else if (const auto it = namedReferences().constFind(c); it != namedReferences().cend()) {
            out += u'&';
            out += *it;
            out += u';';
        } else {
            // No name: a numeric reference, on a line of its own with no
            // tag, where its "#" meets no partner that makes it a tag.
            out += QStringLiteral("&#%1;").arg(quint32(c));
        }
        i += units - 1;
        plain = i + 1;
    }
    flush(size);
}

QByteArray makeTemplate(const QList<TemplateSection> &sections, const QString &language)
{
    const bool german = language == QStringLiteral("de");
    const Labels &labels = german ? kGerman : kEnglish;
    QStringList lines = {
        QStringLiteral("<!DOCTYPE html>"),
        QStringLiteral("<html lang=\"%1\">").arg(german ? QStringLiteral("de") : QStringLiteral("en")),
        QStringLiteral("<head>"),
        QStringLiteral("<meta charset=\"windows-1252\">"),
        QStringLiteral("<title>#DEVICETYPETEXT# - #DEFAULTTAG#</title>"),
        QStringLiteral("<!-- Generated from the device's IODD. Put a template of your own beside the IODD"),
        QStringLiteral("     to replace it (docs/iodd.md). -->"),
        QStringLiteral("<style>"),
        QStringLiteral("  @page { size: A4 portrait; margin: 15mm 15mm 18mm 20mm; }"),
        QStringLiteral(
            "  body { font-family: Arial, Helvetica, sans-serif; font-size: 9.5pt; color: rgb(25,25,25); "
            "margin: 0; }"),
        QStringLiteral("  .sheet { max-width: 175mm; margin: 0 auto; }"),
        QStringLiteral(
            "  .head { border-bottom: 2pt solid rgb(0,70,125); padding-bottom: 3mm; margin-bottom: 4mm; "
            "width: 100%; }"),
        QStringLiteral("  .head td { vertical-align: bottom; }"),
        QStringLiteral("  .vendor { font-size: 8.5pt; color: rgb(0,70,125); letter-spacing: 0.5pt; "
                       "text-transform: uppercase; }"),
        QStringLiteral("  h1 { font-size: 16pt; margin: 1mm 0 0 0; }"),
        QStringLiteral("  .tag { font-size: 16pt; font-weight: bold; text-align: right; }"),
        QStringLiteral("  .source { font-size: 8.5pt; text-align: right; color: rgb(80,80,80); }"),
        QStringLiteral(
            "  h2 { font-size: 10.5pt; color: rgb(0,70,125); border-bottom: 0.75pt solid rgb(0,70,125);"),
        QStringLiteral("       margin: 5mm 0 1.5mm 0; padding-bottom: 0.5mm; page-break-after: avoid; }"),
        QStringLiteral("  table.values { width: 100%; border-collapse: collapse; }"),
        QStringLiteral(
            "  table.values td { padding: 0.9mm 1.5mm; border-bottom: 0.5pt solid rgb(205,205,205); }"),
        QStringLiteral("  table.values td.label { width: 48%; color: rgb(70,70,70); }"),
        QStringLiteral("  table.values td.unit { width: 16%; color: rgb(70,70,70); }"),
        QStringLiteral(
            "  table.values th { text-align: left; font-size: 9pt; padding: 1.5mm 1.5mm 0.5mm 1.5mm; "
            "color: rgb(0,70,125); }"),
        QStringLiteral("  .note { font-size: 8.5pt; color: rgb(80,80,80); margin-top: 2mm; }"),
        QStringLiteral("  .foot { margin-top: 6mm; font-size: 7.5pt; color: rgb(110,110,110); "
                       "border-top: 0.5pt solid rgb(205,205,205); padding-top: 1.5mm; }"),
        QStringLiteral("</style>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<div class=\"sheet\">"),
        QStringLiteral("<table class=\"head\">"),
        QStringLiteral("<tr>"),
        QStringLiteral("  <td>"),
        QStringLiteral("    <div class=\"vendor\">#VENDOR#</div>"),
        QStringLiteral("    <h1>#DEVICETYPETEXT#</h1>"),
        QStringLiteral("  </td>"),
        QStringLiteral("  <td>"),
        QStringLiteral("    <div class=\"tag\">#DEFAULTTAG#</div>"),
        QStringLiteral("    <div class=\"source\">#VALUE#</div>"),
        QStringLiteral("  </td>"),
        QStringLiteral("</tr>"),
        QStringLiteral("</table>"),
        QStringLiteral("<p>#DEVDESCLONG#</p>"),
        QStringLiteral("<p class=\"note\">%1: #VENDORID# / #DEVICEID#</p>")
            .arg(QLatin1StringView(labels.vendorDevice)),
        QStringLiteral("<p class=\"note\">%1: %2</p>")
            .arg(QLatin1StringView(labels.variant), tag(QStringLiteral("&&iodd&&Variant"))),
    };
    // One text for the whole template, encoded once: a large device has
    // tens of thousands of rows.
    QString text;
    qsizetype rows = 0;
    for (const TemplateSection &section : sections)
        rows += section.rows.size();
    text.reserve(4096 + rows * 200);
    const auto line = [&text](QStringView part) {
        text += part;
        text += u"\r\n";
    };
    for (const QString &head : std::as_const(lines))
        line(head);
    for (const TemplateSection &section : sections) {
        if (section.rows.isEmpty() && (section.level > 0 || section.title.isEmpty()))
            continue;
        if (section.level == 0) {
            line(u"");
            line(u"<h2>");
            line(templateText(section.title));
            line(u"</h2>");
        }
        line(section.visibilityItem.isEmpty()
                 ? QStringLiteral("<table class=\"values\">")
                 : QStringLiteral("<table class=\"values\" style=\"%1\">").arg(tag(section.visibilityItem)));
        if (section.level > 0 && !section.title.isEmpty()) {
            line(u"<tr><th colspan=\"3\">");
            line(templateText(section.title));
            line(u"</th></tr>");
        }
        for (const TemplateRow &row : section.rows) {
            // The label stands on a line of its own: a numeric reference in
            // it never meets a tag's marker.
            line(u"<tr><td class=\"label\">");
            appendTemplateText(text, row.label);
            text += u"\r\n</td><td>";
            appendTag(text, row.item);
            text += u"</td><td class=\"unit\">";
            appendTag(text, row.item, kUnitSuffix);
            text += u"</td></tr>\r\n";
        }
        line(u"</table>");
    }
    line(QStringLiteral("<div class=\"foot\">%1: %2 %3, %4 #DATE# #TIME# %5 #USER#, #ORGANISATION#</div>")
             .arg(QLatin1StringView(labels.iodd), tag(QStringLiteral("&&iodd&&File")),
                  tag(QStringLiteral("&&iodd&&Version")), QLatin1StringView(labels.printed),
                  QLatin1StringView(labels.by)));
    line(u"</div>");
    line(u"</body>");
    line(u"</html>");
    return Ansi::encode(text);
}

} // namespace Iodd
