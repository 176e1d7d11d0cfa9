#include "launcher/start_up.h"

#include <memory>

#include "install/copy.h"
#include "install/disc_finder.h"
#include "install/install_journal.h"
#include "install/install_record.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "install/program_entry.h"
#include "install/undo.h"
#include "launcher/command_line.h"
#include "launcher/drives.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/safe_format.h"

namespace dl {
namespace {

constexpr int kFirstDiscPrompts = 3;

// Reads the install record through the pack: a missing pack, a pack without the entry or
// a damaged entry leave the record not loaded.
void ReadInstallRecord(LauncherContext& ctx, const std::string& recordName) {
  if (!ctx.pack.Open(ctx.state.recordPath.c_str(), kRecordSlots, 0)) return;
  PackSlot* slot = ctx.pack.LoadEntry(recordName.c_str());
  if (slot == nullptr) return;  // the pack stays open; the writer reopens it
  ctx.record.LoadBuffer(reinterpret_cast<const char*>(slot->data),
                        static_cast<std::int32_t>(slot->size));
  ctx.pack.ReleaseEntry(slot);
  // What the install made, when it was recorded with a journal.
  if (PackSlot* journal = ctx.pack.LoadEntry(kJournalEntryName)) {
    ctx.state.recordJournal.assign(reinterpret_cast<const char*>(journal->data), journal->size);
    ctx.pack.ReleaseEntry(journal);
  }
  ctx.pack.Close();
}

// An install that did not end (the process was killed, the power cut) left its journal
// and no record: what it made is removed before anything else, once the user agrees (an
// unattended run does it). A journal beside a record belongs to an install that was
// recorded: it only has to go.
void RecoverUnfinishedInstall(LauncherContext& ctx) {
  System& sys = ctx.system;
  LauncherState& st = ctx.state;
  const std::string path = JournalFilePath(st.recordPath);
  std::string text;
  if (!sys.ReadWholeFile(path, &text)) return;
  if (ctx.record.loaded) {
    sys.RemoveFile(path);
    LogLine(ctx.log, "journal " + path, "removed: the install it describes was recorded");
    return;
  }
  const Journal journal = ParseJournal(text, &sys);
  for (const std::string& problem : journal.problems)
    LogLine(ctx.log, "journal " + path, "LINE REFUSED: " + problem);
  const std::string title = Read(ctx.script, script::kTextTitle);
  // Names written in another code page name other files here: nothing is undone by them.
  if (const std::string problem = journal.CodePageProblem(sys.AnsiCodePage()); !problem.empty()) {
    LogLine(ctx.log, "journal " + path, "KEPT: " + problem);
    if (!st.commandLine.silent)
      sys.ShowMessage(nullptr,
                      "An earlier install into " + journal.installFolder +
                          " did not finish, but what it copied cannot be told apart here: " +
                          problem + ". Nothing was removed.",
                      title);
    return;
  }
  if (!journal.installFolder.empty() && !st.commandLine.silent &&
      !sys.AskYesNo(nullptr,
                    "An earlier install into " + journal.installFolder +
                        " did not finish.\n\nRemove what it had copied there?",
                    title)) {
    LogLine(ctx.log, "journal " + path, "KEPT: the user chose to keep what it lists");
    return;
  }
  InstallPlan plan;
  plan.recordPath = st.recordPath;
  plan.desktopPath = st.desktopPath;
  plan.programsPath = st.programsPath;
  plan.silent = st.commandLine.silent;
  InstallContext install = ctx.install();
  const UndoResult undone = RollBackInstall(install, plan, journal.entries, nullptr);
  sys.RemoveFile(path);
  LogLine(ctx.log, "unfinished install " + journal.installFolder,
          "undone: " + std::to_string(undone.removed) + " removed, " +
              std::to_string(undone.notRemoved.size()) + " not removed");
  if (!undone.notRemoved.empty() && !st.commandLine.silent)
    sys.ShowMessage(nullptr, "These could not be removed:" + ListOf(undone.notRemoved), title);
}

}  // namespace

int LauncherMain(LauncherContext& ctx, ModuleRef instance,
                 const std::function<void()>& showDialog) {
  System& sys = ctx.system;
  LauncherState& st = ctx.state;

  st.instance = instance;
  // An unattended run that is refused says so in its exit code.
  const int refused =
      st.commandLine.RunsByItself() ? static_cast<int>(ExitCode::kRefused) : kExitNormal;
  // With /LOG= the log can start at once (else it waits for the record's name).
  auto* deferred = dynamic_cast<DeferredLog*>(ctx.log);
  if (deferred != nullptr && st.commandLine.log)
    deferred->Open(std::make_unique<FileLog>(sys, *st.commandLine.log));
  // A refusal made before the record's name is known goes to %TEMP%\setup.log.
  auto logEarly = [&] {
    if (deferred != nullptr && !st.commandLine.log)
      deferred->Open(std::make_unique<FileLog>(sys, DefaultLogPath(sys, "")));
  };
  const CommandLine& line = st.commandLine;
  if (line.help) {
    sys.ShowMessage(nullptr, CommandLineHelp(), "setup");
    return static_cast<int>(ExitCode::kDone);
  }
  if (!line.problems.empty()) {
    std::string text = "These switches are unknown or incomplete:";
    for (const std::string& p : line.problems) text += "\n" + p;
    logEarly();
    LogLine(ctx.log, "command line", "REFUSED: " + text.substr(text.find(':') + 2));
    // Unattended, nobody would press OK: the log says it.
    if (!line.silent) sys.ShowMessage(nullptr, text + "\n\n" + CommandLineHelp(), "setup");
    return static_cast<int>(ExitCode::kRefused);
  }
  // A relative /D= is relative to the folder the launcher was started in, which it leaves
  // when it looks for its script on a disc.
  std::string folder;
  if (st.commandLine.folder && sys.ResolvePath(*st.commandLine.folder, &folder))
    st.commandLine.folder = folder;
  if (sys.WindowOfClassExists(kGameWindowClass)) {
    logEarly();
    LogLine(ctx.log, "start-up", "REFUSED: the game is running");
    return refused;
  }

  LoadSpecialFolders(ctx);

  const std::string launcherFolder = CutAtLastSeparator(sys, CutToPath(sys.ModuleFilePath(), &sys));
  // The copy an install keeps beside its record is there to uninstall: started without
  // switches (a double click), it uninstalls as /U does.
  const bool plainStart =
      !line.silent && !line.folder && !line.directx && !line.verify && !line.repair;
  const bool fromUninstaller = IsUninstallerFolder(sys, launcherFolder);
  // An uninstall needs no disc: the script beside the launcher (on the disc, or in that
  // copy) says what the game's files are.
  if ((line.NeedsNoDisc() || fromUninstaller) && !launcherFolder.empty())
    sys.ChangeDir(launcherFolder);

  st.systemLocale = sys.SystemLocale();
  st.scriptName =
      st.systemLocale == script::kChineseLocale ? script::kScriptNameChinese : script::kScriptName;

  ctx.script.LoadFile(sys, st.scriptName.c_str());
  if (!ctx.script.loaded) {
    // Asked again until a drive holds a disc with the script, or the user cancels.
    while (!FindInstallDisc(ctx)) {
      if (!sys.AskOkCancel(nullptr, "Install Disc not Find", "Error")) {
        logEarly();
        LogLine(ctx.log, "start-up", "cancelled by the user: no disc holds " + st.scriptName);
        return static_cast<int>(ExitCode::kCancelled);
      }
    }
  }

  st.scriptFolder = sys.CurrentDir();
  std::string recordName = Read(ctx.script, script::kRecordName);
  // The log has its place once the record's name is known: /LOG=, or the temporary folder.
  if (deferred != nullptr && !st.commandLine.log)
    deferred->Open(std::make_unique<FileLog>(sys, DefaultLogPath(sys, recordName)));
  LogLine(ctx.log, "script", ctx.script.loaded ? st.scriptName + " read" : "none");

  // The record's name is its pack's file name in the Windows directory: one that leads
  // anywhere else would have an administrator's launcher read, undo and delete what a
  // standard user planted there. Nothing is read or written with it.
  if (const std::string problem = RecordNameProblem(recordName, &sys); !problem.empty()) {
    LogLine(ctx.log, "record name " + recordName, "REFUSED: " + problem);
    if (!line.silent)
      sys.ShowMessage(nullptr,
                      "The setup script names its install record \"" + recordName +
                          "\" ([setup] name=), which cannot be used: " + problem +
                          ".\n\nNothing was changed. The disc's setup script must be mended.",
                      "Error");
    return static_cast<int>(ExitCode::kFailed);
  }
  if (fromUninstaller && plainStart && IsUninstallerFolder(sys, launcherFolder, recordName))
    st.commandLine.uninstall = true;

  if (sys.WindowWithTitleExists(Read(ctx.script, script::kTextTitle))) {
    LogLine(ctx.log, "start-up", "REFUSED: another launcher shows its dialog");
    return refused;
  }

  // The Windows directory and the program's path are taken at most 260 bytes long.
  st.recordPath = CutToPath(CutToPath(sys.WindowsDir(), &sys) + "\\" + recordName, &sys);
  ReadInstallRecord(ctx, recordName);
  RecoverUnfinishedInstall(ctx);

  std::string firstLabel = ctx.script.GetString(DiscSectionName(0).c_str(), script::kLabelKey,
                                                script::kFirstDiscLabelDefault);
  st.tryMode = Read(ctx.script, script::kTry);
  std::int32_t updateFlag = Read(ctx.script, script::kUpdate);

  st.launcherFolder = launcherFolder;
  st.discRoot = launcherFolder.empty() ? std::string() : launcherFolder.substr(0, 1) + ":\\";
  st.sourceRoot = CutAtLastSeparator(sys, launcherFolder);
  // A launcher on a hard disk, a network share or a memory stick runs from a copy of the
  // discs in folders: those have no labels, and each disc is found by its files.
  st.discsInFolders = !launcherFolder.empty() && sys.DriveKind(st.discRoot) != DriveType::kCdRom;
  if (st.discsInFolders) {
    // Disc 1 is the launcher's own folder when that holds what disc 1 lists: what the
    // install takes from disc 1 besides its list (the demo, the uninstall item) is there.
    InstallContext install = ctx.install();
    if (!st.sourceRoot.empty() && HoldsDiscFiles(install, launcherFolder, DiscSectionName(0)))
      st.sourceRoot = launcherFolder;
    LogLine(ctx.log, "discs",
            "in folders: disc 1 in " + (st.sourceRoot.empty() ? launcherFolder : st.sourceRoot));
  }
  if (!line.NeedsNoDisc() && !st.discsInFolders && updateFlag == 0 &&
      !FindDiscByLabel(sys, firstLabel)) {
    for (int prompt = 0; prompt < kFirstDiscPrompts; ++prompt) {
      std::string caption = ReadOrEmpty(ctx.script, script::kCaptionWrongDisc);
      if (!sys.AskOkCancel(nullptr, DiscPromptText(ctx.script, 1), caption)) {
        LogLine(ctx.log, "prompt for disc 1", "cancelled by the user");
        return static_cast<int>(ExitCode::kCancelled);
      }
      if (FindDiscByLabel(sys, firstLabel)) break;
    }
  }

  const bool haveRecord = ctx.record.loaded != 0;
  if (updateFlag != 0) {
    if (!haveRecord) {
      LogLine(ctx.log, "mode", "REFUSED: an update disc, and no install record");
      if (!line.silent) sys.ShowMessage(nullptr, "error", "can't find KVX");
      return kExitNoInstallation;
    }
    st.mode = LaunchMode::kUpdate;
    LogLine(ctx.log, "mode",
            "update: the disc is an update and " + st.recordPath + ".pak holds a record");
  } else {
    st.mode = haveRecord ? LaunchMode::kInstalled : LaunchMode::kInstall;
    LogLine(ctx.log, "mode",
            haveRecord ? "installed: " + st.recordPath + ".pak holds a record"
                       : "install: no install record");
  }

  st.requiredSpace = Read(ctx.script, script::kInstSize);
  st.targetDriveRoot = "C:\\";
  ProbeFreeSpace(ctx, 3);

  showDialog();
  // A cancelled install says so whoever started it; otherwise only an unattended run
  // tells its outcome.
  if (st.exitCode == ExitCode::kCancelled) return static_cast<int>(ExitCode::kCancelled);
  return st.commandLine.RunsByItself() ? static_cast<int>(st.exitCode) : kExitNormal;
}

}  // namespace dl
