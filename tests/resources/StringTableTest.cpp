#include "ExpectedStrings.h"
#include "LocaleOverride.h"

#include "platform/ComError.h"
#include "resources/Language.h"
#include "resources/Toolkit_LoadResource.h"
#include "resources/Version.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <vector>

namespace {

constexpr LANGID german = 1031;
constexpr LANGID english = 1033;

QString text(const char16_t *s)
{
    return QString::fromUtf16(s);
}

QString localString(LANGID language, std::uint16_t id)
{
    QString found;
    EXPECT_TRUE(FindLocalString(quiravelResourceModule(), id, language, &found)) << language << " " << id;
    return found;
}

} // namespace

TEST(resources_test, every_id_holds_the_exact_text_in_both_languages)
{
    for (const ExpectedString &row : kExpectedStrings) {
        EXPECT_EQ(localString(english, row.id), text(row.english)) << row.id;
        EXPECT_EQ(localString(german, row.id), text(row.german)) << row.id;
    }
}

TEST(resources_test, table_holds_only_the_listed_ids_and_languages)
{
    std::set<std::uint16_t> expected;
    for (const ExpectedString &row : kExpectedStrings)
        expected.insert(row.id);

    std::map<LANGID, std::set<std::uint16_t>> present;
    const ResourceModule &module = *quiravelResourceModule();
    for (std::size_t i = 0; i < module.count; ++i) {
        const ResourceEntry &entry = module.entries[i];
        ASSERT_EQ(entry.type, RT_STRING);
        for (unsigned position = 0; position < 16; ++position) {
            QString found;
            ASSERT_TRUE(readStringBlockEntry(entry.data, entry.size, position, &found));
            if (!found.isEmpty())
                present[entry.language].insert(static_cast<std::uint16_t>((entry.name - 1) * 16 + position));
        }
    }
    EXPECT_EQ(present.size(), 2u);
    EXPECT_EQ(present[english], expected);
    EXPECT_EQ(present[german], expected);
}

TEST(resources_test, help_texts_are_lines_joined_by_cr_lf)
{
    for (const LANGID language : {english, german}) {
        const QString help = localString(language, 100) + localString(language, 99);
        EXPECT_EQ(help.count(u'\r'), help.count(QStringLiteral("\r\n")));
        EXPECT_EQ(help.count(u'\n'), help.count(QStringLiteral("\r\n")));
        EXPECT_EQ(localString(language, 100).split(QStringLiteral("\r\n")).size(), 9);
        EXPECT_EQ(localString(language, 99).split(QStringLiteral("\r\n")).size(), 13);

        // Text 99 opens with a line break, so the help goes on from 100's
        // last line straight to the separator.
        const QStringList lines = help.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 21);
        EXPECT_EQ(lines.front(), language == german ? QStringLiteral("Datei") : QStringLiteral("File"));
        EXPECT_TRUE(lines[8].endsWith(QStringLiteral(" Quiravel.")));
        EXPECT_EQ(lines[9], QString(46, u'-'));
        EXPECT_EQ(lines[10], language == german ? QStringLiteral("Ansicht") : QStringLiteral("View"));
        EXPECT_TRUE(lines.back().startsWith(QStringLiteral("      !!! ")));
    }
}

TEST(resources_test, lookup_follows_the_user_language_with_english_fallback)
{
    const struct
    {
        const char *locale;
        bool german;
    } cases[] = {
        {"de_DE.UTF-8", true},  {"en_US.UTF-8", false}, {"de_AT.UTF-8", false},
        {"fr_FR.UTF-8", false}, {"C", false},           {"en_GB.UTF-8", false},
    };
    for (const auto &c : cases) {
        const LocaleOverride locale(c.locale);
        for (const ExpectedString &row : kExpectedStrings)
            EXPECT_EQ(GetLocalString(static_cast<std::int16_t>(row.id)),
                      text(c.german ? row.german : row.english))
                << c.locale << " " << row.id;
    }
    const LocaleOverride locale("en_US.UTF-8");
    EXPECT_EQ(GetLocalString(1146), QStringLiteral("Quiravel:  "));
    EXPECT_EQ(GetLocalString(123), QStringLiteral("Next "));
}

