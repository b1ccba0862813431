#include "frame/DeviceFile.h"
#include "HostQueries.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class DeviceFiles
{
public:
    DeviceFiles() { EXPECT_TRUE(m_dir.isValid()); }

    QString write(const QString &name, const QByteArray &content) const
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

enum class Reader { Description, Data, Database };

/// Reads `content` with `reader`; the error text, empty when it was read.
QString readError(const DeviceFiles &files, Reader reader, const QByteArray &content, QString *path = nullptr)
{
    const QString file = files.write(QStringLiteral("case.ini"), content);
    if (path)
        *path = file;
    DeviceModel model;
    DeviceFileError error;
    bool ok = false;
    switch (reader) {
    case Reader::Description:
        ok = loadDescription(file, model, &error);
        break;
    case Reader::Data:
        ok = loadData(file, model, &error);
        break;
    case Reader::Database:
        ok = readDatabase(file, nullptr, &error);
        break;
    }
    EXPECT_EQ(ok, error.message.isEmpty()) << content.constData();
    return ok ? QString() : error.toString();
}

} // namespace

TEST(devicefiles_test, malformed_files_name_the_file_line_and_fault)
{
    struct Case
    {
        Reader reader;
        QByteArray content;
        const char *expected; // after "FILE:"
    };
    const Case cases[] = {
        {Reader::Description, "VENDOR=X\n[Device]\n", "1: \"key=value\" outside any section"},
        {Reader::Description, "; intro\nhello\n", "2: text outside any section: \"hello\""},
        {Reader::Description, "[Device]\nVENDOR=X\nJUNK\n", "3: expected \"key=value\", found \"JUNK\""},
        {Reader::Description, "[Device]\n  = value\n", "2: \"=\" without a key"},
        {Reader::Description, "[Device\nVENDOR=X\n", "1: section name without closing \"]\": \"[Device\""},
        {Reader::Description, "[Device]x\n", "1: section name without closing \"]\": \"[Device]x\""},
        {Reader::Description, "[ ]\n", "1: empty section name"},
        {Reader::Description, "[Device]\n[Devices]\n", "2: unknown section [Devices]"},
        {Reader::Description, "[Enumeration]\n0=A\n", "1: unknown section [Enumeration]"},
        {Reader::Description, "[Object:]\nKind=4\n", "1: [Object:] names no object"},
        {Reader::Description, "[Enumeration: ]\n0=A\n", "1: [Enumeration:] names no enumeration"},
        {Reader::Description, "[Object:A]\nKind=four\n", "2: Kind is not an integer: \"four\""},
        {Reader::Description, "[Object:A]\nSize=\n", "2: Size is not an integer: \"\""},
        {Reader::Description, "[Object:A]\nFlags=1.5\n", "2: Flags is not an integer: \"1.5\""},
        {Reader::Description, "[Object:A]\nSize=2147483648\n",
         "2: Size is outside the 32-bit range: \"2147483648\""},
        {Reader::Description, "[Object:A]\nKind=-99999999999999999999\n",
         "2: Kind is outside the 32-bit range: \"-99999999999999999999\""},
        {Reader::Description, "[Object:A]\nColour=red\n", "2: unknown key \"Colour\" in [Object:A]"},
        {Reader::Description, "[Object:A]\nKind\n", "2: expected \"key=value\", found \"Kind\""},
        {Reader::Description, "[Enumeration:E]\n0=A\nx=B\n", "3: enumeration value is not an integer: \"x\""},
        {Reader::Description, "[Enumeration:E]\n-2147483649=B\n",
         "2: enumeration value is outside the 32-bit range: \"-2147483649\""},
        {Reader::Description, "[Device]\nVENDOR=ok\nDEVTYPETEXT=M\xC3\x28ller\n", "3: invalid UTF-8"},
        {Reader::Description, "[Device]\r\nVENDOR=\xFF\r\n", "2: invalid UTF-8"},
        {Reader::Data, "[Host]\nConnected=maybe\n",
         "2: Connected must be \"yes\" or \"no\", found \"maybe\""},
        {Reader::Data, "[Host]\nUploadMilliseconds=-5\n", "2: UploadMilliseconds must not be negative"},
        {Reader::Data, "[Host]\nUploadMilliseconds=soon\n",
         "2: UploadMilliseconds is not an integer: \"soon\""},
        {Reader::Data, "[Host]\nSpeed=3\n", "2: unknown key \"Speed\" in [Host]"},
        {Reader::Data, "[Application]\nA=1\n[Shadow]\n", "3: unknown section [Shadow]"},
        {Reader::Data, "[Device]\nnot a pair\n", "2: expected \"key=value\", found \"not a pair\""},
        {Reader::Database, "[Application]\nA=1\n[Device]\nB=2\n", "3: unknown section [Device]"},
        {Reader::Database, "A=1\n", "1: \"key=value\" outside any section"},
    };
    DeviceFiles files;
    for (const Case &c : cases) {
        QString path;
        const QString error = readError(files, c.reader, c.content, &path);
        EXPECT_EQ(error, path + u':' + QString::fromUtf8(c.expected)) << c.content.constData();
    }
}

