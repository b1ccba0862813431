#include <QFile>
#include <QProcess>

#include <QTemporaryDir>
#include <gtest/gtest.h>

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

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

} // namespace

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