TEST(resources_test, empty_position_of_an_existing_block_ends_the_lookup)
{
    QString found = QStringLiteral("stale");
    EXPECT_TRUE(FindLocalString(quiravelResourceModule(), 127, german, &found));
    EXPECT_EQ(found, QString());
    EXPECT_FALSE(FindLocalString(quiravelResourceModule(), 127, 1036, &found));

    const LocaleOverride locale("de_DE.UTF-8");
    EXPECT_EQ(GetLocalString(127), QString());
}

TEST(resources_test, id_without_a_block_fails_in_the_last_resort)
{
    const LocaleOverride locale("de_DE.UTF-8");
    for (const auto &[id, shown] : {std::pair<std::int16_t, const char *>{2000, "2000"}, {-1, "65535"}}) {
        try {
            GetLocalString(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const ComError &error) {
            EXPECT_EQ(error.status(), E_INVALIDARG);
            EXPECT_EQ(error.description(),
                      QStringLiteral("Resource with identifier '%1' not found").arg(shown));
        }
    }
}

TEST(resources_test, every_loaded_block_is_freed)
{
    const int before = loadedResourceCount();
    for (const char *name : {"de_DE.UTF-8", "fr_FR.UTF-8"}) {
        const LocaleOverride locale(name);
        for (const ExpectedString &row : kExpectedStrings)
            GetLocalString(static_cast<std::int16_t>(row.id));
        GetLocalString(127);
        EXPECT_THROW(GetLocalString(2000), ComError);
    }
    EXPECT_EQ(loadedResourceCount(), before);

    HMODULE module = quiravelResourceModule();
    HRSRC block = FindResourceExA(module, MAKEINTRESOURCEA(RT_STRING), MAKEINTRESOURCEA(7), german);
    HGLOBAL loaded = LoadResource(module, block);
    EXPECT_EQ(loadedResourceCount(), before + 1);
    EXPECT_EQ(LockResource(loaded), block->data);
    EXPECT_NE(FreeResource(loaded), 0);
    EXPECT_EQ(FreeResource(loaded), 0);
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_EQ(loadedResourceCount(), before);
}

TEST(resources_test, language_code_is_049_only_for_german_in_germany)
{
    const struct
    {
        const char *locale;
        const char *code;
    } cases[] = {{"de_DE.UTF-8", "049"}, {"de_DE", "049"},       {"de_AT.UTF-8", "001"},
                 {"de_CH.UTF-8", "001"}, {"en_US.UTF-8", "001"}, {"C", "001"}};
    for (const auto &c : cases) {
        const LocaleOverride locale(c.locale);
        EXPECT_EQ(GetLanguageCode(), QLatin1String(c.code)) << c.locale;
    }
}

TEST(resources_test, version_resource_names_the_release)
{
    const VersionResource &version = quiravelVersionResource();
    EXPECT_EQ(std::vector<int>(std::begin(version.fileVersion), std::end(version.fileVersion)),
              (std::vector<int>{1, 0, 0, 4}));
    EXPECT_EQ(std::vector<int>(std::begin(version.productVersion), std::end(version.productVersion)),
              (std::vector<int>{1, 0, 0, 4}));
    EXPECT_EQ(QString::fromUtf16(version.block), QStringLiteral("040704B0"));
    EXPECT_EQ(versionResourceValue(QStringLiteral("FileVersion")), QStringLiteral("1.00.0004"));
    EXPECT_EQ(versionResourceValue(QStringLiteral("ProductVersion")), QStringLiteral("1.00.0004"));
    EXPECT_EQ(versionResourceValue(QStringLiteral("InternalName")), QStringLiteral("Quiravel"));
    EXPECT_EQ(versionResourceValue(QStringLiteral("CompanyName")), QString());
}
