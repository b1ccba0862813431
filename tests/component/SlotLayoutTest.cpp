// A host compiled elsewhere calls the component and is called by it through
// table positions only: every listed operation must sit at its slot.
#include "contract/KQApplet.h"
#include "contract/Quiravel.h"
#include "contract/QuiravelAutomation.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

// Under the Itanium C++ ABI a pointer to a virtual member function holds
// 1 + the byte offset of its entry in the table.
template<typename MemberFunction> std::ptrdiff_t slotOf(MemberFunction function)
{
    static_assert(sizeof(MemberFunction) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &function, sizeof raw);
    EXPECT_EQ(raw[0] & 1, 1) << "not a virtual function";
    EXPECT_EQ(raw[1], 0) << "not in the primary table";
    return (raw[0] - 1) / std::ptrdiff_t(sizeof(void *));
}

struct Slot
{
    const char *name;
    std::ptrdiff_t actual;
    std::ptrdiff_t expected;
};

void expectSlots(std::initializer_list<Slot> slots)
{
    for (const Slot &slot : slots)
        EXPECT_EQ(slot.actual, slot.expected) << slot.name;
}

} // namespace

TEST(slot_layout_test, standard_slots_come_first)
{
    expectSlots({
        {"QueryInterface", slotOf(&AppItemManager::QueryInterface), 0},
        {"AddRef", slotOf(&AppItemManager::AddRef), 1},
        {"Release", slotOf(&AppItemManager::Release), 2},
        {"GetTypeInfoCount", slotOf(&AppItemManager::GetTypeInfoCount), 3},
        {"GetTypeInfo", slotOf(&AppItemManager::GetTypeInfo), 4},
        {"GetIDsOfNames", slotOf(&AppItemManager::GetIDsOfNames), 5},
        {"Invoke", slotOf(&AppItemManager::Invoke), 6},
        {"IClassFactory::CreateInstance", slotOf(&IClassFactory::CreateInstance), 3},
        {"IClassFactory::LockServer", slotOf(&IClassFactory::LockServer), 4},
    });
}

TEST(slot_layout_test, item_manager_operations)
{
    expectSlots({
        {"ReleaseView", slotOf(&AppItemManager::ReleaseView), 14},
        {"GetDeviceDescription", slotOf(&AppItemManager::GetDeviceDescription), 16},
        {"GetFunctionControl", slotOf(&AppItemManager::GetFunctionControl), 17},
        {"OpenItem", slotOf(&AppItemManager::OpenItem), 18},
        {"CloseItem", slotOf(&AppItemManager::CloseItem), 19},
        {"GetItemQuad", slotOf(&AppItemManager::GetItemQuad), 21},
        {"GetItemLong", slotOf(&AppItemManager::GetItemLong), 25},
        {"GetItemString", slotOf(&AppItemManager::GetItemString), 57},
    });
}

TEST(slot_layout_test, device_description_operations)
{
    expectSlots({
        {"GetDeviceEntry", slotOf(&AppDeviceDescription::GetDeviceEntry), 9},
        {"GetSettingEntry", slotOf(&AppDeviceDescription::GetSettingEntry), 11},
        {"GetSectionCount", slotOf(&AppDeviceDescription::GetSectionCount), 18},
        {"GetFirstEntry", slotOf(&AppDeviceDescription::GetFirstEntry), 19},
        {"GetNextEntry", slotOf(&AppDeviceDescription::GetNextEntry), 20},
        {"FindDefinition", slotOf(&AppDeviceDescription::FindDefinition), 21},
        {"GetEntryName", slotOf(&AppDeviceDescription::GetEntryName), 22},
        {"GetObjectDefinition", slotOf(&AppDeviceDescription::GetObjectDefinition), 25},
        {"GetEnumerationEntries", slotOf(&AppDeviceDescription::GetEnumerationEntries), 29},
    });
}

TEST(slot_layout_test, function_control_operations)
{
    expectSlots({
        {"StartFunction", slotOf(&AppFunctionControl::StartFunction), 17},
        {"LoadDatabase", slotOf(&AppFunctionControl::LoadDatabase), 19},
    });
}

TEST(slot_layout_test, view_and_component_interfaces)
{
    expectSlots({
        {"SetAppletItemManagRef", slotOf(&View::SetAppletItemManagRef), 7},
        {"Show", slotOf(&View::Show), 8},
        {"Hide", slotOf(&View::Hide), 9},
        {"Destroy", slotOf(&View::Destroy), 10},
        {"NotifyChanged", slotOf(&View::NotifyChanged), 11},
        {"IsSystemNT", slotOf(&_clsQuiravel::IsSystemNT), 7},
        {"GetRegisteredOwner", slotOf(&_clsQuiravel::GetRegisteredOwner), 8},
        {"GetRegisteredOrganization", slotOf(&_clsQuiravel::GetRegisteredOrganization), 9},
    });
}

TEST(slot_layout_test, automation_interface_grows_only_at_its_end)
{
    expectSlots({
        {"RunCommand", slotOf(&IQuiravelAutomation::RunCommand), 3},
        {"GetWindowState", slotOf(&IQuiravelAutomation::GetWindowState), 8},
        {"GetGenerationError", slotOf(&IQuiravelAutomation::GetGenerationError), 9},
        {"OnPdfFinished", slotOf(&IQuiravelEvents::OnPdfFinished), 5},
    });
}

// The wire types a host compiled elsewhere shares with the component.
static_assert(sizeof(VARIANT_BOOL) == 2);
static_assert(sizeof(HRESULT) == 4);
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(OLECHAR) == 2);
