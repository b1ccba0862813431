// SPDX-License-Identifier: Apache-2.0
#include "host/iodd/IoddValues.h"

#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <cstring>

namespace Iodd {

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(Iodd)
};

struct Fault
{
    QString message;
};

/// The largest values file read: a master keeps a few kilobytes a port.
constexpr qint64 kMaxValuesBytes = qint64(16) << 20;

QByteArray readFile(const QString &path)
{
    RegularFile file;
    QByteArray bytes;
    if (!file.open(path, kMaxValuesBytes) || !file.readAll(&bytes))
        throw Fault{Text::tr("cannot read: ") + file.reason()};
    return bytes;
}

bool isJson(const QString &path)
{
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

/// Bits `count` at `offset` (counted from the least significant bit of the
/// last octet) of a big-endian octet string, for fields of up to 64 bits.
quint64 bitsAt(QByteArrayView octets, int offset, int count)
{
    quint64 value = 0;
    const int total = int(octets.size()) * 8;
    for (int i = count - 1; i >= 0; --i) {
        const int bit = offset + i;
        const int octet = (total - 1 - bit) / 8;
        const bool set = (quint8(octets[octet]) >> (bit % 8)) & 1;
        value = (value << 1) | (set ? 1 : 0);
    }
    return value;
}

QString hexText(QByteArrayView octets)
{
    return QString::fromLatin1(QByteArray(octets.data(), octets.size()).toHex(' ').toUpper());
}

/// One scalar out of `octets`: the whole of them (offset -1) or the field at
/// `offset` that is `type.bits()` wide.
QString decodeSimple(const SimpleType &type, QByteArrayView octets, int offset)
{
    using Kind = SimpleType::Kind;
    int bits = type.bits();
    if (offset < 0) {
        offset = 0;
        if (bits == 0 || type.kind == Kind::String || type.kind == Kind::OctetString)
            bits = int(octets.size()) * 8;
        if (bits > octets.size() * 8)
            throw Fault{Text::tr("%1 octets, %2 bits expected").arg(octets.size()).arg(bits)};
    }
    if (bits <= 0)
        return {};
    if (offset + bits > octets.size() * 8)
        throw Fault{Text::tr("a field at bit %1 of %2 bits lies outside %3 octets")
                        .arg(offset)
                        .arg(bits)
                        .arg(octets.size())};
    switch (type.kind) {
    case Kind::Boolean:
        return bitsAt(octets, offset, 1) ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::UInteger:
        if (bits <= 64)
            return QString::number(bitsAt(octets, offset, bits));
        break;
    case Kind::Integer:
        if (bits <= 64) {
            quint64 raw = bitsAt(octets, offset, bits);
            if (bits < 64 && (raw >> (bits - 1)) & 1)
                raw |= ~quint64(0) << bits;
            return QString::number(qint64(raw));
        }
        break;
    case Kind::Float32: {
        const quint32 raw = quint32(bitsAt(octets, offset, 32));
        float value;
        std::memcpy(&value, &raw, sizeof value);
        return QString::number(double(value), 'g', 7);
    }
    case Kind::String: {
        // Strings stand octet-aligned; their unused end is filled with zeros.
        const int total = int(octets.size()) * 8;
        QByteArrayView text = octets.sliced((total - offset - bits) / 8, bits / 8);
        const qsizetype end = text.indexOf('\0');
        if (end >= 0)
            text = text.first(end);
        if (type.encoding.compare(QStringLiteral("US-ASCII"), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(text);
        return QString::fromUtf8(text);
    }
    default:
        break;
    }
    const int total = int(octets.size()) * 8;
    return hexText(octets.sliced((total - offset - bits) / 8, (bits + 7) / 8));
}

void decodeWhole(const Variable &variable, QByteArrayView octets, QList<QPair<QString, QString>> *values)
{
    const Datatype &type = variable.type;
    switch (type.shape) {
    case Datatype::Shape::Simple:
        values->append({objectName(variable, 0), decodeSimple(type.simple, octets, -1)});
        break;
    case Datatype::Shape::Record:
        if (type.bitLength > 0 && type.bitLength != octets.size() * 8)
            throw Fault{Text::tr("%1 octets, %2 bits expected").arg(octets.size()).arg(type.bitLength)};
        for (const RecordItem &item : type.items)
            values->append(
                {objectName(variable, item.subindex), decodeSimple(item.type, octets, item.bitOffset)});
        break;
    case Datatype::Shape::Array: {
        const int bits = type.simple.bits();
        if (bits <= 0 || octets.size() * 8 < bits)
            throw Fault{Text::tr("an array of %1 octets").arg(octets.size())};
        // Element 1 stands first, at the most significant end; a shorter
        // answer holds the first elements only.
        const int count = std::min(type.count, int(octets.size() * 8 / bits));
        for (int n = 1; n <= count; ++n)
            values->append({objectName(variable, n),
                            decodeSimple(type.simple, octets, int(octets.size()) * 8 - n * bits)});
        break;
    }
    }
}

const Variable *variableAt(const Document &document, int index)
{
    for (const Variable &variable : document.variables)
        if (variable.index == index)
            return &variable;
    return nullptr;
}

/// The type of one subindex of a variable.
const SimpleType *subindexType(const Variable &variable, int subindex)
{
    if (variable.type.shape == Datatype::Shape::Record) {
        for (const RecordItem &item : variable.type.items)
            if (item.subindex == subindex)
                return &item.type;
        return nullptr;
    }
    if (variable.type.shape == Datatype::Shape::Array && subindex >= 1 && subindex <= variable.type.count)
        return &variable.type.simple;
    return nullptr;
}

// --- Data Storage ---

quint32 bigEndian(QByteArrayView octets, int at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(octets[at + i]);
    return value;
}

/// The header of a backup as a master's standard interface hands it out:
/// ArgBlock id (2 octets), parameter checksum (4), vendor id (2), device id
/// (4), function id (2), then the stored parameters.
constexpr int kDataStorageHeader = 14;

DeviceValues dataStorageIdentity(QByteArrayView octets)
{
    if (octets.size() < kDataStorageHeader)
        throw Fault{Text::tr("not a Data Storage backup: %1 octets, a header takes %2")
                        .arg(octets.size())
                        .arg(kDataStorageHeader)};
    DeviceValues values;
    values.hasIdentity = true;
    values.vendorId = bigEndian(octets, 6, 2);
    values.deviceId = bigEndian(octets, 8, 4);
    return values;
}

void readDataStorage(QByteArrayView octets, const Document &document, DeviceValues *values)
{
    *values = dataStorageIdentity(octets);
    // Each stored parameter: index (2 octets), subindex (1), length (1), data.
    qsizetype at = kDataStorageHeader;
    while (at < octets.size()) {
        if (at + 4 > octets.size())
            throw Fault{Text::tr("a parameter's head is cut off at octet %1").arg(at)};
        const int index = int(bigEndian(octets, int(at), 2));
        const int subindex = quint8(octets[at + 2]);
        const int length = quint8(octets[at + 3]);
        if (at + 4 + length > octets.size())
            throw Fault{Text::tr("index %1 is cut off: %2 octets announced at octet %3")
                            .arg(index)
                            .arg(length)
                            .arg(at)};
        const QByteArrayView data = octets.sliced(at + 4, length);
        at += 4 + length;
        const Variable *variable = variableAt(document, index);
        if (!variable)
            continue; // a parameter the IODD does not show
        QString error;
        if (!decodeParameter(*variable, subindex, data, &values->values, &error))
            throw Fault{Text::tr("index %1 subindex %2: %3").arg(index).arg(subindex).arg(error)};
    }
}

// --- JSON ---

QJsonObject jsonRoot(const QByteArray &bytes)
{
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw Fault{
            Text::tr("not JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString())};
    if (!json.isObject())
        throw Fault{Text::tr("not a JSON object")};
    return json.object();
}

DeviceValues jsonIdentity(const QJsonObject &root)
{
    DeviceValues values;
    const QJsonObject identification = root.value(QStringLiteral("identification")).toObject();
    const QJsonValue vendor = identification.value(QStringLiteral("vendorId"));
    const QJsonValue device = identification.value(QStringLiteral("deviceId"));
    if (vendor.isDouble() && device.isDouble()) {
        values.hasIdentity = true;
        values.vendorId = quint32(vendor.toInteger());
        values.deviceId = quint32(device.toInteger());
    }
    values.productId = identification.value(QStringLiteral("productId")).toString();
    return values;
}

/// A value of the "iodd" format as the host stores it.
QString jsonScalar(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number == double(qint64(number)))
            return QString::number(qint64(number));
        return QString::number(number, 'g', 15);
    }
    if (value.isString())
        return value.toString();
    throw Fault{Text::tr("a value that is neither number, text nor truth value")};
}

void readJsonParameter(const Document &document, const QJsonObject &entry, DeviceValues *values)
{
    const int index = entry.value(QStringLiteral("index")).toInt(-1);
    const int subindex = entry.value(QStringLiteral("subindex")).toInt(0);
    const QJsonValue value =
        entry.contains(QStringLiteral("answer"))
            ? entry.value(QStringLiteral("answer")).toObject().value(QStringLiteral("value"))
            : entry.value(QStringLiteral("value"));
    if (index < 0)
        throw Fault{Text::tr("a parameter without an index")};
    if (value.isUndefined())
        throw Fault{Text::tr("index %1 subindex %2 has no value").arg(index).arg(subindex)};
    const Variable *variable = variableAt(document, index);
    if (!variable)
        return;
    if (value.isArray()) {
        // The "byteArray" format: the octets as the device sent them.
        QByteArray octets;
        for (const QJsonValue &octet : value.toArray())
            octets.append(char(octet.toInt()));
        QString error;
        if (!decodeParameter(*variable, subindex, octets, &values->values, &error))
            throw Fault{Text::tr("index %1 subindex %2: %3").arg(index).arg(subindex).arg(error)};
        return;
    }
    if (value.isObject()) {
        // A whole record in the "iodd" format: its items by subindex.
        const QJsonObject items = value.toObject();
        for (auto it = items.begin(); it != items.end(); ++it) {
            bool ok = false;
            const int item = it.key().toInt(&ok);
            if (!ok || !subindexType(*variable, item))
                throw Fault{Text::tr("index %1 has no subindex \"%2\"").arg(index).arg(it.key())};
            const QJsonValue itemValue =
                it.value().isObject() ? it.value().toObject().value(QStringLiteral("value")) : it.value();
            values->values.append({objectName(*variable, item), jsonScalar(itemValue)});
        }
        return;
    }
    if (subindex != 0 && !subindexType(*variable, subindex))
        throw Fault{Text::tr("index %1 has no subindex %2").arg(index).arg(subindex)};
    if (subindex == 0 && variable->type.shape != Datatype::Shape::Simple)
        throw Fault{Text::tr("index %1 is a record or array: give its items or its octets").arg(index)};
    values->values.append({objectName(*variable, subindex), jsonScalar(value)});
}

void readJson(const QByteArray &bytes, const Document &document, DeviceValues *values)
{
    const QJsonObject root = jsonRoot(bytes);
    *values = jsonIdentity(root);
    for (const QJsonValue &entry : root.value(QStringLiteral("parameters")).toArray())
        readJsonParameter(document, entry.toObject(), values);
}

} // namespace

QString objectName(const Variable &variable, int subindex)
{
    if (variable.type.shape == Datatype::Shape::Simple || subindex <= 0)
        return variable.id;
    return variable.id + u'.' + QString::number(subindex);
}

bool decodeParameter(const Variable &variable, int subindex, QByteArrayView octets,
                     QList<QPair<QString, QString>> *values, QString *error)
{
    try {
        if (subindex == 0) {
            decodeWhole(variable, octets, values);
        } else {
            const SimpleType *type = subindexType(variable, subindex);
            if (!type)
                throw Fault{Text::tr("no such subindex")};
            values->append({objectName(variable, subindex), decodeSimple(*type, octets, -1)});
        }
        return true;
    } catch (const Fault &fault) {
        if (error)
            *error = fault.message;
        return false;
    }
}

bool readValueIdentity(const QString &path, DeviceValues *identity, Error *error)
{
    try {
        const QByteArray bytes = readFile(path);
        *identity = isJson(path) ? jsonIdentity(jsonRoot(bytes)) : dataStorageIdentity(bytes);
        if (!identity->hasIdentity)
            throw Fault{Text::tr("names no vendor and device id")};
        return true;
    } catch (const Fault &fault) {
        if (error)
            *error = Error{path, fault.message};
        return false;
    }
}

bool readDeviceValues(const QString &path, const Document &document, DeviceValues *values, Error *error)
{
    try {
        const QByteArray bytes = readFile(path);
        DeviceValues result;
        if (isJson(path))
            readJson(bytes, document, &result);
        else
            readDataStorage(bytes, document, &result);
        *values = std::move(result);
        return true;
    } catch (const Fault &fault) {
        if (error)
            *error = Error{path, fault.message};
        return false;
    }
}

} // namespace Iodd
