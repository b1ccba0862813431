// SPDX-License-Identifier: Apache-2.0
// The reference host's device files: a device description (".kqd"), the
// device's data file and the database file it names, read into a DeviceModel.
//
// All three are INI-style UTF-8 text (a byte-order mark is allowed, CR LF or
// LF line ends): comment lines start with ";", blank lines are ignored,
// section names and keys are compared without regard to case, blanks around
// keys and values are trimmed. docs/device-files.md describes the sections.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

class DeviceModel;

/// The largest description, data or database file read (64 MiB); a larger
/// one is refused as a whole, as is anything but a regular file.
inline constexpr qint64 kMaxDeviceFileBytes = qint64(64) << 20;

/// Why a device file could not be read: the file, the line (1-based; 0 when
/// the file as a whole failed) and what is wrong there.
struct DeviceFileError
{
    QString file;
    int line = 0;
    QString message;

    /// "FILE:LINE: message", or "FILE: message" for the whole file.
    QString toString() const;
};

/// Reads a device description into `model`: device and setting entries, the
/// "Object" section, object and enumeration definitions, and the file's
/// absolute path as "&&private_PM&&KQDPath". The model is changed only when
/// the whole file could be read.
bool loadDescription(const QString &path, DeviceModel &model, DeviceFileError *error);

/// Reads a device data file into `model`: the application data set, the
/// simulated device's values, the connection, the upload's duration and the
/// database (loaded from its file when the component asks for it). The model
/// is changed only when the whole file could be read; settings the file does
/// not name take their defaults (connected, 1500 ms, no database).
bool loadData(const QString &path, DeviceModel &model, DeviceFileError *error);

/// Reads a database file: its [Application] items in file order.
bool readDatabase(const QString &path, QList<QPair<QString, QString>> *values, DeviceFileError *error);

/// Makes `path` the database the host loads when the component asks for
/// it, read from the file each time; a file that cannot be used makes the
/// load fail with its DeviceFileError as the model's databaseError().
void useDatabaseFile(DeviceModel &model, const QString &path);

/// The data file that belongs to a description by default: its path with the
/// file name's extension replaced by ".data" (appended when it has none).
QString defaultDataPath(const QString &descriptionPath);

/// Reads the description and then the data file: `dataPath`, or when that is
/// empty the default data file if there is one.
bool loadDevice(const QString &descriptionPath, const QString &dataPath, DeviceModel &model,
                DeviceFileError *error);
