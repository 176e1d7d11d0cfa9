#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "install/finish.h"
#include "install/launch.h"
#include "install/uninstall.h"
#include "launcher/setup_dialog.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_system.h"
#include "support/fake_view.h"
#include "support/launcher_fixture.h"

namespace dl {
namespace {

using testing::FakeSystem;
using testing::FakeView;

class LifecycleTest : public testing::LauncherFixture {
 protected:
  LifecycleTest() : dialog_(ctx_, view_, ops_) {
    view_.system = &sys_;
    sys_.AddDrive('D', DriveType::kFixed, "DATA", 1 << 30);
    sys_.specialFolders[SpecialFolder::kProgramFiles] = "C:\\Program Files";
    sys_.specialFolders[SpecialFolder::kProgramFilesX86] = "C:\\Program Files (x86)";
    sys_.specialFolders[SpecialFolder::kProfile] = "C:\\users\\me";
    sys_.specialFolders[SpecialFolder::kDocuments] = "C:\\users\\me\\Documents";
    sys_.specialFolders[SpecialFolder::kAppData] = "C:\\users\\me\\AppData\\Roaming";
    sys_.specialFolders[SpecialFolder::kStartMenu] = "C:\\users\\me\\Start Menu";
    state_.desktopPath = "C:\\users\\me\\Desktop";
    state_.programsPath = "C:\\users\\me\\Start Menu\\Programs";
    state_.recordPath = "C:\\windows\\KVX.ini";
  }
  // What went through the shell's delete (single files), then the install folder when it
  // is gone (removed item by item, never through a link).
  std::vector<std::string> Deleted(const std::string& folder = "C:\\Wendmark\\Game") {
    std::vector<std::string> out;
    for (const auto& c : sys_.shellCalls)
      if (c.op == ShellOp::kDelete) out.push_back(c.from);
    std::uint32_t attributes = 0;
    for (const auto& e : sys_.fileEffects)
      if (e.kind == testing::FakeSystem::FileEffect::kRemoveFolder && e.path == folder &&
          !sys_.GetAttributes(folder, &attributes))
        out.push_back(folder);
    return out;
  }

  // The plan of a command started now, as the dialog makes it.
  InstallPlan Plan() { return PlanCommand(sys_, state_, script_, "", ""); }

