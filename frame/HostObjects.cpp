#include "frame/HostObjects_p.h"

#include "platform/BStr.h"

#include <algorithm>

namespace {

// A listed object's definition handle is its position in the "Object"
// section, so handles of the other definitions start well above any position.
constexpr std::int32_t FirstUnlistedObjectHandle = 100001;
constexpr std::int32_t FirstEnumerationHandle = 200001;

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

constexpr std::size_t FnvPrime = 1099511628211ULL;

// Names often differ only in their last digits, which leaves the low bits
// (the bucket) of a plain FNV poorly spread; mix them in.
std::size_t finished(std::size_t hash) noexcept
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return hash;
}

Q_DECL_NOINLINE std::size_t hashFolded(std::size_t hash, const char16_t *p, const char16_t *end) noexcept
{
    while (p < end) {
        char32_t c = *p++;
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        hash = (hash ^ QChar::toCaseFolded(c)) * FnvPrime;
    }
    return finished(hash);
}

} // namespace

std::size_t NoCaseHash::operator()(QStringView name) const noexcept
{
    // FNV-1a over the folded code points; plain ASCII folds without a table.
    std::size_t hash = 14695981039346656037ULL;
    const char16_t *p = name.utf16();
    const char16_t *const end = p + name.size();
    for (; p < end; ++p) {
        const char32_t c = *p;
        if (c >= 0x80)
            return hashFolded(hash, p, end);
        hash = (hash ^ (c | (char32_t(c - u'A' < 26u) << 5))) * FnvPrime;
    }
    return finished(hash);
}

bool NoCaseEqual::operator()(QStringView a, QStringView b) const noexcept
{
    if (a.size() != b.size())
        return false;
    const char16_t *p = a.utf16();
    const char16_t *q = b.utf16();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t c = p[i];
        const char16_t d = q[i];
        if (c == d)
            continue;
        // Folding beyond ASCII may join a surrogate pair; leave it to Qt.
        if ((c | d) >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) == 0;
        const char16_t lower = c | 0x20;
        if (lower != (d | 0x20) || char16_t(lower - u'a') >= 26u)
            return false;
    }
    return true;
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

bool HostState::itemExists(QStringView name) const
{
    switch (itemKindOf(name)) {
    case ItemKind::Connect:
    case ItemKind::FileName:
    case ItemKind::Upload:
        return true;
    case ItemKind::KqdPath:
        return !descriptionPath.isEmpty();
    case ItemKind::Data:
        break;
    }
    return listedObjectIndex(name) >= 0 || application.contains(name) || shadow.contains(name) ||
           device.contains(name);
}

namespace {

int indexIn(const NoCaseMap<int> &index, QStringView name)
{
    const auto it = index.find(name);
    return it == index.end() ? -1 : it->second;
}

} // namespace

int HostState::listedObjectIndex(QStringView name) const
{
    return indexIn(listedObjects, name);
}

int HostState::objectDefinitionIndex(QStringView name) const
{
    return indexIn(objectDefinitionIndexes, name);
}

int HostState::enumerationIndex(QStringView name) const
{
    return indexIn(enumerationIndexes, name);
}

