// SPDX-License-Identifier: Apache-2.0
// Every IODD here is written by the Quiravel developers for these tests:
// an invented vendor, no vendor's file.
#include "host/DeviceFile.h"
#include "host/DeviceModel.h"
#include "host/iodd/IoddDevice.h"
#include "host/iodd/IoddFacts.h"
#include "host/iodd/IoddLibrary.h"
#include "host/iodd/IoddValues.h"
#include "printfile/TagSubstitution.h"
#include "tests/devicefiles/HostQueries.h"
#include "tests/support/FileGuards.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

// Failures name the texts, not their bytes.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString kSampleName = QStringLiteral("Lindqvist-TS300-20261201-IODD1.1");

/// A copy of the sample device (IODD, German language file, value files) in
/// a folder of its own, and a template folder beside it.
class Sample
{
public:
    Sample()
    {
        const QDir samples(QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/iodd"));
        for (const QString &name :
             {kSampleName + QStringLiteral(".xml"), kSampleName + QStringLiteral("-DE.xml"),
              QStringLiteral("plant/port1-TS300.json"), QStringLiteral("plant/port2-TS300.ds")})
            writeBytes(iodds().filePath(QFileInfo(name).fileName()), readBytes(samples.filePath(name)));
        options.templateDirectory = m_dir.filePath(QStringLiteral("templates"));
        options.language = QStringLiteral("en");
    }
    QDir iodds() const
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("iodd")));
        return QDir(m_dir.filePath(QStringLiteral("iodd")));
    }
    QString path() const { return iodds().filePath(kSampleName + QStringLiteral(".xml")); }
    QString file(const QString &name) const { return iodds().filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        writeBytes(file(name), bytes);
        return file(name);
    }
    bool load(DeviceModel &model, const QString &values = {}, QString *error = nullptr,
              const QString &iodd = {}) const
    {
        DeviceFileError fault;
        const bool ok = Iodd::loadIodd(iodd.isEmpty() ? path() : iodd, values, model, options, &fault);
        if (error)
            *error = fault.toString();
        return ok;
    }

    Iodd::LoadOptions options;

private:
    QTemporaryDir m_dir;
};

/// What the component shows for a tag: device entries, items and
/// enumeration texts as tag substitution finds them.
QString shown(DeviceModel &model, const QString &name, bool shadow = false)
{
    HostQueries host(model);
    TagContext context;
    context.itemManager = host.manager();
    context.shadow = shadow;
    return GetTagValue(context, u'#' + name + u'#', true);
}

/// A minimal IODD 1.1 around `variables` and `texts`.
QByteArray ioddWith(const QByteArray &variables, const QByteArray &texts = {},
                    const QByteArray &ns = "http://www.io-link.com/IODD/2010/10")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- Written by the Quiravel developers for their tests. -->\n<IODevice xmlns=\"" +
           ns +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           R"(<DocumentInfo version="V1.0" releaseDate="2026-01-01" copyright="The Quiravel developers"/>)"
           "\n"
           "<ProfileBody><DeviceIdentity vendorId=\"77\" vendorName=\"Acme &amp; Co\" deviceId=\"9\">"
           "<DeviceName textId=\"T_Name\"/><DeviceVariantCollection><DeviceVariant productId=\"P1\">"
           "<Name textId=\"T_Name\"/></DeviceVariant></DeviceVariantCollection></DeviceIdentity>\n"
           "<DeviceFunction><VariableCollection>" +
           variables +
           "</VariableCollection></DeviceFunction></ProfileBody>\n"
           "<ExternalTextCollection><PrimaryLanguage xml:lang=\"en\"><Text id=\"T_Name\" value=\"Thing\"/>" +
           texts + "</PrimaryLanguage></ExternalTextCollection></IODevice>\n";
}

} // namespace

