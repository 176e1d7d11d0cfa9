// The install operations as the setup dialog calls them.
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
  int FinishInstall(SetupDialog& dialog) override;
  int WriteInstallRecord() override;
  int Uninstall(SetupDialog& dialog) override;
  void RunGame() override;
  void RunDemo() override;
  void RunExtraInstaller(SetupDialog& dialog) override;
  void RunDirectXSetup(SetupDialog& dialog) override;

 private:
  LauncherContext& ctx_;
  CopyState copy_;
};

}  // namespace dl
