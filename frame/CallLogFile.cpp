#include "frame/CallLogFile.h"
#include "frame/ToolOutput.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

QString callLine(const HostCall &call)
{
    const QString status = ToolOutput::statusText(call.status);
    return QStringLiteral("%1(%2) -> error %3, %4")
        .arg(call.operation, call.arguments, QString::number(call.error), status);
}

CallLogFile::CallLogFile(QObject *parent) : QObject(parent) {}

bool CallLogFile::open(const QString &path, DeviceModel &model, QString *error)
{
    const QFileInfo target(path);
    if (target.isDir() && !target.isSymLink()) {
        *error = QStringLiteral("%1: is a directory").arg(path);
        return false;
    }
    // A new file in the same folder, renamed to the name at once: whatever
    // the name was (a link, a pipe, someone's file under a second name),
    // only the name is replaced.
    QByteArray name =
        QFile::encodeName(target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        *error =
            QStringLiteral("%1: cannot create: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (std::rename(name.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        const int cause = errno;
        ::unlink(name.constData());
        ::close(fd);
        *error =
            QStringLiteral("%1: cannot create: %2").arg(path, QString::fromLocal8Bit(std::strerror(cause)));
        return false;
    }
    if (!m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QStringLiteral("%1: cannot write: %2").arg(path, m_file.errorString());
        return false;
    }
    model.signalCalls();
    connect(&model, &DeviceModel::called, this, &CallLogFile::write);
    return true;
}

void CallLogFile::write(const HostCall &call)
{
    // Buffered: a line a call, handed to the file a buffer at a time.
    m_file.write(callLine(call).toUtf8().append('\n'));
}
