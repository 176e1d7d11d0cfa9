// The launcher's objects over a fake system, made as the composition root makes them, and
// an install subsystem that only records what the dialog asks of it.
#pragma once

#include <gtest/gtest.h>

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
  LauncherFixture() : pack_(sys_), ctx_{sys_, script_, record_, pack_, state_} {}

  FakeSystem sys_;
  IniFile script_;
  IniFile record_;
  PackFile pack_;
  LauncherState state_;
  LauncherContext ctx_;
};

// Records the calls into the install subsystem and answers as told.
class RecordingOperations : public InstallOperations {
 public:
  int CopyAllDiscs(SetupDialog& d) override {
    calls.push_back("copy");
    busyDuringCopy = d.context().state.busy;
    return copyResult;
  }
  int RenameInstalledFiles(SetupDialog&) override { return calls.push_back("rename"), 1; }
  int FinishInstall(SetupDialog&) override { return calls.push_back("finish"), 1; }
  int WriteInstallRecord() override { return calls.push_back("record"), recordResult; }
  int Uninstall(SetupDialog&) override { return calls.push_back("uninstall"), 1; }
  void RunGame() override { calls.push_back("game"); }
  void RunDemo() override { calls.push_back("demo"); }
  void RunExtraInstaller(SetupDialog&) override { calls.push_back("extra"); }
  void RunDirectXSetup(SetupDialog&) override { calls.push_back("directx"); }

  std::vector<std::string> calls;
  int copyResult = 1;
  int recordResult = 1;
  int busyDuringCopy = -1;
};

}  // namespace dl::testing
