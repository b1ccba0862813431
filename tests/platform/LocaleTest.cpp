#include "platform/Locale.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

namespace {

void setLocaleVariables(ScopedEnv &env, const char *lcAll, const char *lcMessages = "", const char *lang = "",
                        const char *lcNumeric = "")
{
    env.set("LC_ALL", lcAll);
    env.set("LC_MESSAGES", lcMessages);
    env.set("LANG", lang);
    env.set("LC_NUMERIC", lcNumeric);
}

} // namespace

TEST(locale_test, identifiers_follow_the_first_locale_variable_set)
{
    const struct
    {
        const char *lcAll, *lcMessages, *lang;
        LCID expected;
    } cases[] = {
        {"de_DE.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8", 1031},
        {"", "de_AT.UTF-8", "en_GB", 3079},
        {"C", "de_DE", "de_DE", 1033},
        {"", "", "de_DE.ISO-8859-15@euro", 1031},
        {"", "", "xx_YY.UTF-8", 1033},
        {"", "", "fr_FR", 1036},
    };
    for (const auto &c : cases) {
        ScopedEnv env;
        setLocaleVariables(env, c.lcAll, c.lcMessages, c.lang);
        SCOPED_TRACE(testing::Message() << c.lcAll << " / " << c.lcMessages << " / " << c.lang);
        EXPECT_EQ(GetUserDefaultLCID(), c.expected);
        EXPECT_EQ(GetUserDefaultLangID(), LANGID(c.expected & 0xFFFF));
    }
}

TEST(locale_test, german_and_english_date_and_number_conventions)
{
    const struct
    {
        const char *name, *december, *decimal;
        QLocale::Language language;
    } cases[] = {
        {"de_DE.UTF-8", "Dez", ",", QLocale::German},
        {"en_US.UTF-8", "Dec", ".", QLocale::English},
    };
    for (const auto &c : cases) {
        ScopedEnv env;
        setLocaleVariables(env, c.name);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UserLocale::shortMonthName(12), QLatin1String(c.december));
        EXPECT_EQ(UserLocale::timeSeparator(), QStringLiteral(":"));
        EXPECT_EQ(UserLocale::decimalSeparator(), QLatin1String(c.decimal));
        EXPECT_EQ(UserLocale::locale().language(), c.language);
    }
}

TEST(locale_test, the_decimal_separator_follows_the_number_locale_not_the_language)
{
    const struct
    {
        const char *lcAll, *lcNumeric, *lcMessages, *lang;
        const char *decimal;
        LCID language;
    } cases[] = {
        {"", "de_DE.UTF-8", "", "en_US.UTF-8", ",", 1033},
        {"", "en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", ".", 1031},
        {"en_GB.UTF-8", "de_DE.UTF-8", "", "de_DE.UTF-8", ".", 2057},
        {"de_AT.UTF-8", "en_US.UTF-8", "", "", ",", 3079},
        {"", "", "", "fr_FR.UTF-8", ",", 1036},
        {"", "C", "", "de_DE.UTF-8", ".", 1031},
    };
    for (const auto &c : cases) {
        ScopedEnv env;
        setLocaleVariables(env, c.lcAll, c.lcMessages, c.lang, c.lcNumeric);
        SCOPED_TRACE(testing::Message()
                     << c.lcAll << " / " << c.lcNumeric << " / " << c.lcMessages << " / " << c.lang);
        EXPECT_EQ(UserLocale::decimalSeparator(), QLatin1String(c.decimal));
        EXPECT_EQ(GetUserDefaultLCID(), c.language);
    }
}
