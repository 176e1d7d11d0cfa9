// Unattended runs: the switches, and a silent install, uninstall and refusals of the real
// launcher against the fake system, with the log they leave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/install_log.h"
#include "install/launcher_operations.h"
#include "launcher/command_line.h"
#include "launcher/setup_dialog.h"
#include "launcher/start_up.h"
#include "support/fake_machine.h"
#include "support/fake_view.h"
#include "support/launcher_fixture.h"

namespace dl {
namespace {

TEST(CommandLine, SwitchesQuotedValuesRepeatsAndUnknowns) {
  struct Case {
    std::string text;
    bool silent, uninstall, help;
    std::string folder, log;
    std::vector<std::string> problems;
  };
  const std::vector<Case> cases = {
      {"", false, false, false, "", "", {}},
      {"/S", true, false, false, "", "", {}},
      {"/s /d=\"C:\\My Games\\KVX\" /Log=C:\\x.log",
       true,
       false,
       false,
       "C:\\My Games\\KVX",
       "C:\\x.log",
       {}},
      {"  /LOG=\"C:\\a b.log\"   /S  ", true, false, false, "", "C:\\a b.log", {}},
      {"/U /S", true, true, false, "", "", {}},
      {"/?", false, false, true, "", "", {}},
      {"/S /D=C:\\A /d=C:\\B", true, false, false, "C:\\A", "", {"/d=C:\\B (given twice)"}},
      {"/X /S /Quiet", true, false, false, "", "", {"/X", "/Quiet"}},
      {"/S /D=", true, false, false, "", "", {"/D="}},
      {"/U", false, true, false, "", "", {"/U (needs /S)"}},
      {"/D=C:\\Games", false, false, false, "C:\\Games", "", {"/D=, /LOG= and /DIRECTX need /S"}},
      {"/U /S /D=C:\\Games", true, true, false, "C:\\Games", "", {"/D= (not with /U)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const CommandLine line = ParseCommandLine(c.text);
    EXPECT_EQ(line.silent, c.silent);
    EXPECT_EQ(line.uninstall, c.uninstall);
    EXPECT_EQ(line.help, c.help);
    EXPECT_EQ(line.folder.value_or(""), c.folder);
    EXPECT_EQ(line.log.value_or(""), c.log);
    EXPECT_EQ(line.problems, c.problems);
  }
}

using testing::RecordingLog;

TEST(InstallLog, TheDefaultLogTakesTheRecordsNameOnlyWhenItIsAPlainFileName) {
  testing::FakeSystem sys;
  for (const auto& [name, path] : std::vector<std::pair<std::string, std::string>>{
           {"KVX.ini", "C:\\temp\\KVX.ini-setup.log"},
           {"..\\..\\windows\\x", "C:\\temp\\setup.log"},
           {"C:\\x", "C:\\temp\\setup.log"},
           {"a:stream", "C:\\temp\\setup.log"},
           {"", "C:\\temp\\setup.log"}})
    EXPECT_EQ(DefaultLogPath(sys, name), path) << name;
}

// The launcher on D:, a one-disc game, the fake's C: with a user.
class UnattendedTest : public testing::LauncherFixture {
 protected:
  UnattendedTest() {
    ctx_.log = &log_;
    sys_.AddDrive('D', DriveType::kCdRom, "ONE", 0);
    sys_.SetFreeBytes('C', 1ull << 40);
    sys_.specialFolders[SpecialFolder::kProfile] = "C:\\users\\me";
    sys_.specialFolders[SpecialFolder::kDesktop] = "C:\\users\\me\\Desktop";
    sys_.specialFolders[SpecialFolder::kPrograms] = "C:\\users\\me\\Programs";
    sys_.WriteHostFile("D:\\setup.ini",
                       "[setup]\nname=ONE.ini\ninst_size=1000\n[disc00]\nlabel=ONE\n"
                       "file0=game.exe\nfile1=data.dat\n[execmode]\ntry=1\n"
                       "[WORK_GROUP]\nexefile=game.exe\n[setup]\npic1=done.bmp\n");
    sys_.WriteHostFile("D:\\game.exe", "game");
    sys_.WriteHostFile("D:\\data.dat", "data");
    sys_.ChangeDir("D:\\");
    sys_.failingDxStep = 15;  // DirectX 7.0: an interactive install would start its set-up
  }
  // One start of the launcher with this command line; its exit code.
  int Run(const std::string& commandLine) {
    state_ = LauncherState{};
    script_.Clear();
    record_.Clear();
    pack_.Close();
    log_.lines.clear();
    state_.commandLine = ParseCommandLine(commandLine);
    testing::FakeView view;
    view.system = &sys_;
    LauncherOperations ops(ctx_.install());
    SetupDialog dialog(ctx_, view, ops);
    return LauncherMain(ctx_, nullptr, [&] {
      dialog.OnInit();
      dialog.RunSilent();
      ended = !view.endResults.empty() || view.closesSent > 0;
    });
  }
  RecordingLog log_;
  bool ended = false;
};

TEST_F(UnattendedTest, ASilentInstallUninstallAndTheRefusalsEachEndWithTheirCode) {
  // Refused before any change: a drive root, and a system folder.
  EXPECT_EQ(Run("/S /D=C:\\"), 2);
  EXPECT_EQ(Run("/S /D=C:\\windows\\Games"), 2);
  EXPECT_TRUE(log_.Has("unattended: REFUSED: /D=C:\\windows\\Games cannot hold the game"));
  EXPECT_FALSE(sys_.FileExists("C:\\windows\\Games\\Game\\game.exe"));
  EXPECT_TRUE(sys_.shellCalls.empty());

  // Installed, without a press, into the folder given; no DirectX set-up unless asked.
  EXPECT_EQ(Run("/S /D=\"C:\\My Games\\x\""), 0);
  EXPECT_TRUE(ended);
  EXPECT_EQ(sys_.ReadHostFile("C:\\My Games\\Game\\game.exe"), "game");
  EXPECT_TRUE(sys_.started.empty() ||
              sys_.started.back().commandLine.find("dxsetup") == std::string::npos);
  for (const char* line :
       {"mode: install: no install record", "install folder: C:\\My Games\\Game",
        "copy game.exe -> C:\\My Games\\Game\\game.exe: done, 4 bytes",
        "copy data.dat -> C:\\My Games\\Game\\data.dat: done, 4 bytes",
        "record C:\\windows\\ONE.ini.pak: written: 4 entries, [inst_path] C:\\My Games\\Game",
        "unattended: done"})
    EXPECT_TRUE(log_.Has(line)) << line;

  // Installed already: an install is refused, an uninstall removes it all.
  EXPECT_EQ(Run("/S"), 2);
  EXPECT_EQ(Run("/U /S"), 0);
  EXPECT_FALSE(sys_.FileExists("C:\\My Games\\Game\\game.exe"));
  EXPECT_FALSE(sys_.FileExists("C:\\windows\\ONE.ini.pak"));
  EXPECT_TRUE(log_.Has("delete C:\\My Games\\Game: done"));
  // And then there is nothing to uninstall.
  EXPECT_EQ(Run("/U /S"), 3);
  // The game running refuses an unattended run, which says so in its code.
  sys_.windowClasses.insert("KVX");
  EXPECT_EQ(Run("/S"), 2);
  EXPECT_TRUE(log_.Has("start-up: REFUSED: the game is running"));
  EXPECT_TRUE(sys_.messages().empty());  // nothing asked anyone anything
}

}  // namespace
}  // namespace dl
