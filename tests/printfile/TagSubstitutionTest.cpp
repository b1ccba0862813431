// SPDX-License-Identifier: Apache-2.0
#include "printfile/TagSubstitution.h"
#include "PrintFileTestSupport.h"

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
    EXPECT_EQ(formatTagDate(QDateTime(QDate(987, 1, 21), QTime(23, 59, 0))), QStringLiteral("21.Jan 0987"));
}

} // namespace
