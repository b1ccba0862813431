// SPDX-License-Identifier: Apache-2.0
// The host closes its view at any moment, also while the view waits for the
// user in a real message box (its own nested event loop) or for an upload:
// nothing freed is touched, every item is closed, the host hears ReleaseView.
#include "ComponentFixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

/// What one message box showed.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

/// Waits, from inside whatever loop runs, for the next real message box;
/// then runs `inside` in that box's own loop and, should the box still be
/// open afterwards, presses `button`. Gives up after five seconds, a failure
/// when the box was `required`; stops when `context` goes.
void answerNextBox(QObject *context, QList<SeenBox> *seen, std::function<void()> inside,
                   QMessageBox::StandardButton button = QMessageBox::Ok, bool required = true)
{
    auto *poll = new QTimer(context);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (++*ticks == 500) {
                if (required)
                    ADD_FAILURE() << "no message box opened";
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        seen->append({box->windowTitle(), box->text(), box->standardButtons(), box->icon()});
        QPointer<QMessageBox> open(box);
        if (inside)
            inside();
        if (open && open->isVisible())
            open->button(button)->click();
    });
    poll->start(10);
}

/// Runs `then` from the loop of the upload wait, once the upload runs and
/// no box is open.
void whenUploadRuns(QObject *context, const DeviceModel &model, std::function<void()> then)
{
    auto *poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, poll, [=, &model] {
        if (!model.uploadRunning() || QApplication::activeModalWidget())
            return;
        poll->stop();
        poll->deleteLater();
        then();
    });
    poll->start(10);
}

enum class Wait { DatabasePrompt, DevicePrompt, NoTemplateMessage, NoBrowserMessage, UploadWait };
enum class Closing { Destroy, Hide, Exit, CloseBox, AttachAgain, LastRelease };

const char *name(Wait wait)
{
    static const char *const names[] = {"DatabasePrompt", "DevicePrompt", "NoTemplateMessage",
                                        "NoBrowserMessage", "UploadWait"};
    return names[int(wait)];
}

const char *name(Closing closing)
{
    static const char *const names[] = {"Destroy", "Hide", "Exit", "CloseBox", "AttachAgain", "LastRelease"};
    return names[int(closing)];
}

} // namespace

class lifecycle_test : public ComponentFixture,
                       public ::testing::WithParamInterface<std::tuple<Wait, Closing>>
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        // The real boxes, each in its own loop.
        setMessageHandler({});
    }

    void close(Closing closing)
    {
        std::int32_t result = 0;
        switch (closing) {
        case Closing::Destroy:
            EXPECT_EQ(view->Destroy(&result), S_OK);
            break;
        case Closing::Hide:
            EXPECT_EQ(view->Hide(&result), S_OK);
            break;
        case Closing::Exit:
            window()->menuEntry("Beenden_m")->trigger();
            break;
        case Closing::CloseBox:
            window()->close();
            break;
        case Closing::AttachAgain:
            EXPECT_EQ(attach(8), S_OK);
            break;
        case Closing::LastRelease:
            model.attachView(nullptr);
            view.detach()->Release();
            break;
        }
    }
};

