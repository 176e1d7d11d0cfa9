#include "install/launcher_operations.h"

#include "install/finish.h"
#include "install/install_record.h"
#include "install/launch.h"
#include "install/uninstall.h"

namespace dl {

CopyResult LauncherOperations::CopyAllDiscs(const InstallPlan& plan, InstallScreen& screen) {
  return dl::CopyAllDiscs(ctx_, plan, screen, copy_);
}

void LauncherOperations::RenameInstalledFiles(const InstallPlan& plan, InstallScreen& screen) {
  dl::RenameInstalledFiles(ctx_, plan, screen.owner());
}

void LauncherOperations::FinishInstall(const InstallPlan& plan, InstallScreen& screen) {
  dl::FinishInstall(ctx_, plan, screen.owner());
}

bool LauncherOperations::WriteInstallRecord(const InstallPlan& plan) {
  return dl::WriteInstallRecord(ctx_, plan);
}

bool LauncherOperations::Uninstall(const InstallPlan& plan, InstallScreen& screen) {
  return dl::Uninstall(ctx_, plan, screen);
}

void LauncherOperations::RunGame() {
  dl::RunGame(ctx_);
}

void LauncherOperations::RunDemo(const InstallPlan& plan) {
  dl::RunDemo(ctx_, plan.sourceRoot);
}

void LauncherOperations::RunExtraInstaller(InstallScreen& screen) {
  dl::RunExtraInstaller(ctx_, screen);
}

void LauncherOperations::RunDirectXSetup(const OsVersionInfo& version, InstallScreen& screen) {
  dl::RunDirectXSetup(ctx_, version, screen);
}

}  // namespace dl
