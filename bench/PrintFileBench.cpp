// SPDX-License-Identifier: Apache-2.0
// Print-file generation against the in-memory host: a tag-dense template, the
// same template without tags, the default report of a large device, and a
// plain copy of the template as the floor. Prints one summary line at the end.
#include "contract/HostContract.h"
#include "host/DeviceModel.h"
#include "platform/BStr.h"
#include "printfile/DefaultReport.h"
#include "printfile/TagSubstitution.h"
#include "printfile/TemplatePrintFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unordered_map>

namespace {

constexpr int kItemCount = 1000;
constexpr int kTemplateLines = 200000;
constexpr int kReportObjects = 10000;
constexpr int kRepetitions = 9;

/// A host that answers the calls of tag substitution with hash lookups and
/// nothing else, to tell the component's own cost from the model's.
class LeanHost final : public AppItemManager, public AppDeviceDescription
{
public:
    explicit LeanHost(int items)
    {
        for (int i = 0; i < items; ++i) {
            m_index.emplace(QStringLiteral("ITEM%1").arg(i, 4, 10, QLatin1Char('0')).toStdU16String(), i);
            m_values.append(QStringLiteral("%1.25 mA").arg(i));
        }
    }

    HRESULT QueryInterface(REFIID, void **object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(std::uint32_t *) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, OLECHAR **, std::uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                   std::uint32_t *) override
    {
        return E_NOTIMPL;
    }