  FakeView view_;
  testing::RecordingOperations ops_;
  SetupDialog dialog_;
};

TEST(CanonicalPath, OneFormForEveryWayOfWritingAPath) {
  EXPECT_EQ(CanonicalPath("c:/Games//KVX\\"), "C:\\GAMES\\KVX");
  EXPECT_EQ(CanonicalPath("C:\\Games\\.\\x\\..\\KVX"), "C:\\GAMES\\KVX");
  EXPECT_EQ(CanonicalPath("C:\\windows. \\"), "C:\\WINDOWS");
  EXPECT_EQ(CanonicalPath("C:\\windows\\ "), "");  // a name of blanks alone: refused
  EXPECT_EQ(CanonicalPath("C:\\"), "C:");
  EXPECT_EQ(CanonicalPath("C:\\.."), "");
  EXPECT_EQ(CanonicalPath("C:relative"), "");
  EXPECT_EQ(CanonicalPath("Games\\KVX"), "");
  EXPECT_EQ(CanonicalPath("\\\\server\\share\\x"), "");
  EXPECT_EQ(CanonicalPath(""), "");
}

TEST_F(LifecycleTest, TheInstallFolderGuardRefusesEveryHostileRecord) {
  sys_.WriteHostFile("C:\\windows\\system32\\kernel32.dll", "system");
  sys_.shortPaths["C:\\windows"] = "C:\\WINDOW~1";
  const std::vector<std::string> refused = {"",
                                            "Games",
                                            "KVX\\Game",
                                            "C:",
                                            "C:\\",
                                            "c:/",
                                            "D:\\",
                                            "C:\\windows",
                                            "c:\\WINDOWS\\",
                                            "C:\\windows\\system32",
                                            "C:\\windows\\Temp\\Game",
                                            "C:\\WINDOW~1",
                                            "C:\\Program Files",
                                            "C:\\Program Files (x86)",
                                            "C:\\users",
                                            "C:\\users\\me",
                                            "C:\\users\\me\\Desktop",
                                            "C:\\users\\me\\Documents",
                                            "C:\\users\\me\\Start Menu\\Programs",
                                            "C:\\users\\me\\Start Menu",
                                            "C:\\users\\me\\AppData",
                                            "C:\\Games\\..\\windows",
                                            "C:\\Games\\..\\..",
                                            "C:\\windows.",
                                            "\\\\server\\share\\Game",
                                            "C:Game"};
  for (const std::string& path : refused)
    EXPECT_FALSE(IsRemovableInstallFolder(sys_, Plan(), path)) << "'" << path << "'";
  const std::vector<std::string> allowed = {"C:\\Wendmark\\Game", "C:\\Program Files\\Wendmark",
                                            "C:\\users\\me\\Games\\Wendmark", "D:\\Games\\KVX",
                                            "C:\\windowsgames\\x"};
  for (const std::string& path : allowed)
    EXPECT_TRUE(IsRemovableInstallFolder(sys_, Plan(), path)) << path;

  // A record can name shortcuts only where the install made them: on the desktop and in
  // the game's own group folder, not elsewhere in the Start menu.
  DeleteGuard guard(sys_, Plan());
  guard.AllowShortcutsIn("C:\\users\\me\\Start Menu\\Programs\\W");
  EXPECT_TRUE(guard.Shortcut("C:\\users\\me\\Desktop\\Wendmark.lnk").ok());
  EXPECT_TRUE(guard.Shortcut("c:/users/me/start menu/programs/W/Play.PIF").ok());
  EXPECT_FALSE(guard.Shortcut("C:\\users\\me\\Start Menu\\Programs\\Other\\Other.lnk").ok());
  EXPECT_FALSE(guard.Shortcut("C:\\users\\me\\Start Menu\\Programs\\Startup\\x.lnk").ok());
  EXPECT_FALSE(guard.Shortcut("C:\\users\\me\\Start Menu\\Programs\\x.lnk").ok());
  EXPECT_FALSE(guard.Shortcut("C:\\Important\\tool.lnk").ok());
  EXPECT_FALSE(guard.Shortcut("C:\\users\\me\\Desktop").ok());
  EXPECT_TRUE(IsShortcutFile("C:\\users\\me\\Desktop\\Wendmark.lnk"));
  EXPECT_TRUE(IsShortcutFile("C:\\x\\OLD.PIF"));
  EXPECT_FALSE(IsShortcutFile("C:\\windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(IsShortcutFile("Wendmark.lnk"));
  EXPECT_FALSE(IsShortcutFile("C:\\x\\lnk"));
  EXPECT_FALSE(IsShortcutFile("C:\\"));
}

TEST_F(LifecycleTest, UninstallRemovesThePackTheListedShortcutsAndTheFolder) {
  script_.LoadText("[WORK_GROUP]\ngroupname=W\n");
  sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", "pack");
  sys_.WriteHostFile("C:\\users\\me\\Start Menu\\Programs\\W\\Game.lnk", "l");
  sys_.WriteHostFile("C:\\users\\me\\Start Menu\\Programs\\W\\Uninstall.lnk", "l");
  sys_.WriteHostFile("C:\\Wendmark\\Game\\kvx.exe", "g");
  sys_.WriteHostFile("C:\\Wendmark\\Game\\saves\\slot1.sav", "made by the game");
  record_.LoadText(
      "[move_file]\nfile0=C:\\users\\me\\Start Menu\\Programs\\W\\Game.lnk\n"
      "file2=C:\\users\\me\\Desktop\\Game.lnk\n"  // already deleted by the user
      "file1=C:\\users\\me\\Start Menu\\Programs\\W\\Uninstall.lnk\n"
      "[inst_path]\npath=C:\\Wendmark\\Game\n");
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 1);
  EXPECT_EQ(Deleted(),
            (std::vector<std::string>{
                "C:\\windows\\KVX.ini.pak", "C:\\users\\me\\Start Menu\\Programs\\W\\Game.lnk",
                "C:\\users\\me\\Start Menu\\Programs\\W\\Uninstall.lnk", "C:\\Wendmark\\Game"}));
  for (const auto& c : sys_.shellCalls) {
    EXPECT_EQ(c.flags, 0x0014u);
    EXPECT_EQ(c.owner, view_.window());
  }
  EXPECT_FALSE(sys_.FileExists("C:\\windows\\KVX.ini.pak"));
  EXPECT_FALSE(sys_.FileExists("C:\\Wendmark\\Game\\saves\\slot1.sav"));
  EXPECT_TRUE(sys_.messages().empty());
  EXPECT_FALSE(view_.Visible(kInstallButton));
  EXPECT_FALSE(view_.Visible(kPlayButton));
}

TEST_F(LifecycleTest, TheShortcutListEndsAtItsFirstGap) {
  sys_.WriteHostFile("C:\\users\\me\\Desktop\\a.lnk", "l");
  sys_.WriteHostFile("C:\\users\\me\\Desktop\\b.lnk", "l");
  sys_.WriteHostFile("C:\\users\\me\\Desktop\\demo.lnk", "l");
  record_.LoadText(
      "[move_file]\nfile0=C:\\users\\me\\Desktop\\a.lnk\nfile1=C:\\users\\me\\Desktop\\b."
      "lnk\nfile3=C:\\users\\me\\Desktop\\demo.lnk\n");
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 1);
  EXPECT_FALSE(sys_.FileExists("C:\\users\\me\\Desktop\\b.lnk"));
  EXPECT_TRUE(sys_.FileExists("C:\\users\\me\\Desktop\\demo.lnk"));  // after the gap at file2
}

TEST_F(LifecycleTest, AHostileRecordDeletesNothingButThePackAndSaysWhatItLeft) {
  sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", "pack");
  sys_.WriteHostFile("C:\\windows\\system32\\kernel32.dll", "system");
  sys_.WriteHostFile("C:\\windows\\win.ini", "keep");
  record_.LoadText(
      "[move_file]\nfile0=C:\\windows\\system32\\kernel32.dll\nfile1=C:\\users\\..\\windows\n"
      "[inst_path]\npath=C:\\windows\n");
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 0);
  EXPECT_EQ(Deleted(), std::vector<std::string>{"C:\\windows\\KVX.ini.pak"});
  EXPECT_TRUE(sys_.FileExists("C:\\windows\\system32\\kernel32.dll"));
  EXPECT_TRUE(sys_.FileExists("C:\\windows\\win.ini"));
  ASSERT_EQ(sys_.messages().size(), 1u);
  const auto& m = sys_.messages()[0];
  EXPECT_EQ(m.caption, "Uninstall");
  EXPECT_EQ(m.owner, view_.window());
  EXPECT_NE(m.text.find("\nC:\\windows\\system32\\kernel32.dll"), std::string::npos);
  EXPECT_NE(m.text.find("\nC:\\windows"), std::string::npos);

