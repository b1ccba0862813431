// SPDX-License-Identifier: Apache-2.0
#include "platform/ComError.h"
#include "platform/StringBlock.h"
#include "resources/Toolkit_LoadResource.h"
#include "tests/support/ComErrorAssert.h"
#include "tests/support/ScopedEnv.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

/// A block built by hand: position -> text, every other position absent.
Bytes makeBlock(const std::map<unsigned, std::u16string> &texts)
{
    Bytes bytes;
    const auto put = [&bytes](char16_t unit) {
        bytes.push_back(std::uint8_t(unit & 0xff));
        bytes.push_back(std::uint8_t(unit >> 8));
    };
    for (unsigned position = 0; position < 16; ++position) {
        const auto found = texts.find(position);
        const std::u16string text = found == texts.end() ? std::u16string() : found->second;
        put(char16_t(text.size()));
        for (const char16_t unit : text)
            put(unit);
    }
    return bytes;
}

/// A module whose block 1 exists in each of `languages`, holding "L<language>" at id 5.
class TestModule
{
public:
    explicit TestModule(const std::vector<LANGID> &languages)
    {
        for (const LANGID language : languages)
            m_blocks.push_back(makeBlock({{5, u"L" + QString::number(language).toStdU16String()}}));
        for (std::size_t i = 0; i < languages.size(); ++i)
            m_entries.push_back(
                {RT_STRING, 1, languages[i], m_blocks[i].data(), std::uint32_t(m_blocks[i].size())});
        m_module = {m_entries.data(), m_entries.size()};
    }
    HMODULE get() const { return &m_module; }

private:
    std::vector<Bytes> m_blocks;
    std::vector<ResourceEntry> m_entries;
    ResourceModule m_module{};
};

} // namespace

TEST(resources_test, lookup_follows_the_user_language_with_english_fallback)
{
    const std::pair<const char *, const char *> cases[] = {
        {"de_DE.UTF-8", "&Datei"}, {"de_AT.UTF-8", "&File"}, {"fr_FR.UTF-8", "&File"}, {"C", "&File"}};
    const int loaded = loadedResourceCount();
    for (const auto &[locale, file] : cases) {
        ScopedEnv env("LC_ALL", locale);
        EXPECT_EQ(GetLocalString(101), QString::fromUtf8(file)) << locale;
        EXPECT_EQ(GetLocalString(127), QString()) << "an empty position ends the lookup";
        for (const auto &[id, shown] : {std::pair<std::int16_t, const char *>{2000, "2000"}, {-1, "65535"}})
            EXPECT_COM_ERROR(GetLocalString(id), E_INVALIDARG,
                             QStringLiteral("Resource with identifier '%1' not found").arg(shown));
    }
    QString found;
    EXPECT_FALSE(FindLocalString(quiravelResourceModule(), 127, 1036, &found));
    EXPECT_EQ(loadedResourceCount(), loaded) << "every block loaded is freed";
}

TEST(resources_test, lookup_order_over_the_languages_a_module_holds)
{
    // Picked block for a neutral or exact request.
    const std::tuple<std::vector<LANGID>, const char *, LANGID, std::optional<LANGID>> finds[] = {
        {{1031, 0, 1033}, "de_DE.UTF-8", 0, 0},    {{1033, 1031}, "de_DE.UTF-8", 0, 1031},
        {{1031, 1033}, "fr_FR.UTF-8", 0, 1033},    {{1036, 3079}, "en_US.UTF-8", 0, 1036},
        {{1031, 1033}, "en_US.UTF-8", 1031, 1031}, {{1031}, "en_US.UTF-8", 1033, std::nullopt},
        {{}, "en_US.UTF-8", 0, std::nullopt},
    };
    for (const auto &[present, locale, requested, picked] : finds) {
        ScopedEnv env("LC_ALL", locale);
        const TestModule module(present);
        HRSRC found =
            FindResourceExA(module.get(), MAKEINTRESOURCEA(RT_STRING), MAKEINTRESOURCEA(1), requested);
        EXPECT_EQ(found ? std::optional<LANGID>(found->language) : std::nullopt, picked)
            << locale << " " << requested;
    }

    // The module's own string lookup for a German user.
    const std::pair<std::vector<LANGID>, const char *> loads[] = {
        {{0, 1033, 1031}, "L1031"}, {{1033, 0}, "L0"}, {{1036, 1033}, "L1033"}, {{1036, 3082}, "L1036"}};
    ScopedEnv env("LC_ALL", "de_DE.UTF-8");
    for (const auto &[present, text] : loads) {
        const TestModule module(present);
        EXPECT_EQ(LoadResString(module.get(), 5), QLatin1String(text));
        EXPECT_EQ(LoadResString(module.get(), 6), QString());
    }
    EXPECT_COM_ERROR(LoadResString(TestModule({1031}).get(), 40), E_INVALIDARG,
                     QStringLiteral("Resource with identifier '40' not found"));
}

