// SPDX-License-Identifier: Apache-2.0
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

#define EXPECT_SLOT(function, slot) EXPECT_EQ(slotOf(&function), slot) << #function

} // namespace

TEST(slot_layout_test, standard_slots_come_first)
{
    EXPECT_SLOT(AppItemManager::QueryInterface, 0);
    EXPECT_SLOT(AppItemManager::AddRef, 1);
    EXPECT_SLOT(AppItemManager::Release, 2);
    EXPECT_SLOT(AppItemManager::GetTypeInfoCount, 3);
    EXPECT_SLOT(AppItemManager::GetTypeInfo, 4);
    EXPECT_SLOT(AppItemManager::GetIDsOfNames, 5);
    EXPECT_SLOT(AppItemManager::Invoke, 6);
    EXPECT_SLOT(IClassFactory::CreateInstance, 3);
    EXPECT_SLOT(IClassFactory::LockServer, 4);
}

TEST(slot_layout_test, automation_interface_grows_only_at_its_end)
{
    EXPECT_SLOT(IQuiravelAutomation::RunCommand, 3);
    EXPECT_SLOT(IQuiravelAutomation::GetWindowState, 8);
    EXPECT_SLOT(IQuiravelAutomation::GetGenerationError, 9);
    EXPECT_SLOT(IQuiravelAutomation::GetPagePath, 10);
    EXPECT_SLOT(IQuiravelEvents::OnPdfFinished, 5);
}

// The wire types a host compiled elsewhere shares with the component.
static_assert(sizeof(VARIANT_BOOL) == 2 && sizeof(HRESULT) == 4 && sizeof(GUID) == 16 &&
              sizeof(OLECHAR) == 2);