  record_.LoadText("[inst_path]\npath=C:\\\n");
  sys_.shellCalls.clear();
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 0);
  EXPECT_EQ(Deleted(), std::vector<std::string>{"C:\\windows\\KVX.ini.pak"});
}

// Records as an attacker writes them: every one of them must leave the canaries where
// they are, and the launcher must say what it refused.
TEST_F(LifecycleTest, NoRecordReachesBeyondTheGameItInstalled) {
  sys_.cyrillic = true;
  const std::string ivan = "C:\\users\\\xC8\xE2\xE0\xED";  // "Ivan" in code page 1251
  sys_.specialFolders[SpecialFolder::kProfile] = ivan;
  sys_.specialFolders[SpecialFolder::kPictures] = ivan + "\\Pictures";
  sys_.specialFolders[SpecialFolder::kDownloads] = ivan + "\\Downloads";
  const std::vector<std::string> canaries = {ivan + "\\Pictures\\holiday.bmp",
                                             ivan + "\\Downloads\\setup.exe",
                                             "C:\\users\\other\\thesis.doc",
                                             "C:\\users\\Public\\shared.txt",
                                             "C:\\winapps\\tool.exe",
                                             "C:\\Unrelated\\data.bin",
                                             "C:\\users\\me\\Desktop\\Mail.lnk",
                                             "C:\\windows\\win.ini"};
  for (const std::string& c : canaries) sys_.WriteHostFile(c, "canary");
  // A junction-style alias of the profiles' folder, as "Documents and Settings" is.
  std::filesystem::create_directory_symlink(sys_.HostPath("C:\\users"),
                                            sys_.HostPath("C:\\Documents and Settings"));
  const std::vector<std::string> hostileFolders = {
      "C:\\*",
      "C:\\users\\*",
      "C:\\users\\m?",
      "C:\\win*",
      "C:\\windows\\..\\*",
      "C:\\users\\me::$INDEX_ALLOCATION",
      "C:\\users\\\xE8\xE2\xE0\xED",  // the profile in small letters
      "C:\\users\\\xE8\xE2\xE0\xED\\Pictures",
      ivan + "\\Downloads",
      "C:\\users\\other",
      "C:\\users\\Public",
      "C:\\Documents and Settings\\other",
      "C:\\DOCUME~1\\other",
      "C:\\Unrelated",  // exists, but holds no game program
      "C:\\users\\me\\Desktop\\\"x\"",
  };
  sys_.shortPaths["C:\\Documents and Settings\\other"] = "C:\\DOCUME~1\\other";
  for (const std::string& folder : hostileFolders) {
    SCOPED_TRACE(folder);
    sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", "pack");
    sys_.shellCalls.clear();
    const std::size_t before = sys_.messages().size();
    record_.LoadText("[move_file]\nfile0=C:\\users\\me\\Desktop\\*.lnk\nfile1=" + folder +
                     "\\game.lnk\n[inst_path]\npath=" + folder + "\n");
    EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 0);
    for (const auto& call : sys_.shellCalls) {
      EXPECT_EQ(call.op, ShellOp::kDelete);
      EXPECT_EQ(call.from.find_first_of("*?"), std::string::npos) << call.from;
      EXPECT_NE(call.from, "C:\\users\\me\\Desktop\\*.lnk");
    }
    for (const std::string& c : canaries) EXPECT_EQ(sys_.ReadHostFile(c), "canary") << c;
    ASSERT_EQ(sys_.messages().size(), before + 1);
    const std::string& text = sys_.messages().back().text;
    EXPECT_NE(text.find("\n" + folder + " ("), std::string::npos) << text;
    EXPECT_NE(text.find("\nC:\\users\\me\\Desktop\\*.lnk (not a plain absolute path)"),
              std::string::npos)
        << text;
  }
  bool named = false;
  for (const auto& m : sys_.messages())
    named = named || m.text.find("\nC:\\Unrelated (does not hold the game program kvx.exe)") !=
                         std::string::npos;
  EXPECT_TRUE(named);

  // A record name that is a pattern names no pack of ours: it is not deleted either.
  sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", "pack");
  state_.recordPath = "C:\\windows\\*";
  record_.LoadText("[other]\n");
  sys_.shellCalls.clear();
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 0);
  EXPECT_TRUE(Deleted().empty());
  EXPECT_TRUE(sys_.FileExists("C:\\windows\\KVX.ini.pak"));

  // The real install, written loosely, still goes, in the form the guard checked.
  state_.recordPath = "C:\\windows\\KVX.ini";
  sys_.WriteHostFile("C:\\Wendmark\\Game\\kvx.exe", "game");
  sys_.WriteHostFile("C:\\users\\me\\Desktop\\Wendmark.lnk", "l");
  record_.LoadText(
      "[move_file]\nfile0=c:/users/me/Desktop//Wendmark.lnk\n"
      "[inst_path]\npath=C:\\Wendmark\\.\\Game\\\n");
  sys_.shellCalls.clear();
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 1);
  EXPECT_EQ(Deleted(), (std::vector<std::string>{"C:\\windows\\KVX.ini.pak",
                                                 "C:\\users\\me\\Desktop\\Wendmark.lnk",
                                                 "C:\\Wendmark\\Game"}));
  EXPECT_FALSE(sys_.FileExists("C:\\Wendmark\\Game\\kvx.exe"));
}

