// SPDX-License-Identifier: Apache-2.0
// Every host operation that a user-visible flow calls, answered in turn with
// each kind of fault a host can give: the flow ends as the host contract
// says, and nothing crashes, hangs, stays open or outlives the host.
#include "contract/HostContract.h"
#include "platform/ComObject.h"
#include "tests/component/ComponentFixture.h"

#include <QLineEdit>

#include <functional>
#include <iostream>
#include <optional>

namespace {

enum class Fault { None, Failure, ErrorFlag, NullObject, EmptyText };
const char *const kFaultNames[] = {"none", "failure status", "error flag", "null object", "empty text"};
constexpr HRESULT kInjectedStatus = E_ACCESSDENIED;
// An upload the host never ends is waited for until the user closes the window.
constexpr int kUploadBoundMs = 300;

/// How each host operation can answer besides a failure status: a bit per Fault.
constexpr unsigned kFlag = 1u << int(Fault::ErrorFlag), kObject = 1u << int(Fault::NullObject),
                   kText = 1u << int(Fault::EmptyText);
struct Operation
{
    const char *name;
    unsigned faults;
    bool applies(Fault fault) const
    {
        return fault != Fault::None && ((faults | 1u << int(Fault::Failure)) & 1u << int(fault));
    }
};
// clang-format off
constexpr Operation kOperations[] = {
    {"ReleaseView", kFlag},           {"GetDeviceDescription", kObject},  {"GetFunctionControl", kObject},
    {"OpenItem", kFlag},              {"CloseItem", kFlag},               {"GetItemQuad", kFlag},
    {"GetItemLong", kFlag},           {"GetItemString", kFlag | kText},   {"GetDeviceEntry", kFlag | kText},
    {"GetSettingEntry", kFlag | kText}, {"GetSectionCount", kFlag},       {"GetFirstEntry", kFlag},
    {"GetNextEntry", kFlag},          {"FindDefinition", kFlag},          {"GetEntryName", kFlag | kText},
    {"GetObjectDefinition", kFlag | kText}, {"GetEnumerationEntries", kFlag | kObject | kText},
    {"StartFunction", kFlag},         {"LoadDatabase", kFlag},
};
// clang-format on

void inject(DeviceModel &model, const Operation &op, Fault fault)
{
    if (fault == Fault::Failure)
        model.failOperation(op.name, kInjectedStatus);
    else if (fault == Fault::ErrorFlag)
        model.setErrorFlag(op.name, 5);
    else if (fault == Fault::NullObject)
        model.answerNull(op.name);
    else if (fault == Fault::EmptyText)
        model.answerEmpty(op.name);
}

const QStringList kTemplate{"<p>#FLOW#</p>", "<p>#MODE#</p>", "<p>#VENDOR#</p>", "<p>#VALUE#</p>"};
/// Stands for the line of the lookup that reads the database file name for
/// the data source line (whose tag makes no host call).
const QString kFileNameLookup = kTemplate.back();

/// What one lookup gives when the `step`th call (from 1) of `op` in it
/// answers `fault`, by the lookup rules: `kept` when the host has no such
/// item or entry, `raw` the item's value, `clean` its text on a clean run.
/// None: the lookup fails and leaves its line as read.
std::optional<QString> faultedText(const QString &op, int step, Fault fault, const QString &kept,
                                   const QString &raw, const QString &clean, bool enumeration)
{
    if (fault == Fault::Failure || fault == Fault::NullObject)
        return std::nullopt;
    const bool flag = fault == Fault::ErrorFlag;
    if (op == "OpenItem" || op == "GetDeviceEntry")
        return flag ? kept : "";
    // Nothing read, or the empty text, whose number (0) the enumeration lacks.
    if (op == "GetItemString")
        return "";
    // The item's own definition, then (in the enumeration lookup) its type's
    // and its enumeration's. The host answers a flag and nothing else to the
    // empty name or handle that an unanswered step hands on, so such a step
    // ends at no entries at all.
    if (op == "FindDefinition" || op == "GetObjectDefinition") {
        if (step > 1)
            return std::nullopt;
        return flag || !enumeration ? raw : ""; // no kind, or no type name to look up
    }
    if (op == "GetEnumerationEntries")
        return flag ? std::nullopt : std::optional<QString>("");
    return clean;
}

void describeDevice(DeviceModel &model, const QString &dir)
{
    describePump(model, dir);
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

/// The host's end of its progress reports: passes them on to the view and
/// keeps what each answered.
class HostReports final : public ComDispatchObject<HostReports, View>
{
public:
    explicit HostReports(View *view) : m_view(view) {}
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
    const char *name; ///< a menu command's, or a View call's that `call` makes
    Stage stage;      ///< how far the view is taken before the flow
    Page page;        ///< what the flow produces
    bool prompts;     ///< asks to overwrite the application data
    bool uploads;     ///< may wait for an upload
    std::function<HRESULT(View *, DeviceModel &, std::int32_t *)> call;
};

const Flow kFlows[] = {
    {"attach", Stage::Created, Page::None, false, false,
     [](View *v, DeviceModel &m, std::int32_t *r) {
         return v->SetAppletItemManagRef(7, m.itemManager().get(), r);
     }},
    {"Show", Stage::Attached, Page::PrintFile, false, false,
     [](View *v, DeviceModel &, std::int32_t *r) { return v->Show(r); }},
    {"srcValue", Stage::Shown, Page::PrintFile, false, false, {}},
    {"scrDatabase", Stage::Shown, Page::PrintFile, true, false, {}},
    {"scrShadow", Stage::Shown, Page::PrintFile, true, true, {}},
    {"ShowApplicationReport", Stage::Shown, Page::Report, false, false, {}},
    {"ShowDatabaseReport", Stage::Shown, Page::Report, false, false, {}},
    {"ShowDeviceReport", Stage::Shown, Page::Report, false, true, {}},
    {"Drucken_m", Stage::Shown, Page::Document, false, false, {}},
    {"Druckvorschau_m", Stage::Shown, Page::Document, false, false, {}},
    // The upload item of the last Device command, as a late host report names it.
    {"NotifyChanged", Stage::Uploaded, Page::None, false, false,
     [](View *v, DeviceModel &, std::int32_t *r) {
         return v->NotifyChanged(static_cast<clsQuiravel *>(v)->uploadItem(), VARIANT_FALSE, 0, 0, r);
     }},
    {"Destroy", Stage::Shown, Page::None, false, false,
     [](View *v, DeviceModel &, std::int32_t *r) { return v->Destroy(r); }},
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
        QString lookup;          ///< the template line whose tag it looks up, if any
        int step = 0;            ///< how many calls of `operation` that lookup made up to this one
    };
    QList<Call> calls;
    QList<HRESULT> reportResults; ///< what the host's progress reports answered
    qsizetype executed = 0;       ///< print or preview commands the browser ran
    bool closedByUser = false;    ///< the upload wait ran into its bound
};

/// The print file the rules give for the flow's data source, the template
/// and the fault of the call `faulted` (none: a clean run).
QStringList expectedPage(const Flow &flow, const QString &databasePath, const Operation *op, Fault fault,
                         const Outcome::Call &faulted)
{
    const int source = flow.uploads ? 2 : flow.prompts ? 1 : 0; // application, database, device
    // A Device command that cannot read the upload's progress starts none and
    // reads a shadow data set that holds nothing yet.
    const bool noUpload = flow.uploads && op && op->name == QLatin1StringView("GetItemLong") &&
                          fault == Fault::ErrorFlag && !faulted.reported;
    const QString flowValue = noUpload ? "" : QStringList{"12.5", "11.8", "13.1"}.at(source);
    const QString modeValue = noUpload ? "" : QStringList{"1", "2", "2"}.at(source);
    const QString modeText = noUpload ? "" : modeValue == "1" ? "Auto" : "Manual";
    std::optional<QString> fileName = databasePath;
    if (op && faulted.lookup == kFileNameLookup)
        fileName = faultedText(op->name, faulted.step, fault, DeviceModel::kFileNameItem, databasePath,
                               databasePath, false);
    if (!fileName)
        return {}; // the command stops: no page
    const QString sourceText[] = {GetLocalString(1133), GetLocalString(1135) + "  " + *fileName,
                                  GetLocalString(1134)};
    const QString raw[] = {flowValue, modeValue, "Acme", sourceText[source]};
    const QString clean[] = {flowValue, modeText, "Acme", sourceText[source]};
    QStringList page;
    for (qsizetype i = 0; i < kTemplate.size(); ++i) {
        const QString tag = kTemplate[i].sliced(3, kTemplate[i].size() - 7); // "<p>#...#</p>"
        std::optional<QString> text = clean[i];
        if (op && faulted.lookup == kTemplate[i] && faulted.lookup != kFileNameLookup)
            text = faultedText(op->name, faulted.step, fault, tag, raw[i], clean[i], tag == "#MODE#");
        page << (text ? "<p>" + *text + "</p>" : kTemplate[i]);
    }
    return page;
}

} // namespace

