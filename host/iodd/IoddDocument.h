// SPDX-License-Identifier: Apache-2.0
// An IO-Link device description (IODD, schema 1.0.1 or 1.1) as the host
// needs it: identity, variables with their data types, menus and the texts
// of one language. Reading it is strict about what an XML file may make a
// reader do: no document type declaration (and so no entity of any kind),
// no element nested deeper than kMaxIoddDepth, nothing larger than
// MaxIoddBytes, and no file read but the description and its language file.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace Iodd {

inline constexpr qint64 MaxIoddBytes = qint64(64) << 20;
inline constexpr int kMaxIoddDepth = 64;

/// A scalar data type of the schema.
struct SimpleType
{
    enum class Kind { Boolean, UInteger, Integer, Float32, String, OctetString, Time, TimeSpan, Other };
    Kind kind = Kind::Other;
    int bitLength = 0;   ///< integers; 0 when not given
    int fixedLength = 0; ///< strings and octet strings, in octets
    QString encoding;    ///< strings: "UTF-8" or "US-ASCII"
    struct SingleValue
    {
        QString value;
        QString textId;
    };
    QList<SingleValue> singleValues;
    struct Range
    {
        QString lower;
        QString upper;
    };
    QList<Range> ranges;

    /// The octets the type takes in a record or on the wire.
    int bits() const;
};

struct RecordItem
{
    int subindex = 0;
    int bitOffset = 0;
    SimpleType type;
    QString nameId;
};

/// A variable's type: a scalar, a record of items or an array of a scalar.
struct Datatype
{
    enum class Shape { Simple, Record, Array };
    Shape shape = Shape::Simple;
    SimpleType simple; ///< the scalar, or an array's element type
    QList<RecordItem> items;
    int count = 0; ///< arrays
    int bitLength = 0;
};

struct Variable
{
    QString id;
    int index = -1;
    QString access; ///< "ro", "wo", "rw"
    QString defaultValue;
    QHash<int, QString> itemDefaults; ///< record items by subindex
    Datatype type;
    QString nameId;
    /// For a standard variable (StdVariableRef): its name in English and
    /// German, which the facts table gives rather than the file.
    QString standardName;
    QString standardNameGerman;
};

/// The condition under which a menu shows: a variable (item) holding a value.
struct Condition
{
    QString variableId;
    int subindex = -1;
    QString value;
};

struct MenuEntry
{
    enum class Kind { Variable, RecordItem, Menu };
    Kind kind = Kind::Variable;
    QString ref; ///< variable or menu id
    int subindex = -1;
    QString unitCode;
    QString displayFormat;
    std::optional<double> gradient;
    std::optional<double> offset;
    std::optional<Condition> condition; ///< menu references only
};

struct Menu
{
    QString id;
    QString nameId;
    QList<MenuEntry> entries;
};

struct Variant
{
    QString productId;
    QString nameId;
    QString descriptionId;
};

/// The four menus a role's menu set names; empty ids where it names none.
struct RoleMenus
{
    QString identification;
    QString parameter;
    QString observation;
    QString diagnosis;
};

struct Document
{
    QString path;    ///< absolute
    QString version; ///< DocumentInfo's version
    QString releaseDate;
    QString schema; ///< "1.0.1" or "1.1"
    quint32 vendorId = 0;
    quint32 deviceId = 0;
    QString vendorName;
    QString vendorTextId;
    QString deviceNameId;
    QString deviceFamilyId;
    QList<Variant> variants;
    QList<Variable> variables;
    QHash<QString, Menu> menus;
    RoleMenus roleMenus;

    QString primaryLanguage;
    QHash<QString, QString> primaryTexts;
    /// Translations by language (lower case), as far as they were asked for.
    QHash<QString, QHash<QString, QString>> translations;

    /// The text of `id` in `language`, else in the primary language. An id
    /// that starts with U+0001 is a text of the host's own (the facts
    /// table's) rather than a reference.
    QString text(const QString &id, const QString &language) const;
    const Variable *variable(const QString &id) const;

    /// Positions in `variables` by id; readDocument() fills it.
    QHash<QString, qsizetype> variableIndex;
};

/// Why an IODD could not be read, in one line: the file and what is wrong.
struct Error
{
    QString file;
    QString message;
    QString toString() const { return file + QStringLiteral(": ") + message; }
};

/// Reads the IODD at `path` with the texts of `languages` ("de", "en", ...),
/// inline or from the language file beside it. False with `*error` when
/// the file is no IODD or is refused.
bool readDocument(const QString &path, const QStringList &languages, Document *document, Error *error);

/// The identity at the head of an IODD, read as far as the device identity
/// only (for finding a device's IODD among many).
struct Identity
{
    quint32 vendorId = 0;
    quint32 deviceId = 0;
    QString releaseDate;
    QString version;
};
bool readIdentity(const QString &path, Identity *identity, Error *error);

/// The language the user reads: "de" for a German locale, else "en".
QString userLanguage();

} // namespace Iodd
