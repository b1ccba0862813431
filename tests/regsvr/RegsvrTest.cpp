// The registration tool and the registry file under concurrent changes from
// several processes, and with files that are not registries.
#include "platform/RegFile.h"
#include "platform/Registry.h"
#include "tests/support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kLibrary = QStringLiteral(QUIRAVEL_LIBRARY_PATH);

std::unique_ptr<QProcess> start(const QString &program, const QStringList &arguments, const QString &registry)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUIRAVEL_REGISTRY"), registry);
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    return process;
}

struct Finished
{
    int exitCode = -1;
    QString err;
};

Finished finish(QProcess &process)
{
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("did not finish")};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

Finished regsvr(const QStringList &arguments, const QString &registry)
{
    return finish(*start(QStringLiteral(QUIRAVEL_REGSVR_PATH), arguments, registry));
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

RegFile::Document document(const QString &path)
{
    QString error;
    std::optional<RegFile::Document> parsed = RegFile::Document::parse(readBytes(path), &error);
    EXPECT_TRUE(parsed) << error.toStdString();
    return parsed ? std::move(*parsed) : RegFile::Document();
}

const QByteArray kForeign = "Windows Registry Editor Version 5.00\r\n\r\n"
                            "; the user's own notes\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                            "\"Kept\"=\"yes\"\r\n"
                            "a line nobody understands\r\n\r\n";

class regsvr_test : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(regsvr_test, values_set_by_several_processes_at_once_are_all_kept)
{
    const QString registry = path("registry.reg");
    constexpr int writers = 6, values = 15;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < writers; ++i)
        processes.push_back(start(QStringLiteral(REGISTRY_WRITER_PATH),
                                  {QStringLiteral("W%1").arg(i), QString::number(values)}, registry));
    for (auto &process : processes) {
        const Finished done = finish(*process);
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
    // What one registration writes, as the reference.
    const QString reference = path("reference.reg");
    ASSERT_EQ(regsvr({kLibrary}, reference).exitCode, 0);
    const RegFile::Document registered = document(reference);
    QList<std::pair<QString, QString>> written;
    ASSERT_TRUE(registered.value(QStringLiteral("HKEY_CLASSES_ROOT\\Quiravel.clsQuiravel\\CLSID"), {}));
    const QByteArray bytes = readBytes(reference);
    QString currentKey;
    for (const QByteArray &line : bytes.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.startsWith(u'['))
            currentKey = text.mid(1, text.size() - 2);
        else if (text.startsWith(u'@'))
            written.append({currentKey, QString()});
        else if (text.startsWith(u'"'))
            written.append({currentKey, text.mid(1, text.indexOf(u'"', 1) - 1)});
    }
    ASSERT_GE(written.size(), 10);

    const QString registry = path("registry.reg");
    ASSERT_TRUE(writeBytes(registry, kForeign));
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < 2; ++i) {
            processes.push_back(start(QStringLiteral(QUIRAVEL_REGSVR_PATH), {kLibrary}, registry));
            processes.push_back(
                start(QStringLiteral(QUIRAVEL_REGSVR_PATH), {QStringLiteral("-u"), kLibrary}, registry));
        }
        for (auto &process : processes) {
            const Finished done = finish(*process);
            EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
        }
        const RegFile::Document result = document(registry);
        int present = 0;
        for (const auto &[key, name] : written)
            present += result.value(key, name) != nullptr;
        EXPECT_TRUE(present == 0 || present == written.size()) << present << " of " << written.size();
        ASSERT_TRUE(
            result.value(QStringLiteral("HKEY_CURRENT_USER\\Software\\Other"), QStringLiteral("Kept")));
    }
    ASSERT_EQ(regsvr({QStringLiteral("-u"), kLibrary}, registry).exitCode, 0);
    EXPECT_EQ(readBytes(registry), kForeign) << "comments and unknown lines kept through it all";
}

TEST_F(regsvr_test, a_registry_that_cannot_be_changed_is_named_with_the_reason)
{
    const QString registry = path("registry.reg");
    ASSERT_TRUE(writeBytes(registry, kForeign));
    // A lock file that cannot be opened: even root cannot change the registry then.
    ASSERT_TRUE(QDir().mkpath(registry + QStringLiteral(".lock")));
    const Finished run = regsvr({kLibrary}, registry);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              QStringLiteral("quiravel-regsvr: DllRegisterServer in %1 failed: %2: cannot open its lock "
                             "file %2.lock: Is a directory\n")
                  .arg(kLibrary, registry));
    EXPECT_EQ(readBytes(registry), kForeign);
}