TEST_P(lifecycle_test, the_host_closes_the_view_while_it_waits_for_the_user)
{
    const auto [wait, closing] = GetParam();
    // A browser that cannot be set up closes the window in any case; a new
    // attachment closes the old one without a release.
    const bool windowCloses = closing != Closing::Hide || wait == Wait::NoBrowserMessage;
    const bool released = windowCloses && closing != Closing::AttachAgain;
    writeBytes(path("Pump001.HTM"), "<p>#VALUE#</p>\r\n");
    model.setDatabase(path("pump.db"), {{"VALUE", "11.8"}});
    model.setConnected(true);
    model.setUploadMilliseconds(1000 * 1000); // steps only when the test says so
    if (wait == Wait::NoTemplateMessage)
        model.removeSettingEntry("PRINTTEMPLATEFILE");
    browsers.failCreate = wait == Wait::NoBrowserMessage;
    ASSERT_EQ(attach(), S_OK);
    QPointer<frmQuiravel> first = window();

    QList<SeenBox> seen;
    QList<SeenBox> later;
    // Declared after what its answers write to, so that it goes first.
    QObject boxes;
    std::int32_t result = 0;
    if (wait == Wait::NoTemplateMessage || wait == Wait::NoBrowserMessage) {
        // Holds the component as any caller does while its call runs.
        View *const called = view.get();
        called->AddRef();
        // A window that stays reports the missing template once more.
        answerNextBox(&boxes, &seen, [&] {
            close(closing);
            answerNextBox(&boxes, &later, {}, QMessageBox::Ok, false);
        });
        called->Show(&result);
        const ULONG left = called->Release();
        if (closing == Closing::LastRelease) {
            EXPECT_EQ(left, 0u);
        }
    } else {
        ASSERT_EQ(show(), S_OK);
        model.clearCalls();
        if (wait == Wait::UploadWait) {
            // The device command's own prompt is answered first.
            answerNextBox(&boxes, &seen, {});
            whenUploadRuns(&boxes, model, [&] {
                close(closing);
                if (model.uploadRunning())
                    model.advanceUpload(100);
            });
        } else {
            answerNextBox(
                &boxes, &seen, [&] { close(closing); }, QMessageBox::Cancel);
        }
        first->menuEntry(wait == Wait::DatabasePrompt ? "scrDatabase" : "scrShadow")->trigger();
    }
    EXPECT_EQ(seen.size(), 1);
    if (!seen.isEmpty()) {
        const QString texts[] = {GetLocalString(1142), GetLocalString(1142), GetLocalString(1136),
                                 GetLocalString(1143), GetLocalString(1142)};
        EXPECT_EQ(seen.first().text, texts[int(wait)]);
    }
    flushDeletes();
    EXPECT_EQ(frmQuiravel::liveCount(), view && component()->window() ? 1 : 0) << "a closed window was kept";
    EXPECT_EQ(first.isNull(), windowCloses);
    EXPECT_EQ(model.releaseViewCount(), released ? 1 : 0);
    EXPECT_TRUE(eachOpenedItemClosedOnce(model));
    if (released && view) {
        EXPECT_TRUE(FAILED(view->Show(&result))) << "no window is left to show";
    }
}

INSTANTIATE_TEST_SUITE_P(
    every_wait_and_every_closing, lifecycle_test,
    ::testing::Combine(::testing::Values(Wait::DatabasePrompt, Wait::DevicePrompt, Wait::NoTemplateMessage,
                                         Wait::NoBrowserMessage, Wait::UploadWait),
                       ::testing::Values(Closing::Destroy, Closing::Hide, Closing::Exit, Closing::CloseBox,
                                         Closing::AttachAgain, Closing::LastRelease)),
    [](const auto &info) {
        return std::string(name(std::get<0>(info.param))) + "_" + name(std::get<1>(info.param));
    });

using lifecycle_loose_ends_test = ComponentFixture;

TEST_F(lifecycle_loose_ends_test, each_message_box_is_answered_in_its_own_loop)
{
    setMessageHandler({});
    writeBytes(path("Pump001.HTM"), "<p>#VALUE#</p>\r\n");
    model.setConnected(false);
    ASSERT_EQ(attach(), S_OK);
    ASSERT_EQ(show(), S_OK);
    const QMessageBox::StandardButtons okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    const struct
    {
        const char *entry;
        QMessageBox::StandardButton press;
        SeenBox box;
    } cases[] = {
        {"m_Help", QMessageBox::Ok, {"Quiravel", GetLocalString(100) + GetLocalString(99), QMessageBox::Ok}},
        {"scrShadow", QMessageBox::Ok, {GetLocalString(1139), GetLocalString(1132), QMessageBox::Ok}},
        {"scrDatabase",
         QMessageBox::Cancel,
         {GetLocalString(1137), GetLocalString(1142), okCancel, QMessageBox::Information}},
        {"scrDatabase",
         QMessageBox::Ok,
         {GetLocalString(1137), GetLocalString(1142), okCancel, QMessageBox::Information}},
        {"Drucken_m", QMessageBox::Ok, {"Quiravel", GetLocalString(1144), QMessageBox::Ok}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry);
        model.clearCalls();
        QList<SeenBox> seen;
        QObject boxes;
        const bool confirmed = std::string_view(c.entry) == "scrDatabase" && c.press == QMessageBox::Ok;
        // Confirmed, the database load finds no file and says so in a box of its own.
        answerNextBox(&boxes, &seen,
                      confirmed ? [&] { answerNextBox(&boxes, &seen, {}); } : std::function<void()>(),
                      c.press);
        run(c.entry);
        ASSERT_EQ(seen.size(), confirmed ? 2 : 1);
        EXPECT_EQ(seen.first().title, c.box.title);
        EXPECT_EQ(seen.first().text, c.box.text);
        EXPECT_EQ(seen.first().buttons, c.box.buttons);
        EXPECT_EQ(seen.first().icon, c.box.icon);
        if (confirmed) {
            EXPECT_EQ(seen.last().text, GetLocalString(1131));
        }
        const QList<HostCall> calls = model.calls();
        const bool loaded = std::any_of(calls.cbegin(), calls.cend(), [](const HostCall &call) {
            return call.operation == "LoadDatabase";
        });
        EXPECT_EQ(loaded, confirmed) << "only OK confirms";
    }
}

