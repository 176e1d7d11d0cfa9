// The launcher's objects over a fake system, made as the composition root makes them, and
// an install subsystem that only records what the dialog asks of it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "install/operations.h"
#include "launcher/launcher_state.h"
#include "launcher/setup_dialog.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_system.h"

namespace dl::testing {

class LauncherFixture : public ::testing::Test {
 protected:
  LauncherFixture()
      : pack_(sys_), ctx_{sys_, script_, record_, pack_, state_}, install_(ctx_.install()) {}

  FakeSystem sys_;
  IniFile script_;
  IniFile record_;
  PackFile pack_;
  LauncherState state_;
  LauncherContext ctx_;
  InstallContext install_;
};

// Records the calls into the install subsystem and answers as told.
class RecordingOperations : public InstallOperations {
 public:
  void BeginInstall(const InstallPlan&) override { calls.push_back("journal"); }
  UndoResult RollBackInstall(const InstallPlan&, InstallScreen&) override {
    calls.push_back("undo");
    return undoResult;
  }
  CopyResult CopyAllDiscs(const InstallPlan& plan, InstallScreen&) override {
    calls.push_back("copy");
    if (dialog != nullptr) busyDuringCopy = dialog->busy();
    plans.push_back(plan);
    CopyResult result;
    result.ok = copyResult != 0;
    return result;
  }
  void RenameInstalledFiles(const InstallPlan&, InstallScreen&) override {
    calls.push_back("rename");
  }
  void FinishInstall(const InstallPlan&, InstallScreen&) override { calls.push_back("finish"); }
  bool WriteInstallRecord(const InstallPlan&) override {
    calls.push_back("record");
    return recordResult != 0;
  }
  RepairResult Repair(const InstallPlan&, InstallScreen&, const Journal&,
                      const std::vector<std::string>&) override {
    calls.push_back("repair");
    return {};
  }
  bool Uninstall(const InstallPlan&, InstallScreen&) override {
    calls.push_back("uninstall");
    if (whileUninstalling) whileUninstalling();
    return true;
  }
  void RunGame(WindowRef owner) override {
    calls.push_back("game");
    owners.push_back(owner);
  }
  void RunDemo(const InstallPlan&, WindowRef owner) override {
    calls.push_back("demo");
    owners.push_back(owner);
  }
  void RunExtraInstaller(InstallScreen&) override { calls.push_back("extra"); }
  void RunDirectXSetup(const OsVersionInfo&, InstallScreen&) override {
    calls.push_back("directx");
  }

  const SetupDialog* dialog = nullptr;      // when set, its busy count is noted during the copy
  std::function<void()> whileUninstalling;  // runs inside the uninstall, while it is busy
  std::vector<std::string> calls;
  std::vector<WindowRef> owners;   // the owner each start was given
  std::vector<InstallPlan> plans;  // of the copies
  UndoResult undoResult;           // what the undo reports
  int copyResult = 1;
  int recordResult = 1;
  int busyDuringCopy = -1;
};

}  // namespace dl::testing
