// SPDX-License-Identifier: Apache-2.0
#include "clsEnum.h"

#include "HostCalls_p.h"

#include <memory>

using namespace PrintFileHost;

namespace {

struct EnumEntryArrayDeleter
{
    void operator()(EnumEntryArray *array) const noexcept { EnumEntryArrayDestroy(array); }
};

} // namespace

ComPtr<clsEnum> clsEnum::create()
{
    return ComPtr<clsEnum>::adopt(new clsEnum);
}

QString clsEnum::GetEnumText(AppItemManager *itemManager, const QString &typeName, std::int32_t itemHandle,
                             std::int32_t value, EnumLookupTrace *trace)
{
    EnumLookupTrace unused;
    EnumLookupTrace &learned = trace ? *trace : unused;
    learned = {};
    static const ConstBStr objectSection(u"object");
    static const ConstBStr enumerationSection(u"enumeration");

    m_itemManager = ComPtr<AppItemManager>(itemManager);
    m_typeName = typeName;
    m_itemHandle = itemHandle;
    m_value = value;
    m_text.clear();
    if (m_typeName.isEmpty() || !m_itemManager)
        return {};

    // The error flags do not steer the lookup (they are only noted for the
    // trace): a lookup that finds nothing hands back a handle of 0 (or an
    // empty name), and the next one then finds nothing either.
    learned.looked = true;
    std::int32_t error = 0;
    std::int32_t objectDefinition = 0;
    {
        const BStr name(m_typeName);
        check(deviceDescription(itemManager)
                  ->FindDefinition(objectSection.get(), name.get(), &objectDefinition, &error));
    }
    learned.typeDefined = error == 0;
    BStr enumerationName;
    {
        BStr objectTypeName;
        std::int32_t size = 0;
        std::int32_t flags = 0;
        std::int32_t kind = 0;
        check(deviceDescription(itemManager)
                  ->GetObjectDefinition(objectDefinition, objectTypeName.put(), &size, &flags, &kind,
                                        enumerationName.put(), &error));
    }
    if (trace)
        learned.enumerationName = enumerationName.toQString();
    std::int32_t enumerationDefinition = 0;
    check(deviceDescription(itemManager)
              ->FindDefinition(enumerationSection.get(), enumerationName.get(), &enumerationDefinition,
                               &error));
    learned.enumerationDefined = error == 0;

    // The name is in/out: the host may write a name into it, and that is
    // what the object keeps.
    BStr name;
    BSTR *nameSlot = name.put();
    *nameSlot = BStr::alloc(m_typeName);
    EnumEntryArray *rawEntries = nullptr;
    const HRESULT status = deviceDescription(itemManager)
                               ->GetEnumerationEntries(enumerationDefinition, nameSlot, &rawEntries, &error);
    const std::unique_ptr<EnumEntryArray, EnumEntryArrayDeleter> entries(rawEntries);
    m_typeName = name.toQString();
    check(status);
    if (!entries)
        throw ComError(DISP_E_BADINDEX);

    for (std::uint32_t i = 0; i < entries->count; ++i) {
        if (entries->entries[i].value == m_value) {
            m_text = BStr::toQString(entries->entries[i].text);
            learned.matched = true;
            break;
        }
    }
    return m_text;
}

HRESULT clsEnum::QueryInterface(REFIID riid, void **object)
{
    return queryOne<_clsEnum>(riid, object, {IID_IDispatch, IID__clsEnum});
}
