// SPDX-License-Identifier: Apache-2.0
// Random lifecycles: two or three views in one process, each with its own
// in-memory host and event sink, driven through every View call, the window's
// commands, its close box and the host letting go, in any order, also inside
// an upload's wait, inside real message boxes (each in its own loop) and
// inside the host's own callbacks, while the page's renderer dies and the
// browser engine breaks now and then. Every sequence must
// end, release every object and close every host item it opened, and the
// module must be able to unload after it.
//
// A failure names the seed of its sequence. QUIRAVEL_TORTURE_SEED=N runs that
// sequence alone; QUIRAVEL_TORTURE_SEQUENCES=N runs N sequences from the
// first default seed instead of the default count.
#include "component/Exports.h"
#include "contract/Quiravel.h"
#include "tests/component/ComponentFixture.h"

#include <QApplication>
#include <QMessageBox>
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

constexpr int kSlots = 3;
constexpr int kMaxDepth = 3;
constexpr int kStepsPerSequence = 24;
constexpr std::uint32_t kFirstSeed = 1;
constexpr int kDefaultSequences = 2000;
// Turns of a wait's event loop after the action that must end it.
constexpr int kHangTicks = 200;

const char *const kCommands[] = {"srcValue",         "scrDatabase",           "scrShadow",
                                 "Drucken_m",        "Druckvorschau_m",       "Beenden_m",
                                 "m_Help",           "ShowApplicationReport", "ShowDatabaseReport",
                                 "ShowDeviceReport", "NoSuchCommand"};

/// One host frame: its device, the view it created and its sink.
struct Host
{
    DeviceModel model;
    ComPtr<View> view;
    ComPtr<IQuiravelAutomation> automation;
    ComPtr<CallbackSink> sink = ComPtr<CallbackSink>::adopt(new CallbackSink);
    /// Calls of this host into its view that have not returned yet.
    int busy = 0;
};

class Torture
{
public:
    Torture(std::uint32_t seed, const QString &folder, FakeBrowserRegistration &browsers)
        : m_seed(seed), m_rng(seed), m_folder(folder), m_browsers(browsers)
    {
        m_browsers.failCreate = false;
    }

    void run()
    {
        const int initial = 2 + int(m_rng() % 2);
        for (int slot = 0; slot < initial; ++slot)
            createHost(slot);
        steps(0, kStepsPerSequence);
        // The survivors go in any order, some after Destroy, some without.
        std::array<int, kSlots> order{0, 1, 2};
        std::shuffle(order.begin(), order.end(), m_rng);
        for (int slot : order) {
            if (m_hosts[slot] && m_rng() % 2)
                call(*m_hosts[slot], &View::Destroy);
            releaseHost(slot);
        }
        check();
    }

    /// The sink's callback: answers, and sometimes acts first.
    HRESULT onMessage(std::int32_t *answer)
    {
        if (m_depth < kMaxDepth && m_rng() % 3 == 0)
            steps(m_depth + 1, 1 + int(m_rng() % 3));
        static constexpr HRESULT kStatus[] = {S_OK, S_OK, S_FALSE, E_FAIL};
        const unsigned pick = m_rng() % 4;
        *answer = pick == 0 ? vbOK : vbCancel; // read only when the status is S_OK
        return kStatus[pick];
    }

    /// The sink hears of a PDF; the host may act before it answers.
    void onPdfFinished()
    {
        if (m_depth < kMaxDepth && m_rng() % 2)
            steps(m_depth + 1, 1 + int(m_rng() % 3));
    }

    /// The process's message box service, for views without a sink: now
    /// and then a real box, in whose own loop the sequence goes on.
    MsgResult answerBox(const MessageRequest &request)
    {
        const MsgResult answer = m_rng() % 2 ? vbOK : vbCancel;
        if (m_depth >= kMaxDepth || m_rng() % 3 != 0)
            return answer;
        QMessageBox box(QMessageBox::NoIcon, request.title, request.text,
                        request.buttons == MsgButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                                : QMessageBox::Ok,
                        request.parent);
        const int depth = m_depth;
        // The box is gone with its loop: the timer never fires into a freed one.
        QTimer::singleShot(0, &box, [&] {
            steps(depth + 1, 1 + int(m_rng() % 3));
            if (box.isVisible())
                box.done(answer == vbOK ? QMessageBox::Ok : QMessageBox::Cancel);
        });
        ++m_openBoxes;
        const int chosen = box.exec();
        --m_openBoxes;
        return chosen == QMessageBox::Cancel ? vbCancel : vbOK;
    }

private:
    static clsQuiravel *component(View *view) { return static_cast<clsQuiravel *>(view); }
    static void closeWindow(View *view)
    {
        if (frmQuiravel *window = component(view)->window())
            window->close();
    }

