// SPDX-License-Identifier: Apache-2.0
#include "platform/RegFile.h"
#include "platform/TextFile.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using RegFile::Document;

namespace {

Document parsed(const QByteArray &bytes)
{
    QString error;
    std::optional<Document> document = Document::parse(bytes, &error);
    EXPECT_TRUE(document) << error.toStdString();
    return document ? std::move(*document) : Document();
}

RegFile::Value text(const char *name, const char *value)
{
    RegFile::Value entry;
    entry.name = QString::fromUtf8(name);
    entry.text = QString::fromUtf8(value);
    return entry;
}

const RegFile::Value *at(const Document &document, const char *key, const char *name)
{
    return document.value(QString::fromUtf8(key), QString::fromUtf8(name));
}

const QByteArray kCommented = "Windows Registry Editor Version 5.00\r\n"
                              "\r\n"
                              "; written by hand\r\n"
                              "[HKEY_CURRENT_USER\\Software\\First]\r\n"
                              "\"Keep\"=\"as it was\"   \r\n"
                              "\"Change\"=\"old\"\r\n"
                              "something this reader does not know\r\n"
                              "\"Blob\"=hex:01,02,\\\r\n"
                              "  03\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Second]\r\n"
                              "; about the second\r\n"
                              "@=\"2\"\r\n";

} // namespace

TEST(reg_file_test, unchanged_files_are_written_back_byte_for_byte)
{
    const QString sample = QString::fromUtf8(kCommented) + QStringLiteral("\"Umlaut\"=\"M\u00FCller\"\r\n");
    QString lfOnly = sample;
    lfOnly.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString regedit4 = sample;
    regedit4.replace(QStringLiteral("Windows Registry Editor Version 5.00"), QStringLiteral("REGEDIT4"));
    const std::pair<const char *, QByteArray> files[] = {
        {"UTF-8, CR LF", sample.toUtf8()},
        {"UTF-8, LF", lfOnly.toUtf8()},
        {"no line end at the end", sample.chopped(2).toUtf8()},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + sample.toUtf8()},
        {"UTF-16LE", QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(sample)},
        {"REGEDIT4 in ANSI", Ansi::encode(regedit4)},
        {"a header without a path", Ansi::encode(QStringLiteral("REGEDIT4\r\n[]") + regedit4.mid(8))},
    };
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        const Document document = parsed(bytes);
        EXPECT_EQ(document.serialize(), bytes);
        ASSERT_TRUE(at(document, "HKEY_CURRENT_USER\\SOFTWARE\\first", "blob"));
        EXPECT_EQ(at(document, "HKCU\\Software\\First", "Blob")->bytes, QByteArray("\x01\x02\x03"));
        EXPECT_EQ(at(document, "HKCU\\Software\\Second", "Umlaut")->text, QStringLiteral("M\u00FCller"));
    }
}

TEST(reg_file_test, changes_keep_comments_and_unknown_lines_in_place)
{
    Document document = parsed(kCommented);
    const QString first = QStringLiteral("HKEY_CURRENT_USER\\Software\\First");
    document.setValue(first, text("change", "new"));
    document.setValue(first, text("Added", "a \"quoted\" C:\\path"));
    document.setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Third"), text("", "3"));
    EXPECT_TRUE(document.deleteTree(QStringLiteral("HKEY_CURRENT_USER\\Software\\Second")));
    EXPECT_FALSE(document.deleteTree(QStringLiteral("HKEY_CURRENT_USER\\Software\\Second")));
    QByteArray expected = kCommented.left(kCommented.indexOf("[HKEY_CURRENT_USER\\Software\\Second]"));
    expected.replace("\"Change\"=\"old\"", "\"change\"=\"new\"")
        .replace("  03\r\n", "  03\r\n\"Added\"=\"a \\\"quoted\\\" C:\\\\path\"\r\n");
    EXPECT_EQ(document.serialize(), expected + "[HKEY_CURRENT_USER\\Software\\Third]\r\n@=\"3\"\r\n\r\n");
    EXPECT_TRUE(document.hasKey(QStringLiteral("HKEY_CURRENT_USER\\software")));
    EXPECT_FALSE(document.hasKey(QStringLiteral("HKEY_CURRENT_USER\\Software\\Second")));
}

TEST(reg_file_test, deletions_in_the_file_take_effect_in_order)
{
    const Document document = parsed("REGEDIT4\n"
                                     "[HKEY_CLASSES_ROOT\\A\\B]\n\"X\"=\"1\"\n\"Y\"=\"1\"\n"
                                     "[-HKEY_CLASSES_ROOT\\A]\n"
                                     "[HKEY_CLASSES_ROOT\\C]\n\"X\"=\"1\"\n\"Y\"=\"1\"\n\"X\"=-\n"
                                     "[HKEY_CLASSES_ROOT\\C]\n\"Y\"=\"2\"\n");
    EXPECT_FALSE(document.hasKey(QStringLiteral("HKEY_CLASSES_ROOT\\A\\B")));
    EXPECT_FALSE(document.hasKey(QStringLiteral("HKEY_CLASSES_ROOT\\A")));
    EXPECT_FALSE(at(document, "HKEY_CLASSES_ROOT\\C", "X"));
    ASSERT_TRUE(at(document, "HKEY_CLASSES_ROOT\\C", "Y"));
    EXPECT_EQ(at(document, "HKEY_CLASSES_ROOT\\C", "Y")->text, QStringLiteral("2"));
    EXPECT_EQ(document.values(QStringLiteral("HKEY_CLASSES_ROOT\\C")).size(), 1);
}