namespace {

struct TableEntry
{
    std::int16_t id;
    const char16_t *english;
    const char16_t *german;
};

/// The string table as designed, apart from the help texts.
const TableEntry kStringTable[] = {
    {101, u"&File", u"&Datei"},
    {102, u"&Load", u"&Öffnen"},
    {103, u"&Save", u"&Speichern"},
    {104, u"S&ave As..", u"S&peichern als..."},
    {105, u"&Exit", u"&Beenden"},
    {106, u"&View", u"&Ansicht"},
    {107, u"Copy", u"Kopieren"},
    {108, u"Insert", u"Einfügen"},
    {109, u"Cut", u"Ausschneiden"},
    {110, u"Delete", u"Löschen"},
    {111, u"Create a printfile with default template", u"Anlegen einer Druckdatei mit Standard-Vorlage"},
    {112, u"Format", u"Formatieren"},
    {113, u"Select font", u"Schriftart"},
    {114, u"Select font color", u"Schriftfarbe"},
    {115, u"Create a report", u"Anlegen einer Gerätedatendatei"},
    {116, u"&Print", u"&Drucken"},
    {117, u"P&rint Preview", u"D&ruckvorschau"},
    {118, u"&Application", u"&Oberfläche"},
    {119, u"&Database", u"&Datenbank"},
    {120, u"&Device", u"&Gerät"},
    {121, u"With upload", u"Mit Upload"},
    {122, u"Quiravel with device data", u"HTML Seitenansicht mit Gerätedaten"},
    {123, u"Next ", u"Weiter"},
    {124, u"Make printview file", u"Druckdatei anlegen"},
    {125, u"Upload", u"Lade Daten vom Geraet"},
    {126, u"&Help", u"&Hilfe"},
    {1101, u"Date", u"Datum"},
    {1102, u"Time", u"Uhrzeit"},
    {1103, u"User", u"Benutzer"},
    {1104, u"Company", u"Firma"},
    {1111, u"Nickname", u"Nickname"},
    {1112, u"Defaulttag", u"Defaulttag"},
    {1113, u"VendorID", u"VendorID"},
    {1114, u"DeviceID", u"DeviceID"},
    {1115, u"AdDeviceID", u"AdDeviceID"},
    {1116, u"HWRelease", u"HWRelease"},
    {1117, u"SWRelease", u"SWRelease"},
    {1118, u"StartAlways", u"StartAlways"},
    {1119, u"DeviceTypeText", u"DeviceTypeText"},
    {1120, u"Vendor", u"Vendor"},
    {1121, u"DeviceDescLong", u"DeviceDescLong"},
    {1131, u"File not found !", u"Datei nicht gefunden !"},
    {1132, u"Device disconnected !", u"Gerät nicht verbunden !"},
    {1133, u"Data = Application data", u"Daten = Oberflächendaten"},
    {1134, u"Data = Device data", u"Daten = Gerätedaten"},
    {1135, u"Data = Database data from", u"Daten = Datenbankdaten von"},
    {1136, u"The entry \"PrintTemplateFile\" in the KQD-file is NOT available !",
     u"Der Eintrag \"PrintTemplateFile\"in der KQD-file ist nicht eingetragen !"},
    {1137, u"Loading database...", u"Lade Datenbank..."},
    {1138, u"Generating printfile...", u"Erzeuge Druckdatei..."},
    {1139, u"Upload device data...", u"Lade Gerätedaten..."},
    {1140, u"TAG", u"Messstelle"},
    {1141, u"Printed on : ", u"Gedruckt am : "},
    {1142, u"Attention, overwrite application data !", u"Achtung, überschreibe Oberflächendaten !"},
    {1143, u"No (valid) Web Browser installation!", u"Keine (gültige) Web-Browser-Installation!"},
    {1144, u"The Print command is currently disabled!", u"Der Druckbefehl ist zur Zeit gesperrt!"},
    {1145, u"The Print Preview command is only available with Internet Explorer 5.5 or higher!",
     u"Die Druckvorschau ist nur mit Internet Explorer 5.5 oder höher möglich!"},
    {1146, u"Quiravel:  ", u"HTML Seitenansicht:  "},
    {1147, u"Application data", u"Oberflächendaten"},
    {1148, u"Device data", u"Gerätedaten"},
    {1149, u"Database data", u"Datenbankdaten"},
};

/// One help text: its lines joined by CR LF.
QString helpText(std::initializer_list<const char16_t *> lines)
{
    QStringList joined;
    for (const char16_t *line : lines)
        joined.append(QString::fromUtf16(line));
    return joined.join(QStringLiteral("\r\n"));
}

} // namespace

