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
