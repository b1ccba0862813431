#include "printfile/TagSubstitution.h"
#include "PrintFileTestSupport.h"
#include "platform/ComError.h"

namespace {

class TagLine : public HostDevice
{
public:
    TagLine()
    {
        model.setApplicationValue(QStringLiteral("A"), QStringLiteral("1"));
        model.setApplicationValue(QStringLiteral("B"), QStringLiteral("2"));
        model.setApplicationValue(QStringLiteral("DATE TIME"), QStringLiteral("item dt"));
        model.setApplicationValue(QStringLiteral("DEVTYPETEXT"), QStringLiteral("item type"));
        model.setApplicationValue(QStringLiteral("&&my&&item"), QStringLiteral("private"));
        model.setApplicationValue(QStringLiteral("Markup"), QStringLiteral("<b>#A#&amp;</b>"));
        model.setShadowValue(QStringLiteral("A"), QStringLiteral("shadow 1"));
        model.setDeviceEntry(QStringLiteral("DEVTYPETEXT"), QStringLiteral("entry type"));
        model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Acme"));
        addEnumObject(QStringLiteral("Mode"), QStringLiteral("2.5"));
    }

    QString fill(QString line, const TagContext &c)
    {
        FillTemplateLine(line, [&](const QString &tag) { return GetTagValue(c, tag, true); });
        return line;
    }
    QString fill(const QString &line) { return fill(line, context()); }
};

TEST(tag_substitution_test, fills_every_complete_tag_of_a_line)
{
    LocaleOverride english("en_US.UTF-8");
    TagLine host;
    const struct
    {
        const char *line;
        const char *expected;
    } cases[] = {
        {"", ""},
        {"a#b", "a#b"},
        {"x #DATE", "x #DATE"},
        {"#A##B#", "12"},
        {"###", "###"},
        {"<td>#A#</td><td>#B", "<td>1</td><td>#B"},
        {"#date#|# Date #|#DATE#", "4.Dec 2026|4.Dec 2026|4.Dec 2026"},
        {"#TIME#", "09:05:07"},
        {"#DATE TIME#", "item dt"},
        {"#DEVTYPETEXT# / #DEVICETYPETEXT#", "item type / entry type"},
        {"#vendor# #VENDORID#", "Acme #VENDORID#"},
        {"#&amp;&AMP;my&Amp;&amp;item#", "private"},
        {"#Markup#", "<b>#A#&amp;</b>"},
        {"#nobody#", "#nobody#"},
        {"#USER#, #ORGANISATION#", "Jane Doe, Field & Sons"},
        {"#ORGANIZATION#", "#ORGANIZATION#"},
        {"#VALUE#", "Data = Application data"},
        {"Mode: #MODE#.", "Mode: Two."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(host.fill(QString::fromUtf8(c.line)), QString::fromUtf8(c.expected)) << c.line;
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, names_without_markers_are_taken_as_they_are_from_the_selected_data_set)
{
    TagLine host;
    const TagContext c = host.context();
    EXPECT_EQ(GetTagValue(c, QStringLiteral("VENDOR"), false), QStringLiteral("Acme"));
    // Not a fixed name when not upper case: the host's item "vendor" is asked.
    EXPECT_EQ(GetTagValue(c, QStringLiteral("vendor"), false), QStringLiteral("vendor"));
    EXPECT_EQ(GetTagValue(c, QStringLiteral(" A "), false), QStringLiteral(" A "));
    EXPECT_EQ(GetTagValue(c, QStringLiteral("a"), false), QStringLiteral("1"));
    EXPECT_EQ(GetTagValue(c, QStringLiteral("&&my&&item"), false), QStringLiteral("private"));
    TagContext shadow = c;
    shadow.shadow = true;
    EXPECT_EQ(GetTagValue(shadow, QStringLiteral("a"), false), QStringLiteral("shadow 1"));
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, value_names_the_data_source_in_the_users_language)
{
    TagLine host;
    TagContext c = host.context();
    c.databaseFileName = QStringLiteral("/data/plant.db");
    const struct
    {
        const char *locale;
        std::int32_t mode;
        const char *expected;
    } cases[] = {
        {"en_US.UTF-8", 0, "Data = Application data"},
        {"en_US.UTF-8", 1, "Data = Database data from  /data/plant.db"},
        {"en_US.UTF-8", 2, "Data = Device data"},
        {"en_US.UTF-8", 3, ""},
        {"de_DE.UTF-8", 0, "Daten = Oberflächendaten"},
        {"de_DE.UTF-8", 1, "Daten = Datenbankdaten von  /data/plant.db"},
        {"de_DE.UTF-8", 2, "Daten = Gerätedaten"},
        {"de_DE.UTF-8", -1, ""},
    };
    for (const auto &expected : cases) {
        LocaleOverride locale(expected.locale);
        c.loadMode = expected.mode;
        EXPECT_EQ(GetTagValue(c, QStringLiteral("#VALUE#"), true), QString::fromUtf8(expected.expected))
            << expected.locale << " mode " << expected.mode;
    }
}

TEST(tag_substitution_test, date_and_time_follow_the_users_locale)
{
    {
        LocaleOverride english("en_US.UTF-8");
        EXPECT_EQ(formatTagDate(fixedNow()), QStringLiteral("4.Dec 2026"));
        EXPECT_EQ(formatTagTime(fixedNow()), QStringLiteral("09:05:07"));
    }
    LocaleOverride german("de_DE.UTF-8");
    EXPECT_EQ(formatTagDate(fixedNow()), QStringLiteral("4.Dez 2026"));
    EXPECT_EQ(formatTagDate(QDateTime(QDate(987, 1, 21), QTime(23, 59, 0))), QStringLiteral("21.Jan 0987"));
    EXPECT_EQ(formatTagTime(QDateTime(QDate(2027, 3, 21), QTime(23, 59, 0))), QStringLiteral("23:59:00"));
}

TEST(tag_substitution_test, enumeration_numbers_round_half_to_even)
{
    const struct
    {
        const char *text;
        std::int32_t number;
    } cases[] = {
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"2.50001", 3},
        {"2.4999", 2},
        {"abc", 0},
        {"", 0},
        {".5", 0},
        {"  7 mA", 7},
        {"+12", 12},
        {"1 000", 1000},
        {"--1", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483648.5", -2147483647 - 1},
        {"2147483646.5", 2147483646},
    };
    for (const auto &c : cases)
        EXPECT_EQ(enumerationNumber(QString::fromUtf8(c.text)), c.number) << c.text;

    for (const char *tooLarge :
         {"2147483648", "2147483647.5", "-2147483649", "-2147483648.51", "99999999999999999999"}) {
        try {
            enumerationNumber(QString::fromUtf8(tooLarge));
            ADD_FAILURE() << tooLarge << " did not overflow";
        } catch (const ComError &e) {
            EXPECT_EQ(e.status(), DISP_E_OVERFLOW) << tooLarge;
        }
    }
}

TEST(tag_substitution_test, enumeration_values_become_the_first_matching_text)
{
    TagLine host;
    const struct
    {
        const char *value;
        const char *text;
    } cases[] = {
        {"2", "Two"}, {"3.5", " Four <&> "}, {"-1", "Minus one"}, {"abc", ""}, {"7", ""}, {"1", "One"},
    };
    for (const auto &c : cases) {
        host.model.setApplicationValue(QStringLiteral("Mode"), QString::fromUtf8(c.value));
        EXPECT_EQ(host.fill(QStringLiteral("#Mode#")), QString::fromUtf8(c.text)) << c.value;
    }
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, a_failure_leaves_the_whole_line_as_read)
{
    const QString line = QStringLiteral("#A# #Mode# #VENDOR#");
    for (const char *operation : {"OpenItem", "GetItemString", "GetDeviceDescription", "FindDefinition",
                                  "GetObjectDefinition", "GetEnumerationEntries", "GetDeviceEntry"}) {
        TagLine host;
        host.model.failOperation(QString::fromUtf8(operation), E_ACCESSDENIED);
        QString filled = line;
        try {
            FillTemplateLine(filled,
                             [&](const QString &tag) { return GetTagValue(host.context(), tag, true); });
            ADD_FAILURE() << operation << " failing was not reported";
        } catch (const ComError &e) {
            EXPECT_EQ(e.status(), E_ACCESSDENIED) << operation;
        }
        EXPECT_EQ(filled, line) << operation;
        // The item opened before the failure is closed all the same.
        host.expectEverythingReleased();
    }
}

TEST(tag_substitution_test, value_and_enumeration_errors_end_the_lookup)
{
    TagLine host;
    const TagContext c = host.context();
    host.model.setApplicationValue(QStringLiteral("Mode"), QStringLiteral("2147483648"));
    EXPECT_THROW(GetTagValue(c, QStringLiteral("#Mode#"), true), ComError);

    host.model.setApplicationValue(QStringLiteral("Mode"), QStringLiteral("1"));
    host.model.setErrorFlag(QStringLiteral("GetEnumerationEntries"), 1);
    try {
        GetTagValue(c, QStringLiteral("#Mode#"), true);
        ADD_FAILURE() << "a missing entry array was not reported";
    } catch (const ComError &e) {
        EXPECT_EQ(e.status(), DISP_E_BADINDEX);
    }

    TagContext noOwner = c;
    noOwner.registeredOwner = []() -> QString { throw ComError(E_FAIL); };
    EXPECT_THROW(GetTagValue(noOwner, QStringLiteral("#user#"), true), ComError);
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, a_failed_read_gives_its_text_without_enumeration_lookup)
{
    TagLine host;
    host.model.setErrorFlag(QStringLiteral("GetItemString"), 3);
    EXPECT_EQ(host.fill(QStringLiteral("[#Mode#]")), QStringLiteral("[]"));
    EXPECT_EQ(host.callCount(QLatin1StringView("FindDefinition")), 0);
    EXPECT_EQ(host.callCount(QLatin1StringView("CloseItem")), 1);
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, replace_no_case_replaces_every_match)
{
    const struct
    {
        const char *text, *find, *replacement, *expected;
    } cases[] = {
        {"a&AMP;b&amp;c", "&amp;", "&", "a&b&c"},
        {"xXx", "x", "yy", "yyyyyy"},
        {"none", "q", "z", "none"},
        {"abc", "ABC", "", "abc"},
        {"abcabc", "abc", "", "abcabc"},
        {"aXbX", "x", "", "ab"},
    };
    for (const auto &c : cases) {
        QString text = QString::fromUtf8(c.text);
        ReplaceNoCase(text, QString::fromUtf8(c.find), QString::fromUtf8(c.replacement));
        EXPECT_EQ(text, QString::fromUtf8(c.expected)) << c.text << " / " << c.find;
    }
}

TEST(clsEnum_test, looks_up_through_four_fresh_descriptions_and_releases_them)
{
    HostDevice host;
    ComPtr<clsEnum> lookup = clsEnum::create();
    EXPECT_EQ(clsEnum::liveCount(), 1);
    EXPECT_EQ(lookup->GetEnumText(host.itemManager.get(), QStringLiteral("ModeType"), 3, 2),
              QStringLiteral("Two"));
    EXPECT_EQ(host.callCount(QLatin1StringView("GetDeviceDescription")), 4);

    host.model.clearCalls();
    EXPECT_EQ(lookup->GetEnumText(host.itemManager.get(), QString(), 3, 2), QString());
    EXPECT_EQ(lookup->GetEnumText(nullptr, QStringLiteral("ModeType"), 3, 2), QString());
    EXPECT_TRUE(host.model.calls().isEmpty());

    ComPtr<_clsEnum> asDefault = lookup.query<_clsEnum>(IID__clsEnum);
    ComPtr<IDispatch> asDispatch = lookup.query<IDispatch>(IID_IDispatch);
    EXPECT_TRUE(asDefault && asDispatch);
    EXPECT_FALSE(lookup.query<View>(IID_View));
    void *object = &host;
    EXPECT_EQ(lookup->QueryInterface(IID_AppItemManager, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    asDefault = nullptr;
    asDispatch = nullptr;
    EXPECT_EQ(lookup.detach()->Release(), 0u);
    host.expectEverythingReleased();
}

} // namespace