TEST(iodd_test, identity_becomes_device_entries_and_the_variant_is_said)
{
    Sample sample;
    DeviceModel model;
    ASSERT_TRUE(sample.load(model));
    EXPECT_EQ(shown(model, QStringLiteral("VENDORID")), QStringLiteral("1789"));
    EXPECT_EQ(shown(model, QStringLiteral("DEVICEID")), QStringLiteral("300301"));
    EXPECT_EQ(shown(model, QStringLiteral("VENDOR")), QStringLiteral("Lindqvist Sensorik"));
    EXPECT_EQ(shown(model, QStringLiteral("DEVICETYPETEXT")), QStringLiteral("Temperature sensor TS-300"));
    EXPECT_EQ(shown(model, QStringLiteral("DEVDESCLONG")),
              QStringLiteral("Temperature sensor, Pt1000, M12, 100 mm probe"));
    EXPECT_EQ(shown(model, QStringLiteral("&amp;&amp;iodd&amp;&amp;Variant")),
              QStringLiteral("TS-300-A (the first in the IODD)"));
    EXPECT_EQ(shown(model, QStringLiteral("&amp;&amp;iodd&amp;&amp;Version")), QStringLiteral("V1.2.0"));
    EXPECT_EQ(shown(model, QStringLiteral("&amp;&amp;iodd&amp;&amp;ReleaseDate")),
              QStringLiteral("2026-12-01"));

    // Asked for by product id; a product id the file lacks is refused.
    sample.options.variant = QStringLiteral("TS-300-B");
    DeviceModel chosen;
    ASSERT_TRUE(sample.load(chosen));
    EXPECT_EQ(shown(chosen, QStringLiteral("DEVDESCLONG")),
              QStringLiteral("Temperature sensor, Pt1000, M12, 250 mm probe"));
    EXPECT_EQ(shown(chosen, QStringLiteral("&amp;&amp;iodd&amp;&amp;Variant")),
              QStringLiteral("TS-300-B (as asked)"));
    sample.options.variant = QStringLiteral("TS-999");
    DeviceModel none;
    QString error;
    EXPECT_FALSE(sample.load(none, {}, &error));
    EXPECT_EQ(error, sample.path() + QStringLiteral(": no variant with the product id \"TS-999\" (it has "
                                                    "TS-300-A, TS-300-B)"));
    EXPECT_FALSE(none.hasItem(QStringLiteral("V_Unit")));
}

TEST(iodd_test, variables_map_to_objects_of_their_kinds)
{
    Sample sample;
    DeviceModel model;
    ASSERT_TRUE(sample.load(model));
    HostQueries host(model);
    // Records by subindex, arrays by element; commands and raw pages left out.
    for (const char *name : {"V_Limits.1", "V_Limits.5", "V_History.1", "V_History.3", "V_VendorName"})
        EXPECT_TRUE(model.hasItem(QLatin1String(name))) << name;
    for (const char *name : {"V_Limits", "V_History.4", "V_Reset", "V_DirectParameters_1", "V_SystemCommand"})
        EXPECT_FALSE(model.hasItem(QLatin1String(name))) << name;

    const std::pair<const char *, const char *> cases[] = {
        {"V_Unit", "°C"},                   // integer with single values only: an enumeration
        {"V_Display", "on"},                // boolean spelled true/false
        {"V_Limits.4", "normally open"},    // boolean bit field, default "false"
        {"V_Limits.5", "true"},             // boolean without texts, default "1"
        {"V_Temperature", "21.5"},          // single values beside a range, scaled
        {"V_Limits.3", "0.5"},              // Dec.1 of a scaled record item
        {"V_Status", "0xA5"},               // Hex
        {"V_DeviceStatus", "Device is OK"}, // a standard variable's own texts
        {"V_OperatingSeconds", "0"},
    };
    for (const auto &[name, text] : cases)
        EXPECT_EQ(shown(model, QLatin1String(name)), QString::fromUtf8(text)) << name;
    EXPECT_EQ(host.item(QStringLiteral("V_Temperature&&unit")), QStringLiteral("°C"));
    EXPECT_EQ(host.item(QStringLiteral("V_Resistance&&unit")), QStringLiteral("Ω"));
    // A few of the standard unit codes by quantity; one the table lacks shows none.
    const std::pair<const char *, const char *> units[] = {
        {"1133", "kPa"},  {"1138", "mbar"}, {"1141", "psi"}, {"1352", "l/min"},
        {"1349", "m³/h"}, {"1058", "min"},  {"1014", "µm"},  {"1999", ""},
    };
    for (const auto &[code, symbol] : units)
        EXPECT_EQ(Iodd::unitSymbol(QLatin1String(code)), QString::fromUtf8(symbol)) << code;

    // The single value's name where one matches, the number where none does.
    model.setApplicationValue(QStringLiteral("V_Temperature"), QStringLiteral("-32760"));
    EXPECT_EQ(shown(model, QStringLiteral("V_Temperature")), QStringLiteral("under range"));
    model.setApplicationValue(QStringLiteral("V_Temperature"), QStringLiteral("-250"));
    EXPECT_EQ(shown(model, QStringLiteral("V_Temperature")), QStringLiteral("-25.0"));
    // Beyond 32 bits: text, never a number the component rounds.
    model.setApplicationValue(QStringLiteral("V_OperatingSeconds"), QStringLiteral("18446744073709551615"));
    EXPECT_EQ(shown(model, QStringLiteral("V_OperatingSeconds")), QStringLiteral("18446744073709551615"));
}

