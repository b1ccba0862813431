// Random lifecycles: two or three views in one process, each with its own
// in-memory host and event sink, driven through every View call, the window's
// commands, its close box and the host letting go, in any order, also inside
// an upload's wait and inside the host's own callbacks. Every sequence must
// end, release every object and close every host item it opened, and the
// module must be able to unload after it.
//
// A failure names the seed of its sequence. QUIRAVEL_TORTURE_SEED=N runs that
// sequence alone; QUIRAVEL_TORTURE_SEQUENCES=N runs N sequences from the
// first default seed instead of the default count.
#include "component/Exports.h"
#include "contract/Quiravel.h"
#include "tests/component/ComponentFixture.h"

#include "platform/BStr.h"
#include "viewer/frmQuiravel.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <random>
#include <vector>

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

class Torture;

/// A host's sink: answers every message box at random and, now and then,
/// lets the host act again from inside the callback.
class TortureSink final : public IQuiravelEvents
{
public:
    explicit TortureSink(Torture *torture) : m_torture(torture) {}

    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IQuiravelEvents)
            return E_NOINTERFACE;
        *object = static_cast<IQuiravelEvents *>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refCount; }
    ULONG Release() override
    {
        const ULONG count = --m_refCount;
        if (count == 0)
            delete this;
        return count;
    }
    HRESULT OnPageLoaded(BSTR, VARIANT_BOOL) override { return S_OK; }
    HRESULT OnMessage(BSTR, BSTR, std::int32_t, std::int32_t *answer) override;
    HRESULT OnPdfFinished(BSTR, VARIANT_BOOL) override;

private:
    Torture *m_torture;
    ULONG m_refCount = 1;
};

/// One host frame: its device, the view it created and its sink.
struct Host
{
    std::unique_ptr<DeviceModel> model;
    ComPtr<View> view;
    ComPtr<IQuiravelAutomation> automation;
    ComPtr<TortureSink> sink;
    /// Calls of this host into its view that have not returned yet.
    int busy = 0;
};

class Torture
{
public:
    Torture(std::uint32_t seed, const QString &folder) : m_seed(seed), m_rng(seed), m_folder(folder) {}

    void run()
    {
        const int initial = 2 + int(m_rng() % 2);
        for (int slot = 0; slot < initial; ++slot)
            createHost(slot);
        for (int i = 0; i < kStepsPerSequence && !::testing::Test::HasFatalFailure(); ++i)
            step(0);
        // The survivors go in any order, some after Destroy, some without.
        std::array<int, kSlots> order{0, 1, 2};
        std::shuffle(order.begin(), order.end(), m_rng);
        for (int slot : order) {
            if (m_hosts[slot] && m_rng() % 2)
                destroy(*m_hosts[slot]);
            releaseHost(slot);
        }
        // Windows unloaded by the views are deleted later; let that happen.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        check();
    }

    /// The sink's callback: answers, and sometimes acts first.
    HRESULT onMessage(std::int32_t *answer)
    {
        ++messages;
        if (m_depth < kMaxDepth && m_rng() % 3 == 0)
            steps(m_depth + 1, 1 + int(m_rng() % 3));
        switch (m_rng() % 4) {
        case 0:
            *answer = vbOK;
            return S_OK;
        case 1:
            *answer = vbCancel;
            return S_OK;
        case 2:
            return S_FALSE;
        default:
            return E_FAIL;
        }
    }

    /// The sink hears of a PDF; the host may act before it answers.
    void onPdfFinished()
    {
        if (m_depth < kMaxDepth && m_rng() % 2)
            steps(m_depth + 1, 1 + int(m_rng() % 3));
    }

    /// The process's message box service, for views without a sink.
    MsgResult answerBox()
    {
        ++messages;
        return m_rng() % 2 ? vbOK : vbCancel;
    }

    // What the sequence did, for the test's summary.
    int calls = 0;
    int commandsRun = 0;
    int commandsRefused = 0;
    int messages = 0;
    int waits = 0;
    int nested = 0;

private:
    static clsQuiravel *component(View *view) { return static_cast<clsQuiravel *>(view); }