TEST(resources_test, the_whole_string_table_holds_each_entry_in_both_languages_and_nothing_else)
{
    std::map<std::int16_t, std::pair<QString, QString>> expected;
    for (const TableEntry &entry : kStringTable)
        expected[entry.id] = {QString::fromUtf16(entry.english), QString::fromUtf16(entry.german)};
    expected[99] = {
        helpText({u"", u"----------------------------------------------", u"View", u"  Application",
                  u"    Creates the actual view of the DTM's application data.", u"", u"  Database",
                  u"    Loads the data from a database into the DTM's application data.",
                  u"      !!! Attention, the actual application data of the DTM will be overwrite !!!", u"",
                  u"  Device", u"    Loads the data from the device into the DTM's application data.",
                  u"      !!! Attention, the actual application data of the DTM will be overwrite !!!"}),
        helpText(
            {u"", u"----------------------------------------------", u"Ansicht", u"  Oberfläche",
             u"    Erzeugt die Ansicht der aktuellen Oberflächendaten des DTM.", u"", u"  Datenbank",
             u"    Lädt die Daten von einer Datenbank in die Oberfläche des DTM.",
             u"      !!! Achtung, die aktuell gültigen Oberflächendaten werden hiermit überschrieben !!!",
             u"", u"  Gerät", u"    Lädt die Daten von dem Gerät in die Oberfläche des DTM.",
             u"      !!! Achtung, die aktuell gültigen Oberflächendaten werden hiermit überschrieben !!!"})};
    expected[100] = {
        helpText({u"File", u"  Print", u"    Prints the actual view.", u"", u"  Print Preview",
                  u"    (Only IE 5.5) Opens the actual view in the print preview.", u"", u"  Exit",
                  u"    Close the Quiravel."}),
        helpText({u"Datei", u"  Drucken", u"    Gibt die aktuell angezeigte Datei auf den Drucker aus.", u"",
                  u"  Druckvorschau",
                  u"    (Nur ab IE 5.5) Öffnet die aktuell angezeigte Datei in der Druckvorschau.", u"",
                  u"  Beenden", u"    Beendet die Quiravel."})};
    ASSERT_EQ(expected.size(), 62u);

    for (const bool german : {false, true}) {
        ScopedEnv env("LC_ALL", german ? "de_DE.UTF-8" : "en_US.UTF-8");
        for (const auto &[id, texts] : expected)
            EXPECT_EQ(GetLocalString(id), german ? texts.second : texts.first)
                << id << (german ? " de" : " en");
        // Every other id is absent: its block is missing or its place empty.
        for (std::int16_t id = 0; id < 1200; ++id) {
            if (expected.count(id))
                continue;
            QString text;
            try {
                text = GetLocalString(id);
            } catch (const ComError &) {
            }
            EXPECT_EQ(text, QString()) << "an entry the table does not hold: " << id;
        }
    }
}
