// SPDX-License-Identifier: Apache-2.0
#include "host/HostFunctionControl_p.h"

using namespace HostObjects;

HRESULT HostFunctionControl::StartFunction(BSTR name, std::int32_t *error)
{
    HostCallScope call(*m_state, u"StartFunction", [&] { return quoted(name); });
    if (!call.begin(error))
        return call.status();
    if (!sameName(viewOf(name), DeviceModel::kUploadFunction) || !m_state->connected)
        return call.finish(S_OK, *error = 1);
    if (!m_state->uploadRunning)
        m_state->startUpload();
    return call.finish(S_OK);
}

HRESULT HostFunctionControl::LoadDatabase(std::int32_t argument, std::int32_t *error)
{
    HostCallScope call(*m_state, u"LoadDatabase", [&] { return QString::number(argument); });
    if (!call.begin(error))
        return call.status();
    if (!m_state->loadDatabase())
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}
