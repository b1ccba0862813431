// SPDX-License-Identifier: Apache-2.0
// The names and values both sides of the host contract agree on, written
// once: the host-private items the component opens, the function it starts,
// the setting it reads, the load modes, the report's file name and the
// commands of the automation interface. The component, the reference host,
// the template check and the tests use these; `HostContract::kFacts` lists
// them all for whatever must enumerate them (the integrator's guide's tables
// are checked against it).
#pragma once

#include <cstdint>

namespace HostContract {

/// Read with GetItemQuad; the device counts as connected only when it holds
/// `kConnectedQuad`.
inline constexpr char kConnectItem[] = "&&private&&Connect";
/// Read with GetItemString after a database load: the database file's name.
inline constexpr char kDatabaseFileNameItem[] = "&&private_PM&&FileName";
/// Read with GetItemString when attached: the description file's full path.
inline constexpr char kDescriptionPathItem[] = "&&private_PM&&KQDPath";
/// Read with GetItemLong during an upload: 0 idle, 100 finished.
inline constexpr char kUploadProgressItem[] = "&&Sequence_Progress&&upload";

/// The double 2.0 as the 64 bits GetItemQuad hands back: low 32 bits 0,
/// high 32 bits hex 40000000.
inline constexpr std::uint64_t kConnectedQuad = 0x4000000000000000ull;
/// The upload progress that ends the wait (and, like 0, lets a new upload start).
inline constexpr std::int32_t kUploadFinished = 100;
/// NotifyChanged with this bit of lState set is no progress report.
inline constexpr std::int32_t kNotifyStateIgnoreBit = 8;

/// Started with StartFunction by the Device command.
inline constexpr char kUploadFunction[] = "upload";
/// Read with GetSettingEntry when attached: the print template's file name.
inline constexpr char kPrintTemplateSetting[] = "PRINTTEMPLATEFILE";
/// The default device report, written into the template directory.
inline constexpr char kReportFileName[] = "REPORT.HTM";

/// Where the data shown come from: the component's load mode.
enum class LoadMode : std::int32_t {
    Application = 0, ///< the application data as the host holds them
    Database = 1,    ///< after the host's LoadDatabase
    Device = 2,      ///< after the host's upload, read from the shadow data set
};

} // namespace HostContract

/// The command names IQuiravelAutomation::RunCommand takes: the view's menu
/// entries and the report shortcuts, by the names a host drives them with.
namespace QuiravelCommand {
inline constexpr char kApplicationData[] = "srcValue";
inline constexpr char kDatabaseData[] = "scrDatabase";
inline constexpr char kDeviceData[] = "scrShadow";
inline constexpr char kPrint[] = "Drucken_m";
inline constexpr char kPrintPreview[] = "Druckvorschau_m";
inline constexpr char kExit[] = "Beenden_m";
inline constexpr char kHelp[] = "m_Help";
inline constexpr char kApplicationReport[] = "ShowApplicationReport";
inline constexpr char kDatabaseReport[] = "ShowDatabaseReport";
inline constexpr char kDeviceReport[] = "ShowDeviceReport";
} // namespace QuiravelCommand

namespace HostContract {

enum class FactKind { Item, Function, Setting, File, LoadMode, Command };

/// One name or value of the contract, with what it is for in a few words.
struct Fact
{
    FactKind kind;
    const char *name;
    /// The load mode's number; for a command, the load mode it reloads in
    /// (-1 when it loads nothing).
    std::int32_t value;
    const char *meaning;
};

inline constexpr Fact kFacts[] = {
    {FactKind::Item, kConnectItem, 0, "connection state, GetItemQuad; 2.0 as a 64-bit quad means connected"},
    {FactKind::Item, kDatabaseFileNameItem, 0, "database file name, GetItemString; shown by the VALUE tag"},
    {FactKind::Item, kDescriptionPathItem, 0, "full path of the description file, GetItemString"},
    {FactKind::Item, kUploadProgressItem, 0, "upload progress, GetItemLong; 0 idle, 100 finished"},
    {FactKind::Function, kUploadFunction, 0, "StartFunction by the Device command"},
    {FactKind::Setting, kPrintTemplateSetting, 0, "GetSettingEntry; the print template's file name"},
    {FactKind::File, kReportFileName, 0, "the default device report, in the template directory"},
    {FactKind::LoadMode, "Application", 0, "the application data as they are"},
    {FactKind::LoadMode, "Database", 1, "LoadDatabase first"},
    {FactKind::LoadMode, "Device", 2, "upload first; values from the shadow data set"},
    {FactKind::Command, QuiravelCommand::kApplicationData, 0, "View > Application data"},
    {FactKind::Command, QuiravelCommand::kDatabaseData, 1, "View > Database data (asks first)"},
    {FactKind::Command, QuiravelCommand::kDeviceData, 2, "View > Device data (asks first)"},
    {FactKind::Command, QuiravelCommand::kPrint, -1, "File > Print"},
    {FactKind::Command, QuiravelCommand::kPrintPreview, -1, "File > Print preview"},
    {FactKind::Command, QuiravelCommand::kExit, -1, "File > Exit: unloads the window"},
    {FactKind::Command, QuiravelCommand::kHelp, -1, "Help"},
    {FactKind::Command, QuiravelCommand::kApplicationReport, 0, "default report from the application data"},
    {FactKind::Command, QuiravelCommand::kDatabaseReport, 1, "default report after a database load"},
    {FactKind::Command, QuiravelCommand::kDeviceReport, 2, "default report after an upload"},
};

} // namespace HostContract
