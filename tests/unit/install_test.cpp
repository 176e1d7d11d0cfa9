#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "grpconv/progman.h"
#include "install/copy.h"
#include "install/finish.h"
#include "install/install_record.h"
#include "install/launcher_operations.h"
#include "install/shortcut_names.h"
#include "launcher/setup_dialog.h"
#include "launcher/start_up.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_system.h"
#include "support/fake_view.h"
#include "support/launcher_fixture.h"

namespace dl {
namespace {

using testing::FakeSystem;
using testing::FakeView;

constexpr const char* kTwoDiscs =
    "[STRING_TAB]\nstring9=Insert disc %d: %s\nstring10=Wrong disc\nstring11=Insert disc\n"
    "string12=Disc One\nstring13=Disc Two\nstring14=Disc Three\n"
    "[DEFPATH]\npath1=Game\n"
    "[disc00]\nlabel=DISC1\nfiles=4\nfile0=game\\a.txt\nfile1=game\\data\\*.dat\n"
    "[disc01]\nlabel=DISC2\nfile0=game\\b.txt\n";

// The launcher on D: with the game's discs as host folders; the dialog is a fake view.
class InstallTest : public testing::LauncherFixture {
 protected:
  InstallTest() : dialog_(ctx_, view_, ops_) {
    view_.system = &sys_;
    sys_.AddDrive('D', DriveType::kCdRom, "DISC1");
    disc1_ = sys_.HostPath("D:\\");
    disc2_ = sys_.tempRoot() + "/disc2";
    disc3_ = sys_.tempRoot() + "/disc3";
    std::filesystem::create_directories(disc2_);
    std::filesystem::create_directories(disc3_);
    sys_.ChangeDir("D:\\");
    state_.discRoot = "D:\\";
    state_.sourceRoot = "";
    state_.targetDriveRoot = "C:\\";
    state_.programsPath = "C:\\users\\me\\Programs";
    state_.desktopPath = "C:\\users\\me\\Desktop";
    state_.recordPath = "C:\\windows\\KVX.ini";
    view_.SetControlText(kFolderField, "Games\\KVX");
    sys_.WriteHostFile("D:\\game\\a.txt", "A");
    sys_.WriteHostFile("D:\\game\\data\\one.dat", "1");
    sys_.WriteHostFile("D:\\game\\data\\two.dat", "2");
    sys_.WriteHostFile("D:\\game\\data\\skip.txt", "no");
    sys_.WriteHostFile("D:\\game\\data\\sub.dat\\inner.dat", "not descended into");
    WriteOn(disc2_, "game/b.txt", "B");
  }
  static void WriteOn(const std::string& disc, const std::string& rel, const std::string& text) {
    std::filesystem::path p = disc + "/" + rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  void Swap(const std::string& disc, const std::string& label) {
    sys_.InsertDisc('D', disc, label);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const auto& m : sys_.messages()) out.push_back(m.caption + "|" + m.text);
    return out;
  }
  bool Exists(const std::string& path) { return sys_.FileExists(path); }
  // The plan of a command started now, as the dialog makes it, with "OPENING" as the
  // opening status text; installFolder_, when set, is the folder of an earlier copy.
  InstallPlan Plan(IniFile& script) {
    InstallPlan plan = PlanCommand(sys_, state_, script, view_.Text(kFolderField), "OPENING");
    if (!installFolder_.empty()) plan.installFolder = installFolder_;
    return plan;
  }
  InstallPlan Plan() { return Plan(script_); }

