#include "frame/HostObjects_p.h"

#include "platform/BStr.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>

namespace {

// A listed object's definition handle is its position in the "Object"
// section (1, 2, ...), which the default report walks on from. Every other
// definition gets a negative handle, unlisted objects the odd and
// enumerations the even ones, so no two can meet however many there are.
enum class DefinitionKind { UnlistedObject, Enumeration };

std::int32_t definitionHandle(DefinitionKind kind, qsizetype index)
{
    // Beyond the range no handle is given rather than one that collides.
    if (index < 0 || index >= (qsizetype(1) << 30))
        return 0;
    return std::int32_t(-2 * index - (kind == DefinitionKind::UnlistedObject ? 1 : 2));
}

/// The index a negative handle stands for, or -1 when it is not one of `kind`.
qsizetype definitionIndex(DefinitionKind kind, std::int32_t handle)
{
    if (handle >= 0)
        return -1;
    const qint64 n = -qint64(handle);
    const bool odd = n % 2 == 1;
    if (odd != (kind == DefinitionKind::UnlistedObject))
        return -1;
    return qsizetype((n - 1) / 2);
}

constexpr std::int64_t ConnectedQuad = 0x4000000000000000LL;

bool sameName(QStringView a, QStringView b)
{
    return NoCaseEqual()(a, b);
}

/// A host string as it is, without copying it.
QStringView viewOf(BSTR text)
{
    return text ? QStringView(text, SysStringLen(text)) : QStringView();
}

/// A new BSTR for an out-parameter, straight from the text (a QString's
/// utf16() may first copy it).
BSTR newBStr(QStringView text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), std::uint32_t(text.size()));
}

QString quoted(BSTR text)
{
    return u'"' + BStr::toQString(text) + u'"';
}

QString objectSectionName()
{
    return QStringLiteral("Object");
}

} // namespace

// --- NoCaseHash ---

namespace {

// Names are hashed and compared four UTF-16 units at a time. A name that is
// plain ASCII, as nearly all are, is folded in the word itself; any other
// name is folded code point by code point first (the way QString::compare
// folds) and then hashed the same way, so that both agree.
constexpr std::uint64_t NonAscii = 0xFF80FF80FF80FF80ULL;
constexpr std::uint64_t HashMultiplier = 0x9E3779B97F4A7C15ULL;

/// The four ASCII units of `word` in lower case.
std::uint64_t foldedAscii(std::uint64_t word) noexcept
{
    // Per unit: bit 7 of unit + 0x3F is set from "A" on, of unit + 0x25 from
    // "[" on; no unit below 0x80 carries into the next.
    const std::uint64_t upper =
        (word + 0x003F003F003F003FULL) & ~(word + 0x0025002500250025ULL) & 0x0080008000800080ULL;
    return word | (upper >> 2);
}

std::uint64_t wordAt(const char16_t *p) noexcept
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

/// The last one to three units, zero-padded.
std::uint64_t tailWord(const char16_t *p, qsizetype count) noexcept
{
    std::uint64_t word = 0;
    for (qsizetype i = 0; i < count; ++i)
        word |= std::uint64_t(p[i]) << (16 * i);
    return word;
}

Q_NEVER_INLINE bool equalFolded(QStringView a, QStringView b) noexcept
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::uint64_t mixed(std::uint64_t hash, std::uint64_t word) noexcept
{
    hash = (hash ^ word) * HashMultiplier;
    return hash ^ (hash >> 29);
}

std::size_t finished(std::uint64_t hash) noexcept
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return std::size_t(hash);
}

/// Hashes units already folded.
std::size_t hashUnits(const char16_t *p, qsizetype n) noexcept
{
    std::uint64_t hash = std::uint64_t(n);
    for (; n >= 4; p += 4, n -= 4)
        hash = mixed(hash, wordAt(p));
    if (n > 0)
        hash = mixed(hash, tailWord(p, n));
    return finished(hash);
}

