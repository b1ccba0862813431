// SPDX-License-Identifier: Apache-2.0
// The one rule every written file follows, and the lock a page file is
// held under until it is read.
#include "platform/SafeFile.h"
#include "platform/FileLock.h"
#include "platform/TextFile.h"
#include "tests/support/FileGuards.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

/// Runs `child` in a forked process and answers its wait status.
template<typename Child> int inChild(Child child)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        child();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

/// Named and unnamed temporaries must both keep the rule.
class safe_file_test : public testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        SafeFile::setUnnamedTemporariesAllowed(GetParam());
    }
    void TearDown() override { SafeFile::setUnnamedTemporariesAllowed(true); }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_P(safe_file_test, special_files_folders_and_inputs_are_refused_and_left_alone)
{
    const QString fifo = path("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(path("folder")));
    const QString socketPath = path("socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    TextWriter writer;
    EXPECT_FALSE(writer.create(fifo));
    EXPECT_EQ(writer.errorString(), QStringLiteral("Not a regular file (a FIFO)"));
    EXPECT_FALSE(writer.create(path("folder")));
    EXPECT_EQ(writer.errorString(), QStringLiteral("Is a directory"));
    EXPECT_FALSE(writer.create(socketPath));
    EXPECT_EQ(writer.errorString(), QStringLiteral("Not a regular file (a socket)"));
    ::close(sock);
    EXPECT_EQ(SafeFile::targetProblem(QStringLiteral("/dev/null")),
              QStringLiteral("Not a regular file (a device)"));

    // A run's own input, named as given, through a linked folder, or as
    // the file the given link leads to.
    const QString data = path("device.data");
    writeBytes(data, "SERIAL = 1\r\n");
    ASSERT_TRUE(QFile::link(data, path("given.data")));
    ASSERT_TRUE(QFile::link(m_dir.path(), path("folder/linked")));
    SafeFile::addInput(path("given.data"));
    for (const char *name : {"device.data", "given.data", "folder/linked/device.data"}) {
        EXPECT_FALSE(writer.create(path(name))) << name;
        EXPECT_EQ(writer.errorString(), QStringLiteral("It is one of the files this run reads"));
    }
    EXPECT_EQ(readBytes(data), QByteArray("SERIAL = 1\r\n"));
    EXPECT_EQ(entries(m_dir.path()).size(), 5);

    // A link to it at another name is replaced, the input untouched.
    ASSERT_TRUE(QFile::link(data, path("other.data")));
    ASSERT_TRUE(writer.create(path("other.data")));
    ASSERT_TRUE(writer.writeLine(u"log") && writer.close());
    EXPECT_EQ(readBytes(data), QByteArray("SERIAL = 1\r\n"));
    EXPECT_EQ(readBytes(path("other.data")), QByteArray("log\r\n"));
}

TEST_P(safe_file_test, a_link_is_replaced_and_the_file_gets_the_umask_permissions)
{
    const QString target = path("elsewhere.pdf");
    writeBytes(target, "someone else's");
    ASSERT_TRUE(QFile::link(target, path("out.pdf")));

    SafeFileWriter file;
    ASSERT_TRUE(file.create(path("out.pdf"))) << file.errorString().toStdString();
    EXPECT_TRUE(file.write("%PDF", 4));
    // Nothing under the name until it is complete.
    EXPECT_TRUE(QFileInfo(path("out.pdf")).isSymLink());
    ASSERT_TRUE(file.commit()) << file.errorString().toStdString();

    EXPECT_EQ(readBytes(target), QByteArray("someone else's"));
    EXPECT_FALSE(QFileInfo(path("out.pdf")).isSymLink());
    EXPECT_EQ(readBytes(path("out.pdf")), QByteArray("%PDF"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(path("out.pdf")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(entries(m_dir.path()), QStringList({"elsewhere.pdf", "out.pdf"}));

    // Permissions the writer gives its file (the registry keeps the old
    // file's) stay.
    SafeFileWriter kept;
    ASSERT_TRUE(kept.create(path("registry.reg")));
    ASSERT_EQ(::fchmod(kept.handle(), 0600), 0);
    ASSERT_TRUE(kept.commit());
    ASSERT_EQ(::stat(QFile::encodeName(path("registry.reg")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_P(safe_file_test, a_size_limit_fails_the_write_with_its_reason_and_keeps_the_old_file)
{
    const QString target = path("summary.csv");
    writeBytes(target, "old");
    // In a child of its own: the limit and the signal are the whole process's.
    const int status = inChild([&] {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TextWriter writer;
        bool written = writer.create(target);
        for (int i = 0; written && i < 1000; ++i)
            written = writer.writeLine(QString(100, u'x'));
        const bool closed = writer.close() && written;
        ::_exit(!closed && writer.errorString() == QStringLiteral("File too large") ? 0 : 1);
    });
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readBytes(target), QByteArray("old"));
    EXPECT_EQ(entries(m_dir.path()), QStringList({"summary.csv"}));
}

TEST_P(safe_file_test, a_killed_writer_leaves_nothing_the_next_writer_keeps)
{
    const int status = inChild([&] {
        SafeFileWriter file;
        if (file.create(path("PRN.HTM")) && file.write("partial", 7))
            std::raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    // A temporary of a writer that still runs is its own.
    const QString living = path(".other.1-abc.tmp");
    writeBytes(living, "pid 1 is alive");
    const QStringList left = entries(m_dir.path());

    SafeFileWriter next;
    ASSERT_TRUE(next.create(path("REPORT.HTM")));
    ASSERT_TRUE(next.commit());
    QStringList expected = {".other.1-abc.tmp", "REPORT.HTM"};
    EXPECT_EQ(entries(m_dir.path()), expected) << "before: " << left.join(' ').toStdString();
}

TEST_P(safe_file_test, a_file_dropped_or_failed_leaves_nothing)
{
    {
        SafeFileWriter dropped;
        ASSERT_TRUE(dropped.create(path("a.csv")));
        dropped.write("x", 1);
    }
    SafeFileWriter failed;
    ASSERT_TRUE(failed.create(path("b.csv")));
    failed.setFailed(ENOSPC);
    EXPECT_FALSE(failed.commit());
    EXPECT_EQ(failed.errorString(), QString::fromLocal8Bit(std::strerror(ENOSPC)));
    EXPECT_TRUE(entries(m_dir.path()).isEmpty()) << entries(m_dir.path()).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(temporaries, safe_file_test, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &info) {
                             return info.param ? std::string("unnamed") : std::string("named");
                         });

TEST(file_lock_test, a_second_process_waits_for_the_first_and_nothing_is_left)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("DEVPRN.HTM"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        FileLock lock;
        const char held = lock.acquire(page, 0) ? '1' : '0';
        (void)::write(ready[1], &held, 1);
        ::usleep(400'000);
        lock.release();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, '1');

    // Held elsewhere for longer than the caller waits: it goes on without.
    FileLock quick;
    EXPECT_FALSE(quick.acquire(page, 50));
    EXPECT_GE(quick.waitedMs(), 50);

    // Through a link to the folder: the same real path, the same lock.
    const QString linked = dir.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(dir.path(), linked));
    FileLock lock;
    EXPECT_TRUE(lock.acquire(linked + QStringLiteral("/DEVPRN.HTM"), 5000));
    EXPECT_GE(lock.waitedMs(), 250);
    lock.release();
    int status = 0;
    ::waitpid(holder, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(entries(dir.path()), QStringList({"linked"}));
}
