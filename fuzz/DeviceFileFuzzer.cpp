// SPDX-License-Identifier: Apache-2.0
// The device description, data and database file readers on any bytes. The
// input's first byte picks the reader, the rest is the file, written to a
// temporary directory of this process so that the readers take the same
// path through the file checks as a user's file.
//
// Whatever is read: a refusal names the file, a line of it (or none) and a
// reason; the model is changed only by a file read whole; the database's
// values only by a file read whole.
#include "host/DeviceFile.h"
#include "host/DeviceModel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "%s: \"%s\"\n", what, detail.toUtf8().constData());
    std::abort();
}

/// Lives as long as the fuzzer; removed with its files when the process ends.
std::unique_ptr<QTemporaryDir> workDirectory;

void checkError(const DeviceFileError &error, const QString &path, const QByteArray &content)
{
    if (error.file != path)
        fail("the error names another file", error.file);
    if (error.message.isEmpty())
        fail("an error without a reason", error.toString());
    if (error.line < 0 || error.line > content.count('\n') + 1)
        fail("the error names a line the file does not have", error.toString());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    workDirectory =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/fuzz_device_file-XXXXXX"));
    if (!workDirectory->isValid())
        fail("no temporary directory", workDirectory->errorString());
    std::atexit([] { workDirectory.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || size > 8192)
        return -1;
    const int reader = data[0] % 3;
    const QByteArray content(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    static const char *const names[] = {"device.kqd", "device.data", "plant.db"};
    const QString path = workDirectory->filePath(QString::fromLatin1(names[reader]));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            fail("cannot write the input file", file.errorString());
    }

    DeviceFileError error;
    if (reader == 2) {
        QList<QPair<QString, QString>> values{{QStringLiteral("Sentinel"), QStringLiteral("kept")}};
        if (readDatabase(path, &values, &error)) {
            if (values.size() > content.count('\n') + 1)
                fail("more values than lines");
            for (const auto &[key, value] : values) {
                if (key.isEmpty() || key != key.trimmed() || value != value.trimmed())
                    fail("a key empty or not trimmed", key);
            }
        } else {
            checkError(error, path, content);
            if (values.size() != 1 || values.first().second != QStringLiteral("kept"))
                fail("a database refused changed the values");
        }
        return 0;
    }

    DeviceModel model;
    model.setApplicationValue(QStringLiteral("Sentinel"), QStringLiteral("kept"));
    model.setConnected(false);
    if (reader == 0) {
        if (loadDescription(path, model, &error)) {
            if (model.descriptionPath() != QFileInfo(path).absoluteFilePath())
                fail("a description read has another path", model.descriptionPath());
        } else {
            checkError(error, path, content);
            if (!model.descriptionPath().isEmpty())
                fail("a description refused set its path");
        }
    } else {
        if (loadData(path, model, &error)) {
            if (!content.toLower().contains("connected") && !model.isConnected())
                fail("a data file without a connection left the model disconnected");
        } else {
            checkError(error, path, content);
            if (model.isConnected() ||
                model.value(QStringLiteral("Sentinel"), false) != QStringLiteral("kept"))
                fail("a data file refused changed the model");
        }
    }
    if (model.liveObjects() != 0)
        fail("reading a file left a host object alive");
    return 0;
}