  FakeView view_;
  LauncherOperations ops_{ctx_.install()};
  std::string installFolder_;
  SetupDialog dialog_;
  CopyState copy_;
  std::string disc1_, disc2_, disc3_;
};

TEST_F(InstallTest, TwoDiscsWithPromptsSwapsProgressAndStatus) {
  script_.LoadText(kTwoDiscs);
  sys_.ScriptAnswer(kAnswerOk, [&] { Swap(disc2_, "DISC2"); });  // insert disc 2
  sys_.ScriptAnswer(kAnswerOk, [&] { Swap(disc1_, "DISC1"); });  // return disc 1
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Insert disc|Insert disc 2: Disc Two",
                                                  "Insert disc|Insert disc 1: Disc One"}));
  for (const auto& m : sys_.messages()) EXPECT_EQ(m.owner, view_.window());
  EXPECT_EQ(Plan().installFolder, "C:\\Games\\Game");
  EXPECT_EQ(sys_.ReadHostFile("C:\\Games\\Game\\game\\a.txt"), "A");
  EXPECT_EQ(sys_.ReadHostFile("C:\\Games\\Game\\game\\data\\one.dat"), "1");
  EXPECT_EQ(sys_.ReadHostFile("C:\\Games\\Game\\game\\data\\two.dat"), "2");
  EXPECT_EQ(sys_.ReadHostFile("C:\\Games\\Game\\game\\b.txt"), "B");
  EXPECT_FALSE(Exists("C:\\Games\\Game\\game\\data\\skip.txt"));
  EXPECT_FALSE(Exists("C:\\Games\\Game\\game\\data\\sub.dat\\inner.dat"));
  // Files from the CD lose their read-only mark.
  for (const char* f : {"C:\\Games\\Game\\game\\a.txt", "C:\\Games\\Game\\game\\data\\one.dat",
                        "C:\\Games\\Game\\game\\b.txt"}) {
    std::uint32_t a = 0;
    ASSERT_TRUE(sys_.GetAttributes(f, &a)) << f;
    EXPECT_EQ(a, kAttrNormal) << f;
  }
  // One shell request per file, owned by the dialog, with the copy flags.
  ASSERT_EQ(sys_.shellCalls.size(), 4u);
  for (const auto& call : sys_.shellCalls) {
    EXPECT_EQ(call.op, ShellOp::kCopy);
    EXPECT_EQ(call.flags, 0x0210u);
    EXPECT_EQ(call.owner, view_.window());
  }
  EXPECT_EQ(sys_.shellCalls[0].from, "game\\a.txt");
  EXPECT_EQ(sys_.shellCalls[0].to, "C:\\Games\\Game\\game\\a.txt");
  // Ranges per disc; positions: entry 0, the wildcard's two matches at the step counter
  // (1, 2), entry 1, then disc 2's entry 0. One 100 ms pause per list entry.
  EXPECT_EQ(view_.progressRanges, (std::vector<int>{4, 10}));
  EXPECT_EQ(view_.progressPositions, (std::vector<int>{0, 1, 2, 1, 0}));
  EXPECT_EQ(copy_.copySteps, 5);
  EXPECT_EQ(sys_.pauses(), (std::vector<std::uint32_t>{100, 100, 100}));
  EXPECT_EQ(view_.statusTexts, (std::vector<std::string>{"OPENING\ngame\\data\\one.dat",
                                                         "OPENING\ngame\\data\\two.dat"}));
  EXPECT_FALSE(view_.Visible(kProgressBar));
  EXPECT_FALSE(view_.Visible(kDriveButton));
  EXPECT_FALSE(view_.Visible(kFolderField));
  EXPECT_FALSE(view_.Visible(kStatusText));
}

TEST_F(InstallTest, OneDiscAsksOnlyForItsReturnAndThreeDiscsNameEach) {
  script_.LoadText(
      "[STRING_TAB]\nstring9=%d/%s\nstring11=Insert\nstring12=One\nstring13=Two\n"
      "string14=Three\n[disc00]\nlabel=DISC1\nfile0=game\\a.txt\n");
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Insert|1/One"});

  FakeSystem& sys = sys_;
  IniFile three;
  three.LoadText(
      "[STRING_TAB]\nstring9=%d/%s\nstring11=Insert\nstring12=One\nstring13=Two\n"
      "string14=Three\n[disc00]\nlabel=DISC1\n[disc01]\nlabel=DISC1\n[disc02]\nlabel=DISC1\n");
  InstallContext ctx{sys, three, record_, pack_};
  CopyState copy;
  std::size_t before = sys.messages().size();
  ASSERT_TRUE(CopyAllDiscs(ctx, Plan(three), dialog_, copy).ok);
  std::vector<std::string> texts;
  for (std::size_t i = before; i < sys.messages().size(); ++i)
    texts.push_back(sys.messages()[i].text);
  EXPECT_EQ(texts, (std::vector<std::string>{"2/Two", "3/Three", "1/One"}));
}

TEST_F(InstallTest, TryModeShowsNoPromptAndChecksNoLabel) {
  script_.LoadText(kTwoDiscs);
  state_.tryMode = 1;
  sys_.SetLabel('D', "ANYTHING");
  WriteOn(disc1_, "game/b.txt", "B from disc 1");
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_TRUE(sys_.messages().empty());
  EXPECT_EQ(sys_.ReadHostFile("C:\\Games\\Game\\game\\b.txt"), "B from disc 1");
}

TEST_F(InstallTest, UpdateModePromptsForDiscsButComparesNoLabel) {
  script_.LoadText(kTwoDiscs);
  state_.mode = LaunchMode::kUpdate;
  sys_.SetLabel('D', "WRONG");
  sys_.ScriptAnswer(kAnswerOk, [&] { Swap(disc2_, "ALSO_WRONG"); });
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Insert disc|Insert disc 2: Disc Two"});
}

TEST_F(InstallTest, AWrongDiscThatNeverChangesFailsTheCopy) {
  script_.LoadText(kTwoDiscs);
  sys_.ScriptAnswer(kAnswerOk);  // insert disc 2: the user leaves disc 1 in
  ASSERT_FALSE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);  // disc 2's file is not there
  std::vector<std::string> expected = {"Insert disc|Insert disc 2: Disc Two"};
  for (int i = 0; i < 3; ++i) expected.push_back("Wrong disc|Insert disc 2: Disc Two");
  expected.push_back("Insert disc|Insert disc 1: Disc One");  // the right disc is in: once
  EXPECT_EQ(Captions(), expected);
}

