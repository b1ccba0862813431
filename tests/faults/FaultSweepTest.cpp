// Every host operation that a user-visible flow calls, answered in turn with
// each kind of fault a host can give: the flow ends as the host contract
// says, and nothing crashes, hangs, stays open or outlives the host.
#include "component/clsQuiravel.h"
#include "frame/DeviceModel.h"
#include "platform/BStr.h"
#include "platform/ComObject.h"
#include "platform/MessageBox.h"
#include "resources/Toolkit_LoadResource.h"
#include "tests/support/FakeBrowser.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/frmQuiravel.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <vector>

namespace {

enum class Fault { None, Failure, ErrorFlag, NullObject, EmptyText };
const char *const kFaultNames[] = {"none", "failure status", "error flag", "null object", "empty text"};
constexpr HRESULT kInjectedStatus = E_ACCESSDENIED;
// An upload the host never ends is waited for until the user closes the window.
constexpr int kUploadBoundMs = 300;

/// How each host operation can answer besides a failure status.
struct Operation
{
    const char *name;
    bool errorFlag;
    bool object; ///< hands out an object or array
    bool text;   ///< hands out text
};
constexpr Operation kOperations[] = {
    {"ReleaseView", true, false, false},         {"GetDeviceDescription", false, true, false},
    {"GetFunctionControl", false, true, false},  {"OpenItem", true, false, false},
    {"CloseItem", true, false, false},           {"GetItemQuad", true, false, false},
    {"GetItemLong", true, false, false},         {"GetItemString", true, false, true},
    {"GetDeviceEntry", true, false, true},       {"GetSettingEntry", true, false, true},
    {"GetSectionCount", true, false, false},     {"GetFirstEntry", true, false, false},
    {"GetNextEntry", true, false, false},        {"FindDefinition", true, false, false},
    {"GetEntryName", true, false, true},         {"GetObjectDefinition", true, false, true},
    {"GetEnumerationEntries", true, true, true}, {"StartFunction", true, false, false},
    {"LoadDatabase", true, false, false},
};

const Operation *operationNamed(const QString &name)
{
    for (const Operation &op : kOperations)
        if (name == QLatin1StringView(op.name))
            return &op;
    return nullptr;
}

bool applies(const Operation &op, Fault fault)
{
    switch (fault) {
    case Fault::Failure:
        return true;
    case Fault::ErrorFlag:
        return op.errorFlag;
    case Fault::NullObject:
        return op.object;
    case Fault::EmptyText:
        return op.text;
    case Fault::None:
        break;
    }
    return false;
}

void inject(DeviceModel &model, const Operation &op, Fault fault)
{
    const QString name = QString::fromLatin1(op.name);
    switch (fault) {
    case Fault::Failure:
        return model.failOperation(name, kInjectedStatus);
    case Fault::ErrorFlag:
        return model.setErrorFlag(name, 5);
    case Fault::NullObject:
        return model.answerNull(name);
    case Fault::EmptyText:
        return model.answerEmpty(name);
    case Fault::None:
        break;
    }
}

const QStringList kTemplate{"<p>#FLOW#</p>", "<p>#MODE#</p>", "<p>#VENDOR#</p>", "<p>#VALUE#</p>"};

void describeDevice(DeviceModel &model, const QString &dir)
{
    model.setCallLogEnabled(true);
    model.setSettingEntry("PRINTTEMPLATEFILE", "Pump.htm");
    model.setDescriptionPath(QDir(dir).filePath("Pump.kqd"));
    model.setDeviceEntry("VENDOR", "Acme");
    const ObjectDefinition mode{"ModeType", 1, 0, 4, "ModeEnum"};
    model.addObject("FLOW", {"Float", 4, 0, 0, {}});
    model.addObject("MODE", mode);
    model.defineObject("ModeType", mode);
    model.defineEnumeration("ModeEnum", {{{1, "Auto"}, {2, "Manual"}}, 0});
    model.setApplicationValue("FLOW", "12.5");
    model.setApplicationValue("MODE", "1");
    model.setDeviceValue("FLOW", "13.1");
    model.setDeviceValue("MODE", "2");
    model.setDatabase(QDir(dir).filePath("pump.db"), {{"FLOW", "11.8"}, {"MODE", "2"}});
    model.setConnected(true);
    model.setUploadMilliseconds(0);
}

HRESULT runCommand(View *view, const char *name)
{
    ComPtr<IQuiravelAutomation> automation =
        ComPtr<View>(view).query<IQuiravelAutomation>(IID_IQuiravelAutomation);
    if (!automation)
        return E_NOINTERFACE;
    return automation->RunCommand(BStr(QString::fromLatin1(name)).get());
}

/// The host's end of its progress reports: passes them on to the view and
/// keeps what each answered.
class HostReports final : public ComDispatchObject<HostReports, View>
{
public:
    explicit HostReports(View *view) : m_view(view) {}
    ~HostReports() = default;

    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return queryOne<View>(riid, object, {IID_IDispatch, IID_View});
    }
    HRESULT SetAppletItemManagRef(std::int32_t, AppItemManager *, std::int32_t *) override
    {
        return E_NOTIMPL;
    }
    HRESULT Show(std::int32_t *) override { return E_NOTIMPL; }
    HRESULT Hide(std::int32_t *) override { return E_NOTIMPL; }
    HRESULT Destroy(std::int32_t *) override { return E_NOTIMPL; }
    HRESULT NotifyChanged(std::int32_t item, VARIANT_BOOL shadow, std::int32_t state, std::int32_t user,
                          std::int32_t *result) override
    {
        ++reporting;
        const HRESULT hr = m_view->NotifyChanged(item, shadow, state, user, result);
        --reporting;
        results.append(hr);
        return hr;
    }

