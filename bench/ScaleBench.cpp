// SPDX-License-Identifier: Apache-2.0
// Scale: how loading a device description grows with its object
// definitions, and how the peak memory of quiravel-tagcheck and of the
// headless frame grows with the size of the template they fill. Generates
// its files in a temporary folder, runs the tools as child processes and
// prints one summary line at the end.
#include "host/DeviceFile.h"
#include "host/DeviceModel.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kItemCount = 1000;

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray itemName(int i)
{
    return "ITEM" + QByteArray::number(i).rightJustified(4, '0');
}

/// A description of `objects` listed objects, each with its own
/// definition section; every tenth is an enumeration of a shared type.
void writeDescription(const QString &path, int objects)
{
    QByteArray text =
        "[Device]\nVENDOR = Nordbach\nDEFAULTTAG = Scale\n[Settings]\nPRINTTEMPLATEFILE = Scale.htm\n"
        "[Object]\n";
    text.reserve(qsizetype(objects) * 90);
    for (int i = 0; i < objects; ++i)
        text += i < kItemCount ? itemName(i) + '\n' : "OBJECT" + QByteArray::number(i) + '\n';
    for (int i = 0; i < objects; ++i) {
        const QByteArray name = i < kItemCount ? itemName(i) : "OBJECT" + QByteArray::number(i);
        text += "[Object:" + name + "]\n";
        text += i % 10 == 0 ? QByteArray("Type = Units\nKind = 4\n") : QByteArray("Size = 4\n");
    }
    text += "[Object:Units]\nKind = 4\nEnumeration = Units\n[Enumeration:Units]\n0 = m3\n1 = l\n";
    writeFile(path, text);
}

/// A template of about `megabytes` MB: a header with a few fixed tags, then
/// lines with two item tags each inside one comment, so that the browser
/// has the whole page to read but little to lay out.
qint64 writeTemplate(const QString &path, int megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write("<html><body><p>#VENDOR# #DATE# #VALUE#</p>\r\n<!--\r\n");
    const qint64 target = qint64(megabytes) << 20;
    qint64 tags = 3;
    QByteArray line;
    for (qint64 n = 0; file.size() < target; ++n) {
        line = "row " + QByteArray::number(n).rightJustified(8, '0') + ": #" + itemName(int(n % kItemCount)) +
               "# and #" + itemName(int((n * 7 + 3) % kItemCount)) + "# " + QByteArray(100, 'x') + "\r\n";
        file.write(line);
        tags += 2;
    }
    file.write("-->\r\n</body></html>\r\n");
    return tags;
}

double secondsOf(const std::function<void()> &run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/// Peak resident memory of the process itself, in KiB, from its status.
long highWaterMark(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

struct ChildRun
{
    int status = -1;
    double seconds = 0;
    long peakKiB = 0; ///< of the child process alone
};

/// Runs `program` with its output thrown away, watching its peak memory
/// until it ends.
ChildRun runChild(const QString &program, const QStringList &arguments)
{
    QList<QByteArray> storage{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        storage.append(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        qFatal("cannot start %s", qPrintable(program));
    posix_spawn_file_actions_destroy(&actions);
    for (;;) {
        // The high-water mark only rises, so its last reading is the peak
        // up to a few milliseconds before the end.
        if (const long peak = highWaterMark(pid); peak > 0)
            run.peakKiB = peak;
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

} // namespace

/// Runs every part, or only those named on the command line (describe, memory).
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList parts = app.arguments().mid(1);
    if (parts.isEmpty())
        parts = {QStringLiteral("describe"), QStringLiteral("memory")};
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary directory");

    double describe40k = 0, describe200k = 0;
    if (parts.contains(QStringLiteral("describe"))) {
        for (const int objects : {40'000, 200'000}) {
            const QString path = dir.filePath(QStringLiteral("Objects%1.kqd").arg(objects));
            writeDescription(path, objects);
            double best = 1e9;
            for (int round = 0; round < 3; ++round) {
                DeviceModel model;
                DeviceFileError error;
                best = std::min(best, secondsOf([&] {
                                    if (!loadDescription(path, model, &error))
                                        qFatal("%s", qPrintable(error.toString()));
                                }));
            }
            std::printf("description, %6d objects   %.3f s\n", objects, best);
            (objects == 40'000 ? describe40k : describe200k) = best;
        }
    }

    ChildRun check10, check200, frame10, frame200;
    if (parts.contains(QStringLiteral("memory"))) {
        // The tools run as a user would: English, a private registry, no display.
        qputenv("LC_ALL", "C.UTF-8");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
        qputenv("QUIRAVEL_REGISTRY", QFile::encodeName(dir.filePath(QStringLiteral("registry.reg"))));
        if (runChild(QStringLiteral(QUIRAVEL_REGSVR_PATH), {QStringLiteral(QUIRAVEL_LIBRARY_PATH)}).status !=
            0)
            qFatal("the component could not be registered");

        QByteArray data = "[Application]\n";
        for (int i = 0; i < kItemCount; ++i)
            data += itemName(i) + " = " + QByteArray::number(i) + ".25 mA\n";
        for (const int megabytes : {10, 200}) {
            const QString folder = dir.filePath(QStringLiteral("device%1").arg(megabytes));
            QDir().mkpath(folder);
            const QString description = QDir(folder).filePath(QStringLiteral("Scale.kqd"));
            writeDescription(description, kItemCount);
            writeFile(QDir(folder).filePath(QStringLiteral("Scale.data")), data);
            const qint64 tags =
                writeTemplate(QDir(folder).filePath(QStringLiteral("Scale001.HTM")), megabytes);

            const ChildRun check = runChild(QStringLiteral(QUIRAVEL_TAGCHECK_PATH), {description});
            const ChildRun frame = runChild(QStringLiteral(QUIRAVEL_FRAME_PATH),
                                            {QStringLiteral("--headless"), QStringLiteral("--timeout"),
                                             QStringLiteral("3600"), description});
            if (check.status != 0 || frame.status != 0)
                qFatal("a tool failed on the %d MB template (tagcheck %d, frame %d)", megabytes, check.status,
                       frame.status);
            std::printf("template %3d MB, %8lld tags: tagcheck %6.2f s %5ld MB, frame %6.2f s %5ld MB\n",
                        megabytes, static_cast<long long>(tags), check.seconds, check.peakKiB / 1024,
                        frame.seconds, frame.peakKiB / 1024);
            (megabytes == 10 ? check10 : check200) = check;
            (megabytes == 10 ? frame10 : frame200) = frame;
            // The next size needs the disk more than these files.
            QDir(folder).removeRecursively();
        }
    }

    auto ratio = [](long a, long b) { return b > 0 ? double(a) / double(b) : 0.0; };
    std::printf("summary: describe_200k_s=%.3f describe_40k_s=%.3f tagcheck_rss_mb=%ld/%ld "
                "tagcheck_rss_ratio=%.2f frame_rss_mb=%ld/%ld frame_rss_ratio=%.2f\n",
                describe200k, describe40k, check10.peakKiB / 1024, check200.peakKiB / 1024,
                ratio(check200.peakKiB, check10.peakKiB), frame10.peakKiB / 1024, frame200.peakKiB / 1024,
                ratio(frame200.peakKiB, frame10.peakKiB));
    return 0;
}
