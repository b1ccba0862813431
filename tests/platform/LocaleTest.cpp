// SPDX-License-Identifier: Apache-2.0
#include "platform/Locale.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>
#include <tuple>

TEST(locale_test, the_decimal_separator_follows_the_number_locale_not_the_language)
{
    const std::tuple<const char *, const char *, const char *, const char *, const char *, LCID> cases[] = {
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
    for (const auto &[lcAll, lcNumeric, lcMessages, lang, decimal, language] : cases) {
        ScopedEnv env;
        env.set("LC_ALL", lcAll);
        env.set("LC_MESSAGES", lcMessages);
        env.set("LANG", lang);
        env.set("LC_NUMERIC", lcNumeric);
        SCOPED_TRACE(testing::Message()
                     << lcAll << " / " << lcNumeric << " / " << lcMessages << " / " << lang);
        EXPECT_EQ(UserLocale::decimalSeparator(), QLatin1String(decimal));
        EXPECT_EQ(GetUserDefaultLCID(), language);
        EXPECT_EQ(GetUserDefaultLangID(), LANGID(language & 0xFFFF));
    }

    // A page's date reads "4.Dez 2026": the locale's abbreviation dot is not kept.
    ScopedEnv german("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(UserLocale::shortMonthName(12), QStringLiteral("Dez"));
}