TEST_F(LifecycleTest, AFolderReachedThroughALinkIsJudgedAndDeletedWhereItLeads) {
  sys_.WriteHostFile("C:\\Wendmark\\Game\\kvx.exe", "game");
  sys_.WriteHostFile("C:\\users\\me\\Documents\\kvx.exe", "a file named like the game");
  std::filesystem::create_directory_symlink(sys_.HostPath("C:\\users\\me\\Documents"),
                                            sys_.HostPath("C:\\Alias"));
  std::filesystem::create_directory_symlink(sys_.HostPath("C:\\Wendmark\\Game"),
                                            sys_.HostPath("C:\\GameLink"));
  record_.LoadText("[inst_path]\npath=C:\\Alias\n");
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 0);
  EXPECT_TRUE(sys_.FileExists("C:\\users\\me\\Documents\\kvx.exe"));

  record_.LoadText("[inst_path]\npath=C:\\GameLink\n");
  sys_.shellCalls.clear();
  EXPECT_EQ(Uninstall(install_, Plan(), dialog_), 1);
  EXPECT_EQ(Deleted().back(), "C:\\Wendmark\\Game");
  EXPECT_TRUE(sys_.FileExists("C:\\users\\me\\Documents\\kvx.exe"));
}

TEST_F(LifecycleTest, PlayStartsTheGameFromItsFolderWithItsPathQuoted) {
  // Quoted, a folder with blanks cannot be read as the program "D:\My.exe".
  sys_.WriteHostFile("D:\\My.exe", "not the game");
  sys_.WriteHostFile("D:\\My Games\\Game\\kvx.exe", "g");
  record_.LoadText("[inst_path]\npath=D:\\My Games\\Game\n");
  script_.LoadText("[WORK_GROUP]\nexefile=kvx.exe\n");
  RunGame(install_);
  ASSERT_EQ(sys_.started.size(), 1u);
  EXPECT_EQ(sys_.started[0].commandLine, "\"D:\\My Games\\Game\\kvx.exe\"");
  EXPECT_FALSE(sys_.started[0].hidden);
  EXPECT_EQ(sys_.CurrentDir(), "D:\\My Games\\Game");

  // A quote in the record would end the quoted path early: nothing is started.
  record_.LoadText("[inst_path]\npath=D:\\My Games\\Game\\x.exe\" \"\n");
  RunGame(install_);
  EXPECT_EQ(sys_.started.size(), 1u);
}

