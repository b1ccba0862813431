// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/IoddDeviceList.h"

#include "host/iodd/IoddLibrary.h"
#include "host/iodd/IoddValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DeviceList)
};

} // namespace

QList<BatchDevice> collectIoddDevices(const QStringList &valueFiles, const QString &library,
                                      const QString &pdfDirectory)
{
    QList<BatchDevice> devices;
    if (!QFileInfo(library).isDir()) {
        for (const QString &file : valueFiles)
            devices.append(
                {file, QString(), Text::tr("the IODD library %1 is no folder").arg(library), file});
        return devices;
    }
    const Iodd::Library iodds(library);
    QSet<QString> pdfs;
    for (const QString &file : valueFiles) {
        BatchDevice device;
        device.dataPath = file;
        Iodd::DeviceValues identity;
        Iodd::Error error;
        if (!Iodd::readValueIdentity(file, &identity, &error)) {
            device.path = file;
            device.error = error.toString();
            devices.append(device);
            continue;
        }
        device.path = iodds.find(identity.vendorId, identity.deviceId);
        if (device.path.isEmpty()) {
            device.path = file;
            device.error = Text::tr("no IODD for vendor id %1, device id %2 in %3")
                               .arg(identity.vendorId)
                               .arg(identity.deviceId)
                               .arg(QDir::toNativeSeparators(library));
        } else if (!pdfDirectory.isEmpty()) {
            device.pdfPath =
                QDir(pdfDirectory).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
            if (pdfs.contains(device.pdfPath))
                device.error = Text::tr("the PDF %1 belongs to an earlier device")
                                   .arg(QDir::toNativeSeparators(device.pdfPath));
            pdfs.insert(device.pdfPath);
        }
        devices.append(device);
    }
    return devices;
}
