#include "launcher/start_up.h"

#include <gtest/gtest.h>

#include <string>

#include "install/join_path.h"
#include "launcher/drives.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_system.h"
#include "support/launcher_fixture.h"

namespace dl {
namespace {

using testing::FakeSystem;

constexpr const char* kScript =
    "[setup]\nname=KVX.ini\n"
    "[disc00]\nlabel=KVX_DISC01\n"
    "[STRING_TAB]\nstring3=Install Wendmark\nstring9=Please insert disc %d (%s)\n"
    "string10=Wrong disc\nstring12=Wendmark Disc 1\n";

class StartUpTest : public testing::LauncherFixture {
 protected:
  StartUpTest() {
    sys_.AddDrive('D', DriveType::kCdRom, "KVX_DISC01");
    sys_.specialFolders[SpecialFolder::kDesktop] = "C:\\users\\me\\Desktop";
    sys_.specialFolders[SpecialFolder::kPrograms] = "C:\\users\\me\\Start Menu\\Programs";
    sys_.SetFreeBytes('C', 5'000'000'000ull);
  }

  int Run() {
    return LauncherMain(ctx_, Instance(), [this] { ++dialogs_; });
  }
  // The usual start: the launcher in the root of the first disc, started from there.
  void DiscInD(const std::string& script = kScript) {
    sys_.WriteHostFile("D:\\setup.ini", script);
    sys_.ChangeDir("D:\\");
  }
  void WriteRecord(const std::string& text, const char* name = "KVX.ini") {
    PackFile writer(sys_);
    ASSERT_EQ(writer.Open("C:\\windows\\KVX.ini", 5, 0), 1);
    ASSERT_EQ(writer.PutEntry(name, text.data(), static_cast<std::uint32_t>(text.size())), 1);
    ASSERT_EQ(writer.Save("C:\\Wdtemp", 1), 1);
  }

  int instanceTag_ = 0;
  ModuleRef Instance() { return reinterpret_cast<ModuleRef>(&instanceTag_); }
  int dialogs_ = 0;
};

TEST_F(StartUpTest, AFreshDiscOpensInInstallModeWithEverythingStartUpFills) {
  DiscInD();
  EXPECT_EQ(Run(), kExitNormal);
  EXPECT_EQ(dialogs_, 1);
  EXPECT_TRUE(sys_.messages().empty());
  EXPECT_EQ(state_.instance, Instance());
  EXPECT_EQ(state_.mode, LaunchMode::kInstall);
  EXPECT_EQ(state_.scriptName, "setup.ini");
  EXPECT_EQ(state_.recordPath, "C:\\windows\\KVX.ini");
  EXPECT_EQ(state_.discRoot, "D:\\");
  EXPECT_EQ(state_.sourceRoot, "");
  EXPECT_EQ(state_.desktopPath, "C:\\users\\me\\Desktop");
  EXPECT_EQ(state_.programsPath, "C:\\users\\me\\Start Menu\\Programs");
  EXPECT_EQ(state_.requiredSpace, 300000000);  // the default
  EXPECT_EQ(state_.targetDriveRoot, "C:\\");
  EXPECT_EQ(state_.freeSpace, 5'000'000'000ull);
  EXPECT_EQ(state_.tryMode, 0);
  EXPECT_FALSE(record_.loaded);
}

TEST_F(StartUpTest, TheRunningGameStopsTheLauncherBeforeTheScriptIsRead) {
  DiscInD();
  sys_.windowClasses.insert("KVX");
  EXPECT_EQ(Run(), kExitNormal);
  EXPECT_EQ(dialogs_, 0);
  EXPECT_FALSE(script_.loaded);
  EXPECT_EQ(sys_.windowQueries, std::vector<std::string>{"class:KVX"});
}

TEST_F(StartUpTest, ASecondLauncherStopsAfterTheScriptBeforeTheRecord) {
  DiscInD();
  WriteRecord("[inst_path]\npath=C:\\G\n");
  sys_.windowTitles.insert("Install Wendmark");  // the script's title, not the default
  EXPECT_EQ(Run(), kExitNormal);
  EXPECT_EQ(dialogs_, 0);
  EXPECT_TRUE(script_.loaded);
  EXPECT_FALSE(record_.loaded);
  EXPECT_TRUE(sys_.messages().empty());
}

TEST_F(StartUpTest, Locale2052ReadsOnlyTheChineseScript) {
  sys_.WriteHostFile("D:\\setup.ini", "[STRING_TAB]\nstring3=English\n");
  sys_.WriteHostFile("D:\\setup1.ini", "[STRING_TAB]\nstring3=Chinese\n");
  sys_.ChangeDir("D:\\");
  sys_.locale = 2052;
  sys_.SetLabel('D', "KVX_DISC01");
  Run();
  EXPECT_EQ(state_.scriptName, "setup1.ini");
  EXPECT_STREQ(script_.GetString("[STRING_TAB]", "string3", nullptr), "Chinese");

  // Any other locale reads setup.ini only, even with setup1.ini beside it.
  FakeSystem other;
  other.AddDrive('D', DriveType::kCdRom, "KVX_DISC01");
  other.WriteHostFile("D:\\setup1.ini", "[STRING_TAB]\nstring3=Chinese\n");
  other.ChangeDir("D:\\");
  other.locale = 1028;
  other.ScriptAnswer(kAnswerOk, [&] { other.WriteHostFile("D:\\setup.ini", "[x]\n"); });
  IniFile script, record;
  PackFile pack(other);
  LauncherState state;
  LauncherContext ctx{other, script, record, pack, state};
  LauncherMain(ctx, nullptr, [] {});
  EXPECT_EQ(state.scriptName, "setup.ini");
  ASSERT_EQ(other.messages().size(), 1u);  // setup1.ini was not taken for the script
  EXPECT_EQ(other.messages()[0].text, "Install Disc not Find");
}

TEST_F(StartUpTest, AScriptInTheCurrentFolderNeedsNoCdRomDrive) {
  FakeSystem sys;  // no CD-ROM drive at all
  sys.WriteHostFile("C:\\games\\setup.ini", "[execmode]\nup=0\n");
  sys.ChangeDir("C:\\games");
  sys.SetModulePath("C:\\games\\setup.exe");
  IniFile script, record;
  PackFile pack(sys);
  LauncherState state;
  LauncherContext ctx{sys, script, record, pack, state};
  int dialogs = 0;
  EXPECT_EQ(LauncherMain(ctx, nullptr, [&] { ++dialogs; }), 0);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(script.loaded);
  EXPECT_EQ(sys.CurrentDir(), "C:\\games");
  // A launcher on a hard disk runs from a copy of the discs in folders, which have no
  // labels: no first-disc prompt.
  EXPECT_TRUE(sys.messages().empty());
  EXPECT_TRUE(state.discsInFolders);
}

TEST_F(StartUpTest, TheDiscSearchRepeatsItsMessageUntilTheDiscIsInserted) {
  sys_.EjectDisc('D');
  sys_.AddDrive('E', DriveType::kCdRom, "OTHER");
  sys_.AddDrive('B', DriveType::kCdRom, "KVX_DISC01");  // before d: never looked at
  sys_.WriteHostFile("B:\\setup.ini", kScript);
  sys_.ChangeDir("C:\\");
  sys_.ScriptAnswer(kAnswerOk);
  sys_.ScriptAnswer(kAnswerOk, [&] {
    sys_.WriteHostFile("E:\\setup.ini", kScript);
    sys_.SetLabel('E', "KVX_DISC01");
  });
  EXPECT_EQ(Run(), kExitNormal);
  ASSERT_EQ(sys_.messages().size(), 2u);
  for (const auto& m : sys_.messages()) {
    EXPECT_EQ(m.text, "Install Disc not Find");
    EXPECT_EQ(m.caption, "Error");
    EXPECT_EQ(m.owner, nullptr);
  }
  EXPECT_EQ(sys_.CurrentDir(), "e:\\");  // the searches form lower-case roots
  EXPECT_TRUE(script_.loaded);
  EXPECT_EQ(dialogs_, 1);
}

TEST_F(StartUpTest, FindInstallDiscTriesDrivesInOrderAndLeavesTheFoundRootCurrent) {
  sys_.AddDrive('E', DriveType::kCdRom, "DATA");
  sys_.AddDrive('F', DriveType::kFixed, "HDD");
  sys_.WriteHostFile("E:\\setup.ini", "[a]\nfrom=E\n");
  sys_.WriteHostFile("F:\\setup.ini", "[a]\nfrom=F\n");
  state_.scriptName = "setup.ini";
  EXPECT_EQ(FindInstallDisc(ctx_), 1);
  EXPECT_EQ(sys_.CurrentDir(), "e:\\");  // the searches form lower-case roots
  EXPECT_STREQ(script_.GetString("[a]", "from", nullptr), "E");

  sys_.WriteHostFile("D:\\setup.ini", "[a]\nfrom=D\n");
  EXPECT_EQ(FindInstallDisc(ctx_), 1);
  EXPECT_EQ(sys_.CurrentDir(), "d:\\");
  EXPECT_STREQ(script_.GetString("[a]", "from", nullptr), "D");
}

TEST_F(StartUpTest, FindDiscByLabelComparesWholeLabelsExactly) {
  sys_.SetLabel('D', "DATA");
  sys_.AddDrive('E', DriveType::kCdRom, "KVX_DISC01");
  EXPECT_EQ(FindDiscByLabel(sys_, "KVX_DISC01"), 1);
  sys_.SetLabel('E', "kvx_disc01");
  EXPECT_EQ(FindDiscByLabel(sys_, "KVX_DISC01"), 0);
  sys_.SetLabel('E', "KVX_DISC01 ");
  EXPECT_EQ(FindDiscByLabel(sys_, "KVX_DISC01"), 0);
  sys_.SetLabel('E', "KVX_DISC0");
  EXPECT_EQ(FindDiscByLabel(sys_, "KVX_DISC01"), 0);
  sys_.EjectDisc('E');
  sys_.SetLabel('E', "KVX_DISC01");  // an empty drive's label cannot be read
  EXPECT_EQ(FindDiscByLabel(sys_, "KVX_DISC01"), 0);
  sys_.AddDrive('C', DriveType::kCdRom, "KVX_DISC01");  // c: is never a candidate
  EXPECT_EQ(FindDiscByLabel(sys_, "KVX_DISC01"), 0);
}

TEST_F(StartUpTest, AWrongFirstDiscIsAskedForAtMostThreeTimes) {
  DiscInD();
  sys_.SetLabel('D', "kvx_disc01");  // case differs: no match
  EXPECT_EQ(Run(), kExitNormal);
  ASSERT_EQ(sys_.messages().size(), 3u);
  for (const auto& m : sys_.messages()) {
    EXPECT_EQ(m.text, "Please insert disc 1 (Wendmark Disc 1)");
    EXPECT_EQ(m.caption, "Wrong disc");
  }
  EXPECT_EQ(dialogs_, 1);  // start-up goes on
}

TEST_F(StartUpTest, TheFirstDiscPromptStopsWhenTheLabelMatches) {
  DiscInD();
  sys_.SetLabel('D', "WRONG");
  sys_.ScriptAnswer(kAnswerOk, [&] { sys_.SetLabel('D', "KVX_DISC01"); });
  Run();
  EXPECT_EQ(sys_.messages().size(), 1u);
}

TEST_F(StartUpTest, PromptTextsWithoutKeysOrWithHostileFormatsAreSafe) {
  DiscInD("[disc00]\nlabel=NOPE\n");
  Run();
  ASSERT_EQ(sys_.messages().size(), 3u);
  EXPECT_EQ(sys_.messages()[0].text, "");
  EXPECT_EQ(sys_.messages()[0].caption, "");

  IniFile script;
  script.LoadText("[STRING_TAB]\nstring9=%s%s%s%n%d%x " + std::string(600, 'x') +
                  "\nstring12=Disc\n");
  std::string text = DiscPromptText(script, 1);
  // Each argument is read once, missing ones give nothing, %n is only text.
  EXPECT_EQ(text.substr(0, 9), "1Disc%n x");
  EXPECT_EQ(text.size(), 259u);
}

TEST_F(StartUpTest, UpdateDiscWithoutInstallationEndsWithOne) {
  DiscInD(std::string(kScript) + "[execmode]\nup=1\n");
  sys_.SetLabel('D', "WRONG");  // the update flag also skips the disc check
  EXPECT_EQ(Run(), kExitNoInstallation);
  EXPECT_EQ(dialogs_, 0);
  ASSERT_EQ(sys_.messages().size(), 1u);
  EXPECT_EQ(sys_.messages()[0].text, "error");
  EXPECT_EQ(sys_.messages()[0].caption, "can't find KVX");
}

TEST_F(StartUpTest, TheRecordDecidesInstalledAndUpdateModes) {
  DiscInD();
  WriteRecord("[inst_path]\npath=E:\\Games\\KVX\n");
  Run();
  EXPECT_EQ(state_.mode, LaunchMode::kInstalled);
  EXPECT_STREQ(record_.GetString("[inst_path]", "path", nullptr), "E:\\Games\\KVX");
  EXPECT_FALSE(pack_.isOpen());  // closed once the record was read

  FakeSystem& sys = sys_;
  sys.SetLabel('D', "WRONG");
  IniFile script, record;
  PackFile pack(sys);
  LauncherState state;
  LauncherContext ctx{sys, script, record, pack, state};
  sys.WriteHostFile("D:\\setup.ini", std::string(kScript) + "[execmode]\nup=1\ntry=1\n");
  std::size_t before = sys.messages().size();
  EXPECT_EQ(LauncherMain(ctx, nullptr, [] {}), kExitNormal);
  EXPECT_EQ(state.mode, LaunchMode::kUpdate);
  EXPECT_EQ(state.tryMode, 1);
  EXPECT_EQ(sys.messages().size(), before);  // no first-disc prompt in update mode
}

TEST_F(StartUpTest, ARecordUnderAnotherNameIsNotAnInstallation) {
  DiscInD(std::string(kScript) + "[execmode]\nup=1\n");
  WriteRecord("[inst_path]\npath=C:\\G\n", "OTHER.ini");
  EXPECT_EQ(Run(), kExitNoInstallation);
}

TEST_F(StartUpTest, AScriptRecordNameNamesThePack) {
  DiscInD("[setup]\nname=Game2.ini\ninst_size=0\n[disc00]\nlabel=KVX_DISC01\n");
  Run();
  EXPECT_EQ(state_.recordPath, "C:\\windows\\Game2.ini");
  EXPECT_EQ(state_.requiredSpace, 0);
}

TEST_F(StartUpTest, DiscRootAndSourceRootComeFromTheLaunchersPath) {
  sys_.AddDrive('E', DriveType::kCdRom, "KVX_DISC01");
  sys_.WriteHostFile("E:\\setup\\setup.ini", kScript);
  sys_.ChangeDir("E:\\setup");
  sys_.SetModulePath("E:\\setup\\setup.exe");
  Run();
  EXPECT_EQ(state_.discRoot, "E:\\");
  EXPECT_EQ(state_.sourceRoot, "E:");
}

TEST(CutAtLastSeparator, StepsOverDoubleByteCharacters) {
  FakeSystem sys;
  EXPECT_EQ(CutAtLastSeparator(sys, "D:\\inst\\setup.exe"), "D:\\inst");
  EXPECT_EQ(CutAtLastSeparator(sys, "D:/inst/setup.exe"), "D:/inst");
  EXPECT_EQ(CutAtLastSeparator(sys, "setup.exe"), "");
  EXPECT_EQ(CutAtLastSeparator(sys, "D:"), "");
  // 0x83 0x5C is one double-byte character whose second byte is a backslash.
  const std::string folder = "D:\\\x83\x5C";
  sys.doubleByte = true;
  EXPECT_EQ(CutAtLastSeparator(sys, folder + "\\setup.exe"), folder);
  EXPECT_EQ(CutAtLastSeparator(sys, folder), "D:");
  // Read byte by byte, the trail byte would be taken for the separator.
  sys.doubleByte = false;
  EXPECT_EQ(CutAtLastSeparator(sys, folder), "D:\\\x83");
  // A lead byte at the very end is a character of its own.
  sys.doubleByte = true;
  EXPECT_EQ(CutAtLastSeparator(sys, "D:\\a\\\x83"), "D:\\a");
}

TEST_F(StartUpTest, ADoubleBytePathGivesTheRightRoots) {
  sys_.doubleByte = true;
  const std::string folder = "D:\\\x83\x5C";  // a folder whose name ends in a 0x5C trail byte
  sys_.SetModulePath(folder + "\\setup.exe");
  DiscInD();
  Run();
  EXPECT_EQ(state_.sourceRoot, "D:");
  EXPECT_EQ(state_.discRoot, "D:\\");
}

TEST_F(StartUpTest, FreeSpaceIsThatOfCAndZeroWhenTheQueryFails) {
  DiscInD("[setup]\ninst_size=5\n[DEFPATH]\npath2=E:\\Elsewhere\n");
  sys_.SetFreeBytes('C', 0, /*queryFails=*/true);
  Run();
  EXPECT_EQ(state_.freeSpace, 0u);

  ProbeFreeSpace(ctx_, 4);  // D:
  sys_.SetFreeBytes('D', 1234);
  ProbeFreeSpace(ctx_, 4);
  EXPECT_EQ(state_.freeSpace, 1234u);
  ProbeFreeSpace(ctx_, 17);  // Q: does not exist
  EXPECT_EQ(state_.freeSpace, 0u);
  EXPECT_EQ(DriveNumberOf("c:\\"), 3);
  EXPECT_EQ(DriveNumberOf("D:\\"), 4);
  EXPECT_EQ(DriveNumberOf("\\\\server"), 0);
}

TEST_F(StartUpTest, MissingShellFoldersLeaveThePathsEmpty) {
  sys_.specialFolders.clear();
  DiscInD();
  Run();
  EXPECT_EQ(state_.desktopPath, "");
  EXPECT_EQ(state_.programsPath, "");
}

}  // namespace
}  // namespace dl
