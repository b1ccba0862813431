#include "tests/support/ScopedEnv.h"
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

ToolRun tagcheck(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUIRAVEL_TAGCHECK), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    ToolRun run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString sample(const char *relative)
{
    return QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/") + QString::fromUtf8(relative);
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

} // namespace

TEST(devicefiles_test, tagcheck_resolves_every_tag_of_the_sample_templates)
{
    const std::pair<const char *, const char *> sources[] = {
        {"application", "12.5"}, {"database", "11.8"}, {"device", "13.1"}};
    for (const auto &[source, flow] : sources) {
        const ToolRun run =
            tagcheck({QStringLiteral("--source"), QString::fromUtf8(source),
                      sample("flowmeter/FlowMeter.kqd"), sample("flowmeter/FlowMeter001.HTM")});
        EXPECT_EQ(run.exitCode, 0) << source << run.err.toStdString();
        EXPECT_TRUE(run.out.filter(QStringLiteral("UNRESOLVED")).isEmpty()) << source;
        const QStringList flowLines = run.out.filter(QStringLiteral(": #PV_FLOW_RATE# -> "));
        ASSERT_EQ(flowLines.size(), 1);
        EXPECT_TRUE(flowLines.first().endsWith(QStringLiteral("-> ") + QString::fromUtf8(flow))) << source;
    }

    // Without a template the one for the user's language is found beside the description.
    for (const char *description : {"flowmeter/FlowMeter.kqd", "minimal/Minimal.kqd"}) {
        const ToolRun run = tagcheck({sample(description)});
        EXPECT_EQ(run.exitCode, 0) << description << run.err.toStdString();
        EXPECT_FALSE(run.out.filter(QStringLiteral(": #VENDOR# -> Nordbach Messtechnik GmbH")).isEmpty());
    }
}

TEST(devicefiles_test, tagcheck_reports_unresolved_tags_with_their_line)
{
    QTemporaryDir dir;
    const QString description =
        writeFile(dir, QStringLiteral("Dev.kqd"), "[Device]\nVENDOR=Nordbach\n[Object]\nLEVEL\n");
    writeFile(dir, QStringLiteral("Dev.data"), "[Application]\nLEVEL=4\n");
    const QString page = writeFile(dir, QStringLiteral("page.htm"),
                                   "<p>no tags here</p>\r\n"
                                   "<p>#vendor# #NO_SUCH_ITEM# #DEVTYPETEXT#</p>\r\n"
                                   "<p>#Level# #DEVDESCLONG# # a lone marker</p>\r\n");
    const ToolRun run = tagcheck({description, page});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              (QStringList{
                  QStringLiteral("2: #vendor# -> Nordbach"),
                  QStringLiteral("2: #NO_SUCH_ITEM# -> UNRESOLVED (the host has no item \"NO_SUCH_ITEM\")"),
                  QStringLiteral("2: #DEVTYPETEXT# -> UNRESOLVED (the host has no item \"DEVTYPETEXT\")"),
                  QStringLiteral("3: #Level# -> 4"),
                  QStringLiteral("3: #DEVDESCLONG# -> UNRESOLVED (the description has no device entry "
                                 "\"DEVDESCLONG\")"),
              }));
}