    int reporting = 0; ///< reports in progress
    QList<HRESULT> results;

private:
    ComPtr<View> m_view;
};

enum class Stage { Created, Attached, Shown, Uploaded };
enum class Page { None, PrintFile, Report, Document };

struct Flow
{
    const char *name;
    Stage stage;   ///< how far the view is taken before the flow
    Page page;     ///< what the flow produces
    bool viewCall; ///< the result is a View call's, not a menu command's
    bool prompts;  ///< asks to overwrite the application data
    bool uploads;  ///< may wait for an upload
    std::function<HRESULT(View *, DeviceModel &)> run;
};

std::function<HRESULT(View *, DeviceModel &)> command(const char *name)
{
    return [name](View *view, DeviceModel &) { return runCommand(view, name); };
}

const Flow kFlows[] = {
    {"attach", Stage::Created, Page::None, true, false, false,
     [](View *view, DeviceModel &model) {
         std::int32_t result = 0;
         return view->SetAppletItemManagRef(7, model.itemManager().get(), &result);
     }},
    {"Show", Stage::Attached, Page::PrintFile, true, false, false,
     [](View *view, DeviceModel &) {
         std::int32_t result = 0;
         return view->Show(&result);
     }},
    {"srcValue", Stage::Shown, Page::PrintFile, false, false, false, command("srcValue")},
    {"scrDatabase", Stage::Shown, Page::PrintFile, false, true, false, command("scrDatabase")},
    {"scrShadow", Stage::Shown, Page::PrintFile, false, true, true, command("scrShadow")},
    {"application report", Stage::Shown, Page::Report, false, false, false, command("ShowApplicationReport")},
    {"database report", Stage::Shown, Page::Report, false, false, false, command("ShowDatabaseReport")},
    {"device report", Stage::Shown, Page::Report, false, false, true, command("ShowDeviceReport")},
    {"Drucken_m", Stage::Shown, Page::Document, false, false, false, command("Drucken_m")},
    {"Druckvorschau_m", Stage::Shown, Page::Document, false, false, false, command("Druckvorschau_m")},
    {"NotifyChanged", Stage::Uploaded, Page::None, true, false, false,
     [](View *view, DeviceModel &) {
         // The upload item of the last Device command, as a late host report names it.
         std::int32_t result = 0;
         return view->NotifyChanged(static_cast<clsQuiravel *>(view)->uploadItem(), VARIANT_FALSE, 0, 0,
                                    &result);
     }},
    {"Destroy", Stage::Shown, Page::None, true, false, false,
     [](View *view, DeviceModel &) {
         std::int32_t result = 0;
         return view->Destroy(&result);
     }},
};