    std::string where() const { return "seed " + std::to_string(m_seed); }

    QString slotFolder(int slot) const { return QDir(m_folder).filePath(QStringLiteral("host%1").arg(slot)); }

    void createHost(int slot)
    {
        auto host = std::make_unique<Host>();
        host->model = std::make_unique<DeviceModel>();
        DeviceModel &model = *host->model;
        const QString folder = slotFolder(slot);
        model.setCallLogEnabled(true);
        model.setSettingEntry("PRINTTEMPLATEFILE", "Pump.htm");
        model.setDescriptionPath(QDir(folder).filePath("Pump.kqd"));
        model.setApplicationValue("VALUE", "1.5");
        model.setDeviceValue("VALUE", "2.5");
        model.setConnected(m_rng() % 4 != 0);
        model.setUploadMilliseconds(1000 * 1000); // steps only when the sequence says so
        const QString database = QDir(folder).filePath("device.db");
        model.setDatabase(m_rng() % 2 ? database : QString(), {{"VALUE", "3.5"}});

        ComPtr<IClassFactory> factory;
        ASSERT_EQ(DllGetClassObject(CLSID_clsQuiravel, IID_IClassFactory, factory.putVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_View, host->view.putVoid()), S_OK);
        host->automation = host->view.query<IQuiravelAutomation>(IID_IQuiravelAutomation);
        ASSERT_TRUE(host->automation);
        host->sink = ComPtr<TortureSink>::adopt(new TortureSink(this));
        if (m_rng() % 4 != 0)
            host->automation->Advise(host->sink.get());
        m_hosts[slot] = host.get();
        m_all.push_back(std::move(host));
        // Most hosts show their view at once, as a frame does.
        if (m_rng() % 4 != 0) {
            attach(*m_hosts[slot]);
            if (m_rng() % 4 != 0)
                viewCall(*m_hosts[slot], [](View *v, std::int32_t *r) { return v->Show(r); });
        }
    }

    /// The host lets go of its view: its own reference and its model's.
    void releaseHost(int slot)
    {
        Host *host = std::exchange(m_hosts[slot], nullptr);
        if (!host)
            return;
        host->model->attachView(nullptr);
        host->automation.reset();
        const ULONG left = host->view.detach()->Release();
        // A call of this host still running keeps the view until it returns.
        if (host->busy == 0) {
            EXPECT_EQ(left, 0u) << where() << ": the view outlived its host";
        }
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
        Host &host = *m_hosts[slot];
        ++calls;
        switch (m_rng() % 13) {
        case 0:
            // Attached anew, and mostly shown again at once.
            attach(host);
            if (m_rng() % 4 != 0)
                viewCall(host, [](View *v, std::int32_t *r) { return v->Show(r); });
            break;
        case 1:
        case 2:
            viewCall(host, [](View *v, std::int32_t *r) { return v->Show(r); });
            break;
        case 3:
            viewCall(host, [](View *v, std::int32_t *r) { return v->Hide(r); });
            break;
        case 4:
        case 5:
            notify(host);
            break;
        case 6:
            destroy(host);
            break;
        case 7:
        case 8:
        case 9:
            command(host, depth);
            break;
        case 10:
            if (frmQuiravel *window = component(host.view.get())->window())
                window->close();
            break;
        case 11:
            releaseHost(slot);
            break;
        default:
            hostSide(host);
            break;
        }
    }

    template<typename Call> HRESULT viewCall(Host &host, Call call)
    {
        std::int32_t result = -1;
        ++host.busy;
        const HRESULT hr = call(host.view.get(), &result);
        --host.busy;
        EXPECT_EQ(result, 0) << where() << ": a View call's result";
        return hr;
    }

    void attach(Host &host)
    {
        ComPtr<AppItemManager> itemManager = host.model->itemManager();
        const std::int32_t handle = 1 + std::int32_t(m_rng() % 9);
        viewCall(host, [&](View *v, std::int32_t *r) {
            return v->SetAppletItemManagRef(handle, itemManager.get(), r);
        });
        host.model->attachView(host.view.get());
    }