// An elevated launcher hands Play and Demo to the desktop shell, which starts them with
// the signed-in user's rights; the same program, arguments and folder either way.
TEST_F(LifecycleTest, PlayAndDemoRunWithTheSignedInUsersRightsWhereTheSystemElevates) {
  record_.LoadText("[inst_path]\npath=D:\\My Games\\Game\n");
  script_.LoadText(
      "[WORK_GROUP]\nexefile=kvx.exe\n[DEMO_GROUP]\npath=demo\nexefile=demo.exe\nmode=-attract\n");
  sys_.WriteHostFile("D:\\My Games\\Game\\kvx.exe", "g");
  sys_.AddDrive('E', DriveType::kCdRom, "DISC1");
  sys_.WriteHostFile("E:\\demo\\demo.exe", "d");
  struct Case {
    bool elevated, desktopShell, asUser;
  };
  for (const Case& c : {Case{false, true, false}, Case{true, true, true}}) {
    SCOPED_TRACE(std::string(c.elevated ? "elevated" : "not elevated") +
                 (c.desktopShell ? ", a desktop shell" : ", no desktop shell"));
    sys_.elevated = c.elevated;
    sys_.desktopShell = c.desktopShell;
    sys_.started.clear();
    RunGame(install_);
    // The launcher at the root of its disc: the demo's folder is "\demo" of the current
    // drive, which the shell, in a process of its own, gets as a full path.
    sys_.ChangeDir("E:\\");
    RunDemo(install_, "");
    ASSERT_EQ(sys_.started.size(), 2u);
    EXPECT_EQ(sys_.started[0].asUser, c.asUser);
    EXPECT_EQ(sys_.started[0].commandLine, "\"D:\\My Games\\Game\\kvx.exe\"");
    EXPECT_EQ(sys_.started[1].asUser, c.asUser);
    EXPECT_EQ(sys_.started[1].commandLine,
              c.asUser ? "\"E:\\demo\\demo.exe\" -attract" : "\"\\demo\\demo.exe\" -attract");
    if (c.asUser) {
      EXPECT_EQ(sys_.started[0].folder, "D:\\My Games\\Game");
      EXPECT_EQ(sys_.started[1].folder, "E:\\demo");
    }
    EXPECT_EQ(sys_.CurrentDir(), "E:\\demo");
  }
}