Q_NEVER_INLINE std::size_t hashFolded(QStringView name) noexcept
{
    QVarLengthArray<char16_t, 128> folded;
    const char16_t *p = name.utf16();
    const char16_t *const end = p + name.size();
    while (p < end) {
        char32_t c = *p++;
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        c = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(c)) {
            folded.append(QChar::highSurrogate(c));
            folded.append(QChar::lowSurrogate(c));
        } else {
            folded.append(char16_t(c));
        }
    }
    return hashUnits(folded.constData(), folded.size());
}

} // namespace

std::size_t NoCaseHash::operator()(QStringView name) const
{
    const char16_t *p = name.utf16();
    qsizetype n = name.size();
    std::uint64_t hash = std::uint64_t(n);
    for (; n >= 4; p += 4, n -= 4) {
        const std::uint64_t word = wordAt(p);
        if (word & NonAscii)
            return hashFolded(name);
        hash = mixed(hash, foldedAscii(word));
    }
    if (n > 0) {
        const std::uint64_t word = tailWord(p, n);
        if (word & NonAscii)
            return hashFolded(name);
        hash = mixed(hash, foldedAscii(word));
    }
    return finished(hash);
}

bool NoCaseEqual::operator()(QStringView a, QStringView b) const noexcept
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const char16_t *p = a.utf16();
    const char16_t *q = b.utf16();
    // Folding beyond ASCII may join a surrogate pair, which is left to Qt.
    auto differ = [&](std::uint64_t x, std::uint64_t y) {
        return x != y && (((x | y) & NonAscii) ? !equalFolded(a, b) : foldedAscii(x) != foldedAscii(y));
    };
    if (n < 4)
        return !differ(tailWord(p, n), tailWord(q, n));
    // The last word may overlap the one before it, which equality does not mind.
    for (qsizetype i = 0; i < n - 4; i += 4) {
        const std::uint64_t x = wordAt(p + i);
        const std::uint64_t y = wordAt(q + i);
        if (x != y) {
            if ((x | y) & NonAscii)
                return equalFolded(a, b);
            if (foldedAscii(x) != foldedAscii(y))
                return false;
        }
    }
    return !differ(wordAt(p + n - 4), wordAt(q + n - 4));
}

// --- NamedValues ---

void NamedValues::set(const QString &name, const QString &value)
{
    auto it = m_entries.find(QStringView(name));
    if (it == m_entries.end())
        m_entries.emplace(name, value);
    else
        it->second = value;
}

void NamedValues::remove(const QString &name)
{
    if (const auto it = m_entries.find(QStringView(name)); it != m_entries.end())
        m_entries.erase(it);
}

std::optional<QString> NamedValues::find(QStringView name) const
{
    if (const QString *found = value(name))
        return *found;
    return std::nullopt;
}

const QString *NamedValues::value(QStringView name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->second;
}

const QString *NamedValues::name(QStringView name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->first;
}

QStringList NamedValues::names() const
{
    QStringList result;
    result.reserve(qsizetype(m_entries.size()));
    for (const auto &entry : m_entries)
        result.append(entry.first);
    return result;
}

// --- HostState ---

HostState::HostState()
{
    QObject::connect(&uploadTimer, &QTimer::timeout, [this] { uploadStep(); });
}

HostState::ItemKind HostState::itemKindOf(QStringView name)
{
    // All of the host's own items begin with "&&"; data items hardly ever do.
    if (!name.startsWith(u'&'))
        return ItemKind::Data;
    if (sameName(name, DeviceModel::ConnectItem))
        return ItemKind::Connect;
    if (sameName(name, DeviceModel::FileNameItem))
        return ItemKind::FileName;
    if (sameName(name, DeviceModel::UploadItem))
        return ItemKind::Upload;
    if (sameName(name, DeviceModel::KqdPathItem))
        return ItemKind::KqdPath;
    return ItemKind::Data;
}

