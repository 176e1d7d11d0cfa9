#include "install/finish.h"

#include "install/copy.h"
#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/one_line.h"
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
constexpr const char* kConverterCommand = "grpconv -o";
constexpr const char* kConversionFile = "setup.ini";
constexpr const char* kRenames = "[renname]";

// The short form of base joined with name; the long path when it has none.
std::string ShortFormOf(System& sys, const std::string& base, const std::string& name) {
  std::string path = base;
  if (!JoinPath(&path, name)) path = CutToPath(base + "\\" + name);
  std::string shortPath;
  return sys.ShortPath(path, &shortPath) ? shortPath : path;
}

// Writes the conversion file and starts the converter on it; false when the file could
// not be written (the converter is then not started).
bool RunConverter(InstallContext& ctx, const std::string& text) {
  std::string file = ctx.system.WindowsDir();
  if (!JoinPath(&file, kConversionFile)) return false;
  if (ctx.journal != nullptr) ctx.journal->BeforeOutside(JournalEntry::kConversion, file);
  auto out = ctx.system.CreateForWriting(file);
  if (out == nullptr) return false;
  bool ok = out->Write(text.data(), text.size());
  ok = out->Close() && ok;
  LogLine(ctx.log, "group text " + file, ok ? "written" : "FAILED");
  if (!ok) return false;
  ctx.system.StartProgram(kConverterCommand, /*hidden=*/true);
  LogLine(ctx.log, "start", kConverterCommand);
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
  if (!LiesInside(start, plan.programsPath) || !LiesInside(desktop, plan.desktopPath) ||
      !IsShortcutFile(desktop))
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

// The parent folder of a path ("" when it has none).
std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

void Note(InstallContext& ctx, const char* key, const std::string& value) {
  ctx.record.AddSection(record::kMoveFile);
  ctx.record.SetString(record::kMoveFile, key, value.c_str());
}

}  // namespace

std::string ShortcutFileName(const std::string& itemName) {
  return itemName.substr(0, itemName.find('.')) + ".lnk";
}

void RenameInstalledFiles(InstallContext& ctx, const InstallPlan& plan, WindowRef owner) {
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
    if (!IsContainedRelativePath(names[0], false) || !IsContainedRelativePath(names[1], false))
      continue;
    std::string from = plan.installFolder, to = plan.installFolder;
    if (!JoinPath(&from, names[0]) || !JoinPath(&to, names[1])) continue;
    if (ctx.journal != nullptr) {
      std::uint64_t bytes = 0;
      ctx.system.FileSize(from, &bytes);
      ctx.journal->BeforeFile(names[1], bytes);
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

  // Every value in the group description stays on its own line: a value that carried a
  // line break would add items or groups of its own.
  auto line = [](const std::string& value) { return std::string(FirstLine(value)); };
  const std::string gameShort =
      line(ShortFormOf(sys, plan.installFolder, Read(script, script::kGameExeForGroup)));
  const std::string uninstallShort =
      line(ShortFormOf(sys, plan.sourceRoot, Read(script, script::kUninstallExe)));
  const std::string group = Read(script, script::kGroupName);
  const std::string groupLine = line(group);
  const std::string gameTitle = line(Read(script, script::kGameTitle));
  const std::string uninstallTitle = line(Read(script, script::kUninstallTitle));
  const std::string targetLine = line(plan.installFolder), sourceLine = line(plan.sourceRoot);

  const std::string startFormat = Read(script, script::kStartLinkFormat);
  const std::string desktopFormat = Read(script, script::kDesktopLinkFormat);
  auto startPath = [&](const std::string& link) {
    return CutToPath(FormatString(startFormat.c_str(), {plan.programsPath, group, link}));
  };
  auto desktopPath = [&](const std::string& link) {
    return CutToPath(FormatString(desktopFormat.c_str(), {plan.desktopPath, link}));
  };

  // Before the converter runs: the group folder and the shortcuts it will make.
  if (ctx.journal != nullptr) {
    const std::string gameStart = startPath(ShortcutFileName(Peek(script, script::kGameLinkFile)));
    if (LiesInside(FolderOf(gameStart), plan.programsPath))
      ctx.journal->BeforeGroup(FolderOf(gameStart));
    ctx.journal->BeforeOutside(JournalEntry::kShortcut, gameStart);
    ctx.journal->BeforeOutside(
        JournalEntry::kShortcut,
        startPath(ShortcutFileName(Peek(script, script::kUninstallLinkFile))));
    if (Read(script, script::kDemoLinks) != 0)
      ctx.journal->BeforeOutside(JournalEntry::kShortcut,
                                 startPath(ShortcutFileName(Peek(script, script::kDemoLinkFile))));
  }

  RunConverter(ctx, FormatString(gameTemplate.c_str(),
                                 {groupLine, groupLine, gameTitle, gameShort, gameShort, targetLine,
                                  uninstallTitle, uninstallShort, sourceLine}));
  sys.Pause(kConverterPauseMs);

  if (const char* demoTitle = Read(script, script::kDemoTitle)) {
    const std::string title = line(demoTitle);
    const char* demoFile = Read(script, script::kDemoFile);
    const std::string demoShort =
        demoFile != nullptr ? line(ShortFormOf(sys, plan.installFolder, demoFile)) : gameShort;
    const std::string mode = line(Read(script, script::kDemoMode));
    RunConverter(ctx,
                 FormatString(kDemoGroupTemplate, {groupLine, title, demoShort, mode, targetLine}));
  }

  const std::string gameLink = ShortcutFileName(Read(script, script::kGameLinkFile));
  const std::string gameStart = startPath(gameLink);
  Note(ctx, "file0", gameStart);
  const std::string gameDesktop = desktopPath(gameLink);
  sys.Pause(kShortcutPollMs);
  const bool gameFound = WaitForShortcut(sys, gameStart);
  LogLine(ctx.log, "shortcut " + gameStart, gameFound ? "found" : "missing");
  if (gameFound) {
    Note(ctx, "file2", gameDesktop);
    CopyToDesktop(ctx, plan, owner, gameStart, gameDesktop);
  }

  Note(ctx, "file1", startPath(ShortcutFileName(Read(script, script::kUninstallLinkFile))));

  if (Read(script, script::kDemoLinks) != 0) {
    const std::string demoLink = ShortcutFileName(Read(script, script::kDemoLinkFile));
    const std::string demoStart = startPath(demoLink);
    Note(ctx, "file3", demoStart);
    const std::string demoDesktop = desktopPath(demoLink);
    const bool demoFound = WaitForShortcut(sys, demoStart);
    LogLine(ctx.log, "shortcut " + demoStart, demoFound ? "found" : "missing");
    if (demoFound) {
      CopyToDesktop(ctx, plan, owner, demoStart, demoDesktop);
      Note(ctx, "file4", demoDesktop);
    }
  }
}

}  // namespace dl
