#include "install/launcher_operations.h"

#include <string>

#include "install/finish.h"
#include "install/install_record.h"
#include "launcher/setup_dialog.h"

namespace dl {

int LauncherOperations::CopyAllDiscs(SetupDialog& dialog) {
  owner_ = dialog.view().window();
  return dl::CopyAllDiscs(ctx_, dialog, copy_);
}

int LauncherOperations::RenameInstalledFiles(SetupDialog& dialog) {
  owner_ = dialog.view().window();
  dl::RenameInstalledFiles(ctx_, owner_);
  return 1;
}

int LauncherOperations::FinishInstall() {
  dl::FinishInstall(ctx_, owner_);
  return 1;
}

int LauncherOperations::WriteInstallRecord() {
  return dl::WriteInstallRecord(ctx_);
}

void LauncherOperations::NotAvailable(const char* what) {
  ctx_.system.ShowMessage(owner_, std::string(what) + " is not available in this build.",
                          kNotAvailableCaption);
}

int LauncherOperations::Uninstall(SetupDialog& dialog) {
  owner_ = dialog.view().window();
  NotAvailable("Uninstalling");
  return 0;
}

void LauncherOperations::RunGame() {
  NotAvailable("Starting the game");
}

void LauncherOperations::RunDemo() {
  NotAvailable("Starting the demo");
}

void LauncherOperations::RunExtraInstaller() {
  NotAvailable("Starting the additional installer");
}

void LauncherOperations::RunDirectXSetup() {
  NotAvailable("Starting the DirectX set-up");
}

}  // namespace dl
