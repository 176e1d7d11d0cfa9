#include "install/program_entry.h"

#include <algorithm>
#include <limits>

#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "install/remove_tree.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/path_text.h"

namespace dl {
namespace {

// The copy is quiet: no progress window, no questions, no error boxes of the shell.
constexpr std::uint32_t kKeepFlags =
    kShellSilent | kShellNoConfirmation | kShellNoConfirmMkdir | kShellNoErrorUi;
// Folders and entry names tried before the install goes without one.
constexpr int kNamesTried = 9;

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::kMachine ? "HKLM\\" : "HKCU\\";
}

std::string EntryKey(const std::string& entryName) {
  return std::string(kProgramEntriesKey) + "\\" + entryName;
}

bool SameFolder(FileSystem& files, const std::string& a, const std::string& b) {
  const std::string ca = CanonicalPath(a, &files);
  return !ca.empty() && ca == CanonicalPath(b, &files);
}

// Whether the key under root carries this record's value: it is ours.
bool CarriesRecord(System& sys, RegistryRoot root, const std::string& key,
                   const std::string& recordPack) {
  std::string value;
  return sys.ReadRegistryText(root, key, kRecordValueName, &value) &&
         SameFolder(sys, value, recordPack);
}

// An entry written by an install of the first version: it names installFolder and starts
// the launcher's copy in "<installFolder>\_uninstall[N]".
bool FormerEntryOf(System& sys, RegistryRoot root, const std::string& key,
                   const std::string& installFolder) {
  std::string location, command;
  if (!sys.ReadRegistryText(root, key, "InstallLocation", &location) ||
      !SameFolder(sys, location, installFolder) ||
      !sys.ReadRegistryText(root, key, "UninstallString", &command) || command.size() < 2 ||
      command[0] != '"')
    return false;
  const std::string program = command.substr(1, command.find('"', 1) - 1);
  const std::string copyFolder = CutAtLastSeparator(sys, program);
  const std::string prefix = AsciiUpper(kFormerUninstallerFolder);
  return SameFolder(sys, CutAtLastSeparator(sys, copyFolder), installFolder) &&
         AsciiUpper(FileNameOf(sys, copyFolder), &sys).compare(0, prefix.size(), prefix) == 0;
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

bool IsUninstallerFolder(FileSystem& files, const std::string& folder,
                         const std::string& recordName) {
  const std::string normalized = NormalizedPath(folder, &files);
  if (normalized.size() <= 2 ||
      !SameFolder(files, CutAtLastSeparator(files, normalized), files.WindowsDir()))
    return false;
  std::string name = AsciiUpper(FileNameOf(files, normalized), &files);
  if (!name.empty() && name.back() >= '2' && name.back() <= '9') name.pop_back();
  const std::string suffix = AsciiUpper(kUninstallerSuffix);
  if (name.size() <= suffix.size() ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  return recordName.empty() || name.substr(0, name.size() - suffix.size()) ==
                                   AsciiUpper(ProgramEntryName(recordName), &files);
}

std::string KeepUninstaller(InstallContext& ctx, const InstallPlan& plan) {
  System& sys = ctx.system;
  const std::string recordName = Read(ctx.script, script::kRecordName);
  const std::string launcher = sys.ModuleFilePath();
  const std::string launcherName = FileNameOf(sys, launcher);
  std::vector<std::pair<std::string, std::string>> copies;  // source, name
  if (IsPlainFileName(launcherName, &sys)) copies.emplace_back(launcher, launcherName);
  for (const char* name : {script::kScriptName, script::kScriptNameChinese}) {
    std::string source = plan.scriptFolder;
    if (JoinPath(sys, &source, name) && sys.FileExists(source)) copies.emplace_back(source, name);
  }
  if (copies.size() < 2 || copies[0].second != launcherName) {
    LogLine(ctx.log, "uninstaller copy", "NOT MADE: no launcher and script to copy");
    return {};
  }
  // A folder of its own, made new: one of an earlier uninstall may still wait for the next
  // start to go, and what it holds then goes with it.
  std::string folder;
  const std::string base = CutAtLastSeparator(sys, plan.recordPath);
  for (int n = 1; n <= kNamesTried && folder.empty(); ++n) {
    std::string candidate = base;
    std::uint32_t attributes = 0;
    if (!JoinPath(sys, &candidate,
                  ProgramEntryName(recordName) + kUninstallerSuffix +
                      (n == 1 ? std::string() : std::to_string(n))))
      break;
    if (!sys.GetAttributes(candidate, &attributes)) folder = candidate;
  }
  if (folder.empty() || !IsUninstallerFolder(sys, folder, recordName)) {
    LogLine(ctx.log, "uninstaller copy", "NOT MADE: no free folder for it beside the record");
    return {};
  }
  if (ctx.journal != nullptr) ctx.journal->Note({JournalEntry::kUninstaller, folder, 0, false});
  for (const auto& [source, name] : copies) {
    std::string target = folder;
    if (!JoinPath(sys, &target, name)) return {};
    const int result = sys.ShellFileOperation(nullptr, ShellOp::kCopy, source, target, kKeepFlags);
    LogLine(ctx.log, "copy " + source + " -> " + target,
            result == 0 ? "done" : "FAILED (" + std::to_string(result) + ")");
    if (result != 0) return {};
  }
  return folder + "\\" + launcherName;
}

std::string ChooseProgramEntry(InstallContext& ctx, const InstallPlan& plan) {
  System& sys = ctx.system;
  const std::string base = ProgramEntryName(Read(ctx.script, script::kRecordName));
  const std::string recordPack = plan.recordPath + ".pak";
  for (int n = 1; n <= kNamesTried; ++n) {
    const std::string name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
    bool taken = false;
    for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser})
      taken = taken || (sys.RegistryKeyExists(root, EntryKey(name)) &&
                        !CarriesRecord(sys, root, EntryKey(name), recordPack));
    if (taken) {
      LogLine(ctx.log, "installed-programs entry " + EntryKey(name),
              "another program's: left alone");
      continue;
    }
    if (ctx.journal != nullptr) ctx.journal->Note({JournalEntry::kEntry, name, 0, false});
    return name;
  }
  return {};
}

bool RegisterProgram(InstallContext& ctx, const InstallPlan& plan, const std::string& entryName,
                     const std::string& launcherCopy) {
  System& sys = ctx.system;
  const char* program = Read(ctx.script, script::kGameExeForPlay);
  std::string icon = plan.installFolder;
  JoinPath(sys, &icon, program != nullptr ? program : script::kGameExeForGroup.def);
  std::uint64_t bytes = 0;
  if (ctx.journal != nullptr)
    for (const JournalEntry& e : ctx.journal->entries())
      if (e.kind == JournalEntry::kFile && !e.existed) bytes += e.number;
  // The size in KB is a 32-bit value: a larger game says the largest.
  const std::uint64_t kilobytes = std::min<std::uint64_t>(
      bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0), std::numeric_limits<std::uint32_t>::max());
  const std::string quoted = "\"" + launcherCopy + "\"";
  const std::vector<RegistryValue> values = {
      {"DisplayName", GameDisplayName(ctx.script), {}},
      {"DisplayIcon", icon, {}},
      {"InstallLocation", plan.installFolder, {}},
      {"EstimatedSize", "", static_cast<std::uint32_t>(kilobytes)},
      // Change in the list repairs the install from its discs; Repair there belongs to the
      // system's own installer.
      {"NoModify", "", 0u},
      {"ModifyPath", quoted + " /REPAIR", {}},
      {"NoRepair", "", 1u},
      {"UninstallString", quoted + " /U", {}},
      {"QuietUninstallString", quoted + " /U /S", {}},
      {kRecordValueName, plan.recordPath + ".pak", {}},
  };
  const std::string key = EntryKey(entryName);
  for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser}) {
    if (sys.WriteRegistryValues(root, key, values)) {
      LogLine(ctx.log, std::string("installed-programs entry ") + RootName(root) + key, "written");
      return true;
    }
    // A value may have been set before one failed: nothing half-written stays behind (the
    // name was chosen free, or ours).
    sys.RemoveRegistryKey(root, key);
  }
  LogLine(ctx.log, "installed-programs entry " + key, "FAILED");
  return false;
}

