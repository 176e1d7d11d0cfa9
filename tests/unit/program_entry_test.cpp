// The game in the system's list of installed programs: an install lists it with a copy of
// the launcher and its scripts on the hard disk, and every way of uninstalling — the
// dialog, /U, /U /S, from the disc or from that copy with no disc in any drive — removes
// the game, the entry and the copy, unless the game itself stays.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "install/program_entry.h"
#include "pack/pack_file.h"
#include "support/fake_machine.h"

namespace dl {
namespace {

using testing::FakeMachine;
using testing::FakeSystem;
using testing::FakeView;

constexpr const char* kScript =
    "[setup]\nname=KVX.ini\ninst_size=1000\n"
    "[STRING_TAB]\nstring3=KVX Setup\nstring9=Insert disc %d: %s\nstring10=Wrong disc\n"
    "string12=Disc One\nstring13=Disc Two\n"
    "[DEFPATH]\npath1=Game\n"
    "[disc00]\nlabel=DISC1\nfile0=game\\kvx.exe\nfile1=readme.txt\n"
    "[disc01]\nlabel=DISC2\nfile0=game\\movie.bin\n"
    "[WORK_GROUP]\nexefile=game\\kvx.exe\ngroupname=Harbor Lights\nlinkname=Harbor Lights\n"
    "linkname1=Uninstall\n";
constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVX";
constexpr const char* kFolder = "C:\\Games\\Game";
constexpr const char* kCopy = "C:\\Games\\Game\\_uninstall";

struct Machine : FakeMachine {
  Machine() : FakeMachine(kScript) {
    WriteDisc(1, "setup1.ini", std::string(kScript) + "; the Chinese script\n");
    WriteDisc(1, "game\\kvx.exe", std::string(3000, 'k'));
    WriteDisc(1, "readme.txt", "read me");
    WriteDisc(2, "game\\movie.bin", std::string(5000, 'm'));
  }
  bool Exists(const std::string& path) {
    std::uint32_t attributes = 0;
    return sys.GetAttributes(path, &attributes);
  }
  std::string Value(RegistryRoot root, const std::string& name) {
    std::string text;
    return sys.ReadRegistryText(root, kKey, name, &text) ? text : "(none)";
  }
  std::uint32_t Number(RegistryRoot root, const std::string& name) {
    if (const std::vector<RegistryValue>* values = sys.RegistryKey(root, kKey))
      for (const RegistryValue& v : *values)
        if (v.name == name && v.number) return *v.number;
    return 0;
  }
  int Questions() const {
    int n = 0;
    for (const FakeSystem::Message& m : sys.messages()) n += m.question ? 1 : 0;
    return n;
  }
  // Starts a launcher with these switches that runs by itself.
  int Run(const std::string& switches, const std::string& cwd = "C:\\") {
    return Start(
        switches, [](SetupDialog& d, FakeView&) { d.RunSilent(); }, cwd);
  }
  // The launcher in the install folder's copy, no disc in the drive: it hands over to a
  // copy of itself in the temporary folder, which is then started as the system would.
  // Without switches it is started as a double click starts it, in its own folder.
  int RunFromTheHardDiskCopy(const std::string& switches) {
    sys.EjectDisc('D');
    sys.SetModulePath(std::string(kCopy) + "\\setup.exe");
    const std::size_t before = sys.started.size();
    const int handedOver = Run(switches, switches.empty() ? kCopy : "C:\\");
    EXPECT_EQ(handedOver, 0);
    EXPECT_TRUE(Exists(std::string(kCopy) + "\\setup.exe")) << "nothing goes before the handover";
    if (sys.started.size() != before + 1) {
      ADD_FAILURE() << "the launcher did not start its temporary copy";
      return -1;
    }
    const std::string command = sys.started.back().commandLine;
    const std::string temporary = "C:\\temp\\KVX-uninstall\\setup.exe";
    EXPECT_EQ(command.substr(0, temporary.size() + 2), "\"" + temporary + "\"") << command;
    sys.SetModulePath(temporary);
    return Run(command.substr(temporary.size() + 2));
  }
};

TEST(ProgramEntry, AnInstallListsTheGameAndKeepsItsUninstallerOnTheHardDisk) {
  for (const bool administrator : {true, false}) {
    SCOPED_TRACE(administrator ? "an administrator" : "a user without administrator rights");
    Machine m;
    m.sys.machineRegistryDenied = !administrator;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    const RegistryRoot root = administrator ? RegistryRoot::kMachine : RegistryRoot::kUser;
    const RegistryRoot other = administrator ? RegistryRoot::kUser : RegistryRoot::kMachine;
    EXPECT_EQ(m.sys.RegistryKey(other, kKey), nullptr);
    EXPECT_EQ(m.Value(root, "DisplayName"), "Harbor Lights");
    EXPECT_EQ(m.Value(root, "DisplayIcon"), "C:\\Games\\Game\\game\\kvx.exe");
    EXPECT_EQ(m.Value(root, "InstallLocation"), kFolder);
    EXPECT_EQ(m.Value(root, "UninstallString"), "\"C:\\Games\\Game\\_uninstall\\setup.exe\" /U");
    EXPECT_EQ(m.Value(root, "QuietUninstallString"),
              "\"C:\\Games\\Game\\_uninstall\\setup.exe\" /U /S");
    EXPECT_EQ(m.Number(root, "NoModify"), 1u);
    EXPECT_EQ(m.Number(root, "NoRepair"), 1u);
    // Every byte the install wrote into its folder, in KB rounded up.
    std::uint64_t bytes = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(m.sys.HostPath(kFolder)))
      if (file.is_regular_file()) bytes += file.file_size();
    EXPECT_EQ(m.Number(root, "EstimatedSize"), (bytes + 1023) / 1024);
    EXPECT_GT(bytes, 8000u);
    // The launcher and both scripts, byte for byte.
    for (const char* name : {"setup.exe", "setup.ini", "setup1.ini"})
      EXPECT_EQ(m.sys.ReadHostFile(std::string(kCopy) + "\\" + name),
                m.sys.ReadHostFile(std::string("D:\\") + name))
          << name;
  }
}

TEST(ProgramEntry, EveryWayOfUninstallingRemovesTheGameTheEntryAndTheCopy) {
  struct Case {
    const char* how;
    bool fromCopy;         // the hard-disk copy, no disc in any drive
    const char* switches;  // empty: the dialog's Uninstall button, or a double click
    int questions;
  };
  const Case cases[] = {
      {"the dialog's Uninstall", false, "", 0},
      {"/U /S from the disc", false, "/U /S", 0},
      {"/U from the disc", false, "/U", 1},
      {"/U /S from the hard disk", true, "/U /S", 0},
      {"/U from the hard disk", true, "/U", 1},
      {"a double click on the hard disk's setup.exe", true, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    Machine m;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    ASSERT_NE(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    const std::size_t messagesBefore = m.sys.messages().size();
    const int code = c.fromCopy                        ? m.RunFromTheHardDiskCopy(c.switches)
                     : std::string(c.switches).empty() ? m.Uninstall()
                                                       : m.Run(c.switches);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(m.Questions(), c.questions);
    EXPECT_FALSE(m.Exists(kFolder));
    EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.pak"));
    EXPECT_FALSE(m.Exists("C:\\users\\me\\Desktop\\Harbor Lights.lnk"));
    EXPECT_EQ(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    EXPECT_TRUE(m.log.Has("installed-programs entry HKLM\\" + std::string(kKey) + ": removed"));
    // The temporary copy cannot remove itself: it goes at the next start, its files first.
    const std::string temporary = "C:\\temp\\KVX-uninstall";
    std::vector<std::string> later = m.sys.removedAtRestart;
    if (c.fromCopy) {
      ASSERT_EQ(later.size(), 4u);
      EXPECT_EQ(later.back(), temporary);
      later.pop_back();
      std::sort(later.begin(), later.end());
      EXPECT_EQ(later,
                (std::vector<std::string>{temporary + "\\setup.exe", temporary + "\\setup.ini",
                                          temporary + "\\setup1.ini"}));
    } else {
      EXPECT_TRUE(later.empty());
    }
    if (c.questions == 1) {
      // Asked by the game's name, then told.
      ASSERT_GE(m.sys.messages().size(), messagesBefore + 2);
      EXPECT_NE(m.sys.messages()[messagesBefore].text.find("Harbor Lights"), std::string::npos);
      EXPECT_EQ(m.sys.messages().back().text, "Harbor Lights was removed from this computer.");
    } else {
      EXPECT_EQ(m.sys.messages().size(), messagesBefore);
    }
  }
}

TEST(ProgramEntry, TheEntryStaysWhileTheGameDoesAndNoAnswerKeepsEverything) {
  {
    SCOPED_TRACE("/U answered No");
    Machine m;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    m.sys.ScriptAnswer(kAnswerNo);
    EXPECT_EQ(m.Run("/U"), 2);
    EXPECT_TRUE(m.Exists("C:\\Games\\Game\\game\\kvx.exe"));
    EXPECT_TRUE(m.Exists("C:\\windows\\KVX.ini.pak"));
    EXPECT_NE(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
  }
  {
    SCOPED_TRACE(
        "the user's file in the folder before the install: the game goes, so does its entry");
    Machine m;
    m.sys.WriteHostFile("C:\\Games\\Game\\thesis.doc", "the user's");
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    EXPECT_EQ(m.Run("/U /S"), 0);
    EXPECT_EQ(m.sys.ReadHostFile("C:\\Games\\Game\\thesis.doc"), "the user's");
    EXPECT_FALSE(m.Exists("C:\\Games\\Game\\game\\kvx.exe"));
    EXPECT_FALSE(m.Exists(kCopy));
    EXPECT_EQ(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
  }
  {
    SCOPED_TRACE("the game's folder cannot be removed: its entry and its uninstaller stay");
    Machine m;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    m.sys.shellHook = [](const FakeSystem::ShellCall& call) {
      return call.op == ShellOp::kDelete && call.from.find("Game") != std::string::npos ? 5 : -1;
    };
    m.Uninstall();
    EXPECT_TRUE(m.Exists(std::string(kCopy) + "\\setup.exe"));
    EXPECT_NE(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    ASSERT_FALSE(m.sys.messages().empty());
    EXPECT_NE(m.sys.messages().back().text.find("C:\\Games\\Game\\game\\kvx.exe is still there, "
                                                "so the game stays in the list"),
              std::string::npos)
        << m.sys.messages().back().text;
  }
  {
    SCOPED_TRACE("an entry of the same name for another folder is another program's");
    Machine m;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    ASSERT_TRUE(m.sys.WriteRegistryValues(RegistryRoot::kUser, kKey,
                                          {{"InstallLocation", "C:\\Elsewhere", {}}}));
    EXPECT_EQ(m.Uninstall(), 0);
    EXPECT_EQ(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    EXPECT_NE(m.sys.RegistryKey(RegistryRoot::kUser, kKey), nullptr);
  }
}

// A record is a text anyone can write: one that names the disc's own root, or the folder
// above a launcher that is not the install's copy, never turns a start into a hand-over.
TEST(ProgramEntry, OnlyTheInstallsOwnCopyHandsOver) {
  struct Case {
    const char* how;
    std::string recordFolder, launcher, switches;
  };
  const Case cases[] = {
      {"the disc's root recorded, a plain start", "D:\\", "D:\\setup.exe", ""},
      {"the disc's root recorded, /U /S", "D:\\", "D:\\setup.exe", "/U /S"},
      {"a launcher in the install folder itself", kFolder, std::string(kFolder) + "\\setup.exe",
       "/U /S"},
      {"a launcher in another folder of it", kFolder, std::string(kFolder) + "\\game\\setup.exe",
       "/U /S"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    Machine m;
    const std::string record = "[inst_path]\npath=" + c.recordFolder + "\n";
    PackFile writer(m.sys);
    ASSERT_EQ(writer.Open("C:\\windows\\KVX.ini", 5, 0), 1);
    ASSERT_EQ(writer.PutEntry("KVX.ini", record.data(), static_cast<std::uint32_t>(record.size())),
              1);
    ASSERT_EQ(writer.Save("C:\\Wdtemp", 1), 1);
    const std::string folder = c.launcher.substr(0, c.launcher.rfind('\\'));
    if (folder != "D:") {
      m.sys.WriteHostFile(c.launcher, "launcher");
      m.sys.WriteHostFile(folder + "\\setup.ini", kScript);
    }
    m.sys.SetModulePath(c.launcher);
    bool dialog = false;
    m.Start(
        c.switches,
        [&](SetupDialog& d, FakeView&) {
          dialog = true;
          if (!c.switches.empty()) d.RunSilent();
        },
        folder + "\\");
    EXPECT_TRUE(dialog) << "the launcher ended before its dialog";
    for (const FakeSystem::Started& s : m.sys.started)
      EXPECT_EQ(s.commandLine.find("-uninstall"), std::string::npos) << s.commandLine;
  }
}

}  // namespace
}  // namespace dl
