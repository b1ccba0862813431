// SPDX-License-Identifier: Apache-2.0
// A device's parameter values as a master holds them, turned into the
// values of the objects an IODD's device has: octets decoded through the
// IODD's data types, or the answers a master's JSON interface gave.
#pragma once

#include "host/iodd/IoddDocument.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace Iodd {

/// Where values came from and what they are: the ids they name (when the
/// source names them) and each object's value, as the host stores it.
struct DeviceValues
{
    bool hasIdentity = false;
    quint32 vendorId = 0;
    quint32 deviceId = 0;
    QString productId; ///< empty when the source does not say
    QList<QPair<QString, QString>> values;
};

/// The object names a variable gives: its id, or "<id>.<subindex>" for each
/// record item and "<id>.<n>" for each array element.
QString objectName(const Variable &variable, int subindex);

/// Decodes one parameter's octets (subindex 0: the whole variable) into
/// `values`. False with `*error` when they do not fit the variable's type.
bool decodeParameter(const Variable &variable, int subindex, QByteArrayView octets,
                     QList<QPair<QString, QString>> *values, QString *error);

/// Reads the identity of a values file (JSON or Data Storage) without
/// decoding its values; false when the file names none or is unreadable.
bool readValueIdentity(const QString &path, DeviceValues *identity, Error *error);

/// Reads a values file through `document`: ".json" as the answers of a
/// master's JSON interface, anything else as a Data Storage backup.
bool readDeviceValues(const QString &path, const Document &document, DeviceValues *values, Error *error);

} // namespace Iodd