void HostState::addObjectName(const QString &name)
{
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
    for (auto it = openHandles.cbegin(); it != openHandles.cend(); ++it)
        if (it->kind == ItemKind::Upload)
            handles.append(it.key());
    // In the order they were opened, as the view asked for them.
    std::sort(handles.begin(), handles.end());
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
    if (databasePath.isEmpty())
        return false;
    QList<QPair<QString, QString>> values = databaseValues;
    if (databaseLoader) {
        values.clear();
        if (!databaseLoader(databasePath, &values))
            return false;
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

HRESULT HostCallScope::finish(HRESULT status, std::int32_t error)
{
    m_status = status;
    if (m_state.callLogEnabled)
        m_state.record(HostCall{m_operation, std::move(m_arguments), error, status});
    return status;
}

// --- HostItemManager ---

HRESULT HostItemManager::ReleaseView(View *view, std::int32_t *error)
{
    HostCallScope call(*m_state, QStringLiteral("ReleaseView"),
                       [&] { return view ? QStringLiteral("view") : QStringLiteral("no view"); });
    ++m_state->releaseViewCount;
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
    *description = new HostDeviceDescription(m_state);
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
    if (!m_state->itemExists(item))
        return call.finish(S_OK, *error = 1);
    *itemHandle = m_state->nextHandle++;
    m_state->openHandles.insert(*itemHandle,
                                {item.toString(), bShadow != VARIANT_FALSE, HostState::itemKindOf(item)});
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
    const auto it = m_state->openHandles.constFind(itemHandle);
    if (it == m_state->openHandles.cend() || it->kind != HostState::ItemKind::Connect)
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
    const auto it = m_state->openHandles.constFind(itemHandle);
    if (it == m_state->openHandles.cend())
        return call.finish(S_OK, *error = 1);
    if (it->kind == HostState::ItemKind::Upload) {
        *value = m_state->progress;
        return call.finish(S_OK);
    }
    const NamedValues &set = it->shadow ? m_state->shadow : m_state->application;
    bool isNumber = false;
    const std::int32_t number = set.find(it->name).value_or(QString()).trimmed().toInt(&isNumber);
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
    const auto it = m_state->openHandles.constFind(itemHandle);
    if (it == m_state->openHandles.cend())
        return call.finish(S_OK, *error = 1);
    switch (it->kind) {
    case HostState::ItemKind::Connect:
        return call.finish(S_OK, *error = 1);
    case HostState::ItemKind::FileName:
        *value = BStr::alloc(m_state->loadedDatabasePath);
        break;
    case HostState::ItemKind::KqdPath:
        *value = BStr::alloc(m_state->descriptionPath);
        break;
    case HostState::ItemKind::Upload:
        *value = BStr::alloc(QString::number(m_state->progress));
        break;
    case HostState::ItemKind::Data: {
        const QString *text =
            (bShadow != VARIANT_FALSE ? m_state->shadow : m_state->application).value(it->name);
        *value = BStr::alloc(text ? *text : QString());
        break;
    }
    }
    return call.finish(S_OK);
}

// --- HostDeviceDescription ---

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
    *value = BStr::alloc(found ? *found : QString());
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
    if (sameName(sectionName, u"object")) {
        if (const int listed = m_state->listedObjectIndex(entryName); listed >= 0)
            *definition = listed + 1;
        else if (const int defined = m_state->objectDefinitionIndex(entryName); defined >= 0)
            *definition = FirstUnlistedObjectHandle + defined;
    } else if (sameName(sectionName, u"enumeration")) {
        if (const int index = m_state->enumerationIndex(entryName); index >= 0)
            *definition = FirstEnumerationHandle + index;
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
        *name = BStr::alloc(QString());
        return call.finish(S_OK, *error = 1);
    }
    *name = BStr::alloc(m_state->objectNames.at(position - 1));
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
    ObjectDefinition undefined;
    const auto &names = m_state->objectNames;
    const auto &definitions = m_state->objectDefinitions;
    if (definition >= 1 && definition <= names.size()) {
        const QString &name = names.at(definition - 1);
        if (const int index = m_state->objectDefinitionIndex(name); index >= 0) {
            found = &definitions.at(index).second;
        } else {
            undefined.typeName = name;
            found = &undefined;
        }
    } else if (const qsizetype index = qsizetype(definition) - FirstUnlistedObjectHandle;
               index >= 0 && index < definitions.size()) {
        found = &definitions.at(index).second;
    }
    if (!found) {
        *typeName = BStr::alloc(QString());
        *enumerationName = BStr::alloc(QString());
        return call.finish(S_OK, *error = 1);
    }
    *typeName = BStr::alloc(found->typeName);
    *size = found->size;
    *flags = found->flags;
    *kind = found->kind;
    *enumerationName = BStr::alloc(found->enumerationName);
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
    const qsizetype index = qsizetype(definition) - FirstEnumerationHandle;
    if (index < 0 || index >= m_state->enumerations.size())
        return call.finish(S_OK, *error = 1);

    const auto &[enumerationName, enumeration] = m_state->enumerations.at(index);
    EnumEntryArray *array = EnumEntryArrayCreate(enumeration.lowerBound, enumeration.entries.size());
    if (!array)
        return call.finish(E_OUTOFMEMORY);
    for (qsizetype i = 0; i < enumeration.entries.size(); ++i) {
        array->entries[i].value = enumeration.entries.at(i).first;
        array->entries[i].text = BStr::alloc(enumeration.entries.at(i).second);
    }
    // An in/out text: the callee replaces what it was given.
    SysFreeString(*name);
    *name = BStr::alloc(enumerationName);
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
