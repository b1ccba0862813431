// SPDX-License-Identifier: Apache-2.0
// Sequences the lifecycle torture found, kept as fixed cases. Some of them
// fail only under the sanitizers (./dev sanitize), which see an object used
// after it was deleted where the plain build goes on by luck.
#include "component/Exports.h"
#include "tests/component/ComponentFixture.h"

using lifecycle_regression_test = ComponentFixture;

// A report command waits for its upload; meanwhile the host attaches the view
// anew. The command must not touch the old window again, and that window goes
// only once the command has returned from its wait (seed 631).
TEST_F(lifecycle_regression_test, report_command_survives_its_window_being_closed_during_the_upload_wait)
{
    openDevice("<p>#VALUE#</p>\r\n", 1000 * 1000); // the upload steps only when the test says so
    QPointer<frmQuiravel> first = window();
    ComPtr<IQuiravelAutomation> automation = this->automation(view);
    bool keptInWait = false;
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
        ASSERT_TRUE(model.uploadRunning());
        attach(8);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        keptInWait = !first.isNull() && first->isUnloaded();
        model.advanceUpload(100);
    });
    EXPECT_EQ(automation->RunCommand(BStr(QStringLiteral("ShowDeviceReport")).get()), S_OK);
    EXPECT_TRUE(keptInWait);
    flushDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_NE(window(), nullptr);
    automation.reset();
    expectEachOpenedItemClosedOnce();
}

// The module may be unloaded only when nothing of it is left to run: a
// window closed by Destroy still awaits its deletion on the next turn of the
// event loop, which runs the library's code.
TEST_F(lifecycle_regression_test, the_module_stays_loaded_while_a_closed_window_awaits_deletion)
{
    openDevice("<p>#VALUE#</p>\r\n");
    QPointer<frmQuiravel> w = window();
    destroyAndRelease(view);
    ASSERT_FALSE(w.isNull());
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}