TEST(reg_file_test, anything_but_an_export_is_refused)
{
    for (const QByteArray &bytes : {QByteArray("[HKEY_CURRENT_USER\\X]\r\n"),
                                    QByteArray("\x7f"
                                               "ELF\x02\x01"),
                                    QByteArray("Windows Registry Editor Version 4.00\r\n")}) {
        QString error;
        EXPECT_FALSE(Document::parse(bytes, &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("not a registry export"))) << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(Document::parse("\r\n \r\n", &error));
}

TEST(reg_file_test, regedit4_files_stay_ansi_whatever_their_bytes)
{
    // "\xC3\xA9" is UTF-8 too: once the key holding the byte that is not
    // goes, only the header can tell the file's encoding.
    Document document = parsed("REGEDIT4\r\n"
                               "[HKEY_CURRENT_USER\\A]\r\n"
                               "\"x\"=\"M\xFCller\"\r\n"
                               "[HKEY_CURRENT_USER\\B]\r\n"
                               "\"y\"=\"\xC3\xA9\"\r\n");
    const QString expected = QStringLiteral("\u00C3\u00A9");
    ASSERT_TRUE(at(document, "HKEY_CURRENT_USER\\B", "y"));
    EXPECT_EQ(at(document, "HKEY_CURRENT_USER\\B", "y")->text, expected);
    EXPECT_TRUE(document.deleteTree(QStringLiteral("HKEY_CURRENT_USER\\A")));
    const Document again = parsed(document.serialize());
    ASSERT_TRUE(at(again, "HKEY_CURRENT_USER\\B", "y"));
    EXPECT_EQ(at(again, "HKEY_CURRENT_USER\\B", "y")->text, expected);
}

TEST(reg_file_test, lines_not_changed_keep_their_bytes_line_ends_and_duplicates)
{
    // Line ends of every kind, a value set twice, one deleted and set again,
    // a continuation with a line end of its own: all as they stood.
    const QByteArray bytes = "Windows Registry Editor Version 5.00\r\n"
                             "[HKEY_CURRENT_USER\\A]\r\r\n"
                             "\"X\"=\"first\"\n"
                             "\"X\"=\"second\"\r\r\n"
                             "\"Y\"=\"1\"\r\n"
                             "\"Y\"=-\r\n"
                             "\"B\"=hex:01,\\\r\r\n"
                             "  02\n"
                             "; note\r\r";
    Document document = parsed(bytes);
    EXPECT_EQ(document.serialize(), bytes);
    EXPECT_EQ(at(document, "HKEY_CURRENT_USER\\A", "X")->text, QStringLiteral("second"));
    EXPECT_FALSE(at(document, "HKEY_CURRENT_USER\\A", "Y"));
    EXPECT_EQ(document.values(QStringLiteral("HKEY_CURRENT_USER\\A")).size(), 2);

    document.setValue(QStringLiteral("HKEY_CURRENT_USER\\A"), text("X", "third"));
    document.setValue(QStringLiteral("HKEY_CURRENT_USER\\C"), text("New", "1"));
    const QByteArray written = document.serialize();
    EXPECT_TRUE(written.startsWith(QByteArray(bytes).replace("\"second\"", "\"third\"") + "\r\n"))
        << written.toStdString();
    const Document again = parsed(written);
    EXPECT_EQ(at(again, "HKEY_CURRENT_USER\\A", "X")->text, QStringLiteral("third"));
    EXPECT_FALSE(at(again, "HKEY_CURRENT_USER\\A", "Y"));
    EXPECT_EQ(at(again, "HKEY_CURRENT_USER\\C", "New")->text, QStringLiteral("1"));
    EXPECT_EQ(again.serialize(), written);

    // Deleting the key takes every line of its values, the duplicates too.
    document.deleteTree(QStringLiteral("HKEY_CURRENT_USER\\A"));
    EXPECT_FALSE(parsed(document.serialize()).hasKey(QStringLiteral("HKEY_CURRENT_USER\\A")));
}

TEST(reg_file_test, a_key_whose_path_ends_in_a_blank_and_a_backslash_reads_back_as_set)
{
    // Blanks and backslashes at a path's end, and characters an ANSI file
    // holds in one byte each.
    Document document = parsed("REGEDIT4\r\n");
    for (const QString &path :
         {QStringLiteral("HKCU\\Software\r\\"), QStringLiteral("HKCU\\Soft ware \\\\ "),
          QStringLiteral("HKCU\\Software\t\\ \\"), QStringLiteral("Root\u00B5\u00FF\\Key")}) {
        document.setValue(path, text("v", "1"));
        const QString key = RegFile::canonicalPath(path);
        EXPECT_EQ(RegFile::canonicalPath(key), key) << path.toStdString();
        const Document again = parsed(document.serialize());
        EXPECT_TRUE(again.hasKey(path)) << path.toStdString();
        EXPECT_TRUE(again.value(path, QStringLiteral("v"))) << path.toStdString();
    }
    EXPECT_EQ(RegFile::canonicalPath(QStringLiteral("Root\u00B5\u00FF\\Key")),
              QStringLiteral("ROOT\u00B5\u00FF\\Key"));
    // The empty path keeps its values apart from the key before it.
    document.setValue(QString(), text("y", "2"));
    const Document again = parsed(document.serialize());
    EXPECT_FALSE(again.value(QStringLiteral("Root\u00B5\u00FF\\Key"), QStringLiteral("y")));
    ASSERT_TRUE(at(again, "", "y"));
    EXPECT_EQ(again.serialize(), document.serialize());
}
