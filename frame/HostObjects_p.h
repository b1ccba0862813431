// The state behind a DeviceModel and the three host objects that answer the
// component's calls on it. The objects share the state, so one the component
// still holds after the model is gone answers from what the model left.
#pragma once

#include "frame/DeviceModel.h"
#include "platform/ComObject.h"

#include <QHash>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <optional>
#include <unordered_map>
#include <vector>

/// Hashes a name the way QString::compare without regard to case matches it
/// (code point by code point, folded), so that names can be looked up as the
/// host is handed them, without making a folded copy first.
struct NoCaseHash
{
    using is_transparent = void;
    // Deliberately not noexcept: the standard containers then keep each
    // key's hash, and a lookup compares names only where hashes match.
    std::size_t operator()(QStringView name) const;
};

struct NoCaseEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept;
};

/// A map from names, matched without regard to case, keeping the spelling a
/// name was first given as its key.
template<typename T> using NoCaseMap = std::unordered_map<QString, T, NoCaseHash, NoCaseEqual>;

/// Names mapped to values, matched without regard to case; a name keeps the
/// spelling it was first given.
class NamedValues
{
public:
    void set(const QString &name, const QString &value);
    void remove(const QString &name);
    void clear() { m_entries.clear(); }
    bool contains(QStringView name) const { return m_entries.find(name) != m_entries.end(); }
    std::optional<QString> find(QStringView name) const;
    /// The value held for `name`, or null; valid until the next change.
    const QString *value(QStringView name) const;
    /// The name as first given, or null; valid until the next change.
    const QString *name(QStringView name) const;
    /// The names as first given, in no particular order.
    QStringList names() const;

    static QString keyOf(const QString &name) { return name.toCaseFolded(); }

private:
    NoCaseMap<QString> m_entries;
};

struct HostState : std::enable_shared_from_this<HostState>
{
    /// The items the host answers itself rather than from a data set.
    enum class ItemKind { Data, Connect, FileName, KqdPath, Upload };

    struct OpenHandle
    {
        /// Null for a listed object, whose name `listedName` points to
        /// (listed names stay where they are for the state's lifetime).
        QString name;
        const QString *listedName = nullptr;
        bool shadow = false;
        ItemKind kind = ItemKind::Data;

        const QString &itemName() const { return listedName ? *listedName : name; }
    };

    /// Cleared when the model goes; signals are then no longer sent.
    DeviceModel *model = nullptr;

    NamedValues deviceEntries;
    NamedValues settingEntries;
    QStringList objectNames;
    QList<QPair<QString, ObjectDefinition>> objectDefinitions;
    QList<QPair<QString, EnumerationDefinition>> enumerations;
    // Positions in the three lists above, by name.
    NoCaseMap<int> listedObjects;
    /// The entry of listedObjects found last: the component asks for the
    /// same name several times in a row. Entries are never removed, so it
    /// stays valid.
    mutable const std::pair<const QString, int> *lastListed = nullptr;
    NoCaseMap<int> objectDefinitionIndexes;
    NoCaseMap<int> enumerationIndexes;
    /// objectDefinitions' index (or -1) for each entry of objectNames; empty
    /// while it needs rebuilding.
    mutable QList<int> listedDefinitions;
    QString descriptionPath;

    NamedValues application;
    NamedValues shadow;
    NamedValues device;

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
    QHash<QString, HRESULT> failures;
    QHash<QString, std::int32_t> errorFlags;

    HostState();

    static ItemKind itemKindOf(QStringView name);
    /// Whether the host knows the item; `handle` then receives its name as
    /// the host holds it.
    bool itemExists(QStringView name, OpenHandle *handle = nullptr) const;
    /// Index into objectNames (0-based) of the first entry named `name`, or -1.
    int listedObjectIndex(QStringView name) const;
    /// The listedObjects entry for `name`, or null.
    const std::pair<const QString, int> *listedObject(QStringView name) const;
    int objectDefinitionIndex(QStringView name) const;
    int enumerationIndex(QStringView name) const;
    /// The definition (index into objectDefinitions, or -1) of the object
    /// listed at `position` (0-based, in range).
    int listedDefinitionIndex(int position) const;

    // The only ways the object lists change, so that their indexes stay in step.
    void addObjectName(const QString &name);
    void defineObject(const QString &name, const ObjectDefinition &definition);
    void defineEnumeration(const QString &name, const EnumerationDefinition &enumeration);

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
    template<typename Describe>
    HostCallScope(HostState &state, QString operation, Describe &&describe)
        : m_state(state), m_operation(std::move(operation))
    {
        if (state.callLogEnabled)
            m_arguments = describe();
    }
    HostCallScope(HostState &state, QString operation) : m_state(state), m_operation(std::move(operation)) {}
    /// True when an injected fault answers this call; it is then logged and
    /// `status()` is the answer. `error` receives an injected error flag.
    bool faulted(std::int32_t *error)
    {
        // Faults are a test's business; the ordinary call must not pay for them.
        if (m_state.failures.isEmpty() && m_state.errorFlags.isEmpty())
            return false;
        return faultInjected(error);
    }
    HRESULT status() const { return m_status; }
    /// The item handle the call issued, for the log.
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
    void record(std::int32_t error);

