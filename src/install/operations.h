// The install subsystem's operations, as the setup dialog calls them. Each takes the
// plan of its command and the screen it reports to, and returns what it did.
#pragma once

#include "install/copy.h"
#include "install/install_journal.h"
#include "install/install_plan.h"
#include "install/install_screen.h"
#include "install/repair.h"
#include "install/undo.h"

namespace dl {

class InstallOperations {
 public:
  virtual ~InstallOperations() = default;
  // Starts the journal of a fresh install, before its copy: every later step of the
  // install notes what it makes there first.
  virtual void BeginInstall(const InstallPlan& plan) = 0;
  // Undoes what the fresh install that runs now made: it did not finish.
  virtual UndoResult RollBackInstall(const InstallPlan& plan, InstallScreen& screen) = 0;
  // Copies every disc's files into the plan's install folder. An update notes the files it
  // copied in the record's journal.
  virtual CopyResult CopyAllDiscs(const InstallPlan& plan, InstallScreen& screen) = 0;
  virtual void RenameInstalledFiles(const InstallPlan& plan, InstallScreen& screen) = 0;
  // The Start-menu group, its shortcuts and the desktop copies.
  virtual void FinishInstall(const InstallPlan& plan, InstallScreen& screen) = 0;
  // True when the record was written.
  virtual bool WriteInstallRecord(const InstallPlan& plan) = 0;
  // Copies these files of the installed game (relative to the journal's install folder)
  // back from its discs, and notes them in the record's journal as the install's own.
  virtual RepairResult Repair(const InstallPlan& plan, InstallScreen& screen,
                              const Journal& journal, const std::vector<std::string>& files) = 0;
  // True when everything the record names was removed.
  virtual bool Uninstall(const InstallPlan& plan, InstallScreen& screen) = 0;
  // owner: the window that owns a message box about it.
  virtual void RunGame(WindowRef owner) = 0;
  virtual void RunDemo(const InstallPlan& plan, WindowRef owner) = 0;
  // These two start their installer and then end the dialog.
  virtual void RunExtraInstaller(InstallScreen& screen) = 0;
  virtual void RunDirectXSetup(const OsVersionInfo& version, InstallScreen& screen) = 0;
};

}  // namespace dl