    void destroy(Host &host)
    {
        viewCall(host, [](View *v, std::int32_t *r) { return v->Destroy(r); });
    }

    /// Any handle, any state; often the upload's own item with a progress.
    void notify(Host &host)
    {
        std::int32_t handle = component(host.view.get())->uploadItem();
        if (m_rng() % 3 == 0)
            handle = std::int32_t(m_rng() % 40) - 2;
        if (m_rng() % 2)
            host.model->setUploadProgress(m_rng() % 2 ? 100 : std::int32_t(m_rng() % 101));
        const std::int32_t state = m_rng() % 3 == 0 ? std::int32_t(m_rng()) : 0;
        viewCall(host, [&](View *v, std::int32_t *r) {
            return v->NotifyChanged(handle, m_rng() % 2 ? VARIANT_TRUE : VARIANT_FALSE, state,
                                    std::int32_t(m_rng()), r);
        });
    }

    /// What the host does on its own: its device, its upload, its sink.
    void hostSide(Host &host)
    {
        switch (m_rng() % 5) {
        case 0:
            host.model->advanceUpload(std::int32_t(m_rng() % 101));
            break;
        case 1:
            host.model->setConnected(!host.model->isConnected());
            break;
        case 2:
            host.automation->Advise(m_rng() % 2 ? host.sink.get() : nullptr);
            break;
        case 3: {
            // The fake browser reports the PDF at once, from inside the call.
            const BStr pdf(QDir(m_folder).filePath(QStringLiteral("page.pdf")));
            ++host.busy;
            host.automation->PrintToPdf(pdf.get());
            --host.busy;
            break;
        }
        default:
            host.model->setUploadProgress(std::int32_t(m_rng() % 101));
            break;
        }
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
        m_commandStack.push_back(frame);

        QTimer inner;
        QTimer watchdog;
        inner.setSingleShot(true);
        int ticks = 0;
        std::string ending;
        // Timers fire in whichever loop runs: only the innermost command's own
        // wait acts for it.
        QObject::connect(&inner, &QTimer::timeout, [&] {
            if (m_commandStack.back() != frame) {
                inner.start(0);
                return;
            }
            ++waits;
            if (depth < kMaxDepth) {
                ++nested;
                steps(depth + 1, int(m_rng() % 6));
            }
            ending = endWait(host, view);
            watchdog.start(0);
        });
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (m_commandStack.back() != frame)
                return;
            if (++ticks == kHangTicks) {
                ADD_FAILURE() << where() << ": the wait of " << name << " went on after " << ending;
                if (frmQuiravel *window = view->window())
                    window->close();
            } else if (ticks > 10 * kHangTicks) {
                qFatal("lifecycle torture: %s hangs in %s", where().c_str(), name);
            }
        });
        inner.start(0);

        ++host.busy;
        const BStr text{QString::fromLatin1(name)};
        const HRESULT hr = automation->RunCommand(text.get());
        --host.busy;
        inner.stop();
        watchdog.stop();
        m_commandStack.pop_back();
        if (std::string_view(name) == "NoSuchCommand") {
            EXPECT_EQ(hr, E_INVALIDARG) << where();
        }
        ++(hr == S_OK ? commandsRun : commandsRefused);
    }

    /// One thing that ends an upload's wait by contract; says which.
    std::string endWait(Host &host, clsQuiravel *view)
    {
        const bool held = std::find(m_hosts.begin(), m_hosts.end(), &host) != m_hosts.end();
        const unsigned choice = held ? m_rng() % 4 : 0;
        std::int32_t result = 0;
        switch (choice) {
        case 0:
            if (frmQuiravel *window = view->window())
                window->close();
            return "the close box";
        case 1:
            ++host.busy;
            view->Destroy(&result);
            --host.busy;
            return "Destroy";
        case 2:
            if (host.model->uploadRunning()) {
                host.model->advanceUpload(100);
                return "the host's upload reaching 100";
            }
            [[fallthrough]];
        default:
            host.model->setUploadProgress(100);
            ++host.busy;
            view->NotifyChanged(view->uploadItem(), VARIANT_FALSE, 0, 0, &result);
            --host.busy;
            return "NotifyChanged with progress 100";
        }
    }

    void check()
    {
        for (const std::unique_ptr<Host> &host : m_all) {
            EXPECT_EQ(host->model->liveObjects(), 0) << where() << ": a host object was not released";
            EXPECT_TRUE(eachOpenedItemClosedOnce(*host->model)) << where();
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
    std::array<Host *, kSlots> m_hosts{};
    /// Every host of the sequence, kept until the end for its checks.
    std::vector<std::unique_ptr<Host>> m_all;
    std::vector<int> m_commandStack;
    int m_frames = 0;
    int m_depth = 0;
};

HRESULT TortureSink::OnPdfFinished(BSTR, VARIANT_BOOL)
{
    m_torture->onPdfFinished();
    return S_OK;
}

HRESULT TortureSink::OnMessage(BSTR, BSTR, std::int32_t, std::int32_t *answer)
{
    return m_torture->onMessage(answer);
}

// The sequence running, for the sanitizer's report: it ends the process
// before the test can say which seed failed.
std::uint32_t runningSeed = 0;

void nameRunningSeed()
{
    std::fprintf(stderr,
                 "lifecycle torture: failed at seed %u (rerun it alone with QUIRAVEL_TORTURE_SEED=%u)\n",
                 runningSeed, runningSeed);
}

std::vector<std::uint32_t> seeds()
{
    if (const QByteArray one = qgetenv("QUIRAVEL_TORTURE_SEED"); !one.isEmpty())
        return {one.toUInt()};
    int count = kDefaultSequences;
    if (const QByteArray n = qgetenv("QUIRAVEL_TORTURE_SEQUENCES"); !n.isEmpty())
        count = n.toInt();
    std::vector<std::uint32_t> list;
    for (int i = 0; i < count; ++i)
        list.push_back(kFirstSeed + std::uint32_t(i));
    return list;
}

} // namespace

