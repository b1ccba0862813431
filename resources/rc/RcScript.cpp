// SPDX-License-Identifier: Apache-2.0
#include "RcScript.h"

#include "platform/StringBlock.h"

#include <QStringDecoder>
#include <QStringList>
#include <QTextStream>

#include <array>
#include <map>
#include <utility>

namespace {

struct Token
{
    enum Kind { Word, String, Punct, End };
    Kind kind = End;
    QString text;
    int line = 0;
};

class Lexer
{
public:
    explicit Lexer(QString source) : m_source(std::move(source)) {}

    std::vector<Token> tokens()
    {
        std::vector<Token> out;
        while (true) {
            skipBlanks();
            if (m_pos >= m_source.size())
                break;
            const QChar c = m_source[m_pos];
            if (c == u'#') {
                directive();
            } else if (c == u'"') {
                out.push_back({Token::String, stringLiteral(), m_line});
            } else if (c == u'L' && peek(1) == u'"') {
                ++m_pos;
                out.push_back({Token::String, stringLiteral(), m_line});
            } else if (c.isLetterOrNumber() || c == u'_') {
                const qsizetype start = m_pos;
                while (m_pos < m_source.size() &&
                       (m_source[m_pos].isLetterOrNumber() || m_source[m_pos] == u'_'))
                    ++m_pos;
                out.push_back({Token::Word, m_source.mid(start, m_pos - start), m_line});
            } else if (QStringLiteral(",|+(){}-").contains(c)) {
                out.push_back({Token::Punct, QString(c), m_line});
                ++m_pos;
            } else {
                throw RcError{m_line, QStringLiteral("unexpected character '%1'").arg(c)};
            }
        }
        out.push_back({Token::End, {}, m_line});
        return out;
    }

private:
    QChar peek(qsizetype ahead) const
    {
        return m_pos + ahead < m_source.size() ? m_source[m_pos + ahead] : QChar();
    }

    void skipBlanks()
    {
        while (m_pos < m_source.size()) {
            const QChar c = m_source[m_pos];
            if (c == u'\n') {
                ++m_line;
                ++m_pos;
            } else if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'/' && peek(1) == u'/') {
                while (m_pos < m_source.size() && m_source[m_pos] != u'\n')
                    ++m_pos;
            } else if (c == u'/' && peek(1) == u'*') {
                const int startLine = m_line;
                m_pos += 2;
                while (m_pos < m_source.size() && !(m_source[m_pos] == u'*' && peek(1) == u'/')) {
                    if (m_source[m_pos] == u'\n')
                        ++m_line;
                    ++m_pos;
                }
                if (m_pos >= m_source.size())
                    throw RcError{startLine, QStringLiteral("unterminated comment")};
                m_pos += 2;
            } else {
                break;
            }
        }
    }

    void directive()
    {
        qsizetype end = m_source.indexOf(u'\n', m_pos);
        if (end < 0)
            end = m_source.size();
        const QString text = m_source.mid(m_pos, end - m_pos).simplified().remove(u' ');
        // The script is UTF-8; a pragma naming another code page would change
        // how its texts are meant to be read, which this compiler cannot honour.
        if (text != QLatin1String("#pragmacode_page(65001)"))
            throw RcError{m_line, QStringLiteral("unsupported preprocessor directive '%1'")
                                      .arg(m_source.mid(m_pos, end - m_pos).trimmed())};
        m_pos = end;
    }

    QString stringLiteral()
    {
        const int startLine = m_line;
        ++m_pos;
        QString text;
        while (true) {
            if (m_pos >= m_source.size() || m_source[m_pos] == u'\n' || m_source[m_pos] == u'\r')
                throw RcError{startLine, QStringLiteral("unterminated string")};
            const QChar c = m_source[m_pos++];
            if (c == u'"') {
                if (peek(0) != u'"')
                    return text;
                text += u'"';
                ++m_pos;
            } else if (c == u'\\') {
                const QChar e = peek(0);
                ++m_pos;
                switch (e.unicode()) {
                case 'r':
                    text += u'\r';
                    break;
                case 'n':
                    text += u'\n';
                    break;
                case 't':
                    text += u'\t';
                    break;
                case '\\':
                    text += u'\\';
                    break;
                case '"':
                    text += u'"';
                    break;
                default:
                    throw RcError{m_line, QStringLiteral("unknown escape sequence '\\%1'").arg(e)};
                }
            } else {
                text += c;
            }
        }
    }

    QString m_source;
    qsizetype m_pos = 0;
    int m_line = 1;
};

struct LanguageName
{
    const char *name;
    int primary; ///< for sublanguages: the primary language it belongs to, -1 for any
    int value;
};

