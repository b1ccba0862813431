// SPDX-License-Identifier: Apache-2.0
#include "printfile/TemplatePrintFile.h"
#include "PrintFileTestSupport.h"
#include "platform/TextFile.h"
#include "printfile/TagSubstitution.h"
#include "tests/support/FileGuards.h"

#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PrintFile : public HostDevice
{
public:
    PrintFile()
    {
        model.setApplicationValue(QStringLiteral("Range"), QStringLiteral("0..100 \xb0"
                                                                          "C"));
        model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Gerätebau"));
    }

    PrintFileResult run(const QByteArray &templateBytes)
    {
        writeBytes(templatePath, templateBytes);
        return copy();
    }

    /// Copies the template as it is.
    PrintFileResult copy()
    {
        TemplateGuard guard(templatePath);
        const TagContext c = context();
        return writeTemplatePrintFile(templatePath, printPath,
                                      [&](QString &line) { FillTemplateLine(line, c); });
    }

    /// Entries of the folder besides the template: a run leaves no file
    /// begun and not finished.
    QStringList leftBeside() const
    {
        QStringList entries =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        entries.removeAll(QStringLiteral("Dev049.HTM"));
        return entries;
    }

    QTemporaryDir dir;
    QString templatePath = dir.filePath(QStringLiteral("Dev049.HTM"));
    QString printPath = dir.filePath(QStringLiteral("DevPRN.HTM"));
};

TEST(template_print_file_test, print_file_path_cuts_language_code_and_extension_of_the_file_name)
{
    const std::pair<const char *, const char *> cases[] = {
        {"C:\\Data\\Dev049.HTM", "C:\\Data\\DevPRN.HTM"},
        {"/srv/dev.d/Sensor001", "/srv/dev.d/SensorPRN.HTM"},
        {"C:\\a.b\\x.y/ab.htm", "C:\\a.b\\x.y/PRN.HTM"},
        {"/srv/Dev.v2.049.HTM", "/srv/Dev.v2.PRN.HTM"},
    };
    for (const auto &[templatePath, printPath] : cases)
        EXPECT_EQ(printFilePathFor(QString::fromUtf8(templatePath)), QString::fromUtf8(printPath))
            << templatePath;
}

/// What the print file must hold, worked out without the reader under test:
/// the template split at every LF, one CR before it dropped, a last line
/// without line end kept (a CR it ends in too), #VENDOR# filled in, each
/// line ended in CR LF.
QByteArray expectedCopy(const QByteArray &templateBytes)
{
    QByteArrayList lines = templateBytes.split('\n');
    const bool lastEnded = lines.last().isEmpty();
    if (lastEnded)
        lines.removeLast();
    QByteArray expected;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r') && (i + 1 < lines.size() || lastEnded))
            line.chop(1);
        expected += line.replace("#VENDOR#", "Ger\xe4tebau") + "\r\n";
    }
    return expected;
}

/// A template in which `feature` stands so that its byte `at` is the byte
/// `shift` places behind each of the reader's first two chunk boundaries,
/// among lines with and without tags.
QByteArray acrossChunks(const QByteArray &feature, qsizetype at, qsizetype shift)
{
    QByteArray bytes;
    for (qsizetype boundary : {TextReader::kReadChunkSize, 2 * TextReader::kReadChunkSize}) {
        const qsizetype start = boundary + shift - at;
        // Long lines keep the count of lines (and of tag lookups) small.
        const QByteArray text(160, 'y');
        for (int n = 0; start - bytes.size() >= 500; ++n)
            bytes += n % 3 ? "<p>" + text + QByteArray::number(n) + "</p>\r\n"
                           : "<td>#VENDOR#</td><td>" + text + QByteArray::number(n) + "</td>\r\n";
        bytes += QByteArray(start - bytes.size() - 2, 'x') + "\r\n";
        bytes += feature;
    }
    return bytes + "<p>end #VENDOR#</p>\r\n";
}

TEST(template_print_file_test, large_templates_are_copied_exactly_across_read_chunks)
{
    // What, the feature, and its byte that meets the boundary.
    const std::tuple<const char *, QByteArray, char> cases[] = {
        {"CR LF split", "<p>#VENDOR#</p>\r\n", '\n'},  {"CR LF split, no tag", "<p>plain</p>\r\n", '\n'},
        {"tag across", "<p>#VENDOR#</p>\r\n", 'N'},    {"marker at", "<p>#VENDOR#</p>\r\n", '#'},
        {"lone CR", "<p>a\rb #VENDOR#</p>\r\n", '\r'}, {"lone CR, no tag", "<p>a\rb</p>\r\n", '\r'},
        {"lone LF", "<p>#VENDOR# lf</p>\n", '\n'},     {"lone LF, no tag", "<p>lf only</p>\n", '\n'},
        {"empty lines", "\r\n\n\r\n", '\n'},
    };
    PrintFile host;
    // Two megabytes of tags would only fill the call log.
    host.model.setCallLogEnabled(false);
    for (const auto &[what, feature, landing] : cases) {
        for (qsizetype shift : {-1, 0, 1}) {
            const QByteArray bytes = acrossChunks(feature, feature.indexOf(landing), shift);
            ASSERT_TRUE(host.run(bytes).succeeded()) << what;
            const QByteArray copy = readBytes(host.printPath);
            const QByteArray expected = expectedCopy(bytes);
            if (copy == expected)
                continue;
            // The first differing offset says more than two megabytes of bytes.
            const auto differs =
                std::mismatch(copy.cbegin(), copy.cend(), expected.cbegin(), expected.cend());
            ADD_FAILURE() << what << ", shift " << shift << ": sizes " << copy.size() << " and "
                          << expected.size() << ", first difference at " << (differs.first - copy.cbegin());
        }
    }
}

