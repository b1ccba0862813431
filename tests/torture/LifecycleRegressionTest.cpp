// Sequences the lifecycle torture found, kept as fixed cases. Some of them
// fail only under the sanitizers (./dev sanitize), which see an object used
// after it was deleted where the plain build goes on by luck.
#include "tests/component/ComponentFixture.h"

using lifecycle_regression_test = ComponentFixture;

// A report command waits for its upload; meanwhile the host attaches the view
// anew, and the window the command runs in is deleted before the upload ends.
// The command must not touch that window again (seed 631).
TEST_F(lifecycle_regression_test, report_command_survives_its_window_being_deleted_during_the_upload_wait)
{
    openDevice("<p>#VALUE#</p>\r\n", 1000 * 1000); // the upload steps only when the test says so
    QPointer<frmQuiravel> first = window();
    ComPtr<IQuiravelAutomation> automation = this->automation(view);
    bool deletedInWait = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(model.uploadRunning());
        attach(8);
        // The old window goes on a later turn of the wait's loop.
        QTimer::singleShot(0, [&] {
            deletedInWait = first.isNull();
            model.advanceUpload(100);
        });
    });
    EXPECT_EQ(automation->RunCommand(BStr(QStringLiteral("ShowDeviceReport")).get()), S_OK);
    EXPECT_TRUE(deletedInWait);
    EXPECT_NE(window(), nullptr);
    automation.reset();
    expectEachOpenedItemClosedOnce();
}
