// SPDX-License-Identifier: Apache-2.0
#include "ComError.h"

#include <utility>

ComError::ComError(HRESULT hr, QString description)
    : m_hr(hr), m_description(description.isEmpty() ? describeStatus(hr) : std::move(description)),
      m_what(m_description.toStdString())
{
}

QString describeStatus(HRESULT hr)
{
    switch (static_cast<std::uint32_t>(hr)) {
    case 0x80004001u:
        return QStringLiteral("Not implemented");
    case 0x80004002u:
        return QStringLiteral("No such interface supported");
    case 0x80004003u:
        return QStringLiteral("Invalid pointer");
    case 0x80004005u:
        return QStringLiteral("Unspecified error");
    case 0x8000FFFFu:
        return QStringLiteral("Catastrophic failure");
    case 0x8007000Eu:
        return QStringLiteral("Out of memory");
    case 0x80070057u:
        return QStringLiteral("The parameter is incorrect");
    case 0x80070005u:
        return QStringLiteral("Permission denied");
    case 0x80070002u:
        return QStringLiteral("File not found");
    case 0x80070003u:
        return QStringLiteral("Path not found");
    case 0x800A0035u:
        return QStringLiteral("File not found");
    case 0x800A004Cu:
        return QStringLiteral("Path not found");
    case 0x800A0046u:
        return QStringLiteral("Permission denied");
    case 0x800A0039u:
        return QStringLiteral("Device I/O error");
    case 0x8002000Au:
    case 0x800A0006u:
        return QStringLiteral("Overflow");
    case 0x8002000Bu:
    case 0x800A0009u:
        return QStringLiteral("Subscript out of range");
    case 0x80040110u:
        return QStringLiteral("Class does not support aggregation");
    case 0x80040111u:
        return QStringLiteral("Class not available");
    case 0x80040154u:
        return QStringLiteral("Class not registered");
    case 0x80040201u:
        return QStringLiteral("Class registration failed");
    default:
        return QString::asprintf("Error 0x%08X", static_cast<unsigned>(hr));
    }
}