struct Outcome
{
    HRESULT result = S_OK;
    QStringList messages;
    std::optional<QStringList> page; ///< the print file or report, when written
    struct Call
    {
        QString operation;
        bool generating = false; ///< while the page was generated
        bool reported = false;   ///< inside a progress report of the host's
    };
    QList<Call> calls;
    QList<HRESULT> reportResults; ///< what the host's progress reports answered
    qsizetype executed = 0;       ///< print or preview commands the browser ran
    bool closedByUser = false;    ///< the upload wait ran into its bound
};

} // namespace

class fault_sweep_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env.set("LC_ALL", "en_US.UTF-8");
        env.set("QUIRAVEL_REGISTRY", QDir(dir.path()).filePath("registry.reg").toUtf8());
        m_previousHandler = setMessageHandler([this](const MessageRequest &request) {
            messages.append(request.text);
            return vbOK;
        });
        browsers.setup = [](FakeBrowser &browser) {
            browser.statusFlags[OLECMDID_PRINT] = OLECMDF_ENABLED;
            browser.statusFlags[OLECMDID_PRINTPREVIEW] = OLECMDF_ENABLED;
        };
        QFile t(path("Pump001.HTM"));
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write(kTemplate.join("\r\n").toLatin1() + "\r\n");
    }
    void TearDown() override { setMessageHandler(m_previousHandler); }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    /// One flow on a fresh host and view, with the `call`th call (from 1) of
    /// `faulted`'s first operation answering `fault`, or with every call of
    /// every operation in `faulted` doing so when `call` is 0.
    Outcome run(const Flow &flow, const QList<const Operation *> &faulted, Fault fault, int call = 0)
    {
        Outcome out;
        DeviceModel model;
        describeDevice(model, dir.path());
        ComPtr<View> view;
        EXPECT_EQ(clsQuiravel::create(IID_View, view.putVoid()), S_OK);
        auto *component = static_cast<clsQuiravel *>(view.get());
        ComPtr<HostReports> reports = ComPtr<HostReports>::adopt(new HostReports(view.get()));
        model.attachView(reports.get());
        std::int32_t result = 0;
        if (flow.stage >= Stage::Attached) {
            EXPECT_EQ(view->SetAppletItemManagRef(7, model.itemManager().get(), &result), S_OK);
        }
        if (flow.stage >= Stage::Shown) {
            EXPECT_EQ(view->Show(&result), S_OK);
            browsers.last->raise("NavigateComplete2"); // offers Print Preview
        }
        if (flow.stage >= Stage::Uploaded) {
            EXPECT_EQ(runCommand(view.get(), "scrShadow"), S_OK);
        }
        const QString written = path(flow.page == Page::Report ? "REPORT.HTM" : "PumpPRN.HTM");
        QFile::remove(written);
        messages.clear();
        const qsizetype executedBefore = browsers.last ? browsers.last->execCalls.size() : 0;
        const qsizetype reportsBefore = reports->results.size();

        const QString generating = GetLocalString(1138);
        int seen = 0;
        QObject::connect(&model, &DeviceModel::called, &model, [&](const HostCall &made) {
            frmQuiravel *window = component->window();
            out.calls.append(
                {made.operation, window && window->statusText() == generating, reports->reporting > 0});
            if (call == 0 || made.operation != QLatin1StringView(faulted.front()->name))
                return;
            // A fault of one call: the host answers the calls after it as usual.
            if (++seen == call)
                model.clearFaults();
            else if (seen == call - 1)
                inject(model, *faulted.front(), fault);
        });
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (std::exchange(out.closedByUser, true)) {
                ADD_FAILURE() << "the upload wait outlived its window";
                QCoreApplication::exit(1);
            } else if (frmQuiravel *window = component->window()) {
                window->close();
            }
        });
        watchdog.start(kUploadBoundMs);
        for (const Operation *op : faulted)
            if (call <= 1)
                inject(model, *op, fault);
        out.result = flow.run(view.get(), model);
        watchdog.stop();
        model.clearFaults();
        QObject::disconnect(&model, &DeviceModel::called, &model, nullptr);

        out.messages = messages;
        out.reportResults = reports->results.mid(reportsBefore);
        if (QFile f(written); f.open(QIODevice::ReadOnly)) {
            out.page = QString::fromLatin1(f.readAll()).split("\r\n");
            out.page->removeLast();
        }
        if (browsers.last)
            out.executed = browsers.last->execCalls.size() - executedBefore;

        // Left as a host leaves it: the view destroyed and released.
        view->Destroy(&result);
        model.attachView(nullptr);
        reports.reset();
        EXPECT_EQ(view.detach()->Release(), 0u) << "the component outlived its host";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(model.liveObjects(), 0) << "a host object was not released";
        expectEachOpenedItemClosedOnce(model.calls());
        return out;
    }

    static void expectEachOpenedItemClosedOnce(const QList<HostCall> &calls)
    {
        // Vectors: Qt's comparison of two empty lists trips the undefined-behaviour check.
        std::vector<std::int32_t> opened;
        std::vector<std::int32_t> closed;
        for (const HostCall &call : calls) {
            if (call.operation == "OpenItem" && call.status == S_OK && call.error == 0)
                opened.push_back(call.itemHandle);
            else if (call.operation == "CloseItem")
                closed.push_back(call.arguments.section("handle=", 1).section(',', 0, 0).toInt());
        }
        // The close that follows a refused open names no item.
        closed.erase(std::remove(closed.begin(), closed.end(), 0), closed.end());
        std::sort(opened.begin(), opened.end());
        std::sort(closed.begin(), closed.end());
        EXPECT_EQ(closed, opened) << "an item was left open or closed twice";
    }

    /// The outcome of `fault` on `op` against the flow's clean run.
    void expectDocumented(const Flow &flow, const Operation *op, Fault fault, const Outcome::Call &call,
                          const Outcome &clean, const Outcome &out) const
    {
        // A failure status ends the step; so does an object the host did not hand out.
        // Filling a page runs with failures suppressed: only the line or report is cut short.
        // A failure in the host's own progress report is that report's answer.
        const bool whileGenerating = call.generating;
        const bool stops = (fault == Fault::Failure || fault == Fault::NullObject) && !call.reported;
        if (call.reported && fault == Fault::Failure) {
            EXPECT_TRUE(out.reportResults.contains(kInjectedStatus))
                << "the host's report hears of its failure";
        } else {
            EXPECT_FALSE(std::any_of(out.reportResults.begin(), out.reportResults.end(),
                                     [](HRESULT hr) { return FAILED(hr); }));
        }

        if (!flow.viewCall)
            EXPECT_EQ(out.result, S_OK) << "a menu command ends silently";
        else if (stops && !whileGenerating && fault == Fault::Failure)
            EXPECT_EQ(out.result, kInjectedStatus) << "the failure is the View call's result";
        else if (stops && !whileGenerating)
            EXPECT_LT(out.result, 0) << "a missing host object fails the View call";
        else
            EXPECT_EQ(out.result, S_OK);

        QStringList documented;
        if (fault == Fault::ErrorFlag && op && QLatin1StringView(op->name) == "LoadDatabase")
            documented << GetLocalString(1131);
        if (fault == Fault::ErrorFlag && op && QLatin1StringView(op->name) == "GetItemQuad")
            documented << GetLocalString(1132);
        for (const QString &text : documented)
            EXPECT_TRUE(out.messages.contains(text)) << "missing message " << text.toStdString();
        const bool reportError = flow.page == Page::Report && stops && whileGenerating;
        bool reportedError = false;
        for (const QString &text : out.messages) {
            const bool error = flow.page == Page::Report && text.startsWith("Error :");
            reportedError |= error;
            EXPECT_TRUE(documented.contains(text) || (flow.prompts && text == GetLocalString(1142)) ||
                        (error && (reportError || !stops)))
                << "unexpected message " << text.toStdString();
        }
        if (reportError) {
            EXPECT_TRUE(reportedError) << "a report cut short says why";
        }
        if (out.closedByUser) {
            EXPECT_TRUE(flow.uploads) << "only an upload is waited for";
        }
        if (flow.page == Page::Document) {
            EXPECT_EQ(out.executed, 1) << "printing needs nothing of the host";
        } else if (flow.page == Page::PrintFile && stops && !whileGenerating) {
            EXPECT_FALSE(out.page) << "the command stopped before the page";
        } else if (flow.page == Page::PrintFile && stops) {
            ASSERT_TRUE(out.page && clean.page);
            ASSERT_EQ(out.page->size(), kTemplate.size());
            bool leftAsRead = false;
            for (qsizetype i = 0; i < kTemplate.size(); ++i) {
                EXPECT_TRUE(out.page->at(i) == clean.page->at(i) || out.page->at(i) == kTemplate.at(i))
                    << "line " << i << ": " << out.page->at(i).toStdString();
                leftAsRead |= out.page->at(i) == kTemplate.at(i) && clean.page->at(i) != kTemplate.at(i);
            }
            EXPECT_TRUE(leftAsRead) << "the line whose tag failed is written as read";
        } else if (flow.page == Page::PrintFile && out.page) {
            EXPECT_EQ(out.page->size(), kTemplate.size()) << "every template line is written";
        } else if (flow.page == Page::Report && stops && !whileGenerating) {
            EXPECT_FALSE(out.page) << "the command stopped before the report";
        } else if (flow.page == Page::Report && out.page) {
            EXPECT_LE(out.page->size(), clean.page->size());
        }
    }

    QTemporaryDir dir;
    ScopedEnv env;
    FakeBrowserRegistration browsers;
    QStringList messages;