TEST_F(InstallTest, ADiscChangedAfterTheFirstPromptIsTakenAtOnce) {
  script_.LoadText(kTwoDiscs);
  sys_.ScriptAnswer(kAnswerOk);                                  // insert disc 2: not yet
  sys_.ScriptAnswer(kAnswerOk, [&] { Swap(disc2_, "DISC2"); });  // wrong disc: now
  sys_.ScriptAnswer(kAnswerOk);                                  // return disc 1: not yet
  sys_.ScriptAnswer(kAnswerOk);                                  // again: not yet
  sys_.ScriptAnswer(kAnswerOk, [&] { Swap(disc1_, "DISC1"); });
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_EQ(Captions(),
            (std::vector<std::string>{
                "Insert disc|Insert disc 2: Disc Two", "Wrong disc|Insert disc 2: Disc Two",
                "Insert disc|Insert disc 1: Disc One", "Insert disc|Insert disc 1: Disc One",
                "Insert disc|Insert disc 1: Disc One"}));
  // Three comparisons at most: a disc that never comes back ends the prompts too.
  FakeSystem& sys = sys_;
  std::size_t before = sys.messages().size();
  Swap(disc2_, "DISC2");
  IniFile one;
  one.LoadText("[disc00]\nlabel=DISC1\n");
  InstallContext ctx{sys, one, record_, pack_};
  CopyState copy;
  CopyAllDiscs(ctx, Plan(one), dialog_, copy);
  EXPECT_EQ(sys.messages().size() - before, 3u + 3u);  // 3 wrong-disc, 3 return-disc
}

TEST_F(InstallTest, NoDiscSectionCopiesNothingButStillAsksForTheDisc) {
  script_.LoadText("[STRING_TAB]\nstring11=Insert\n");
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_EQ(sys_.messages().size(), 1u);
  EXPECT_TRUE(sys_.shellCalls.empty());
}

TEST_F(InstallTest, TheInstallFolderTakesTheFirstLevelCutToEight) {
  IniFile s;
  // In code page 936 the cut never splits a character, and the second byte of a character
  // is no separator: 東方遊戲 is 8 bytes, 運 is DF 5C.
  sys_.doubleByte = true;
  const std::string eastGame = "\x96\x7C\xB7\xBD\xDF\x5B\x91\xF2";
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", eastGame + "\\x"), "C:\\" + eastGame + "\\Game");
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", "A" + eastGame),
            "C:\\A" + eastGame.substr(0, 6) + "\\Game");
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", "\xDF\x5C\\x"), "C:\\\xDF\x5C\\Game");
  sys_.doubleByte = false;
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", "Games\\Arcade"), "C:\\Games\\Game");
  EXPECT_EQ(InstallFolder(sys_, s, "E:\\", "LongFolderName\\x"), "E:\\LongFold\\Game");
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", ""), "C:\\Game1\\Game");
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", "\\lead"), "C:\\\\Game");
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", "a/b"), "C:\\a\\Game");
  s.LoadText("[DEFPATH]\npath1=Sub\n");
  // The section exists without path2: this read records "Game1" as its value.
  EXPECT_EQ(InstallFolder(sys_, s, "C:\\", ""), "C:\\Game1\\Sub");
  IniFile longer;
  longer.LoadText("[DEFPATH]\npath1=" + std::string(400, 'p') + "\n");
  EXPECT_EQ(InstallFolder(sys_, longer, "C:\\", "x").size(), 259u);
}

TEST_F(InstallTest, MoreEntriesThanFilesAndOverlongPaths) {
  script_.LoadText(
      "[disc00]\nlabel=DISC1\nfiles=65539\nfile0=game\\a.txt\nfile1=game\\a.txt\n"
      "file2=game\\a.txt\nfile3=game\\a.txt\nfile4=game\\a.txt\n");
  state_.tryMode = 1;
  ASSERT_TRUE(CopyAllDiscs(install_, Plan(), dialog_, copy_).ok);
  EXPECT_EQ(view_.progressRanges, std::vector<int>{3});  // 65539 modulo 65536
  EXPECT_EQ(view_.progressPositions, (std::vector<int>{0, 1, 2, 3, 4}));

  // An entry whose target path would not fit 259 characters fails the copy.
  IniFile script;
  script.LoadText("[execmode]\ntry=1\n[disc00]\nfile0=" + std::string(250, 'f') + "\n");
  InstallContext ctx{sys_, script, record_, pack_};
  state_.tryMode = 1;
  CopyState copy;
  std::size_t calls = sys_.shellCalls.size();
  EXPECT_FALSE(CopyAllDiscs(ctx, Plan(script), dialog_, copy).ok);
  EXPECT_EQ(sys_.shellCalls.size(), calls);  // never handed to the shell
  EXPECT_TRUE(view_.Visible(kProgressBar));  // a failed copy leaves the bar as it was
}