TEST(devicefiles_test, tagcheck_tells_what_the_page_will_show)
{
    QTemporaryDir dir;
    const QString description =
        writeFile(dir, QStringLiteral("Dev.kqd"),
                  "[Device]\nVENDOR=Nordbach\n[Object]\nLEVEL\nECHO\nMODE\nBAD\nGHOST\n"
                  "[Object:MODE]\nKind=4\nEnumeration=Modes\n"
                  "[Object:BAD]\nKind=4\nEnumeration=NoSuch\n"
                  "[Object:GHOST]\nType=Nowhere\nKind=4\n"
                  "[Enumeration:Modes]\n1=one\n");
    writeFile(dir, QStringLiteral("Dev.data"),
              "[Application]\nLEVEL=4\nECHO=#ECHO#\nMODE=7\nBAD=1\nGHOST=1\n");
    const QString page = writeFile(dir, QStringLiteral("page.htm"),
                                   "<p>#ECHO#</p>\r\n"
                                   "<p>#Mode#</p>\r\n"
                                   "<p>#vendor# #BAD# #LEVEL#</p>\r\n"
                                   "<p>#LEVEL#</p>\r\n"
                                   "<p>#ghost#</p>\r\n");
    const ToolRun run = tagcheck({description, page});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.out,
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

TEST(devicefiles_test, tagcheck_refuses_a_template_that_is_no_regular_file_or_holds_a_huge_line)
{
    ScopedEnv english("LC_ALL", "C.UTF-8");
    QTemporaryDir dir;
    const QString description = writeFile(
        dir, QStringLiteral("Dev.kqd"), "[Device]\nVENDOR=Nordbach\n[Settings]\nPRINTTEMPLATEFILE=Dev.htm\n");
    const QString fifo = dir.filePath(QStringLiteral("Dev001.HTM"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = writeFile(dir, QStringLiteral("huge.htm"),
                                   "#VENDOR#\r\n" + QByteArray(17 * 1024 * 1024, 'x') + "\r\n");
    const std::pair<QStringList, QString> cases[] = {
        {{description}, fifo + QStringLiteral(": no such template: Not a regular file (a FIFO)")},
        {{description, fifo}, fifo + QStringLiteral(": cannot read: Not a regular file (a FIFO)")},
        {{description, QStringLiteral("/dev/zero")},
         QStringLiteral("/dev/zero: cannot read: Not a regular file (a device)")},
        {{description, huge}, huge + QStringLiteral(": cannot read: A line is longer than 16 MiB")},
    };
    for (const auto &[arguments, error] : cases) {
        const ToolRun run =
            tagcheck(QStringList{QStringLiteral("--source"), QStringLiteral("application")} + arguments);
        EXPECT_EQ(run.exitCode, 2) << error.toStdString();
        EXPECT_TRUE(run.err.contains(error)) << run.err.toStdString();
    }
}

TEST(devicefiles_test, tagcheck_names_a_broken_database_and_writes_a_call_log_when_asked)
{
    QTemporaryDir dir;
    const QString description =
        writeFile(dir, QStringLiteral("Dev.kqd"), "[Device]\nVENDOR=Nordbach\n[Object]\nLEVEL\n");
    writeFile(dir, QStringLiteral("Dev.data"), "[Application]\nLEVEL=4\n[Host]\nDatabase = Dev.db.ini\n");
    const QString database =
        writeFile(dir, QStringLiteral("Dev.db.ini"), "[Application]\nLEVEL=5\n[Shadow]\n");
    const QString page = writeFile(dir, QStringLiteral("page.htm"), "<p>#Level#</p>\r\n");

    const ToolRun broken =
        tagcheck({QStringLiteral("--source"), QStringLiteral("database"), description, page});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_EQ(broken.err, database + QStringLiteral(":3: unknown section [Shadow]\n"));

    // The call log goes to its file as the calls happen; a link of that name is replaced, not followed.
    const QString other = writeFile(dir, QStringLiteral("other.txt"), "keep me");
    const QString log = dir.filePath(QStringLiteral("calls.log"));
    ASSERT_TRUE(QFile::link(other, log));
    const ToolRun logged = tagcheck({QStringLiteral("--call-log"), log, description, page});
    EXPECT_EQ(logged.exitCode, 0) << logged.err.toStdString();
    EXPECT_EQ(logged.out, QStringList{QStringLiteral("1: #Level# -> 4")});
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(
        text.contains(QStringLiteral("OpenItem(\"LEVEL\", shadow=0, view=1, 0, 0) -> error 0, S_OK\n")))
        << text.toStdString();
    EXPECT_FALSE(QFileInfo(log).isSymLink());
    QFile kept(other);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));

    const ToolRun unwritable = tagcheck({QStringLiteral("--call-log"), dir.path(), description, page});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_EQ(unwritable.err, dir.path() + QStringLiteral(": is a directory\n"));
}