    HRESULT ReleaseView(View *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetDeviceDescription(AppDeviceDescription **description) override
    {
        *description = this;
        return S_OK;
    }
    HRESULT GetFunctionControl(AppFunctionControl **) override { return E_NOTIMPL; }
    HRESULT OpenItem(BSTR name, VARIANT_BOOL, std::int32_t, std::int32_t *itemHandle, std::int32_t,
                     std::int32_t, std::int32_t *error) override
    {
        *itemHandle = find(name);
        *error = *itemHandle < 0;
        return S_OK;
    }
    HRESULT CloseItem(VARIANT, std::int32_t, VARIANT_BOOL, std::int32_t *error) override
    {
        *error = 0;
        return S_OK;
    }
    HRESULT GetItemQuad(std::int32_t, std::int64_t *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetItemLong(std::int32_t, std::int32_t *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetItemString(std::int32_t itemHandle, BSTR *value, VARIANT_BOOL, std::int32_t *error) override
    {
        *value = BStr::alloc(m_values.at(itemHandle));
        *error = 0;
        return S_OK;
    }

    HRESULT GetDeviceEntry(BSTR, BSTR *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetSettingEntry(BSTR, BSTR *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetSectionCount(BSTR, std::int32_t *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetFirstEntry(BSTR, std::int32_t *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetNextEntry(std::int32_t *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT FindDefinition(BSTR, BSTR name, std::int32_t *definition, std::int32_t *error) override
    {
        *definition = find(name);
        *error = *definition < 0;
        return S_OK;
    }
    HRESULT GetEntryName(std::int32_t, BSTR *, std::int32_t *) override { return E_NOTIMPL; }
    HRESULT GetObjectDefinition(std::int32_t, BSTR *typeName, std::int32_t *size, std::int32_t *flags,
                                std::int32_t *kind, BSTR *enumerationName, std::int32_t *error) override
    {
        *typeName = BStr::alloc(QStringLiteral("Float"));
        *enumerationName = nullptr;
        *size = 4;
        *flags = *kind = *error = 0;
        return S_OK;
    }
    HRESULT GetEnumerationEntries(std::int32_t, BSTR *, EnumEntryArray **, std::int32_t *) override
    {
        return E_NOTIMPL;
    }

private:
    int find(BSTR name) const
    {
        const auto it = m_index.find(std::u16string_view(name, SysStringLen(name)));
        return it == m_index.end() ? -1 : it->second;
    }

    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const noexcept
        {
            return std::hash<std::u16string_view>()(text);
        }
    };

    std::unordered_map<std::u16string, int, Hash, std::equal_to<>> m_index;
    QList<QString> m_values;
};

struct Figures
{
    double seconds = 0;
    qint64 bytes = 0;
    qint64 tags = 0;
};

QString itemName(int i)
{
    return QStringLiteral("Item%1").arg(i, 4, 10, QLatin1Char('0'));
}

/// Two markers a line around item names, or the same bytes with "%" instead.
void writeTemplate(const QString &path, QChar marker)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray bytes;
    for (int line = 0; line < kTemplateLines; ++line) {
        const QString first = itemName(line % kItemCount);
        const QString second = itemName((line * 7 + 3) % kItemCount);
        bytes += QStringLiteral("<tr><td>Row %1</td><td>%2%3%2</td><td>%2 %4 %2</td></tr>\r\n")
                     .arg(line)
                     .arg(marker)
                     .arg(first, second)
                     .toLatin1();
    }
    file.write(bytes);
}

qint64 fileSize(const QString &path)
{
    return QFile(path).size();
}

/// The best of a few runs, so that one disturbed run does not decide.
template<typename Run> double bestSeconds(Run run)
{
    double best = 1e9;
    for (int i = 0; i < kRepetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // A run of seconds is not disturbed enough to be worth repeating.
        if (best > 1.0)
            break;
    }
    return best;
}

void print(const char *what, const Figures &f)
{
    std::printf("%-22s %9.4f s %9.1f MB/s %14.0f tags/s\n", what, f.seconds, f.bytes / f.seconds / 1e6,
                f.tags / f.seconds);
}

Figures templateRun(const TagContext &context, const QString &templatePath, const QString &printPath,
                    qint64 tagsPerRun)
{
    Figures f;
    f.bytes = fileSize(templatePath);
    f.tags = tagsPerRun;
    f.seconds = bestSeconds([&] {
        writeTemplatePrintFile(templatePath, printPath,
                               [&](QString &line) { FillTemplateLine(line, context); });
    });
    return f;
}

DeviceModel *newReportDevice()
{
    auto *device = new DeviceModel;
    device->setCallLogEnabled(false);
    device->defineObject(QStringLiteral("Unit"), {QStringLiteral("Unit"), 1, 0, 4, QStringLiteral("Units")});
    EnumerationDefinition units;
    for (int i = 0; i < 20; ++i)
        units.entries.append({i, QStringLiteral("Unit text %1").arg(i)});
    device->defineEnumeration(QStringLiteral("Units"), units);
    for (int i = 0; i < kReportObjects; ++i) {
        const QString name = QStringLiteral("Object%1").arg(i, 5, 10, QLatin1Char('0'));
        const bool enumeration = i % 10 == 0;
        device->addObject(name, {enumeration ? QStringLiteral("Unit") : QStringLiteral("Float"), 4, 0,
                                 enumeration ? 4 : 0, QString()});
        device->setApplicationValue(name, QString::number(i % 20));
    }
    return device;
}

} // namespace

/// Runs every part, or only those named on the command line (copy, dense,
/// plain, report, lean), e.g. to profile one of them.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList parts = app.arguments().mid(1);
    if (parts.isEmpty())
        parts = {QStringLiteral("copy"), QStringLiteral("dense"), QStringLiteral("plain"),
                 QStringLiteral("report"), QStringLiteral("lean")};
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary directory");

    // The call log is a test aid; a host nobody watches keeps none.
    DeviceModel model;
    model.setCallLogEnabled(false);
    for (int i = 0; i < kItemCount; ++i) {
        model.addObject(itemName(i), {QStringLiteral("Float"), 4, 0, 0, QString()});
        model.setApplicationValue(itemName(i), QStringLiteral("%1.25 mA").arg(i));
    }
    const ComPtr<AppItemManager> itemManager = model.itemManager();
    TagContext context;
    context.itemManager = itemManager.get();
    context.viewHandle = 1;

    const QString dense = dir.filePath(QStringLiteral("Dense049.HTM"));
    const QString plain = dir.filePath(QStringLiteral("Plain049.HTM"));
    const QString densePrint = dir.filePath(QStringLiteral("DensePRN.HTM"));
    writeTemplate(dense, u'#');
    writeTemplate(plain, u'%');
    const qint64 denseTags = qint64(kTemplateLines) * 2;

    Figures copy, tagged, untagged, report, leanTagged;
    if (parts.contains(QStringLiteral("copy"))) {
        copy.bytes = fileSize(plain);
        const QString copyPath = dir.filePath(QStringLiteral("Copy.HTM"));
        copy.seconds = bestSeconds([&] {
            QFile in(plain);
            QFile out(copyPath);
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                qFatal("copy failed");
            out.write(in.readAll());
        });
        print("plain copy", copy);
    }
    if (parts.contains(QStringLiteral("dense"))) {
        tagged = templateRun(context, dense, densePrint, denseTags);
        print("template, dense tags", tagged);
    }
    if (parts.contains(QStringLiteral("plain"))) {
        untagged = templateRun(context, plain, dir.filePath(QStringLiteral("PlainPRN.HTM")), 0);
        print("template, no tags", untagged);
    }
    if (parts.contains(QStringLiteral("report"))) {
        const std::unique_ptr<DeviceModel> device(newReportDevice());
        const ComPtr<AppItemManager> deviceManager = device->itemManager();
        TagContext reportContext;
        reportContext.itemManager = deviceManager.get();
        reportContext.viewHandle = 1;
        const QString reportPath = dir.filePath(QString::fromLatin1(HostContract::kReportFileName));
        report.seconds = bestSeconds([&] { WriteReportFile(reportContext, reportPath); });
        report.bytes = fileSize(reportPath);
        print("default report", report);
    }
    if (parts.contains(QStringLiteral("lean"))) {
        LeanHost lean(kItemCount);
        TagContext leanContext;
        leanContext.itemManager = &lean;
        leanTagged = templateRun(leanContext, dense, densePrint, denseTags);
        print("dense tags, lean host", leanTagged);
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("summary: dense_tags_per_s=%.0f plain_over_copy=%.2f report_s=%.4f peak_rss_mb=%ld\n",
                ratio(tagged.tags, tagged.seconds), ratio(untagged.seconds, copy.seconds), report.seconds,
                usage.ru_maxrss / 1024);
    return 0;
}