bool HostState::itemExists(QStringView name, OpenHandle *handle) const
{
    switch (itemKindOf(name)) {
    case ItemKind::Connect:
    case ItemKind::FileName:
    case ItemKind::Upload:
        break;
    case ItemKind::KqdPath:
        if (descriptionPath.isEmpty())
            return false;
        break;
    case ItemKind::Data:
        // A name the host already holds is shared rather than copied.
        if (const auto *listed = listedObject(name)) {
            if (handle)
                handle->listedName = &listed->first;
            return true;
        }
        for (const NamedValues *set : {&application, &shadow, &device}) {
            if (const QString *known = set->name(name)) {
                if (handle)
                    handle->name = *known;
                return true;
            }
        }
        return false;
    }
    if (handle)
        handle->name = name.toString();
    return true;
}

namespace {

/// False only for names that differ for certain: different lengths or, in
/// ASCII, different last characters (item names mostly differ in their
/// numbers at the end), which rules most of them out without a comparison.
bool mayBeSameName(QStringView a, QStringView b) noexcept
{
    if (a.size() != b.size())
        return false;
    if (a.isEmpty())
        return true;
    const char16_t x = a.back().unicode();
    const char16_t y = b.back().unicode();
    return x >= 0x80 || y >= 0x80 || (x | 0x20) == (y | 0x20);
}

int indexIn(const NoCaseMap<int> &index, QStringView name)
{
    const auto it = index.find(name);
    return it == index.end() ? -1 : it->second;
}

} // namespace

int HostState::listedObjectIndex(QStringView name) const
{
    const auto *listed = listedObject(name);
    return listed ? listed->second : -1;
}

const std::pair<const QString, int> *HostState::listedObject(QStringView name) const
{
    if (lastListed && mayBeSameName(lastListed->first, name) && NoCaseEqual()(lastListed->first, name))
        return lastListed;
    const auto it = listedObjects.find(name);
    if (it == listedObjects.end())
        return nullptr;
    lastListed = &*it;
    return lastListed;
}

int HostState::objectDefinitionIndex(QStringView name) const
{
    return indexIn(objectDefinitionIndexes, name);
}

int HostState::enumerationIndex(QStringView name) const
{
    return indexIn(enumerationIndexes, name);
}

int HostState::listedDefinitionIndex(int position) const
{
    if (listedDefinitions.size() != objectNames.size()) {
        listedDefinitions.clear();
        listedDefinitions.reserve(objectNames.size());
        for (const QString &name : objectNames)
            listedDefinitions.append(objectDefinitionIndex(name));
    }
    return listedDefinitions.at(position);
}

void HostState::addObjectName(const QString &name)
{
    if (listedDefinitions.size() == objectNames.size())
        listedDefinitions.append(objectDefinitionIndex(name));
    // A name listed twice is found at its first position.
    listedObjects.try_emplace(name, int(objectNames.size()));
    objectNames.append(name);
}

void HostState::defineObject(const QString &name, const ObjectDefinition &definition)
{
    if (const int index = objectDefinitionIndex(name); index >= 0) {
        objectDefinitions[index].second = definition;
        return;
    }
    objectDefinitionIndexes.emplace(name, int(objectDefinitions.size()));
    objectDefinitions.append({name, definition});
    if (listedObjectIndex(name) >= 0)
        listedDefinitions.clear();
}

void HostState::defineEnumeration(const QString &name, const EnumerationDefinition &enumeration)
{
    if (const int index = enumerationIndex(name); index >= 0) {
        enumerations[index].second = enumeration;
        return;
    }
    enumerationIndexes.emplace(name, int(enumerations.size()));
    enumerations.append({name, enumeration});
}

void HostState::record(const HostCall &call)
{
    if (keepCalls)
        calls.append(call);
    if (model)
        Q_EMIT model->called(call);
}

void HostState::setProgress(std::int32_t value)
{
    if (progress == value)
        return;
    progress = value;
    if (model)
        Q_EMIT model->uploadProgressChanged(value);
}

void HostState::startUpload()
{
    setProgress(0);
    uploadRunning = true;
    uploadTimer.start(uploadMilliseconds / 10);
}

void HostState::stopUpload()
{
    uploadRunning = false;
    uploadTimer.stop();
}

