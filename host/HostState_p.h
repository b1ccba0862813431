// SPDX-License-Identifier: Apache-2.0
// The state behind a DeviceModel that the host objects answer from. The
// objects share it, so one the component still holds after the model is
// gone answers from what the model left.
#pragma once

#include "host/DeviceModel.h"
#include "host/NoCaseIndex.h"
#include "platform/ComPtr.h"

#include <QHash>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct HostState : std::enable_shared_from_this<HostState>
{
    /// The items the host answers itself rather than from a data set.
    enum class ItemKind { Data, Connect, FileName, KqdPath, Upload };
    /// The data sets an item can have a value in.
    enum class DataSet { Application, Shadow, Device };

    /// Everything the host knows of one item: its place in the "Object"
    /// section, its definition and its value in each data set. Records are
    /// never removed, so a pointer to one stays valid as long as the state.
    struct Item
    {
        explicit Item(const QString &itemName) : name(itemName) {}

        QString name; ///< as first given
        /// The first place the "Object" section lists it at (0-based), or -1.
        int listedPosition = -1;
        /// Its place among the objects in the order they were defined, or -1.
        int definitionNumber = -1;
        ObjectDefinition definition;
        std::array<std::optional<QString>, 3> values;

        const std::optional<QString> &value(DataSet set) const { return values[std::size_t(set)]; }
        bool isListed() const { return listedPosition >= 0; }
        bool isDefined() const { return definitionNumber >= 0; }
        /// Whether an item of this name exists for OpenItem.
        bool exists() const
        {
            return isListed() ||
                   std::any_of(values.begin(), values.end(), [](const auto &v) { return bool(v); });
        }
    };

    struct OpenHandle
    {
        /// The item's record; null for the host's own items and for items
        /// only `extraItems` knows, whose name `name` then holds.
        const Item *item = nullptr;
        QString name;
        bool shadow = false;
        ItemKind kind = ItemKind::Data;

        const QString &itemName() const { return item ? item->name : name; }
    };

    /// One entry of the "Object" section: a name may be listed more than once.
    struct Listing
    {
        QString name; ///< as listed
        const Item *item = nullptr;
    };

    /// Cleared when the model goes; signals are then no longer sent.
    DeviceModel *model = nullptr;

    NamedValues deviceEntries;
    NamedValues settingEntries;

    /// The items, in the order they became known (a deque: records never move).
    std::deque<Item> items;
    NoCaseMap<Item *> itemIndex;
    /// The records by the spellings they were asked by, a few a name: a
    /// print file asks for each item by one spelling, tag after tag.
    mutable SpellingCache<Item> itemSpellings;
    std::vector<Listing> objectSection;
    /// Defined objects by definitionNumber; an unlisted one's definition
    /// handle counts in it.
    std::vector<const Item *> definedObjects;
    QList<QPair<QString, EnumerationDefinition>> enumerations;
    NoCaseMap<int> enumerationIndexes;

    QString descriptionPath;
    DeviceModel::DisplayText displayText;
    std::function<bool(QStringView)> extraItems;

    QString databasePath;
    QList<QPair<QString, QString>> databaseValues;
    std::function<bool(const QString &, QList<QPair<QString, QString>> *, QString *)> databaseLoader;
    QString loadedDatabasePath;
    QString databaseError;

    bool connected = false;
    int uploadMilliseconds = 1000;
    std::int32_t progress = 0;
    bool uploadRunning = false;
    QTimer uploadTimer;

    /// The open handles in ascending order. Handles are opened and closed
    /// once per tag of a print file, nearly always the newest one, which a
    /// sorted array finds at its end without hashing or allocating.
    class OpenHandles
    {
    public:
        using Entry = std::pair<std::int32_t, OpenHandle>;

        const OpenHandle *find(std::int32_t handle) const
        {
            const auto it = position(handle);
            return it != m_entries.end() && it->first == handle ? &it->second : nullptr;
        }
        bool contains(std::int32_t handle) const { return find(handle) != nullptr; }
        void insert(std::int32_t handle, OpenHandle &&open)
        {
            if (m_entries.empty() || m_entries.back().first < handle)
                m_entries.emplace_back(handle, std::move(open));
            else
                m_entries.emplace(position(handle), handle, std::move(open));
        }
        bool remove(std::int32_t handle)
        {
            const auto it = position(handle);
            if (it == m_entries.end() || it->first != handle)
                return false;
            m_entries.erase(it);
            return true;
        }
        const std::vector<Entry> &entries() const { return m_entries; }

    private:
        std::vector<Entry>::const_iterator position(std::int32_t handle) const
        {
            if (!m_entries.empty() && m_entries.back().first == handle)
                return m_entries.end() - 1;
            return std::lower_bound(m_entries.begin(), m_entries.end(), handle,
                                    [](const Entry &entry, std::int32_t h) { return entry.first < h; });
        }

        std::vector<Entry> m_entries;
    };
    OpenHandles openHandles;
    std::int32_t nextHandle = 1;
    ComPtr<View> view;
    std::atomic<int> liveObjects{0};
    /// Host objects kept for reuse that the component no longer holds; they
    /// still count in liveObjects, which interlocked updates make costly.
    int idleObjects = 0;
    int releaseViewCount = 0;

    /// Calls are described and signalled; keepCalls also keeps them in `calls`.
    bool callLogEnabled = false;
    bool keepCalls = false;
    QList<HostCall> calls;
    /// What a test told the host to answer instead, by operation (folded):
    /// one table, so that an ordinary call asks once whether it is empty.
    struct InjectedFault
    {
        std::optional<HRESULT> failure;
        std::optional<std::int32_t> errorFlag;
        bool nullAnswer = false;
        bool emptyAnswer = false;
    };
    QHash<QString, InjectedFault> faults;

    HostState();

    static ItemKind itemKindOf(QStringView name);
    /// Whether the host knows the item; `handle` then receives its record
    /// (or name) and its kind.
    bool itemExists(QStringView name, OpenHandle *handle = nullptr) const;
    /// The record of the item named `name`, or null.
    const Item *findItem(QStringView name) const;
    /// The value `handle`'s item has in `set`, or null; valid until that
    /// value next changes.
    const QString *itemValue(const OpenHandle &handle, DataSet set) const;
    /// The value of the item named `name` in `set`; empty when it has none.
    QString valueOf(DataSet set, QStringView name) const;
    /// The record of `name`, made when there is none.
    Item &item(const QString &name);
    void setValue(DataSet set, const QString &name, const QString &value);
    /// Forgets every value of `set`.
    void clearValues(DataSet set);

    // The only ways the description's objects change.
    void addObjectName(const QString &name);
    void defineObject(const QString &name, const ObjectDefinition &definition);
    void defineEnumeration(const QString &name, const EnumerationDefinition &enumeration);
    /// The enumeration's index in `enumerations`, or -1.
    int enumerationIndex(QStringView name) const;

    void record(const HostCall &call);
    void setProgress(std::int32_t value);
    void startUpload();
    void stopUpload();
    /// One step of a running upload: the next tenth, reported to the view.
    void uploadStep();
    bool loadDatabase();
};

