// The install operations as the setup dialog calls them. Uninstalling and starting
// programs are not built yet: they tell the user so.
#pragma once

#include "install/copy.h"
#include "install/operations.h"
#include "launcher/launcher_state.h"

namespace dl {

class LauncherOperations : public InstallOperations {
 public:
  explicit LauncherOperations(LauncherContext& ctx) : ctx_(ctx) {}
  int CopyAllDiscs(SetupDialog& dialog) override;
  int RenameInstalledFiles(SetupDialog& dialog) override;
  int FinishInstall() override;
  int WriteInstallRecord() override;
  int Uninstall(SetupDialog& dialog) override;
  void RunGame() override;
  void RunDemo() override;
  void RunExtraInstaller() override;
  void RunDirectXSetup() override;

  // The owner of message boxes and shell windows while the dialog is up.
  void SetOwner(WindowRef owner) { owner_ = owner; }
  static constexpr const char* kNotAvailableCaption = "Not available";

 private:
  void NotAvailable(const char* what);
  LauncherContext& ctx_;
  CopyState copy_;
  WindowRef owner_ = nullptr;
};

}  // namespace dl