TEST(template_print_file_test, a_last_line_ending_in_a_bare_cr_keeps_it)
{
    PrintFile host;
    const QByteArray cases[] = {"<p>a</p>\r\n<p>#VENDOR#</p>\r", "<p>a</p>\r\n<p>plain</p>\r", "\r",
                                "<p>a\rb</p>\r\r", acrossChunks("<p>#VENDOR#</p>\r\n", 0, 0) + "end\r"};
    for (const QByteArray &bytes : cases) {
        ASSERT_TRUE(host.run(bytes).succeeded()) << bytes.right(40).toStdString();
        EXPECT_EQ(readBytes(host.printPath), expectedCopy(bytes)) << bytes.right(40).toStdString();
    }
    EXPECT_EQ(expectedCopy("x\r"), QByteArray("x\r\r\n")) << "the expectation itself";
}

TEST(template_print_file_test, a_link_at_the_print_file_name_is_replaced_never_written_through)
{
    const QByteArray templateBytes = "<p>#VENDOR#</p>\r\n";
    const QByteArray foreignBytes = "someone else's file\r\n";
    for (const bool symbolic : {true, false}) {
        for (const bool toTemplate : {true, false}) {
            SCOPED_TRACE(std::string(symbolic ? "symbolic" : "hard") + " link to " +
                         (toTemplate ? "the template" : "a foreign file"));
            PrintFile host;
            writeBytes(host.templatePath, templateBytes);
            const QString foreign = host.dir.filePath(QStringLiteral("foreign.txt"));
            writeBytes(foreign, foreignBytes);
            const QByteArray target = QFile::encodeName(toTemplate ? host.templatePath : foreign);
            const QByteArray link = QFile::encodeName(host.printPath);
            ASSERT_EQ(symbolic ? ::symlink(target.constData(), link.constData())
                               : ::link(target.constData(), link.constData()),
                      0);

            ASSERT_TRUE(host.run(templateBytes).succeeded());
            EXPECT_EQ(readBytes(host.templatePath), templateBytes);
            EXPECT_EQ(readBytes(foreign), foreignBytes);
            struct stat info;
            ASSERT_EQ(::lstat(link.constData(), &info), 0);
            EXPECT_TRUE(S_ISREG(info.st_mode));
            EXPECT_EQ(info.st_nlink, 1u);
            EXPECT_EQ(readBytes(host.printPath), QByteArray("<p>Ger\xe4tebau</p>\r\n"));
        }
    }
}

TEST(template_print_file_test, a_template_named_as_its_own_print_file_is_never_replaced)
{
    PrintFile host;
    // "DevPRN.HTM" cut by the rule is "DevPRN.HTM" again.
    host.templatePath = host.printPath;
    const QByteArray templateBytes = "<p>#VENDOR#</p>\r\n";
    const PrintFileResult result = host.run(templateBytes);
    EXPECT_TRUE(result.templateOpened);
    EXPECT_EQ(result.failedPath, host.printPath);
    EXPECT_EQ(result.reason, QStringLiteral("It is one of the files this run reads"));
    EXPECT_EQ(readBytes(host.printPath), templateBytes);
    EXPECT_EQ(host.leftBeside(), QStringList({"DevPRN.HTM"}));
}

TEST(template_print_file_test, a_line_whose_tag_fails_is_written_as_read_and_the_copy_goes_on)
{
    PrintFile host;
    // Too large for an enumeration number: the lookup fails on this line only.
    host.addEnumObject(QStringLiteral("Mode"), QStringLiteral("99999999999"));
    EXPECT_TRUE(
        host.run("<p>#VENDOR#</p>\r\n<p>#VENDOR# #Mode# #Range#</p>\r\n<p>#Range#</p>\r\n").succeeded());
    EXPECT_EQ(readBytes(host.printPath), QByteArray("<p>Ger\xe4tebau</p>\r\n"
                                                    "<p>#VENDOR# #Mode# #Range#</p>\r\n"
                                                    "<p>0..100 \xb0"
                                                    "C</p>\r\n"));
    host.expectEverythingReleased();
}

