// A host call log written to a file as the calls happen, one line a call,
// so that watching a long run costs no memory.
#pragma once

#include "frame/DeviceModel.h"

#include <QFile>
#include <QObject>
#include <QString>

/// "Operation(arguments) -> error N, status": one call as a line of text.
QString callLine(const HostCall &call);

class CallLogFile : public QObject
{
    Q_OBJECT
public:
    explicit CallLogFile(QObject *parent = nullptr);

    /// Creates `path` anew (a link of that name is replaced, its target is
    /// never written), turns the model's call log on and writes every call
    /// to the file from now on. False, with the reason in `*error`, when
    /// the file cannot be created.
    bool open(const QString &path, DeviceModel &model, QString *error);

private:
    void write(const HostCall &call);

    QFile m_file;
};
