// SPDX-License-Identifier: Apache-2.0
// clsEnum: turns the number of an enumeration item into the text that the
// device description gives it. One object serves one lookup.
#pragma once

#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

#include <QString>
#include <cstdint>

/// What one lookup learned from the host on its way to the text, for tools
/// that explain a template; filled as the lookup goes, so after a failure it
/// tells how far it got.
struct EnumLookupTrace
{
    bool looked = false;      ///< the host was asked at all
    bool typeDefined = false; ///< the type name has an object definition
    QString enumerationName;  ///< the enumeration that definition names
    bool enumerationDefined = false;
    bool matched = false; ///< an entry carries the value
};

class clsEnum final : public ComDispatchObject<clsEnum, _clsEnum>
{
public:
    /// A new object holding one reference. The host cannot create the class.
    static ComPtr<clsEnum> create();

    /// The text of the entry whose value is `value` in the enumeration that
    /// the object definition `typeName` refers to; empty when no entry
    /// matches, `typeName` is empty or no item manager is given. Keeps its
    /// inputs and the result in the object. The first of repeated values
    /// wins. Throws ComError for a failure status of the host and
    /// (DISP_E_BADINDEX) when the host hands back no entry array.
    QString GetEnumText(AppItemManager *itemManager, const QString &typeName, std::int32_t itemHandle,
                        std::int32_t value, EnumLookupTrace *trace = nullptr);

    /// IUnknown, IDispatch and _clsEnum.
    HRESULT QueryInterface(REFIID riid, void **object) override;

private:
    friend class ComObject<clsEnum, _clsEnum>;
    clsEnum() noexcept = default;
    ~clsEnum() = default;
    clsEnum(const clsEnum &) = delete;
    clsEnum &operator=(const clsEnum &) = delete;

    QString m_typeName;
    std::int32_t m_itemHandle = 0;
    std::int32_t m_value = 0;
    QString m_text;
    ComPtr<AppItemManager> m_itemManager;
};
