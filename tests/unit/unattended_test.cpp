// Unattended runs: the switches, and a silent install, uninstall and refusals of the real
// launcher against the fake system, with the log they leave.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
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
      {"/U", false, true, false, "", "", {}},  // asks once
      {"/D=C:\\Games", false, false, false, "C:\\Games", "", {"/D= and /DIRECTX need /S"}},
      {"/LOG=C:\\x.log", false, false, false, "", "C:\\x.log", {}},  // an interactive run's log
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
  // /REPAIR takes =ALL and no other value, and no other command beside it.
  for (const auto& [text, repair, all, problem] :
       std::vector<std::tuple<std::string, bool, bool, std::string>>{
           {"/repair=all /S", true, true, ""},
           {"/REPAIR", true, false, ""},
           {"/REPAIR=SOME", false, false, "/REPAIR=SOME"},
           {"/REPAIR /VERIFY", true, false, "/REPAIR (not with /U, /VERIFY, /D= or /DIRECTX)"}}) {
    const CommandLine line = ParseCommandLine(text);
    EXPECT_EQ(line.repair, repair) << text;
    EXPECT_EQ(line.repairAll, all) << text;
    EXPECT_EQ(line.problems,
              problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{problem})
        << text;
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

  // Installed, without a press, into exactly the folder given; no DirectX set-up unless
  // asked.
  EXPECT_EQ(Run("/S /D=\"C:\\My Games\\x\""), 0);
  EXPECT_TRUE(ended);
  EXPECT_EQ(sys_.ReadHostFile("C:\\My Games\\x\\game.exe"), "game");
  EXPECT_TRUE(sys_.started.empty() ||
              sys_.started.back().commandLine.find("dxsetup") == std::string::npos);
  for (const char* line :
       {"mode: install: no install record", "install folder: C:\\My Games\\x",
        "copy game.exe -> C:\\My Games\\x\\game.exe: done, 4 bytes",
        "copy data.dat -> C:\\My Games\\x\\data.dat: done, 4 bytes",
        "record C:\\windows\\ONE.ini.pak: written: 4 entries, [inst_path] C:\\My Games\\x",
        "unattended: done"})
    EXPECT_TRUE(log_.Has(line)) << line;

  // Installed already: an install is refused, an uninstall removes it all.
  EXPECT_EQ(Run("/S"), 2);
  EXPECT_EQ(Run("/U /S"), 0);
  EXPECT_FALSE(sys_.FileExists("C:\\My Games\\x\\game.exe"));
  EXPECT_FALSE(sys_.FileExists("C:\\windows\\ONE.ini.pak"));
  EXPECT_TRUE(log_.Has("delete C:\\My Games\\x: done"));
  // And then there is nothing to uninstall.
  EXPECT_EQ(Run("/U /S"), 3);
  // The game running refuses an unattended run, which says so in its code.
  sys_.windowClasses.insert("KVX");
  EXPECT_EQ(Run("/S"), 2);
  EXPECT_TRUE(log_.Has("start-up: REFUSED: the game is running"));
  EXPECT_TRUE(sys_.messages().empty());  // nothing asked anyone anything
}

