#include "launcher/start_up.h"

#include <memory>

#include "install/copy.h"
#include "install/install_journal.h"
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
constexpr std::uint32_t kRecordSlots = 5;

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

// The folder in which an uninstall from the hard disk goes on: "<temp>\<record>-uninstall".
// Empty when there is no temporary folder.
std::string TemporaryCopyFolder(System& sys, const std::string& recordName) {
  std::string folder = sys.TempDir();
  if (folder.empty() || !JoinPath(sys, &folder, ProgramEntryName(recordName) + "-uninstall"))
    return {};
  return folder;
}

// An uninstall started from the launcher's copy in the install folder would hold that
// folder open while it removes it: it goes on from a copy in the temporary folder, and this
// run ends. True when the copy was started.
bool HandOverToTemporaryCopy(LauncherContext& ctx, const std::string& launcherFolder,
                             const std::string& recordName) {
  System& sys = ctx.system;
  // Only the copy an install keeps: "<install folder>\_uninstall" (or _uninstall2...) on a
  // hard disk. A record names what anyone wrote there: one that names the disc's own root
  // (or any folder above the launcher) must not turn a start from the disc into an uninstall.
  const char* installFolder = Read(ctx.record, record::kInstallFolder);
  if (installFolder == nullptr || launcherFolder.empty()) return false;
  const std::string folderName = FileNameOf(sys, launcherFolder);
  const std::string prefix = kUninstallerFolder;
  if (sys.FoldCase(folderName.substr(0, prefix.size())) != sys.FoldCase(prefix) ||
      CanonicalPath(CutAtLastSeparator(sys, launcherFolder), &sys) !=
          CanonicalPath(installFolder, &sys) ||
      CanonicalPath(installFolder, &sys).empty() ||
      sys.DriveKind(launcherFolder.substr(0, 1) + ":\\") == DriveType::kCdRom)
    return false;
  const std::string canonicalLauncher = CanonicalPath(launcherFolder, &sys);
  const std::string temporary = TemporaryCopyFolder(sys, recordName);
  // Never to itself: a launcher that runs from that folder already goes on here.
  if (temporary.empty() || CanonicalPath(temporary, &sys) == canonicalLauncher) return false;
  InstallContext install = ctx.install();
  const std::string copy = CopyUninstaller(install, launcherFolder, temporary);
  if (copy.empty()) return false;
  const CommandLine& line = ctx.state.commandLine;
  std::string command = "\"" + copy + "\" /U";
  if (line.silent) command += " /S";
  std::string log;
  if (line.log) command += " /LOG=\"" + (sys.ResolvePath(*line.log, &log) ? log : *line.log) + "\"";
  LogLine(ctx.log, "uninstall", "goes on from " + temporary);
  // The copy writes the log anew: this run lets go of it first.
  if (auto* deferred = dynamic_cast<DeferredLog*>(ctx.log)) deferred->Open(nullptr);
  return sys.StartProgram(command, /*hidden=*/false) > 31;
}

// The copy an uninstall was handed over to cannot remove itself: when this launcher is it,
// it goes when Windows next starts, its files first.
void RemoveTemporaryCopyAtRestart(LauncherContext& ctx, const std::string& launcherFolder,
                                  const std::string& recordName) {
  System& sys = ctx.system;
  const std::string temporary = TemporaryCopyFolder(sys, recordName);
  if (temporary.empty() || CanonicalPath(temporary, &sys) != CanonicalPath(launcherFolder, &sys))
    return;
  std::string pattern = temporary;
  bool taken = JoinPath(sys, &pattern, "*");
  for (const FoundFile& f : sys.FindFiles(pattern))
    if (!f.isDirectory) taken = sys.RemoveAtRestart(temporary + "\\" + f.name) && taken;
  taken = sys.RemoveAtRestart(temporary) && taken;
  LogLine(ctx.log, "temporary copy " + temporary,
          taken ? "removed when Windows next starts" : "KEPT: the system took no removal");
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
  // An uninstall needs no disc: the script beside the launcher (on the disc, or in the
  // copy an install keeps on the hard disk) says what the game's files are.
  if (line.uninstall && !launcherFolder.empty()) sys.ChangeDir(launcherFolder);

  st.systemLocale = sys.SystemLocale();
  st.scriptName =
      st.systemLocale == script::kChineseLocale ? script::kScriptNameChinese : script::kScriptName;

  ctx.script.LoadFile(sys, st.scriptName.c_str());
  if (!ctx.script.loaded) {
    // No way out but a disc that holds the script.
    while (!FindInstallDisc(ctx)) sys.ShowMessage(nullptr, "Install Disc not Find", "Error");
  }

  st.scriptFolder = sys.CurrentDir();
  std::string recordName = Read(ctx.script, script::kRecordName);
  // The log has its place once the record's name is known: /LOG=, or the temporary folder.
  if (deferred != nullptr && !st.commandLine.log)
    deferred->Open(std::make_unique<FileLog>(sys, DefaultLogPath(sys, recordName)));
  LogLine(ctx.log, "script", ctx.script.loaded ? st.scriptName + " read" : "none");

  if (sys.WindowWithTitleExists(Read(ctx.script, script::kTextTitle))) {
    LogLine(ctx.log, "start-up", "REFUSED: another launcher shows its dialog");
    return refused;
  }

  // The Windows directory and the program's path are taken at most 260 bytes long.
  st.recordPath = CutToPath(CutToPath(sys.WindowsDir(), &sys) + "\\" + recordName, &sys);
  ReadInstallRecord(ctx, recordName);
  RecoverUnfinishedInstall(ctx);
  // The copy in the install folder is there to uninstall: started without switches (a
  // double click), it uninstalls as /U does.
  const bool plainStart = !line.silent && !line.folder && !line.directx;
  if ((line.uninstall || plainStart) && ctx.record.loaded &&
      HandOverToTemporaryCopy(ctx, launcherFolder, recordName))
    return static_cast<int>(ExitCode::kDone);

  std::string firstLabel = ctx.script.GetString(DiscSectionName(0).c_str(), script::kLabelKey,
                                                script::kFirstDiscLabelDefault);
  st.tryMode = Read(ctx.script, script::kTry);
  std::int32_t updateFlag = Read(ctx.script, script::kUpdate);

  if (!line.uninstall && !FindDiscByLabel(sys, firstLabel) && updateFlag == 0) {
    for (int prompt = 0; prompt < kFirstDiscPrompts; ++prompt) {
      std::string caption = ReadOrEmpty(ctx.script, script::kCaptionWrongDisc);
      sys.ShowMessage(nullptr, DiscPromptText(ctx.script, 1), caption);
      if (FindDiscByLabel(sys, firstLabel)) break;
    }
  }

  st.discRoot = launcherFolder.empty() ? std::string() : launcherFolder.substr(0, 1) + ":\\";
  st.sourceRoot = CutAtLastSeparator(sys, launcherFolder);

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
  if (line.uninstall) RemoveTemporaryCopyAtRestart(ctx, launcherFolder, recordName);
  return st.commandLine.RunsByItself() ? static_cast<int>(st.exitCode) : kExitNormal;
}

}  // namespace dl