TEST_F(InstallTest, ScriptPathsStayInsideTheDiscAndTheInstallFolder) {
  // Files outside the disc's source folder and outside the install folder.
  sys_.WriteHostFile("C:\\windows\\system32\\evil.dll", "system");
  sys_.WriteHostFile("C:\\users\\me\\Documents\\thesis.doc", "a year of work");
  sys_.WriteHostFile("D:\\outside.txt", "not in the game's folder");
  state_.sourceRoot = "D:\\game";
  state_.tryMode = 1;
  // Each entry, first in a list of its own, fails that disc's copy before the shell is asked.
  for (const std::string entry :
       {"..\\..\\windows\\system32\\evil.dll", "..\\outside.txt", "C:\\windows\\win.ini",
        "\\outside.txt", "D:outside.txt", "data\\..\\..\\outside.txt", "a.txt:stream", "", "..\\*",
        "data\\\\one.dat", ". \\a.txt", "data\\"}) {
    SCOPED_TRACE(entry);
    IniFile script;
    script.LoadText("[disc00]\nfile0=" + entry + "\nfile1=a.txt\n");
    InstallContext ctx{sys_, script, record_, pack_};
    CopyState copy;
    sys_.shellCalls.clear();
    EXPECT_FALSE(CopyAllDiscs(ctx, Plan(script), dialog_, copy).ok);
    EXPECT_TRUE(sys_.shellCalls.empty());
  }
  EXPECT_FALSE(Exists("C:\\Games\\Game\\outside.txt"));
  EXPECT_FALSE(Exists("C:\\windows\\system32\\windows\\system32\\evil.dll"));

  // A pattern's match is a name on the disc: one that is no plain file name (a stream, a
  // device) is passed over, and the rest of the pattern is copied.
  sys_.WriteHostFile("D:\\game\\data\\y.: a stream", "not a file name");
  state_.sourceRoot = "";
  {
    IniFile script;
    script.LoadText("[disc00]\nfile0=game\\data\\*\n");
    InstallContext ctx{sys_, script, record_, pack_};
    CopyState copy;
    sys_.shellCalls.clear();
    EXPECT_TRUE(CopyAllDiscs(ctx, Plan(script), dialog_, copy).ok);
    for (const auto& call : sys_.shellCalls) EXPECT_EQ(call.to.find(':', 2), std::string::npos);
    EXPECT_EQ(sys_.ReadHostFile("C:\\Games\\Game\\game\\data\\two.dat"), "2");
  }

  // Renames keep both names inside the install folder.
  installFolder_ = "C:\\Games\\Game";
  sys_.WriteHostFile("C:\\Games\\Game\\a.bin", "a");
  script_.LoadText(
      "[renname]\nfile0=..\\..\\users\\me\\Documents\\thesis.doc,stolen.doc\n"
      "file1=a.bin,..\\..\\windows\\a.bin\nfile2=a.bin,C:\\a.bin\nfile3=a.bin,b.bin\n");
  sys_.shellCalls.clear();
  RenameInstalledFiles(install_, Plan(), view_.window());
  EXPECT_EQ(sys_.ReadHostFile("C:\\users\\me\\Documents\\thesis.doc"), "a year of work");
  EXPECT_FALSE(Exists("C:\\Games\\Game\\stolen.doc"));
  ASSERT_EQ(sys_.shellCalls.size(), 1u);  // only the last, contained rename
  EXPECT_TRUE(Exists("C:\\Games\\Game\\b.bin"));
}

TEST_F(InstallTest, TheLabelOfANonCdDriveIsNull) {
  state_.discRoot = "C:\\";
  ReadDiscLabel(sys_, state_.discRoot, copy_);
  EXPECT_EQ(copy_.currentLabel, "NULL");
  state_.discRoot = "D:\\";
  ReadDiscLabel(sys_, state_.discRoot, copy_);
  EXPECT_EQ(copy_.currentLabel, "DISC1");
  sys_.EjectDisc('D');
  ReadDiscLabel(sys_, state_.discRoot, copy_);
  EXPECT_EQ(copy_.currentLabel, "NULL");
}

TEST_F(InstallTest, RenamesTakeTheFirstTwoFieldsAndMarkTheNewName) {
  installFolder_ = "C:\\G";
  sys_.WriteHostFile("C:\\G\\a.bin", "a");
  sys_.WriteHostFile("C:\\G\\x.bin", "x");
  script_.LoadText("[renname]\nfile0=a.bin,b.bin\nfile1=,x.bin,,y.bin,z.bin\nfile2=lonely\n");
  RenameInstalledFiles(install_, Plan(), view_.window());
  EXPECT_TRUE(Exists("C:\\G\\b.bin"));
  EXPECT_FALSE(Exists("C:\\G\\a.bin"));
  EXPECT_TRUE(Exists("C:\\G\\y.bin"));
  std::uint32_t a = 0;
  ASSERT_TRUE(sys_.GetAttributes("C:\\G\\y.bin", &a));
  EXPECT_EQ(a, kAttrArchive);
  ASSERT_EQ(sys_.shellCalls.size(), 2u);
  EXPECT_EQ(sys_.shellCalls[0].op, ShellOp::kRename);
  EXPECT_EQ(sys_.shellCalls[0].flags, 0x0210u);
}

