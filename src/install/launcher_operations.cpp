#include "install/launcher_operations.h"

#include "install/finish.h"
#include "install/install_record.h"
#include "install/launch.h"
#include "install/uninstall.h"
#include "launcher/setup_dialog.h"

namespace dl {

int LauncherOperations::CopyAllDiscs(SetupDialog& dialog) {
  return dl::CopyAllDiscs(ctx_, dialog, copy_);
}

int LauncherOperations::RenameInstalledFiles(SetupDialog& dialog) {
  dl::RenameInstalledFiles(ctx_, dialog.view().window());
  return 1;
}

int LauncherOperations::FinishInstall(SetupDialog& dialog) {
  dl::FinishInstall(ctx_, dialog.view().window());
  return 1;
}

int LauncherOperations::WriteInstallRecord() {
  return dl::WriteInstallRecord(ctx_);
}

int LauncherOperations::Uninstall(SetupDialog& dialog) {
  return dl::Uninstall(ctx_, dialog);
}

void LauncherOperations::RunGame() {
  dl::RunGame(ctx_);
}

void LauncherOperations::RunDemo() {
  dl::RunDemo(ctx_);
}

void LauncherOperations::RunExtraInstaller(SetupDialog& dialog) {
  dl::RunExtraInstaller(ctx_, dialog);
}

void LauncherOperations::RunDirectXSetup(SetupDialog& dialog) {
  dl::RunDirectXSetup(ctx_, dialog);
}

}  // namespace dl