    /// The renderer of the view's page dies, as a crash or a kill ends it.
    static void loseRenderer(View *view)
    {
        frmQuiravel *window = component(view)->window();
        if (auto *browser = window ? dynamic_cast<FakeBrowser *>(window->WebBrowser1()) : nullptr)
            browser->loseRenderer();
    }

    std::string where() const { return "seed " + std::to_string(m_seed); }

    void createHost(int slot)
    {
        Host &host = *m_all.emplace_back(std::make_unique<Host>());
        DeviceModel &model = host.model;
        const QDir folder(QDir(m_folder).filePath(QString("host%1").arg(slot)));
        describePump(model, folder.path());
        model.setApplicationValue("VALUE", "1.5");
        model.setDeviceValue("VALUE", "2.5");
        model.setConnected(m_rng() % 4 != 0);
        model.setUploadMilliseconds(1000 * 1000); // steps only when the sequence says so
        model.setDatabase(m_rng() % 2 ? folder.filePath("device.db") : QString(), {{"VALUE", "3.5"}});

        ComPtr<IClassFactory> factory;
        ASSERT_EQ(DllGetClassObject(CLSID_clsQuiravel, IID_IClassFactory, factory.putVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_View, host.view.putVoid()), S_OK);
        host.automation = host.view.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
        ASSERT_TRUE(host.automation);
        // The host's sink answers every message box at random and, now and
        // then, lets the host act again from inside the callback.
        host.sink->onMessage = [this](std::int32_t *answer) { return onMessage(answer); };
        host.sink->onPdfFinished = [this] { onPdfFinished(); };
        if (m_rng() % 4 != 0)
            host.automation->Advise(host.sink.get());
        m_hosts[slot] = &host;
        // Most hosts show their view at once, as a frame does.
        if (m_rng() % 4 != 0)
            attachAndShow(host);
    }

    /// The host lets go of its view: its own reference and its model's.
    void releaseHost(int slot)
    {
        Host *host = std::exchange(m_hosts[slot], nullptr);
        if (!host)
            return;
        host->model.attachView(nullptr);
        host->automation.reset();
        const ULONG left = host->view.detach()->Release();
        // A call of this host still running keeps the view until it returns.
        EXPECT_TRUE(left == 0 || host->busy > 0) << where() << ": the view outlived its host";
    }

    void steps(int depth, int count)
    {
        const int outer = std::exchange(m_depth, depth);
        for (int i = 0; i < count && !::testing::Test::HasFatalFailure(); ++i)
            step(depth);
        m_depth = outer;
    }

    void step(int depth)
    {
        const int slot = int(m_rng() % kSlots);
        if (!m_hosts[slot]) {
            if (m_rng() % 2)
                createHost(slot);
            return;
        }
        // Each entry one host action; the doubled ones are the common ones.
        using Action = void (*)(Torture &, Host &, int slot, int depth);
        static constexpr Action kActions[] = {
            [](Torture &t, Host &h, int, int) { t.attachAndShow(h); },
            [](Torture &t, Host &h, int, int) { t.call(h, &View::Show); },
            [](Torture &t, Host &h, int, int) { t.call(h, &View::Show); },
            [](Torture &t, Host &h, int, int) { t.call(h, &View::Hide); },
            [](Torture &t, Host &h, int, int) { t.notify(h); },
            [](Torture &t, Host &h, int, int) { t.notify(h); },
            [](Torture &t, Host &h, int, int) { t.call(h, &View::Destroy); },
            [](Torture &t, Host &h, int, int depth) { t.command(h, depth); },
            [](Torture &t, Host &h, int, int depth) { t.command(h, depth); },
            [](Torture &t, Host &h, int, int depth) { t.command(h, depth); },
            [](Torture &, Host &h, int, int) { closeWindow(h.view.get()); },
            [](Torture &t, Host &, int slot, int) { t.releaseHost(slot); },
            [](Torture &t, Host &h, int, int) { t.hostSide(h); },
            [](Torture &, Host &h, int, int) { loseRenderer(h.view.get()); },
            [](Torture &t, Host &, int, int) { t.m_browsers.failCreate = t.m_rng() % 3 == 0; },
        };
        kActions[m_rng() % std::size(kActions)](*this, *m_hosts[slot], slot, depth);
    }

    /// Runs `call` as a call of `host` into its view.
    template<typename Call> static HRESULT busy(Host &host, Call call)
    {
        ++host.busy;
        const HRESULT hr = call();
        --host.busy;
        return hr;
    }

