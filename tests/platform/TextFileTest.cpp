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

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList readLines(const QString &path)
{
    TextReader reader;
    EXPECT_TRUE(reader.open(path)) << reader.errorString().toStdString();
    QStringList lines;
    while (!reader.atEndOfStream())
        lines.append(reader.readLine());
    reader.close();
    return lines;
}

} // namespace

TEST(text_file_test, reader_splits_lines_as_written_on_either_system)
{
    struct Case
    {
        const char *what;
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF only", "one\ntwo\n", {"one", "two"}},
        {"last line without line end", "one\r\ntwo", {"one", "two"}},
        {"empty file", "", {}},
        {"one empty line", "\r\n", {""}},
        {"empty lines kept", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
        {"lone CR stays in the line", "a\rb\r\n", {"a\rb"}},
        {"single byte text",
         "M\xFC"
         "ller \x80\r\n",
         {QStringLiteral("M\u00FCller \u20AC")}},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("in.htm"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path, c.bytes);
        EXPECT_EQ(readLines(path), c.lines);
    }
}

TEST(text_file_test, reader_reports_missing_files)
{
    QTemporaryDir dir;
    TextReader reader;
    EXPECT_FALSE(reader.open(dir.filePath(QStringLiteral("none.htm"))));
    EXPECT_EQ(reader.errorString(), QStringLiteral("File not found"));
    EXPECT_FALSE(reader.open(dir.filePath(QStringLiteral("no/dir/none.htm"))));
    EXPECT_EQ(reader.errorString(), QStringLiteral("Path not found"));
    EXPECT_TRUE(reader.atEndOfStream());
    EXPECT_EQ(reader.readLine(), QString());
}

TEST(text_file_test, windows_1252_round_trip_of_every_byte)
{
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = Ansi::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Ansi::encode(text), all);

    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x8A), QChar(0x0160));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text.at(undefined), QChar(undefined));
    EXPECT_EQ(text.at(0xE4), QChar(0x00E4));
}

TEST(text_file_test, unencodable_characters_become_question_marks)
{
    EXPECT_EQ(Ansi::encode(u"a\u0100b"), QByteArray("a?b"));
    EXPECT_EQ(Ansi::encode(u"\u4E2D\u6587"), QByteArray("??"));
    // One character outside the basic plane, written as a surrogate pair.
    EXPECT_EQ(Ansi::encode(QString::fromUcs4(U"x\U0001F600y")), QByteArray("x?y"));
    EXPECT_EQ(Ansi::encode(u"\u20AC\u2122\u00FF"), QByteArray("\x80\x99\xFF"));
}

TEST(text_file_test, writer_output_is_exact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.htm"));
    writeBytes(path, QByteArray(100000, 'x'));

    TextWriter writer;
    ASSERT_TRUE(writer.create(path));
    EXPECT_TRUE(writer.isOpen());
    // Replacing empties the file at once.
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_TRUE(writer.writeLine(u"<p>Gr\u00FC\u00DFe \u20AC</p>"));
    EXPECT_TRUE(writer.writeLine(u""));
    EXPECT_TRUE(writer.writeLine(u"\u0100"));
    EXPECT_TRUE(writer.close());
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(readBytes(path), QByteArray("<p>Gr\xFC\xDF"
                                          "e \x80</p>\r\n\r\n?\r\n"));
}

TEST(text_file_test, writer_large_output_round_trips)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.htm"));
    {
        TextWriter writer;
        ASSERT_TRUE(writer.create(path));
        for (int i = 0; i < 200000; ++i)
            ASSERT_TRUE(writer.writeLine(QString::number(i)));
        // The destructor flushes and closes.
    }
    const QStringList lines = readLines(path);
    ASSERT_EQ(lines.size(), 200000);
    EXPECT_EQ(lines.first(), QStringLiteral("0"));
    EXPECT_EQ(lines.last(), QStringLiteral("199999"));
}

TEST(text_file_test, writer_reports_why_it_cannot_create)
{
    QTemporaryDir dir;
    TextWriter writer;
    EXPECT_FALSE(writer.create(dir.filePath(QStringLiteral("missing/out.htm"))));
    EXPECT_EQ(writer.errorString(), QStringLiteral("Path not found"));
    EXPECT_FALSE(writer.isOpen());
    EXPECT_FALSE(writer.writeLine(u"x"));

    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    EXPECT_FALSE(writer.create(locked));
    EXPECT_EQ(writer.errorString(), QStringLiteral("Permission denied"));

    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (QFileInfo(locked).isWritable())
        GTEST_SKIP() << "running with privileges that ignore permissions";
    EXPECT_FALSE(writer.create(locked + QStringLiteral("/out.htm")));
    EXPECT_EQ(writer.errorString(), QStringLiteral("Permission denied"));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(text_file_test, find_no_case)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Device.Files"));
    ASSERT_TRUE(QDir().mkdir(folder));
    writeBytes(folder + QStringLiteral("/Dev049.HTM"), "x");
    writeBytes(folder + QStringLiteral("/exact.htm"), "x");
    writeBytes(folder + QStringLiteral("/EXACT.HTM"), "x");
    ASSERT_TRUE(QDir().mkdir(folder + QStringLiteral("/sub.htm")));

    struct Case
    {
        QString name;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("Dev049.HTM"), QStringLiteral("Dev049.HTM")},
        {QStringLiteral("dev049.htm"), QStringLiteral("Dev049.HTM")},
        {QStringLiteral("DEV049.htm"), QStringLiteral("Dev049.HTM")},
        {QStringLiteral("EXACT.HTM"), QStringLiteral("EXACT.HTM")},
        {QStringLiteral("exact.htm"), QStringLiteral("exact.htm")},
        {QStringLiteral("Dev001.HTM"), QString()},
        {QStringLiteral("SUB.HTM"), QString()},
        {QString(), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString found = TextFile::findNoCase(folder + u'/' + c.name);
        EXPECT_EQ(found, c.expected.isEmpty() ? QString() : folder + u'/' + c.expected);
    }
    EXPECT_EQ(TextFile::findNoCase(dir.filePath(QStringLiteral("nowhere/Dev049.HTM"))), QString());
}
