#include "install/finish.h"

#include "install/copy.h"
#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "install/shortcut_names.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/path_text.h"
#include "util/safe_format.h"

namespace dl {

const char* const kGameGroupTemplate =
    "[progman.groups]\r\n"
    "groupx=%s\r\n"
    "groupx1=%s\r\n"
    "[groupx]\r\n"
    "\"%s\",\"%s\",\"%s\",0,,\"%s\"\r\n"
    "[groupx1]\r\n"
    "\"%s\",\"%s\",,,,\"%s\"\r\n";

const char* const kDemoGroupTemplate =
    "[progman.groups]\r\n"
    "groupx=%s\r\n"
    "[groupx]\r\n"
    "\"%s\",\"%s %s\",,,,\"%s\"\r\n";

namespace {

constexpr std::size_t kTemplateChars = 511;  // a group template is held in 512 bytes
constexpr const char* kConversionFile = "setup.ini";
constexpr const char* kRenames = "[renname]";

// The short form of base joined with name; the long path when it has none.
std::string ShortFormOf(System& sys, const std::string& base, const std::string& name) {
  std::string path = base;
  if (!JoinPath(sys, &path, name)) path = CutToPath(base + "\\" + name, &sys);
  std::string shortPath;
  return sys.ShortPath(path, &shortPath) ? shortPath : path;
}

// Writes the conversion file and starts the converter on it; false when the file could
// not be written (the converter is then not started).
bool RunConverter(InstallContext& ctx, const std::string& text) {
  std::string file = ctx.system.WindowsDir();
  if (!JoinPath(ctx.system, &file, kConversionFile)) return false;
  if (ctx.journal != nullptr) ctx.journal->BeforeOutside(JournalEntry::kConversion, file);
  auto out = ctx.system.CreateForWriting(file);
  if (out == nullptr) return false;
  bool ok = out->Write(text.data(), text.size());
  ok = out->Close() && ok;
  LogLine(ctx.log, "group text " + file, ok ? "written" : "FAILED");
  if (!ok) return false;
  const std::string command = ConverterCommand(ctx.system);
  ctx.system.StartProgram(command, /*hidden=*/true);
  LogLine(ctx.log, "start", command);
  return true;
}

// Tests up to kShortcutPolls times whether path exists, pausing after every failed test.
bool WaitForShortcut(System& sys, const std::string& path) {
  for (int test = 0; test < kShortcutPolls; ++test) {
    if (sys.FileExists(path)) return true;
    sys.Pause(kShortcutPollMs);
  }
  return false;
}

// Copies a shortcut of the Start menu to the desktop. The script's path formats decide
// both paths, so the copy is made only from the programs folder to a shortcut on the
// desktop: a format that led elsewhere (or a desktop the shell could not name) would
// have the shell write over any file.
void CopyToDesktop(InstallContext& ctx, const InstallPlan& plan, WindowRef owner,
                   const std::string& start, const std::string& desktop) {
  if (!LiesInside(start, plan.programsPath, &ctx.system) ||
      !LiesInside(desktop, plan.desktopPath, &ctx.system) || !IsShortcutFile(desktop))
    return;
  if (ctx.journal != nullptr) ctx.journal->BeforeOutside(JournalEntry::kDesktopCopy, desktop);
  ctx.system.ShellFileOperation(owner, ShellOp::kCopy, start, desktop, kDesktopCopyFlags);
}

// A key's value as a later read will find it, without recording its default now: the
// first read of a run fixes a default, and the journal must not change which one.
std::string Peek(IniFile& script, const TextKey& key) {
  const char* value = script.GetString(key.section, key.key, nullptr);
  return value != nullptr ? value : key.def != nullptr ? key.def : "";
}

void Note(InstallContext& ctx, const char* key, const std::string& value) {
  ctx.record.AddSection(record::kMoveFile);
  ctx.record.SetString(record::kMoveFile, key, value.c_str());
}

}  // namespace

std::string ConverterCommand(System& sys) {
  const std::string folder = CutAtLastSeparator(sys, sys.ModuleFilePath());
  std::string program = folder;
  if (folder.empty() || !JoinPath(sys, &program, kConverterProgram) || !sys.FileExists(program)) {
    program = sys.SystemDir();
    if (!JoinPath(sys, &program, kConverterProgram)) program = kConverterProgram;
  }
  return "\"" + program + "\" -o";
}

std::string GameGroupFolder(InstallContext& ctx, const InstallPlan& plan) {
  const std::string group =
      GroupFolderName(ctx.system, DescriptionName(Read(ctx.script, script::kGroupName)));
  if (group.empty()) return {};
  const std::string link = CutToPath(
      FormatString(Read(ctx.script, script::kStartLinkFormat), {plan.programsPath, group, "x.lnk"}),
      &ctx.system);
  const std::string folder = CutAtLastSeparator(ctx.system, link);
  return LiesInside(folder, plan.programsPath, &ctx.system) ? folder : std::string();
}

std::vector<std::pair<std::string, std::string>> RenamePairs(InstallContext& ctx) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int i = 0;; ++i) {
    const char* value = ctx.script.GetString(kRenames, FileKeyName(i).c_str(), nullptr);
    if (value == nullptr) break;
    // old,new: empty fields are skipped, anything after the second field is ignored.
    std::string names[2];
    int found = 0;
    const std::string text = value;
    std::size_t start = 0;
    while (found < 2 && start <= text.size()) {
      std::size_t comma = text.find(',', start);
      std::string field = text.substr(start, comma == std::string::npos ? comma : comma - start);
      if (!field.empty()) names[found++] = field;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (found < 2) continue;  // no new name: nothing to do
    // Both names stay inside the install folder: a rename never fetches a file from
    // elsewhere (which the uninstall would then delete) nor sends one away.
    if (!IsContainedRelativePath(names[0], false, &ctx.system) ||
        !IsContainedRelativePath(names[1], false, &ctx.system))
      continue;
    pairs.emplace_back(names[0], names[1]);
  }
  return pairs;
}

