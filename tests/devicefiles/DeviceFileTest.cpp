// SPDX-License-Identifier: Apache-2.0
#include "host/DeviceFile.h"
#include "HostQueries.h"
#include "printfile/TagSubstitution.h"
#include "tests/support/FileGuards.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {

/// Writes `content` to `name` in `dir`; answers the file's path.
QString written(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    writeBytes(dir.filePath(name), content);
    return dir.filePath(name);
}

enum class Reader { Description, Data, Database };

bool load(Reader reader, const QString &path, DeviceModel &model, DeviceFileError *error)
{
    return reader == Reader::Description ? loadDescription(path, model, error)
           : reader == Reader::Data      ? loadData(path, model, error)
                                         : readDatabase(path, nullptr, error);
}

} // namespace

TEST(devicefiles_test, malformed_files_name_the_file_line_and_fault)
{
    // The reader, the file, and the error after "FILE:".
    const std::tuple<Reader, QByteArray, const char *> cases[] = {
        {Reader::Description, "VENDOR=X\n[Device]\n", "1: \"key=value\" outside any section"},
        {Reader::Description, "[Device]\nVENDOR=X\nJUNK\n", "3: expected \"key=value\", found \"JUNK\""},
        {Reader::Description, "[Device\nVENDOR=X\n", "1: section name without closing \"]\": \"[Device\""},
        {Reader::Description, "[Device]\n[Devices]\n", "2: unknown section [Devices]"},
        {Reader::Description, "[Object:A]\nSize=2147483648\n",
         "2: Size is outside the 32-bit range: \"2147483648\""},
        {Reader::Description, "[Enumeration:E]\n0=A\nx=B\n", "3: enumeration value is not an integer: \"x\""},
        {Reader::Description, "[Device]\r\nVENDOR=\xFF\r\n", "2: invalid UTF-8"},
        {Reader::Data, "[Host]\nConnected=maybe\n",
         "2: Connected must be \"yes\" or \"no\", found \"maybe\""},
        {Reader::Database, "[Application]\nA=1\n[Device]\nB=2\n", "3: unknown section [Device]"},
    };
    QTemporaryDir files;
    for (const auto &[reader, content, expected] : cases) {
        const QString file = written(files, QStringLiteral("case.ini"), content);
        DeviceModel model;
        DeviceFileError error;
        EXPECT_FALSE(load(reader, file, model, &error)) << content.constData();
        // Nothing of a file that failed reaches the model.
        EXPECT_EQ(HostQueries(model).entry(QStringLiteral("VENDOR")), std::nullopt) << content.constData();
        EXPECT_EQ(error.toString(), file + u':' + QString::fromUtf8(expected)) << content.constData();
    }
}

