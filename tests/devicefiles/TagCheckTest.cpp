// SPDX-License-Identifier: Apache-2.0
#include "tests/support/ToolProcess.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>

namespace {

QString write(const QTemporaryDir &dir, const char *name, const QByteArray &content)
{
    QFile file(dir.filePath(QLatin1String(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    return file.fileName();
}

} // namespace

TEST(devicefiles_test, tagcheck_tells_what_the_page_will_show)
{
    QTemporaryDir dir;
    const QString description = write(dir, "Dev.kqd",
                                      "[Device]\nVENDOR=Nordbach\n[Object]\nLEVEL\nECHO\nMODE\nBAD\nGHOST\n"
                                      "[Object:MODE]\nKind=4\nEnumeration=Modes\n"
                                      "[Object:BAD]\nKind=4\nEnumeration=NoSuch\n"
                                      "[Object:GHOST]\nType=Nowhere\nKind=4\n"
                                      "[Enumeration:Modes]\n1=one\n");
    write(dir, "Dev.data", "[Application]\nLEVEL=4\nECHO=#ECHO#\nMODE=7\nBAD=1\nGHOST=1\n");
    const QString page = write(dir, "page.htm",
                               "<p>#ECHO#</p>\r\n"
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

TEST(devicefiles_test, tagcheck_warns_of_values_a_declared_charset_will_show_wrongly)
{
    QTemporaryDir dir;
    const QString description = write(dir, "Dev.kqd", "[Device]\nVENDOR=Nordbach\n[Object]\nUNIT\nLEVEL\n");
    write(dir, "Dev.data", "[Application]\nUNIT=f\xc3\xbcr m\xc2\xb3\nLEVEL=4\n");
    const QByteArray page = "<html><head>\r\n<meta charset=\"UTF-8\">\r\n</head><body>\r\n"
                            "<p>Gr\xc3\xb6\xc3\x9f"
                            "e #LEVEL#</p>\r\n<p>#UNIT#</p>\r\n</body></html>\r\n";
    const QString utf8 = write(dir, "utf8.htm", page);
    const QString registry = dir.filePath(QStringLiteral("registry.reg"));
    const ProcessResult run = runTool(QStringLiteral(QUIRAVEL_TAGCHECK), {description, utf8}, registry);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    // The template's own UTF-8 reaches the page untouched; only the value put in is re-encoded.
    EXPECT_EQ(run.err, "quiravel-tagcheck: warning: " + utf8 +
                           ":5: the value of #UNIT# (\"für m³\") is written in Windows-1252, but line 2 "
                           "declares the charset UTF-8: it will show wrongly\n");

    // The print file's own charset, declared the long way, is fine.
    const QString latin =
        write(dir, "latin.htm",
              QByteArray(page).replace("<meta charset=\"UTF-8\">",
                                       "<META http-equiv=\"Content-Type\" content=\"text/html; "
                                       "charset=windows-1252\">"));
    const ProcessResult fine =
        runTool(QStringLiteral(QUIRAVEL_TAGCHECK), {"--quiet", description, latin}, registry);
    EXPECT_EQ(fine.exitCode, 0) << qPrintable(fine.err);
    EXPECT_EQ(fine.err, "");
    // Quiet lists only what is not resolved: nothing here.
    EXPECT_EQ(fine.out, "");

    // A usage error: Qt's part of the line and ours, both in the user's language.
    const ProcessResult german = runTool(QStringLiteral(QUIRAVEL_TAGCHECK), {"--bogus", description},
                                         registry, {{"LC_ALL", "de_DE.UTF-8"}});
    EXPECT_EQ(german.exitCode, 2);
    EXPECT_EQ(german.err, "quiravel-tagcheck: Unbekannte Option 'bogus'; siehe 'quiravel-tagcheck --help'\n");
    const ProcessResult germanHelp =
        runTool(QStringLiteral(QUIRAVEL_TAGCHECK), {"--help"}, registry, {{"LC_ALL", "de_DE.UTF-8"}});
    EXPECT_TRUE(germanHelp.out.startsWith("Aufruf: quiravel-tagcheck [-q] [--data DATEI]"))
        << qPrintable(germanHelp.out);
    const ProcessResult warned = runTool(QStringLiteral(QUIRAVEL_TAGCHECK), {description, utf8}, registry,
                                         {{"LC_ALL", "de_DE.UTF-8"}});
    EXPECT_TRUE(warned.err.startsWith("quiravel-tagcheck: Warnung: " + utf8 + ":5: der Wert von #UNIT#"))
        << qPrintable(warned.err);
}

TEST(devicefiles_test, tagcheck_call_log_failures_are_reported_and_inputs_are_never_written)
{
    const QString sample = QStringLiteral(QUIRAVEL_SOURCE_DIR "/samples/flowmeter/FlowMeter");
    QTemporaryDir dir;
    const QString description = dir.filePath(QStringLiteral("FlowMeter.kqd"));
    ASSERT_TRUE(QFile::copy(sample + QStringLiteral(".kqd"), description));
    const QString page = sample + QStringLiteral("001.HTM");
    const QString registry = dir.filePath(QStringLiteral("registry.reg"));

    const QString before = readText(description);
    const ProcessResult onInput =
        runTool(QStringLiteral(QUIRAVEL_TAGCHECK),
                {QStringLiteral("--call-log"), description, description, page}, registry);
    EXPECT_EQ(onInput.exitCode, 2);
    EXPECT_EQ(onInput.err, QStringLiteral("quiravel-tagcheck: ") + description +
                               QStringLiteral(": cannot create: It is one of the files this run reads\n"));
    EXPECT_EQ(readText(description), before);

    // A full disk, stood in for by a file size limit with the signal at its
    // default, as a shell's "ulimit -f" leaves it.
    const QString log = dir.filePath(QStringLiteral("calls.log"));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUIRAVEL_REGISTRY"), registry);
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit size{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &size);
    });
    process.start(QStringLiteral(QUIRAVEL_TAGCHECK), {QStringLiteral("--call-log"), log, description, page});
    const ProcessResult full = finishTool(process);
    EXPECT_EQ(full.exitCode, 2) << full.err.toStdString();
    EXPECT_EQ(full.err, QStringLiteral("quiravel-tagcheck: ") + log +
                            QStringLiteral(": cannot write: File too large\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"calls.log", "FlowMeter.kqd"}));

    // Names that are not UTF-8 are read like any other and shown escaped;
    // the shell makes them, as Qt cannot.
    const auto inShell = [&](const QString &run) {
        return runTool(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral(
                 "d=\"$(printf \"$1/caf\\351.kqd\")\" p=\"$(printf \"$1/p\\351.HTM\")\"; cp \"$2\" "
                 "\"$d\" && cp \"$3\" \"$p\" && %1; s=$?; rm -f \"$d\" \"$p\"; exit $s")
                 .arg(run),
             QStringLiteral(QUIRAVEL_TAGCHECK), dir.path(), description, page},
            registry);
    };
    const ProcessResult named = inShell(QStringLiteral("\"$0\" \"$d\" \"$p\""));
    EXPECT_EQ(named.exitCode, 0) << qPrintable(named.err);
    EXPECT_TRUE(named.out.contains(QStringLiteral("#VENDOR# -> "))) << qPrintable(named.out);
    const ProcessResult missing = inShell(QStringLiteral("\"$0\" \"$d\" \"$(printf \"$1/n\\351.HTM\")\""));
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, QStringLiteral("quiravel-tagcheck: ") + dir.path() +
                               QStringLiteral("/n\\xE9.HTM: cannot read: File not found\n"));
}
