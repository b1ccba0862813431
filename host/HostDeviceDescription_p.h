// SPDX-License-Identifier: Apache-2.0
// The device description: entries, sections and the definitions of objects
// and enumerations.
#pragma once

#include "host/HostObject_p.h"

class HostItemManager;

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

    HRESULT entry(const NamedValues &entries, HostCallScope::Operation operation, BSTR key, BSTR *value,
                  std::int32_t *error);

    /// The manager that keeps this object for reuse; null once it is gone.
    HostItemManager *m_keeper = nullptr;
    /// Released by the component and waiting to be handed out again.
    bool m_idle = false;
};
