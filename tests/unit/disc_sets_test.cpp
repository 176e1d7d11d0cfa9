// Where the discs are: mounted images each with a drive letter of its own, a copy of the
// discs in folders on a hard disk (merged, or a folder per disc), or a folder the player
// points the launcher at. And a way out of every wait: each disc prompt cancels, and the
// close box or Esc during the copy stops it after the current file; a cancelled install
// leaves nothing behind.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "launcher/command_line.h"
#include "support/fake_machine.h"

namespace dl {
namespace {

using testing::FakeMachine;
using testing::FakeSystem;
using testing::FakeView;

constexpr const char* kScript =
    "[setup]\nname=KVX.ini\ninst_size=1000\n"
    "[STRING_TAB]\nstring3=KVX Setup\nstring9=Insert disc %d: %s\nstring10=Wrong disc\n"
    "string11=Insert disc\nstring12=Disc One\nstring13=Disc Two\n"
    "[DEFPATH]\npath1=Game\npath2=Games\n"
    "[disc00]\nlabel=DISC1\nfile0=game\\kvx.exe\nfile1=readme.txt\n"
    "[disc01]\nlabel=DISC2\nfile0=game\\movie.bin\nfile1=game\\*.pak\n"
    "[WORK_GROUP]\nexefile=game\\kvx.exe\ngroupname=Harbor Lights\nlinkname=Harbor Lights\n";
constexpr const char* kFolder = "C:\\Games\\Game";
constexpr const char* kInsert2 = "Insert disc|Insert disc 2: Disc Two";
constexpr const char* kWrong2 = "Wrong disc|Insert disc 2: Disc Two";
constexpr const char* kReturn1 = "Insert disc|Insert disc 1: Disc One";

struct Machine : FakeMachine {
  Machine() : FakeMachine(kScript) {
    WriteDisc(1, "game\\kvx.exe", "kvx from disc 1");
    WriteDisc(1, "readme.txt", "readme from disc 1");
    WriteDisc(2, "game\\movie.bin", "movie from disc 2");
    WriteDisc(2, "game\\maps.pak", "maps from disc 2");
  }
  // The set copied to the hard disk: disc n's files below folder[n - 1] (the same folder
  // twice for a merged copy), the launcher in the first, started from there.
  void CopySetTo(const std::vector<std::string>& folders) {
    const std::vector<std::vector<std::string>> files = {
        {"setup.ini", "setup.exe", "game\\kvx.exe", "readme.txt"},
        {"game\\movie.bin", "game\\maps.pak"}};
    for (std::size_t n = 0; n < files.size(); ++n)
      for (const std::string& f : files[n])
        sys.WriteHostFile(folders[n] + "\\" + f, ReadFile(discs[n] + "/" + sys.ToHost(f)));
    sys.EjectDisc('D');
    sys.SetModulePath(folders[0] + "\\setup.exe");
  }
  static std::string ReadFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Prompts() const {
    std::vector<std::string> out;
    for (const FakeSystem::Message& m : sys.messages()) out.push_back(m.caption + "|" + m.text);
    return out;
  }
  std::string Installed(const std::string& rel) {
    std::string text;
    return sys.ReadWholeFile(std::string(kFolder) + "\\" + rel, &text) ? text : "(none)";
  }
  // Nothing of the install is left: no folder, record, group, desktop copy or entry.
  void ExpectNothingLeft(const std::string& what) {
    std::uint32_t attributes = 0;
    EXPECT_FALSE(sys.GetAttributes(kFolder, &attributes)) << what;
    EXPECT_FALSE(sys.GetAttributes("C:\\Games", &attributes)) << what;
    EXPECT_FALSE(sys.FileExists("C:\\windows\\KVX.ini.pak")) << what;
    EXPECT_FALSE(sys.GetAttributes(std::string(kPrograms) + "\\Harbor Lights", &attributes))
        << what;
    EXPECT_FALSE(sys.GetAttributes("C:\\windows\\KVX.uninstall", &attributes)) << what;
    EXPECT_FALSE(sys.RegistryKeyExists(
        RegistryRoot::kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVX"))
        << what;
  }
};

TEST(DiscSets, EveryWayOfHoldingTheDiscsInstallsFromTheRightPlaceWithOnlyThePartsPrompts) {
  struct Case {
    const char* name;
    std::vector<std::string> folders;  // empty: the discs are in CD-ROM drives
    bool silent;
  };
  const Case cases[] = {
      {"disc 2 already in E:", {}, false},
      {"disc 2 already in E:, unattended", {}, true},
      {"a folder per disc", {"C:\\sets\\kvx\\CD1", "C:\\sets\\kvx\\CD2"}, false},
      {"a folder per disc named by the labels",
       {"C:\\sets\\kvx\\DISC1", "C:\\sets\\kvx\\DISC2"},
       false},
      {"a folder per disc, unattended", {"C:\\sets\\kvx\\Disc 1", "C:\\sets\\kvx\\Disc 2"}, true},
      {"one folder for the set", {"C:\\sets\\kvx", "C:\\sets\\kvx"}, false},
      {"one folder for the set on a memory stick, unattended",
       {"G:\\sets\\kvx", "G:\\sets\\kvx"},
       true},
  };
  for (const Case& c : cases) {
    Machine m;
    if (c.folders.empty()) {
      m.sys.AddDrive('E', DriveType::kCdRom);
      m.sys.InsertDisc('E', m.discs[1], "DISC2");
    } else {
      // Another game beside the set, with files of the same names, is not the set.
      m.sys.WriteHostFile("C:\\sets\\another\\game\\movie.bin", "another game's");
      m.sys.WriteHostFile("C:\\sets\\another\\game\\maps.pak", "another game's");
      if (c.folders[0][0] == 'G') m.sys.AddDrive('G', DriveType::kRemovable);
      m.CopySetTo(c.folders);
    }
    const std::string cwd = c.folders.empty() ? "D:\\" : c.folders[0];
    const int code = c.silent ? m.Start(
                                    "/S", [](SetupDialog& d, FakeView&) { d.RunSilent(); }, cwd)
                              : m.Start(
                                    "",
                                    [](SetupDialog& d, FakeView& v) {
                                      v.SetControlText(kFolderField, "Games");
                                      d.OnCommand(kInstallButton);
                                    },
                                    cwd);
    EXPECT_EQ(code, 0) << c.name;
    const std::vector<std::string> expected =
        c.silent ? std::vector<std::string>{} : std::vector<std::string>{kInsert2, kReturn1};
    EXPECT_EQ(m.Prompts(), expected) << c.name;
    EXPECT_EQ(m.Installed("game\\kvx.exe"), "kvx from disc 1") << c.name;
    EXPECT_EQ(m.Installed("readme.txt"), "readme from disc 1") << c.name;
    EXPECT_EQ(m.Installed("game\\movie.bin"), "movie from disc 2") << c.name;
    EXPECT_EQ(m.Installed("game\\maps.pak"), "maps from disc 2") << c.name;
    EXPECT_TRUE(m.sys.FileExists("C:\\windows\\KVX.ini.pak")) << c.name;
    // What else comes from disc 1 (the demo, the uninstall item) comes from its folder.
    if (!c.folders.empty()) {
      EXPECT_EQ(m.state.sourceRoot, c.folders[0]) << c.name;
    }
    const std::string where = c.folders.empty() ? "E:\\" : "folder " + c.folders[1];
    EXPECT_TRUE(m.log.Has("disc 2: found in " + where)) << c.name;
  }
}

TEST(DiscSets, AFolderChosenInThePromptMustHoldTheDiscAskedFor) {
  Machine m;
  m.CopySetTo({"C:\\sets\\kvx\\CD1", "C:\\elsewhere\\second"});
  int browses = 0;
  const int code = m.Start(
      "",
      [&](SetupDialog& d, FakeView& v) {
        // The first choice holds disc 1, not disc 2: refused, and asked again.
        v.browseAnswers = {"C:\\sets\\kvx\\CD1", "C:\\elsewhere\\second\\"};
        d.OnCommand(kInstallButton);
        browses = v.browses;
      },
      "C:\\sets\\kvx\\CD1");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(browses, 2);
  ASSERT_EQ(m.Prompts().size(), 4u);
  EXPECT_EQ(m.Prompts()[0], kInsert2);
  EXPECT_EQ(m.Prompts()[1].rfind(kWrong2, 0), 0u) << "the wrong-disc prompt, with how to choose";
  EXPECT_EQ(m.Prompts()[2], m.Prompts()[1]);
  EXPECT_EQ(m.Prompts()[3], kReturn1);
  EXPECT_EQ(m.Installed("game\\movie.bin"), "movie from disc 2");
  EXPECT_TRUE(m.log.Has("REFUSED C:\\sets\\kvx\\CD1"));
}

TEST(DiscSets, ACancelledPromptOrAStoppedCopyLeavesNothingAndSaysSo) {
  enum Act { kOk, kCancel, kClose, kEsc, kCloseBetweenDiscs };
  struct Case {
    const char* name;
    std::vector<int> answers;  // in order: each prompt's and question's answer
    Act during;                // what the user does during the copy's second file
    bool disc2Nowhere;
    int exitCode;
  };
  const Case cases[] = {
      {"Cancel at the insert-disc prompt", {kAnswerCancel}, kOk, false, 4},
      {"Cancel at the wrong-disc prompt", {kAnswerOk, kAnswerCancel}, kOk, true, 4},
      {"Cancel at the return-disc prompt", {kAnswerOk, kAnswerCancel}, kOk, false, 4},
      {"the close box, Yes", {kAnswerYes}, kClose, false, 4},
      {"Esc, Yes", {kAnswerYes}, kEsc, false, 4},
      {"the close box, No: the copy goes on", {kAnswerNo}, kClose, false, 0},
      // Taken after disc 1's last file was checked: no prompt for disc 2 comes.
      {"the close box between the discs, Yes", {kAnswerYes}, kCloseBetweenDiscs, false, 4},
  };
  for (const Case& c : cases) {
    Machine m;
    m.onCopy = [](int, const FakeSystem::ShellCall&) { return -1; };  // counted
    m.sys.AddDrive('E', DriveType::kCdRom);
    if (!c.disc2Nowhere) m.sys.InsertDisc('E', m.discs[1], "DISC2");
    for (int answer : c.answers) m.sys.ScriptAnswer(answer);
    const int code = m.Start("", [&](SetupDialog& d, FakeView& v) {
      int files = 0;
      v.onInput = [&] {
        ++files;
        if (files == 3 && c.during == kCloseBetweenDiscs) d.OnClose();
        if (files != 2) return;
        if (c.during == kClose) d.OnClose();
        if (c.during == kEsc) d.OnCommand(kIdCancel);
      };
      v.SetControlText(kFolderField, "Games");
      d.OnCommand(kInstallButton);
    });
    EXPECT_EQ(code, c.exitCode) << c.name;
    if (c.exitCode == 0) {
      EXPECT_EQ(m.Installed("game\\maps.pak"), "maps from disc 2") << c.name;
      continue;
    }
    m.ExpectNothingLeft(c.name);
    EXPECT_TRUE(m.log.Has("cancelled by the user")) << c.name;
    if (c.during != kOk) {
      // Stopped after the current file: the second file was copied, the third was not.
      EXPECT_TRUE(m.log.Has("STOPPED")) << c.name;
      EXPECT_EQ(m.copies, 2) << c.name;
      for (const std::string& p : m.Prompts()) EXPECT_NE(p, kInsert2) << c.name;
    }
  }
}

TEST(DiscSets, TheStartUpsWaitsForADiscCancelToo) {
  {
    Machine m;  // no disc holds the script, the launcher started from elsewhere
    m.sys.EjectDisc('D');
    m.sys.ScriptAnswer(kAnswerOk);
    m.sys.ScriptAnswer(kAnswerCancel);
    bool shown = false;
    EXPECT_EQ(m.Start(
                  "", [&](SetupDialog&, FakeView&) { shown = true; }, "C:\\"),
              4);
    EXPECT_FALSE(shown);
    EXPECT_EQ(m.sys.messages().size(), 2u);
  }
  {
    Machine m;  // the launcher's disc is not disc 1
    m.sys.SetLabel('D', "OTHER");
    m.sys.ScriptAnswer(kAnswerCancel);
    bool shown = false;
    EXPECT_EQ(m.Start("", [&](SetupDialog&, FakeView&) { shown = true; }), 4);
    EXPECT_FALSE(shown);
    ASSERT_EQ(m.sys.messages().size(), 1u);
    EXPECT_TRUE(m.sys.messages()[0].cancelable);
  }
}

}  // namespace
}  // namespace dl