// The converter as Windows would run it: after a while the group's shortcuts exist.
class FinishTest : public InstallTest {
 protected:
  FinishTest() {
    installFolder_ = "C:\\Wendmark\\Game";
    sys_.WriteHostFile("C:\\Wendmark\\Game\\kvx.exe", "game");
    sys_.WriteHostFile("D:\\setup.exe", "launcher");
  }
  // Shortcut files the converter makes, by item title.
  void ConverterMakes(const std::string& group, std::vector<std::string> titles) {
    sys_.programHook = [this, group, titles](const std::string&) {
      for (const std::string& t : titles)
        sys_.WriteHostFile(state_.programsPath + "\\" + group + "\\" + ShortcutFileName(sys_, t),
                           "lnk");
      return 33u;
    };
  }
  std::string Conversion() { return sys_.ReadHostFile("C:\\windows\\setup.ini"); }
};

TEST_F(FinishTest, TheGroupTextsAreByteForByte) {
  EXPECT_EQ(std::string(kGameGroupTemplate).size(), 105u);
  EXPECT_EQ(std::string(kDemoGroupTemplate).size(), 61u);
  script_.LoadText(
      "[WORK_GROUP]\ngroupname=Wendmark\nlinkname=Play Wendmark\n"
      "linkname1=Remove Wendmark\n");
  sys_.shortPaths["C:\\Wendmark\\Game\\kvx.exe"] = "C:\\WENDMA~1\\GAME\\KVX.EXE";
  FinishInstall(install_, Plan(), view_.window());
  EXPECT_EQ(Conversion(),
            "[progman.groups]\r\ngroupx=Wendmark\r\ngroupx1=Wendmark\r\n[groupx]\r\n"
            "\"Play Wendmark\",\"C:\\WENDMA~1\\GAME\\KVX.EXE\",\"C:\\WENDMA~1\\GAME\\KVX.EXE\",0,,"
            "\"C:\\Wendmark\\Game\"\r\n[groupx1]\r\n"
            "\"Remove Wendmark\",\"setup.exe\",,,,\"\"\r\n");
  ASSERT_EQ(sys_.started.size(), 1u);
  // By its full path, from the system directory when the disc carries none.
  EXPECT_EQ(sys_.started[0].commandLine, "\"C:\\windows\\system32\\grpconv.exe\" -o");
  EXPECT_TRUE(sys_.started[0].hidden);
  sys_.WriteHostFile("D:\\grpconv.exe", "the disc's converter");
  EXPECT_EQ(ConverterCommand(sys_), "\"D:\\grpconv.exe\" -o");
  sys_.SetModulePath("D:\\My Disc\\setup.exe");
  sys_.WriteHostFile("D:\\My Disc\\grpconv.exe", "the disc's converter");
  EXPECT_EQ(ConverterCommand(sys_), "\"D:\\My Disc\\grpconv.exe\" -o");
}

TEST_F(FinishTest, ShortcutsFoundAreCopiedToTheDesktopAndRecordedInOrder) {
  script_.LoadText(
      "[WORK_GROUP]\ngroupname=Wendmark\nlinkname=Wendmark.game\nlinkname1=Uninstall\n"
      "linkname2=Demo.x\ndemofile=demo.exe\ndemoMode=-attract\n[execmode]\ndemo=1\n");
  ConverterMakes("Wendmark", {"Wendmark.game", "Uninstall", "Demo.x"});
  FinishInstall(install_, Plan(), view_.window());
  // The demo text replaced the game text in the conversion file (the demo file has no
  // short form: it does not exist, so its long path is used).
  EXPECT_EQ(Conversion(),
            "[progman.groups]\r\ngroupx=Wendmark\r\n[groupx]\r\n"
            "\"Demo.x\",\"C:\\Wendmark\\Game\\demo.exe -attract\",,,,\"C:\\Wendmark\\Game\"\r\n");
  EXPECT_EQ(sys_.started.size(), 2u);
  const std::string programs = "C:\\users\\me\\Programs\\Wendmark\\";
  EXPECT_EQ(record_.SerializeToString(),
            "[move_file]\r\n"
            "file0=" +
                programs +
                "Wendmark.lnk\r\n"
                "file2=C:\\users\\me\\Desktop\\Wendmark.lnk\r\n"
                "file1=" +
                programs +
                "Uninstall.lnk\r\n"
                "file3=" +
                programs +
                "Demo.lnk\r\n"
                "file4=C:\\users\\me\\Desktop\\Demo.lnk\r\n");
  EXPECT_EQ(sys_.ReadHostFile("C:\\users\\me\\Desktop\\Wendmark.lnk"), "lnk");
  EXPECT_EQ(sys_.ReadHostFile("C:\\users\\me\\Desktop\\Demo.lnk"), "lnk");
  // 2 s after the converter, 1 s before the first test; both shortcuts there at once.
  EXPECT_EQ(sys_.pauses(), (std::vector<std::uint32_t>{2000, 1000}));
  for (const auto& call : sys_.shellCalls) EXPECT_EQ(call.flags, 0x0014u);
}

