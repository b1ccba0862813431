#include "tests/support/ToolProcess.h"

TEST(devicefiles_test, tagcheck_tells_what_the_page_will_show)
{
    QTemporaryDir dir;
    const auto write = [&](const char *name, const char *content) {
        EXPECT_TRUE(writeText(dir.filePath(QLatin1String(name)), QLatin1String(content)));
        return dir.filePath(QLatin1String(name));
    };
    const QString description =
        write("Dev.kqd", "[Device]\nVENDOR=Nordbach\n[Object]\nLEVEL\nECHO\nMODE\nBAD\nGHOST\n"
                         "[Object:MODE]\nKind=4\nEnumeration=Modes\n"
                         "[Object:BAD]\nKind=4\nEnumeration=NoSuch\n"
                         "[Object:GHOST]\nType=Nowhere\nKind=4\n"
                         "[Enumeration:Modes]\n1=one\n");
    write("Dev.data", "[Application]\nLEVEL=4\nECHO=#ECHO#\nMODE=7\nBAD=1\nGHOST=1\n");
    const QString page = write("page.htm", "<p>#ECHO#</p>\r\n"
                                           "<p>#Mode#</p>\r\n"
                                           "<p>#vendor# #BAD# #LEVEL#</p>\r\n"
                                           "<p>#LEVEL#</p>\r\n"
                                           "<p>#ghost#</p>\r\n");
    const ProcessResult run = runTool(QStringLiteral(QUIRAVEL_TAGCHECK), {description, page},
                                      dir.filePath(QStringLiteral("registry.reg")));
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.out.split(u'\n', Qt::SkipEmptyParts),
              (QStringList{
                  // A value that reads like its tag is still the item's value.
                  QStringLiteral("1: #ECHO# -> #ECHO#"),
                  QStringLiteral("2: #Mode# -> UNRESOLVED (no text for value 7 in enumeration Modes)"),
                  // A failing tag leaves its whole line as read, the tags before and after it included.
                  QStringLiteral("3: #vendor# -> KEPT AS READ (#BAD# on this line failed)"),
                  QStringLiteral("3: #BAD# -> KEPT AS READ (object BAD: enumeration NoSuch not defined)"),
                  QStringLiteral("3: #LEVEL# -> KEPT AS READ (#BAD# on this line failed)"),
                  QStringLiteral("4: #LEVEL# -> 4"),
                  QStringLiteral("5: #ghost# -> KEPT AS READ (object GHOST: type Nowhere not defined)"),
              }));
}

TEST(devicefiles_test, the_flow_meter_answers_every_entry_object_and_enumeration)
{
    // The English page names every object of the sample; an object without
    // its definition, or a number without its text, would stay unresolved.
    const QString sample = QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/flowmeter/FlowMeter");
    QTemporaryDir dir;
    for (const char *page : {"001.HTM", "049.HTM"}) {
        const ProcessResult run = runTool(QStringLiteral(QUIRAVEL_TAGCHECK),
                                          {sample + QStringLiteral(".kqd"), sample + QLatin1String(page)},
                                          dir.filePath(QStringLiteral("registry.reg")));
        EXPECT_EQ(run.exitCode, 0) << page << run.out.toStdString() << run.err.toStdString();
        EXPECT_GE(run.out.count(u'\n'), 40) << page;
        EXPECT_TRUE(run.out.contains(QStringLiteral(" -> m³/h\n"))) << page;
    }
}