    template<typename Call> void viewCall(Host &host, Call call)
    {
        std::int32_t result = -1;
        busy(host, [&] { return call(host.view.get(), &result); });
        EXPECT_EQ(result, 0) << where() << ": a View call's result";
    }

    /// Attached anew, and mostly shown again at once.
    void attachAndShow(Host &host)
    {
        ComPtr<AppItemManager> itemManager = host.model.itemManager();
        const std::int32_t handle = 1 + std::int32_t(m_rng() % 9);
        viewCall(host, [&](View *v, std::int32_t *r) {
            return v->SetAppletItemManagRef(handle, itemManager.get(), r);
        });
        host.model.attachView(host.view.get());
        if (m_rng() % 4)
            call(host, &View::Show);
    }

    void call(Host &host, HRESULT (View::*operation)(std::int32_t *))
    {
        viewCall(host, [&](View *v, std::int32_t *r) { return (v->*operation)(r); });
    }

    /// Any handle, any state; often the upload's own item with a progress.
    void notify(Host &host)
    {
        std::int32_t handle = component(host.view.get())->uploadItem();
        if (m_rng() % 3 == 0)
            handle = std::int32_t(m_rng() % 40) - 2;
        if (m_rng() % 2)
            host.model.setUploadProgress(m_rng() % 2 ? 100 : std::int32_t(m_rng() % 101));
        const std::int32_t state = m_rng() % 3 == 0 ? std::int32_t(m_rng()) : 0;
        viewCall(host, [&](View *v, std::int32_t *r) {
            return v->NotifyChanged(handle, m_rng() % 2 ? VARIANT_TRUE : VARIANT_FALSE, state,
                                    std::int32_t(m_rng()), r);
        });
    }

    /// What the host does on its own: its device, its upload, its sink.
    void hostSide(Host &host)
    {
        switch (m_rng() % 4) {
        case 0:
            return host.model.advanceUpload(std::int32_t(m_rng() % 101));
        case 1:
            return host.model.setConnected(!host.model.isConnected());
        case 2:
            return void(host.automation->Advise(m_rng() % 2 ? host.sink.get() : nullptr));
        }
        // The fake browser reports the PDF at once, from inside the call.
        const BStr pdf(QDir(m_folder).filePath("page.pdf"));
        busy(host, [&] { return host.automation->PrintToPdf(pdf.get()); });
    }

    /// Runs a window command. Should it wait (an upload), the sequence goes
    /// on inside the wait and then does one thing that must end it.
    void command(Host &host, int depth)
    {
        const char *name = kCommands[m_rng() % std::size(kCommands)];
        if (m_rng() % 3 == 0)
            name = m_rng() % 2 ? "scrShadow" : "ShowDeviceReport";
        // The host's reference may go during the wait; the call holds on to
        // the object it was made on, as any caller does.
        clsQuiravel *view = component(host.view.get());
        IQuiravelAutomation *automation = host.automation.get();
        const int frame = ++m_frames;
        const int boxesBefore = m_openBoxes;
        m_commandStack.push_back(frame);

        QTimer inner;
        QTimer watchdog;
        inner.setSingleShot(true);
        int ticks = 0;
        std::string ending;
        // Timers fire in whichever loop runs: only the innermost command's own
        // wait acts for it.
        QObject::connect(&inner, &QTimer::timeout, [&] {
            // Nor does it act from a box the command opened before its wait.
            if (m_commandStack.back() != frame || m_openBoxes > boxesBefore) {
                inner.start(0);
                return;
            }
            if (depth < kMaxDepth)
                steps(depth + 1, int(m_rng() % 6));
            ending = endWait(host, view);
            watchdog.start(0);
        });
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (m_commandStack.back() != frame || m_openBoxes > boxesBefore)
                return;
            if (++ticks == kHangTicks) {
                ADD_FAILURE() << where() << ": the wait of " << name << " went on after " << ending;
                closeWindow(view);
            } else if (ticks > 10 * kHangTicks) {
                qFatal("lifecycle torture: %s hangs in %s", where().c_str(), name);
            }
        });
        inner.start(0);

        const HRESULT hr = busy(host, [&] { return runCommand(automation, name); });
        inner.stop();
        watchdog.stop();
        m_commandStack.pop_back();
        if (std::string_view(name) == "NoSuchCommand") {
            EXPECT_EQ(hr, E_INVALIDARG) << where();
        }
    }

    /// One thing that ends an upload's wait by contract; says which.
    std::string endWait(Host &host, clsQuiravel *view)
    {
        const bool held = std::find(m_hosts.begin(), m_hosts.end(), &host) != m_hosts.end();
        const unsigned choice = held ? m_rng() % 4 : 0;
        std::int32_t result = 0;
        switch (choice) {
        case 0:
            closeWindow(view);
            return "the close box";
        case 1:
            busy(host, [&] { return view->Destroy(&result); });
            return "Destroy";
        case 2:
            if (host.model.uploadRunning()) {
                host.model.advanceUpload(100);
                return "the host's upload reaching 100";
            }
            [[fallthrough]];
        default:
            host.model.setUploadProgress(100);
            busy(host, [&] { return view->NotifyChanged(view->uploadItem(), VARIANT_FALSE, 0, 0, &result); });
            return "NotifyChanged with progress 100";
        }
    }

    void check()
    {
        for (const std::unique_ptr<Host> &host : m_all) {
            expectHostLetGo(host->model, where());
            EXPECT_EQ(host->sink.detach()->Release(), 0u) << where() << ": a view kept its host's sink";
        }
        EXPECT_EQ(DllCanUnloadNow(), S_OK) << where() << ": an object of the module is still alive";
        for (QWidget *widget : QApplication::topLevelWidgets())
            EXPECT_EQ(qobject_cast<frmQuiravel *>(widget), nullptr)
                << where() << ": a window outlived its view";
    }

    const std::uint32_t m_seed;
    std::mt19937 m_rng;
    const QString m_folder;
    /// The browser engine: broken (creation fails) for stretches of a sequence.
    FakeBrowserRegistration &m_browsers;
    std::array<Host *, kSlots> m_hosts{};
    /// Every host of the sequence, kept until the end for its checks.
    std::vector<std::unique_ptr<Host>> m_all;
    std::vector<int> m_commandStack;
    int m_frames = 0;
    /// Real message boxes open, each in its own loop.
    int m_openBoxes = 0;
    int m_depth = 0;
};

