// SPDX-License-Identifier: Apache-2.0
// The function control: uploads and the database load the component starts.
#pragma once

#include "host/HostObject_p.h"

class HostFunctionControl final : public HostObject<AppFunctionControl, IID_AppFunctionControl>
{
public:
    using HostObject::HostObject;

    HRESULT StartFunction(BSTR name, std::int32_t *error) override;
    HRESULT LoadDatabase(std::int32_t argument, std::int32_t *error) override;
};
