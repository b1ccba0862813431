// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/DeviceList.h"

#include "platform/FileName.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DeviceList)
};

// A list of a plant's devices is a few hundred kilobytes at most.
constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;

struct Found
{
    QString path;
    QString base;  ///< the absolute folder or list folder it came from
    QString error; ///< why it cannot be run; empty when it can
};

/// The descriptions below `folder`, in every subfolder; links to folders
/// are not followed, so a loop of links cannot make the search endless.
QList<Found> descriptionsIn(const QString &folder, const QString &base)
{
    QList<Found> found;
    QDirIterator it(folder, {QStringLiteral("*.kqd")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append({QDir::cleanPath(it.next()), base, QString()});
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.path < b.path; });
    return found;
}

/// A description or folder named by an input; `relativeTo` is the folder
/// PDF paths are taken relative to.
QList<Found> devicesAt(const QString &path, const QString &relativeTo, QString *error)
{
    const QFileInfo info(path);
    const QString base = QDir::cleanPath(QFileInfo(relativeTo).absoluteFilePath());
    if (info.isDir()) {
        QList<Found> found = descriptionsIn(path, base);
        // Qt neither lists nor opens these; each is reached through a
        // descriptor instead.
        for (const QByteArray &native : FileName::notUtf8Below(FileName::nativeOf(path), ".kqd")) {
            QString reason;
            const QString reached = FileName::openable(native, &reason);
            if (reached.isEmpty())
                found.append({FileName::shown(native), QString(), reason});
            else if (QFileInfo(reached).isDir())
                found.append(descriptionsIn(reached, base));
            else
                found.append({reached, base, QString()});
        }
        std::stable_sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
            return FileName::shownPath(a.path) < FileName::shownPath(b.path);
        });
        if (found.isEmpty())
            *error = Text::tr("no device descriptions (.kqd) in this folder");
        return found;
    }
    if (!info.exists()) {
        *error = Text::tr("no such file or folder");
        return {};
    }
    return {{QDir::cleanPath(path), base, QString()}};
}

QStringList entriesOf(const QByteArray &text, QString *error)
{
    QStringList entries;
    for (const QByteArray &line : text.split('\n')) {
        const QString entry = QString::fromUtf8(line).trimmed();
        if (!entry.isEmpty() && !entry.startsWith(QLatin1Char('#')))
            entries.append(entry);
    }
    if (entries.isEmpty())
        *error = Text::tr("the list names no device");
    return entries;
}

QStringList readStandardInput(QString *error)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        *error = Text::tr("standard input cannot be read: %1").arg(input.errorString());
        return {};
    }
    const QByteArray text = input.read(kMaxListBytes + 1);
    if (text.size() > kMaxListBytes) {
        *error = Text::tr("the list is larger than %1 MiB").arg(kMaxListBytes / (1024 * 1024));
        return {};
    }
    return entriesOf(text, error);
}

QStringList readList(const QString &path, QString *error)
{
    if (path == QLatin1String("-"))
        return readStandardInput(error);
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = Text::tr("no such list file");
        return {};
    }
    if (!info.isFile()) {
        *error = Text::tr("the list is not a regular file");
        return {};
    }
    if (info.size() > kMaxListBytes) {
        *error = Text::tr("the list is larger than %1 MiB").arg(kMaxListBytes / (1024 * 1024));
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = Text::tr("the list cannot be read: %1").arg(file.errorString());
        return {};
    }
    return entriesOf(file.readAll(), error);
}

/// The deepest folder that holds every one of `folders` (absolute, clean).
QString sharedFolder(const QStringList &folders)
{
    if (folders.isEmpty())
        return QString();
    QStringList shared = folders.first().split(QLatin1Char('/'));
    for (const QString &folder : folders) {
        const QStringList parts = folder.split(QLatin1Char('/'));
        qsizetype same = 0;
        while (same < shared.size() && same < parts.size() && shared.at(same) == parts.at(same))
            ++same;
        shared.resize(same);
    }
    const QString joined = shared.join(QLatin1Char('/'));
    return joined.isEmpty() ? QStringLiteral("/") : joined;
}

