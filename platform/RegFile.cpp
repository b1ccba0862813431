// SPDX-License-Identifier: Apache-2.0
// A document keeps the file's lines, grouped by section, beside a hash index
// of keys and values, so that reading and each change cost no more than a
// pass over the file and writing back loses nothing that was not changed.
#include "RegFile.h"

#include "TextFile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>
#include <utility>

namespace RegFile {

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

QString folded(const QString &text)
{
    // Nearly all names are ASCII, which folds far faster by hand.
    QString out(text.size(), Qt::Uninitialized);
    QChar *to = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x80)
            return text.toCaseFolded();
        to[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c);
    }
    return out;
}

QString valueKey(const QString &foldedPath, const QString &foldedName)
{
    return foldedPath + QChar(u'\0') + foldedName;
}

/// Reads a quoted text at `pos` (on its opening quote); false when
/// unterminated. *plain stays true while the text uses only the escapes
/// this writer writes.
bool readQuoted(QStringView line, qsizetype &pos, QString *out, bool *plain)
{
    out->clear();
    qsizetype start = ++pos;
    for (; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == u'"') {
            out->append(line.sliced(start, pos - start));
            ++pos;
            return true;
        }
        if (c == u'\\' && pos + 1 < line.size()) {
            out->append(line.sliced(start, pos - start));
            ++pos;
            if (line.at(pos) != u'\\' && line.at(pos) != u'"')
                *plain = false;
            start = pos;
        }
    }
    return false;
}

bool parseHexBytes(QStringView list, QByteArray *bytes)
{
    for (QStringView part : list.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        if (!ok || byte > 0xFF)
            return false;
        bytes->append(char(byte));
    }
    return true;
}

/// The data after "=" other than a quoted text; false for a form not known.
bool parseData(QStringView source, Value *value)
{
    if (source.startsWith(QLatin1StringView("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const std::uint32_t number = source.sliced(6).trimmed().toUInt(&ok, 16);
        value->type = kRegDword;
        value->bytes = QByteArray(reinterpret_cast<const char *>(&number), 4);
        return ok;
    }
    if (source.startsWith(QLatin1StringView("hex("), Qt::CaseInsensitive)) {
        const qsizetype close = source.indexOf(u')');
        if (close < 5 || close + 1 >= source.size() || source.at(close + 1) != u':')
            return false;
        bool ok = false;
        value->type = source.sliced(4, close - 4).toUInt(&ok, 16);
        return ok && parseHexBytes(source.sliced(close + 2), &value->bytes);
    }
    if (source.startsWith(QLatin1StringView("hex:"), Qt::CaseInsensitive)) {
        value->type = kRegBinary;
        return parseHexBytes(source.sliced(4), &value->bytes);
    }
    return false;
}

QString quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

QString valueLine(const Value &value)
{
    QString line = value.name.isEmpty() ? QStringLiteral("@") : quoted(value.name);
    line += u'=';
    if (value.type == kRegSz)
        return line + quoted(value.text);
    if (value.type == kRegDword && value.bytes.size() == 4) {
        std::uint32_t number;
        std::memcpy(&number, value.bytes.constData(), 4);
        return line + QStringLiteral("dword:%1").arg(number, 8, 16, QLatin1Char('0'));
    }
    line +=
        value.type == kRegBinary ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(value.type, 0, 16);
    for (qsizetype i = 0; i < value.bytes.size(); ++i) {
        if (i > 0)
            line += u',';
        line += QStringLiteral("%1").arg(uchar(value.bytes.at(i)), 2, 16, QLatin1Char('0'));
    }
    return line;
}

/// The first line that is not blank is "REGEDIT4" (read as ANSI, which
/// every byte is).
bool startsRegedit4(const QByteArray &bytes)
{
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QString line = Ansi::decode(QByteArrayView(bytes).sliced(start, end - start)).trimmed();
        if (!line.isEmpty())
            return line == kHeader4;
        start = end + 1;
    }
    return false;
}

/// Reads `"NAME"=` or `@=` and the blanks around "=", leaving `pos` on the
/// data; false when the line does not start so.
bool readValueName(QStringView line, qsizetype &pos, QString *name, bool *plain)
{
    pos = 0;
    if (line.startsWith(u'@'))
        pos = 1;
    else if (!line.startsWith(u'"') || !readQuoted(line, pos, name, plain))
        return false;
    *plain = *plain && line.startsWith(u'@') == name->isEmpty();
    const qsizetype beforeEquals = pos;
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
    if (pos >= line.size() || line.at(pos) != u'=')
        return false;
    *plain = *plain && pos == beforeEquals;
    const qsizetype afterEquals = ++pos;
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
    *plain = *plain && pos == afterEquals;
    return true;
}

/// The first line that is not blank is one of the two headers.
bool startsWithHeader(const QList<QStringView> &lines, QString *error)
{
    for (QStringView line : lines) {
        const QStringView first = line.trimmed();
        if (first.isEmpty())
            continue;
        if (first == kHeader5 || first == kHeader4)
            return true;
        *error = QStringLiteral("not a registry export (its first line is not \"%1\" or \"%2\")")
                     .arg(kHeader5, kHeader4);
        return false;
    }
    return true;
}

} // namespace