TEST(iodd_test, a_unit_switch_changes_units_scaling_and_shown_menus_in_the_data_set_shown)
{
    Sample sample;
    DeviceModel model;
    ASSERT_TRUE(sample.load(model));
    HostQueries host(model);
    model.setShadowValue(QStringLiteral("V_Unit"), QStringLiteral("1"));
    model.setShadowValue(QStringLiteral("V_Temperature"), QStringLiteral("215"));
    model.setShadowValue(QStringLiteral("V_Limits.1"), QStringLiteral("1000"));
    // The application data set still says °C; the shadow says °F.
    EXPECT_EQ(shown(model, QStringLiteral("V_Temperature"), false), QStringLiteral("21.5"));
    EXPECT_EQ(shown(model, QStringLiteral("V_Temperature"), true), QStringLiteral("70.7"));
    EXPECT_EQ(host.item(QStringLiteral("V_Temperature&&unit"), true), QStringLiteral("°F"));
    EXPECT_EQ(shown(model, QStringLiteral("V_Limits.1"), true), QStringLiteral("212.0"));
    EXPECT_EQ(host.item(QStringLiteral("&&show&&1"), false), QString());
    EXPECT_EQ(host.item(QStringLiteral("&&show&&1"), true), QStringLiteral("display:none"));
    EXPECT_EQ(host.item(QStringLiteral("&&show&&2"), true), QString());
}

TEST(iodd_test, texts_follow_the_language_and_fall_back_to_the_primary_one)
{
    Sample sample;
    sample.options.language = QStringLiteral("de");
    DeviceModel model;
    // The language file is named "-DE.xml" and says xml:lang="de".
    ASSERT_TRUE(sample.load(model));
    EXPECT_EQ(shown(model, QStringLiteral("DEVICETYPETEXT")), QStringLiteral("Temperatursensor TS-300"));
    EXPECT_EQ(shown(model, QStringLiteral("V_Display")), QStringLiteral("ein"));
    EXPECT_EQ(shown(model, QStringLiteral("V_Limits.4")), QStringLiteral("Schließer"));

    const QByteArray german = readBytes(sample.options.templateDirectory + u'/' + kSampleName + u'/' +
                                        QStringLiteral("Lindqvist-TS300-20261201-IODD1049.HTM"));
    EXPECT_TRUE(german.contains("\r\nSpitzenwerte [2]\r\n")) << german.constData();
    EXPECT_TRUE(german.contains("\r\nHerstellername\r\n"));
    // No German text for the status flags: the English one.
    EXPECT_TRUE(german.contains("\r\nStatus flags\r\n"));
    // Written in the template's code page: "ä" is one byte.
    EXPECT_TRUE(german.contains("\r\nGer\xE4testatus\r\n"));
}

