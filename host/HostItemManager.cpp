// SPDX-License-Identifier: Apache-2.0
#include "host/HostItemManager_p.h"

#include "host/HostDeviceDescription_p.h"
#include "host/HostFunctionControl_p.h"

#include <QVarLengthArray>

using namespace HostObjects;
using DataSet = HostState::DataSet;

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
    HostCallScope call(*m_state, u"ReleaseView",
                       [&] { return view ? QStringLiteral("view") : QStringLiteral("no view"); });
    ++m_state->releaseViewCount;
    if (m_state->model)
        Q_EMIT m_state->model->viewReleased();
    if (!call.begin(error))
        return call.status();
    if (view && m_state->view.get() == view)
        m_state->view = nullptr;
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetDeviceDescription(AppDeviceDescription **description)
{
    HostCallScope call(*m_state, u"GetDeviceDescription");
    if (!description)
        return call.finish(E_POINTER);
    *description = nullptr;
    if (call.faulted(nullptr))
        return call.status();
    if (call.answersNull())
        return call.finish(S_OK);
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
    HostCallScope call(*m_state, u"GetFunctionControl");
    if (!control)
        return call.finish(E_POINTER);
    *control = nullptr;
    if (call.faulted(nullptr))
        return call.status();
    if (call.answersNull())
        return call.finish(S_OK);
    *control = new HostFunctionControl(m_state);
    return call.finish(S_OK);
}

HRESULT HostItemManager::OpenItem(BSTR name, VARIANT_BOOL bShadow, std::int32_t viewHandle,
                                  std::int32_t *itemHandle, std::int32_t reserved1, std::int32_t reserved2,
                                  std::int32_t *error)
{
    HostCallScope call(*m_state, u"OpenItem", [&] {
        return QStringLiteral("%1, shadow=%2, view=%3, %4, %5")
            .arg(quoted(name), QString::number(bShadow), QString::number(viewHandle),
                 QString::number(reserved1), QString::number(reserved2));
    });
    if (!call.begin(error, itemHandle))
        return call.status();
    const QStringView item = viewOf(name);
    HostState::OpenHandle handle;
    if (!m_state->itemExists(item, &handle))
        return call.finish(S_OK, *error = 1);
    handle.shadow = bShadow != VARIANT_FALSE;
    *itemHandle = m_state->nextHandle++;
    m_state->openHandles.insert(*itemHandle, std::move(handle));
    call.setItemHandle(*itemHandle);
    return call.finish(S_OK);
}

HRESULT HostItemManager::CloseItem(VARIANT viewHandle, std::int32_t itemHandle, VARIANT_BOOL bShadow,
                                   std::int32_t *error)
{
    HostCallScope call(*m_state, u"CloseItem", [&] {
        const QString view = viewHandle.vt == VT_I4 ? QString::number(viewHandle.lVal)
                                                    : QStringLiteral("(vt %1)").arg(viewHandle.vt);
        return QStringLiteral("view=%1, handle=%2, shadow=%3").arg(view).arg(itemHandle).arg(bShadow);
    });
    call.setItemHandle(itemHandle);
    if (!call.begin(error))
        return call.status();
    if (!m_state->openHandles.remove(itemHandle))
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetItemQuad(std::int32_t itemHandle, std::int64_t *value, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetItemQuad", [&] { return QStringLiteral("handle=%1").arg(itemHandle); });
    if (!call.begin(error, value))
        return call.status();
    const HostState::OpenHandle *it = m_state->openHandles.find(itemHandle);
    if (!it || it->kind != HostState::ItemKind::Connect)
        return call.finish(S_OK, *error = 1);
    *value = m_state->connected ? kConnectedQuad : 0;
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetItemLong(std::int32_t itemHandle, std::int32_t *value, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetItemLong", [&] { return QStringLiteral("handle=%1").arg(itemHandle); });
    if (!call.begin(error, value))
        return call.status();
    const HostState::OpenHandle *it = m_state->openHandles.find(itemHandle);
    if (!it)
        return call.finish(S_OK, *error = 1);
    if (it->kind == HostState::ItemKind::Upload) {
        *value = m_state->progress;
        return call.finish(S_OK);
    }
    const QString *stored = m_state->itemValue(*it, it->shadow ? DataSet::Shadow : DataSet::Application);
    bool isNumber = false;
    const std::int32_t number = (stored ? *stored : QString()).trimmed().toInt(&isNumber);
    if (!isNumber)
        return call.finish(S_OK, *error = 1);
    *value = number;
    return call.finish(S_OK);
}

HRESULT HostItemManager::GetItemString(std::int32_t itemHandle, BSTR *value, VARIANT_BOOL bShadow,
                                       std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetItemString",
                       [&] { return QStringLiteral("handle=%1, shadow=%2").arg(itemHandle).arg(bShadow); });
    if (!call.begin(error, value))
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
        const DataSet set = bShadow != VARIANT_FALSE ? DataSet::Shadow : DataSet::Application;
        const QString *text = m_state->itemValue(*it, set);
        if (m_state->displayText) {
            const HostState &state = *m_state;
            const auto shown = m_state->displayText(it->itemName(), text, [&state, set](const QString &name) {
                return state.valueOf(set, name);
            });
            if (shown) {
                *value = newBStr(*shown);
                break;
            }
        }
        *value = newBStr(text ? QStringView(*text) : QStringView());
        break;
    }
    }
    call.blank(value);
    return call.finish(S_OK);
}
