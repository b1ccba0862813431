// SPDX-License-Identifier: Apache-2.0
#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(text_file_test, reader_names_what_is_missing_and_decodes_windows_1252)
{
    QTemporaryDir dir;
    TextReader reader;
    EXPECT_FALSE(reader.open(dir.filePath(QStringLiteral("none.htm"))));
    EXPECT_EQ(reader.errorString(), QStringLiteral("File not found"));
    EXPECT_FALSE(reader.open(dir.filePath(QStringLiteral("no/dir/none.htm"))));
    EXPECT_EQ(reader.errorString(), QStringLiteral("Path not found"));
    EXPECT_TRUE(reader.atEndOfStream());

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

TEST(text_file_test, find_no_case)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Device.Files"));
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const char *name : {"Dev049.HTM", "exact.htm", "EXACT.HTM"}) {
        QFile file(folder + u'/' + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
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
