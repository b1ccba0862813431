// SPDX-License-Identifier: Apache-2.0
#include "tools/common/CallLogFile.h"
#include "tools/common/ToolOutput.h"
#include <QCoreApplication>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(CallLogFile)
};

constexpr qsizetype kBufferSize = 64 * 1024;

} // namespace

QString callLine(const HostCall &call)
{
    const QString status = ToolOutput::statusText(call.status);
    return QStringLiteral("%1(%2) -> error %3, %4")
        .arg(call.operation, call.arguments, QString::number(call.error), status);
}

CallLogFile::CallLogFile(QObject *parent) : QObject(parent) {}

CallLogFile::~CallLogFile()
{
    QString ignored;
    finish(&ignored);
}

bool CallLogFile::open(const QString &path, DeviceModel &model, QString *error)
{
    if (!m_file.create(path)) {
        *error = Text::tr("%1: cannot create: %2").arg(path, m_file.errorString());
        return false;
    }
    m_path = path;
    m_buffer.reserve(kBufferSize);
    model.signalCalls();
    connect(&model, &DeviceModel::called, this, &CallLogFile::write);
    return true;
}

bool CallLogFile::finish(QString *error)
{
    if (!m_file.isOpen())
        return true;
    flush();
    disconnect();
    if (m_file.commit(true))
        return true;
    *error = Text::tr("%1: cannot write: %2").arg(m_path, m_file.errorString());
    return false;
}

void CallLogFile::write(const HostCall &call)
{
    m_buffer.append(callLine(call).toUtf8()).append('\n');
    if (m_buffer.size() >= kBufferSize)
        flush();
}

void CallLogFile::flush()
{
    // After a failed write the rest is dropped: the log is reported as
    // incomplete and the disk is not asked again for every call.
    if (m_file.systemError() == 0 && !m_buffer.isEmpty())
        m_file.write(m_buffer.constData(), m_buffer.size());
    m_buffer.resize(0);
}