QString canonicalPath(QString path)
{
    static const QLatin1StringView fullRoots[] = {
        QLatin1StringView("HKEY_CLASSES_ROOT"), QLatin1StringView("HKEY_CURRENT_USER"),
        QLatin1StringView("HKEY_LOCAL_MACHINE"), QLatin1StringView("HKEY_USERS")};
    // Paths as this writer writes them, the common case, stay as they are.
    if (!path.isEmpty() && !path.back().isSpace() && path.back() != u'\\' && !path.front().isSpace()) {
        const QStringView root = QStringView(path).left(path.indexOf(u'\\'));
        for (QLatin1StringView full : fullRoots) {
            if (root == full)
                return path;
        }
    }
    // Blanks and backslashes go from the end together: a blank left before
    // a chopped backslash would go when the path is read back, and the key
    // written would not be the key read.
    path = path.trimmed();
    while (path.endsWith(u'\\')) {
        path.chop(1);
        path = path.trimmed();
    }
    const qsizetype slash = path.indexOf(u'\\');
    const QString root = slash < 0 ? path : path.left(slash);
    static const QHash<QString, QString> abbreviations = {
        {QStringLiteral("HKLM"), QStringLiteral("HKEY_LOCAL_MACHINE")},
        {QStringLiteral("HKCU"), QStringLiteral("HKEY_CURRENT_USER")},
        {QStringLiteral("HKCR"), QStringLiteral("HKEY_CLASSES_ROOT")},
        {QStringLiteral("HKU"), QStringLiteral("HKEY_USERS")},
    };
    // Root names are ASCII; upper-casing anything else could give a
    // character the file's encoding cannot hold (µ becomes Greek Μ).
    QString upper = root;
    for (QChar &c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - (u'a' - u'A')));
    }
    const auto full = abbreviations.constFind(upper);
    if (full != abbreviations.constEnd())
        return *full + path.mid(root.size());
    return upper + path.mid(root.size());
}

Document::Document()
{
    Section preamble;
    Entry header;
    header.raw = kHeader5;
    preamble.entries.push_back(std::move(header));
    preamble.entries.push_back(Entry{});
    m_sections.push_back(std::move(preamble));
}

std::optional<Document> Document::parse(const QByteArray &bytes, QString *error)
{
    Document document;
    const QString text = decode(bytes, &document.m_encoding);
    if (text.trimmed().isEmpty())
        return document;
    const Lines lines = document.splitLines(text);
    if (!startsWithHeader(lines.text, error))
        return std::nullopt;

    document.m_sections.front().entries.clear();
    // A key and a value every few lines, in the files this writer writes.
    document.m_keys.reserve(lines.text.size() / 4);
    document.m_values.reserve(lines.text.size() / 3);
    std::optional<QString> key; // "[]" is a key too, with an empty path
    for (qsizetype i = 0; i < lines.text.size(); ++i) {
        if (document.readSectionLine(lines.text[i], lines.ends[i], &key))
            continue;
        const QStringView trimmed = lines.text[i].trimmed();
        if (key && !trimmed.isEmpty() && !trimmed.startsWith(u';'))
            i = document.readValueLine(lines, i, *key);
        else
            document.keepLine(lines.text[i], lines.ends[i]);
    }
    return document;
}

