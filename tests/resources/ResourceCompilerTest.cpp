// SPDX-License-Identifier: Apache-2.0
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

TEST(resources_test, compiler_rejects_a_malformed_script_with_its_line)
{
    const std::tuple<QByteArray, int, const char *> cases[] = {
        {"LANGUAGE LANG_KLINGON, SUBLANG_DEFAULT\n", 1, "unknown language name 'LANG_KLINGON'"},
        {"STRINGTABLE\nBEGIN\n  101 \"a\"\n  101 \"b\"\nEND\n", 4, "duplicate string id 101 in language 0"},
        {"STRINGTABLE\nBEGIN\n  101 \"open\nEND\n", 3, "unterminated string"},
        {"#include \"other.h\"\n", 1, "unsupported preprocessor directive"},
    };
    for (const auto &[text, line, message] : cases) {
        const QTemporaryDir dir;
        QFile script(dir.filePath(QStringLiteral("script.rc")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(text);
        script.close();
        const QString output = dir.filePath(QStringLiteral("out.cpp"));
        QProcess tool;
        tool.start(QStringLiteral(QUIRAVEL_RC_TOOL), {script.fileName(), QStringLiteral("-o"), output});
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), 1) << text.constData();
        const QString errors = QString::fromUtf8(tool.readAllStandardError());
        const QString prefix = QStringLiteral("%1:%2: ").arg(script.fileName()).arg(line);
        EXPECT_TRUE(errors.startsWith(prefix)) << qPrintable(errors) << " expected " << qPrintable(prefix);
        EXPECT_TRUE(errors.contains(QLatin1String(message))) << qPrintable(errors);
        EXPECT_FALSE(QFile::exists(output)) << text.constData();
    }
}
