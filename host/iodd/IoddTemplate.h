// SPDX-License-Identifier: Apache-2.0
// The print template generated for an IODD device: a head with the device
// entries, then a table per menu with a row per value (label, value, unit),
// in the look of the bundled sample templates. Written in Windows-1252 with
// CR LF line ends, as every template is.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace Iodd {

/// What follows an object's name in the host item holding its unit.
inline constexpr QStringView kUnitSuffix = u"&&unit";

struct TemplateRow
{
    QString label; ///< plain text; escaped when written
    QString item;  ///< the host item holding the value; its unit's is item + kUnitSuffix
};

struct TemplateSection
{
    QString title;          ///< plain text
    int level = 0;          ///< 0 for a role's menu, 1 and more for submenus
    QString visibilityItem; ///< host item answering "" or "display:none"; empty = always shown
    QList<TemplateRow> rows;
};

/// The template's bytes for `language` ("en" or "de").
QByteArray makeTemplate(const QList<TemplateSection> &sections, const QString &language);

/// `text` as template text: HTML-escaped, "#" as "&num;" (so that no label
/// is ever read as a tag) and characters the code page lacks as named
/// references where HTML has one, else as numeric ones.
QString templateText(QStringView text);
/// templateText(), appended to `out`.
void appendTemplateText(QString &out, QStringView text);

} // namespace Iodd