constexpr LanguageName kPrimaryLanguages[] = {
    {"LANG_NEUTRAL", -1, 0x00},
    {"LANG_GERMAN", -1, 0x07},
    {"LANG_ENGLISH", -1, 0x09},
    {"LANG_FRENCH", -1, 0x0c},
};

constexpr LanguageName kSubLanguages[] = {
    {"SUBLANG_NEUTRAL", -1, 0x00},        {"SUBLANG_DEFAULT", -1, 0x01},
    {"SUBLANG_SYS_DEFAULT", -1, 0x02},    {"SUBLANG_GERMAN", 0x07, 0x01},
    {"SUBLANG_GERMAN_SWISS", 0x07, 0x02}, {"SUBLANG_GERMAN_AUSTRIAN", 0x07, 0x03},
    {"SUBLANG_ENGLISH_US", 0x09, 0x01},   {"SUBLANG_ENGLISH_UK", 0x09, 0x02},
    {"SUBLANG_FRENCH", 0x0c, 0x01},
};

class Parser
{
public:
    explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    Script parse()
    {
        while (current().kind != Token::End) {
            if (isWord("LANGUAGE")) {
                ++m_pos;
                m_language = language();
            } else if (isWord("STRINGTABLE")) {
                stringTable();
            } else if (current().kind == Token::Word && next().kind == Token::Word &&
                       next().text == QLatin1String("VERSIONINFO")) {
                versionInfo();
            } else if (current().kind == Token::Word && next().kind == Token::Word) {
                fail(QStringLiteral("unsupported resource type '%1'").arg(next().text));
            } else {
                fail(QStringLiteral("unexpected '%1'").arg(current().text));
            }
        }
        return std::move(m_script);
    }

private:
    const Token &current() const { return m_tokens[m_pos]; }
    const Token &next() const { return m_tokens[std::min(m_pos + 1, m_tokens.size() - 1)]; }
    bool isWord(const char *word) const
    {
        return current().kind == Token::Word && current().text == QLatin1String(word);
    }
    bool isPunct(char16_t c) const { return current().kind == Token::Punct && current().text == QChar(c); }
    bool isBegin() const { return isWord("BEGIN") || isPunct(u'{'); }
    bool isEnd() const { return isWord("END") || isPunct(u'}'); }

    [[noreturn]] void fail(const QString &message) const { throw RcError{current().line, message}; }

    QString describeCurrent() const
    {
        return current().kind == Token::End ? QStringLiteral("end of file")
                                            : QStringLiteral("'%1'").arg(current().text);
    }

    void expectBegin()
    {
        if (!isBegin())
            fail(QStringLiteral("expected BEGIN, found %1").arg(describeCurrent()));
        ++m_pos;
    }

    void expectComma()
    {
        if (!isPunct(u','))
            fail(QStringLiteral("expected ',', found %1").arg(describeCurrent()));
        ++m_pos;
    }

    std::uint32_t number(std::uint32_t max)
    {
        const Token &token = current();
        QString digits = token.text;
        if (digits.endsWith(u'L') || digits.endsWith(u'l'))
            digits.chop(1);
        bool ok = false;
        const qulonglong value = token.kind == Token::Word ? digits.toULongLong(&ok, 0) : 0;
        if (!ok)
            fail(QStringLiteral("expected a number, found %1").arg(describeCurrent()));
        if (value > max)
            fail(QStringLiteral("number %1 out of range (at most %2)").arg(token.text, QString::number(max)));
        ++m_pos;
        return static_cast<std::uint32_t>(value);
    }

    int languagePart(const LanguageName *names, std::size_t count, std::uint32_t max, int primary)
    {
        if (current().kind == Token::Word && !current().text.front().isDigit()) {
            for (std::size_t i = 0; i < count; ++i) {
                if (current().text != QLatin1String(names[i].name))
                    continue;
                if (primary >= 0 && names[i].primary >= 0 && names[i].primary != primary)
                    fail(
                        QStringLiteral("%1 does not belong to the primary language 0x%2")
                            .arg(current().text, QStringLiteral("%1").arg(primary, 2, 16, QLatin1Char('0'))));
                ++m_pos;
                return names[i].value;
            }
            fail(QStringLiteral("unknown language name '%1'").arg(current().text));
        }
        return static_cast<int>(number(max));
    }

    std::uint16_t language()
    {
        const int primary = languagePart(kPrimaryLanguages, std::size(kPrimaryLanguages), 0x3ff, -1);
        expectComma();
        const int sub = languagePart(kSubLanguages, std::size(kSubLanguages), 0x3f, primary);
        return static_cast<std::uint16_t>(sub << 10 | primary);
    }