void RenameInstalledFiles(InstallContext& ctx, const InstallPlan& plan, WindowRef owner) {
  for (const auto& [oldName, newName] : RenamePairs(ctx)) {
    std::string from = plan.installFolder, to = plan.installFolder;
    if (!JoinPath(ctx.system, &from, oldName) || !JoinPath(ctx.system, &to, newName)) continue;
    if (ctx.journal != nullptr) {
      std::uint64_t bytes = 0;
      ctx.system.FileSize(from, &bytes);
      ctx.journal->BeforeFile(newName, bytes);
    }
    const int renamed =
        ctx.system.ShellFileOperation(owner, ShellOp::kRename, from, to, kCopyFlags);
    LogLine(ctx.log, "rename " + from + " -> " + to,
            renamed == 0 ? "done" : "FAILED (" + std::to_string(renamed) + ")");
    ctx.system.SetAttributes(to, kAttrArchive);
  }
}

void FinishInstall(InstallContext& ctx, const InstallPlan& plan, WindowRef owner) {
  System& sys = ctx.system;
  IniFile& script = ctx.script;

  std::string gameTemplate = kGameGroupTemplate;
  if (const char* custom = Read(script, script::kGroupTemplate))
    gameTemplate = std::string(custom).substr(0, kTemplateChars);

  // Every value in the group description stays on its own line and in its own field: a
  // value that carried a line break or a quote would add items or groups of its own.
  const std::string gameShort =
      DescriptionPath(ShortFormOf(sys, plan.installFolder, Read(script, script::kGameExeForGroup)));
  const std::string uninstallShort =
      DescriptionPath(ShortFormOf(sys, plan.sourceRoot, Read(script, script::kUninstallExe)));
  const std::string groupLine = DescriptionName(Read(script, script::kGroupName));
  const std::string gameTitle = DescriptionName(Read(script, script::kGameTitle));
  const std::string uninstallTitle = DescriptionName(Read(script, script::kUninstallTitle));
  const std::string targetLine = DescriptionPath(plan.installFolder);
  const std::string sourceLine = DescriptionPath(plan.sourceRoot);

  // Where the converter makes the group and its shortcuts, by the naming rule it follows
  // too; empty when the rule refuses the name (no shortcut can appear then).
  const std::string groupFolder = GroupFolderName(sys, groupLine);
  const std::string startFormat = Read(script, script::kStartLinkFormat);
  const std::string desktopFormat = Read(script, script::kDesktopLinkFormat);
  auto linkFile = [&](const std::string& title) {
    return ShortcutFileName(sys, DescriptionName(title));
  };
  auto startPath = [&](const std::string& link) -> std::string {
    if (link.empty() || groupFolder.empty()) return {};
    return CutToPath(FormatString(startFormat.c_str(), {plan.programsPath, groupFolder, link}),
                     &sys);
  };
  auto desktopPath = [&](const std::string& link) {
    return CutToPath(FormatString(desktopFormat.c_str(), {plan.desktopPath, link}), &sys);
  };

  // Before the converter runs: the group folder and the shortcuts it will make.
  if (ctx.journal != nullptr) {
    const std::string gameStart = startPath(linkFile(Peek(script, script::kGameLinkFile)));
    if (LiesInside(CutAtLastSeparator(sys, gameStart), plan.programsPath, &sys))
      ctx.journal->BeforeGroup(CutAtLastSeparator(sys, gameStart));
    std::vector<std::string> links = {
        gameStart, startPath(linkFile(Peek(script, script::kUninstallLinkFile)))};
    if (Read(script, script::kDemoLinks) != 0)
      links.push_back(startPath(linkFile(Peek(script, script::kDemoLinkFile))));
    for (const std::string& link : links)
      if (!link.empty()) ctx.journal->BeforeOutside(JournalEntry::kShortcut, link);
  }

  RunConverter(ctx, FormatString(gameTemplate.c_str(),
                                 {groupLine, groupLine, gameTitle, gameShort, gameShort, targetLine,
                                  uninstallTitle, uninstallShort, sourceLine}));
  sys.Pause(kConverterPauseMs);

  if (const char* demoTitle = Read(script, script::kDemoTitle)) {
    const std::string title = DescriptionName(demoTitle);
    const char* demoFile = Read(script, script::kDemoFile);
    const std::string demoShort =
        demoFile != nullptr ? DescriptionPath(ShortFormOf(sys, plan.installFolder, demoFile))
                            : gameShort;
    const std::string mode = DescriptionPath(Read(script, script::kDemoMode));
    RunConverter(ctx,
                 FormatString(kDemoGroupTemplate, {groupLine, title, demoShort, mode, targetLine}));
  }

  // A name the rule refuses is recorded empty: no shortcut has it, and the record's list
  // goes on past it.
  const std::string gameLink = linkFile(Read(script, script::kGameLinkFile));
  const std::string gameStart = startPath(gameLink);
  Note(ctx, "file0", gameStart);
  bool gameFound = false;
  if (gameStart.empty()) {
    LogLine(ctx.log, "shortcut of the game", "REFUSED: its name cannot be a file's");
  } else {
    sys.Pause(kShortcutPollMs);
    gameFound = WaitForShortcut(sys, gameStart);
    LogLine(ctx.log, "shortcut " + gameStart, gameFound ? "found" : "missing");
  }
  if (gameFound) {
    const std::string gameDesktop = desktopPath(gameLink);
    Note(ctx, "file2", gameDesktop);
    CopyToDesktop(ctx, plan, owner, gameStart, gameDesktop);
  }

  Note(ctx, "file1", startPath(linkFile(Read(script, script::kUninstallLinkFile))));

  if (Read(script, script::kDemoLinks) != 0) {
    const std::string demoLink = linkFile(Read(script, script::kDemoLinkFile));
    const std::string demoStart = startPath(demoLink);
    Note(ctx, "file3", demoStart);
    const bool demoFound = !demoStart.empty() && WaitForShortcut(sys, demoStart);
    LogLine(ctx.log, "shortcut " + demoStart, demoFound ? "found" : "missing");
    if (demoFound) {
      const std::string demoDesktop = desktopPath(demoLink);
      CopyToDesktop(ctx, plan, owner, demoStart, demoDesktop);
      Note(ctx, "file4", demoDesktop);
    }
  }
}

}  // namespace dl
