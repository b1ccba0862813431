#include "platform/Locale.h"
#include "ScopedEnv.h"

#include <gtest/gtest.h>

namespace {

struct LocaleCase
{
    const char *lcAll;
    const char *lcMessages;
    const char *lang;
    LCID expected;
};

void setLocaleVariables(ScopedEnv &env, const char *lcAll, const char *lcMessages, const char *lang)
{
    env.set("LC_ALL", lcAll);
    env.set("LC_MESSAGES", lcMessages);
    env.set("LANG", lang);
}

} // namespace

TEST(locale_test, identifiers_follow_the_first_locale_variable_set)
{
    const LocaleCase cases[] = {
        {"de_DE.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8", 1031},
        {"", "de_AT.UTF-8", "en_GB", 3079},
        {"", "", "de_CH.ISO-8859-1", 2055},
        {"", "", "", 1033},
        {"C", "de_DE", "de_DE", 1033},
        {"POSIX", "", "de_DE", 1033},
        {"C.UTF-8", "", "", 1033},
        {"", "", "de_DE@euro", 1031},
        {"", "", "de_DE.ISO-8859-15@euro", 1031},
        {"", "", "de", 1031},
        {"", "", "fr", 1036},
        {"", "", "pt", 2070},
        {"", "", "de_XX.UTF-8", 1031},
        {"", "", "xx_YY.UTF-8", 1033},
        {"", "", "en_GB.UTF-8", 2057},
        {"", "", "fr_CA", 3084},
        {"", "", "es_ES", 3082},
        {"", "", "nl_BE", 2067},
        {"", "", "pt_BR", 1046},
        {"", "", "zh_CN.GB2312", 2052},
        {"", "", "ja_JP.eucJP", 1041},
    };
    for (const LocaleCase &c : cases) {
        ScopedEnv env;
        setLocaleVariables(env, c.lcAll, c.lcMessages, c.lang);
        SCOPED_TRACE(testing::Message() << c.lcAll << " / " << c.lcMessages << " / " << c.lang);
        EXPECT_EQ(GetUserDefaultLCID(), c.expected);
        EXPECT_EQ(GetUserDefaultLangID(), LANGID(c.expected & 0xFFFF));
    }
}

TEST(locale_test, a_changed_environment_takes_effect_at_once)
{
    ScopedEnv env;
    setLocaleVariables(env, "de_DE.UTF-8", "", "");
    EXPECT_EQ(GetUserDefaultLCID(), 1031u);
    env.set("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(GetUserDefaultLCID(), 1033u);
    EXPECT_EQ(UserLocale::shortMonthName(12), QStringLiteral("Dec"));
}

TEST(locale_test, german_and_english_date_and_number_conventions)
{
    struct Case
    {
        const char *name;
        QString december;
        QString october;
        QString decimal;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", QStringLiteral("Dez"), QStringLiteral("Okt"), QStringLiteral(",")},
        {"en_US.UTF-8", QStringLiteral("Dec"), QStringLiteral("Oct"), QStringLiteral(".")},
        {"en_GB.UTF-8", QStringLiteral("Dec"), QStringLiteral("Oct"), QStringLiteral(".")},
        {"C", QStringLiteral("Dec"), QStringLiteral("Oct"), QStringLiteral(".")},
    };
    for (const Case &c : cases) {
        ScopedEnv env;
        setLocaleVariables(env, c.name, "", "");
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UserLocale::shortMonthName(12), c.december);
        EXPECT_EQ(UserLocale::shortMonthName(10), c.october);
        EXPECT_EQ(UserLocale::timeSeparator(), QStringLiteral(":"));
        EXPECT_EQ(UserLocale::decimalSeparator(), c.decimal);
    }
}

TEST(locale_test, locale_matches_the_identifier)
{
    ScopedEnv env;
    setLocaleVariables(env, "de_AT.UTF-8", "", "");
    EXPECT_EQ(UserLocale::locale().language(), QLocale::German);
    EXPECT_EQ(UserLocale::locale().territory(), QLocale::Austria);
    env.set("LC_ALL", "POSIX");
    EXPECT_EQ(UserLocale::locale().language(), QLocale::English);
}