// The sequence running, for the sanitizer's report: it ends the process
// before the test can say which seed failed.
std::uint32_t runningSeed = 0;

void nameRunningSeed()
{
    std::fprintf(stderr,
                 "lifecycle torture: failed at seed %u (rerun it alone with QUIRAVEL_TORTURE_SEED=%u)\n",
                 runningSeed, runningSeed);
}

} // namespace

TEST(lifecycle_torture_test, random_lifecycles_end_release_everything_and_let_the_module_unload)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScopedEnv env("LC_ALL", "en_US.UTF-8");
    env.set("QUIRAVEL_REGISTRY", dir.filePath("registry.reg").toUtf8());
    for (int slot = 0; slot < kSlots; ++slot) {
        const QDir folder(dir.filePath(QString("host%1").arg(slot)));
        ASSERT_TRUE(folder.mkpath("."));
        writeBytes(folder.filePath("Pump001.HTM"),
                   "<html><title>#DATE#</title><p>#VALUE#</p><p>#OWNER#</p></html>\r\n");
        writeBytes(folder.filePath("device.db"), "");
    }
    FakeBrowserRegistration browsers;
    // The offscreen platform warns of every window it shows; thousands of
    // them would bury a failure.
    static QtMessageHandler qtHandler = nullptr;
    qtHandler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.contains(QLatin1StringView("propagateSizeHints")))
                qtHandler(type, context, text);
        });
    const auto restoreQtHandler = qScopeGuard([] { qInstallMessageHandler(qtHandler); });

    Torture *current = nullptr;
    const MessageHandler previous = setMessageHandler(
        [&](const MessageRequest &request) { return current ? current->answerBox(request) : vbOK; });

#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(nameRunningSeed);
#endif
    const QByteArray one = qgetenv("QUIRAVEL_TORTURE_SEED");
    const std::uint32_t first = one.isEmpty() ? kFirstSeed : one.toUInt();
    const int count = !one.isEmpty() ? 1
                      : qEnvironmentVariableIsSet("QUIRAVEL_TORTURE_SEQUENCES")
                          ? qEnvironmentVariableIntValue("QUIRAVEL_TORTURE_SEQUENCES")
                          : kDefaultSequences;
    int sequences = 0;
    for (std::uint32_t seed = first; seed < first + std::uint32_t(count); ++seed) {
        runningSeed = seed;
        Torture torture(seed, dir.path(), browsers);
        current = &torture;
        torture.run();
        current = nullptr;
        ++sequences;
        if (::testing::Test::HasFailure()) {
            nameRunningSeed();
            break;
        }
    }
    setMessageHandler(previous);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(nullptr);
#endif
    std::cout << "lifecycle torture: " << sequences << " sequences from seed " << first << "\n";
    EXPECT_EQ(sequences, count);
}