TEST_F(FinishTest, AConverterThatMakesNothingCostsElevenSecondsAndRecordsLess) {
  script_.LoadText("[WORK_GROUP]\ngroupname=G\n");
  FinishInstall(install_, Plan(), view_.window());
  EXPECT_EQ(sys_.nowMs(), 2000u + 1000u + 10u * 1000u);
  EXPECT_EQ(record_.SerializeToString(),
            "[move_file]\r\nfile0=C:\\users\\me\\Programs\\G\\Wendmark.lnk\r\n"
            "file1=C:\\users\\me\\Programs\\G\\Wendmark.lnk\r\n");
  EXPECT_TRUE(sys_.shellCalls.empty());
}

TEST_F(FinishTest, WithoutAWorkGroupTheShortcutsAreLookedForUnderTheirFileNames) {
  script_.LoadText("[setup]\nname=KVX.ini\n");
  ConverterMakes("Wendmark", {"Wendmark"});
  FinishInstall(install_, Plan(), view_.window());
  EXPECT_EQ(record_.SerializeToString(),
            "[move_file]\r\nfile0=C:\\users\\me\\Programs\\Wendmark\\game.lnk\r\n"
            "file1=C:\\users\\me\\Programs\\Wendmark\\unstall.lnk\r\n");
}

TEST_F(FinishTest, ADemoWithoutItsItemWaitsItsFullTenSeconds) {
  script_.LoadText("[WORK_GROUP]\ngroupname=G\n[execmode]\ndemo=1\n");
  ConverterMakes("G", {"Wendmark"});
  FinishInstall(install_, Plan(), view_.window());
  EXPECT_EQ(sys_.started.size(), 1u);
  EXPECT_EQ(sys_.nowMs(), 2000u + 1000u + 10u * 1000u);
  EXPECT_NE(record_.SerializeToString().find("file3=C:\\users\\me\\Programs\\G\\demo.lnk"),
            std::string::npos);
  EXPECT_EQ(record_.SerializeToString().find("file4"), std::string::npos);
}

TEST_F(FinishTest, ScriptFormatsFillOnlyTheirArguments) {
  script_.LoadText(
      "[WORK_GROUP]\ngroupname=G\nlinkname=Game.one.exe\nsetup_ini=%s|%n|%s%s%s%s%s%s%s%s%s%s%d\n"
      "[start]\npath=%s/%s/%s/%s%n\n[desktop]\npath=%s\n");
  FinishInstall(install_, Plan(), view_.window());
  EXPECT_EQ(Conversion(),
            "G|%n|GGame.one.exeC:\\Wendmark\\Game\\kvx.exeC:\\Wendmark\\Game\\kvx.exe"
            "C:\\Wendmark\\GameWendmarksetup.exe");
  EXPECT_NE(record_.SerializeToString().find("file0=C:\\users\\me\\Programs/G/Game.lnk/%n"),
            std::string::npos);
}

// Found by fuzzing the whole launcher: the script's path formats and a desktop the shell
// cannot name must not make the desktop copy write anywhere but a shortcut on the desktop.
TEST_F(FinishTest, TheDesktopCopyWritesOnlyAShortcutOnTheDesktop) {
  struct Case {
    std::string formats;  // [start] and [desktop] sections
    std::string desktop;  // the desktop folder the shell gave
    bool copied;
    bool doubleByte = false;  // code page 936
  };
  const std::vector<Case> cases = {
      {"", "C:\\users\\me\\Desktop", true},
      {"", "", false},  // "\Game.lnk" would be the root of the current drive
      {"[desktop]\npath=C:\\windows\\system32\\kernel32.dll\n", "C:\\users\\me\\Desktop", false},
      {"[desktop]\npath=%s\\..\\..\\evil.lnk\n", "C:\\users\\me\\Desktop", false},
      {"[start]\npath=C:\\windows\\%s%s%s\n", "C:\\users\\me\\Desktop", false},
      // Read a byte at a time this stays on the desktop; Windows reads 81 5C as one
      // character, and then the two ".." lead to the profile's Startup folder.
      {"[desktop]\npath=%s\\\x81\x5Cx\\..\\..\\ProgramData\\StartUp\\%s\n",
       "C:\\users\\me\\Desktop", false, true},
      {"", "C:\\users\\me\\Desktop", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formats + std::string("|") + c.desktop);
    sys_.doubleByte = c.doubleByte;
    script_.LoadText("[WORK_GROUP]\ngroupname=G\nlinkname=Game\n" + std::string(c.formats));
    state_.desktopPath = c.desktop;
    record_.Clear();
    sys_.shellCalls.clear();
    sys_.programHook = [this](const std::string&) {
      sys_.WriteHostFile(state_.programsPath + "\\G\\Game.lnk", "lnk");
      sys_.WriteHostFile("C:\\windows\\users\\me\\ProgramsGGame.lnk", "lnk");
      return 33u;
    };
    FinishInstall(install_, Plan(), view_.window());
    std::vector<std::string> copies;
    for (const auto& call : sys_.shellCalls)
      if (call.op == ShellOp::kCopy) copies.push_back(call.to);
    EXPECT_EQ(copies, c.copied ? std::vector<std::string>{c.desktop + "\\Game.lnk"}
                               : std::vector<std::string>{});
  }
  EXPECT_EQ(sys_.ReadHostFile("C:\\windows\\system32\\kernel32.dll"), "");
}