TEST(devicefiles_test, only_regular_files_of_sane_size_are_read)
{
    QTemporaryDir files;
    const QString fifo = files.filePath(QStringLiteral("pipe.kqd"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = files.filePath(QStringLiteral("zero.kqd"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString folder = files.filePath(QStringLiteral("folder.kqd"));
    ASSERT_TRUE(QDir().mkdir(folder));
    // Sparse: as large as the name says without taking the disk or the time.
    const QString huge = written(files, QStringLiteral("huge.kqd"), "[Device]\n");
    ASSERT_TRUE(QFile::resize(huge, kMaxDeviceFileBytes + 1));
    const QString limit = written(files, QStringLiteral("limit.kqd"), "[Device]\nVENDOR=X\n;");
    ASSERT_TRUE(QFile::resize(limit, kMaxDeviceFileBytes));

    const std::tuple<QString, const char *> cases[] = {
        {fifo, "Not a regular file (a FIFO)"},
        {zero, "Not a regular file (a device)"},
        {folder, "Not a regular file (a directory)"},
        {huge, "Larger than 64 MiB"},
    };
    for (const Reader reader : {Reader::Description, Reader::Data, Reader::Database}) {
        for (const auto &[path, reason] : cases) {
            DeviceModel model;
            DeviceFileError error;
            EXPECT_FALSE(load(reader, path, model, &error)) << reason;
            EXPECT_EQ(error.toString(), path + QStringLiteral(": cannot read: ") + QString::fromUtf8(reason));
        }
    }
    // A file of exactly the limit is read (its padding is a comment).
    DeviceModel model;
    DeviceFileError error;
    ASSERT_TRUE(loadDescription(limit, model, &error)) << error.toString().toStdString();
    EXPECT_EQ(HostQueries(model).entry(QStringLiteral("VENDOR")), QStringLiteral("X"));
}

TEST(devicefiles_test, line_ends_byte_order_mark_case_and_blanks_do_not_matter)
{
    const QByteArray body = "  ; a comment after blanks\n"
                            "[ device ]\n"
                            "  Vendor  =  Nordbach Messtechnik  \n"
                            "NOTE=a=b ; not a comment\n"
                            "\n"
                            "[SETTINGS]\n"
                            "printTemplateFile=Level.htm\n"
                            "[object]\n"
                            "   LEVEL   \n"
                            "[OBJECT:level]\n"
                            "KIND=4\n"
                            "enumeration = Modes\n"
                            "[enumeration:MODES]\n"
                            " 5 = first \n"
                            "5=second\n"
                            "-2147483648=Lowest\n"
                            "2147483647=";
    QByteArray crlf = body;
    crlf.replace("\n", "\r\n");
    QTemporaryDir files;
    for (const QByteArray &content : {body, "\xEF\xBB\xBF" + body, crlf, "\xEF\xBB\xBF" + crlf}) {
        const QString path = written(files, QStringLiteral("level.kqd"), content);
        DeviceModel model;
        DeviceFileError error;
        ASSERT_TRUE(loadDescription(path, model, &error)) << error.toString().toStdString();
        HostQueries host(model);
        EXPECT_EQ(host.entry(QStringLiteral("VENDOR")), QStringLiteral("Nordbach Messtechnik"));
        EXPECT_EQ(host.entry(QStringLiteral("note")), QStringLiteral("a=b ; not a comment"));
        EXPECT_EQ(host.entry(QStringLiteral("PRINTTEMPLATEFILE"), true), QStringLiteral("Level.htm"));
        // Listed objects are found at their position in the list.
        EXPECT_EQ(host.definitionHandle("OBJECT", QStringLiteral("level")), 1);
        // The object's kind and enumeration, and the enumeration's texts, as a tag shows them.
        TagContext context;
        context.itemManager = host.manager();
        for (const auto &[value, text] :
             {std::pair{"5", "first"}, {"-2147483648", "Lowest"}, {"2147483647", ""}}) {
            model.setApplicationValue(QStringLiteral("LEVEL"), QLatin1String(value));
            EXPECT_EQ(GetTagValue(context, QStringLiteral("level"), false), QLatin1String(text)) << value;
        }
        EXPECT_EQ(host.item(DeviceModel::kKqdPathItem), QFileInfo(path).absoluteFilePath());
    }
}

TEST(devicefiles_test, database_named_by_the_data_file_fails_with_its_file_and_line)
{
    QTemporaryDir files;
    const QString data = written(files, QStringLiteral("dev.data"), "[Host]\nDatabase = dev.db.ini\n");
    const QString database = files.filePath(QStringLiteral("dev.db.ini"));
    DeviceModel model;
    DeviceFileError error;
    ASSERT_TRUE(loadData(data, model, &error)) << error.toString().toStdString();
    HostQueries host(model);
    // Read anew at every load: broken, then repaired.
    written(files, QStringLiteral("dev.db.ini"), "[Application]\nLEVEL\n");
    EXPECT_EQ(host.loadDatabase(), 1);
    EXPECT_EQ(model.databaseError(),
              database + QStringLiteral(":2: expected \"key=value\", found \"LEVEL\""));
    written(files, QStringLiteral("dev.db.ini"), "[Application]\nLEVEL=7\n");
    EXPECT_EQ(host.loadDatabase(), 0);
    EXPECT_EQ(model.databaseError(), QString());
    EXPECT_EQ(host.item(QStringLiteral("LEVEL")), QStringLiteral("7"));
}
