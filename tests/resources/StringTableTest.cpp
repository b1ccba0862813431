#include "platform/ComError.h"
#include "platform/StringBlock.h"
#include "resources/Language.h"
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

TEST(resources_test, language_code_is_049_only_for_german_in_germany)
{
    const std::pair<const char *, const char *> cases[] = {
        {"de_DE.UTF-8", "049"}, {"de_AT.UTF-8", "001"}, {"en_US.UTF-8", "001"}};
    for (const auto &[locale, code] : cases) {
        ScopedEnv env("LC_ALL", locale);
        EXPECT_EQ(GetLanguageCode(), QLatin1String(code)) << locale;
    }
}
