// SPDX-License-Identifier: Apache-2.0
#include "platform/Registry.h"
#include "tests/support/FileGuards.h"
#include "tests/support/ScopedEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

const char *const kNtKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char *const kOldKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

struct Read
{
    std::int32_t code;
    QByteArray data; ///< as returned, NUL included
};

/// The two-step read a client makes: size query, then the data.
Read readValue(HKEY root, const char *path, const char *name)
{
    HKEY key = nullptr;
    if (const std::int32_t opened = RegOpenKeyA(root, path, &key); opened != ERROR_SUCCESS)
        return {opened, {}};
    std::uint32_t type = REG_SZ, size = 0;
    std::int32_t code = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    QByteArray data;
    if (code == ERROR_SUCCESS) {
        data = QByteArray(size, ' ');
        code =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<std::uint8_t *>(data.data()), &size);
        data.truncate(size);
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    return {code, data};
}

const auto sz = [](const char *text) { return QByteArray(text) + '\0'; };
const auto setString = [](HKEY key, const char *name, const char *text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const std::uint8_t *>(text),
                          std::uint32_t(strlen(text) + 1));
};

class registry_test : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("sub/registry.reg"));
        m_env.set("QUIRAVEL_REGISTRY", m_path.toLocal8Bit());
    }

    void writeFile(const QByteArray &bytes, QString path = {})
    {
        path = path.isEmpty() ? m_path : path;
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeBytes(path, bytes);
    }

    QTemporaryDir m_dir;
    QString m_path;
    ScopedEnv m_env;
};

const QString kSample =
    QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                   "; exported for the tests\r\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
                   "\"RegisteredOwner\"=\"J\u00FCrgen M\u00FCller\"\r\n"
                   "\"RegisteredOrganization\"=\"\"\r\n"
                   "\"CurrentBuild\"=dword:00004a61\r\n"
                   "\"DigitalProductId\"=hex:a4,00,00,00,03,00,00,00,30,30,33,\\\r\n"
                   "  32,36,2d,38,30,30\r\n"
                   "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
                   "@=\"the default\"\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
                   "\"RegisteredOwner\"=\"Old Family Owner\"\r\n");

} // namespace

TEST_F(registry_test, reads_an_export_as_a_client_asks_for_it)
{
    writeFile(QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(kSample));
    const std::tuple<const char *, const char *, std::int32_t, QByteArray> cases[] = {
        {"software\\microsoft\\WINDOWS NT\\currentversion", "registeredowner", ERROR_SUCCESS,
         sz("J\xFCrgen M\xFCller")},
        {kNtKey, "RegisteredOrganization", ERROR_SUCCESS, QByteArray(1, '\0')},
        {kNtKey, "Quoted", ERROR_SUCCESS, sz("say \"hi\"")},
        {kNtKey, nullptr, ERROR_SUCCESS, sz("the default")},
        {kNtKey, "CurrentBuild", ERROR_SUCCESS, QByteArray("\x61\x4a\x00\x00", 4)},
        {kNtKey, "DigitalProductId", ERROR_SUCCESS,
         QByteArray("\xa4\0\0\0\x03\0\0\0"
                    "00326-800",
                    17)},
        {kNtKey, "NoSuchValue", ERROR_FILE_NOT_FOUND, {}},
        {kOldKey, "RegisteredOwner", ERROR_SUCCESS, sz("Old Family Owner")},
        {"SOFTWARE\\Missing", "Value", ERROR_FILE_NOT_FOUND, {}},
    };
    for (const auto &[path, name, code, data] : cases) {
        SCOPED_TRACE(testing::Message() << path << " : " << (name ? name : "(null)"));
        const Read read = readValue(HKEY_LOCAL_MACHINE, path, name);
        EXPECT_EQ(read.code, code);
        EXPECT_EQ(read.data, data);
    }
}

TEST_F(registry_test, owner_key_in_the_file_answers_only_what_it_holds)
{
    // The key exists (with other values, or only through a key below it): no
    // fallback to the account's name, for either family's key.
    for (const char *path : {kNtKey, kOldKey}) {
        SCOPED_TRACE(path);
        const QByteArray section = "[HKEY_LOCAL_MACHINE\\" + QByteArray(path);
        for (const QByteArray &body : {section + "]\r\n\"RegisteredOrganization\"=\"Acme\"\r\n",
                                       section + "\\Below]\r\n\"Other\"=\"x\"\r\n"}) {
            writeFile("Windows Registry Editor Version 5.00\r\n\r\n" + body);
            EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, path, "RegisteredOwner").code, ERROR_FILE_NOT_FOUND);
        }
    }
}