/// What `run` logs in the "quiravel.*" categories under the filter `rules`.
QStringList quiravelLog(const QString &rules, const std::function<void()> &run)
{
    static QStringList logged;
    logged.clear();
    QLoggingCategory::setFilterRules(rules);
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &context, const QString &text) {
            if (context.category && QByteArrayView(context.category).startsWith("quiravel."))
                logged.append(QString::fromLatin1(context.category) + QStringLiteral(": ") + text);
        });
    run();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    return logged;
}

TEST(template_print_file_test, a_tag_failure_kept_from_the_caller_is_logged_only_when_asked_for)
{
    // Rules from the environment outrank the ones set here.
    if (qEnvironmentVariableIsSet("QT_LOGGING_RULES") || qEnvironmentVariableIsSet("QT_LOGGING_CONF"))
        GTEST_SKIP() << "logging rules come from the environment";
    PrintFile host;
    host.addEnumObject(QStringLiteral("Mode"), QStringLiteral("1"));
    host.model.failOperation(QStringLiteral("GetEnumerationEntries"), E_ACCESSDENIED);
    const auto run = [&] { EXPECT_TRUE(host.run("<p>#Mode#</p>\r\n").succeeded()); };
    EXPECT_EQ(quiravelLog(QString(), run), QStringList());
    EXPECT_EQ(quiravelLog(QStringLiteral("quiravel.*=true"), run),
              QStringList(QStringLiteral("quiravel.printfile: ") + host.templatePath +
                          QStringLiteral(": the line \"<p>#Mode#</p>\" is written as read, a tag "
                                         "in it failed: status 0x80070005 (Permission denied)")));
}

TEST(template_print_file_test, a_copy_that_cannot_be_completed_leaves_no_page_and_says_why)
{
    // A folder in the way of the print file.
    {
        PrintFile host;
        ASSERT_TRUE(QDir().mkdir(host.printPath));
        const PrintFileResult result = host.run("#VENDOR#\r\n");
        EXPECT_TRUE(result.templateOpened);
        EXPECT_EQ(result.failedPath, host.printPath);
        EXPECT_EQ(result.reason, QStringLiteral("Is a directory"));
        EXPECT_TRUE(QFileInfo(host.printPath).isDir());
    }
    // The disk fills up part-way: the older page goes too.
    {
        PrintFile host;
        QByteArray templateBytes;
        for (int i = 0; i < 5000; ++i)
            templateBytes += "<p>#VENDOR# " + QByteArray::number(i) + "</p>\r\n";
        writeBytes(host.printPath, "<p>the page of an earlier run</p>\r\n");
        writeBytes(host.templatePath, templateBytes);
        PrintFileResult result;
        {
            ScopedFileSizeLimit full(16 * 1024);
            ASSERT_TRUE(full.isSet());
            result = host.copy();
        }
        EXPECT_TRUE(result.templateOpened);
        EXPECT_EQ(result.failedPath, host.printPath);
        EXPECT_EQ(result.reason, QStringLiteral("File too large"));
        EXPECT_EQ(host.leftBeside(), QStringList());
    }
}

TEST(template_print_file_test, only_regular_files_count_as_templates_and_none_blocks)
{
    QTemporaryDir dir;
    const QString directory = dir.path() + u'/';
    const QByteArray path = QFile::encodeName(directory + QStringLiteral("dev049.htm"));
    const std::tuple<const char *, std::function<bool()>, const char *> cases[] = {
        {"FIFO", [&] { return ::mkfifo(path.constData(), 0600) == 0; }, "Not a regular file (a FIFO)"},
        {"link to /dev/zero", [&] { return ::symlink("/dev/zero", path.constData()) == 0; },
         "Not a regular file (a device)"},
        {"directory", [&] { return QDir().mkdir(QFile::decodeName(path)); },
         "Not a regular file (a directory)"},
        {"dangling link", [&] { return ::symlink("gone.htm", path.constData()) == 0; },
         "File not found (a dangling link)"},
    };
    for (const auto &[what, make, reason] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(make());
        QString whyNot;
        EXPECT_EQ(findTemplate(directory, QStringLiteral("DEV049.HTM"), &whyNot), QString());
        EXPECT_EQ(whyNot, QLatin1StringView(reason));
        // Handed over directly, it is refused as well, without waiting.
        const PrintFileResult result =
            writeTemplatePrintFile(QFile::decodeName(path), directory + "DevPRN.HTM", [](QString &) {});
        EXPECT_FALSE(result.templateOpened);
        if (QByteArrayView(reason).startsWith("Not")) {
            EXPECT_EQ(result.reason, QLatin1StringView(reason));
        }
        EXPECT_FALSE(QFile::exists(directory + "DevPRN.HTM"));
        ASSERT_TRUE(::unlink(path.constData()) == 0 || ::rmdir(path.constData()) == 0);
    }
}

} // namespace
