// The install journal: an uninstall removes what the install made and nothing that was
// there before; an install that does not finish, or is killed, leaves nothing behind. The
// whole launcher runs on a fake machine, started as often as a player would start it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "pack/pack_file.h"
#include "support/fake_machine.h"

namespace dl {
namespace {

using testing::FakeMachine;

constexpr const char* kScript =
    "[setup]\nname=KVX.ini\ninst_size=1000\n"
    "[STRING_TAB]\nstring3=KVX Setup\nstring9=Insert disc %d: %s\nstring10=Wrong disc\n"
    "string11=Insert disc\nstring12=Disc One\nstring13=Disc Two\n"
    "[DEFPATH]\npath1=Game\n"
    "[disc00]\nlabel=DISC1\nfile0=game\\kvx.exe\nfile1=game\\data\\*.dat\nfile2=readme.txt\n"
    "[disc01]\nlabel=DISC2\nfile0=game\\movie.bin\n"
    "[WORK_GROUP]\nexefile=game\\kvx.exe\ngroupname=KVX\nlinkname=KVX\nlinkname1=Uninstall KVX\n";

constexpr const char* kGroup = "C:\\users\\me\\Start Menu\\Programs\\KVX";

// The two-disc game on a fresh machine.
struct Machine : FakeMachine {
  Machine() : FakeMachine(kScript) {
    WriteDisc(1, "game\\kvx.exe", "kvx");
    WriteDisc(1, "game\\data\\one.dat", "1");
    WriteDisc(1, "game\\data\\two.dat", "22");
    WriteDisc(1, "readme.txt", "read me");
    WriteDisc(2, "game\\movie.bin", "movie");
  }
  bool Exists(const std::string& path) {
    std::uint32_t attributes = 0;
    return sys.GetAttributes(path, &attributes);
  }
  // Everything under a folder, as relative paths ("" for none, folders end in "\").
  std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    const std::string root = sys.HostPath(folder);
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::string rel = std::filesystem::relative(it->path(), root).string();
      for (char& c : rel)
        if (c == '/') c = '\\';
      out.push_back(rel + (it->is_directory() ? "\\" : ""));
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string LastMessage() const {
    return sys.messages().empty() ? std::string() : sys.messages().back().text;
  }
};

TEST(InstallJournal, UninstallKeepsWhatTheFolderHeldBeforeTheInstall) {
  Machine m;
  m.sys.WriteHostFile("C:\\Games\\Game\\thesis.doc", "the user's");
  m.AnswerWithDiscs({2, 1});
  ASSERT_EQ(m.Install("Games"), 0);
  ASSERT_EQ(m.state.mode, LaunchMode::kInstalled);
  EXPECT_EQ(m.sys.ReadHostFile("C:\\Games\\Game\\game\\movie.bin"), "movie");

  // The record's entry is what it always was; the journal is an entry of its own.
  std::string record, journal;
  ASSERT_TRUE(m.PackEntry("KVX.ini", &record));
  EXPECT_EQ(record, "[move_file]\r\nfile0=" + std::string(kGroup) +
                        "\\KVX.lnk\r\nfile2=C:\\users\\me\\Desktop\\KVX.lnk\r\nfile1=" + kGroup +
                        "\\Uninstall KVX.lnk\r\n[inst_path]\r\npath=C:\\Games\\Game\r\n"
                        "[install_directory]\r\npath=D:\\\r\n");
  ASSERT_TRUE(m.PackEntry(kJournalEntryName, &journal));
  // Each file's stamp: its size, its write time (the host's clock: left out) and its CRC-32.
  for (std::size_t at = journal.find("copied\t"); at != std::string::npos;
       at = journal.find("copied\t", at + 1)) {
    const std::size_t timeAt = journal.find('\t', journal.find('\t', at + 7) + 1) + 1;
    journal.replace(timeAt, journal.find('\t', timeAt) - timeAt, "T");
  }
  EXPECT_EQ(journal,
            "disclaunch install journal 3\r\n"
            "codepage\t1252\r\n"
            "folder\tC:\\Games\\Game\r\n"
            "made\tgame\r\n"
            "file\tgame\\kvx.exe\t3\tnew\r\n"
            "made\tgame\\data\r\n"
            "file\tgame\\data\\one.dat\t1\tnew\r\n"
            "file\tgame\\data\\two.dat\t2\tnew\r\n"
            "file\treadme.txt\t7\tnew\r\n"
            "file\tgame\\movie.bin\t5\tnew\r\n"
            "group\t" +
                std::string(kGroup) +
                "\r\n"
                "shortcut\t" +
                kGroup +
                "\\KVX.lnk\tnew\r\n"
                "shortcut\t" +
                kGroup +
                "\\Uninstall KVX.lnk\tnew\r\n"
                "conversion\tC:\\windows\\setup.ini\tnew\r\n"
                "desktop\tC:\\users\\me\\Desktop\\KVX.lnk\tnew\r\n"
                "copied\tgame\\data\\one.dat\t1\tT\t83dcefb7\r\n"
                "copied\tgame\\data\\two.dat\t2\tT\t647e170e\r\n"
                "copied\tgame\\kvx.exe\t3\tT\t9c78daad\r\n"
                "copied\tgame\\movie.bin\t5\tT\t1d5ef26f\r\n"
                "copied\treadme.txt\t7\tT\t7b7278e1\r\n"
                // The launcher and its script, kept beside the record for an uninstall
                // without the disc, and the entry that starts it.
                "uninstaller\tC:\\windows\\KVX.uninstall\r\n"
                "entry\tKVX\r\n"
                "record\tC:\\windows\\KVX.ini.pak\r\n"
                "end\r\n");
  EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.jnl"));  // its work is done

  // The game keeps a save in its own folder, and its settings beside it.
  m.sys.WriteHostFile("C:\\Games\\Game\\game\\save.dat", "made by the game");
  m.sys.WriteHostFile("C:\\Games\\Game\\settings.cfg", "made by the game, beside the install");
  ASSERT_EQ(m.Uninstall(), 0);
  EXPECT_EQ(m.Tree("C:\\Games"),
            (std::vector<std::string>{"Game\\", "Game\\settings.cfg", "Game\\thesis.doc"}));
  EXPECT_EQ(m.sys.ReadHostFile("C:\\Games\\Game\\thesis.doc"), "the user's");
  EXPECT_FALSE(m.Exists(kGroup));  // empty once its shortcuts went
  EXPECT_FALSE(m.Exists("C:\\users\\me\\Desktop\\KVX.lnk"));
  EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.pak"));
  EXPECT_TRUE(m.Exists("C:\\users\\me\\Start Menu\\Programs\\Other\\Other.lnk"));
  EXPECT_NE(m.LastMessage().find("kept, because the install did not make them:\nC:\\Games\\Game "
                                 "(it was there before the install; 2 item(s)"),
            std::string::npos)
      << m.LastMessage();
}

// Found by the fuzz target: a shortcut name with a pattern in it made a journal that its own
// reader refused as damaged, and the uninstall took the folder with the user's files.
TEST(InstallJournal, AScriptValueTheGuardRefusesStillLeavesAWholeJournal) {
  Machine m;
  std::string script = kScript;
  script.replace(script.find("linkname1=Uninstall KVX"), 23, "linkname1=C:\\*");
  m.WriteDisc(1, "setup.ini", script);
  m.sys.WriteHostFile("C:\\Games\\Game\\thesis.doc", "the user's");
  m.AnswerWithDiscs({2, 1});
  ASSERT_EQ(m.Install("Games"), 0);
  std::string journal;
  ASSERT_TRUE(m.PackEntry(kJournalEntryName, &journal));
  EXPECT_TRUE(ParseJournal(journal).whole()) << journal;
  ASSERT_EQ(m.Uninstall(), 0);
  EXPECT_EQ(m.sys.ReadHostFile("C:\\Games\\Game\\thesis.doc"), "the user's");
  EXPECT_EQ(m.LastMessage().find("damaged"), std::string::npos) << m.LastMessage();
}

TEST(InstallJournal, AFolderTheInstallMadeGoesWhollyAndTheFoldersAboveItWhenEmpty) {
  Machine m;
  m.AnswerWithDiscs({2, 1});
  ASSERT_EQ(m.Install("Wendmark"), 0);
  m.sys.WriteHostFile("C:\\Wendmark\\Game\\saves\\slot1.sav", "made by the game");
  m.sys.WriteHostFile("C:\\Wendmark\\Other\\keep.txt", "another game's");
  ASSERT_EQ(m.Uninstall(), 0);
  EXPECT_EQ(m.Tree("C:\\Wendmark"), (std::vector<std::string>{"Other\\", "Other\\keep.txt"}));

  std::filesystem::remove_all(m.sys.HostPath("C:\\Wendmark"));
  m.AnswerWithDiscs({2, 1});
  ASSERT_EQ(m.Install("Wendmark"), 0);
  ASSERT_EQ(m.Uninstall(), 0);
  EXPECT_FALSE(m.Exists("C:\\Wendmark"));
  EXPECT_FALSE(m.Exists(kGroup));
  // Nothing to say either time: all the install made is gone.
  for (const auto& message : m.sys.messages()) EXPECT_NE(message.caption, "Uninstall");
}

TEST(InstallJournal, AnInstallThatDoesNotFinishLeavesNothingItMade) {
  struct Case {
    const char* what;
    int failingCopy;  // 0: none; else the shell's copy of that number fails...
    int shellResult;  // ...with this result
    std::vector<int> answers;
    bool recordBlocked = false;
  };
  const std::vector<Case> cases = {
      {"a wrong second disc", 0, 0, {0, 0, 0, 0, 1}},
      {"a full disk at the first copy", 1, 112, {2, 1}},
      {"a full disk at the third copy", 3, 112, {2, 1}},
      {"a full disk on the second disc", 5, 112, {2, 1}},
      {"the shell's Cancel", 2, 1223, {2, 1}},
      {"a record that cannot be written", 0, 0, {2, 1}, true},
  };
  for (const Case& c : cases) {
    for (const char* field : {"Wendmark", "Games"}) {
      SCOPED_TRACE(std::string(c.what) + ", into " + field);
      Machine m;
      // A folder of the user's own with a file that the game's copy writes over.
      m.sys.WriteHostFile("C:\\Games\\Game\\thesis.doc", "the user's");
      m.sys.WriteHostFile("C:\\Games\\Game\\readme.txt", "the user's read-me");
      if (c.recordBlocked) m.sys.WriteHostFile("C:\\windows\\KVX.ini.pak\\blocked", "");
      m.onCopy = [&c](int copy, const testing::FakeSystem::ShellCall&) {
        return copy == c.failingCopy ? c.shellResult : -1;
      };
      m.AnswerWithDiscs(c.answers);
      m.Install(field);
      EXPECT_EQ(m.state.exitCode, ExitCode::kFailed);
      EXPECT_FALSE(m.Exists("C:\\Wendmark"));
      EXPECT_EQ(m.Tree("C:\\Games"),
                (std::vector<std::string>{"Game\\", "Game\\readme.txt", "Game\\thesis.doc"}));
      EXPECT_FALSE(m.Exists(kGroup));
      EXPECT_FALSE(m.Exists("C:\\users\\me\\Desktop\\KVX.lnk"));
      EXPECT_FALSE(m.Exists("C:\\windows\\setup.ini"));
      EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.jnl"));
      EXPECT_EQ(m.Exists("C:\\windows\\KVX.ini.pak"), c.recordBlocked);  // no record
      EXPECT_NE(m.LastMessage().find("The install did not finish"), std::string::npos)
          << m.LastMessage();
      EXPECT_EQ(m.LastMessage().find("could not be removed"), std::string::npos) << m.LastMessage();
    }
  }
}

// A thrown exception stands for the process being killed in the middle of its copy.
struct Killed {};

TEST(InstallJournal, AKilledInstallIsUndoneAtTheNextStartOnceTheUserAgrees) {
  Machine m;
  m.onCopy = [](int copy, const testing::FakeSystem::ShellCall&) -> int {
    if (copy == 4) throw Killed{};
    return -1;
  };
  EXPECT_THROW(m.Install("Wendmark"), Killed);
  ASSERT_TRUE(m.Exists("C:\\Wendmark\\Game\\game\\data\\two.dat"));
  ASSERT_TRUE(m.Exists("C:\\windows\\KVX.ini.jnl"));
  m.onCopy = nullptr;

  // Kept when the user says no: asked again at the next start.
  m.sys.ScriptAnswer(kAnswerNo);
  m.Start("", nullptr);
  ASSERT_EQ(m.sys.messages().size(), 1u);
  EXPECT_TRUE(m.sys.messages()[0].question);
  EXPECT_EQ(m.sys.messages()[0].caption, "KVX Setup");
  EXPECT_NE(m.sys.messages()[0].text.find("into C:\\Wendmark\\Game did not finish"),
            std::string::npos);
  EXPECT_TRUE(m.Exists("C:\\Wendmark\\Game\\game\\kvx.exe"));
  EXPECT_TRUE(m.Exists("C:\\windows\\KVX.ini.jnl"));

  m.sys.ScriptAnswer(kAnswerYes);
  m.Start("", nullptr);
  EXPECT_EQ(m.sys.messages().size(), 2u);
  EXPECT_FALSE(m.Exists("C:\\Wendmark"));
  EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.jnl"));
  EXPECT_EQ(m.state.mode, LaunchMode::kInstall);

  // Unattended, the leftovers go without a question, and the install follows.
  m.onCopy = [](int copy, const testing::FakeSystem::ShellCall&) -> int {
    if (copy == 2) throw Killed{};
    return -1;
  };
  EXPECT_THROW(m.Install("Wendmark"), Killed);
  m.onCopy = nullptr;
  m.sys.WriteHostFile("C:\\Wendmark\\Game\\game\\save.dat", "not in the journal");
  m.AnswerWithDiscs({2, 1});
  const std::size_t before = m.sys.messages().size();
  EXPECT_EQ(
      m.Start("/S /D=C:\\Other\\KVX", [](SetupDialog& d, testing::FakeView&) { d.RunSilent(); }),
      0);
  for (std::size_t i = before; i < m.sys.messages().size(); ++i)
    EXPECT_FALSE(m.sys.messages()[i].question) << m.sys.messages()[i].text;
  EXPECT_TRUE(m.log.Has("unfinished install C:\\Wendmark\\Game: undone: 1 removed, 2 not removed"));
  // What the journal did not list stays, and so does the folder that holds it.
  EXPECT_EQ(m.Tree("C:\\Wendmark"),
            (std::vector<std::string>{"Game\\", "Game\\game\\", "Game\\game\\save.dat"}));
  EXPECT_TRUE(m.Exists("C:\\windows\\KVX.ini.pak"));
}

// A disc's journal entries reach the disk in one write, before its copy: an install killed
// while it lists a disc has on the disk the journal of every disc before, whole, and nothing
// of that one (whose copy had not begun). The next start undoes it all.
TEST(InstallJournal, AnInstallKilledWhileItListsADiscIsUndoneWhole) {
  for (const char* at : {"*.dat", "movie.bin"}) {  // disc 1's listing, disc 2's
    SCOPED_TRACE(at);
    Machine m;
    m.sys.AddDrive('E', DriveType::kCdRom);
    m.sys.InsertDisc('E', m.discs[1], "DISC2");
    m.sys.lookupHook = [at](const std::string& path) {
      if (path.find(at) != std::string::npos) throw Killed{};
    };
    EXPECT_THROW(m.Install("Wendmark"), Killed);
    m.sys.lookupHook = nullptr;
    std::string journal;
    ASSERT_TRUE(m.sys.ReadWholeFile("C:\\windows\\KVX.ini.jnl", &journal));
    EXPECT_EQ(journal.find("movie.bin"), std::string::npos) << journal;
    EXPECT_EQ(journal.find("kvx.exe") != std::string::npos, std::string(at) == "movie.bin")
        << journal;
    EXPECT_EQ(m.Exists("C:\\Wendmark\\Game\\game\\kvx.exe"), std::string(at) == "movie.bin");

    m.sys.ScriptAnswer(kAnswerYes);
    m.Start("", nullptr);
    EXPECT_FALSE(m.Exists("C:\\Wendmark"));
    EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.jnl"));
  }
}

// Journals as someone with an editor leaves them in the record's pack: they only ever
// narrow what the uninstall deletes; a damaged one is not used, and the user is told.
TEST(InstallJournal, AHostileJournalNarrowsTheUninstallAndNeverWidensIt) {
  struct Case {
    const char* what;
    std::string journal;
    bool damaged;
    std::vector<std::string> gone;  // what the uninstall must remove
  };
  const std::string head = "disclaunch install journal 1\r\nfolder\tC:\\Wendmark\\Game\r\n";
  const std::vector<Case> cases = {
      // A journal that cannot be read whole removes nothing from the install folder: the
      // user's own file there stays, and so does the game.
      {"a file that climbs out",
       head + "file\t..\\..\\users\\me\\Documents\\thesis.doc\t1\tnew\r\nend\r\n",
       true,
       {}},
      {"another folder than the record's",
       "disclaunch install journal 1\r\nfolder\tC:\\users\\me\r\nmade\t.\r\nend\r\n",
       true,
       {}},
      {"no end", head + "made\t.\r\n", true, {}},
      {"cut in the middle of a line", head + "made\t.\r\nfile\tgame.e", true, {}},
      {"a pattern", head + "file\t*\t1\tnew\r\nend\r\n", true, {}},
      {"garbled", std::string("disclaunch install journal 1\r\n\xff\xfe\x01garbage\r\n"), true, {}},
      {"names written in another code page",
       "disclaunch install journal 2\r\ncodepage\t936\r\nfolder\tC:\\Wendmark\\Game\r\n"
       "made\t.\r\nend\r\n",
       true,
       {}},
      {"a made folder that leads into the documents", head + "made\tlinked\r\nend\r\n", false, {}},
      {"folders above up to the root",
       head + "above\t32\r\nmade\t.\r\nend\r\n",
       false,
       {"C:\\Wendmark\\Game"}},
      {"a group that is the documents",
       head + "group\tC:\\users\\me\\Documents\r\nfile\tgame.exe\t1\tnew\r\nend\r\n",
       false,
       {"C:\\Wendmark\\Game\\game.exe"}},
      {"a shortcut the record does not name, and none of those it names",
       head + "desktop\tC:\\users\\me\\Desktop\\Other.lnk\tnew\r\nend\r\n",
       false,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    std::vector<std::string> canaries = {
        "C:\\users\\me\\Documents\\thesis.doc", "C:\\users\\me\\Desktop\\Other.lnk",
        "C:\\Wendmark\\Other\\keep.txt", "C:\\Wendmark\\Game\\mine.txt"};
    // The record names the user's own shortcut: without a journal it goes, as it always did.
    if (!c.damaged) canaries.push_back("C:\\users\\me\\Desktop\\Mail.lnk");
    m.sys.WriteHostFile("C:\\users\\me\\Desktop\\Mail.lnk", "canary");
    for (const std::string& canary : canaries) m.sys.WriteHostFile(canary, "canary");
    m.sys.WriteHostFile("C:\\Wendmark\\Game\\game.exe", "the game");
    std::filesystem::create_directory_symlink(m.sys.HostPath("C:\\users\\me\\Documents"),
                                              m.sys.HostPath("C:\\Wendmark\\Game\\linked"));
    const std::string record =
        "[move_file]\r\nfile0=C:\\users\\me\\Desktop\\Mail.lnk\r\n"
        "[inst_path]\r\npath=C:\\Wendmark\\Game\r\n";
    PackFile writer(m.sys);
    ASSERT_TRUE(writer.Open("C:\\windows\\KVX.ini", 5, 0));
    ASSERT_TRUE(
        writer.PutEntry("KVX.ini", record.data(), static_cast<std::uint32_t>(record.size())));
    ASSERT_TRUE(writer.PutEntry(kJournalEntryName, c.journal.data(),
                                static_cast<std::uint32_t>(c.journal.size())));
    ASSERT_TRUE(writer.Save("C:\\Wdtemp", 1));
    writer.Close();
    m.WriteDisc(1, "setup.ini",
                "[setup]\nname=KVX.ini\n[STRING_TAB]\nstring3=KVX Setup\n"
                "[disc00]\nlabel=DISC1\n[WORK_GROUP]\nexefile=game.exe\n");
    m.Uninstall();
    for (const std::string& canary : canaries) {
      const bool goneWithFolder = !c.gone.empty() && c.gone[0] == "C:\\Wendmark\\Game" &&
                                  canary.rfind("C:\\Wendmark\\Game\\", 0) == 0;
      if (!goneWithFolder) {
        EXPECT_EQ(m.sys.ReadHostFile(canary), "canary") << canary;
      }
    }
    for (const std::string& path : c.gone) EXPECT_FALSE(m.Exists(path)) << path;
    if (c.damaged) {
      EXPECT_EQ(m.sys.ReadHostFile("C:\\Wendmark\\Game\\mine.txt"), "canary");
      EXPECT_EQ(m.sys.ReadHostFile("C:\\Wendmark\\Game\\game.exe"), "the game");
      EXPECT_NE(m.LastMessage().find("nothing in C:\\Wendmark\\Game was removed"),
                std::string::npos)
          << m.LastMessage();
    }
    EXPECT_EQ(m.LastMessage().find("cannot be used") != std::string::npos, c.damaged)
        << m.LastMessage();
  }
}

TEST(InstallJournal, AnUnfinishedInstallsJournalIsTrustedOnlyInAFolderTheGuardAllows) {
  Machine m;
  m.sys.WriteHostFile("C:\\windows\\KVX.ini.jnl",
                      "disclaunch install journal 1\r\nfolder\tC:\\users\\me\r\n"
                      "file\tDocuments\\thesis.doc\t10\tnew\r\nmade\tDocuments\r\nmade\t.\r\n"
                      "shortcut\tC:\\users\\me\\Desktop\\notes.txt\tnew\r\n"
                      "conversion\tC:\\windows\\win.ini\tnew\r\n");
  m.sys.WriteHostFile("C:\\windows\\win.ini", "the system's");
  m.sys.ScriptAnswer(kAnswerYes);
  m.Start("", nullptr);
  EXPECT_EQ(m.sys.ReadHostFile("C:\\users\\me\\Documents\\thesis.doc"), "the user's");
  EXPECT_EQ(m.sys.ReadHostFile("C:\\users\\me\\Desktop\\notes.txt"), "the user's");
  EXPECT_EQ(m.sys.ReadHostFile("C:\\windows\\win.ini"), "the system's");
  EXPECT_NE(
      m.LastMessage().find("C:\\users\\me (a system or user folder; nothing in it was removed)"),
      std::string::npos)
      << m.LastMessage();
  EXPECT_FALSE(m.Exists("C:\\windows\\KVX.ini.jnl"));
}

}  // namespace
}  // namespace dl
