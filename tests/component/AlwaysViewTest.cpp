// SPDX-License-Identifier: Apache-2.0
// The second View of the library: it accepts every call of a host, answers
// 0 from each and keeps nothing of the host.
#include "ComponentFixture.h"

#include "component/clsAlwaysView.h"

using always_view_test = ComponentFixture;

TEST_F(always_view_test, every_call_succeeds_answers_zero_and_keeps_no_host_object)
{
    ComPtr<View> always;
    ASSERT_EQ(clsAlwaysView::create(IID_View, always.putVoid()), S_OK);
    ComPtr<_clsAlwaysView> own;
    EXPECT_EQ(always->QueryInterface(IID__clsAlwaysView, own.putVoid()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(always->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    void *none = reinterpret_cast<void *>(1);
    EXPECT_EQ(always->QueryInterface(IID_IQuiravelAutomation, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    const auto answers = [&](const char *what, auto call) {
        std::int32_t result = -1;
        EXPECT_EQ(call(&result), S_OK) << what;
        EXPECT_EQ(result, 0) << what;
        EXPECT_EQ(call(nullptr), S_OK) << what << " without a result";
    };
    ComPtr<AppItemManager> itemManager = model.itemManager();
    for (int round = 0; round < 2; ++round) {
        answers("SetAppletItemManagRef",
                [&](std::int32_t *r) { return always->SetAppletItemManagRef(7, itemManager.get(), r); });
        answers("SetAppletItemManagRef without a host",
                [&](std::int32_t *r) { return always->SetAppletItemManagRef(-1, nullptr, r); });
        answers("Show", [&](std::int32_t *r) { return always->Show(r); });
        answers("Hide", [&](std::int32_t *r) { return always->Hide(r); });
        answers("NotifyChanged",
                [&](std::int32_t *r) { return always->NotifyChanged(3, VARIANT_TRUE, 8, -1, r); });
        answers("Destroy", [&](std::int32_t *r) { return always->Destroy(r); });
    }
    itemManager.reset();
    EXPECT_EQ(model.liveObjects(), 0) << "the host's item manager was kept";
    EXPECT_TRUE(model.calls().isEmpty()) << "the host was called";
    own.reset();
    unknown.reset();
    EXPECT_EQ(always.detach()->Release(), 0u);
}