TEST(devicefiles_test, an_unreadable_file_says_why_without_a_line)
{
    DeviceFiles files;
    const QString missing = files.path(QStringLiteral("absent.kqd"));
    DeviceModel model;
    DeviceFileError error;
    EXPECT_FALSE(loadDescription(missing, model, &error));
    EXPECT_EQ(error.line, 0);
    EXPECT_TRUE(error.toString().startsWith(missing + QStringLiteral(": cannot read: ")))
        << error.toString().toStdString();
    EXPECT_GT(error.toString().size(), (missing + QStringLiteral(": cannot read: ")).size());

    // A directory is not a file either.
    EXPECT_FALSE(loadData(files.path(QString()), model, &error));
    EXPECT_TRUE(error.message.startsWith(QStringLiteral("cannot read: ")));
}

TEST(devicefiles_test, a_failed_load_leaves_the_model_as_it_was)
{
    DeviceFiles files;
    const QString path =
        files.write(QStringLiteral("broken.kqd"), "[Device]\nVENDOR=Early\n[Object]\nA\n[Nope]\n");
    DeviceModel model;
    DeviceFileError error;
    ASSERT_FALSE(loadDescription(path, model, &error));
    HostQueries host(model);
    EXPECT_EQ(host.deviceEntry(QStringLiteral("VENDOR")), std::nullopt);
    EXPECT_TRUE(host.objectNames().isEmpty());
    EXPECT_EQ(host.item(DeviceModel::KqdPathItem), std::nullopt);

    const QString data =
        files.write(QStringLiteral("broken.data"), "[Application]\nA=1\n[Host]\nConnected=x\n");
    ASSERT_FALSE(loadData(data, model, &error));
    EXPECT_FALSE(model.hasItem(QStringLiteral("A")));
}

TEST(devicefiles_test, line_ends_byte_order_mark_case_and_blanks_do_not_matter)
{
    const QByteArray body = "  ; a comment after blanks\n"
                            "[ device ]\n"
                            "  Vendor  =  Nordbach Messtechnik  \n"
                            "DEVTYPETEXT=Füllstandsmesser\n"
                            "\n"
                            "[SETTINGS]\n"
                            "printTemplateFile=Level.htm\n"
                            "[object]\n"
                            "   LEVEL   \n"
                            "&&private_PM&&FileName\n"
                            "[OBJECT:level]\n"
                            "KIND=4\n"
                            "enumeration = Modes\n"
                            "[enumeration:MODES]\n"
                            " 1 = One \n"
                            "-2147483648=Lowest\n"
                            "2147483647=Highest";
    QByteArray crlf = body;
    crlf.replace("\n", "\r\n");
    const QByteArray variants[] = {body, "\xEF\xBB\xBF" + body, crlf, "\xEF\xBB\xBF" + crlf};

    DeviceFiles files;
    for (const QByteArray &content : variants) {
        const QString path = files.write(QStringLiteral("level.kqd"), content);
        DeviceModel model;
        DeviceFileError error;
        ASSERT_TRUE(loadDescription(path, model, &error)) << error.toString().toStdString();
        HostQueries host(model);
        EXPECT_EQ(host.deviceEntry(QStringLiteral("VENDOR")), QStringLiteral("Nordbach Messtechnik"));
        EXPECT_EQ(host.deviceEntry(QStringLiteral("DevTypeText")), QStringLiteral("Füllstandsmesser"));
        EXPECT_EQ(host.settingEntry(QStringLiteral("PRINTTEMPLATEFILE")), QStringLiteral("Level.htm"));
        EXPECT_EQ(host.objectNames(),
                  (QStringList{QStringLiteral("LEVEL"), QStringLiteral("&&private_PM&&FileName")}));
        const auto level = host.objectDefinition(QStringLiteral("LEVEL"));
        ASSERT_TRUE(level);
        EXPECT_EQ(level->kind, 4);
        EXPECT_EQ(level->enumerationName, QStringLiteral("Modes"));
        const auto modes = host.enumeration(QStringLiteral("modes"));
        ASSERT_TRUE(modes);
        EXPECT_EQ(*modes, (QList<QPair<std::int32_t, QString>>{
                              {1, QStringLiteral("One")},
                              {std::numeric_limits<std::int32_t>::min(), QStringLiteral("Lowest")},
                              {std::numeric_limits<std::int32_t>::max(), QStringLiteral("Highest")}}));
    }
}