void Document::keepLine(QStringView line, const QString &eol)
{
    Entry entry;
    entry.raw = line.toString();
    entry.eol = eol;
    m_sections.back().entries.push_back(std::move(entry));
}

QString Document::decode(const QByteArray &bytes, Encoding *encoding)
{
    if (bytes.startsWith("\xFF\xFE")) {
        *encoding = Encoding::Utf16;
        return QStringDecoder(QStringDecoder::Utf16LE)(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        *encoding = Encoding::Utf8Bom;
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3));
    }
    if (startsRegedit4(bytes)) {
        // The header, not the bytes, says so: an ANSI file whose every
        // non-ASCII byte happens to form UTF-8 would read otherwise, and
        // would once a change took away the bytes that are not UTF-8.
        *encoding = Encoding::Ansi;
        return Ansi::decode(bytes);
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    // A newer export saved in the ANSI code page by an editor.
    if (decoder.hasError()) {
        *encoding = Encoding::Ansi;
        return Ansi::decode(bytes);
    }
    *encoding = Encoding::Utf8;
    return text;
}

Document::Lines Document::splitLines(const QString &text)
{
    m_eol = text.contains(QLatin1StringView("\r\n")) || !text.contains(u'\n') ? QStringLiteral("\r\n")
                                                                              : QStringLiteral("\n");
    m_endsWithEol = text.endsWith(u'\n');
    Lines lines;
    lines.text = QStringView(text).split(u'\n');
    if (m_endsWithEol)
        lines.text.removeLast();
    // Every CR at a line's end is part of its line end, which is kept as it
    // stands (CR LF, LF, CR CR LF) for the line written back unchanged. The
    // last line without an LF gets one when anything follows it: its CRs
    // alone would be read as nothing, or as part of the next line.
    lines.ends.resize(lines.text.size());
    for (qsizetype i = 0; i < lines.text.size(); ++i) {
        QStringView &line = lines.text[i];
        qsizetype crs = 0;
        while (line.endsWith(u'\r')) {
            line.chop(1);
            ++crs;
        }
        const bool lastWithoutLf = !m_endsWithEol && i == lines.text.size() - 1;
        lines.ends[i] = QString(crs, u'\r') + (lastWithoutLf ? m_eol : QStringLiteral("\n"));
    }
    return lines;
}

bool Document::readSectionLine(QStringView line, const QString &eol, std::optional<QString> *key)
{
    const QStringView trimmed = line.trimmed();
    const qsizetype close = trimmed.startsWith(u'[') ? trimmed.lastIndexOf(u']') : -1;
    if (close <= 0)
        return false;
    const QStringView path = trimmed.sliced(1, close - 1);
    Section section;
    section.eol = eol;
    if (path.startsWith(u'-')) {
        section.raw = line.toString();
        // The key's lines before stay as they stand: this line deletes them
        // whenever the file is read.
        dropTree(canonicalPath(path.sliced(1).toString()), false);
        key->reset();
    } else {
        section.path = canonicalPath(path.toString());
        // Most lines are as this writer writes them: not kept twice.
        // "[]" is kept, as its empty path writes no header.
        if (section.path.isEmpty() || line.size() != section.path.size() + 2 || !line.startsWith(u'[') ||
            line.sliced(1, section.path.size()) != section.path)
            section.raw = line.toString();
        ownSections(section.path).push_back(int(m_sections.size()));
        *key = folded(section.path);
    }
    m_sections.push_back(std::move(section));
    return true;
}

