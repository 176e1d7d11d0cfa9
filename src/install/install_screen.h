// What the install steps need of the screen: an owner for message boxes and the shell's
// windows, the status line, the copy's progress bar, and a few changes of the layout. The
// setup dialog implements it; the steps know nothing else of the dialog.
#pragma once

#include <optional>
#include <string>

#include "platform/desktop.h"

namespace dl {

class InstallScreen {
 public:
  virtual ~InstallScreen() = default;
  // The owner of message boxes and of the shell's progress and error windows.
  virtual WindowRef owner() = 0;
  // Shows a finished text in the status line (cut to what the line shows).
  virtual void ShowStatus(const std::string& text) = 0;
  // The copy's progress bar.
  virtual void ShowProgress(bool visible) = 0;
  virtual void SetProgressRange(int maximum) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Shows at once what the screen may have held back (a bar moves only so often): called
  // before the copy pauses or asks for a disc.
  virtual void Settle() {}
  // Called after every file copied: takes what the user did meanwhile (the close box, Esc)
  // and says whether the user chose to stop the install.
  virtual bool StopRequested() { return false; }
  // The folder browser, for a disc kept in a folder: the folder chosen, or nothing.
  virtual std::optional<std::string> ChooseDiscFolder() { return std::nullopt; }
  // While files are copied: the drive button, the folder field and the status line hide.
  virtual void HideFolderChoice() = 0;
  // An uninstall first takes the Install (Uninstall) and Play buttons away.
  virtual void HideInstallAndPlay() = 0;
  // Ends the dialog: an installer takes over from the launcher.
  virtual void EndDialog() = 0;
};

}  // namespace dl
