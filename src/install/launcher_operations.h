// The install operations on the launcher's documents and machine, as the setup dialog
// calls them.
#pragma once

#include <memory>

#include "install/copy.h"
#include "install/install_journal.h"
#include "install/install_plan.h"
#include "install/operations.h"

namespace dl {

class LauncherOperations : public InstallOperations {
 public:
  explicit LauncherOperations(InstallContext ctx) : ctx_(ctx) {}

  void BeginInstall(const InstallPlan& plan) override;
  UndoResult RollBackInstall(const InstallPlan& plan, InstallScreen& screen) override;
  CopyResult CopyAllDiscs(const InstallPlan& plan, InstallScreen& screen) override;
  void RenameInstalledFiles(const InstallPlan& plan, InstallScreen& screen) override;
  void FinishInstall(const InstallPlan& plan, InstallScreen& screen) override;
  bool WriteInstallRecord(const InstallPlan& plan) override;
  RepairResult Repair(const InstallPlan& plan, InstallScreen& screen, const Journal& journal,
                      const std::vector<std::string>& files) override;
  bool Uninstall(const InstallPlan& plan, InstallScreen& screen) override;
  void RunGame(WindowRef owner) override;
  void RunDemo(const InstallPlan& plan, WindowRef owner) override;
  void RunExtraInstaller(InstallScreen& screen) override;
  void RunDirectXSetup(const OsVersionInfo& version, InstallScreen& screen) override;

 private:
  // Notes in the record's journal the files an update copied: their stamps anew, and the
  // files and folders it made that the install had not.
  void RecordUpdate(const InstallPlan& plan, const InstallJournal& update);

  InstallContext ctx_;
  CopyState copy_;                           // the copy-step counter lives for the whole run
  std::unique_ptr<InstallJournal> journal_;  // of the fresh install that runs now
};

}  // namespace dl
