// The game in the system's list of installed programs: an install lists it with a copy of
// the launcher and its scripts beside the record, where only administrators write, and
// every way of uninstalling — the dialog, /U, /U /S, from the disc or from that copy with
// no disc in any drive — removes the game, the entry and the copy, unless the game itself
// stays. Nothing a standard user controls (the install folder, the temporary folder, an
// entry of the same name, a link in the folder) widens what goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "install/install_journal.h"
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
constexpr const char* kCopy = "C:\\windows\\KVX.uninstall";

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
  // The launcher's copy beside the record, no disc in the drive, started with these
  // switches (none: a double click, in its own folder).
  int RunFromTheCopy(const std::string& switches) {
    sys.EjectDisc('D');
    sys.SetModulePath(std::string(kCopy) + "\\setup.exe");
    return Run(switches, switches.empty() ? kCopy : "C:\\");
  }
  // Writes a record pack with this record and journal (none when empty), as an earlier
  // install left it.
  void WriteRecord(const std::string& record, const std::string& journal) {
    sys.RemoveFile("C:\\windows\\KVX.ini.pak");
    PackFile writer(sys);
    ASSERT_TRUE(writer.Open("C:\\windows\\KVX.ini", 5, 0));
    ASSERT_TRUE(
        writer.PutEntry("KVX.ini", record.data(), static_cast<std::uint32_t>(record.size())));
    if (!journal.empty()) {
      ASSERT_TRUE(writer.PutEntry(kJournalEntryName, journal.data(),
                                  static_cast<std::uint32_t>(journal.size())));
    }
    ASSERT_TRUE(writer.Save("C:\\Wdtemp", 1));
  }
};

