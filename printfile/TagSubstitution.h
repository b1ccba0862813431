// SPDX-License-Identifier: Apache-2.0
// Tag substitution: the "#NAME#" tags of a print template and the text each
// of them stands for.
//
// A tag runs from one "#" to the next on the same line. Its name is
// upper-cased and stripped of blanks; fixed names give the date, the time,
// the data source, the registered owner and organisation or a device entry,
// every other name is read as a host item (enumerations turned into their
// texts). Values are inserted as they are: neither rescanned nor escaped.
#pragma once

#include "TagContext.h"
#include "clsEnum.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

/// How GetTagValue came to its text, for tools that explain a template (the
/// component itself never asks). Filled as the lookup goes, so after a
/// failure it tells how far it got.
struct TagResolution
{
    enum class Outcome {
        Text,          ///< a fixed tag's text, a device entry or an item's value
        NoDeviceEntry, ///< the host has no such device entry: the tag itself
        NoItem,        ///< the host has no such item: the tag itself
        ItemNotRead,   ///< the item is there, but its value could not be read
    };
    Outcome outcome = Outcome::Text;
    QString name;             ///< the device entry or host item asked for
    bool enumeration = false; ///< the value went to an enumeration lookup
    QString typeName;         ///< the object type that lookup started from
    std::int32_t number = 0;  ///< the number it looked up
    EnumLookupTrace lookup;
};

/// GetTagValue of the component: the text for one tag; throws ComError where
/// the whole line must stay as read.
///
/// With `stripMarkers` true, `tag` is a whole tag cut from a line, markers
/// included; with false it is used unchanged as the name (compared with the
/// fixed names case-sensitively). A name the host does not know, or a device
/// entry it does not have, gives back `tag` itself.
///
/// An item opened for the lookup is always closed again, also when a later
/// step fails: the failure still ends the lookup, but leaves no item open in
/// the host.
QString GetTagValue(const TagContext &context, const QString &tag, bool stripMarkers,
                    TagResolution *resolution = nullptr);

/// Replaces every complete tag of `line` by tagValue(tag) left to right;
/// leaves `line` untouched when tagValue throws (the exception propagates) or
/// the line holds no complete tag.
void FillTemplateLine(QString &line, const std::function<QString(const QString &tag)> &tagValue);

/// Fills `line` with GetTagValue(context, tag, true) for each tag, through
/// the same lookup and so with the same host calls in the same order, but
/// puts each value into the line as the host hands it, without a string per
/// tag. The component fills its lines this way.
void FillTemplateLine(QString &line, const TagContext &context);

/// Replaces every occurrence of `find` (not empty) in `text`, matching without
/// regard to case. A replacement that would leave nothing at all leaves
/// `text` as it was.
void ReplaceNoCase(QString &text, const QString &find, const QString &replacement);

/// The decimal number at the start of an enumeration item's value text
/// (blanks ignored, "." decimal point, 0 when none), rounded half to even;
/// throws ComError(DISP_E_OVERFLOW) outside the 32-bit range.
std::int32_t enumerationNumber(const QString &valueText);

/// "d.mmm yyyy" and "hh:mm:ss" in the user's locale.
QString formatTagDate(const QDateTime &when);
QString formatTagTime(const QDateTime &when);
