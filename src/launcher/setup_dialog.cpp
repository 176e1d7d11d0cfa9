#include "launcher/setup_dialog.h"

#include <vector>

#include "install/copy.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "install/program_entry.h"
#include "install/uninstall.h"
#include "install/verify.h"
#include "launcher/drives.h"
#include "probe/probe.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/safe_format.h"

namespace dl {
namespace {

constexpr std::size_t kPictureSpecChars = 259;
constexpr std::size_t kFolderFieldChars = 259;

// The status text is composed in a buffer of 1,024 bytes: what does not fit is dropped.
void Append(std::string* status, const std::string& text) {
  const std::size_t room = kStatusCapacity - 1;
  if (status->size() >= room) return;
  status->append(text, 0, room - status->size());
}

std::string WithLine(const char* format, const char* text) {
  return FormatString(format, {FormatArg(text)});
}

std::string DriveRootOf(const std::string& path) {
  if (path.empty()) return std::string();
  return FormatString("%c:\\", {FormatArg(path[0])});
}

std::string FromFourthChar(const std::string& path) {
  return path.size() > 3 ? path.substr(3) : std::string();
}

}  // namespace

PictureSpec ParsePictureSpec(const std::string& value) {
  std::string text = value.substr(0, kPictureSpecChars);
  PictureSpec spec;
  std::size_t comma = text.find(',');
  spec.name = text.substr(0, comma);
  int* fields[] = {&spec.x, &spec.y, &spec.width, &spec.height};
  std::size_t next = 0;
  while (comma != std::string::npos && next < 4) {
    std::size_t start = comma + 1;
    comma = text.find(',', start);
    std::string field = text.substr(start, comma == std::string::npos ? comma : comma - start);
    if (field.empty()) continue;  // two commas in a row count as one
    *fields[next++] = ParseScriptInt(field.c_str());
  }
  return spec;
}

void CenteredOrigin(Size screen, Size window, int* x, int* y) {
  *x = (screen.width - window.width) / 2;
  *y = (screen.height - window.height) / 2;
}

std::string FreeSpaceLine(const std::string& label, std::uint64_t freeSpace, bool opening) {
  const char* format;
  std::uint64_t amount;
  if (freeSpace < 1024) {
    format = opening ? "\n%s:%d bytes" : "\n%s,%d bytes";
    amount = freeSpace;
  } else if (freeSpace < 1024 * 1024) {
    format = "\n%s,%d Kbytes";
    amount = freeSpace / 1024;
  } else {
    format = "\n%s,%d Mbytes";
    amount = freeSpace / (1024 * 1024);
  }
  // The amount is shown as a signed 32-bit number.
  return FormatString(format, {FormatArg(label), FormatArg(static_cast<std::int32_t>(amount))});
}

bool SpaceSuffices(std::uint64_t freeSpace, std::int32_t requiredSpace) {
  // The requirement is widened with its sign, so a negative one is never met.
  return freeSpace > static_cast<std::uint64_t>(static_cast<std::int64_t>(requiredSpace));
}

std::string SetupDialog::SystemReport() {
  std::string report;
  WriteSystemReport(ctx_.system, ctx_.script, ctx_.state.systemLocale, ctx_.state.probe, &report);
  if (report.size() > kStatusCapacity - 1) report.resize(kStatusCapacity - 1);
  return report;
}

void SetupDialog::ShowStatus(const std::string& text) {
  view_.SetControlText(kStatusText, text.substr(0, kShownStatusChars));
}

void SetupDialog::HideFolderChoice() {
  view_.ShowControl(kDriveButton, false);
  ShowFolderField(false);
  view_.ShowControl(kStatusText, false);
}

void SetupDialog::HideInstallAndPlay() {
  view_.ShowControl(kInstallButton, false);
  view_.ShowControl(kPlayButton, false);
}

InstallPlan PlanCommand(CodePage& codePage, const LauncherState& st, IniFile& script,
                        const std::string& folderField, const std::string& statusText) {
  InstallPlan plan;
  plan.mode = st.mode;
  plan.tryMode = st.tryMode != 0;
  plan.discRoot = st.discRoot;
  plan.sourceRoot = st.sourceRoot;
  plan.recordPath = st.recordPath;
  plan.desktopPath = st.desktopPath;
  plan.programsPath = st.programsPath;
  plan.statusText = statusText;
  plan.scriptFolder = st.scriptFolder;
  plan.launcherFolder = st.launcherFolder;
  plan.discsInFolders = st.discsInFolders;
  plan.discs = DiscSections(script);
  plan.silent = st.commandLine.silent;
  plan.sayWhenRemoved = st.commandLine.uninstall && !st.commandLine.silent;
  // Formed as the copy forms it even without a disc to copy, so that what is finished and
  // recorded is always a full path (never the field's text, relative to the current folder);
  // an unattended run's /D= is the folder itself.
  plan.installFolder = st.exactFolder.empty()
                           ? InstallFolder(codePage, script, st.targetDriveRoot, folderField)
                           : st.exactFolder;
  return plan;
}

InstallPlan SetupDialog::PlanInstall() {
  return PlanCommand(ctx_.system, ctx_.state, ctx_.script,
                     view_.ControlText(kFolderField, kFolderFieldChars), statusTextCopy_);
}

void SetupDialog::ShowPicture(int id, const char* value) {
  if (value == nullptr) return;
  PictureSpec spec = ParsePictureSpec(value);
  // The script places its pictures in pixels at 100 % scale.
  const int dpi = view_.Dpi();
  const Rect at{Scaled(spec.x, dpi), Scaled(spec.y, dpi), Scaled(spec.width, dpi),
                Scaled(spec.height, dpi)};
  if (!view_.MoveControl(id, at.x, at.y, at.width, at.height)) return;
  view_.LoadPicture(id, spec.name, at.width, at.height);
}

void SetupDialog::ShowFolderField(bool visible) {
  view_.ShowControl(kFolderField, visible);
  view_.ShowControl(kFolderLabel, visible);
}

void SetupDialog::FitLayout() {
  const int dpi = view_.Dpi();
  std::vector<LaidControl> controls;
  const std::pair<int, LaidControl::Fit> fits[] = {
      {kFolderLabel, LaidControl::kLabel},  {kFolderField, LaidControl::kFixed},
      {kDriveButton, LaidControl::kButton}, {kInstallButton, LaidControl::kButton},
      {kPlayButton, LaidControl::kButton},  {kExitButton, LaidControl::kButton},
      {kDemoButton, LaidControl::kButton}};
  for (const auto& [id, fit] : fits) {
    LaidControl c;
    c.id = id;
    c.fit = fit;
    c.rect = view_.ControlRect(id);
    if (fit != LaidControl::kFixed)
      c.text = view_.TextSize(id, view_.ControlText(id, kStatusCapacity), 0);
    controls.push_back(c);
  }
  FitTexts(&controls, {Scaled(kDialogClientWidth, dpi), Scaled(kDialogClientHeight, dpi)}, dpi);
  for (const LaidControl& c : controls)
    if (c.rect != view_.ControlRect(c.id))
      view_.MoveControl(c.id, c.rect.x, c.rect.y, c.rect.width, c.rect.height);
}

void SetupDialog::FocusDefaultButton() {
  view_.FocusControl(DefaultButton());
}

void SetupDialog::OnInit() {
  LauncherState& st = ctx_.state;
  IniFile& script = ctx_.script;

  ProbeDirectX(ctx_.system, &st.probe.directXVersion, &st.probe.osPlatform);
  std::string status = SystemReport();
  std::string reportLine = status;
  for (std::size_t at = reportLine.find('\n'); at != std::string::npos; at = reportLine.find('\n'))
    reportLine.replace(at, 1, " | ");
  LogLine(ctx_.log, "system", reportLine);

  // 640 x 480 at 100 % scale, and as much more as the dialog's font grows.
  const int dpi = view_.Dpi();
  Size window =
      view_.WindowSizeForClient(Scaled(kDialogClientWidth, dpi), Scaled(kDialogClientHeight, dpi));
  int x = 0, y = 0;
  CenteredOrigin(view_.ScreenSize(), window, &x, &y);
  view_.MoveWindowTo(x, y, window.width, window.height);

  view_.LimitText(kFolderField, kFolderFieldLimit);
  view_.SetControlText(kFolderField, Read(script, script::kPath2AtOpen));
  view_.SetControlText(kDriveButton, "C:\\");
  view_.SetTitle(Read(script, script::kTextTitle));
  // What a screen reader says of the picture and of the folder field.
  view_.SetControlText(kPicture, Read(script, script::kTextTitle));
  view_.SetControlText(kFolderLabel, Read(script, script::kTextFolderLabel));

  if (Read(script, script::kDemoButton) != 0) {
    view_.SetControlText(kDemoButton, Read(script, script::kDemoName));
    view_.ShowControl(kDemoButton, true);
  }

  LayOutForMode(&status);

  if (st.probe.directXVersion < kDirectX8)
    Append(&status, WithLine("\n%s", Read(script, script::kTextDriverOld)));

  statusTextCopy_ = status;
  ShowStatus(status);
  FitLayout();
  FocusDefaultButton();
}

void SetupDialog::LayOutForMode(std::string* status) {
  LauncherState& st = ctx_.state;
  IniFile& script = ctx_.script;
  switch (st.mode) {
    case LaunchMode::kInstall:
      view_.ShowControl(kPlayButton, false);
      ShowPicture(kPicture, Read(script, script::kPicInstall));
      Append(status, FreeSpaceLine(Read(script, script::kTextFreeSpace), st.freeSpace, true));
      view_.ShowControl(kInstallButton, false);
      if (SpaceSuffices(st.freeSpace, st.requiredSpace) && st.probe.directXVersion >= kDirectX5)
        view_.ShowControl(kInstallButton, true);
      else
        Append(status, WithLine("\n%s", Read(script, script::kTextNoSpace)));
      view_.ShowControl(kOptionalControl, true);
      view_.ShowControl(kExtraInstallerButton, true);
      break;
    case LaunchMode::kInstalled:
      view_.ShowControl(kDriveButton, false);
      ShowFolderField(false);
      ShowPicture(kPicture, Read(script, script::kPicInstalled));
      if (st.probe.directXVersion < kDirectX8) view_.ShowControl(kPlayButton, false);
      view_.SetControlText(kInstallButton, Read(script, script::kTextUninstall));
      view_.ShowControl(kInstallButton, true);
      view_.ShowControl(kOptionalControl, true);
      view_.ShowControl(kExtraInstallerButton, true);
      break;
    case LaunchMode::kUpdate: {
      view_.ShowControl(kPlayButton, false);
      view_.ShowControl(kDemoButton, false);
      view_.ShowControl(kOptionalControl, false);
      view_.ShowControl(kExtraInstallerButton, false);
      view_.ShowControl(kInstallButton, true);
      view_.ShowControl(kDriveButton, false);
      ShowFolderField(true);
      ShowPicture(kPicture, Read(script, script::kPicInstall));
      std::string installed = Read(ctx_.record, record::kInstallFolderShown);
      st.targetDriveRoot = DriveRootOf(installed);
      view_.SetControlText(kDriveButton, st.targetDriveRoot);
      view_.SetControlText(kFolderField, FromFourthChar(installed));
      break;
    }
  }
}

void SetupDialog::OnCommand(std::uintptr_t wparam) {
  // Only a click counts: the whole parameter must equal the control's ID.
  LauncherState& st = ctx_.state;
  switch (wparam) {
    case kInstallButton:
      if (busy_ == 0) InstallCommand();
      break;
    case kIdOk:  // Enter
      if (busy_ == 0) OnCommand(static_cast<std::uintptr_t>(DefaultButton()));
      break;
    case kIdCancel:  // Esc
    case kExitButton:
      if (copying_)
        AskToStop();
      else if (busy_ == 0)
        EndDialog();
      break;
    case kDriveButton:
      if (st.mode == LaunchMode::kInstall && busy_ == 0) ChooseFolder();
      break;
    case kPlayButton:
      if (busy_ == 0) {
        ops_.RunGame(view_.window());
        EndDialog();
      }
      break;
    case kDemoButton:
      if (busy_ == 0) {
        ops_.RunDemo(PlanInstall(), view_.window());
        EndDialog();
      }
      break;
    case kExtraInstallerButton:
      if (busy_ != 0) break;
      view_.ShowControl(kExtraInstallerButton, false);
      ops_.RunExtraInstaller(*this);
      break;
    default:
      break;  // every other notification does nothing
  }
}

int SetupDialog::DefaultButton() {
  if (view_.ControlVisible(kPlayButton)) return kPlayButton;
  if (view_.ControlVisible(kInstallButton) && ctx_.state.mode != LaunchMode::kInstalled)
    return kInstallButton;
  return kExitButton;
}

void SetupDialog::OnClose() {
  if (copying_) {
    AskToStop();
    return;
  }
  EndDialog();
}

void SetupDialog::AskToStop() {
  if (askingToStop_ || stopRequested_) return;
  askingToStop_ = true;
  const bool stop = ctx_.system.AskYesNo(
      view_.window(),
      ctx_.state.commandLine.repair
          ? "Stop the repair after the file being copied?\n\nThe files it has copied back so "
            "far will be put back as they were."
      : ctx_.state.mode == LaunchMode::kUpdate
          ? "Stop the update after the file being copied?"
          : "Stop the install after the file being copied?\n\nWhat it has copied so far will "
            "be removed.",
      Read(ctx_.script, script::kTextTitle));
  askingToStop_ = false;
  LogLine(ctx_.log, "close", stop ? "the user chose to stop" : "the user chose to go on");
  stopRequested_ = stop;
}

bool SetupDialog::StopRequested() {
  view_.HandleInput();
  return stopRequested_;
}

CopyResult SetupDialog::CopyDiscs(const InstallPlan& plan) {
  copying_ = true;
  stopRequested_ = false;
  CopyResult result = ops_.CopyAllDiscs(plan, *this);
  copying_ = false;
  return result;
}

void SetupDialog::InstallCommand() {
  LauncherState& st = ctx_.state;
  IniFile& script = ctx_.script;
  busy_ = 1;
  switch (st.mode) {
    case LaunchMode::kInstalled:
      view_.ShowControl(kDemoButton, false);
      view_.ShowControl(kOptionalControl, false);
      view_.ShowControl(kExtraInstallerButton, false);
      st.exitCode = ops_.Uninstall(PlanInstall(), *this) ? ExitCode::kDone : ExitCode::kFailed;
      view_.SetControlText(kExitButton, "OK");
      break;
    case LaunchMode::kUpdate:
      if (const CopyResult copied = CopyDiscs(PlanInstall()); copied.ok) {
        view_.ShowControl(kInstallButton, false);
      } else {
        st.exitCode = copied.cancelled ? ExitCode::kCancelled : ExitCode::kFailed;
        if (copied.cancelled) LogLine(ctx_.log, "update", "cancelled by the user");
        view_.ShowControl(kDriveButton, true);
      }
      break;
    case LaunchMode::kInstall: {
      view_.ShowControl(kOptionalControl, false);
      view_.ShowControl(kExtraInstallerButton, false);
      view_.ShowControl(kInstallButton, false);
      view_.ShowControl(kExitButton, false);
      ProbeFreeSpace(ctx_, DriveNumberOf(st.targetDriveRoot));
      if (!SpaceSuffices(st.freeSpace, st.requiredSpace)) {
        std::string status =
            FreeSpaceLine(Read(script, script::kTextFreeSpace), st.freeSpace, false);
        Append(&status, WithLine("\n%s", Read(script, script::kTextNotInstalled)));
        if (st.freeSpace == 0) status = Read(script, script::kTextPathError);
        ShowStatus(status);
        LogLine(ctx_.log, "free space", "REFUSED: " + std::to_string(st.freeSpace) + " bytes");
        st.exitCode = ExitCode::kRefused;
        break;
      }
      const InstallPlan plan = PlanInstall();
      LogLine(ctx_.log, "install folder", plan.installFolder);
      ops_.BeginInstall(plan);
      const CopyResult copied = CopyDiscs(plan);
      if (!copied.ok) {
        FailInstall(plan, copied.failure.empty() ? "a file could not be copied" : copied.failure,
                    copied.cancelled);
        return;
      }
      view_.ShowControl(kInstallButton, false);
      view_.SetControlText(kExitButton, "OK");
      ops_.RenameInstalledFiles(plan, *this);
      ops_.FinishInstall(plan, *this);
      if (!ops_.WriteInstallRecord(plan)) {
        // Without its record the install would be invisible to the next start and to
        // Uninstall: it is undone like a failed copy.
        FailInstall(plan, "the install record could not be written to " + st.recordPath + ".pak");
        return;
      }
      if (const char* finished = Read(script, script::kPicFinished)) {
        ShowPicture(kPicture, finished);
        // An unattended install leaves the DirectX set-up alone unless it was asked for.
        if (st.probe.directXVersion < kDirectX8 && (!plan.silent || st.commandLine.directx)) {
          ops_.RunDirectXSetup(st.probe.osVersion, *this);  // ends the program
          return;
        }
      }
      view_.ShowControl(kPlayButton, true);
      view_.SetControlText(kInstallButton, Read(script, script::kTextUninstall));
      st.mode = LaunchMode::kInstalled;
      view_.ShowControl(kInstallButton, true);
      break;
    }
  }
  --busy_;
  view_.ShowControl(kExitButton, true);
  // The texts changed; and the focus is still on the button just pressed, which after an
  // install is Uninstall: a second Enter must not uninstall what it has just installed.
  FitLayout();
  FocusDefaultButton();
}

void SetupDialog::FailInstall(const InstallPlan& plan, const std::string& why, bool cancelled) {
  ctx_.state.exitCode = cancelled ? ExitCode::kCancelled : ExitCode::kFailed;
  const UndoResult undone = ops_.RollBackInstall(plan, *this);
  LogLine(ctx_.log, "install", cancelled ? "cancelled by the user" : "NOT FINISHED: " + why);
  std::string text = cancelled ? std::string("The install was cancelled.")
                               : "The install did not finish: " + why + ".";
  text += "\n\nWhat it had copied was removed.";
  if (!undone.notRemoved.empty())
    text += "\n\nThese could not be removed:" + ListOf(undone.notRemoved);
  if (!undone.kept.empty())
    text += "\n\nThese were there before the install and stay as the install left them:" +
            ListOf(undone.kept);
  if (!plan.silent)
    ctx_.system.ShowMessage(view_.window(), text, Read(ctx_.script, script::kTextTitle));
  view_.SendClose();  // the dialog ends
}

void SetupDialog::RunSilent() {
  LauncherState& st = ctx_.state;
  const CommandLine& line = st.commandLine;
  auto finish = [&](ExitCode code, const std::string& why) {
    st.exitCode = code;
    if (!why.empty()) LogLine(ctx_.log, "unattended", why);
    EndDialog();  // the launcher ends without waiting
  };
  if (line.verify || line.repair) {
    // From an update disc too: the record says what is installed.
    if (st.mode == LaunchMode::kInstall) {
      if (!line.silent)
        ctx_.system.ShowMessage(
            view_.window(), GameDisplayName(ctx_.script) + " is not installed on this computer.",
            Read(ctx_.script, script::kTextTitle));
      return finish(ExitCode::kNothingToDo, "nothing installed");
    }
    return finish(line.repair ? RepairCommand() : VerifyCommand(), "");
  }
  if (line.uninstall) {
    // Asked by name once, when somebody is there to answer (the system's list of installed
    // programs starts "setup.exe /U").
    const std::string game = GameDisplayName(ctx_.script);
    System& sys = ctx_.system;
    if (st.mode != LaunchMode::kInstalled) {
      if (!line.silent)
        sys.ShowMessage(view_.window(), game + " is not installed on this computer.",
                        kUninstallCaption);
      return finish(ExitCode::kNothingToDo, "nothing installed");
    }
    if (!line.silent &&
        !sys.AskYesNo(view_.window(), "Remove " + game + " and everything its install made?",
                      kUninstallCaption))
      return finish(ExitCode::kRefused, "REFUSED: the user chose to keep the game");
    InstallCommand();
    return finish(st.exitCode, "");
  }
  if (st.mode == LaunchMode::kInstalled)
    return finish(ExitCode::kRefused, "REFUSED: the game is installed already");
  if (line.folder) {
    // The folder is the install folder itself, as every scripted installer takes it: made
    // absolute and normalised, judged by the 259 characters, the free space of its drive
    // and the guard, then copied into, recorded and played from as it stands.
    if (st.mode == LaunchMode::kUpdate)
      return finish(ExitCode::kRefused,
                    "REFUSED: /D=" + *line.folder + ": an update goes where the game is installed");
    std::string resolved;
    const std::string folder = ctx_.system.ResolvePath(*line.folder, &resolved)
                                   ? NormalizedPath(resolved, &ctx_.system)
                                   : std::string();
    if (folder.size() > kPathCapacity - 1 || !IsPlainFolder(folder, &ctx_.system) ||
        !IsRemovableInstallFolder(ctx_.system, PlanInstall(), folder))
      return finish(ExitCode::kRefused, "REFUSED: /D=" + *line.folder + " cannot hold the game");
    st.exactFolder = folder;
    st.targetDriveRoot = DriveRootOf(folder);
    view_.SetControlText(kDriveButton, st.targetDriveRoot);
    view_.SetControlText(kFolderField, FromFourthChar(folder));
  }
  InstallCommand();
  finish(st.exitCode, st.exitCode == ExitCode::kDone ? "done" : "");
}

std::optional<Journal> SetupDialog::RecordedJournal(const std::string& doing, std::string* why) {
  System& sys = ctx_.system;
  Journal journal = ParseJournal(ctx_.state.recordJournal, &sys);
  std::string folder = journal.installFolder;
  if (folder.empty()) folder = Read(ctx_.record, record::kInstallFolderShown);
  std::string problem;
  if (ctx_.state.recordJournal.empty())
    problem = "the install was recorded without its journal";
  else if (!journal.Problem(sys.AnsiCodePage()).empty())
    problem = "its journal cannot be used: " + journal.Problem(sys.AnsiCodePage());
  if (problem.empty()) return journal;
  *why = "The files of the install in " + folder + " cannot be " + doing + ": " + problem + ".";
  LogLine(ctx_.log, doing.substr(0, doing.find(' ')) + " " + folder, "NOT DONE: " + problem);
  return std::nullopt;
}

VerifyReport SetupDialog::VerifyAndLog(const Journal& journal) {
  const VerifyReport report = VerifyInstall(ctx_.system, journal);
  for (const std::string& f : report.missing) LogLine(ctx_.log, "verify " + f, "MISSING");
  for (const std::string& f : report.damaged) LogLine(ctx_.log, "verify " + f, "DAMAGED");
  for (const std::string& f : report.changed)
    LogLine(ctx_.log, "verify " + f, "changed since the install");
  LogLine(ctx_.log, "verify " + journal.installFolder,
          report.stamped ? std::to_string(report.verified) + " sound, " +
                               std::to_string(report.missing.size()) + " missing, " +
                               std::to_string(report.damaged.size()) + " damaged, " +
                               std::to_string(report.changed.size()) + " changed"
                         : "NOT DONE: no checksums in the journal");
  return report;
}

ExitCode SetupDialog::VerifyCommand() {
  std::string text;
  bool faulty = false;
  if (const std::optional<Journal> journal = RecordedJournal("verified", &text)) {
    const VerifyReport report = VerifyAndLog(*journal);
    text = VerifySummary(report, journal->installFolder);
    faulty = report.Faulty();
  }
  if (!ctx_.state.commandLine.silent)
    ctx_.system.ShowMessage(view_.window(), text, Read(ctx_.script, script::kTextTitle));
  return faulty ? ExitCode::kDamaged : ExitCode::kDone;
}

ExitCode SetupDialog::RepairCommand() {
  System& sys = ctx_.system;
  const CommandLine& line = ctx_.state.commandLine;
  auto tell = [&](const std::string& text) {
    if (!line.silent) sys.ShowMessage(view_.window(), text, Read(ctx_.script, script::kTextTitle));
  };
  std::string why;
  const std::optional<Journal> journal = RecordedJournal("repaired", &why);
  if (!journal) {
    tell(why);
    return ExitCode::kRefused;
  }
  const VerifyReport before = VerifyAndLog(*journal);
  if (!before.stamped) {
    tell(VerifySummary(before, journal->installFolder) + "\n\nNothing was repaired.");
    return ExitCode::kRefused;
  }
  std::vector<std::string> wanted = before.missing;
  wanted.insert(wanted.end(), before.damaged.begin(), before.damaged.end());
  if (line.repairAll) wanted.insert(wanted.end(), before.changed.begin(), before.changed.end());
  if (wanted.empty()) {
    LogLine(ctx_.log, "repair " + journal->installFolder, "nothing to repair");
    tell(VerifySummary(before, journal->installFolder) + "\n\nNothing needed repairing.");
    return ExitCode::kDone;
  }

  InstallPlan plan = PlanInstall();
  plan.installFolder = journal->installFolder;
  // The launcher's copy beside the record holds no disc: the discs are looked for in the
  // CD-ROM drives by their labels.
  if (plan.discsInFolders && !ctx_.state.launcherFolder.empty() &&
      IsUninstallerFolder(sys, ctx_.state.launcherFolder, Read(ctx_.script, script::kRecordName))) {
    plan.discsInFolders = false;
    plan.discRoot.clear();
    plan.sourceRoot.clear();
    plan.patternRoot.clear();
  }
  LogLine(ctx_.log, "repair " + journal->installFolder,
          std::to_string(wanted.size()) + " files to copy back from the discs");
  ++busy_;
  view_.ShowControl(kInstallButton, false);
  view_.ShowControl(kPlayButton, false);
  view_.ShowControl(kDemoButton, false);
  copying_ = true;
  stopRequested_ = false;
  const RepairResult repaired = ops_.Repair(plan, *this, *journal, wanted);
  copying_ = false;
  --busy_;
  if (!repaired.ok) {
    tell(std::string(repaired.cancelled ? "The repair was cancelled."
                                        : "The repair did not finish: " + repaired.failure + ".") +
         "\n\nThe files it had copied back were put back as they were before it.");
    return repaired.cancelled ? ExitCode::kCancelled : ExitCode::kFailed;
  }
  // Verified again, by the stamps the record's journal holds now.
  const Journal now = repaired.recorded && !ctx_.state.recordJournal.empty()
                          ? ParseJournal(ctx_.state.recordJournal, &sys)
                          : WithEntries(sys, *journal, repaired.stamps);
  const VerifyReport after = VerifyAndLog(now);
  std::string text = std::to_string(repaired.repaired.size()) +
                     " files were copied back from the discs.\n\n" +
                     VerifySummary(after, journal->installFolder);
  if (!repaired.nowhere.empty())
    text += "\n\nNo disc of this game holds " + std::to_string(repaired.nowhere.size()) +
            " of them: they cannot be repaired from the discs.";
  if (!repaired.recorded)
    text += "\n\nThe install record could not be updated with the repaired files.";
  tell(text);
  return after.Faulty() ? ExitCode::kDamaged : ExitCode::kDone;
}

void SetupDialog::ChooseFolder() {
  LauncherState& st = ctx_.state;
  IniFile& script = ctx_.script;
  System& sys = ctx_.system;
  ++busy_;
  if (std::optional<std::string> chosen = view_.BrowseForFolder()) {
    std::string path = *chosen;
    const bool usable = JoinPath(sys, &path, Read(script, script::kPath2AfterBrowse));
    if (usable) {
      st.targetDriveRoot = DriveRootOf(path);
      view_.SetControlText(kDriveButton, st.targetDriveRoot);
      view_.SetControlText(kFolderField, FromFourthChar(path));
      ProbeFreeSpace(ctx_, DriveNumberOf(path));
      if (sys.DriveKind(st.targetDriveRoot) != DriveType::kFixed) st.freeSpace = 0;
      std::string status = SystemReport();
      Append(&status, FreeSpaceLine(Read(script, script::kTextFreeSpace), st.freeSpace, false));
      view_.ShowControl(kInstallButton, false);
      if (SpaceSuffices(st.freeSpace, st.requiredSpace))
        view_.ShowControl(kInstallButton, true);
      else
        Append(&status, WithLine("\n%s,", Read(script, script::kTextNoSpace)));
      ShowStatus(status);
    }
  }
  --busy_;
}

}  // namespace dl