TEST(ProgramEntry, AnInstallListsTheGameAndKeepsItsUninstallerWhereOnlyAdministratorsWrite) {
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
    EXPECT_EQ(m.Value(root, "UninstallString"), "\"C:\\windows\\KVX.uninstall\\setup.exe\" /U");
    EXPECT_EQ(m.Value(root, "QuietUninstallString"),
              "\"C:\\windows\\KVX.uninstall\\setup.exe\" /U /S");
    EXPECT_EQ(m.Value(root, "DisclaunchRecord"), "C:\\windows\\KVX.ini.pak");
    // Change in the list repairs; Repair there is the system installer's own.
    EXPECT_EQ(m.Number(root, "NoModify"), 0u);
    EXPECT_EQ(m.Value(root, "ModifyPath"), "\"C:\\windows\\KVX.uninstall\\setup.exe\" /REPAIR");
    EXPECT_EQ(m.Number(root, "NoRepair"), 1u);
    // Every byte the install wrote into its folder, in KB rounded up; nothing of the
    // uninstaller is in that folder, which a standard user may change.
    std::uint64_t bytes = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(m.sys.HostPath(kFolder)))
      if (file.is_regular_file()) bytes += file.file_size();
    EXPECT_EQ(m.Number(root, "EstimatedSize"), (bytes + 1023) / 1024);
    EXPECT_GT(bytes, 8000u);
    EXPECT_FALSE(m.Exists("C:\\Games\\Game\\_uninstall"));
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
    bool fromCopy;         // the copy beside the record, no disc in any drive
    const char* switches;  // empty: the dialog's Uninstall button, or a double click
    int questions;
  };
  const Case cases[] = {
      {"the dialog's Uninstall", false, "", 0},
      {"/U /S from the disc", false, "/U /S", 0},
      {"/U from the disc", false, "/U", 1},
      {"/U /S from the copy", true, "/U /S", 0},
      {"/U from the copy", true, "/U", 1},
      {"a double click on the copy's setup.exe", true, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    Machine m;
    // A folder named as an earlier version's hand-over named it, made by anyone: nothing
    // in it is touched.
    m.sys.WriteHostFile("C:\\temp\\KVX-uninstall\\canary.txt", "canary");
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    ASSERT_NE(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    const std::size_t messagesBefore = m.sys.messages().size();
    const std::size_t startedBefore = m.sys.started.size();
    const int code = c.fromCopy                        ? m.RunFromTheCopy(c.switches)
                     : std::string(c.switches).empty() ? m.Uninstall()
                                                       : m.Run(c.switches);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(m.sys.started.size(), startedBefore) << "no hand-over to another copy";
    EXPECT_EQ(m.Questions(), c.questions);
    EXPECT_FALSE(m.Exists(kFolder));
    EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.pak"));
    EXPECT_FALSE(m.Exists("C:\\users\\me\\Desktop\\Harbor Lights.lnk"));
    EXPECT_EQ(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    EXPECT_TRUE(m.log.Has("installed-programs entry HKLM\\" + std::string(kKey) + ": removed"));
    EXPECT_EQ(m.sys.ReadHostFile("C:\\temp\\KVX-uninstall\\canary.txt"), "canary");
    // The copy that runs cannot remove itself: it goes at the next start, its files first.
    // Run from the disc, it goes at once.
    std::vector<std::string> later = m.sys.removedAtRestart;
    if (c.fromCopy) {
      ASSERT_EQ(later.size(), 4u);
      EXPECT_EQ(later.back(), kCopy);
      later.pop_back();
      std::sort(later.begin(), later.end());
      EXPECT_EQ(later, (std::vector<std::string>{std::string(kCopy) + "\\setup.exe",
                                                 std::string(kCopy) + "\\setup.ini",
                                                 std::string(kCopy) + "\\setup1.ini"}));
    } else {
      EXPECT_TRUE(later.empty());
      EXPECT_FALSE(m.Exists(kCopy));
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

TEST(ProgramEntry, TheCopysExitCodeIsTheUninstallsAndAReinstallKeepsItsOwnCopy) {
  Machine m;
  m.AnswerWithDiscs({2, 1});
  ASSERT_EQ(m.Install("Games"), 0);
  // The game runs: its program cannot go, so the game, its entry and its copy stay, and a
  // package manager waiting on the quiet command hears of the failure.
  m.sys.heldOpen.insert("C:\\Games\\Game\\game\\kvx.exe");
  EXPECT_EQ(m.RunFromTheCopy("/U /S"), 1);
  EXPECT_TRUE(m.Exists("C:\\Games\\Game\\game\\kvx.exe"));
  EXPECT_NE(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
  EXPECT_TRUE(m.Exists(std::string(kCopy) + "\\setup.exe"));
  EXPECT_TRUE(m.sys.removedAtRestart.empty());

  // An uninstall that goes through leaves its copy for the next start...
  Machine fresh;
  fresh.AnswerWithDiscs({2, 1});
  ASSERT_EQ(fresh.Install("Games"), 0);
  EXPECT_EQ(fresh.RunFromTheCopy("/U /S"), 0);
  ASSERT_FALSE(fresh.sys.removedAtRestart.empty());
  EXPECT_EQ(fresh.sys.removedAtRestart.back(), kCopy);
  // ...and an install before that start keeps a copy of its own, which the start spares.
  fresh.Insert(1);
  fresh.sys.SetModulePath("D:\\setup.exe");
  fresh.AnswerWithDiscs({2, 1});
  ASSERT_EQ(fresh.Install("Games"), 0);
  EXPECT_EQ(fresh.Value(RegistryRoot::kMachine, "UninstallString"),
            "\"C:\\windows\\KVX.uninstall2\\setup.exe\" /U");
  for (const std::string& later : fresh.sys.removedAtRestart)
    EXPECT_EQ(later.find("KVX.uninstall2"), std::string::npos) << later;
  EXPECT_TRUE(fresh.Exists("C:\\windows\\KVX.uninstall2\\setup.exe"));
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
    SCOPED_TRACE("the game's program cannot be removed: its entry and its uninstaller stay");
    Machine m;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    m.sys.heldOpen.insert("C:\\Games\\Game\\game\\kvx.exe");
    m.Uninstall();
    EXPECT_TRUE(m.Exists(std::string(kCopy) + "\\setup.exe"));
    EXPECT_NE(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
    ASSERT_FALSE(m.sys.messages().empty());
    EXPECT_NE(m.sys.messages().back().text.find("C:\\Games\\Game\\game\\kvx.exe is still there, "
                                                "so the game stays in the list"),
              std::string::npos)
        << m.sys.messages().back().text;
  }
}

// Another program's entry of the same name, in either part of the registry, is neither
// written over at the install nor removed at the uninstall: the game's entry takes another
// name, and only a key that carries this record's value is removed.
TEST(ProgramEntry, AnotherProgramsEntryOfTheSameNameIsLeftAlone) {
  for (const RegistryRoot foreignRoot : {RegistryRoot::kMachine, RegistryRoot::kUser}) {
    SCOPED_TRACE(foreignRoot == RegistryRoot::kMachine ? "in HKLM" : "in HKCU");
    Machine m;
    const std::vector<RegistryValue> foreign = {
        {"DisplayName", "Other Vendor App", {}},
        {"InstallLocation", kFolder, {}},  // even one naming the same folder
        {"UninstallString", "\"C:\\OtherVendor\\uninst.exe\"", {}}};
    ASSERT_TRUE(m.sys.WriteRegistryValues(foreignRoot, kKey, foreign));
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    const std::string ours = std::string(kKey) + " (2)";
    std::string text;
    EXPECT_TRUE(m.sys.ReadRegistryText(RegistryRoot::kMachine, ours, "DisplayName", &text));
    EXPECT_EQ(text, "Harbor Lights");
    ASSERT_NE(m.sys.RegistryKey(foreignRoot, kKey), nullptr);
    EXPECT_EQ(m.sys.RegistryKey(foreignRoot, kKey)->size(), foreign.size());
    EXPECT_EQ(m.sys.RegistryKey(foreignRoot, kKey)->front().text, "Other Vendor App");

    EXPECT_EQ(m.Run("/U /S"), 0);
    EXPECT_EQ(m.sys.RegistryKey(RegistryRoot::kMachine, ours), nullptr);
    ASSERT_NE(m.sys.RegistryKey(foreignRoot, kKey), nullptr);
    EXPECT_EQ(m.sys.RegistryKey(foreignRoot, kKey)->front().text, "Other Vendor App");
  }
}

// An install of the earlier version kept its uninstaller in "<install folder>\_uninstall"
// and wrote a journal of the first version and an entry without the record's value: the
// uninstall still removes all of it, the entry included.
TEST(ProgramEntry, AnInstallOfTheEarlierVersionStillUninstallsCompletely) {
  Machine m;
  const std::string folder = kFolder;
  for (const char* file :
       {"game\\kvx.exe", "readme.txt", "_uninstall\\setup.exe", "_uninstall\\setup.ini"})
    m.sys.WriteHostFile(folder + "\\" + file, "old");
  m.WriteRecord("[inst_path]\r\npath=C:\\Games\\Game\r\n",
                "disclaunch install journal 1\r\nfolder\tC:\\Games\\Game\r\nmade\t.\r\n"
                "made\tgame\r\nfile\tgame\\kvx.exe\t3\tnew\r\nfile\treadme.txt\t3\tnew\r\n"
                "made\t_uninstall\r\nfile\t_uninstall\\setup.exe\t3\tnew\r\n"
                "file\t_uninstall\\setup.ini\t3\tnew\r\nrecord\tC:\\windows\\KVX.ini.pak\r\n"
                "end\r\n");
  ASSERT_TRUE(m.sys.WriteRegistryValues(
      RegistryRoot::kMachine, kKey,
      {{"InstallLocation", folder, {}},
       {"UninstallString", "\"C:\\Games\\Game\\_uninstall\\setup.exe\" /U", {}}}));
  EXPECT_EQ(m.Run("/U /S"), 0);
  EXPECT_FALSE(m.Exists(folder));
  EXPECT_EQ(m.sys.RegistryKey(RegistryRoot::kMachine, kKey), nullptr);
}

// The record's name is the pack's file name in the Windows directory: a script whose name
// leads anywhere else is refused before anything is read or written, whatever the run.
TEST(ProgramEntry, AScriptWhoseRecordNameIsNoBareFileNameIsRefusedBeforeAnyChange) {
  const char* names[] = {"..\\temp\\evil.ini", "C:\\temp\\evil.ini", "sub/evil.ini", "a..ini",
                         "evil.ini.",          "evil.ini ",          "CON.ini",      "journal.txt",
                         "Journal.TXT"};
  for (const char* name : names) {
    for (const char* switches : {"", "/S", "/U /S", "/U"}) {
      SCOPED_TRACE(std::string(name) + " with \"" + switches + "\"");
      std::string script = kScript;
      script.replace(script.find("name=KVX.ini"), 12, std::string("name=") + name);
      Machine m;
      m.WriteDisc(1, "setup.ini", script);
      // A standard user planted a pack whose journal names another program's folder.
      m.sys.WriteHostFile("C:\\OtherVendor\\App\\app.exe", "another program");
      m.WriteRecord("[inst_path]\r\npath=C:\\OtherVendor\\App\r\n",
                    "disclaunch install journal 1\r\nfolder\tC:\\OtherVendor\\App\r\nmade\t.\r\n"
                    "end\r\n");
      m.sys.WriteHostFile("C:\\temp\\other.txt", "");
      ASSERT_TRUE(m.sys.RenameReplacing("C:\\windows\\KVX.ini.pak", "C:\\temp\\evil.ini.pak"));
      m.sys.fileEffects.clear();
      m.sys.shellCalls.clear();
      bool dialog = false;
      const int code = m.Start(switches, [&](SetupDialog&, FakeView&) { dialog = true; });
      EXPECT_EQ(code, 1);
      EXPECT_FALSE(dialog);
      EXPECT_TRUE(m.sys.fileEffects.empty());
      EXPECT_TRUE(m.sys.shellCalls.empty());
      EXPECT_TRUE(m.sys.started.empty());
      EXPECT_EQ(m.sys.ReadHostFile("C:\\OtherVendor\\App\\app.exe"), "another program");
      EXPECT_TRUE(m.log.Has("REFUSED"));
      const bool told = !m.sys.messages().empty() &&
                        m.sys.messages().back().text.find("cannot be used") != std::string::npos;
      EXPECT_EQ(told, std::string(switches).find("/S") == std::string::npos);
    }
  }
}

// Anyone who may write in the install folder may put a link there to another program's
// folder: the uninstall removes the link and nothing it leads to, with a journal (the
// folder the install made goes with all it holds) and without one (an older record).
TEST(ProgramEntry, ALinkInTheInstallFolderIsRemovedAsALinkAndNothingThroughIt) {
  for (const bool withJournal : {true, false}) {
    SCOPED_TRACE(withJournal ? "a journal" : "a record without a journal");
    Machine m;
    m.AnswerWithDiscs({2, 1});
    ASSERT_EQ(m.Install("Games"), 0);
    if (!withJournal) m.WriteRecord("[inst_path]\r\npath=C:\\Games\\Game\r\n", "");
    m.sys.WriteHostFile("C:\\OtherVendor\\App\\data.bin", "another program's");
    std::filesystem::create_directory_symlink(m.sys.HostPath("C:\\OtherVendor\\App"),
                                              m.sys.HostPath("C:\\Games\\Game\\saves"));
    m.Uninstall();
    EXPECT_EQ(m.sys.ReadHostFile("C:\\OtherVendor\\App\\data.bin"), "another program's");
    EXPECT_FALSE(m.Exists(kFolder));
  }
}

}  // namespace
}  // namespace dl
