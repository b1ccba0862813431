// SPDX-License-Identifier: Apache-2.0
#include "host/DeviceModel.h"

#include "host/HostItemManager_p.h"

struct DeviceModel::Private
{
    std::shared_ptr<HostState> state = std::make_shared<HostState>();
};

DeviceModel::DeviceModel(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->state->model = this;
}

DeviceModel::~DeviceModel()
{
    // Host objects the component still holds outlive the model; they must
    // neither signal a dead model nor keep the view (and so themselves) alive.
    d->state->model = nullptr;
    d->state->stopUpload();
    d->state->view = nullptr;
}

void DeviceModel::setDeviceEntry(const QString &key, const QString &value)
{
    d->state->deviceEntries.set(key, value);
}

void DeviceModel::removeDeviceEntry(const QString &key)
{
    d->state->deviceEntries.remove(key);
}

void DeviceModel::setSettingEntry(const QString &key, const QString &value)
{
    d->state->settingEntries.set(key, value);
}

void DeviceModel::removeSettingEntry(const QString &key)
{
    d->state->settingEntries.remove(key);
}

void DeviceModel::addObject(const QString &name, const ObjectDefinition &definition)
{
    addObjectName(name);
    defineObject(name, definition);
}

void DeviceModel::addObjectName(const QString &name)
{
    d->state->addObjectName(name);
}

void DeviceModel::defineObject(const QString &name, const ObjectDefinition &definition)
{
    d->state->defineObject(name, definition);
}

void DeviceModel::defineEnumeration(const QString &name, const EnumerationDefinition &enumeration)
{
    d->state->defineEnumeration(name, enumeration);
}

void DeviceModel::setDisplayText(DisplayText display, std::function<bool(QStringView item)> extraItems)
{
    d->state->displayText = std::move(display);
    d->state->extraItems = std::move(extraItems);
}

void DeviceModel::setDescriptionPath(const QString &path)
{
    d->state->descriptionPath = path;
}

QString DeviceModel::descriptionPath() const
{
    return d->state->descriptionPath;
}

void DeviceModel::setApplicationValue(const QString &item, const QString &value)
{
    d->state->setValue(HostState::DataSet::Application, item, value);
}

void DeviceModel::setShadowValue(const QString &item, const QString &value)
{
    d->state->setValue(HostState::DataSet::Shadow, item, value);
}

void DeviceModel::setDeviceValue(const QString &item, const QString &value)
{
    d->state->setValue(HostState::DataSet::Device, item, value);
}

QString DeviceModel::value(const QString &item, bool shadow) const
{
    return d->state->valueOf(shadow ? HostState::DataSet::Shadow : HostState::DataSet::Application, item);
}

bool DeviceModel::hasItem(const QString &item) const
{
    return d->state->itemExists(item);
}

void DeviceModel::setDatabase(const QString &path, const QList<QPair<QString, QString>> &values)
{
    d->state->databasePath = path;
    d->state->databaseValues = values;
}

void DeviceModel::setDatabaseLoader(
    std::function<bool(const QString &path, QList<QPair<QString, QString>> *values, QString *error)> loader)
{
    d->state->databaseLoader = std::move(loader);
}

QString DeviceModel::databaseError() const
{
    return d->state->databaseError;
}

void DeviceModel::setConnected(bool connected)
{
    d->state->connected = connected;
}

bool DeviceModel::isConnected() const
{
    return d->state->connected;
}

void DeviceModel::setUploadMilliseconds(int ms)
{
    d->state->uploadMilliseconds = std::max(0, ms);
    if (d->state->uploadTimer.isActive())
        d->state->uploadTimer.setInterval(d->state->uploadMilliseconds / 10);
}

void DeviceModel::setUploadProgress(std::int32_t progress)
{
    HostState &state = *d->state;
    state.setProgress(progress);
    // Anything between idle and finished is an upload the device is still running.
    if (progress > 0 && progress < 100) {
        state.uploadRunning = true;
        if (!state.uploadTimer.isActive())
            state.uploadTimer.start(state.uploadMilliseconds / 10);
    } else {
        state.stopUpload();
    }
}

std::int32_t DeviceModel::uploadProgress() const
{
    return d->state->progress;
}

void DeviceModel::advanceUpload(std::int32_t progress)
{
    const auto state = d->state;
    while (state->uploadRunning && state->progress < progress)
        state->uploadStep();
}

bool DeviceModel::uploadRunning() const
{
    return d->state->uploadRunning;
}

ComPtr<AppItemManager> DeviceModel::itemManager()
{
    return ComPtr<AppItemManager>::adopt(new HostItemManager(d->state));
}

void DeviceModel::attachView(View *view)
{
    d->state->view = ComPtr<View>(view);
}

int DeviceModel::liveObjects() const
{
    return d->state->liveObjects - d->state->idleObjects;
}

int DeviceModel::existingObjects() const
{
    return d->state->liveObjects;
}

int DeviceModel::releaseViewCount() const
{
    return d->state->releaseViewCount;
}

QList<HostCall> DeviceModel::calls() const
{
    return d->state->calls;
}

void DeviceModel::clearCalls()
{
    d->state->calls.clear();
}

void DeviceModel::setCallLog(CallLog mode)
{
    d->state->callLogEnabled = mode != CallLog::Off;
    d->state->keepCalls = mode == CallLog::Kept;
}

DeviceModel::CallLog DeviceModel::callLog() const
{
    if (!d->state->callLogEnabled)
        return CallLog::Off;
    return d->state->keepCalls ? CallLog::Kept : CallLog::Signalled;
}

void DeviceModel::signalCalls()
{
    d->state->callLogEnabled = true;
}

void DeviceModel::setCallLogEnabled(bool enabled)
{
    setCallLog(enabled ? CallLog::Kept : CallLog::Off);
}

void DeviceModel::failOperation(const QString &operation, HRESULT status)
{
    d->state->faults[NamedValues::keyOf(operation)].failure = status;
}

void DeviceModel::setErrorFlag(const QString &operation, std::int32_t flag)
{
    d->state->faults[NamedValues::keyOf(operation)].errorFlag = flag;
}

void DeviceModel::answerNull(const QString &operation)
{
    d->state->faults[NamedValues::keyOf(operation)].nullAnswer = true;
}

void DeviceModel::answerEmpty(const QString &operation)
{
    d->state->faults[NamedValues::keyOf(operation)].emptyAnswer = true;
}

void DeviceModel::clearFaults()
{
    d->state->faults.clear();
}