// Found by fuzzing too: an install folder with a line break or a "..", from the folder
// field or the script, would put the files elsewhere than the record says.
TEST_F(InstallTest, AnInstallFolderThatIsNoPlainFolderCopiesNothing) {
  for (const auto& [field, path1] :
       std::vector<std::pair<std::string, std::string>>{{"Games\nstring4=x", "Game"},
                                                        {"Games", "..\\windows"},
                                                        {"..", "Game"},
                                                        {"Games", "Ga|me"}}) {
    SCOPED_TRACE(field + "|" + path1);
    script_.LoadText("[DEFPATH]\npath1=" + path1 + "\n[disc00]\nlabel=DISC1\nfile0=game\\a.txt\n");
    view_.SetControlText(kFolderField, field);
    sys_.shellCalls.clear();
    const std::size_t messages = sys_.messages().size();
    const CopyResult result = CopyAllDiscs(install_, Plan(), dialog_, copy_);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(sys_.shellCalls.empty());
    ASSERT_EQ(sys_.messages().size(), messages + 1);
    EXPECT_EQ(sys_.messages().back().text.rfind("The game cannot be installed in this folder:", 0),
              0u);
  }
  // Without a disc to copy, the folder is still a full path, never the field's own text.
  script_.LoadText("[DEFPATH]\npath1=Game\n");
  view_.SetControlText(kFolderField, "Games\\KVX");
  EXPECT_EQ(Plan().installFolder, "C:\\Games\\Game");
}

TEST_F(InstallTest, TheRecordIsWrittenAndTheNextStartFindsIt) {
  script_.LoadText("[setup]\nname=KVX.ini\n");
  installFolder_ = "C:\\Wendmark\\Game";
  state_.discRoot = "E:\\";
  record_.SetString("[move_file]", "file0", "C:\\p\\game.lnk");
  ASSERT_EQ(pack_.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  ASSERT_EQ(WriteInstallRecord(install_, Plan()), 1);
  EXPECT_FALSE(sys_.FileExists("C:\\Wdtemp.pak"));
  PackFile reader(sys_);
  ASSERT_EQ(reader.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  PackSlot* slot = reader.LoadEntry("KVX.ini");
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(slot->data), slot->size),
            "[move_file]\r\nfile0=C:\\p\\game.lnk\r\n[inst_path]\r\npath=C:\\Wendmark\\Game\r\n"
            "[install_directory]\r\npath=E:\\\r\n");
  reader.ReleaseEntry(slot);
}

