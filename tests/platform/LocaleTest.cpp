#include "platform/Locale.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

TEST(locale_test, the_decimal_separator_follows_the_number_locale_not_the_language)
{
    const struct
    {
        const char *lcAll, *lcNumeric, *lcMessages, *lang;
        const char *decimal;
        LCID language;
    } cases[] = {
        {"", "de_DE.UTF-8", "", "en_US.UTF-8", ",", 1033},
        {"", "en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", ".", 1031},
        {"en_GB.UTF-8", "de_DE.UTF-8", "", "de_DE.UTF-8", ".", 2057},
        {"de_AT.UTF-8", "en_US.UTF-8", "en_US.UTF-8", "", ",", 3079},
        {"C", "", "de_DE.UTF-8", "de_DE.UTF-8", ".", 1033},
        {"", "", "", "fr_FR.UTF-8", ",", 1036},
        {"", "", "", "de_DE.ISO-8859-15@euro", ",", 1031},
        {"", "", "", "xx_YY.UTF-8", ".", 1033},
        {"", "C", "", "de_DE.UTF-8", ".", 1031},
    };
    for (const auto &c : cases) {
        ScopedEnv env;
        env.set("LC_ALL", c.lcAll);
        env.set("LC_MESSAGES", c.lcMessages);
        env.set("LANG", c.lang);
        env.set("LC_NUMERIC", c.lcNumeric);
        SCOPED_TRACE(testing::Message()
                     << c.lcAll << " / " << c.lcNumeric << " / " << c.lcMessages << " / " << c.lang);
        EXPECT_EQ(UserLocale::decimalSeparator(), QLatin1String(c.decimal));
        EXPECT_EQ(GetUserDefaultLCID(), c.language);
        EXPECT_EQ(GetUserDefaultLangID(), LANGID(c.language & 0xFFFF));
    }
}
