// SPDX-License-Identifier: Apache-2.0
// A folder of IODDs, as a plant's engineer keeps them: each device's IODD
// found by vendor id and device id, the newest release where several match.
#pragma once

#include "host/iodd/IoddDocument.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace Iodd {

class Library
{
public:
    /// Reads the identity of every IODD in `directory` and its subfolders
    /// (language files and files that are no IODD are passed over; the
    /// reasons stay in skipped()).
    explicit Library(const QString &directory);

    /// The newest IODD (by release date, then version) for the ids, or
    /// empty.
    QString find(quint32 vendorId, quint32 deviceId) const;
    int size() const { return int(m_entries.size()); }
    QStringList skipped() const { return m_skipped; }

private:
    struct Entry
    {
        QString path;
        Identity identity;
    };
    QHash<quint64, Entry> m_entries;
    QStringList m_skipped;
};

} // namespace Iodd
