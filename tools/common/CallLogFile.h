// SPDX-License-Identifier: Apache-2.0
// A host call log written to a file as the calls happen, one line a call,
// so that watching a long run costs no memory.
#pragma once

#include "host/DeviceModel.h"
#include "platform/SafeFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>

/// "Operation(arguments) -> error N, status": one call as a line of text.
QString callLine(const HostCall &call);

class CallLogFile : public QObject
{
    Q_OBJECT
public:
    explicit CallLogFile(QObject *parent = nullptr);
    /// Puts what was written in place, like finish(), when nobody did.
    ~CallLogFile() override;

    /// Begins a new file for `path`, turns the model's call log on and
    /// writes every call to it from now on. The file takes the name at
    /// finish() (a link of that name is replaced, its target is never
    /// written). False, with "FILE: what failed: reason" in `*error`, when
    /// the name is refused or no file can be made beside it.
    bool open(const QString &path, DeviceModel &model, QString *error);
    /// Writes what is left and puts the file in place of the name, with
    /// everything written even after a failed write. False with the first
    /// failure in `*error`; true when no log was opened.
    bool finish(QString *error);

private:
    void write(const HostCall &call);
    void flush();

    QString m_path;
    SafeFileWriter m_file;
    QByteArray m_buffer;
};