    QString strings()
    {
        if (current().kind != Token::String)
            fail(QStringLiteral("expected a string, found %1").arg(describeCurrent()));
        QString text;
        while (current().kind == Token::String)
            text += m_tokens[m_pos++].text;
        return text;
    }

    void stringTable()
    {
        ++m_pos;
        std::uint16_t tableLanguage = m_language;
        static const QStringList loadOptions = {QStringLiteral("DISCARDABLE"), QStringLiteral("MOVEABLE"),
                                                QStringLiteral("FIXED"),       QStringLiteral("PURE"),
                                                QStringLiteral("IMPURE"),      QStringLiteral("PRELOAD"),
                                                QStringLiteral("LOADONCALL")};
        while (!isBegin()) {
            if (isWord("LANGUAGE")) {
                ++m_pos;
                tableLanguage = language();
            } else if (current().kind == Token::Word && loadOptions.contains(current().text)) {
                ++m_pos;
            } else {
                fail(QStringLiteral("expected BEGIN, found %1").arg(describeCurrent()));
            }
        }
        ++m_pos;
        auto &table = m_script.strings[tableLanguage];
        while (!isEnd()) {
            const int line = current().line;
            const auto id = static_cast<std::uint16_t>(number(0xffff));
            if (isPunct(u','))
                ++m_pos;
            const QString text = strings();
            if (text.size() > 0xffff)
                throw RcError{line, QStringLiteral("string %1 is longer than 65535 characters").arg(id)};
            if (!table.emplace(id, text).second)
                throw RcError{
                    line, QStringLiteral("duplicate string id %1 in language %2").arg(id).arg(tableLanguage)};
        }
        ++m_pos;
    }

    std::array<std::uint16_t, 4> versionNumbers()
    {
        std::array<std::uint16_t, 4> parts{};
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0)
                expectComma();
            parts[i] = static_cast<std::uint16_t>(number(0xffff));
        }
        return parts;
    }

    void versionInfo()
    {
        if (m_script.version)
            fail(QStringLiteral("more than one VERSIONINFO"));
        m_pos += 2;
        VersionInfo info;
        while (!isBegin()) {
            if (isWord("FILEVERSION")) {
                ++m_pos;
                info.fileVersion = versionNumbers();
            } else if (isWord("PRODUCTVERSION")) {
                ++m_pos;
                info.productVersion = versionNumbers();
            } else if (isWord("FILEFLAGSMASK") || isWord("FILEFLAGS") || isWord("FILEOS") ||
                       isWord("FILETYPE") || isWord("FILESUBTYPE")) {
                ++m_pos;
                number(0xffffffff);
            } else {
                fail(QStringLiteral("unknown VERSIONINFO statement %1").arg(describeCurrent()));
            }
        }
        ++m_pos;
        while (!isEnd()) {
            if (!isWord("BLOCK"))
                fail(QStringLiteral("expected BLOCK, found %1").arg(describeCurrent()));
            ++m_pos;
            const QString name = strings();
            if (name == QLatin1String("StringFileInfo"))
                stringFileInfo(info);
            else if (name == QLatin1String("VarFileInfo"))
                skipValues();
            else
                fail(QStringLiteral("unknown version block \"%1\"").arg(name));
        }
        ++m_pos;
        m_script.version = std::move(info);
    }

    void stringFileInfo(VersionInfo &info)
    {
        expectBegin();
        while (!isEnd()) {
            if (!isWord("BLOCK"))
                fail(QStringLiteral("expected BLOCK, found %1").arg(describeCurrent()));
            ++m_pos;
            if (!info.block.isEmpty())
                fail(QStringLiteral("only one version string block is supported"));
            const int line = current().line;
            const QString name = strings();
            bool hex = false;
            name.toUInt(&hex, 16);
            if (name.size() != 8 || !hex)
                throw RcError{
                    line,
                    QStringLiteral("version string block name \"%1\" is not eight hex digits").arg(name)};
            info.block = name;
            expectBegin();
            while (!isEnd()) {
                if (!isWord("VALUE"))
                    fail(QStringLiteral("expected VALUE, found %1").arg(describeCurrent()));
                ++m_pos;
                const QString key = strings();
                expectComma();
                info.strings.emplace_back(key, strings());
            }
            ++m_pos;
        }
        ++m_pos;
    }

    void skipValues()
    {
        expectBegin();
        while (!isEnd()) {
            if (!isWord("VALUE"))
                fail(QStringLiteral("expected VALUE, found %1").arg(describeCurrent()));
            ++m_pos;
            strings();
            while (isPunct(u',')) {
                ++m_pos;
                if (current().kind == Token::String)
                    strings();
                else
                    number(0xffffffff);
            }
        }
        ++m_pos;
    }

    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    std::uint16_t m_language = 0;
    Script m_script;
};