// Where the launcher runs elevated and the desktop shell cannot start a program with the
// user's rights, the program is not started with the administrator's: the user is told.
TEST_F(LifecycleTest, PlayAndDemoAreNeverStartedElevatedWhenTheShellCannotStartThem) {
  record_.LoadText("[inst_path]\npath=D:\\My Games\\Game\n");
  script_.LoadText("[WORK_GROUP]\nexefile=kvx.exe\n[DEMO_GROUP]\npath=demo\nexefile=demo.exe\n");
  sys_.WriteHostFile("D:\\My Games\\Game\\kvx.exe", "g");
  sys_.WriteHostFile("D:\\demo\\demo.exe", "d");
  sys_.elevated = true;
  sys_.desktopShell = false;
  RunGame(install_, view_.window());
  RunDemo(install_, "D:", view_.window());
  EXPECT_TRUE(sys_.started.empty());
  ASSERT_EQ(sys_.messages().size(), 2u);
  // Owned by the dialog, which waits behind them.
  EXPECT_EQ(sys_.messages()[0].owner, view_.window());
  EXPECT_EQ(sys_.messages()[1].owner, view_.window());
  EXPECT_NE(sys_.messages()[0].text.find("D:\\My Games\\Game\\kvx.exe could not be started"),
            std::string::npos);
  EXPECT_NE(sys_.messages()[1].text.find("demo.exe could not be started"), std::string::npos);
  EXPECT_NE(sys_.messages()[1].text.find("Start menu"), std::string::npos);
}

TEST_F(LifecycleTest, PlayWithoutAProgramOrAFolderStartsNothing) {
  record_.LoadText("[inst_path]\npath=D:\\Games\\Game\n");
  script_.LoadText("[WORK_GROUP]\ngroupname=G\n");  // a later run: no exefile
  RunGame(install_);
  record_.LoadText("[other]\n");
  script_.LoadText("[WORK_GROUP]\nexefile=kvx.exe\n");
  RunGame(install_);
  record_.LoadText("[inst_path]\npath=\n");
  RunGame(install_);
  EXPECT_TRUE(sys_.started.empty());
}