TEST_F(registry_test, only_a_registry_export_of_sane_size_is_read_and_nothing_else_is_written)
{
    const QByteArray notes = "shopping list\nmilk\n";
    writeFile(notes);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kNtKey, &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Test.Prog", &key), ERROR_BADDB);
    EXPECT_EQ(setString(HKEY_CLASSES_ROOT, "x", "y"), ERROR_BADDB);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Test.Prog"), ERROR_BADDB);
    EXPECT_EQ(readBytes(m_path), notes);
    EXPECT_EQ(Registry::readProblem(),
              m_path + QStringLiteral(": not a registry export (its first line is not "
                                      "\"Windows Registry Editor Version 5.00\" or "
                                      "\"REGEDIT4\")"));
    EXPECT_EQ(Registry::writeProblem(), Registry::readProblem());

    // An empty file is an empty registry.
    writeFile({});
    EXPECT_EQ(Registry::readProblem(), QString());
    EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "Test.Prog", nullptr).code, ERROR_FILE_NOT_FOUND);

    const QString fifo = m_dir.filePath(QStringLiteral("fifo.reg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = m_dir.filePath(QStringLiteral("large.reg"));
    writeFile("Windows Registry Editor Version 5.00\r\n", large);
    ASSERT_TRUE(QFile::resize(large, Registry::kMaxFileSize + 1));
    const std::pair<QString, QString> files[] = {
        {m_dir.path(), QStringLiteral("Not a regular file (a directory)")},
        {fifo, QStringLiteral("Not a regular file (a FIFO)")},
        {QStringLiteral("/dev/zero"), QStringLiteral("Not a regular file (a device)")},
        {large, QStringLiteral("Larger than 64 MiB")},
    };
    for (const auto &[path, cause] : files) {
        SCOPED_TRACE(path.toStdString());
        m_env.set("QUIRAVEL_REGISTRY", path.toLocal8Bit());
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kNtKey, &key), ERROR_BADDB);
        EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Test.Prog", &key), ERROR_BADDB);
        EXPECT_EQ(Registry::readProblem(), path + QStringLiteral(": ") + cause);
    }
    EXPECT_EQ(QFileInfo(large).size(), Registry::kMaxFileSize + 1);
    EXPECT_TRUE(QFileInfo(fifo).exists());
    // Refused before a lock file is made beside them.
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + QStringLiteral(".lock")));
    EXPECT_FALSE(QFileInfo::exists(fifo + QStringLiteral(".lock")));
}

TEST_F(registry_test, another_writers_change_is_seen_even_with_the_same_size_and_time)
{
    const auto owner = [&](const char *name) {
        return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + QByteArray(kNtKey) +
               "]\r\n\"RegisteredOwner\"=\"" + name + "\"\r\n";
    };
    writeFile(owner("Anna"));
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kNtKey, "RegisteredOwner").data, sz("Anna"));
    const QDateTime modified = QFileInfo(m_path).lastModified();
    writeFile(owner("Otto"));
    QFile file(m_path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kNtKey, "RegisteredOwner").data, sz("Otto"));
}

TEST_F(registry_test, transaction_writes_all_its_changes_at_once_or_none)
{
    HKEY key = nullptr;
    {
        Registry::Transaction transaction;
        ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Test.Prog", &key), ERROR_SUCCESS);
        EXPECT_EQ(setString(key, nullptr, "first"), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        // Read back inside, not yet written.
        EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "Test.Prog", nullptr).data, sz("first"));
    }
    EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "Test.Prog", nullptr).code, ERROR_FILE_NOT_FOUND);

    Registry::Transaction transaction;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Test.Prog", &key), ERROR_SUCCESS);
    {
        Registry::Transaction joined;
        EXPECT_EQ(setString(key, "A", "1"), ERROR_SUCCESS);
        EXPECT_TRUE(joined.commit());
    }
    EXPECT_EQ(setString(key, "B", "2"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(QFileInfo::exists(m_path));
    ASSERT_TRUE(transaction.commit());
    EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "Test.Prog", "A").data, sz("1"));
    EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "Test.Prog", "B").data, sz("2"));
}

TEST_F(registry_test, a_link_in_the_files_place_is_replaced_not_written_through)
{
    const QString target = m_dir.filePath(QStringLiteral("target.reg"));
    const QByteArray original = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Kept]\r\n";
    writeFile(original, target);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    ASSERT_TRUE(QFile::link(target, m_path));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "Kept", nullptr).code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setString(HKEY_CURRENT_USER, "New", "1"), ERROR_SUCCESS);
    EXPECT_FALSE(QFileInfo(m_path).isSymLink());
    EXPECT_EQ(readBytes(target), original);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, nullptr, "New").data, sz("1"));
}

TEST_F(registry_test, changes_keep_every_line_they_do_not_own_in_place)
{
    // Line ends of every kind, a value set twice, a key the file deletes
    // further on, and a continuation left dangling at the file's end, which
    // only a line of ours may follow.
    const QByteArray original = "Windows Registry Editor Version 5.00\r\n"
                                "[HKEY_CURRENT_USER\\A]\r\r\n"
                                "\"X\"=\"first\"\n"
                                "\"X\"=\"second\"\r\r\n"
                                "[HKEY_CURRENT_USER\\Old]\r\n"
                                "\"V\"=\"gone\"\r\n"
                                "[-HKEY_CURRENT_USER\\Old]\r\n"
                                "[HKEY_CURRENT_USER\\B]\r\n"
                                "\"T\"=hex:01,\\\r\n";
    writeFile(original);
    HKEY key = nullptr;
    for (const auto &[path, name, text] : {std::tuple("A", "N", "1"), {"B", "M", "2"}, {"C", nullptr, "3"}}) {
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
        EXPECT_EQ(setString(key, name, text), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    QByteArray changed = original + ";\r\n\"M\"=\"2\"\r\n\r\n[HKEY_CURRENT_USER\\C]\r\n@=\"3\"\r\n\r\n";
    changed.insert(changed.indexOf("[HKEY_CURRENT_USER\\Old]"), "\"N\"=\"1\"\r\n");
    EXPECT_EQ(readBytes(m_path).toStdString(), changed.toStdString());
    // Read again from its bytes, as the next process reads it.
    writeFile(changed + "; read again\r\n");
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "A", "X").data, sz("second"));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "B", "T").code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "Old", "V").code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "B", "M").data, sz("2"));
}
