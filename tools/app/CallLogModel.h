// SPDX-License-Identifier: Apache-2.0
// The frame window's log: the most recent host calls and message boxes,
// bounded, for a list view that draws only the rows on screen.
#pragma once

#include <QAbstractListModel>
#include <QTimer>
#include <deque>

class CallLogModel : public QAbstractListModel
{
    Q_OBJECT
public:
    /// Keeps the last `capacity` entries.
    explicit CallLogModel(int capacity = 10000, QObject *parent = nullptr);

    /// Entries dropped to keep within the capacity.
    qint64 leftOut() const { return m_leftOut; }

    /// Adds an entry; views learn of new entries in batches, on the next
    /// turn of the event loop (or at flush()).
    void append(const QString &text, bool highlighted);
    /// Shows every entry added so far to the views now.
    void flush();
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    /// After each batch: how many entries are left out, how many are shown.
    void changed(qint64 leftOut, int shown);

private:
    struct Entry
    {
        QString text;
        bool highlighted = false;
    };

    int m_capacity;
    std::deque<Entry> m_entries; ///< what the views know of
    std::deque<Entry> m_pending; ///< added since, at most m_capacity
    qint64 m_leftOut = 0;
    QTimer m_flush;
};
