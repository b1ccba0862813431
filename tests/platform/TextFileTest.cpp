#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList readLines(const QString &path)
{
    TextReader reader;
    EXPECT_TRUE(reader.open(path)) << reader.errorString().toStdString();
    QStringList lines;
    while (!reader.atEndOfStream())
        lines.append(reader.readLine());
    return lines;
}

} // namespace

TEST(text_file_test, reader_splits_lines_as_written_on_either_system)
{
    const struct
    {
        const char *what;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"last line without line end", "one\r\ntwo", {"one", "two"}},
        {"empty file", "", {}},
        {"empty lines kept", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
        {"lone CR stays in the line", "a\rb\r\n", {"a\rb"}},
        {"single byte text", "M\xFCller \x80\r\n", {QStringLiteral("M\u00FCller \u20AC")}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.htm"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path, c.bytes);
        EXPECT_EQ(readLines(path), c.lines);
    }

    TextReader reader;
    EXPECT_FALSE(reader.open(dir.filePath(QStringLiteral("none.htm"))));
    EXPECT_EQ(reader.errorString(), QStringLiteral("File not found"));
    EXPECT_FALSE(reader.open(dir.filePath(QStringLiteral("no/dir/none.htm"))));
    EXPECT_EQ(reader.errorString(), QStringLiteral("Path not found"));
    EXPECT_TRUE(reader.atEndOfStream());
}

TEST(text_file_test, windows_1252_round_trip_and_question_marks_for_the_rest)
{
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = Ansi::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Ansi::encode(text), all);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text.at(undefined), QChar(undefined));

    EXPECT_EQ(Ansi::encode(u"a\u0100b\u4E2D"), QByteArray("a?b?"));
    // One character outside the basic plane is one "?", not two.
    EXPECT_EQ(Ansi::encode(QString::fromUcs4(U"x\U0001F600y")), QByteArray("x?y"));
}

TEST(text_file_test, writer_replaces_the_file_with_exact_bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.htm"));
    writeBytes(path, QByteArray(100000, 'x'));
    {
        TextWriter writer;
        ASSERT_TRUE(writer.create(path));
        // The old file stays whole until the new one is.
        EXPECT_EQ(QFileInfo(path).size(), 100000);
        EXPECT_TRUE(writer.writeLine(u"<p>Gr\u00FC\u00DFe \u20AC</p>"));
        EXPECT_TRUE(writer.writeLine(u""));
        EXPECT_TRUE(writer.writeLine(u"\u0100"));
        EXPECT_TRUE(writer.close());
        EXPECT_FALSE(writer.isOpen());
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("<p>Gr\xFC\xDF"
                                         "e \x80</p>\r\n\r\n?\r\n"));
}

TEST(text_file_test, find_no_case)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Device.Files"));
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const char *name : {"Dev049.HTM", "exact.htm", "EXACT.HTM"})
        writeBytes(folder + u'/' + QLatin1String(name), "x");
    ASSERT_TRUE(QDir().mkdir(folder + QStringLiteral("/sub.htm")));

    const std::pair<const char *, const char *> cases[] = {
        {"Dev049.HTM", "Dev049.HTM"}, {"dev049.htm", "Dev049.HTM"}, {"exact.htm", "exact.htm"},
        {"Dev001.HTM", nullptr},      {"SUB.HTM", nullptr},
    };
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(TextFile::findNoCase(folder + u'/' + QLatin1String(name)),
                  expected ? folder + u'/' + QLatin1String(expected) : QString())
            << name;
    EXPECT_EQ(TextFile::findNoCase(dir.filePath(QStringLiteral("nowhere/Dev049.HTM"))), QString());
}