    HostState &m_state;
    QString m_operation;
    QString m_arguments;
    HRESULT m_status = S_OK;
    std::int32_t m_itemHandle = 0;
};

/// The interface query every host object answers, its count in the state,
/// and the reuse of an object after its last reference went.
template<typename Interface, const IID &InterfaceId>
class HostObject : public ComDispatchObject<HostObject<Interface, InterfaceId>, Interface>
{
public:
    explicit HostObject(std::shared_ptr<HostState> state) : m_state(std::move(state))
    {
        ++m_state->liveObjects;
    }
    virtual ~HostObject() { --m_state->liveObjects; }

    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == InterfaceId) {
            this->AddRef();
            *object = static_cast<Interface *>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }

protected:
    friend ComObject<HostObject, Interface>;
    /// The last reference is gone.
    virtual void lastReleased() { delete this; }

    std::shared_ptr<HostState> m_state;
};

class HostDeviceDescription;

class HostItemManager final : public HostObject<AppItemManager, IID_AppItemManager>
{
public:
    using HostObject::HostObject;
    ~HostItemManager() override;

    HRESULT ReleaseView(View *view, std::int32_t *error) override;
    HRESULT GetDeviceDescription(AppDeviceDescription **description) override;
    HRESULT GetFunctionControl(AppFunctionControl **control) override;
    HRESULT OpenItem(BSTR name, VARIANT_BOOL bShadow, std::int32_t viewHandle, std::int32_t *itemHandle,
                     std::int32_t reserved1, std::int32_t reserved2, std::int32_t *error) override;
    HRESULT CloseItem(VARIANT viewHandle, std::int32_t itemHandle, VARIANT_BOOL bShadow,
                      std::int32_t *error) override;
    HRESULT GetItemQuad(std::int32_t itemHandle, std::int64_t *value, std::int32_t *error) override;
    HRESULT GetItemLong(std::int32_t itemHandle, std::int32_t *value, std::int32_t *error) override;
    HRESULT GetItemString(std::int32_t itemHandle, BSTR *value, VARIANT_BOOL bShadow,
                          std::int32_t *error) override;

private:
    // The component takes a description for each of its lookups and drops
    // it right after; the one kept here is handed out again whenever the
    // component holds it no longer.
    HostDeviceDescription *m_spareDescription = nullptr;
};

class HostDeviceDescription final : public HostObject<AppDeviceDescription, IID_AppDeviceDescription>
{
public:
    using HostObject::HostObject;

    HRESULT GetDeviceEntry(BSTR key, BSTR *value, std::int32_t *error) override;
    HRESULT GetSettingEntry(BSTR key, BSTR *value, std::int32_t *error) override;
    HRESULT GetSectionCount(BSTR section, std::int32_t *count, std::int32_t *error) override;
    HRESULT GetFirstEntry(BSTR section, std::int32_t *position, std::int32_t *error) override;
    HRESULT GetNextEntry(std::int32_t *position, std::int32_t *error) override;
    HRESULT FindDefinition(BSTR section, BSTR name, std::int32_t *definition, std::int32_t *error) override;
    HRESULT GetEntryName(std::int32_t position, BSTR *name, std::int32_t *error) override;
    HRESULT GetObjectDefinition(std::int32_t definition, BSTR *typeName, std::int32_t *size,
                                std::int32_t *flags, std::int32_t *kind, BSTR *enumerationName,
                                std::int32_t *error) override;
    HRESULT GetEnumerationEntries(std::int32_t definition, BSTR *name, EnumEntryArray **entries,
                                  std::int32_t *error) override;

protected:
    void lastReleased() override;

private:
    friend class HostItemManager;

    HRESULT entry(const NamedValues &entries, const QString &operation, BSTR key, BSTR *value,
                  std::int32_t *error);

    /// The manager that keeps this object for reuse; null once it is gone.
    HostItemManager *m_keeper = nullptr;
    /// Released by the component and waiting to be handed out again.
    bool m_idle = false;
};

class HostFunctionControl final : public HostObject<AppFunctionControl, IID_AppFunctionControl>
{
public:
    using HostObject::HostObject;

    HRESULT StartFunction(BSTR name, std::int32_t *error) override;
    HRESULT LoadDatabase(std::int32_t argument, std::int32_t *error) override;
};
