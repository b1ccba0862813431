// SPDX-License-Identifier: Apache-2.0
// The viewer window as the host reaches it: through the component's View.
#include "ComponentFixture.h"

#include "tests/support/FileGuards.h"

using window_test = ComponentFixture;

TEST_F(window_test, show_localises_every_caption_in_the_users_language)
{
    // English is the captions' own language; German shows they are looked up.
    env.set("LC_ALL", "de_DE.UTF-8");
    ASSERT_EQ(attach(), S_OK);
    writeBytes(path(component()->GetTemplateFileName()), "<p>#VENDOR#</p>\n");
    TemplateGuard guard(path(component()->GetTemplateFileName()));
    ASSERT_EQ(show(), S_OK);
    ASSERT_NE(window(), nullptr);
    QStringList captions;
    for (const char *entry : {"datei_m", "Drucken_m", "Druckvorschau_m", "leer0_m", "Beenden_m",
                              "bearbeiten_m", "srcValue", "scrDatabase", "scrShadow", "m_Help"}) {
        QAction *action = window()->menuEntry(entry);
        ASSERT_NE(action, nullptr) << entry;
        captions.append(action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(captions, QStringList({"&Datei", "&Drucken", "D&ruckvorschau", "-", "&Beenden", "&Ansicht",
                                     "&Oberfläche", "&Datenbank", "&Gerät", "&Hilfe"}));
    // The Application command ran after the load and named its source.
    EXPECT_EQ(window()->windowTitle(), GetLocalString(1146) + GetLocalString(1147));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(window_test, a_browser_that_cannot_be_set_up_reports_1143_closes_the_window_and_fails_show)
{
    const std::pair<const char *, std::function<void(FakeBrowser &)>> cases[] = {
        {"creation fails", {}},
        {"a property is refused", [](FakeBrowser &b) { b.failProperties = true; }},
        {"the first navigation fails", [](FakeBrowser &b) { b.failNavigate = true; }},
    };
    writeBytes(path("Pump001.HTM"), "<p>#VENDOR#</p>\n");
    for (const auto &[what, setup] : cases) {
        SCOPED_TRACE(what);
        messages.clear();
        browsers.failCreate = !setup;
        browsers.setup = setup;
        const int released = model.releaseViewCount();
        ASSERT_EQ(attach(), S_OK);
        QPointer<frmQuiravel> w = window();
        EXPECT_EQ(show(), E_UNEXPECTED) << "the window is gone: nothing was shown";
        EXPECT_EQ(messages, QStringList{"No (valid) Web Browser installation!"});
        EXPECT_EQ(component()->window(), nullptr) << "the window unloaded and detached the component";
        EXPECT_EQ(model.releaseViewCount(), released + 1);
        flushDeletes();
        EXPECT_TRUE(w.isNull());
        EXPECT_FALSE(QFile::exists(path("PumpPRN.HTM"))) << "the Application command ran without a window";
        std::int32_t result = 0;
        EXPECT_TRUE(FAILED(view->Show(&result)));
        EXPECT_EQ(model.releaseViewCount(), released + 1);
    }
}
