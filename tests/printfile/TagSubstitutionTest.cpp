#include "printfile/TagSubstitution.h"
#include "PrintFileTestSupport.h"
#include "platform/ComError.h"
#include "tests/support/ComErrorAssert.h"

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
        model.setApplicationValue(QStringLiteral("MAß"), QStringLiteral("ß kept"));
        model.setApplicationValue(QStringLiteral("MASS"), QStringLiteral("ß widened"));
        model.setShadowValue(QStringLiteral("A"), QStringLiteral("shadow 1"));
        model.setDeviceEntry(QStringLiteral("DEVTYPETEXT"), QStringLiteral("entry type"));
        model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Acme"));
        addEnumObject(QStringLiteral("Mode"), QStringLiteral("2.5"));
    }

    QString fill(QString line)
    {
        const TagContext c = context();
        FillTemplateLine(line, [&](const QString &tag) { return GetTagValue(c, tag, true); });
        return line;
    }

    QString fillAtOnce(QString line)
    {
        FillTemplateLine(line, context());
        return line;
    }
};

TEST(tag_substitution_test, fills_every_complete_tag_of_a_line)
{
    ScopedEnv english("LC_ALL", "en_US.UTF-8");
    TagLine host;
    const std::pair<const char *, const char *> cases[] = {
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
        {"Mode: #MODE#.", "Mode: Two."},
        // Upper case per character, the length kept.
        {"#Maß#", "ß kept"},
    };
    for (const auto &[line, expected] : cases)
        EXPECT_EQ(host.fill(QString::fromUtf8(line)), QString::fromUtf8(expected)) << line;
    host.expectEverythingReleased();
}

// The component fills a whole line with one context; that must read and ask
// the host exactly as a lookup per tag does.
TEST(tag_substitution_test, a_line_filled_at_once_reads_and_calls_the_host_as_tag_by_tag)
{
    ScopedEnv english("LC_ALL", "en_US.UTF-8");
    const QString line = QString::fromUtf8(
        "#A# #Mode# #nobody# #VENDOR# #DATE# #&amp;&AMP;my&Amp;&amp;item# #Maß# #Markup# # a #");
    auto run = [&line](bool atOnce) {
        TagLine host;
        host.model.setCallLogEnabled(true);
        const QString filled = atOnce ? host.fillAtOnce(line) : host.fill(line);
        QStringList calls;
        for (const HostCall &call : host.model.calls())
            calls << QStringLiteral("%1(%2) error=%3 status=%4 handle=%5")
                         .arg(call.operation, call.arguments)
                         .arg(call.error)
                         .arg(call.status)
                         .arg(call.itemHandle);
        host.expectEverythingReleased();
        return std::pair{filled, calls};
    };
    const auto [tagByTag, tagByTagCalls] = run(false);
    const auto [atOnce, atOnceCalls] = run(true);
    EXPECT_EQ(tagByTag, QString::fromUtf8("1 Two #nobody# Acme 4.Dec 2026 private ß kept <b>#A#&amp;</b> 1"));
    EXPECT_EQ(atOnce, tagByTag);
    EXPECT_GT(tagByTagCalls.size(), 20);
    EXPECT_EQ(atOnceCalls, tagByTagCalls);
}