// A script value with line breaks in it must not become lines of the record or of the
// group description: read back, each holds exactly what the install wrote.
TEST_F(FinishTest, ALineBreakInAScriptValueAddsNoLinesToTheRecordOrTheGroupFile) {
  script_.LoadText(
      "[setup]\nname=KVX.ini\n"
      "[WORK_GROUP]\ngroupname=W\r[inst_path]\rpath=C:\\users\\me\\Pictures\rx\n"
      "linkname=Game\r[groupx2]\r\"Evil\",\"C:\\evil.exe\"\n");
  state_.discRoot = "E:\\";
  ConverterMakes("W", {"Game"});
  FinishInstall(install_, Plan(), view_.window());
  const std::vector<grpconv::ProgmanGroup> groups = grpconv::ParseProgmanGroups(Conversion());
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].name, "W");
  ASSERT_EQ(groups[0].items.size(), 1u);
  EXPECT_EQ(groups[0].items[0].title, "Game");
  EXPECT_EQ(groups[1].items.size(), 1u);  // the uninstall item, and nothing else

  // Nor a quote a field of its own: the game item stays the game's, its program the game.
  script_.LoadText(
      "[WORK_GROUP]\ngroupname=W\",\"x\nlinkname=Play\",\"C:\\Windows\\System32\\cmd.exe /c calc\n"
      "linkname1=Remove\",\"C:\\evil.exe\",\"\n");
  FinishInstall(install_, Plan(), view_.window());
  const std::vector<grpconv::ProgmanGroup> quoted = grpconv::ParseProgmanGroups(Conversion());
  ASSERT_EQ(quoted.size(), 2u);
  EXPECT_EQ(quoted[0].name, "Wx");
  ASSERT_EQ(quoted[0].items.size(), 1u);
  EXPECT_EQ(quoted[0].items[0].title, "PlayC:\\Windows\\System32\\cmd.exe /c calc");
  EXPECT_EQ(quoted[0].items[0].program, "C:\\Wendmark\\Game\\kvx.exe");
  ASSERT_EQ(quoted[1].items.size(), 1u);
  EXPECT_EQ(quoted[1].items[0].title, "RemoveC:\\evil.exe");
  EXPECT_EQ(quoted[1].items[0].program, "setup.exe");
  script_.LoadText(
      "[setup]\nname=KVX.ini\n"
      "[WORK_GROUP]\ngroupname=W\r[inst_path]\rpath=C:\\users\\me\\Pictures\rx\n"
      "linkname=Game\r[groupx2]\r\"Evil\",\"C:\\evil.exe\"\n");
  record_.Clear();
  FinishInstall(install_, Plan(), view_.window());

  ASSERT_EQ(pack_.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  ASSERT_EQ(WriteInstallRecord(install_, Plan()), 1);
  PackFile reader(sys_);
  ASSERT_EQ(reader.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  PackSlot* slot = reader.LoadEntry("KVX.ini");
  ASSERT_NE(slot, nullptr);
  IniFile written;
  written.LoadBuffer(reinterpret_cast<const char*>(slot->data),
                     static_cast<std::int32_t>(slot->size));
  reader.ReleaseEntry(slot);
  EXPECT_STREQ(written.GetString("[inst_path]", "path", nullptr), "C:\\Wendmark\\Game");
  ASSERT_NE(written.FindSection("[move_file]"), nullptr);
  for (const IniEntry& e : written.FindSection("[move_file]")->entries())
    EXPECT_EQ(e.value.find_first_of("\r\n"), std::string::npos) << e.value;
  EXPECT_EQ(written.sections().size(), 3u);
}

TEST_F(InstallTest, AScratchPackThatCannotBeMadeOnCFallsBackBesideTheRecord) {
  script_.LoadText("[setup]\nname=KVX.ini\n");
  installFolder_ = "C:\\G";
  ASSERT_EQ(pack_.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  sys_.shellHook = nullptr;
  sys_.FailMutation(1, /*persistent=*/false);  // creating C:\Wdtemp.pak fails
  ASSERT_EQ(WriteInstallRecord(install_, Plan()), 1);
  EXPECT_TRUE(sys_.FileExists("C:\\windows\\KVX.ini.pak"));
  EXPECT_FALSE(sys_.FileExists("C:\\windows\\KVX.ini-new.pak"));

  EXPECT_EQ(ScratchBaseFor("C:\\windows\\KVX.ini"), "C:\\Wdtemp");
  EXPECT_EQ(ScratchBaseFor("D:\\WINNT\\KVX.ini"), "D:\\WINNT\\KVX.ini-new");
}

// Found by fuzzing: a record name with a folder in it wrote a pack holding a folder named
// "..", in the root of C:, and no record.
TEST_F(InstallTest, ARecordNameThatIsNoPlainFileNameWritesNothing) {
  for (const char* name : {"..\\", "..", "a\\b.ini", "C:x.ini", "*.ini", ""}) {
    SCOPED_TRACE(name);
    script_.LoadText(std::string("[setup]\nname=") + name + "\n");
    state_.recordPath = std::string("C:\\windows\\") + name;
    PackFile pack(sys_);
    pack.Open(state_.recordPath.c_str(), 5, 0);
    InstallContext ctx{sys_, script_, record_, pack};
    sys_.fileEffects.clear();
    EXPECT_FALSE(WriteInstallRecord(ctx, Plan()));
    EXPECT_TRUE(sys_.fileEffects.empty());
  }
}

TEST_F(InstallTest, ARecordThatCannotBeWrittenLeavesNoPack) {
  script_.LoadText("[setup]\nname=KVX.ini\n");
  ASSERT_EQ(pack_.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  sys_.FailMutation(1, /*persistent=*/true);
  EXPECT_EQ(WriteInstallRecord(install_, Plan()), 0);
  sys_.ClearFaults();
  EXPECT_FALSE(sys_.FileExists("C:\\windows\\KVX.ini.pak"));
  EXPECT_FALSE(sys_.FileExists("C:\\Wdtemp.pak"));
}

}  // namespace
}  // namespace dl