void HostState::uploadStep()
{
    if (!uploadRunning)
        return;
    // The view's answer may drop the model (and with it the last other owner).
    const auto keepAlive = shared_from_this();
    const std::int32_t next = std::min<std::int32_t>(100, (progress / 10 + 1) * 10);
    if (next == 100) {
        // Whoever learns of 100 reads the uploaded values, so they must be there first.
        for (const QString &item : device.names()) {
            const QString value = device.find(item).value_or(QString());
            shadow.set(item, value);
            application.set(item, value);
        }
        stopUpload();
    }
    setProgress(next);

    const ComPtr<View> target = view;
    if (!target)
        return;
    QList<std::int32_t> handles;
    // In the order they were opened, as the view asked for them.
    for (const auto &[handle, open] : openHandles.entries())
        if (open.kind == ItemKind::Upload)
            handles.append(handle);
    for (std::int32_t handle : handles) {
        // An earlier notification may have closed this handle.
        if (!openHandles.contains(handle))
            continue;
        std::int32_t result = 0;
        target->NotifyChanged(handle, VARIANT_FALSE, 0, 0, &result);
    }
}

bool HostState::loadDatabase()
{
    databaseError.clear();
    const auto failed = [this](const QString &reason) {
        databaseError = reason;
        if (model)
            Q_EMIT model->databaseLoadFailed(reason);
        return false;
    };
    if (databasePath.isEmpty())
        return failed(QStringLiteral("no database file is named"));
    QList<QPair<QString, QString>> values = databaseValues;
    if (databaseLoader) {
        values.clear();
        QString reason;
        if (!databaseLoader(databasePath, &values, &reason))
            return failed(reason.isEmpty() ? databasePath + QStringLiteral(": cannot be loaded") : reason);
    }
    application.clear();
    for (const auto &[item, value] : values)
        application.set(item, value);
    loadedDatabasePath = databasePath;
    return true;
}

// --- HostCallScope ---

bool HostCallScope::faultInjected(std::int32_t *error)
{
    const QString key = NamedValues::keyOf(m_operation);
    if (const auto it = m_state.failures.constFind(key); it != m_state.failures.cend()) {
        finish(*it, 0);
        return true;
    }
    if (const auto it = m_state.errorFlags.constFind(key); it != m_state.errorFlags.cend() && error) {
        *error = *it;
        finish(S_OK, *it);
        return true;
    }
    return false;
}

void HostCallScope::record(std::int32_t error)
{
    m_state.record(HostCall{m_operation, std::move(m_arguments), error, m_status, m_itemHandle});
}

// --- HostItemManager ---

HostItemManager::~HostItemManager()
{
    if (!m_spareDescription)
        return;
    if (m_spareDescription->m_idle) {
        --m_state->idleObjects;
        delete m_spareDescription;
    } else {
        m_spareDescription->m_keeper = nullptr;
    }
}