TEST(tag_substitution_test, names_without_markers_are_taken_as_they_are_from_the_selected_data_set)
{
    TagLine host;
    TagContext c = host.context();
    EXPECT_EQ(GetTagValue(c, QStringLiteral("VENDOR"), false), QStringLiteral("Acme"));
    // Not a fixed name when not upper case: the host's item "vendor" is asked.
    EXPECT_EQ(GetTagValue(c, QStringLiteral("vendor"), false), QStringLiteral("vendor"));
    EXPECT_EQ(GetTagValue(c, QStringLiteral(" A "), false), QStringLiteral(" A "));
    EXPECT_EQ(GetTagValue(c, QStringLiteral("&&my&&item"), false), QStringLiteral("private"));
    c.shadow = true;
    EXPECT_EQ(GetTagValue(c, QStringLiteral("a"), false), QStringLiteral("shadow 1"));
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, value_names_the_data_source_and_dates_follow_the_users_language)
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
    };
    for (const auto &row : cases) {
        ScopedEnv locale("LC_ALL", row.locale);
        c.loadMode = row.mode;
        EXPECT_EQ(GetTagValue(c, QStringLiteral("#VALUE#"), true), QString::fromUtf8(row.expected))
            << row.locale << " mode " << row.mode;
    }

    ScopedEnv german("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(formatTagDate(fixedNow()), QStringLiteral("4.Dez 2026"));
    EXPECT_EQ(formatTagDate(QDateTime(QDate(987, 1, 21), QTime(23, 59, 0))), QStringLiteral("21.Jan 0987"));
    EXPECT_EQ(formatTagTime(QDateTime(QDate(2027, 3, 21), QTime(23, 59, 0))), QStringLiteral("23:59:00"));
}

TEST(tag_substitution_test, enumeration_numbers_round_half_to_even)
{
    const std::pair<const char *, std::int32_t> cases[] = {
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"2.50001", 3},
        {"abc", 0},
        {"", 0},
        {".5", 0},
        {"  7 mA", 7},
        {"1 000", 1000},
        {"--1", 0},
        {"2147483647", 2147483647},
        {"-2147483648.5", -2147483647 - 1},
        {"2147483646.5", 2147483646},
    };
    for (const auto &[text, number] : cases)
        EXPECT_EQ(enumerationNumber(QString::fromUtf8(text)), number) << text;
    for (const char *tooLarge : {"2147483648", "2147483647.5", "-2147483648.51", "99999999999999999999"}) {
        SCOPED_TRACE(tooLarge);
        EXPECT_COM_ERROR(enumerationNumber(QString::fromUtf8(tooLarge)), DISP_E_OVERFLOW, std::nullopt);
    }
}

TEST(tag_substitution_test, enumeration_values_become_the_first_matching_text)
{
    TagLine host;
    const std::pair<const char *, const char *> cases[] = {
        {"2", "Two"}, {"3.5", " Four <&> "}, {"-1", "Minus one"}, {"abc", ""}, {"7", ""}, {"1", "One"},
    };
    for (const auto &[value, text] : cases) {
        host.model.setApplicationValue(QStringLiteral("Mode"), QString::fromUtf8(value));
        EXPECT_EQ(host.fill(QStringLiteral("#Mode#")), QString::fromUtf8(text)) << value;
    }
    // A failed read gives its text without an enumeration lookup.
    host.model.clearCalls();
    host.model.setErrorFlag(QStringLiteral("GetItemString"), 3);
    EXPECT_EQ(host.fill(QStringLiteral("[#Mode#]")), QStringLiteral("[]"));
    EXPECT_EQ(host.callCount(QLatin1StringView("FindDefinition")), 0);
    host.expectEverythingReleased();
}

TEST(tag_substitution_test, a_failure_leaves_the_whole_line_as_read)
{
    const QString line = QStringLiteral("#A# #Mode# #VENDOR#");
    for (const char *operation : {"OpenItem", "GetItemString", "GetDeviceDescription", "FindDefinition",
                                  "GetObjectDefinition", "GetEnumerationEntries", "GetDeviceEntry"}) {
        for (const bool atOnce : {false, true}) {
            TagLine host;
            host.model.failOperation(QString::fromUtf8(operation), E_ACCESSDENIED);
            QString filled = line;
            const TagContext c = host.context();
            SCOPED_TRACE(operation);
            SCOPED_TRACE(atOnce);
            if (atOnce)
                EXPECT_COM_ERROR(FillTemplateLine(filled, c), E_ACCESSDENIED, std::nullopt);
            else
                EXPECT_COM_ERROR(
                    FillTemplateLine(filled, [&](const QString &tag) { return GetTagValue(c, tag, true); }),
                    E_ACCESSDENIED, std::nullopt);
            EXPECT_EQ(filled, line) << operation;
            // The item opened before the failure is closed all the same.
            host.expectEverythingReleased();
        }
    }
}

} // namespace
