// SPDX-License-Identifier: Apache-2.0
#include "tools/app/CallLogModel.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

CallLogModel::CallLogModel(int capacity, QObject *parent)
    : QAbstractListModel(parent), m_capacity(std::max(1, capacity))
{
    m_flush.setSingleShot(true);
    m_flush.setInterval(0);
    connect(&m_flush, &QTimer::timeout, this, &CallLogModel::flush);
}

void CallLogModel::append(const QString &text, bool highlighted)
{
    m_pending.push_back({text, highlighted});
    if (int(m_pending.size()) > m_capacity) {
        m_pending.pop_front();
        ++m_leftOut;
    }
    if (!m_flush.isActive())
        m_flush.start();
}

void CallLogModel::flush()
{
    m_flush.stop();
    if (m_pending.empty())
        return;
    const int overflow = int(m_entries.size() + m_pending.size()) - m_capacity;
    // Rows dropped at the top and added at the bottom in one step each: a
    // reset would lose the view's place, and a step per call costs a
    // layout per call.
    if (overflow > 0) {
        const int dropped = std::min(overflow, int(m_entries.size()));
        beginRemoveRows({}, 0, dropped - 1);
        m_entries.erase(m_entries.begin(), m_entries.begin() + dropped);
        endRemoveRows();
        m_leftOut += dropped;
    }
    const int first = int(m_entries.size());
    beginInsertRows({}, first, first + int(m_pending.size()) - 1);
    for (Entry &entry : m_pending)
        m_entries.push_back(std::move(entry));
    m_pending.clear();
    endInsertRows();
    Q_EMIT changed(m_leftOut, int(m_entries.size()));
}

void CallLogModel::clear()
{
    beginResetModel();
    m_entries.clear();
    m_pending.clear();
    m_leftOut = 0;
    endResetModel();
    Q_EMIT changed(0, 0);
}

int CallLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant CallLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= int(m_entries.size()))
        return {};
    const Entry &entry = m_entries[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return entry.text;
    case Qt::ForegroundRole:
        if (entry.highlighted)
            return QBrush(QGuiApplication::palette().color(QPalette::Link));
        return {};
    default:
        return {};
    }
}