TEST(devicefiles_test, definitions_take_their_defaults_and_keep_repeated_values_in_order)
{
    DeviceFiles files;
    const QString path = files.write(QStringLiteral("defs.kqd"), "[Object]\n"
                                                                 "PLAIN\n"
                                                                 "UNDEFINED\n"
                                                                 "[Object:Plain]\n"
                                                                 "[Object:SHARED_TYPE]\n"
                                                                 "Type=Shared\n"
                                                                 "Size=4\n"
                                                                 "Flags=-3\n"
                                                                 "[Enumeration:Twice]\n"
                                                                 "5=first\n"
                                                                 "5=second\n"
                                                                 "0=\n"
                                                                 "[Object:Shared_Type]\n"
                                                                 "Size=8\n"
                                                                 "[Device]\n"
                                                                 "NOTE=a=b ; not a comment\n"
                                                                 "EMPTY=\n");
    DeviceModel model;
    DeviceFileError error;
    ASSERT_TRUE(loadDescription(path, model, &error)) << error.toString().toStdString();
    HostQueries host(model);

    const auto plain = host.objectDefinition(QStringLiteral("PLAIN"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->typeName, QStringLiteral("Plain"));
    EXPECT_EQ(plain->kind, 0);
    EXPECT_EQ(plain->flags, 0);

    // Defined but not listed: found by name, not walked.
    const auto shared = host.objectDefinition(QStringLiteral("shared_type"));
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->typeName, QStringLiteral("Shared"));
    EXPECT_EQ(shared->size, 8);
    EXPECT_EQ(shared->flags, -3);
    EXPECT_EQ(host.objectNames(), (QStringList{QStringLiteral("PLAIN"), QStringLiteral("UNDEFINED")}));

    const auto twice = host.enumeration(QStringLiteral("Twice"));
    ASSERT_TRUE(twice);
    EXPECT_EQ(*twice, (QList<QPair<std::int32_t, QString>>{
                          {5, QStringLiteral("first")}, {5, QStringLiteral("second")}, {0, QString()}}));
    EXPECT_EQ(host.deviceEntry(QStringLiteral("NOTE")), QStringLiteral("a=b ; not a comment"));
    EXPECT_EQ(host.deviceEntry(QStringLiteral("EMPTY")), QString());
    EXPECT_EQ(host.item(DeviceModel::KqdPathItem), QFileInfo(path).absoluteFilePath());
}

TEST(devicefiles_test, data_files_fill_the_data_sets_and_the_simulated_device)
{
    DeviceFiles files;
    const QString data = files.write(QStringLiteral("dev.data"), "[Application]\n"
                                                                 "LEVEL=1.5\n"
                                                                 "[Device]\n"
                                                                 "LEVEL=2.5\n"
                                                                 "ONLY_ON_DEVICE=x\n"
                                                                 "[host]\n"
                                                                 "connected=No\n"
                                                                 "UploadMilliseconds=0\n");
    DeviceModel model;
    DeviceFileError error;
    ASSERT_TRUE(loadData(data, model, &error)) << error.toString().toStdString();
    HostQueries host(model);
    EXPECT_EQ(host.item(QStringLiteral("level")), QStringLiteral("1.5"));
    EXPECT_EQ(host.item(QStringLiteral("LEVEL"), true), QString());
    EXPECT_FALSE(host.connected());
    EXPECT_EQ(host.startUpload(), 1);
    EXPECT_EQ(host.loadDatabase(), 1);

    // Without a [Host] section the device is connected and uploads.
    const QString plain = files.write(QStringLiteral("plain.data"), "[Device]\nLEVEL=7\n");
    DeviceModel second;
    ASSERT_TRUE(loadData(plain, second, &error));
    HostQueries secondHost(second);
    EXPECT_TRUE(secondHost.connected());
    ASSERT_EQ(secondHost.startUpload(), 0);
    second.advanceUpload(100);
    EXPECT_EQ(second.uploadProgress(), 100);
    EXPECT_EQ(secondHost.item(QStringLiteral("LEVEL"), true), QStringLiteral("7"));
    EXPECT_EQ(secondHost.item(QStringLiteral("LEVEL")), QStringLiteral("7"));
}

