#include "install/program_entry.h"

#include <vector>

#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

// The copy is quiet: no progress window, no questions, no error boxes of the shell.
constexpr std::uint32_t kKeepFlags =
    kShellSilent | kShellNoConfirmation | kShellNoConfirmMkdir | kShellNoErrorUi;

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::kMachine ? "HKLM\\" : "HKCU\\";
}

}  // namespace

std::string GameDisplayName(IniFile& script) {
  for (const TextKey& key : {script::kGroupName, script::kTextTitle})
    if (const char* value = script.GetString(key.section, key.key, nullptr); value && *value)
      return value;
  return script::kGroupName.def;
}

std::string ProgramEntryName(const std::string& recordName) {
  const std::size_t dot = recordName.rfind('.');
  return dot == std::string::npos || dot == 0 ? recordName : recordName.substr(0, dot);
}

std::string ProgramEntryKey(const std::string& recordName) {
  return std::string(kProgramEntriesKey) + "\\" + ProgramEntryName(recordName);
}

std::string CopyUninstaller(InstallContext& ctx, const std::string& scriptFolder,
                            const std::string& folder, const std::string& journalFolder) {
  System& sys = ctx.system;
  const std::string launcher = sys.ModuleFilePath();
  const std::string launcherName = FileNameOf(sys, launcher);
  std::vector<std::pair<std::string, std::string>> copies;  // source, name
  if (IsPlainFileName(launcherName, &sys)) copies.emplace_back(launcher, launcherName);
  for (const char* name : {script::kScriptName, script::kScriptNameChinese}) {
    std::string source = scriptFolder;
    if (JoinPath(sys, &source, name) && sys.FileExists(source)) copies.emplace_back(source, name);
  }
  if (copies.size() < 2 || copies[0].second != launcherName) {
    LogLine(ctx.log, "uninstaller copy " + folder, "NOT MADE: no launcher and script to copy");
    return {};
  }
  for (const auto& [source, name] : copies) {
    std::string target = folder;
    std::uint64_t bytes = 0;
    if (!JoinPath(sys, &target, name) || !sys.FileSize(source, &bytes)) return {};
    if (ctx.journal != nullptr && !journalFolder.empty())
      ctx.journal->BeforeFile(journalFolder + "\\" + name, bytes);
    const int result = sys.ShellFileOperation(nullptr, ShellOp::kCopy, source, target, kKeepFlags);
    LogLine(ctx.log, "copy " + source + " -> " + target,
            result == 0 ? "done" : "FAILED (" + std::to_string(result) + ")");
    if (result != 0) return {};
  }
  return folder + "\\" + launcherName;
}

std::string KeepUninstaller(InstallContext& ctx, const InstallPlan& plan) {
  System& sys = ctx.system;
  // A folder of its own: never one the game's discs brought.
  for (int n = 1; n <= 9; ++n) {
    const std::string name = kUninstallerFolder + (n == 1 ? std::string() : std::to_string(n));
    std::string folder = plan.installFolder;
    std::uint32_t attributes = 0;
    if (!JoinPath(sys, &folder, name)) break;
    if (!sys.GetAttributes(folder, &attributes))
      return CopyUninstaller(ctx, plan.scriptFolder, folder, name);
  }
  LogLine(ctx.log, "uninstaller copy", "NOT MADE: no folder for it in " + plan.installFolder);
  return {};
}

bool RegisterProgram(InstallContext& ctx, const InstallPlan& plan,
                     const std::string& launcherCopy) {
  System& sys = ctx.system;
  const std::string recordName = Read(ctx.script, script::kRecordName);
  const char* program = Read(ctx.script, script::kGameExeForPlay);
  std::string icon = plan.installFolder;
  JoinPath(sys, &icon, program != nullptr ? program : script::kGameExeForGroup.def);
  std::uint64_t bytes = 0;
  if (ctx.journal != nullptr)
    for (const JournalEntry& e : ctx.journal->entries())
      if (e.kind == JournalEntry::kFile && !e.existed) bytes += e.number;
  const std::string quoted = "\"" + launcherCopy + "\"";
  const std::vector<RegistryValue> values = {
      {"DisplayName", GameDisplayName(ctx.script), {}},
      {"DisplayIcon", icon, {}},
      {"InstallLocation", plan.installFolder, {}},
      {"EstimatedSize", "", static_cast<std::uint32_t>((bytes + 1023) / 1024)},
      {"NoModify", "", 1u},
      {"NoRepair", "", 1u},
      {"UninstallString", quoted + " /U", {}},
      {"QuietUninstallString", quoted + " /U /S", {}},
  };
  const std::string key = ProgramEntryKey(recordName);
  for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser}) {
    if (sys.WriteRegistryValues(root, key, values)) {
      LogLine(ctx.log, std::string("installed-programs entry ") + RootName(root) + key, "written");
      return true;
    }
    // A value may have been set before one failed: nothing half-written stays behind.
    sys.RemoveRegistryKey(root, key);
  }
  LogLine(ctx.log, "installed-programs entry " + key, "FAILED");
  return false;
}

namespace {

// Whether the entry under root names installFolder.
bool EntryNames(System& sys, RegistryRoot root, const std::string& key,
                const std::string& installFolder) {
  std::string location;
  return sys.ReadRegistryText(root, key, "InstallLocation", &location) &&
         !CanonicalPath(location, &sys).empty() &&
         CanonicalPath(location, &sys) == CanonicalPath(installFolder, &sys);
}

}  // namespace

bool HasProgramEntry(System& system, const std::string& recordName,
                     const std::string& installFolder) {
  const std::string key = ProgramEntryKey(recordName);
  for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser})
    if (EntryNames(system, root, key, installFolder)) return true;
  return false;
}

bool RemoveProgramEntry(InstallContext& ctx, const std::string& recordName,
                        const std::string& installFolder) {
  System& sys = ctx.system;
  const std::string key = ProgramEntryKey(recordName);
  bool none = true;
  for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser}) {
    if (!EntryNames(sys, root, key, installFolder)) continue;
    const bool removed = sys.RemoveRegistryKey(root, key);
    LogLine(ctx.log, std::string("installed-programs entry ") + RootName(root) + key,
            removed ? "removed" : "NOT REMOVED");
    none = none && removed;
  }
  return none;
}

}  // namespace dl
