// SPDX-License-Identifier: Apache-2.0
#include "platform/TextFile.h"
#include "tests/support/FileGuards.h"

#include <QTemporaryDir>

// Print files and the default report are HTML in Windows-1252: a character
// the code page lacks is kept as a reference the page shows as the character.
TEST(iodd_test, characters_beyond_the_code_page_are_written_as_references)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PRN.HTM"));
    TextWriter writer;
    ASSERT_TRUE(writer.create(path));
    const QString line = QStringLiteral("R = 12 \u03A9, \u33AD, \u00E4\u20AC?, ") +
                         QString::fromUcs4(U"\U0001F600") + QStringLiteral(" and a lone ") + QChar(0xD800) +
                         QStringLiteral(" ") + QString(40, u'\u03A9');
    ASSERT_TRUE(writer.writeLine(line));
    ASSERT_TRUE(writer.close());
    QByteArray expected = "R = 12 &#937;, &#13229;, \xE4\x80?, &#128512; and a lone ? ";
    for (int i = 0; i < 40; ++i)
        expected += "&#937;";
    EXPECT_EQ(readBytes(path), expected + "\r\n");
    EXPECT_EQ(Ansi::encodeWithReferences(line), expected);
    // Elsewhere (names in the registry, say) the code page's own "?" stays.
    EXPECT_EQ(Ansi::encode(u"12 \u03A9"), QByteArray("12 ?"));
}