TEST(lifecycle_torture_test, random_lifecycles_end_release_everything_and_let_the_module_unload)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScopedEnv env;
    env.set("LC_ALL", "en_US.UTF-8");
    env.set("QUIRAVEL_REGISTRY", QDir(dir.path()).filePath("registry.reg").toUtf8());
    for (int slot = 0; slot < kSlots; ++slot) {
        const QString folder = QDir(dir.path()).filePath(QStringLiteral("host%1").arg(slot));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile page(QDir(folder).filePath("Pump001.HTM"));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><title>#DATE#</title><p>#VALUE#</p><p>#OWNER#</p></html>\r\n");
        QFile database(QDir(folder).filePath("device.db"));
        ASSERT_TRUE(database.open(QIODevice::WriteOnly));
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
    const MessageHandler previous =
        setMessageHandler([&](const MessageRequest &) { return current ? current->answerBox() : vbOK; });

#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(nameRunningSeed);
#endif
    const std::vector<std::uint32_t> list = seeds();
    int sequences = 0;
    int calls = 0;
    int commandsRun = 0;
    int commandsRefused = 0;
    int messages = 0;
    int waits = 0;
    int nested = 0;
    for (std::uint32_t seed : list) {
        runningSeed = seed;
        Torture torture(seed, dir.path());
        current = &torture;
        torture.run();
        current = nullptr;
        ++sequences;
        calls += torture.calls;
        commandsRun += torture.commandsRun;
        commandsRefused += torture.commandsRefused;
        messages += torture.messages;
        waits += torture.waits;
        nested += torture.nested;
        if (::testing::Test::HasFailure()) {
            nameRunningSeed();
            break;
        }
    }
    setMessageHandler(previous);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(nullptr);
#endif
    std::cout << "lifecycle torture: " << sequences << " sequences, seeds " << list.front() << ".."
              << list.front() + std::uint32_t(sequences) - 1 << ", " << calls << " host actions, "
              << commandsRun << " commands run and " << commandsRefused << " refused, " << waits
              << " waits acted in (" << nested << " with nested steps), " << messages << " message boxes\n";
    EXPECT_EQ(sequences, int(list.size()));
}
