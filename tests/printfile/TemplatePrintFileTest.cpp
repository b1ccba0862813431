#include "printfile/TemplatePrintFile.h"
#include "PrintFileTestSupport.h"
#include "printfile/TagSubstitution.h"

#include <QDir>
#include <QTemporaryDir>

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

} // namespace