QString cppString(const QString &text)
{
    QString out = QStringLiteral("u\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out + u'"';
}

QString versionArray(const std::array<std::uint16_t, 4> &parts)
{
    return QStringLiteral("{%1, %2, %3, %4}").arg(parts[0]).arg(parts[1]).arg(parts[2]).arg(parts[3]);
}

QString decode(const QByteArray &bytes)
{
    QByteArray content = bytes;
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    const QList<QByteArray> lines = content.split('\n');
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString line = decoder(lines[i]);
        if (decoder.hasError())
            throw RcError{int(i + 1), QStringLiteral("invalid UTF-8")};
        text += line;
        if (i + 1 < lines.size())
            text += u'\n';
    }
    return text;
}

} // namespace

std::vector<std::uint8_t> stringBlock(const std::map<std::uint16_t, QString> &table, unsigned block)
{
    std::array<QString, StringBlock::kEntryCount> texts;
    for (unsigned position = 0; position < StringBlock::kEntryCount; ++position) {
        const auto found =
            table.find(static_cast<std::uint16_t>((block - 1) * StringBlock::kEntryCount + position));
        if (found != table.end())
            texts[position] = found->second;
    }
    const QByteArray encoded = StringBlock::encode(texts);
    return {encoded.begin(), encoded.end()};
}

QString generate(const Script &script, const QString &scriptName)
{
    QString out;
    QTextStream s(&out);
    s << "// Generated by quiravel_rc from " << scriptName << "; edit the script, not this file.\n"
      << "#include \"resources/Toolkit_LoadResource.h\"\n"
      << "#include \"resources/Version.h\"\n\n"
      << "#include <iterator>\n\n"
      << "namespace {\n\n";

    QStringList entries;
    for (const auto &[language, table] : script.strings) {
        std::vector<unsigned> blocks;
        for (const auto &entry : table) {
            const unsigned block = entry.first / 16u + 1;
            if (blocks.empty() || blocks.back() != block)
                blocks.push_back(block);
        }
        for (const unsigned block : blocks) {
            const QString name = QStringLiteral("block_%1_%2").arg(language).arg(block);
            const std::vector<std::uint8_t> bytes = stringBlock(table, block);
            s << "// language " << language << ", ids " << (block - 1) * 16 << " to " << (block - 1) * 16 + 15
              << "\nalignas(2) const std::uint8_t " << name << "[] = {";
            for (std::size_t i = 0; i < bytes.size(); ++i)
                s << (i % 16 == 0 ? "\n    " : " ")
                  << QStringLiteral("0x%1,").arg(bytes[i], 2, 16, QLatin1Char('0'));
            s << "\n};\n\n";
            entries << QStringLiteral("    {RT_STRING, %1, %2, %3, sizeof(%3)},")
                           .arg(block)
                           .arg(language)
                           .arg(name);
        }
    }
    if (entries.isEmpty()) {
        s << "const ResourceModule module = {nullptr, 0};\n\n";
    } else {
        s << "const ResourceEntry entries[] = {\n"
          << entries.join(u'\n') << "\n};\n\n"
          << "const ResourceModule module = {entries, std::size(entries)};\n\n";
    }

    const VersionInfo version = script.version.value_or(VersionInfo());
    if (version.strings.empty()) {
        s << "const VersionString *const versionStrings = nullptr;\n"
          << "constexpr std::size_t versionStringCount = 0;\n\n";
    } else {
        s << "const VersionString versionStrings[] = {\n";
        for (const auto &[key, value] : version.strings)
            s << "    {" << cppString(key) << ", " << cppString(value) << "},\n";
        s << "};\nconstexpr std::size_t versionStringCount = std::size(versionStrings);\n\n";
    }
    s << "const VersionResource version = {" << versionArray(version.fileVersion) << ", "
      << versionArray(version.productVersion) << ", " << cppString(version.block)
      << ", versionStrings, versionStringCount};\n\n"
      << "} // namespace\n\n"
      << "HMODULE quiravelResourceModule()\n{\n    return &module;\n}\n\n"
      << "const VersionResource &quiravelVersionResource()\n{\n    return version;\n}\n";
    return out;
}

QString listing(const Script &script)
{
    QString out;
    for (const auto &[language, table] : script.strings) {
        for (const auto &[id, text] : table) {
            QString shown = text;
            shown.replace(u'\\', QLatin1String("\\\\"))
                .replace(u'\r', QLatin1String("\\r"))
                .replace(u'\n', QLatin1String("\\n"));
            out += QStringLiteral("%1 %2 %3\n").arg(language).arg(id).arg(shown);
        }
    }
    return out;
}

Script parseScript(const QByteArray &bytes)
{
    return Parser(Lexer(decode(bytes)).tokens()).parse();
}
