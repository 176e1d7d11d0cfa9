// A player's machine with the launcher on it, for tests that run setup.exe more than once:
// the fake system with C: (a user with a desktop and a Start menu), a CD-ROM drive D:
// and the game's discs as host folders, a converter stand-in that makes each group's
// shortcuts, and the launcher's objects made anew for every start.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/install_log.h"
#include "install/launcher_operations.h"
#include "launcher/launcher_state.h"
#include "launcher/setup_dialog.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_system.h"
#include "support/fake_view.h"

namespace dl::testing {

// Keeps every line of the install log.
class RecordingLog : public InstallLog {
 public:
  void Line(const std::string& step, const std::string& result) override {
    lines.push_back(step + ": " + result);
  }
  bool Has(const std::string& text) const {
    for (const std::string& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> lines;
};

class FakeMachine {
 public:
  static constexpr const char* kDesktop = "C:\\users\\me\\Desktop";
  static constexpr const char* kPrograms = "C:\\users\\me\\Start Menu\\Programs";

  // The discs carry labels DISC1, DISC2...; disc 1 holds the script and the launcher.
  explicit FakeMachine(const std::string& script, int discs = 2);

  // A file on disc n (from 1), its path relative to the disc's root.
  void WriteDisc(int n, const std::string& rel, const std::string& content);
  // Puts disc n into D: (0 or a missing number: a disc labelled WRONG).
  void Insert(int n);

  // One start of setup.exe from disc 1 with this command line, in the folder cwd; inDialog
  // runs once the dialog has opened. Returns the exit code.
  using InDialog = std::function<void(SetupDialog&, FakeView&)>;
  int Start(const std::string& commandLine, const InDialog& inDialog,
            const std::string& cwd = "D:\\");
  // Presses Install with this folder field, answering each disc prompt by inserting the
  // disc it asks for.
  int Install(const std::string& folderField);
  // Presses Uninstall (the Install button of installed mode).
  int Uninstall();
  // Answers the next prompts by inserting these discs in turn (0: a wrong one).
  void AnswerWithDiscs(const std::vector<int>& discs);

  // An entry of the record's pack (the scripts of these tests name the record KVX.ini).
  bool PackEntry(const std::string& name, std::string* text);

  FakeSystem sys;
  RecordingLog log;
  std::vector<std::string> discs;  // host folders
  IniFile script, record;
  std::unique_ptr<PackFile> pack;
  LauncherState state;
  std::unique_ptr<LauncherContext> ctx;
  // Runs in place of a shell copy (its number counts copies from 1); -1 lets it happen.
  std::function<int(int copy, const FakeSystem::ShellCall&)> onCopy;
  int copies = 0;

 private:
  void Convert();
};

}  // namespace dl::testing