/// The PDF path of a description found `relative` below its folder or list;
/// a path that leads out of it keeps its absolute form below DIR instead,
/// so that no PDF lands outside DIR.
QString pdfPathFor(const QString &pdfDirectory, const QString &relative, const QString &path)
{
    QString below = QDir::cleanPath(relative);
    if (below.startsWith(QLatin1String("../")) || below == QLatin1String("..") || QDir::isAbsolutePath(below))
        below = QFileInfo(path).absoluteFilePath().mid(1);
    const QFileInfo file(below);
    const QString name = file.completeBaseName().isEmpty() ? file.fileName() : file.completeBaseName();
    const QString directory = file.path() == QLatin1String(".") ? QString() : file.path() + QLatin1Char('/');
    return QDir::cleanPath(QDir(pdfDirectory).absoluteFilePath(directory + name + QStringLiteral(".pdf")));
}

} // namespace

QString realFolderOf(const QString &descriptionPath)
{
    const QString folder = QFileInfo(descriptionPath).absolutePath();
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? folder : real;
}

QList<BatchDevice> collectDevices(const QStringList &inputs, const QString &pdfDirectory)
{
    QList<BatchDevice> devices;
    // Each device's folder or list folder, by index into devices; PDF paths
    // are taken below the deepest folder they all share, so that devices
    // given by several arguments (a shell glob, find | xargs) keep apart.
    QStringList bases;
    const auto add = [&](const QString &input, const QList<Found> &found, const QString &error) {
        if (!error.isEmpty()) {
            devices.append({input, QString(), error});
            bases.append(QString());
            return;
        }
        for (const Found &device : found) {
            if (!device.error.isEmpty()) {
                devices.append({device.path, QString(), device.error});
                bases.append(QString());
                continue;
            }
            devices.append({device.path, QString(), QString()});
            bases.append(device.base);
        }
    };

    for (const QString &input : inputs) {
        QString error;
        if (!input.startsWith(QLatin1Char('@'))) {
            const QFileInfo info(input);
            const QList<Found> found = devicesAt(input, info.isDir() ? input : info.absolutePath(), &error);
            add(input, found, error);
            continue;
        }
        const QString listPath = input.mid(1);
        const QStringList entries = readList(listPath, &error);
        if (!error.isEmpty()) {
            add(listPath, {}, error);
            continue;
        }
        const bool standardInput = listPath == QLatin1String("-");
        const QString listDirectory = standardInput ? QStringLiteral(".") : QFileInfo(listPath).path();
        const QDir listFolder(QFileInfo(listDirectory).absoluteFilePath());
        for (const QString &entry : entries) {
            const QString path = QDir::cleanPath(QDir(listDirectory).filePath(entry));
            QString entryError;
            const QList<Found> found = devicesAt(path, listFolder.absolutePath(), &entryError);
            add(path, found, entryError);
        }
    }

    if (!pdfDirectory.isEmpty()) {
        QStringList found;
        for (const QString &base : std::as_const(bases)) {
            if (!base.isEmpty())
                found.append(base);
        }
        const QDir shared(sharedFolder(found));
        for (qsizetype i = 0; i < devices.size(); ++i) {
            BatchDevice &device = devices[i];
            if (device.error.isEmpty()) {
                // A PDF's name shows the bytes of a description's name that
                // are not UTF-8 escaped.
                const QString absolute = QFileInfo(FileName::shownPath(device.path)).absoluteFilePath();
                device.pdfPath = pdfPathFor(pdfDirectory, shared.relativeFilePath(absolute), absolute);
            }
        }
    }

    QHash<QString, QString> pdfOwners;
    for (BatchDevice &device : devices) {
        if (device.pdfPath.isEmpty() || !device.error.isEmpty())
            continue;
        const auto owner = pdfOwners.constFind(device.pdfPath);
        if (owner != pdfOwners.cend())
            device.error =
                Text::tr("its PDF %1 is already that of %2")
                    .arg(QDir::toNativeSeparators(device.pdfPath), QDir::toNativeSeparators(*owner));
        else
            pdfOwners.insert(device.pdfPath, device.path);
    }
    return devices;
}