/// One host call from its arguments to its answer, logged exactly once.
/// The arguments are described (by `describe()`) only when the call log is on.
class HostCallScope
{
public:
    /// The operation's name: a literal, whose length is known without
    /// counting (a view of a literal would count it on every call).
    struct Operation
    {
        template<std::size_t N> constexpr Operation(const char16_t (&text)[N]) : name(text, qsizetype(N - 1))
        {
        }
        QStringView name;
    };

    template<typename Describe>
    HostCallScope(HostState &state, Operation operation, Describe &&describe)
        : m_state(state), m_operation(operation.name)
    {
        if (state.callLogEnabled)
            m_arguments = describe();
    }
    HostCallScope(HostState &state, Operation operation) : m_state(state), m_operation(operation.name) {}
    /// Begins a call that answers through `outs` and the error flag `error`:
    /// a missing one ends the call with E_POINTER; otherwise they are
    /// cleared and an injected fault may end it. False when the call has
    /// ended; `status()` is then its answer.
    template<typename... Out> bool begin(std::int32_t *error, Out *...outs)
    {
        if (!error || ((outs == nullptr) || ...)) {
            finish(E_POINTER);
            return false;
        }
        ((*outs = {}), ...);
        *error = 0;
        return !faulted(error);
    }
    /// True when an injected fault answers this call; it is then logged and
    /// `status()` is the answer. `error` receives an injected error flag.
    bool faulted(std::int32_t *error)
    {
        // Faults are a test's business; the ordinary call must not pay for them.
        if (m_state.faults.isEmpty())
            return false;
        return faultInjected(error);
    }
    HRESULT status() const { return m_status; }
    /// True when the call is to hand out no object although it succeeds.
    bool answersNull() const
    {
        const HostState::InjectedFault *fault = injected();
        return fault && fault->nullAnswer;
    }
    /// Replaces a text the call hands out by an empty one when told to.
    void blank(BSTR *text) const
    {
        if (const HostState::InjectedFault *fault = injected(); fault && fault->emptyAnswer)
            blankText(text);
    }
    /// The item handle the call issued or closes, for the log.
    void setItemHandle(std::int32_t handle) { m_itemHandle = handle; }
    HRESULT finish(HRESULT status, std::int32_t error = 0)
    {
        m_status = status;
        if (m_state.callLogEnabled)
            record(error);
        return status;
    }

private:
    bool faultInjected(std::int32_t *error);
    /// The fault set for this call's operation, or null.
    const HostState::InjectedFault *injected() const
    {
        return m_state.faults.isEmpty() ? nullptr : findInjected();
    }
    const HostState::InjectedFault *findInjected() const;
    static void blankText(BSTR *text);
    void record(std::int32_t error);

    HostState &m_state;
    // A view, not a string: every call of every tag sets one up.
    QStringView m_operation;
    QString m_arguments;
    HRESULT m_status = S_OK;
    std::int32_t m_itemHandle = 0;
};
