// SPDX-License-Identifier: Apache-2.0
// Facts of IO-Link that an IODD refers to without stating them: the
// standard variables a StdVariableRef names and the standard unit codes.
// Written from the public tables of the IO-Link interface description and the
// unit definitions (only the entries a description of a device's
// parameters needs).
#pragma once

#include "host/iodd/IoddDocument.h"

#include <QString>

namespace Iodd {

struct StandardVariable
{
    const char *id; ///< the StdVariableRef id, e.g. "V_VendorName"
    int index;
    const char *access; ///< "ro", "rw"
    const char *kind;   ///< "StringT", "UIntegerT", ...
    int length;         ///< octets of a string, bits of an integer
    const char *english;
    const char *german;

    Datatype type() const;
};

/// The standard variable `id` names, or null for one the host leaves out
/// (direct parameter pages, the system command, process data).
const StandardVariable *standardVariable(const QString &id);

/// The symbol of a standard unit code ("1001" gives "°C"); empty when the
/// code is not in the table.
QString unitSymbol(const QString &code);

} // namespace Iodd
