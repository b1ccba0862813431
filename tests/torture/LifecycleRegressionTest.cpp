// Sequences the lifecycle torture found, kept as fixed cases. Some of them
// fail only under the sanitizers (./dev sanitize), which see an object used
// after it was deleted where the plain build goes on by luck.
#include "tests/component/ComponentFixture.h"

#include "platform/BStr.h"
#include "viewer/frmQuiravel.h"

#include <QFile>
#include <QPointer>
#include <QTimer>

class lifecycle_regression_test : public ComponentFixture
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        QFile page(path("Pump001.HTM"));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<p>#VALUE#</p>\r\n");
        page.close();
        model.setConnected(true);
        model.setUploadMilliseconds(1000 * 1000); // steps only when the test says so
    }
};

// A report command waits for its upload; meanwhile the host attaches the view
// anew, and the window the command runs in is deleted before the upload ends.
// The command must not touch that window again (seed 631).
TEST_F(lifecycle_regression_test, report_command_survives_its_window_being_deleted_during_the_upload_wait)
{
    ASSERT_EQ(attach(), S_OK);
    ASSERT_EQ(show(), S_OK);
    QPointer<frmQuiravel> first = window();
    ComPtr<IQuiravelAutomation> automation = view.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
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
    const BStr report(QStringLiteral("ShowDeviceReport"));
    EXPECT_EQ(automation->RunCommand(report.get()), S_OK);
    EXPECT_TRUE(deletedInWait);
    EXPECT_NE(window(), nullptr);
    automation.reset();
    expectEachOpenedItemClosedOnce();
}