std::vector<std::pair<RegistryRoot, std::string>> OwnProgramEntries(
    System& system, const std::vector<JournalEntry>& journal, const std::string& recordName,
    const std::string& recordPack, const std::string& installFolder) {
  std::vector<std::pair<RegistryRoot, std::string>> own;
  bool named = false;
  for (const JournalEntry& e : journal) {
    if (e.kind != JournalEntry::kEntry) continue;
    named = true;
    for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser})
      if (CarriesRecord(system, root, EntryKey(e.path), recordPack))
        own.emplace_back(root, EntryKey(e.path));
  }
  if (named || journal.empty()) return own;
  const std::string key = EntryKey(ProgramEntryName(recordName));
  for (RegistryRoot root : {RegistryRoot::kMachine, RegistryRoot::kUser})
    if (FormerEntryOf(system, root, key, installFolder)) own.emplace_back(root, key);
  return own;
}

bool RemoveProgramEntries(InstallContext& ctx,
                          const std::vector<std::pair<RegistryRoot, std::string>>& entries) {
  bool none = true;
  for (const auto& [root, key] : entries) {
    const bool removed = ctx.system.RemoveRegistryKey(root, key);
    LogLine(ctx.log, std::string("installed-programs entry ") + RootName(root) + key,
            removed ? "removed" : "NOT REMOVED");
    none = none && removed;
  }
  return none;
}

std::size_t RemoveUninstaller(InstallContext& ctx, const std::vector<JournalEntry>& journal,
                              const std::string& recordName, std::vector<std::string>* notRemoved) {
  System& sys = ctx.system;
  std::size_t removed = 0;
  const std::string running = CutAtLastSeparator(sys, sys.ModuleFilePath());
  for (const JournalEntry& e : journal) {
    if (e.kind != JournalEntry::kUninstaller) continue;
    std::uint32_t attributes = 0;
    if (!IsUninstallerFolder(sys, e.path, recordName)) {
      LogLine(ctx.log, "delete " + e.path, "REFUSED: not this game's uninstaller folder");
      continue;
    }
    if (!sys.GetAttributes(e.path, &attributes)) continue;
    if (SameFolder(sys, running, e.path)) {
      // The running launcher is in it: its files, then the folder, go at the next start.
      bool taken = true;
      for (const FoundFile& f : sys.FindFiles(e.path + "\\*"))
        if (!f.isDirectory) taken = sys.RemoveAtRestart(e.path + "\\" + f.name) && taken;
      taken = sys.RemoveAtRestart(e.path) && taken;
      LogLine(ctx.log, "uninstaller " + e.path,
              taken ? "removed when Windows next starts" : "KEPT: the system took no removal");
      continue;
    }
    const TreeRemoval tree = RemoveTree(sys, e.path);
    removed += tree.removed;
    LogLine(ctx.log, "delete " + e.path,
            tree.gone ? "done" : "FAILED (" + std::to_string(tree.failed.size()) + " left)");
    if (!tree.gone) notRemoved->push_back(e.path + " (the deletion failed)");
  }
  return removed;
}

}  // namespace dl
