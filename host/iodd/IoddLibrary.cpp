// SPDX-License-Identifier: Apache-2.0
#include "host/iodd/IoddLibrary.h"

#include <QDirIterator>
#include <QRegularExpression>

namespace Iodd {

namespace {

quint64 key(quint32 vendorId, quint32 deviceId)
{
    return (quint64(vendorId) << 32) | deviceId;
}

/// Whether `a` is a later release than `b`: dates (ISO, so they compare as
/// text), then versions ("V1.10" after "V1.9").
bool newer(const Identity &a, const Identity &b)
{
    if (a.releaseDate != b.releaseDate)
        return a.releaseDate > b.releaseDate;
    const auto parts = [](const QString &version) {
        QList<int> numbers;
        for (const QString &part :
             version.mid(version.indexOf(QRegularExpression(QStringLiteral("\\d")))).split(u'.'))
            numbers.append(part.toInt());
        return numbers;
    };
    return parts(a.version) > parts(b.version);
}

} // namespace

Library::Library(const QString &directory)
{
    QDirIterator it(directory, {QStringLiteral("*.xml"), QStringLiteral("*.XML")}, QDir::Files,
                    QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths.append(it.next());
    paths.sort();
    for (const QString &path : std::as_const(paths)) {
        Identity identity;
        Error error;
        if (!readIdentity(path, &identity, &error)) {
            m_skipped.append(error.toString());
            continue;
        }
        const quint64 k = key(identity.vendorId, identity.deviceId);
        const auto existing = m_entries.constFind(k);
        if (existing == m_entries.cend() || newer(identity, existing->identity))
            m_entries.insert(k, {path, identity});
    }
}

QString Library::find(quint32 vendorId, quint32 deviceId) const
{
    return m_entries.value(key(vendorId, deviceId)).path;
}

} // namespace Iodd