TEST_F(LifecycleTest, PlayInTheRunOfTheInstallFindsTheRecordedDefault) {
  // [WORK_GROUP] lacks exefile: finishing the install records "kvx.exe" in it.
  script_.LoadText("[WORK_GROUP]\ngroupname=G\n");
  InstallPlan plan = Plan();
  plan.installFolder = "D:\\Wendmark\\Game";
  sys_.WriteHostFile("D:\\Wendmark\\Game\\kvx.exe", "g");
  FinishInstall(install_, plan, view_.window());
  record_.SetString("[inst_path]", "path", "D:\\Wendmark\\Game");
  sys_.started.clear();
  RunGame(install_);
  ASSERT_EQ(sys_.started.size(), 1u);
  EXPECT_EQ(sys_.started[0].commandLine, "\"D:\\Wendmark\\Game\\kvx.exe\"");
}

TEST_F(LifecycleTest, TheDemoRunsFromItsFolderOnTheDisc) {
  sys_.WriteHostFile("D:\\demo\\demo.exe", "d");
  sys_.ChangeDir("D:\\");
  state_.sourceRoot = "";
  script_.LoadText("[DEMO_GROUP]\npath=demo\nexefile=demo.exe\n");
  RunDemo(install_, state_.sourceRoot);
  ASSERT_EQ(sys_.started.size(), 1u);
  EXPECT_EQ(sys_.started[0].commandLine, "\"\\demo\\demo.exe\" ");  // the empty mode's blank
  EXPECT_EQ(sys_.CurrentDir(), "D:\\demo");

  state_.sourceRoot = "D:";
  script_.LoadText("[DEMO_GROUP]\npath=demo\nexefile=demo.exe\nmode=-attract\n");
  RunDemo(install_, state_.sourceRoot);
  EXPECT_EQ(sys_.started.back().commandLine, "\"D:\\demo\\demo.exe\" -attract");

  script_.LoadText("[DEMO_GROUP]\npath=demo\n");
  RunDemo(install_, state_.sourceRoot);
  EXPECT_EQ(sys_.started.size(), 2u);  // no program: nothing started
}

TEST_F(LifecycleTest, TheInstallersStartAndEndTheLauncher) {
  script_.LoadText(
      "[instind_path]\npath=extra\\extra.exe /quiet\n"
      "[instdx_path]\npath2000=dx\\setup.exe /2000\npath98=dx\\setup.exe /98\n");
  RunExtraInstaller(install_, dialog_);
  EXPECT_EQ(sys_.started.back().commandLine, "extra\\extra.exe /quiet");
  EXPECT_EQ(view_.endResults, std::vector<int>{-1});

  const std::vector<std::pair<OsVersionInfo, std::string>> systems = {
      {{5, 0, 0, 2, ""}, "dx\\setup.exe /2000"}, {{5, 1, 0, 2, ""}, "dx\\setup.exe /2000"},
      {{5, 2, 0, 2, ""}, "dx\\setup.exe /2000"}, {{4, 0, 0, 1, ""}, "dx\\setup.exe /98"},
      {{4, 10, 0, 1, ""}, "dx\\setup.exe /98"},  {{6, 0, 0, 2, ""}, "dx\\setup.exe /98"},
      {{10, 0, 0, 2, ""}, "dx\\setup.exe /98"}};
  for (const auto& [version, command] : systems) {
    RunDirectXSetup(install_, version, dialog_);
    EXPECT_EQ(sys_.started.back().commandLine, command) << version.major << "." << version.minor;
  }
  EXPECT_EQ(view_.endResults.size(), 1u + systems.size());

  script_.LoadText("[other]\n");
  std::size_t before = sys_.started.size();
  RunDirectXSetup(install_, state_.probe.osVersion, dialog_);
  RunExtraInstaller(install_, dialog_);
  EXPECT_EQ(sys_.started.size(), before);  // nothing to start, but the launcher still ends
  EXPECT_EQ(view_.endResults.size(), 3u + systems.size());
}

}  // namespace
}  // namespace dl
