#include "printfile/TemplatePrintFile.h"
#include "PrintFileTestSupport.h"
#include "platform/TextFile.h"
#include "printfile/TagSubstitution.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>

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

    bool run(const QByteArray &templateBytes)
    {
        writeBytes(templatePath, templateBytes);
        const TagContext c = context();
        return writeTemplatePrintFile(templatePath, printPath, [&](QString &line) {
            FillTemplateLine(line, [&](const QString &tag) { return GetTagValue(c, tag, true); });
        });
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

TEST(template_print_file_test, template_is_found_whatever_the_letter_case)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("v1.2"));
    const QString directory = dir.filePath(QStringLiteral("v1.2")) + u'/';
    writeBytes(directory + QStringLiteral("dev049.htm"), "x");
    EXPECT_EQ(findTemplate(directory, QStringLiteral("DEV049.HTM")),
              directory + QStringLiteral("dev049.htm"));
    EXPECT_EQ(findTemplate(directory, QStringLiteral("dev001.htm")), QString());
    EXPECT_EQ(findTemplate(directory, QString()), QString());
}

TEST(template_print_file_test, a_template_without_tags_is_copied_line_by_line)
{
    const QByteArray crlf = "<html>\r\n\r\n<p>caf\xe9 \xa9</p>\r\n</html>\r\n";
    const QByteArray inputs[] = {crlf, "<html>\n\n<p>caf\xe9 \xa9</p>\n</html>\n",
                                 "<html>\r\n\r\n<p>caf\xe9 \xa9</p>\r\n</html>"};
    for (const QByteArray &input : inputs) {
        PrintFile host;
        EXPECT_TRUE(host.run(input)) << input.constData();
        EXPECT_EQ(readBytes(host.printPath), crlf) << input.constData();
    }
}

TEST(template_print_file_test, tags_are_filled_and_a_second_run_replaces_the_file)
{
    PrintFile host;
    EXPECT_TRUE(host.run("first run, longer than the second one\r\nline 2\r\nline 3\r\n"));
    EXPECT_TRUE(host.run("<h1>#VENDOR#</h1>\r\n<p>#Range# #unknown#</p>\r\n# alone\r\n"));
    EXPECT_EQ(readBytes(host.printPath), QByteArray("<h1>Ger\xe4tebau</h1>\r\n<p>0..100 \xb0"
                                                    "C #unknown#</p>\r\n# alone\r\n"));
    host.expectEverythingReleased();
}

TEST(template_print_file_test, only_an_unreadable_template_answers_false)
{
    PrintFile host;
    EXPECT_FALSE(writeTemplatePrintFile(host.templatePath, host.printPath, [](QString &) {}));
    EXPECT_FALSE(QFile::exists(host.printPath));

    host.printPath = host.dir.filePath(QStringLiteral("missing/DevPRN.HTM"));
    EXPECT_TRUE(host.run("#VENDOR#\r\n"));
    EXPECT_FALSE(QFile::exists(host.printPath));
}

/// What the print file must hold, worked out without the reader under test:
/// the template split at every LF, one CR before it dropped, a last line
/// without line end kept, #VENDOR# filled in, each line ended in CR LF.
QByteArray expectedCopy(const QByteArray &templateBytes)
{
    QByteArrayList lines = templateBytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    QByteArray expected;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
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
    for (qsizetype boundary : {TextReader::ReadChunkSize, 2 * TextReader::ReadChunkSize}) {
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
    const struct
    {
        const char *what;
        QByteArray feature;
        char landing; ///< the feature's byte that meets the boundary
    } cases[] = {
        {"CR LF split", "<p>#VENDOR#</p>\r\n", '\n'},  {"CR LF split, no tag", "<p>plain</p>\r\n", '\n'},
        {"tag across", "<p>#VENDOR#</p>\r\n", 'N'},    {"marker at", "<p>#VENDOR#</p>\r\n", '#'},
        {"lone CR", "<p>a\rb #VENDOR#</p>\r\n", '\r'}, {"lone CR, no tag", "<p>a\rb</p>\r\n", '\r'},
        {"lone LF", "<p>#VENDOR# lf</p>\n", '\n'},     {"lone LF, no tag", "<p>lf only</p>\n", '\n'},
        {"empty lines", "\r\n\n\r\n", '\n'},
    };
    PrintFile host;
    // Two megabytes of tags would only fill the call log.
    host.model.setCallLogEnabled(false);
    for (const auto &c : cases) {
        for (qsizetype shift : {-1, 0, 1}) {
            const QByteArray bytes = acrossChunks(c.feature, c.feature.indexOf(c.landing), shift);
            ASSERT_TRUE(host.run(bytes)) << c.what;
            const QByteArray copy = readBytes(host.printPath);
            const QByteArray expected = expectedCopy(bytes);
            if (copy == expected)
                continue;
            // The first differing offset says more than two megabytes of bytes.
            const auto differs =
                std::mismatch(copy.cbegin(), copy.cend(), expected.cbegin(), expected.cend());
            ADD_FAILURE() << c.what << ", shift " << shift << ": sizes " << copy.size() << " and "
                          << expected.size() << ", first difference at " << (differs.first - copy.cbegin());
        }
    }
}

TEST(template_print_file_test, a_line_whose_tag_fails_is_written_as_read_and_the_copy_goes_on)
{
    PrintFile host;
    // Too large for an enumeration number: the lookup fails on this line only.
    host.addEnumObject(QStringLiteral("Mode"), QStringLiteral("99999999999"));
    EXPECT_TRUE(host.run("<p>#VENDOR#</p>\r\n<p>#VENDOR# #Mode# #Range#</p>\r\n<p>#Range#</p>\r\n"));
    EXPECT_EQ(readBytes(host.printPath), QByteArray("<p>Ger\xe4tebau</p>\r\n"
                                                    "<p>#VENDOR# #Mode# #Range#</p>\r\n"
                                                    "<p>0..100 \xb0"
                                                    "C</p>\r\n"));

    host.model.setApplicationValue(QStringLiteral("Mode"), QStringLiteral("1"));
    host.model.failOperation(QStringLiteral("GetEnumerationEntries"), E_ACCESSDENIED);
    EXPECT_TRUE(host.run("<p>#Mode#</p>\r\n<p>#VENDOR#</p>\r\n"));
    EXPECT_EQ(readBytes(host.printPath), QByteArray("<p>#Mode#</p>\r\n<p>Ger\xe4tebau</p>\r\n"));
    host.expectEverythingReleased();
}

} // namespace
