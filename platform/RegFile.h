// SPDX-License-Identifier: Apache-2.0
// The Windows ".reg" export format as text: read into keys and values, and
// written back with everything that was not changed kept as it stood.
//
// Both "Windows Registry Editor Version 5.00" (UTF-16LE with BOM, UTF-8 with
// or without BOM, the ANSI code page when it is not UTF-8) and "REGEDIT4"
// (the ANSI code page, whatever its bytes) are read; a file is
// written back in the encoding, header and line ends it was read in, with
// its comments, blank lines and the lines this reader does not understand,
// each where it stood. A value line left continued ("\" at its end) on the
// file's last line is followed by a line ";" before anything added after it.
// Deletions in the file ("[-KEY]", "\"name\"=-") take effect as they are
// read; the lines they delete are kept. Key paths and value names compare
// without regard to case, and paths may use the short root names (HKLM,
// HKCU, HKCR, HKU).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

namespace RegFile {

struct Value
{
    QString name;           ///< empty for the key's default value
    std::uint32_t type = 1; ///< REG_SZ unless the data says otherwise
    QString text;           ///< the text of a REG_SZ value
    QByteArray bytes;       ///< the data of any other value
};

/// "HKLM\x\" -> "HKEY_LOCAL_MACHINE\x": root names in full and upper case,
/// no trailing separator.
QString canonicalPath(QString path);

class Document
{
public:
    /// A new, empty export (version 5.00, UTF-8, CR LF).
    Document();

    /// Reads an export. An empty file is an empty export; anything whose first
    /// line is not one of the two headers is refused with a reason.
    static std::optional<Document> parse(const QByteArray &bytes, QString *error);
    /// The file's new content, in the encoding it was read in.
    QByteArray serialize() const;

    /// The key has a section of its own or a key below it has one.
    bool hasKey(const QString &path) const;
    /// Null when the key or the value is missing.
    const Value *value(const QString &path, const QString &name) const;
    QList<Value> values(const QString &path) const;
    qsizetype keyCount() const { return m_keys.size(); }

    /// Gives the key a section of its own; false when it had one. A path
    /// starting with "-" would be written as a deletion: key paths start
    /// with their root.
    bool createKey(const QString &path);
    /// Creates the key when it is missing.
    void setValue(const QString &path, const Value &value);
    /// Removes the key, its values and every key below it; false when there
    /// was nothing to remove.
    bool deleteTree(const QString &path);

private:
    struct Entry
    {
        QString raw; ///< the line(s) as read; empty when written from `value`
        QString eol; ///< its line end as read (CR LF, LF, CR CR LF); empty for the file's
        bool isValue = false;
        bool added = false;          ///< new since reading: written after the section's last line
        bool continuedAtEnd = false; ///< its last line ends in "\\" at the file's end
        Value value;
    };
    struct Section
    {
        QString raw;  ///< the header as read; empty when written from `path`
        QString eol;  ///< its line end as read; empty for the file's
        QString path; ///< empty for the lines before the first key and for "[-KEY]"
        std::vector<Entry> entries;
        bool added = false; ///< new since reading: set apart by blank lines
        bool removed = false;
    };
    using Location = std::pair<int, int>; ///< section, entry
    enum class Encoding { Utf8, Utf8Bom, Utf16, Ansi };
    /// The file's lines without their line ends, and those ends as read.
    struct Lines
    {
        QList<QStringView> text;
        std::vector<QString> ends;
    };

    /// The file's text, and the encoding it is written back in.
    static QString decode(const QByteArray &bytes, Encoding *encoding);
    /// Also learns the line end new lines get and whether the file ends in one.
    Lines splitLines(const QString &text);
    /// Reads a "[KEY]" or "[-KEY]" line; `key` becomes the folded path of the
    /// key whose values follow, or none. False for any other line.
    bool readSectionLine(QStringView line, const QString &eol, std::optional<QString> *key);
    /// Reads the value line at `i` (a line of the key `foldedPath` that is
    /// neither blank nor a comment), known or not; answers its last line,
    /// which is further on when its data continues.
    qsizetype readValueLine(const Lines &lines, qsizetype i, const QString &foldedPath);
    /// A line of the current section this reader leaves as it is.
    void keepLine(QStringView line, const QString &eol);

    const std::vector<int> *sectionsOf(const QString &path) const;
    std::vector<int> &ownSections(const QString &canonical);
    /// A value set again or deleted further on in the file: its line is
    /// kept, and no longer the value's.
    void shadowValue(const QString &foldedPath, const QString &foldedName);
    /// Forgets the key and every key below it; their lines stay in the file
    /// unless `removeLines`.
    bool dropTree(const QString &path, bool removeLines);
    void addParents(const QString &folded);
    void rebuildParents();

    Encoding m_encoding = Encoding::Utf8;
    QString m_eol = QStringLiteral("\r\n");
    bool m_endsWithEol = true;
    std::vector<Section> m_sections;
    QHash<QString, std::vector<int>> m_keys; ///< folded path -> the key's sections
    QHash<QString, Location> m_values;       ///< folded path, NUL, folded name -> the value's line
    QSet<QString> m_parents;                 ///< folded paths that have keys below them
};

} // namespace RegFile
