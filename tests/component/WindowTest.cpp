// The viewer window as the host reaches it: through the component's View.
#include "ComponentFixture.h"

#include "resources/Toolkit_LoadResource.h"
#include "tests/support/FileGuards.h"
#include "viewer/frmQuiravel.h"

#include <QAction>
#include <QFile>
#include <functional>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

using window_test = ComponentFixture;

TEST_F(window_test, show_localises_every_caption_in_the_users_language)
{
    struct Case
    {
        const char *locale;
        QStringList captions; // datei_m, Drucken_m, Druckvorschau_m, leer0_m, Beenden_m, bearbeiten_m,
                              // srcValue, scrDatabase, scrShadow, m_Help
    } cases[] = {
        {"en_US.UTF-8",
         {"&File", "&Print", "P&rint Preview", "-", "&Exit", "&View", "&Application", "&Database", "&Device",
          "&Help"}},
        {"de_DE.UTF-8",
         {"&Datei", "&Drucken", "D&ruckvorschau", "-", "&Beenden", "&Ansicht",
          QString::fromUtf8("&Oberfläche"), "&Datenbank", QString::fromUtf8("&Gerät"), "&Hilfe"}},
    };
    const QStringList entries = {"datei_m",      "Drucken_m", "Druckvorschau_m", "leer0_m",   "Beenden_m",
                                 "bearbeiten_m", "srcValue",  "scrDatabase",     "scrShadow", "m_Help"};
    for (const Case &c : cases) {
        env.set("LC_ALL", c.locale);
        ASSERT_EQ(attach(), S_OK);
        writeFile(path(component()->GetTemplateFileName()), "<p>#VENDOR#</p>\n");
        TemplateGuard guard(path(component()->GetTemplateFileName()));
        ASSERT_EQ(show(), S_OK);
        ASSERT_NE(window(), nullptr);
        QStringList captions;
        for (const QString &entry : entries) {
            QAction *action = window()->menuEntry(entry);
            ASSERT_NE(action, nullptr) << entry.toStdString();
            captions.append(entry == "leer0_m" ? (action->isSeparator() ? "-" : action->text())
                                               : action->text());
        }
        EXPECT_EQ(captions, c.captions) << c.locale;
        // The Application command ran after the load and named its source.
        EXPECT_EQ(window()->windowTitle(), GetLocalString(1146) + GetLocalString(1147));
        EXPECT_TRUE(messages.isEmpty()) << messageTexts().join('|').toStdString();
    }
}

TEST_F(window_test, a_browser_that_cannot_be_set_up_reports_1143_closes_the_window_and_fails_show)
{
    struct Case
    {
        const char *what;
        bool failCreate;
        std::function<void(FakeBrowser &)> setup;
    } cases[] = {
        {"creation fails", true, {}},
        {"a property is refused", false, [](FakeBrowser &b) { b.failProperties = true; }},
        {"the first navigation fails", false, [](FakeBrowser &b) { b.failNavigate = true; }},
    };
    writeFile(path("Pump001.HTM"), "<p>#VENDOR#</p>\n");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        browsers.failCreate = c.failCreate;
        browsers.setup = c.setup;
        const int released = model.releaseViewCount();
        ASSERT_EQ(attach(), S_OK);
        QPointer<frmQuiravel> w = window();
        EXPECT_EQ(show(), E_UNEXPECTED) << "the window is gone: nothing was shown";
        EXPECT_EQ(messageTexts(), QStringList{"No (valid) Web Browser installation!"});
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
