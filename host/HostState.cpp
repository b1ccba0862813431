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
    if (sameName(name, DeviceModel::kConnectItem))
        return ItemKind::Connect;
    if (sameName(name, DeviceModel::kFileNameItem))
        return ItemKind::FileName;
    if (sameName(name, DeviceModel::kUploadItem))
        return ItemKind::Upload;
    if (sameName(name, DeviceModel::kKqdPathItem))
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
        if (const Item *found = findItem(name); found && found->exists()) {
            if (handle)
                handle->item = found;
            return true;
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

} // namespace

const HostState::Item *HostState::findItem(QStringView name) const
{
    if (const Item *found = itemSpellings.find(name))
        return found;
    const auto it = itemIndex.find(name);
    if (it == itemIndex.end())
        return nullptr;
    itemSpellings.insert(name, it->second, 4 * items.size() + 64);
    return it->second;
}

const QString *HostState::itemValue(const OpenHandle &handle, DataSet set) const
{
    // An item only extraItems knew when it was opened may have got a value since.
    const Item *found = handle.item ? handle.item : findItem(handle.name);
    if (!found)
        return nullptr;
    const std::optional<QString> &value = found->value(set);
    return value ? &*value : nullptr;
}

QString HostState::valueOf(DataSet set, QStringView name) const
{
    const Item *found = findItem(name);
    return found ? found->value(set).value_or(QString()) : QString();
}

HostState::Item &HostState::item(const QString &name)
{
    const auto [it, added] = itemIndex.try_emplace(name, nullptr);
    if (added)
        it->second = &items.emplace_back(name);
    return *it->second;
}

void HostState::setValue(DataSet set, const QString &name, const QString &value)
{
    item(name).values[std::size_t(set)] = value;
}

void HostState::clearValues(DataSet set)
{
    for (Item &each : items)
        each.values[std::size_t(set)].reset();
}

void HostState::addObjectName(const QString &name)
{
    Item &listed = item(name);
    // A name listed twice is found at its first position.
    if (!listed.isListed())
        listed.listedPosition = int(objectSection.size());
    objectSection.push_back({name, &listed});
}

void HostState::defineObject(const QString &name, const ObjectDefinition &definition)
{
    Item &defined = item(name);
    defined.definition = definition;
    if (defined.isDefined())
        return;
    defined.definitionNumber = int(definedObjects.size());
    definedObjects.push_back(&defined);
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

int HostState::enumerationIndex(QStringView name) const
{
    const auto it = enumerationIndexes.find(name);
    return it == enumerationIndexes.end() ? -1 : it->second;
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
        for (Item &each : items) {
            if (const std::optional<QString> &value = each.value(DataSet::Device)) {
                each.values[std::size_t(DataSet::Shadow)] = value;
                each.values[std::size_t(DataSet::Application)] = value;
            }
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
    clearValues(DataSet::Application);
    for (const auto &[name, value] : values)
        setValue(DataSet::Application, name, value);
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