private:
    MessageHandler m_previousHandler;
};

TEST_F(fault_sweep_test, every_host_call_of_every_flow_answers_every_fault_as_documented)
{
    const Fault faults[] = {Fault::Failure, Fault::ErrorFlag, Fault::NullObject, Fault::EmptyText};
    int operations = 0;
    int calls = 0;
    int cases = 0;
    int hostFreeCases = 0;
    int closedByUser = 0;
    int emptyShown = 0;
    for (const Flow &flow : kFlows) {
        SCOPED_TRACE(flow.name);
        const Outcome clean = run(flow, {}, Fault::None);
        EXPECT_EQ(clean.result, S_OK);
        EXPECT_FALSE(clean.closedByUser);
        for (const QString &text : clean.messages)
            EXPECT_TRUE(flow.prompts && text == GetLocalString(1142)) << text.toStdString();
        if (flow.page == Page::PrintFile) {
            ASSERT_TRUE(clean.page);
            for (qsizetype i = 0; i < kTemplate.size(); ++i)
                EXPECT_NE(clean.page->value(i), kTemplate.at(i)) << "every tag is filled";
        }
        if (flow.page == Page::Report) {
            ASSERT_TRUE(clean.page);
        }

        // Each call of each operation in turn, counted per operation.
        QHash<QString, int> callsOf;
        for (const Outcome::Call &made : clean.calls) {
            const QString &name = made.operation;
            const Operation *op = operationNamed(name);
            ASSERT_TRUE(op) << "an operation the sweep does not know: " << name.toStdString();
            const int call = ++callsOf[name];
            operations += call == 1;
            ++calls;
            for (const Fault fault : faults) {
                if (!applies(*op, fault))
                    continue;
                SCOPED_TRACE(QStringLiteral("%1 call %2: %3")
                                 .arg(name)
                                 .arg(call)
                                 .arg(kFaultNames[int(fault)])
                                 .toStdString());
                const Outcome out = run(flow, {op}, fault, call);
                expectDocumented(flow, op, fault, made, clean, out);
                closedByUser += out.closedByUser;
                emptyShown += fault == Fault::EmptyText && out.page && clean.page && *out.page != *clean.page;
                ++cases;
            }
        }
        // A flow that needs nothing of the host must not notice it failing:
        // every operation faults at once.
        if (clean.calls.isEmpty()) {
            EXPECT_EQ(flow.page, Page::Document) << "the flow recorded no host operation";
            for (const Fault fault : faults) {
                QList<const Operation *> faulted;
                for (const Operation &op : kOperations)
                    if (applies(op, fault))
                        faulted.append(&op);
                SCOPED_TRACE(std::string("every operation: ") + kFaultNames[int(fault)]);
                expectDocumented(flow, nullptr, fault, {}, clean, run(flow, faulted, fault));
                ++hostFreeCases;
            }
        }
    }
    std::cout << "fault sweep: " << std::size(kFlows) << " flows, " << operations << " flow operations at "
              << calls << " calls x 4 faults where they apply = " << cases << " cases, plus " << hostFreeCases
              << " with every operation faulted in the flows that call none; " << closedByUser
              << " upload waits ended by closing the window" << std::endl;
    EXPECT_GT(cases, 0) << "the sweep exercised nothing";
    EXPECT_GT(emptyShown, 0) << "no empty answer reached a page";
}
