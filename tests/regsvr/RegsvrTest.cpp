// SPDX-License-Identifier: Apache-2.0
// The registration tool and the registry file under concurrent changes from
// several processes, and with files that are not registries.
#include "platform/RegFile.h"
#include "platform/Registry.h"
#include "tests/support/ToolProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kLibrary = QStringLiteral(QUIRAVEL_LIBRARY_PATH);

ProcessResult regsvr(const QStringList &arguments, const QString &registry)
{
    return runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), arguments, registry);
}

RegFile::Document document(const QString &path)
{
    QString error;
    std::optional<RegFile::Document> parsed = RegFile::Document::parse(readText(path).toLatin1(), &error);
    EXPECT_TRUE(parsed) << error.toStdString();
    return parsed ? std::move(*parsed) : RegFile::Document();
}

const QString kForeign = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                        "; the user's own notes\r\n"
                                        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                                        "\"Kept\"=\"yes\"\r\n"
                                        "a line nobody understands\r\n\r\n");

class regsvr_test : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(writeText(foreign, kForeign));
    }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    /// A registry of the user's, with lines this program does not write.
    const QString foreign = path("foreign.reg");
};

} // namespace

TEST_F(regsvr_test, values_set_by_several_processes_at_once_are_all_kept)
{
    const QString registry = path("registry.reg");
    constexpr int writers = 6, values = 15;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < writers; ++i)
        processes.push_back(startTool(QStringLiteral(REGISTRY_WRITER_PATH),
                                      {QStringLiteral("W%1").arg(i), QString::number(values)}, registry));
    for (auto &process : processes) {
        const ProcessResult done = finishTool(*process);
        EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
    }
    const RegFile::Document result = document(registry);
    int missing = 0;
    for (int i = 0; i < writers; ++i) {
        const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Concurrent\\W%1").arg(i);
        for (int v = 0; v < values; ++v) {
            const RegFile::Value *value = result.value(key, QStringLiteral("V%1").arg(v));
            missing += !value || value->text != QStringLiteral("W%1.V%2").arg(i).arg(v);
        }
    }
    EXPECT_EQ(missing, 0);
}

TEST_F(regsvr_test, register_and_unregister_at_once_leave_a_whole_state)
{
    // Each round must leave the user's file either as it was or as one
    // registration leaves it, never a part of that.
    const QString registry = foreign;
    ASSERT_EQ(regsvr({kLibrary}, registry).exitCode, 0);
    const QString registered = readText(registry);
    ASSERT_TRUE(registered.contains(QStringLiteral("[HKEY_CLASSES_ROOT\\Quiravel.clsQuiravel\\CLSID]")));
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < 2; ++i) {
            processes.push_back(startTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {kLibrary}, registry));
            processes.push_back(
                startTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {QStringLiteral("-u"), kLibrary}, registry));
        }
        for (auto &process : processes) {
            const ProcessResult done = finishTool(*process);
            EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
        }
        const QString now = readText(registry);
        EXPECT_TRUE(now == kForeign || now == registered) << now.toStdString();
    }
    ASSERT_EQ(regsvr({QStringLiteral("-u"), kLibrary}, registry).exitCode, 0);
    EXPECT_EQ(readText(registry), kForeign) << "comments and unknown lines kept through it all";
}

TEST_F(regsvr_test, a_registry_that_cannot_be_changed_is_named_with_the_reason)
{
    const QString registry = foreign;
    const auto expectRefused = [&](const QString &cause) {
        const ProcessResult run = regsvr({kLibrary}, registry);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, QStringLiteral("quiravel-regsvr: DllRegisterServer in %1 failed: %2: %3\n")
                               .arg(kLibrary, registry, cause));
        EXPECT_EQ(readText(registry), kForeign);
    };
    // A lock file that cannot be opened: even root cannot change the registry then.
    ASSERT_TRUE(QDir().mkpath(registry + QStringLiteral(".lock")));
    expectRefused(QStringLiteral("cannot open its lock file %1.lock: Is a directory").arg(registry));
    ASSERT_TRUE(QDir().rmdir(registry + QStringLiteral(".lock")));

    // Nor can root replace an immutable file, which says so only when replaced.
    const int fd = ::open(QFile::encodeName(registry).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        ::ioctl(fd, FS_IOC_SETFLAGS, &(flags |= FS_IMMUTABLE_FL))) {
        ::close(fd);
        GTEST_SKIP() << "files cannot be made immutable here: " << std::strerror(errno);
    }
    const auto thaw = qScopeGuard([&] {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        ::close(fd);
    });
    expectRefused(QStringLiteral(
        "cannot replace it: Operation not permitted (the file is marked immutable or append-only)"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"foreign.reg", "foreign.reg.lock"}));
}