TEST(devicefiles_test, the_database_is_read_from_its_file_when_the_host_loads_it)
{
    DeviceFiles files;
    EXPECT_TRUE(QDir(files.path(QString())).mkpath(QStringLiteral("db")));
    const QString data = files.write(QStringLiteral("dev.data"),
                                     "[Application]\nLEVEL=1\nGONE=yes\n[Host]\nDatabase = db/stored.ini\n");
    const QString database = files.path(QStringLiteral("db/stored.ini"));
    DeviceModel model;
    DeviceFileError error;
    ASSERT_TRUE(loadData(data, model, &error));
    HostQueries host(model);

    // Named but not there yet: the host answers the error flag.
    EXPECT_EQ(host.loadDatabase(), 1);
    EXPECT_EQ(host.item(QStringLiteral("LEVEL")), QStringLiteral("1"));

    files.write(QStringLiteral("db/stored.ini"), "[Application]\nLEVEL=9\n");
    ASSERT_EQ(host.loadDatabase(), 0);
    EXPECT_EQ(host.item(QStringLiteral("LEVEL")), QStringLiteral("9"));
    EXPECT_EQ(host.item(QStringLiteral("GONE")), std::nullopt);
    EXPECT_EQ(host.item(DeviceModel::FileNameItem), database);

    // Read anew on every load, and a broken file is as good as none.
    files.write(QStringLiteral("db/stored.ini"), "[Application]\nLEVEL=10\n");
    ASSERT_EQ(host.loadDatabase(), 0);
    EXPECT_EQ(host.item(QStringLiteral("LEVEL")), QStringLiteral("10"));
    files.write(QStringLiteral("db/stored.ini"), "[Application]\nLEVEL\n");
    EXPECT_EQ(host.loadDatabase(), 1);
    EXPECT_EQ(host.item(QStringLiteral("LEVEL")), QStringLiteral("10"));

    QList<QPair<QString, QString>> values;
    files.write(QStringLiteral("db/stored.ini"), "[Application]\nB=2\n[application]\nA=1\n");
    ASSERT_TRUE(readDatabase(database, &values, &error));
    EXPECT_EQ(values, (QList<QPair<QString, QString>>{{QStringLiteral("B"), QStringLiteral("2")},
                                                      {QStringLiteral("A"), QStringLiteral("1")}}));
}

TEST(devicefiles_test, the_default_data_file_replaces_the_extension)
{
    const struct
    {
        const char *description;
        const char *data;
    } cases[] = {
        {"/devices/FlowMeter.kqd", "/devices/FlowMeter.data"},
        {"/devices/Flow.Meter.KQD", "/devices/Flow.Meter.data"},
        {"/dev.ices/FlowMeter", "/dev.ices/FlowMeter.data"},
        {"relative/x.kqd", "relative/x.data"},
        {"x.kqd", "x.data"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(defaultDataPath(QString::fromUtf8(c.description)), QString::fromUtf8(c.data))
            << c.description;
}

TEST(devicefiles_test, load_device_reads_the_default_data_file_only_when_there_is_one)
{
    DeviceFiles files;
    const QString description = files.write(QStringLiteral("Dev.kqd"), "[Object]\nLEVEL\n");
    DeviceModel without;
    DeviceFileError error;
    ASSERT_TRUE(loadDevice(description, QString(), without, &error));
    EXPECT_EQ(HostQueries(without).item(QStringLiteral("LEVEL")), QString());

    files.write(QStringLiteral("Dev.data"), "[Application]\nLEVEL=3\n");
    DeviceModel with;
    ASSERT_TRUE(loadDevice(description, QString(), with, &error));
    EXPECT_EQ(HostQueries(with).item(QStringLiteral("LEVEL")), QStringLiteral("3"));

    const QString other = files.write(QStringLiteral("other.data"), "[Application]\nLEVEL=4\n");
    DeviceModel explicitData;
    ASSERT_TRUE(loadDevice(description, other, explicitData, &error));
    EXPECT_EQ(HostQueries(explicitData).item(QStringLiteral("LEVEL")), QStringLiteral("4"));

    DeviceModel missing;
    EXPECT_FALSE(loadDevice(description, files.path(QStringLiteral("none.data")), missing, &error));
    EXPECT_TRUE(error.message.startsWith(QStringLiteral("cannot read: ")));
}
