#include "ExpectedStrings.h"
#include "LocaleOverride.h"

#include "platform/ComError.h"
#include "resources/Toolkit_LoadResource.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void putUnit(Bytes &bytes, char16_t unit)
{
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
}

/// A block built by hand: position -> text, every other position absent.
Bytes makeBlock(const std::map<unsigned, std::u16string> &texts)
{
    Bytes bytes;
    for (unsigned position = 0; position < 16; ++position) {
        const auto found = texts.find(position);
        const std::u16string text = found == texts.end() ? std::u16string() : found->second;
        putUnit(bytes, static_cast<char16_t>(text.size()));
        for (const char16_t unit : text)
            putUnit(bytes, unit);
    }
    return bytes;
}

/// A module whose block 1 exists in each of `languages`, holding "L<language>" at id 5.
class TestModule
{
public:
    explicit TestModule(const std::vector<LANGID> &languages)
    {
        for (const LANGID language : languages) {
            const std::u16string marker = u"L" + QString::number(language).toStdU16String();
            m_blocks.push_back(makeBlock({{5, marker}}));
        }
        for (std::size_t i = 0; i < languages.size(); ++i)
            m_entries.push_back(
                {RT_STRING, 1, languages[i], m_blocks[i].data(), std::uint32_t(m_blocks[i].size())});
        m_module = {m_entries.data(), m_entries.size()};
    }
    TestModule(const TestModule &) = delete;
    TestModule &operator=(const TestModule &) = delete;
    HMODULE get() const { return &m_module; }

private:
    std::vector<Bytes> m_blocks;
    std::vector<ResourceEntry> m_entries;
    ResourceModule m_module{};
};

std::optional<LANGID> pickedLanguage(HMODULE module, LANGID language)
{
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(RT_STRING), MAKEINTRESOURCEA(1), language);
    return found ? std::optional<LANGID>(found->language) : std::nullopt;
}

} // namespace

TEST(resources_test, compiled_blocks_match_the_platform_layout_byte_for_byte)
{
    std::map<std::pair<LANGID, std::uint16_t>, std::map<unsigned, std::u16string>> expected;
    for (const ExpectedString &row : kExpectedStrings) {
        const auto block = static_cast<std::uint16_t>(row.id / 16 + 1);
        expected[{1033, block}][row.id % 16] = row.english;
        expected[{1031, block}][row.id % 16] = row.german;
    }

    HMODULE module = quiravelResourceModule();
    ASSERT_EQ(module->count, expected.size());
    for (const auto &[key, texts] : expected) {
        HRSRC found =
            FindResourceExA(module, MAKEINTRESOURCEA(RT_STRING), MAKEINTRESOURCEA(key.second), key.first);
        ASSERT_NE(found, nullptr) << key.first << " block " << key.second;
        HGLOBAL loaded = LoadResource(module, found);
        const auto *data = static_cast<const std::uint8_t *>(LockResource(loaded));
        const Bytes block(data, data + SizeofResource(module, found));
        EXPECT_EQ(block, makeBlock(texts)) << key.first << " block " << key.second;
        FreeResource(loaded);
    }
}

TEST(resources_test, neutral_request_picks_neutral_then_user_then_english_then_first)
{
    const struct
    {
        std::vector<LANGID> present;
        const char *locale;
        LANGID requested;
        std::optional<LANGID> picked;
    } cases[] = {
        {{1031, 0, 1033}, "de_DE.UTF-8", 0, 0},    {{1033, 1031}, "de_DE.UTF-8", 0, 1031},
        {{1031, 1033}, "fr_FR.UTF-8", 0, 1033},    {{1036, 3079}, "en_US.UTF-8", 0, 1036},
        {{1031, 1033}, "en_US.UTF-8", 1031, 1031}, {{1031}, "en_US.UTF-8", 1033, std::nullopt},
        {{}, "en_US.UTF-8", 0, std::nullopt},
    };
    for (const auto &c : cases) {
        const LocaleOverride locale(c.locale);
        const TestModule module(c.present);
        EXPECT_EQ(pickedLanguage(module.get(), c.requested), c.picked) << c.locale << " " << c.requested;
    }
}

TEST(resources_test, module_lookup_prefers_user_then_neutral_then_english_then_any)
{
    const struct
    {
        std::vector<LANGID> present;
        const char *text;
    } cases[] = {
        {{0, 1033, 1031}, "L1031"},
        {{1033, 0}, "L0"},
        {{1036, 1033}, "L1033"},
        {{1036, 3082}, "L1036"},
    };
    const LocaleOverride locale("de_DE.UTF-8");
    for (const auto &c : cases) {
        const TestModule module(c.present);
        EXPECT_EQ(LoadResString(module.get(), 5), QLatin1String(c.text));
        EXPECT_EQ(LoadResString(module.get(), 6), QString());
    }
    const TestModule module({1031});
    EXPECT_THROW(LoadResString(module.get(), 40), ComError);
}

TEST(resources_test, truncated_blocks_are_rejected_where_they_end)
{
    Bytes block = makeBlock({{2, u"abc"}});
    QString text;
    EXPECT_TRUE(readStringBlockEntry(block.data(), std::uint32_t(block.size()), 15, &text));
    EXPECT_FALSE(readStringBlockEntry(block.data(), std::uint32_t(block.size()), 16, &text));
    EXPECT_FALSE(readStringBlockEntry(block.data(), std::uint32_t(block.size() - 2), 15, &text));
    EXPECT_TRUE(readStringBlockEntry(block.data(), 12, 2, &text));
    EXPECT_EQ(text, QStringLiteral("abc"));
    EXPECT_FALSE(readStringBlockEntry(block.data(), 11, 2, &text));
    EXPECT_FALSE(readStringBlockEntry(block.data(), 0, 0, &text));

    // A length that runs past the end makes the lookup miss, and its load is
    // still released.
    block.resize(8);
    ResourceEntry entry{RT_STRING, 1, 1031, block.data(), std::uint32_t(block.size())};
    const ResourceModule module{&entry, 1};
    const int before = loadedResourceCount();
    EXPECT_TRUE(FindLocalString(&module, 1, 1031, &text));
    EXPECT_FALSE(FindLocalString(&module, 2, 1031, &text));
    EXPECT_THROW(LoadResString(&module, 2), ComError);
    EXPECT_EQ(loadedResourceCount(), before);
}

TEST(resources_test, foreign_or_named_resources_are_not_found)
{
    const TestModule module({1031});
    const TestModule other({1031});
    HRSRC block = FindResourceExA(module.get(), MAKEINTRESOURCEA(RT_STRING), MAKEINTRESOURCEA(1), 1031);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(LoadResource(other.get(), block), nullptr);
    EXPECT_EQ(SizeofResource(other.get(), block), 0u);
    EXPECT_EQ(FindResourceExA(module.get(), MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(1), 1031), nullptr);
    EXPECT_EQ(FindResourceExA(module.get(), "STRING", MAKEINTRESOURCEA(1), 1031), nullptr);
    EXPECT_EQ(FindResourceExA(nullptr, MAKEINTRESOURCEA(RT_STRING), MAKEINTRESOURCEA(1), 1031), nullptr);
}
