// The setup dialog's behaviour: the layout for each mode, the status text, the picture,
// the folder choice and the commands. It works on a small view interface, so the same
// object drives the real dialog and a fake one in tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "install/copy.h"
#include "install/install_screen.h"
#include "install/operations.h"
#include "install/verify.h"
#include "launcher/control_ids.h"
#include "launcher/dialog_layout.h"
#include "launcher/launcher_state.h"

namespace dl {

// The controls of the dialog template "ASD", and two optional ones that it lacks.
enum ControlId : int {
  kIdOk = 1,
  kIdCancel = 2,
  kInstallButton = DL_ID_INSTALL,
  kExitButton = DL_ID_EXIT,
  kDriveButton = DL_ID_DRIVE,
  kFolderField = DL_ID_FOLDER,
  kPlayButton = DL_ID_PLAY,
  kStatusText = DL_ID_STATUS,
  kProgressBar = DL_ID_PROGRESS,
  kPicture = DL_ID_PICTURE,
  kDemoButton = DL_ID_DEMO,
  kFolderLabel = DL_ID_FOLDER_LABEL,
  kOptionalControl = DL_ID_OPTIONAL,
  kExtraInstallerButton = DL_ID_EXTRA_INSTALLER,
};

inline constexpr int kDialogClientWidth = 640;
inline constexpr int kDialogClientHeight = 480;
inline constexpr int kFolderFieldLimit = 260;
inline constexpr int kDialogResult = -1;

// What the dialog needs from its window. Calls on a control that does not exist do
// nothing (and report false where they return a result).
class DialogView {
 public:
  virtual ~DialogView() = default;
  // The window, as owner of message boxes.
  virtual WindowRef window() = 0;
  virtual bool ShowControl(int id, bool visible) = 0;
  // Whether a control shows (false for one that does not exist).
  virtual bool ControlVisible(int id) = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  // At most maxChars characters of a control's text.
  virtual std::string ControlText(int id, std::size_t maxChars) = 0;
  virtual void LimitText(int id, int chars) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // Moves the keyboard focus to a control (a button it lands on shows as the default).
  virtual void FocusControl(int id) = 0;
  // Dots per inch of the screen (96 at 100 % scale).
  virtual int Dpi() { return kBaseDpi; }
  // A control's place in the client area, in pixels (empty for one that does not exist).
  virtual Rect ControlRect(int id) = 0;
  // The size in pixels of a text drawn in a control's own font, its "&" marks taken as
  // access keys; wrapWidth > 0 breaks it into lines of at most that width.
  virtual Size TextSize(int id, const std::string& text, int wrapWidth) = 0;
  // The window size that gives a client area of this size with the window's style.
  virtual Size WindowSizeForClient(int width, int height) = 0;
  virtual Size ScreenSize() = 0;
  virtual void MoveWindowTo(int x, int y, int width, int height) = 0;
  // Moves and sizes a control (pixels of the client area) and repaints it.
  virtual bool MoveControl(int id, int x, int y, int width, int height) = 0;
  // Loads a bitmap scaled to width x height (smoothly), from the program's resources or
  // else from a file, into a picture control. False when neither loads; the control keeps its
  // picture then.
  virtual bool LoadPicture(int id, const std::string& name, int width, int height) = 0;
  // The folder browser, rooted at the desktop, file-system folders only: the chosen
  // folder's path. Nothing when the user cancels or the choice has no path.
  virtual std::optional<std::string> BrowseForFolder() = 0;
  // Progress bar of the copy.
  virtual void SetProgressRange(int id, int maximum) = 0;
  // The view may hold a position back (a bar moves only so often); ShowPending shows it.
  virtual void SetProgressPosition(int id, int position) = 0;
  virtual void ShowPending() {}
  // Handles what the user did while a command runs (a click on the close box, Esc): the
  // messages waiting for the window are dispatched, each coming back as a command or a
  // close. Called between the copy's files.
  virtual void HandleInput() {}
  virtual void End(int result) = 0;
  // Sends the window its close command.
  virtual void SendClose() = 0;
};

// A picture spec: "name,x,y,width,height" with the numbers optional.
struct PictureSpec {
  std::string name;
  int x = 0;
  int y = 0;
  int width = 100;
  int height = 100;
};
PictureSpec ParsePictureSpec(const std::string& value);

// The window's top-left corner that centres a window of this size on the screen (may be
// negative when the window is larger).
void CenteredOrigin(Size screen, Size window, int* x, int* y);

// The free-space line: the opening form differs only for amounts below 1,024 bytes.
std::string FreeSpaceLine(const std::string& label, std::uint64_t freeSpace, bool opening);

// The space test: strictly more free bytes than required; a negative requirement is
// never met.
bool SpaceSuffices(std::uint64_t freeSpace, std::int32_t requiredSpace);

// The plan of a command started now: the run's facts from the state, the opening status
// text, and the install folder from the chosen drive and the folder field as the copy
// forms it.
InstallPlan PlanCommand(CodePage& codePage, const LauncherState& state, IniFile& script,
                        const std::string& folderField, const std::string& statusText);

// The dialog's behaviour. It is also the screen that the install steps report to.
class SetupDialog : public InstallScreen {
 public:
  SetupDialog(LauncherContext& ctx, DialogView& view, InstallOperations& operations)
      : ctx_(ctx), view_(view), ops_(operations) {}