// The fixture's own view stays idle; each case makes its host and view.
class fault_sweep_test : public ComponentFixture
{
protected:
    void SetUp() override
    {
        ComponentFixture::SetUp();
        browsers.setup = [](FakeBrowser &browser) {
            browser.statusFlags[OLECMDID_PRINT] = OLECMDF_ENABLED;
            browser.statusFlags[OLECMDID_PRINTPREVIEW] = OLECMDF_ENABLED;
        };
        writeBytes(path("Pump001.HTM"), kTemplate.join("\r\n").toLatin1() + "\r\n");
    }

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
        auto reports = ComPtr<HostReports>::adopt(new HostReports(view.get()));
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
            EXPECT_EQ(runCommand(automation(view).get(), "scrShadow"), S_OK);
        }
        const QString written =
            path(flow.page == Page::Report ? QString::fromLatin1(HostContract::kReportFileName)
                                           : QStringLiteral("PumpPRN.HTM"));
        QFile::remove(written);
        messages.clear();
        const qsizetype executedBefore = browsers.last ? browsers.last->executed : 0;
        const qsizetype reportsBefore = reports->results.size();

        const QString generating = GetLocalString(1138);
        int seen = 0;
        QObject::connect(&model, &DeviceModel::called, &model, [&](const HostCall &made) {
            frmQuiravel *window = component->window();
            Outcome::Call recorded;
            recorded.operation = made.operation;
            recorded.generating = window && window->statusText() == generating;
            recorded.reported = reports->reporting > 0;
            const auto earlier = [&](auto &&which) { return std::ranges::any_of(out.calls, which); };
            if (recorded.generating)
                recorded.lookup = window->Text1()->text(); // the line being filled
            else if (earlier([](const auto &c) { return c.operation == "LoadDatabase"; }) &&
                     !earlier([](const auto &c) { return c.generating; }))
                recorded.lookup = kFileNameLookup;
            recorded.step = 1 + std::ranges::count_if(out.calls, [&](const Outcome::Call &c) {
                                return c.lookup == recorded.lookup && c.operation == made.operation;
                            });
            out.calls.append(recorded);
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
        out.result =
            flow.call ? flow.call(view.get(), model, &result) : runCommand(automation(view).get(), flow.name);
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
            out.executed = browsers.last->executed - executedBefore;

        // Left as a host leaves it: the view destroyed and released.
        view->Destroy(&result);
        model.attachView(nullptr);
        reports.reset();
        EXPECT_EQ(view.detach()->Release(), 0u) << "the component outlived its host";
        expectHostLetGo(model, "an item was left open or closed twice");
        return out;
    }

    /// The outcome of `fault` on `op` against the flow's clean run.
    void expectDocumented(const Flow &flow, const Operation *op, Fault fault, const Outcome::Call &call,
                          const Outcome &clean, const Outcome &out)
    {
        // A failure status ends the step; so does an object the host did not hand out.
        // Filling a page runs with failures suppressed: only the line or report is cut short.
        // A failure in the host's own progress report is that report's answer.
        const bool generating = call.generating;
        // Without an operation faulted on its way, nothing stops the flow.
        const bool stops = op && (fault == Fault::Failure || fault == Fault::NullObject) && !call.reported;
        if (call.reported && fault == Fault::Failure)
            EXPECT_TRUE(out.reportResults.contains(kInjectedStatus))
                << "the host's report hears of its failure";
        else
            EXPECT_TRUE(std::ranges::none_of(out.reportResults, [](HRESULT hr) { return FAILED(hr); }));

        // A menu command run by the host's automation answers like a View call.
        if (stops && !generating && fault == Fault::Failure)
            EXPECT_EQ(out.result, kInjectedStatus) << "the failure is the call's result";
        else if (stops && !generating)
            EXPECT_LT(out.result, 0) << "a missing host object fails the call";
        else
            EXPECT_EQ(out.result, S_OK);

        const QString opName = op ? op->name : "";
        QStringList documented;
        if (fault == Fault::ErrorFlag && opName == "LoadDatabase")
            documented << GetLocalString(1131);
        if (fault == Fault::ErrorFlag && opName == "GetItemQuad")
            documented << GetLocalString(1132);
        for (const QString &text : documented)
            EXPECT_TRUE(out.messages.contains(text)) << "missing message " << text.toStdString();
        const bool reportError = flow.page == Page::Report && stops && generating;
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
        } else if ((flow.page == Page::PrintFile || flow.page == Page::Report) && stops && !generating) {
            EXPECT_FALSE(out.page) << "the command stopped before the page";
        } else if (flow.page == Page::PrintFile && (out.page || generating)) {
            ASSERT_TRUE(out.page) << "a page whose filling failed is still written";
            EXPECT_EQ(out.page->join('\n').toStdString(),
                      expectedPage(flow, path("pump.db"), op, fault, call).join('\n').toStdString());
        } else if (flow.page == Page::Report && out.page) {
            EXPECT_LE(out.page->size(), clean.page->size());
        }
    }
};