TEST_F(lifecycle_loose_ends_test, attaching_anew_during_an_upload_wait_keeps_the_hosts_apart)
{
    openDevice("<p>#VALUE#</p>\r\n", 1000 * 1000); // the upload steps only when the test says so
    DeviceModel second;
    describePump(second, dir.path());
    second.setConnected(true);
    std::int32_t firstHandle = 0;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(model.uploadRunning());
        firstHandle = component()->uploadItem();
        std::int32_t result = 0;
        ASSERT_EQ(view->SetAppletItemManagRef(8, second.itemManager().get(), &result), S_OK);
        second.clearCalls();
        // The first host's upload goes on and reports; so does the second host.
        model.advanceUpload(100);
        second.setUploadProgress(100);
        view->NotifyChanged(firstHandle, VARIANT_FALSE, 0, 0, &result);
    });
    // Had the wait gone on, this ends it.
    QObject guard;
    QTimer::singleShot(2000, &guard, [&] {
        std::int32_t result = 0;
        view->Destroy(&result);
    });
    run("scrShadow");
    ASSERT_NE(firstHandle, 0);
    for (const HostCall &call : second.calls())
        EXPECT_NE(call.operation, "GetItemLong") << "the first host's handle reached the second host";
    expectEachOpenedItemClosedOnce();
    std::int32_t result = 0;
    EXPECT_EQ(view->Destroy(&result), S_OK);
    EXPECT_EQ(second.releaseViewCount(), 1);
    EXPECT_TRUE(eachOpenedItemClosedOnce(second));
    model.attachView(nullptr); // the first host was never given the view back
}

TEST_F(lifecycle_loose_ends_test,
       a_failed_command_answers_its_status_and_keeps_an_outer_commands_busy_pointer)
{
    openDevice("<p>#VALUE#</p>\r\n", 1000 * 1000); // the upload steps only when the test says so
    ComPtr<IQuiravelAutomation> automation = this->automation(view);
    model.failOperation("LoadDatabase", E_ACCESSDENIED);
    EXPECT_EQ(runCommand(automation.get(), "ShowDatabaseReport"), E_ACCESSDENIED);
    EXPECT_NE(window()->cursor().shape(), Qt::WaitCursor);

    HRESULT inner = S_OK;
    Qt::CursorShape duringWait = Qt::ArrowCursor;
    QTimer::singleShot(0, [&] {
        inner = runCommand(automation.get(), "ShowDatabaseReport");
        duringWait = window()->cursor().shape();
        model.advanceUpload(100);
    });
    EXPECT_EQ(runCommand(automation.get(), "ShowDeviceReport"), S_OK);
    EXPECT_EQ(inner, E_ACCESSDENIED);
    EXPECT_EQ(duringWait, Qt::WaitCursor) << "the device report still waited for its upload";
    EXPECT_NE(window()->cursor().shape(), Qt::WaitCursor);
    model.clearFaults();
    automation.reset();
}