TEST(iodd_test, generated_templates_escape_labels_and_go_to_the_template_folder)
{
    Sample sample;
    DeviceModel model;
    ASSERT_TRUE(sample.load(model));
    const QString folder = sample.options.templateDirectory + u'/' + kSampleName;
    const QByteArray english = readBytes(folder + QStringLiteral("/Lindqvist-TS300-20261201-IODD1001.HTM"));
    // "#Note <plant>" is no tag, and no markup.
    EXPECT_TRUE(english.contains("\r\n&num;Note &lt;plant&gt;\r\n")) << english.constData();
    EXPECT_TRUE(english.contains("\r\nSensor resistance (&Omega;)\r\n"));
    EXPECT_TRUE(english.contains("<td>#V_Limits.1#</td><td class=\"unit\">#V_Limits.1&amp;&amp;unit#</td>"));
    EXPECT_TRUE(english.contains("<table class=\"values\" style=\"#&amp;&amp;show&amp;&amp;2#\">"));
    EXPECT_FALSE(english.contains("#V_Reset#"));
    // The component finds them through the description's path. A load
    // writes its language's template only.
    EXPECT_EQ(model.descriptionPath(), folder + u'/' + kSampleName + QStringLiteral(".xml"));
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.HTM")}, QDir::Files),
              QStringList{QStringLiteral("Lindqvist-TS300-20261201-IODD1001.HTM")});
    EXPECT_EQ(QDir(sample.iodds()).entryList({QStringLiteral("*.HTM")}, QDir::Files), QStringList());

    // A template of one's own beside the IODD takes precedence.
    sample.write(QStringLiteral("lindqvist-ts300-20261201-iodd1001.htm"), "<p>#VENDOR#</p>\r\n");
    DeviceModel own;
    ASSERT_TRUE(sample.load(own));
    EXPECT_EQ(own.descriptionPath(), sample.path());
}

TEST(iodd_test, markup_in_texts_reaches_the_page_as_text)
{
    Sample other;
    const QString path = other.write(
        QStringLiteral("markup.xml"),
        ioddWith("<Variable id=\"V_Mode\" index=\"64\" accessRights=\"rw\" defaultValue=\"1\">"
                 "<Datatype xsi:type=\"UIntegerT\" bitLength=\"8\"><SingleValue value=\"1\">"
                 "<Name textId=\"T_One\"/></SingleValue></Datatype><Name textId=\"T_Mode\"/></Variable>",
                 "<Text id=\"T_One\" value=\"a &lt; b &amp; c\"/><Text id=\"T_Mode\" value=\"Mode\"/>"));
    DeviceModel markup;
    ASSERT_TRUE(other.load(markup, {}, nullptr, path));
    EXPECT_EQ(shown(markup, QStringLiteral("V_Mode")), QStringLiteral("a &lt; b &amp; c"));
    EXPECT_EQ(shown(markup, QStringLiteral("VENDOR")), QStringLiteral("Acme &amp; Co"));
}

