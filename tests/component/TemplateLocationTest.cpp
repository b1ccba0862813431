// SPDX-License-Identifier: Apache-2.0
// How attaching derives the template's file name and folder from the host's
// description: its "PRINTTEMPLATEFILE" entry, the user's language and the
// description file's path.
#include "ComponentFixture.h"

using template_location_test = ComponentFixture;

TEST_F(template_location_test, the_file_name_is_the_text_before_the_first_dot_the_language_code_and_htm)
{
    // Setting (none: no entry), locale, template file name.
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"Pump.htm", "en_US.UTF-8", "Pump001.HTM"},
        {"Pump.htm", "de_DE.UTF-8", "Pump049.HTM"},
        {"Pump.htm", "de_AT.UTF-8", "Pump001.HTM"},
        {"Report.Dev.htm", "en_US.UTF-8", "Report001.HTM"},
        {"Pump", "en_US.UTF-8", "Pump001.HTM"},
        {".htm", "de_DE.UTF-8", "049.HTM"},
        {"rate %1 of %2.htm", "en_US.UTF-8", "rate %1 of %2001.HTM"},
        {nullptr, "en_US.UTF-8", ""},
    };
    for (const auto &[setting, locale, fileName] : cases) {
        SCOPED_TRACE(std::string(setting ? setting : "(none)") + " " + locale);
        env.set("LC_ALL", locale);
        if (setting)
            model.setSettingEntry("PRINTTEMPLATEFILE", QString::fromUtf8(setting));
        else
            model.removeSettingEntry("PRINTTEMPLATEFILE");
        ASSERT_EQ(attach(), S_OK);
        EXPECT_EQ(component()->GetTemplateFileName(), QString::fromUtf8(fileName));
        EXPECT_EQ(component()->languageCode(), QString::fromUtf8(locale).startsWith("de_DE") ? "049" : "001");
    }
}

TEST_F(template_location_test, the_folder_is_the_description_path_up_to_its_last_separator)
{
    const std::pair<const char *, const char *> cases[] = {
        {"C:\\Dev\\Pump\\Pump.kqd", "C:\\Dev\\Pump\\"},
        {"/srv/dev/Pump.kqd", "/srv/dev/"},
        {"/srv/dev\\sub/Pump.kqd", "/srv/dev\\sub/"},
        {"/srv/dev/sub\\Pump.kqd", "/srv/dev/sub\\"},
        {"/srv/dir%1x/Pump.kqd", "/srv/dir%1x/"},
        {"Pump.kqd", ""},
        {"/", "/"},
        {"", ""}, // the item does not exist
    };
    for (const auto &[descriptionPath, folder] : cases) {
        SCOPED_TRACE(descriptionPath);
        model.setDescriptionPath(QString::fromUtf8(descriptionPath));
        model.clearCalls();
        ASSERT_EQ(attach(), S_OK);
        EXPECT_EQ(component()->GetTemplateDirectory(), QString::fromUtf8(folder));
        EXPECT_TRUE(eachOpenedItemClosedOnce(model));
    }
}