HRESULT HostItemManager::ReleaseView(View *view, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("ReleaseView"),
                       [&] { return view ? QStringLiteral("view") : QStringLiteral("no view"); });
    ++m_state->releaseViewCount;
    if (m_state->model)
        Q_EMIT m_state->model->viewReleased();
    if (!error)
        return call.finish(E_POINTER);
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (view && m_state->view.get() == view)
        m_state->view = nullptr;
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetDeviceDescription(AppDeviceDescription **description)
{
    HostCallScope call(*m_state, QStringLiteral("GetDeviceDescription"));
    if (!description)
        return call.finish(E_POINTER);
    *description = nullptr;
    if (call.faulted(nullptr))
        return call.status();
    if (m_spareDescription && m_spareDescription->m_idle) {
        m_spareDescription->m_idle = false;
        --m_state->idleObjects;
        m_spareDescription->revive();
        *description = m_spareDescription;
    } else {
        auto *created = new HostDeviceDescription(m_state);
        if (!m_spareDescription) {
            m_spareDescription = created;
            created->m_keeper = this;
        }
        *description = created;
    }
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetFunctionControl(AppFunctionControl **control)
{
    HostCallScope call(*m_state, QStringLiteral("GetFunctionControl"));
    if (!control)
        return call.finish(E_POINTER);
    *control = nullptr;
    if (call.faulted(nullptr))
        return call.status();
    *control = new HostFunctionControl(m_state);
    return call.finish(S_OK);
}

HRESULT HostItemManager::OpenItem(BSTR name, VARIANT_BOOL bShadow, std::int32_t viewHandle,
                                  std::int32_t *itemHandle, std::int32_t reserved1, std::int32_t reserved2,
                                  std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("OpenItem"), [&] {
        return QStringLiteral("%1, shadow=%2, view=%3, %4, %5")
            .arg(quoted(name))
            .arg(bShadow)
            .arg(viewHandle)
            .arg(reserved1)
            .arg(reserved2);
    });
    if (!itemHandle || !error)
        return call.finish(E_POINTER);
    *itemHandle = 0;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const QStringView item = viewOf(name);
    HostState::OpenHandle handle;
    if (!m_state->itemExists(item, &handle))
        return call.finish(S_OK, *error = 1);
    handle.shadow = bShadow != VARIANT_FALSE;
    handle.kind = HostState::itemKindOf(item);
    *itemHandle = m_state->nextHandle++;
    m_state->openHandles.insert(*itemHandle, std::move(handle));
    call.setItemHandle(*itemHandle);
    return call.finish(S_OK);
}

HRESULT HostItemManager::CloseItem(VARIANT viewHandle, std::int32_t itemHandle, VARIANT_BOOL bShadow,
                                   std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("CloseItem"), [&] {
        const QString view = viewHandle.vt == VT_I4 ? QString::number(viewHandle.lVal)
                                                    : QStringLiteral("(vt %1)").arg(viewHandle.vt);
        return QStringLiteral("view=%1, handle=%2, shadow=%3").arg(view).arg(itemHandle).arg(bShadow);
    });
    if (!error)
        return call.finish(E_POINTER);
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (!m_state->openHandles.remove(itemHandle))
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetItemQuad(std::int32_t itemHandle, std::int64_t *value, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetItemQuad"),
                       [&] { return QStringLiteral("handle=%1").arg(itemHandle); });
    if (!value || !error)
        return call.finish(E_POINTER);
    *value = 0;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const HostState::OpenHandle *it = m_state->openHandles.find(itemHandle);
    if (!it || it->kind != HostState::ItemKind::Connect)
        return call.finish(S_OK, *error = 1);
    *value = m_state->connected ? ConnectedQuad : 0;
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetItemLong(std::int32_t itemHandle, std::int32_t *value, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetItemLong"),
                       [&] { return QStringLiteral("handle=%1").arg(itemHandle); });
    if (!value || !error)
        return call.finish(E_POINTER);
    *value = 0;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const HostState::OpenHandle *it = m_state->openHandles.find(itemHandle);
    if (!it)
        return call.finish(S_OK, *error = 1);
    if (it->kind == HostState::ItemKind::Upload) {
        *value = m_state->progress;
        return call.finish(S_OK);
    }
    const NamedValues &set = it->shadow ? m_state->shadow : m_state->application;
    bool isNumber = false;
    const std::int32_t number = set.find(it->itemName()).value_or(QString()).trimmed().toInt(&isNumber);
    if (!isNumber)
        return call.finish(S_OK, *error = 1);
    *value = number;
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetItemString(std::int32_t itemHandle, BSTR *value, VARIANT_BOOL bShadow,
                                       std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetItemString"),
                       [&] { return QStringLiteral("handle=%1, shadow=%2").arg(itemHandle).arg(bShadow); });
    if (!value || !error)
        return call.finish(E_POINTER);
    *value = nullptr;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const HostState::OpenHandle *it = m_state->openHandles.find(itemHandle);
    if (!it)
        return call.finish(S_OK, *error = 1);
    switch (it->kind) {
    case HostState::ItemKind::Connect:
        return call.finish(S_OK, *error = 1);
    case HostState::ItemKind::FileName:
        *value = newBStr(m_state->loadedDatabasePath);
        break;
    case HostState::ItemKind::KqdPath:
        *value = newBStr(m_state->descriptionPath);
        break;
    case HostState::ItemKind::Upload:
        *value = newBStr(QString::number(m_state->progress));
        break;
    case HostState::ItemKind::Data: {
        const QString *text =
            (bShadow != VARIANT_FALSE ? m_state->shadow : m_state->application).value(it->itemName());
        *value = newBStr(text ? *text : QString());
        break;
    }
    }
    return call.finish(S_OK);
}

