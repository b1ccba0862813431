// SPDX-License-Identifier: Apache-2.0
// The names and values both sides of the host contract agree on, written
// once: the host-private items the component opens, the function it starts,
// the setting it reads, the load modes, the report's file name and the
// commands of the automation interface. The component, the reference host,
// the template check and the tests use these; `HostContract::facts` lists
// them all for whatever must enumerate them (the integrator's guide's tables
// are checked against it).
#pragma once

#include <cstdint>

namespace HostContract {

/// Read with GetItemQuad; the device counts as connected only when it holds
/// `ConnectedQuad`.
inline constexpr char ConnectItem[] = "&&private&&Connect";
/// Read with GetItemString after a database load: the database file's name.
inline constexpr char DatabaseFileNameItem[] = "&&private_PM&&FileName";
/// Read with GetItemString when attached: the description file's full path.
inline constexpr char DescriptionPathItem[] = "&&private_PM&&KQDPath";
/// Read with GetItemLong during an upload: 0 idle, 100 finished.
inline constexpr char UploadProgressItem[] = "&&Sequence_Progress&&upload";

/// The double 2.0 as the 64 bits GetItemQuad hands back: low 32 bits 0,
/// high 32 bits hex 40000000.
inline constexpr std::uint64_t ConnectedQuad = 0x4000000000000000ull;
/// The upload progress that ends the wait (and, like 0, lets a new upload start).
inline constexpr std::int32_t UploadFinished = 100;
/// NotifyChanged with this bit of lState set is no progress report.
inline constexpr std::int32_t NotifyStateIgnoreBit = 8;

/// Started with StartFunction by the Device command.
inline constexpr char UploadFunction[] = "upload";
/// Read with GetSettingEntry when attached: the print template's file name.
inline constexpr char PrintTemplateSetting[] = "PRINTTEMPLATEFILE";
/// The default device report, written into the template directory.
inline constexpr char ReportFileName[] = "REPORT.HTM";

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
inline constexpr char ApplicationData[] = "srcValue";
inline constexpr char DatabaseData[] = "scrDatabase";
inline constexpr char DeviceData[] = "scrShadow";
inline constexpr char Print[] = "Drucken_m";
inline constexpr char PrintPreview[] = "Druckvorschau_m";
inline constexpr char Exit[] = "Beenden_m";
inline constexpr char Help[] = "m_Help";
inline constexpr char ApplicationReport[] = "ShowApplicationReport";
inline constexpr char DatabaseReport[] = "ShowDatabaseReport";
inline constexpr char DeviceReport[] = "ShowDeviceReport";
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

inline constexpr Fact facts[] = {
    {FactKind::Item, ConnectItem, 0, "connection state, GetItemQuad; 2.0 as a 64-bit quad means connected"},
    {FactKind::Item, DatabaseFileNameItem, 0, "database file name, GetItemString; shown by the VALUE tag"},
    {FactKind::Item, DescriptionPathItem, 0, "full path of the description file, GetItemString"},
    {FactKind::Item, UploadProgressItem, 0, "upload progress, GetItemLong; 0 idle, 100 finished"},
    {FactKind::Function, UploadFunction, 0, "StartFunction by the Device command"},
    {FactKind::Setting, PrintTemplateSetting, 0, "GetSettingEntry; the print template's file name"},
    {FactKind::File, ReportFileName, 0, "the default device report, in the template directory"},
    {FactKind::LoadMode, "Application", 0, "the application data as they are"},
    {FactKind::LoadMode, "Database", 1, "LoadDatabase first"},
    {FactKind::LoadMode, "Device", 2, "upload first; values from the shadow data set"},
    {FactKind::Command, QuiravelCommand::ApplicationData, 0, "View > Application data"},
    {FactKind::Command, QuiravelCommand::DatabaseData, 1, "View > Database data (asks first)"},
    {FactKind::Command, QuiravelCommand::DeviceData, 2, "View > Device data (asks first)"},
    {FactKind::Command, QuiravelCommand::Print, -1, "File > Print"},
    {FactKind::Command, QuiravelCommand::PrintPreview, -1, "File > Print preview"},
    {FactKind::Command, QuiravelCommand::Exit, -1, "File > Exit: unloads the window"},
    {FactKind::Command, QuiravelCommand::Help, -1, "Help"},
    {FactKind::Command, QuiravelCommand::ApplicationReport, 0, "default report from the application data"},
    {FactKind::Command, QuiravelCommand::DatabaseReport, 1, "default report after a database load"},
    {FactKind::Command, QuiravelCommand::DeviceReport, 2, "default report after an upload"},
};

} // namespace HostContract
