// The install operations of this build: copying, finishing, recording, uninstalling and
// starting programs are not built yet. Each one tells the user so and reports failure.
#pragma once

#include "install/operations.h"
#include "launcher/launcher_state.h"

namespace dl {

class UnavailableOperations : public InstallOperations {
 public:
  explicit UnavailableOperations(LauncherContext& ctx) : ctx_(ctx) {}
  int CopyAllDiscs(SetupDialog& dialog) override;
  int RenameInstalledFiles(SetupDialog&) override { return 0; }
  int FinishInstall() override { return 0; }
  int WriteInstallRecord() override { return 0; }
  int Uninstall(SetupDialog& dialog) override;
  void RunGame() override;
  void RunDemo() override;
  void RunExtraInstaller() override;
  void RunDirectXSetup() override;

  static constexpr const char* kCaption = "Not available";

 private:
  void Tell(WindowRef owner, const char* what);
  LauncherContext& ctx_;
};

}  // namespace dl