// --- HostDeviceDescription ---

void HostDeviceDescription::lastReleased()
{
    if (!m_keeper) {
        delete this;
        return;
    }
    m_idle = true;
    ++m_state->idleObjects;
}

HRESULT HostDeviceDescription::entry(const NamedValues &entries, const QString &operation, BSTR key,
                                     BSTR *value, std::int32_t *error)
{
    HostCallScope call(*m_state, operation, [&] { return quoted(key); });
    if (!value || !error)
        return call.finish(E_POINTER);
    *value = nullptr;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const QString *found = entries.value(viewOf(key));
    *value = newBStr(found ? *found : QString());
    if (!found)
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetDeviceEntry(BSTR key, BSTR *value, std::int32_t *error)
{
    return entry(m_state->deviceEntries, QStringLiteral("GetDeviceEntry"), key, value, error);
}

HRESULT HostDeviceDescription::GetSettingEntry(BSTR key, BSTR *value, std::int32_t *error)
{
    return entry(m_state->settingEntries, QStringLiteral("GetSettingEntry"), key, value, error);
}

HRESULT HostDeviceDescription::GetSectionCount(BSTR section, std::int32_t *count, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetSectionCount"), [&] { return quoted(section); });
    if (!count || !error)
        return call.finish(E_POINTER);
    *count = 0;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (!sameName(viewOf(section), objectSectionName()))
        return call.finish(S_OK, *error = 1);
    *count = m_state->objectNames.size();
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetFirstEntry(BSTR section, std::int32_t *position, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetFirstEntry"), [&] { return quoted(section); });
    if (!position || !error)
        return call.finish(E_POINTER);
    *position = 0;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (!sameName(viewOf(section), objectSectionName()) || m_state->objectNames.isEmpty())
        return call.finish(S_OK, *error = 1);
    *position = 1;
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetNextEntry(std::int32_t *position, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetNextEntry"),
                       [&] { return position ? QStringLiteral("position=%1").arg(*position) : QString(); });
    if (!position || !error)
        return call.finish(E_POINTER);
    *error = 0;
    if (call.faulted(error))
        return call.status();
    ++*position;
    if (*position < 1 || *position > m_state->objectNames.size())
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::FindDefinition(BSTR section, BSTR name, std::int32_t *definition,
                                              std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("FindDefinition"),
                       [&] { return QStringLiteral("%1, %2").arg(quoted(section), quoted(name)); });
    if (!definition || !error)
        return call.finish(E_POINTER);
    *definition = 0;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const QStringView sectionName = viewOf(section);
    const QStringView entryName = viewOf(name);
    // Callers nearly always name the section in upper case: settled without
    // folding.
    if (sectionName == u"OBJECT" || sameName(sectionName, u"object")) {
        if (const int listed = m_state->listedObjectIndex(entryName); listed >= 0)
            *definition = listed + 1;
        else if (const int defined = m_state->objectDefinitionIndex(entryName); defined >= 0)
            *definition = definitionHandle(DefinitionKind::UnlistedObject, defined);
    } else if (sameName(sectionName, u"enumeration")) {
        if (const int index = m_state->enumerationIndex(entryName); index >= 0)
            *definition = definitionHandle(DefinitionKind::Enumeration, index);
    }
    if (*definition == 0)
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetEntryName(std::int32_t position, BSTR *name, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetEntryName"),
                       [&] { return QStringLiteral("position=%1").arg(position); });
    if (!name || !error)
        return call.finish(E_POINTER);
    *name = nullptr;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (position < 1 || position > m_state->objectNames.size()) {
        *name = newBStr(QString());
        return call.finish(S_OK, *error = 1);
    }
    *name = newBStr(m_state->objectNames.at(position - 1));
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetObjectDefinition(std::int32_t definition, BSTR *typeName,
                                                   std::int32_t *size, std::int32_t *flags,
                                                   std::int32_t *kind, BSTR *enumerationName,
                                                   std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetObjectDefinition"),
                       [&] { return QStringLiteral("definition=%1").arg(definition); });
    if (!typeName || !size || !flags || !kind || !enumerationName || !error)
        return call.finish(E_POINTER);
    *typeName = nullptr;
    *enumerationName = nullptr;
    *size = *flags = *kind = *error = 0;
    if (call.faulted(error))
        return call.status();

    const ObjectDefinition *found = nullptr;
    std::optional<ObjectDefinition> undefined;
    const auto &names = m_state->objectNames;
    const auto &definitions = m_state->objectDefinitions;
    if (definition >= 1 && definition <= names.size()) {
        if (const int index = m_state->listedDefinitionIndex(definition - 1); index >= 0) {
            found = &definitions.at(index).second;
        } else {
            undefined.emplace().typeName = names.at(definition - 1);
            found = &*undefined;
        }
    } else if (const qsizetype index = definitionIndex(DefinitionKind::UnlistedObject, definition);
               index >= 0 && index < definitions.size()) {
        found = &definitions.at(index).second;
    }
    if (!found) {
        *typeName = newBStr(QString());
        *enumerationName = newBStr(QString());
        return call.finish(S_OK, *error = 1);
    }
    *typeName = newBStr(found->typeName);
    *size = found->size;
    *flags = found->flags;
    *kind = found->kind;
    // No name is the empty BSTR, null, which saves an allocation on every
    // object that is no enumeration.
    *enumerationName = found->enumerationName.isEmpty() ? nullptr : newBStr(found->enumerationName);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetEnumerationEntries(std::int32_t definition, BSTR *name,
                                                     EnumEntryArray **entries, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("GetEnumerationEntries"), [&] {
        return QStringLiteral("definition=%1, %2").arg(definition).arg(name ? quoted(*name) : QString());
    });
    if (!name || !entries || !error)
        return call.finish(E_POINTER);
    *entries = nullptr;
    *error = 0;
    if (call.faulted(error))
        return call.status();
    const qsizetype index = definitionIndex(DefinitionKind::Enumeration, definition);
    if (index < 0 || index >= m_state->enumerations.size())
        return call.finish(S_OK, *error = 1);

    const auto &[enumerationName, enumeration] = m_state->enumerations.at(index);
    EnumEntryArray *array = EnumEntryArrayCreate(enumeration.lowerBound, enumeration.entries.size());
    if (!array)
        return call.finish(E_OUTOFMEMORY);
    for (qsizetype i = 0; i < enumeration.entries.size(); ++i) {
        array->entries[i].value = enumeration.entries.at(i).first;
        array->entries[i].text = newBStr(enumeration.entries.at(i).second);
    }
    // An in/out text: the callee replaces what it was given.
    SysFreeString(*name);
    *name = newBStr(enumerationName);
    *entries = array;
    return call.finish(S_OK);
}

// --- HostFunctionControl ---

HRESULT HostFunctionControl::StartFunction(BSTR name, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("StartFunction"), [&] { return quoted(name); });
    if (!error)
        return call.finish(E_POINTER);
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (!sameName(viewOf(name), u"upload") || !m_state->connected)
        return call.finish(S_OK, *error = 1);
    if (!m_state->uploadRunning)
        m_state->startUpload();
    return call.finish(S_OK);
}

HRESULT HostFunctionControl::LoadDatabase(std::int32_t argument, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("LoadDatabase"), [&] { return QString::number(argument); });
    if (!error)
        return call.finish(E_POINTER);
    *error = 0;
    if (call.faulted(error))
        return call.status();
    if (!m_state->loadDatabase())
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}
