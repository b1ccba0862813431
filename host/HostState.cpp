// SPDX-License-Identifier: Apache-2.0
#include "host/HostState_p.h"

#include "host/HostObject_p.h"
#include <QCoreApplication>

using namespace HostObjects;

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
    const ItemKind kind = itemKindOf(name);
    if (handle)
        handle->kind = kind;
    switch (kind) {
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
            if (handle) {
                handle->listedName = &listed->first;
                handle->listedPosition = listed->second;
            }
            return true;
        }
        for (const NamedValues *set : {&application, &shadow, &device}) {
            if (const QString *known = set->name(name)) {
                if (handle)
                    handle->name = *known;
                return true;
            }
        }
        if (extraItems && extraItems(name)) {
            if (handle)
                handle->name = name.toString();
            return true;
        }
        return false;
    }
    if (handle)
        handle->name = name.toString();
    return true;
}

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(HostState)
};

int indexIn(const NoCaseMap<int> &index, QStringView name)
{
    const auto it = index.find(name);
    return it == index.end() ? -1 : it->second;
}

} // namespace

const QString *HostState::itemValue(const OpenHandle &handle, bool inShadow) const
{
    const NamedValues &set = inShadow ? shadow : application;
    if (handle.listedPosition < 0)
        return set.value(handle.itemName());
    if (std::size_t(handle.listedPosition) >= listedValues.size())
        listedValues.resize(std::size_t(objectNames.size()));
    FoundValue &found = listedValues[std::size_t(handle.listedPosition)][inShadow ? 1 : 0];
    if (found.layout != set.layout()) {
        found.value = set.value(handle.itemName());
        found.layout = set.layout();
    }
    return found.value;
}

int HostState::listedObjectIndex(QStringView name) const
{
    const auto *listed = listedObject(name);
    return listed ? listed->second : -1;
}

const std::pair<const QString, int> *HostState::listedObject(QStringView name) const
{
    if (const auto *found = listedSpellings.find(name))
        return found;
    const auto it = listedObjects.find(name);
    if (it == listedObjects.end())
        return nullptr;
    listedSpellings.insert(name, &*it, 4 * std::size_t(objectNames.size()) + 64);
    return &*it;
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
        return failed(Text::tr("no database file is named"));
    QList<QPair<QString, QString>> values = databaseValues;
    if (databaseLoader) {
        values.clear();
        QString reason;
        if (!databaseLoader(databasePath, &values, &reason))
            return failed(reason.isEmpty() ? databasePath + Text::tr(": cannot be loaded") : reason);
    }
    application.clear();
    for (const auto &[item, value] : values)
        application.set(item, value);
    loadedDatabasePath = databasePath;
    return true;
}

// --- HostCallScope ---

const HostState::InjectedFault *HostCallScope::findInjected() const
{
    const auto it = m_state.faults.constFind(NamedValues::keyOf(m_operation));
    return it == m_state.faults.cend() ? nullptr : &*it;
}

bool HostCallScope::faultInjected(std::int32_t *error)
{
    const HostState::InjectedFault *fault = injected();
    if (!fault)
        return false;
    if (fault->failure) {
        finish(*fault->failure, 0);
        return true;
    }
    if (fault->errorFlag && error) {
        *error = *fault->errorFlag;
        finish(S_OK, *fault->errorFlag);
        return true;
    }
    return false;
}

void HostCallScope::blankText(BSTR *text)
{
    // The empty text in its barest form: no string at all.
    SysFreeString(*text);
    *text = nullptr;
}

void HostCallScope::record(std::int32_t error)
{
    m_state.record(HostCall{m_operation.toString(), std::move(m_arguments), error, m_status, m_itemHandle});
}