TEST_F(regsvr_test, a_lock_held_past_the_wait_writes_nothing_and_says_how_long_it_waited)
{
    const QString registry = foreign;
    QFile lockFile(registry + QStringLiteral(".lock"));
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(lockFile.handle(), LOCK_EX), 0);

    QElapsedTimer clock;
    clock.start();
    const ProcessResult run = regsvr({QStringLiteral("--wait"), QStringLiteral("1"), kLibrary}, registry);
    const qint64 took = clock.elapsed();
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("another process holds its lock %1.lock (waited 1.").arg(registry)))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    // One wait for all its keys, not one for each.
    EXPECT_LT(took, 5000);
    EXPECT_EQ(readText(registry), kForeign);
}

TEST_F(regsvr_test, a_file_size_limit_is_a_write_error_with_its_reason)
{
    const QString registry = foreign;
    // Large enough to be read, too small for the registration's keys.
    const QString padded = kForeign + QStringLiteral("; %1\r\n").arg(QString(3000, u'x'));
    ASSERT_TRUE(writeText(registry, padded));
    const qint64 limit = QFileInfo(registry).size() + 200;

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUIRAVEL_REGISTRY"), registry);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([limit] {
        // As a shell's "ulimit -f" leaves it, the signal at its default.
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit size{rlim_t(limit), rlim_t(limit)};
        ::setrlimit(RLIMIT_FSIZE, &size);
    });
    process.start(QStringLiteral(QUIRAVEL_REGSVR_PATH), {kLibrary});
    const ProcessResult run = finishTool(process);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith(QStringLiteral(": File too large\n"))) << run.err.toStdString();
    EXPECT_EQ(readText(registry), padded);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"foreign.reg", "foreign.reg.lock"}));
}

namespace {

TEST(regsvr_usage_test, wrong_usage_is_one_line_and_quiet_says_nothing)
{
    QTemporaryDir dir;
    const QString registry = dir.filePath("registry.reg");
    const std::pair<QStringList, QString> cases[] = {
        {{}, "no library given"},
        {{"-x", kLibrary}, "unknown option '-x'"},
        {{kLibrary, "second\nlibrary"}, "one library at a time, not also 'second\\nlibrary'"},
    };
    for (const auto &[arguments, reason] : cases) {
        const ProcessResult run = regsvr(arguments, registry);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, "quiravel-regsvr: " + reason + "; see 'quiravel-regsvr --help'\n");
        EXPECT_EQ(run.out, "");
    }
    const ProcessResult quiet = regsvr({"-q", kLibrary}, registry);
    EXPECT_EQ(quiet.exitCode, 0) << qPrintable(quiet.err);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_TRUE(readText(registry).contains("Quiravel.clsQuiravel"));

    const QList<QPair<QString, QString>> german = {{"LC_ALL", ""}, {"LANG", "de_DE.UTF-8"}};
    const ProcessResult germanUsage = runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {}, registry, german);
    EXPECT_EQ(germanUsage.err,
              "quiravel-regsvr: keine Bibliothek angegeben; siehe 'quiravel-regsvr --help'\n");
    const ProcessResult germanHelp =
        runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {"--help"}, registry, german);
    EXPECT_TRUE(germanHelp.out.startsWith("Aufruf: quiravel-regsvr [-u] [-q] [-w SECS] BIBLIOTHEK\n"))
        << qPrintable(germanHelp.out);
    const ProcessResult germanDone =
        runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH), {kLibrary}, registry, german);
    EXPECT_EQ(germanDone.out, "quiravel-regsvr: " + kLibrary + " in " + registry + " registriert\n");
    EXPECT_EQ(germanDone.err, "");

    const ProcessResult version = regsvr({"--version"}, registry);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("quiravel-regsvr ") && version.out.count('\n') == 1)
        << qPrintable(version.out);
}

} // namespace