qsizetype Document::readValueLine(const Lines &lines, qsizetype i, const QString &foldedPath)
{
    const QStringView line = lines.text[i];
    const QStringView trimmed = line.trimmed();
    std::vector<Entry> &entries = m_sections.back().entries;
    Entry entry;
    entry.eol = lines.ends[i];
    // A line that is no value, or not one this reader knows, is kept as it is.
    const auto keep = [&] {
        if (entry.raw.isEmpty())
            entry.raw = line.toString();
        entries.push_back(std::move(entry));
        return i;
    };
    Value value;
    bool plain = trimmed.size() == line.size();
    qsizetype pos = 0;
    if (!readValueName(trimmed, pos, &value.name, &plain))
        return keep();
    const QString name = folded(value.name);
    if (pos < trimmed.size() && trimmed.at(pos) == u'"') {
        if (!readQuoted(trimmed, pos, &value.text, &plain))
            return keep();
        value.type = kRegSz;
        // Most lines are as this writer writes them: not kept twice.
        if (!plain || pos != trimmed.size())
            entry.raw = line.toString();
    } else {
        QString source = trimmed.sliced(pos).toString();
        if (source == u"-") {
            shadowValue(foldedPath, name);
            return keep();
        }
        entry.raw = line.toString();
        // Long binary data continues on the next lines after a backslash.
        while (source.endsWith(u'\\') && i + 1 < lines.text.size()) {
            source.chop(1);
            entry.raw += lines.ends[i];
            source += lines.text[++i].trimmed();
            entry.raw += lines.text[i];
            entry.eol = lines.ends[i];
        }
        entry.continuedAtEnd = source.endsWith(u'\\');
        if (!parseData(source, &value))
            return keep();
    }
    shadowValue(foldedPath, name);
    entry.isValue = true;
    entry.value = std::move(value);
    m_values.insert(valueKey(foldedPath, name), {int(m_sections.size()) - 1, int(entries.size())});
    entries.push_back(std::move(entry));
    return i;
}