TEST_F(fault_sweep_test, every_host_call_of_every_flow_answers_every_fault_as_documented)
{
    const Fault faults[] = {Fault::Failure, Fault::ErrorFlag, Fault::NullObject, Fault::EmptyText};
    int cases = 0, emptyShown = 0;
    for (const Flow &flow : kFlows) {
        SCOPED_TRACE(flow.name);
        const Outcome clean = run(flow, {}, Fault::None);
        EXPECT_EQ(clean.result, S_OK);
        EXPECT_FALSE(clean.closedByUser);
        for (const QString &text : clean.messages)
            EXPECT_TRUE(flow.prompts && text == GetLocalString(1142)) << text.toStdString();
        if (flow.page == Page::PrintFile || flow.page == Page::Report) {
            ASSERT_TRUE(clean.page);
        }
        if (flow.page == Page::PrintFile) {
            EXPECT_EQ(clean.page->join('\n').toStdString(),
                      expectedPage(flow, path("pump.db"), nullptr, Fault::None, {}).join('\n').toStdString());
        }

        // Each call of each operation in turn, counted per operation.
        QHash<QString, int> callsOf;
        for (const Outcome::Call &made : clean.calls) {
            const auto op = std::ranges::find_if(
                kOperations, [&](const Operation &o) { return made.operation == o.name; });
            ASSERT_NE(op, std::end(kOperations))
                << "an operation the sweep does not know: " << made.operation.toStdString();
            const int call = ++callsOf[made.operation];
            for (const Fault fault : faults) {
                if (!op->applies(fault))
                    continue;
                SCOPED_TRACE(QString("%1 call %2: %3")
                                 .arg(made.operation)
                                 .arg(call)
                                 .arg(kFaultNames[int(fault)])
                                 .toStdString());
                const Outcome out = run(flow, {op}, fault, call);
                expectDocumented(flow, op, fault, made, clean, out);
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
                    if (op.applies(fault))
                        faulted.append(&op);
                SCOPED_TRACE(std::string("every operation: ") + kFaultNames[int(fault)]);
                expectDocumented(flow, nullptr, fault, {}, clean, run(flow, faulted, fault));
            }
        }
    }
    std::cout << "fault sweep: " << std::size(kFlows) << " flows, " << cases << " cases" << std::endl;
    EXPECT_GT(cases, 0) << "the sweep exercised nothing";
    EXPECT_GT(emptyShown, 0) << "no empty answer reached a page";
}