TEST(iodd_test, a_data_storage_backup_is_decoded_through_the_iodd)
{
    Sample sample;
    // Header: ArgBlock 0x7000, checksum, vendor 1789, device 300301, function 0.
    QByteArray backup = QByteArray::fromHex("7000"
                                            "01020304"
                                            "06fd"
                                            "0004950d"
                                            "0000");
    // V_Limits (index 66): +850, -150 big-endian, 10, then bit 1 (logic) and
    // bit 0 (enable) of the last octet.
    backup += QByteArray::fromHex("0042"
                                  "00"
                                  "06"
                                  "0352ff6a0a02");
    backup += QByteArray::fromHex("0043"
                                  "00"
                                  "06"
                                  "0001"
                                  "0100"
                                  "ffff"); // V_History: 1, 256, 65535
    backup += QByteArray::fromHex("0044"
                                  "00"
                                  "08"
                                  "00000001"
                                  "2a05f200"); // 5000000000 s
    backup += QByteArray::fromHex("0047"
                                  "00"
                                  "10") +
              "Tank \xCE\xA9" + QByteArray(9, '\0');
    backup += QByteArray::fromHex("0064"
                                  "00"
                                  "02"
                                  "abcd"); // an index the IODD does not have
    const QString file = sample.write(QStringLiteral("port.ds"), backup);
    DeviceModel model;
    ASSERT_TRUE(sample.load(model, file));
    const std::pair<const char *, const char *> expected[] = {
        {"V_Limits.1", "85.0"},
        {"V_Limits.2", "-15.0"},
        {"V_Limits.3", "1.0"},
        {"V_Limits.4", "normally closed"},
        {"V_Limits.5", "false"},
        {"V_History.1", "1"},
        {"V_History.2", "256"},
        {"V_History.3", "65535"},
        {"V_OperatingSeconds", "5000000000"},
        {"V_Note", "Tank Ω"},
    };
    // What the device holds shows after an upload.
    model.setUploadProgress(1);
    model.advanceUpload(100);
    for (const auto &[name, text] : expected)
        EXPECT_EQ(shown(model, QLatin1String(name), true), QString::fromUtf8(text)) << name;

    // Cut short, or for another device: refused, with both ids named.
    const QString cut = sample.write(QStringLiteral("cut.ds"), backup.left(backup.size() - 1));
    QString error;
    DeviceModel refused;
    EXPECT_FALSE(sample.load(refused, cut, &error));
    EXPECT_EQ(error, cut + QStringLiteral(": index 100 is cut off: 2 octets announced at octet 66"));
    QByteArray other = backup;
    other[7] = char(0xFF);
    const QString wrong = sample.write(QStringLiteral("wrong.ds"), other);
    EXPECT_FALSE(sample.load(refused, wrong, &error));
    EXPECT_EQ(error, wrong +
                         QStringLiteral(": the values are for vendor id 1791, device id 300301; the IODD ") +
                         sample.path() + QStringLiteral(" describes vendor id 1789, device id 300301"));
    EXPECT_FALSE(refused.hasItem(QStringLiteral("V_Unit")));
}

TEST(iodd_test, json_answers_of_a_master_become_the_device_values)
{
    Sample sample;
    DeviceModel model;
    ASSERT_TRUE(sample.load(model, sample.file(QStringLiteral("port1-TS300.json"))));
    model.setUploadProgress(1);
    model.advanceUpload(100);
    const std::pair<const char *, const char *> expected[] = {
        {"V_SerialNumber", "LS2026-0007"},
        {"V_Temperature", "under range"},
        {"V_Limits.1", "90.0"},
        {"V_Limits.4", "normally closed"},
        {"V_History.3", "300"},
        {"V_Display", "off"},
        {"V_OperatingSeconds", "5000000000"},
        {"V_Note", "Pump &lt;P1&gt; &amp; Ω"}, // markup in a value shows as text
    };
    for (const auto &[name, text] : expected)
        EXPECT_EQ(shown(model, QLatin1String(name), true), QString::fromUtf8(text)) << name;
    // The values' own product id picks the variant.
    EXPECT_EQ(shown(model, QStringLiteral("&amp;&amp;iodd&amp;&amp;Variant")),
              QStringLiteral("TS-300-A (the values' product id)"));

    const QString bad = sample.write(QStringLiteral("bad.json"),
                                     R"({"parameters": [{"index": 66, "subindex": 9, "value": 1}]})");
    QString error;
    DeviceModel refused;
    EXPECT_FALSE(sample.load(refused, bad, &error));
    EXPECT_EQ(error, bad + QStringLiteral(": index 66 has no subindex 9"));
}

