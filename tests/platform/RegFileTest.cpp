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

RegFile::Value text(const QString &name, const QString &value)
{
    RegFile::Value entry;
    entry.name = name;
    entry.text = value;
    return entry;
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
    };
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        const Document document = parsed(bytes);
        EXPECT_EQ(document.serialize(), bytes);
        ASSERT_TRUE(
            document.value(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\first"), QStringLiteral("blob")));
        EXPECT_EQ(document.value(QStringLiteral("HKCU\\Software\\First"), QStringLiteral("Blob"))->bytes,
                  QByteArray("\x01\x02\x03"));
        EXPECT_EQ(document.value(QStringLiteral("HKCU\\Software\\Second"), QStringLiteral("Umlaut"))->text,
                  QStringLiteral("M\u00FCller"));
    }
}

TEST(reg_file_test, changes_keep_comments_and_unknown_lines_in_place)
{
    Document document = parsed(kCommented);
    const QString first = QStringLiteral("HKEY_CURRENT_USER\\Software\\First");
    document.setValue(first, text(QStringLiteral("change"), QStringLiteral("new")));
    document.setValue(first, text(QStringLiteral("Added"), QStringLiteral("a \"quoted\" C:\\path")));
    document.setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Third"), text({}, QStringLiteral("3")));
    EXPECT_TRUE(document.deleteTree(QStringLiteral("HKEY_CURRENT_USER\\Software\\Second")));
    EXPECT_FALSE(document.deleteTree(QStringLiteral("HKEY_CURRENT_USER\\Software\\Second")));
    EXPECT_EQ(document.serialize(), QByteArray("Windows Registry Editor Version 5.00\r\n"
                                               "\r\n"
                                               "; written by hand\r\n"
                                               "[HKEY_CURRENT_USER\\Software\\First]\r\n"
                                               "\"Keep\"=\"as it was\"   \r\n"
                                               "\"change\"=\"new\"\r\n"
                                               "something this reader does not know\r\n"
                                               "\"Blob\"=hex:01,02,\\\r\n"
                                               "  03\r\n"
                                               "\"Added\"=\"a \\\"quoted\\\" C:\\\\path\"\r\n"
                                               "\r\n"
                                               "[HKEY_CURRENT_USER\\Software\\Third]\r\n"
                                               "@=\"3\"\r\n"
                                               "\r\n"));
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
    EXPECT_FALSE(document.value(QStringLiteral("HKEY_CLASSES_ROOT\\C"), QStringLiteral("X")));
    ASSERT_TRUE(document.value(QStringLiteral("HKEY_CLASSES_ROOT\\C"), QStringLiteral("Y")));
    EXPECT_EQ(document.value(QStringLiteral("HKEY_CLASSES_ROOT\\C"), QStringLiteral("Y"))->text,
              QStringLiteral("2"));
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
