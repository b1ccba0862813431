// SPDX-License-Identifier: Apache-2.0
#include "ComponentFixture.h"

namespace {

QString owner(View *view)
{
    ComPtr<_clsQuiravel> info;
    EXPECT_EQ(view->QueryInterface(IID__clsQuiravel, info.putVoid()), S_OK);
    BStr text;
    EXPECT_EQ(info->GetRegisteredOwner(text.put()), S_OK);
    return text.toQString();
}

} // namespace

using component_test = ComponentFixture;

TEST_F(component_test, notify_changed_ends_the_upload_wait_only_on_progress_100_of_the_upload_item)
{
    ASSERT_EQ(attach(), S_OK);
    model.setConnected(true);
    model.setUploadMilliseconds(1000 * 1000); // steps only when the test says so

    QList<bool> doneAfterEachStep;
    QTimer::singleShot(0, [&] {
        const std::int32_t item = component()->uploadItem();
        std::int32_t result = 0;
        model.advanceUpload(90);
        doneAfterEachStep.append(component()->uploadDone());
        model.setUploadProgress(100);
        const std::tuple<std::int32_t, VARIANT_BOOL, std::int32_t> reports[] = {
            {item + 1000, VARIANT_FALSE, 0}, {item, VARIANT_FALSE, 8}, {item, VARIANT_TRUE, 0}};
        for (const auto &[handle, shadow, state] : reports) {
            view->NotifyChanged(handle, shadow, state, 0, &result);
            doneAfterEachStep.append(component()->uploadDone());
        }
    });
    EXPECT_TRUE(component()->LoadData(2));
    EXPECT_EQ(doneAfterEachStep, QList<bool>({false, false, false, true}));
    EXPECT_FALSE(component()->uploadDone()) << "cleared after the wait";
    EXPECT_EQ(component()->uploadProgress(), 100);
}

TEST_F(component_test, owner_falls_back_to_the_account_only_without_the_key)
{
    const QString accountName = owner(view.get());
    ASSERT_FALSE(accountName.isEmpty()) << "no registry file: the account's name";
    const QByteArray header = "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\";
    for (const char *platformId : {"2", "1"}) {
        SCOPED_TRACE(platformId);
        env.set("QUIRAVEL_PLATFORM_ID", platformId);
        const QByteArray family = platformId == QByteArray("2") ? "Windows NT" : "Windows";
        const QByteArray other = platformId == QByteArray("2") ? "Windows" : "Windows NT";
        // The key of the family asked for, holding other values only: no fallback.
        writeBytes(path("registry.reg"),
                   header + family + "\\CurrentVersion]\r\n\"RegisteredOrganization\"=\"Hydro Werke\"\r\n");
        EXPECT_EQ(owner(view.get()), QString());
        // Only the other family's key: this one is missing altogether.
        writeBytes(path("registry.reg"),
                   header + other + "\\CurrentVersion]\r\n\"RegisteredOwner\"=\"Other\"\r\n");
        EXPECT_EQ(owner(view.get()), accountName);
    }
}