// Every unattended path of a two-disc game: nothing waits for a press but a prompt for a
// disc that no drive holds.
TEST(Unattended, NoSilentPathAsksAnythingButForADiscNoDriveHolds) {
  const std::string twoDiscs =
      "[setup]\nname=KVX.ini\ninst_size=1000\n"
      "[STRING_TAB]\nstring3=KVX Setup\nstring9=Insert disc %d: %s\nstring10=Wrong disc\n"
      "string11=Insert disc\nstring12=Disc One\nstring13=Disc Two\n"
      "[DEFPATH]\npath1=Game\n"
      "[disc00]\nlabel=DISC1\nfile0=game\\kvx.exe\nfile1=game\\*.dat\n"
      "[disc01]\nlabel=DISC2\nfile0=game\\movie.bin\n"
      "[WORK_GROUP]\nexefile=game\\kvx.exe\n";
  std::string oneDisc = twoDiscs;
  oneDisc.replace(oneDisc.find("[disc01]"), oneDisc.find("[WORK_GROUP]") - oneDisc.find("[disc01]"),
                  "");
  std::string update = twoDiscs + "[execmode]\nup=1\n";
  struct Case {
    const char* what;
    std::string script;
    std::string commandLine;
    bool discTwoInE;           // a second CD-ROM drive holds disc 2 from the start
    std::vector<int> answers;  // each prompt puts this disc into D: (0: a wrong one)
    int exitCode;
    int prompts;            // needed-disc prompts
    std::string installed;  // a file that must be there afterwards ("" none)
  };
  const std::vector<Case> cases = {
      {"one disc", oneDisc, "/S", false, {}, 0, 0, "C:\\Wendmark\\Game\\game\\kvx.exe"},
      {"both discs mounted", twoDiscs, "/S", true, {}, 0, 0, "C:\\Wendmark\\Game\\game\\movie.bin"},
      {"disc 2 brought, disc 1 back",
       twoDiscs,
       "/S",
       false,
       {2, 1},
       0,
       2,
       "C:\\Wendmark\\Game\\game\\movie.bin"},
      {"disc 2 never brought", twoDiscs, "/S", false, {0, 0, 0, 0}, 1, 4, ""},
      {"the folder given as it stands",
       twoDiscs,
       "/S /D=\"C:\\users\\me\\Documents\\My Games\"",
       true,
       {},
       0,
       0,
       "C:\\users\\me\\Documents\\My Games\\game\\kvx.exe"},
      // Made absolute against the folder the launcher was started in, not the disc's root
      // where the launcher goes to find its script.
      {"a relative folder",
       twoDiscs,
       "/S /D=Games\\KVX",
       true,
       {},
       0,
       0,
       "C:\\users\\me\\Games\\KVX\\game\\kvx.exe"},
      {"a system folder", twoDiscs, "/S /D=C:\\windows\\KVX", true, {}, 2, 0, ""},
      {"a folder too long", twoDiscs, "/S /D=C:\\" + std::string(260, 'x'), true, {}, 2, 0, ""},
      {"an unknown switch", twoDiscs, "/S /Quiet", true, {}, 2, 0, ""},
      {"an update without an install", update, "/S", true, {}, 1, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FakeMachine m(c.script);
    m.WriteDisc(1, "game\\kvx.exe", "kvx");
    m.WriteDisc(1, "game\\a.dat", "a");
    m.WriteDisc(2, "game\\movie.bin", "movie");
    m.sys.AddDrive('D', DriveType::kCdRom, "DISC1");  // D: anew; the machine's discs stay
    m.Insert(1);
    if (c.discTwoInE) {
      m.sys.AddDrive('E', DriveType::kCdRom, "DISC2");
      m.sys.InsertDisc('E', m.discs[1], "DISC2");
    }
    m.AnswerWithDiscs(c.answers);
    m.sys.WriteHostFile("C:\\users\\me\\.keep", "");
    EXPECT_EQ(m.Start(
                  c.commandLine, [](SetupDialog& d, testing::FakeView&) { d.RunSilent(); },
                  "C:\\users\\me"),
              c.exitCode);
    int prompts = 0;
    for (const auto& message : m.sys.messages()) {
      const bool discPrompt =
          !message.question &&
          (message.caption == "Insert disc" || message.caption == "Wrong disc") &&
          message.text.rfind("Insert disc ", 0) == 0;
      EXPECT_TRUE(discPrompt) << message.caption << ": " << message.text;
      prompts += discPrompt ? 1 : 0;
    }
    EXPECT_EQ(prompts, c.prompts);
    if (!c.installed.empty()) {
      EXPECT_TRUE(m.sys.FileExists(c.installed)) << c.installed;
      EXPECT_TRUE(m.sys.FileExists("C:\\windows\\KVX.ini.pak"));
    } else {
      EXPECT_FALSE(m.sys.FileExists("C:\\windows\\KVX.ini.pak"));
    }
  }
}

// The folder given is the folder the game goes to, is recorded, played from and removed.
TEST(Unattended, TheFolderGivenIsInstalledPlayedAndUninstalledAsItStands) {
  testing::FakeMachine m(
      "[setup]\nname=KVX.ini\ninst_size=1000\n[disc00]\nlabel=DISC1\nfile0=kvx.exe\n"
      "[WORK_GROUP]\nexefile=kvx.exe\n");
  m.WriteDisc(1, "kvx.exe", "kvx");
  auto silent = [](SetupDialog& d, testing::FakeView&) { d.RunSilent(); };
  ASSERT_EQ(m.Start("/S /D=\"C:\\Quiet Games\\QKVX\"", silent), 0);
  EXPECT_EQ(m.sys.ReadHostFile("C:\\Quiet Games\\QKVX\\kvx.exe"), "kvx");
  EXPECT_TRUE(m.log.Has("install folder: C:\\Quiet Games\\QKVX"));
  m.Start("", [](SetupDialog& d, testing::FakeView&) { d.OnCommand(kPlayButton); });
  ASSERT_FALSE(m.sys.started.empty());
  EXPECT_EQ(m.sys.started.back().commandLine, "\"C:\\Quiet Games\\QKVX\\kvx.exe\"");
  EXPECT_EQ(m.sys.CurrentDir(), "C:\\Quiet Games\\QKVX");
  ASSERT_EQ(m.Start("/U /S", silent), 0);
  EXPECT_FALSE(m.sys.FileExists("C:\\Quiet Games\\QKVX\\kvx.exe"));
  std::uint32_t attributes = 0;
  EXPECT_FALSE(m.sys.GetAttributes("C:\\Quiet Games", &attributes));  // made, and empty
}

// Before the record's name is known there is no "<record>-setup.log": a refusal then goes
// to setup.log in the temporary folder.
TEST(Unattended, ARefusalBeforeTheScriptIsReadIsLoggedToSetupLog) {
  testing::FakeSystem sys;
  sys.WriteHostFile("C:\\temp\\.keep", "");
  sys.windowClasses.insert("KVX");
  IniFile script, record;
  PackFile pack(sys);
  LauncherState state;
  state.commandLine = ParseCommandLine("/S");
  DeferredLog log;
  LauncherContext ctx{sys, script, record, pack, state, &log};
  EXPECT_EQ(LauncherMain(ctx, nullptr, [] {}), 2);
  log.Open(nullptr);  // the launcher ends: its log is closed
  EXPECT_NE(sys.ReadHostFile("C:\\temp\\setup.log").find("start-up: REFUSED: the game is running"),
            std::string::npos);
}

}  // namespace
}  // namespace dl
