#include "frame/batch/DeviceList.h"

#include "platform/FileName.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

// A list of a plant's devices is a few hundred kilobytes at most.
constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;

struct Found
{
    QString path;
    QString relative; ///< below the folder or list it came from
    QString error;    ///< why it cannot be run; empty when it can
};

/// The descriptions below `folder`, in every subfolder; links to folders
/// are not followed, so a loop of links cannot make the search endless.
QList<Found> descriptionsIn(const QString &folder, const QDir &relativeTo)
{
    QList<Found> found;
    QDirIterator it(folder, {QStringLiteral("*.kqd")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        found.append({path, relativeTo.relativeFilePath(QFileInfo(path).absoluteFilePath()), QString()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.path < b.path; });
    return found;
}

/// A description or folder named by an input; `relativeTo` is the folder
/// PDF paths are taken relative to.
QList<Found> devicesAt(const QString &path, const QString &relativeTo, QString *error)
{
    const QFileInfo info(path);
    const QDir base(QFileInfo(relativeTo).absoluteFilePath());
    if (info.isDir()) {
        QList<Found> found = descriptionsIn(path, base);
        // Qt neither lists nor opens these: they fail by name, not unseen.
        for (const QByteArray &native : FileName::notUtf8Below(QFile::encodeName(path), ".kqd")) {
            found.append({FileName::shown(native), QString(),
                          QStringLiteral("its name is not valid UTF-8, which this program cannot open; "
                                         "rename it (e.g. with convmv)")});
        }
        if (found.isEmpty())
            *error = QStringLiteral("no device descriptions (.kqd) in this folder");
        return found;
    }
    if (!info.exists()) {
        *error = QStringLiteral("no such file or folder");
        return {};
    }
    return {{QDir::cleanPath(path), base.relativeFilePath(info.absoluteFilePath()), QString()}};
}

QStringList readList(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("no such list file");
        return {};
    }
    if (!info.isFile()) {
        *error = QStringLiteral("the list is not a regular file");
        return {};
    }
    if (info.size() > kMaxListBytes) {
        *error = QStringLiteral("the list is larger than %1 MiB").arg(kMaxListBytes / (1024 * 1024));
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the list cannot be read: %1").arg(file.errorString());
        return {};
    }
    QStringList entries;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString entry = QString::fromUtf8(line).trimmed();
        if (!entry.isEmpty() && !entry.startsWith(QLatin1Char('#')))
            entries.append(entry);
    }
    if (entries.isEmpty())
        *error = QStringLiteral("the list names no device");
    return entries;
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
    const auto add = [&](const QString &input, const QList<Found> &found, const QString &error) {
        if (!error.isEmpty()) {
            devices.append({input, QString(), error});
            return;
        }
        for (const Found &device : found) {
            if (!device.error.isEmpty()) {
                devices.append({device.path, QString(), device.error});
                continue;
            }
            devices.append(
                {device.path,
                 pdfDirectory.isEmpty() ? QString() : pdfPathFor(pdfDirectory, device.relative, device.path),
                 QString()});
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
        const QDir listFolder = QFileInfo(listPath).absoluteDir();
        for (const QString &entry : entries) {
            const QString path = QDir::cleanPath(QDir(QFileInfo(listPath).path()).filePath(entry));
            QString entryError;
            const QList<Found> found = devicesAt(path, listFolder.absolutePath(), &entryError);
            add(path, found, entryError);
        }
    }

    QHash<QString, QString> pdfOwners;
    for (BatchDevice &device : devices) {
        if (device.pdfPath.isEmpty() || !device.error.isEmpty())
            continue;
        const auto owner = pdfOwners.constFind(device.pdfPath);
        if (owner != pdfOwners.cend())
            device.error =
                QStringLiteral("its PDF %1 is already that of %2")
                    .arg(QDir::toNativeSeparators(device.pdfPath), QDir::toNativeSeparators(*owner));
        else
            pdfOwners.insert(device.pdfPath, device.path);
    }
    return devices;
}