TEST(iodd_test, hostile_xml_is_refused_before_anything_it_names_is_read)
{
    Sample sample;
    const QString secret = sample.write(QStringLiteral("secret.txt"), "SECRET");
    const QByteArray laughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE IODevice [\n<!ENTITY a \"lol\">\n"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n]>\n<IODevice>&c;</IODevice>\n";
    const QByteArray external = "<?xml version=\"1.0\"?>\n<!DOCTYPE IODevice [<!ENTITY x SYSTEM \"file://" +
                                secret.toUtf8() + "\">]>\n<IODevice>&x;</IODevice>\n";
    QByteArray deep = "<?xml version=\"1.0\"?>\n<IODevice xmlns=\"http://www.io-link.com/IODD/2010/10\">";
    for (int i = 0; i < 10000; ++i)
        deep += "<a>";
    const std::pair<QByteArray, QString> cases[] = {
        {laughs, QStringLiteral("refused: the file declares a document type (entities are not read)")},
        {external, QStringLiteral("refused: the file declares a document type (entities are not read)")},
        {deep, QStringLiteral("refused: elements nested deeper than 64")},
        {"<IODevice xmlns=\"urn:other\"/>", QStringLiteral("not an IODD of schema 1.0.1 or 1.1 (namespace "
                                                           "\"urn:other\")")},
    };
    for (const auto &[bytes, message] : cases) {
        const QString path = sample.write(QStringLiteral("hostile.xml"), bytes);
        DeviceModel model;
        QString error;
        EXPECT_FALSE(sample.load(model, {}, &error, path));
        EXPECT_EQ(error, path + QStringLiteral(": ") + message);
        EXPECT_EQ(model.descriptionPath(), QString());
    }

    // 100 MB, sparse: refused by its size before a byte is read.
    const QString huge = sample.file(QStringLiteral("huge.xml"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(100) << 20));
    file.close();
    DeviceModel model;
    QString error;
    EXPECT_FALSE(sample.load(model, {}, &error, huge));
    EXPECT_EQ(error, huge + QStringLiteral(": cannot read: Larger than 64 MiB"));
    // A FIFO would hold a reader up for ever: refused unopened.
    const QString fifo = sample.file(QStringLiteral("fifo.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(sample.load(model, {}, &error, fifo));
    EXPECT_EQ(error, fifo + QStringLiteral(": cannot read: Not a regular file (a FIFO)"));
}

TEST(iodd_test, schema_versions_byte_order_marks_and_case_blind_collisions)
{
    Sample sample;
    const QByteArray variable = "<Variable id=\"V_A\" index=\"64\" accessRights=\"rw\" defaultValue=\"3\">"
                                "<Datatype xsi:type=\"UIntegerT\" bitLength=\"8\"/><Name textId=\"T_Name\"/>"
                                "</Variable>";
    const QString old =
        sample.write(QStringLiteral("old.xml"),
                     "\xEF\xBB\xBF" + ioddWith(variable, {}, "http://www.io-link.com/IODD/2009/11"));
    DeviceModel model;
    ASSERT_TRUE(sample.load(model, {}, nullptr, old));
    EXPECT_EQ(shown(model, QStringLiteral("V_A")), QStringLiteral("3"));

    QByteArray twin = variable;
    twin.replace("V_A", "v_a").replace("\"64\"", "\"65\"");
    const QString clash = sample.write(QStringLiteral("clash.xml"), ioddWith(variable + twin));
    QString error;
    DeviceModel refused;
    EXPECT_FALSE(sample.load(refused, {}, &error, clash));
    EXPECT_EQ(error, clash + QStringLiteral(": the objects \"V_A\" and \"v_a\" differ only in case"));
}

TEST(iodd_test, a_library_finds_the_newest_iodd_of_a_device)
{
    Sample sample;
    const QByteArray base = ioddWith({});
    QByteArray newer = base;
    newer.replace("releaseDate=\"2026-01-01\"", "releaseDate=\"2026-06-30\"");
    sample.write(QStringLiteral("Acme-Thing-20260101-IODD1.1.xml"), base);
    const QString latest = sample.write(QStringLiteral("Acme-Thing-20260630-IODD1.1.xml"), newer);
    sample.write(QStringLiteral("broken.xml"), "<IODevice");
    const Iodd::Library library(sample.iodds().path());
    EXPECT_EQ(library.find(77, 9), latest);
    EXPECT_EQ(library.find(1789, 300301), sample.path());
    EXPECT_EQ(library.find(1789, 1), QString());
    // The language file and the broken file are no IODDs.
    EXPECT_EQ(library.size(), 2);
    EXPECT_EQ(library.skipped().size(), 2);
}
