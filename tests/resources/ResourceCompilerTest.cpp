#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct RunResult
{
    int exitCode;
    QString output;
    QString errors;
};

RunResult compile(const QTemporaryDir &dir, const QByteArray &script, const QStringList &mode)
{
    QFile file(dir.filePath(QStringLiteral("script.rc")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script);
    file.close();
    QProcess tool;
    tool.start(QStringLiteral(QUIRAVEL_RC_TOOL), QStringList{file.fileName()} + mode);
    EXPECT_TRUE(tool.waitForFinished(30000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
}

} // namespace

TEST(resources_test, compiler_rejects_a_malformed_script_with_its_line)
{
    const struct
    {
        QByteArray script;
        int line;
        const char *message;
    } cases[] = {
        {"LANGUAGE LANG_KLINGON, SUBLANG_DEFAULT\n", 1, "unknown language name 'LANG_KLINGON'"},
        {"// German\nLANGUAGE LANG_GERMAN, SUBLANG_ENGLISH_US\n", 2, "SUBLANG_ENGLISH_US does not belong"},
        {"STRINGTABLE\nBEGIN\n  101 \"a\"\n  101 \"b\"\nEND\n", 4, "duplicate string id 101 in language 0"},
        {"STRINGTABLE\nBEGIN\n  101 \"open\nEND\n", 3, "unterminated string"},
        {"STRINGTABLE\nBEGIN\n  101 \"a\\q\"\nEND\n", 3, "unknown escape sequence '\\q'"},
        {"STRINGTABLE\nBEGIN\n  101 \"a\"", 3, "expected a number, found end of file"},
        {"#include \"other.h\"\n", 1, "unsupported preprocessor directive"},
        {"// fine\n\"\xff\"\n", 2, "invalid UTF-8"},
        {"1 VERSIONINFO\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"0407\"\n", 5,
         "not eight hex digits"},
    };
    for (const auto &c : cases) {
        const QTemporaryDir dir;
        const QString output = dir.filePath(QStringLiteral("out.cpp"));
        const RunResult result = compile(dir, c.script, {QStringLiteral("-o"), output});
        EXPECT_EQ(result.exitCode, 1) << c.script.constData();
        const QString prefix =
            QStringLiteral("%1:%2: ").arg(dir.filePath(QStringLiteral("script.rc"))).arg(c.line);
        EXPECT_TRUE(result.errors.startsWith(prefix))
            << qPrintable(result.errors) << " expected " << qPrintable(prefix);
        EXPECT_TRUE(result.errors.contains(QLatin1String(c.message))) << qPrintable(result.errors);
        EXPECT_FALSE(QFile::exists(output)) << c.script.constData();
    }
}

TEST(resources_test, compiler_computes_language_ids_and_decodes_strings)
{
    const QByteArray script = "LANGUAGE LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN\n"
                              "STRINGTABLE\nBEGIN\n  5, \"a\"\"b\" /* note */ \"\\\\\"\nEND\n"
                              "LANGUAGE 0x09, 2\n"
                              "STRINGTABLE DISCARDABLE\nBEGIN\n  6 L\"x\\r\\n\"\n    \"y \\t\"\nEND\n"
                              "STRINGTABLE LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\n{\n  7 \"n\xc3\xa4\"\n}\n";
    const QTemporaryDir dir;
    const RunResult result = compile(dir, script, {QStringLiteral("--list")});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.errors);
    EXPECT_EQ(result.output, QStringLiteral("0 7 n\u00e4\n2057 6 x\\r\\ny \t\n3079 5 a\"b\\\\\n"));
}
