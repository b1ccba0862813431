// SPDX-License-Identifier: Apache-2.0
#include "host/iodd/IoddFacts.h"

#include <QHash>
#include <iterator>

namespace Iodd {

namespace {

// Indices 0 to 3 (direct parameter pages, system command, data storage
// index) are commands or raw pages, not values a page documents.
constexpr StandardVariable kStandardVariables[] = {
    {"V_DeviceAccessLocks", 12, "rw", "UIntegerT", 16, "Device Access Locks", "Gerätezugriffssperren"},
    {"V_VendorName", 16, "ro", "StringT", 64, "Vendor Name", "Herstellername"},
    {"V_VendorText", 17, "ro", "StringT", 64, "Vendor Text", "Herstellertext"},
    {"V_ProductName", 18, "ro", "StringT", 64, "Product Name", "Produktname"},
    {"V_ProductID", 19, "ro", "StringT", 64, "Product ID", "Produkt-ID"},
    {"V_ProductText", 20, "ro", "StringT", 64, "Product Text", "Produkttext"},
    {"V_SerialNumber", 21, "ro", "StringT", 16, "Serial Number", "Seriennummer"},
    {"V_HardwareRevision", 22, "ro", "StringT", 64, "Hardware Revision", "Hardwarestand"},
    {"V_FirmwareRevision", 23, "ro", "StringT", 64, "Firmware Revision", "Firmwarestand"},
    {"V_ApplicationSpecificTag", 24, "rw", "StringT", 32, "Application Specific Tag",
     "Anwendungsspezifische Kennung"},
    {"V_FunctionTag", 25, "rw", "StringT", 32, "Function Tag", "Funktionskennung"},
    {"V_LocationTag", 26, "rw", "StringT", 32, "Location Tag", "Ortskennung"},
    {"V_ErrorCount", 32, "ro", "UIntegerT", 16, "Error Count", "Fehlerzähler"},
    {"V_DeviceStatus", 36, "ro", "UIntegerT", 8, "Device Status", "Gerätestatus"},
};

struct Unit
{
    int code;
    const char *symbol;
};

// The common codes of the standard unit list, by quantity. Codes a file
// uses that are not here show no unit rather than a guess.
constexpr Unit kUnits[] = {
    // temperature
    {1000, "K"},
    {1001, "°C"},
    {1002, "°F"},
    {1003, "°R"},
    // angle
    {1004, "rad"},
    {1005, "°"},
    // length
    {1010, "m"},
    {1011, "km"},
    {1012, "cm"},
    {1013, "mm"},
    {1014, "µm"},
    {1018, "ft"},
    {1019, "in"},
    // volume
    {1034, "m³"},
    {1036, "cm³"},
    {1038, "l"},
    {1040, "ml"},
    {1048, "gal"},
    // time
    {1054, "s"},
    {1056, "ms"},
    {1057, "µs"},
    {1058, "min"},
    {1059, "h"},
    {1060, "d"},
    // speed
    {1061, "m/s"},
    {1062, "mm/s"},
    {1064, "km/h"},
    {1065, "mph"},
    {1069, "in/min"},
    {1070, "ft/min"},
    // frequency
    {1077, "Hz"},
    {1081, "kHz"},
    // mass
    {1088, "kg"},
    {1089, "g"},
    {1090, "mg"},
    {1092, "t"},
    {1094, "lb"},
    {1569, "oz"},
    // force and pressure
    {1120, "N"},
    {1130, "Pa"},
    {1132, "MPa"},
    {1133, "kPa"},
    {1136, "hPa"},
    {1137, "bar"},
    {1138, "mbar"},
    {1141, "psi"},
    // energy and power
    {1167, "J"},
    {1179, "kWh"},
    {1186, "W"},
    {1190, "kW"},
    // current, voltage, resistance
    {1209, "A"},
    {1211, "mA"},
    {1240, "V"},
    {1243, "mV"},
    {1281, "Ω"},
    {1283, "MΩ"},
    {1284, "kΩ"},
    // ratio
    {1342, "%"},
    // flow
    {1347, "m³/s"},
    {1349, "m³/h"},
    {1351, "l/s"},
    {1352, "l/min"},
    {1353, "l/h"},
    {1363, "gal/min"},
};

} // namespace

Datatype StandardVariable::type() const
{
    Datatype type;
    const QLatin1StringView name(kind);
    if (name == QLatin1StringView("StringT")) {
        type.simple.kind = SimpleType::Kind::String;
        type.simple.fixedLength = length;
        type.simple.encoding = QStringLiteral("UTF-8");
    } else {
        type.simple.kind = SimpleType::Kind::UInteger;
        type.simple.bitLength = length;
    }
    if (QLatin1StringView(id) == QLatin1StringView("V_DeviceStatus")) {
        const char *texts[] = {"Device is OK", "Maintenance required", "Outside its limits",
                               "Functional check", "Failure"};
        for (int i = 0; i < 5; ++i)
            type.simple.singleValues.append(
                {QString::number(i), QStringLiteral("\x01") + QLatin1StringView(texts[i])});
    }
    return type;
}

const StandardVariable *standardVariable(const QString &id)
{
    for (const StandardVariable &variable : kStandardVariables)
        if (id == QLatin1StringView(variable.id))
            return &variable;
    return nullptr;
}

QString unitSymbol(const QString &code)
{
    bool ok = false;
    const int value = code.toInt(&ok);
    if (!ok)
        return {};
    for (const Unit &unit : kUnits)
        if (unit.code == value)
            return QString::fromUtf8(unit.symbol);
    return {};
}

} // namespace Iodd