QByteArray Document::serialize() const
{
    QString text;
    bool lastBlank = true;
    // A line left continued at the file's end stays where it is, but would
    // read whatever is written after it as its data: a comment line ends
    // it, and leaves its data as unreadable as it was (";" is no hex digit).
    bool dangling = false;
    const auto put = [&](const QString &line, const QString &eol = QString()) {
        if (std::exchange(dangling, false)) {
            text += u';';
            text += m_eol;
        }
        text += line;
        text += eol.isEmpty() ? m_eol : eol;
        lastBlank = line.trimmed().isEmpty();
    };
    const auto putEntry = [&](const Entry &entry) {
        put(entry.raw.isEmpty() && entry.isValue ? valueLine(entry.value) : entry.raw, entry.eol);
        dangling = entry.continuedAtEnd;
    };
    for (const Section &section : m_sections) {
        if (section.removed)
            continue;
        if (!section.raw.isEmpty()) {
            put(section.raw, section.eol);
        } else if (!section.path.isEmpty() || section.added) {
            // An empty path still needs its "[]", or its values would be
            // read as the section's before.
            if (section.added && !lastBlank)
                put(QString());
            put(u'[' + section.path + u']', section.eol);
        }
        // New values go after the section's last line, before the blank
        // lines that part it from the next.
        qsizetype end = qsizetype(section.entries.size());
        while (end > 0 &&
               (section.entries[end - 1].added ||
                (!section.entries[end - 1].isValue && section.entries[end - 1].raw.trimmed().isEmpty())))
            --end;
        for (qsizetype i = 0; i < end; ++i) {
            if (!section.entries[i].added)
                putEntry(section.entries[i]);
        }
        for (const Entry &entry : section.entries) {
            if (entry.added)
                putEntry(entry);
        }
        for (qsizetype i = end; i < qsizetype(section.entries.size()); ++i) {
            if (!section.entries[i].added)
                putEntry(section.entries[i]);
        }
        if (section.added)
            put(QString());
    }
    if (!m_endsWithEol && text.endsWith(m_eol))
        text.chop(m_eol.size());

    switch (m_encoding) {
    case Encoding::Utf16:
        return QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(text);
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case Encoding::Ansi:
        return Ansi::encode(text);
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

const std::vector<int> *Document::sectionsOf(const QString &path) const
{
    const auto found = m_keys.constFind(folded(canonicalPath(path)));
    return found == m_keys.cend() ? nullptr : &*found;
}

std::vector<int> &Document::ownSections(const QString &canonical)
{
    const QString name = folded(canonical);
    auto found = m_keys.find(name);
    if (found == m_keys.end()) {
        found = m_keys.insert(name, {});
        addParents(name);
    }
    return *found;
}

void Document::addParents(const QString &folded)
{
    for (qsizetype slash = folded.lastIndexOf(u'\\'); slash > 0;
         slash = folded.lastIndexOf(u'\\', slash - 1)) {
        const QString parent = folded.left(slash);
        if (m_parents.contains(parent))
            return;
        m_parents.insert(parent);
    }
}

void Document::rebuildParents()
{
    m_parents.clear();
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it)
        addParents(it.key());
}

void Document::shadowValue(const QString &foldedPath, const QString &foldedName)
{
    const auto found = m_values.find(valueKey(foldedPath, foldedName));
    if (found == m_values.end())
        return;
    // The line stays as it stands: the line after it that sets the value
    // again, or deletes it, overrides it whenever the file is read.
    Entry &entry = m_sections[found->first].entries[found->second];
    if (entry.raw.isEmpty())
        entry.raw = valueLine(entry.value);
    entry.isValue = false;
    m_values.erase(found);
}

bool Document::hasKey(const QString &path) const
{
    const QString name = folded(canonicalPath(path));
    return m_keys.contains(name) || m_parents.contains(name);
}

const Value *Document::value(const QString &path, const QString &name) const
{
    const auto found = m_values.constFind(valueKey(folded(canonicalPath(path)), folded(name)));
    if (found == m_values.cend())
        return nullptr;
    return &m_sections[found->first].entries[found->second].value;
}

QList<Value> Document::values(const QString &path) const
{
    QList<Value> list;
    if (const std::vector<int> *sections = sectionsOf(path)) {
        for (int section : *sections) {
            for (const Entry &entry : m_sections[section].entries) {
                if (entry.isValue)
                    list.append(entry.value);
            }
        }
    }
    return list;
}

bool Document::createKey(const QString &path)
{
    if (sectionsOf(path))
        return false;
    Section section;
    section.path = canonicalPath(path);
    section.added = true;
    m_sections.push_back(std::move(section));
    ownSections(m_sections.back().path).push_back(int(m_sections.size()) - 1);
    return true;
}

void Document::setValue(const QString &path, const Value &value)
{
    createKey(path);
    const QString foldedPath = folded(canonicalPath(path));
    const QString name = valueKey(foldedPath, folded(value.name));
    if (const auto found = m_values.constFind(name); found != m_values.cend()) {
        Entry &entry = m_sections[found->first].entries[found->second];
        entry.value = value;
        entry.raw.clear();
        return;
    }
    const int sectionIndex = m_keys.value(foldedPath).back();
    auto &entries = m_sections[sectionIndex].entries;
    Entry entry;
    entry.isValue = true;
    entry.added = true;
    entry.value = value;
    m_values.insert(name, {sectionIndex, int(entries.size())});
    entries.push_back(std::move(entry));
}

bool Document::deleteTree(const QString &path)
{
    return dropTree(path, true);
}

bool Document::dropTree(const QString &path, bool removeLines)
{
    const QString name = folded(canonicalPath(path));
    const QString prefix = name + u'\\';
    bool found = false;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == name || it.key().startsWith(prefix)) {
            for (int index : *it) {
                Section &section = m_sections[index];
                section.removed = removeLines;
                for (const Entry &entry : section.entries) {
                    if (entry.isValue)
                        m_values.remove(valueKey(it.key(), folded(entry.value.name)));
                }
            }
            it = m_keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    if (found)
        rebuildParents();
    return found;
}

} // namespace RegFile