  // The opening: probe, report, placement, texts and the layout for the mode.
  void OnInit();
  // A command message; wparam is its whole first parameter. Enter (kIdOk) presses the
  // default button; Esc (kIdCancel) is Exit, or during a copy the question whether to stop.
  void OnCommand(std::uintptr_t wparam);
  // The close box or Alt+F4: during a copy, asks whether to stop; otherwise ends the
  // dialog (once the command that runs has returned).
  void OnClose();
  // An unattended run (/S), once the dialog shows: Install (or Uninstall with /U) without
  // a press, then the dialog ends; the outcome is the state's exit code.
  void RunSilent();

  // Places control id by a picture spec and loads its bitmap; null spec: nothing.
  void ShowPicture(int id, const char* spec);
  // The plan of a command started now, from the state and the folder field.
  InstallPlan PlanInstall();

  // --- InstallScreen ---
  WindowRef owner() override { return view_.window(); }
  // Shows a finished text in the status control, cut to 259 characters.
  void ShowStatus(const std::string& text) override;
  void ShowProgress(bool visible) override { view_.ShowControl(kProgressBar, visible); }
  void SetProgressRange(int maximum) override { view_.SetProgressRange(kProgressBar, maximum); }
  void SetProgressPosition(int position) override {
    view_.SetProgressPosition(kProgressBar, position);
  }
  void Settle() override { view_.ShowPending(); }
  bool StopRequested() override;
  std::optional<std::string> ChooseDiscFolder() override { return view_.BrowseForFolder(); }
  void HideFolderChoice() override;
  void HideInstallAndPlay() override;
  void EndDialog() override { view_.End(kDialogResult); }

  DialogView& view() { return view_; }
  LauncherContext& context() { return ctx_; }
  // Non-zero while a command runs: a second one does not start.
  std::int32_t busy() const { return busy_; }
  // The status text the dialog opened with.
  const std::string& statusTextCopy() const { return statusTextCopy_; }

 private:
  // The system report that begins the status text, cut to the status buffer.
  std::string SystemReport();
  void LayOutForMode(std::string* status);
  void InstallCommand();
  // An install that did not finish (failed, or cancelled by the user): what it made is
  // undone, the user told, the dialog ends.
  void FailInstall(const InstallPlan& plan, const std::string& why, bool cancelled = false);
  void ChooseFolder();
  // /VERIFY: the installed files against the record's journal; the exit code says whether
  // something is missing or damaged.
  ExitCode VerifyCommand();
  // /REPAIR: a verify, the missing and damaged files (=ALL: the changed ones too) copied
  // back from their discs, and a verify again.
  ExitCode RepairCommand();
  // The record's journal, when it can be used; else why the files cannot be `doing`
  // ("verified"), for the user.
  std::optional<Journal> RecordedJournal(const std::string& doing, std::string* why);
  // A verify, each file found wrong in the log.
  VerifyReport VerifyAndLog(const Journal& journal);
  // The copy of the discs, with the close box and Esc asking whether to stop.
  CopyResult CopyDiscs(const InstallPlan& plan);
  // The question of the close box during a copy: Yes stops after the current file.
  void AskToStop();
  // The button that Enter presses: Play when it shows, else Install (not Uninstall), else
  // Exit.
  int DefaultButton();
  void FocusDefaultButton();
  // The folder field and its label show together.
  void ShowFolderField(bool visible);
  // Each button as wide as its text, the rows moved apart to make room, the folder
  // field's label as wide as its text.
  void FitLayout();

  LauncherContext& ctx_;
  DialogView& view_;
  InstallOperations& ops_;
  std::int32_t busy_ = 0;
  bool copying_ = false;        // the discs are being copied
  bool askingToStop_ = false;   // the question whether to stop shows
  bool stopRequested_ = false;  // the user chose to stop the copy
  std::string statusTextCopy_;
};

}  // namespace dl
