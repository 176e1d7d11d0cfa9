// /REPAIR: the files a verify finds missing or damaged copied back from the discs that hold
// them (a file changed since the install only with /REPAIR=ALL), each disc asked for only
// when it holds one of them; a repair that does not finish puts the folder back as it was.
// An update notes what it copied in the record's journal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "install/repair.h"
#include "support/fake_machine.h"

namespace dl {
namespace {

using testing::FakeMachine;
using testing::FakeView;

// Two discs; two.dat is on both (the install keeps disc 2's), kvx.ini is settings.ini
// renamed.
constexpr const char* kScript =
    "[setup]\nname=KVX.ini\ninst_size=1000\n"
    "[STRING_TAB]\nstring3=KVX Setup\nstring9=Insert disc %d: %s\nstring11=Insert disc\n"
    "[DEFPATH]\npath1=Game\npath2=Games\n"
    "[disc00]\nlabel=DISC1\nfile0=game\\kvx.exe\nfile1=game\\data\\*.dat\nfile2=settings.ini\n"
    "[disc01]\nlabel=DISC2\nfile0=game\\movie.bin\nfile1=game\\data\\two.dat\n"
    "[renname]\nfile0=settings.ini,game\\kvx.ini\n"
    "[WORK_GROUP]\nexefile=game\\kvx.exe\ngroupname=KVX\nlinkname=KVX\n";

constexpr const char* kUninstaller = "C:\\windows\\KVX.uninstall\\setup.exe";

struct Machine : FakeMachine {
  Machine() : FakeMachine(kScript) {
    WriteDisc(1, "game\\kvx.exe", "the game");
    WriteDisc(1, "game\\data\\one.dat", "level one");
    WriteDisc(1, "game\\data\\two.dat", "level two");
    WriteDisc(1, "settings.ini", "[video]\n");
    WriteDisc(2, "game\\movie.bin", "the movie");
    WriteDisc(2, "game\\data\\two.dat", "level two, mended");
    sys.AddDrive('E', DriveType::kCdRom);
    sys.InsertDisc('E', discs[1], "DISC2");
    EXPECT_EQ(Run("/S"), 0);
    // From now on the launcher is the copy beside the record, as Change in the list of
    // installed programs starts it.
    sys.SetModulePath(kUninstaller);
  }
  int Run(const std::string& switches) {
    return Start(
        switches, [](SetupDialog& d, FakeView&) { d.RunSilent(); }, "C:\\");
  }
  std::string Game(const std::string& rel) const { return "C:\\Games\\Game\\" + rel; }
  std::string Read(const std::string& rel) { return sys.ReadHostFile(Game(rel)); }
  void Rewrite(const std::string& rel, const std::string& text, bool keepTime) {
    const std::filesystem::path host = sys.HostPath(Game(rel));
    const auto time = std::filesystem::last_write_time(host);
    sys.WriteHostFile(Game(rel), text);
    std::filesystem::last_write_time(host, keepTime ? time : time + std::chrono::seconds(5));
  }
  // A missing file of each disc, a damaged one of each (the renamed one among them) and a
  // file the player changed.
  void Break() {
    sys.RemoveFile(Game("game\\data\\one.dat"));
    sys.RemoveFile(Game("game\\movie.bin"));
    Rewrite("game\\data\\two.dat", "level two, ROTTEN", true);
    Rewrite("game\\kvx.ini", "[video]\r", true);
    Rewrite("game\\kvx.exe", "the game, patched by the player", false);
  }
  std::vector<std::string> Asides() {
    std::vector<std::string> found;
    for (const auto& f : std::filesystem::recursive_directory_iterator(sys.HostPath(Game(""))))
      if (f.path().extension() == kRepairAsideSuffix) found.push_back(f.path().string());
    return found;
  }
};

TEST(Repair, CopiesBackTheMissingAndTheDamagedFromTheDiscThatHeldThemAndKeepsTheChanged) {
  Machine m;
  m.Break();
  m.log.lines.clear();
  EXPECT_EQ(m.Run("/S /REPAIR"), 0);
  EXPECT_EQ(m.Read("game\\data\\one.dat"), "level one");
  EXPECT_EQ(m.Read("game\\movie.bin"), "the movie");
  EXPECT_EQ(m.Read("game\\data\\two.dat"), "level two, mended");  // disc 2's, as installed
  EXPECT_EQ(m.Read("game\\kvx.ini"), "[video]\n");                // settings.ini, renamed
  EXPECT_EQ(m.Read("game\\kvx.exe"), "the game, patched by the player");
  EXPECT_TRUE(m.log.Has("repair D:\\settings.ini -> C:\\Games\\Game\\game\\kvx.ini: done"));
  EXPECT_TRUE(m.log.Has("repair E:\\game\\data\\two.dat -> C:\\Games\\Game\\game\\data\\two.dat"));
  EXPECT_TRUE(m.sys.messages().empty());  // both discs were in drives: nothing was asked
  EXPECT_TRUE(m.Asides().empty());
  EXPECT_EQ(m.Run("/S /VERIFY"), 0);
  EXPECT_TRUE(m.log.Has("1 changed"));

  // =ALL takes the player's change back too; a disc that holds nothing wanted is not asked
  // for (disc 2 is out).
  m.sys.EjectDisc('E');
  m.log.lines.clear();
  EXPECT_EQ(m.Run("/REPAIR=ALL"), 0);
  EXPECT_EQ(m.Read("game\\kvx.exe"), "the game");
  ASSERT_EQ(m.sys.messages().size(), 1u);  // the report alone
  EXPECT_FALSE(m.sys.messages()[0].cancelable);
  EXPECT_NE(m.sys.messages()[0].text.find("1 files were copied back"), std::string::npos);
  m.log.lines.clear();
  EXPECT_EQ(m.Run("/S /VERIFY"), 0);
  EXPECT_TRUE(m.log.Has("5 sound, 0 missing, 0 damaged, 0 changed"));
}

TEST(Repair, ThatDoesNotFinishPutsTheFolderBackAsItWas) {
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "disc 2's prompt cancelled" : "disc 2's copy failing");
    Machine m;
    m.Break();
    if (cancel) {
      m.sys.EjectDisc('E');
      m.sys.ScriptAnswer(kAnswerCancel);
    } else {
      m.onCopy = [](int, const testing::FakeSystem::ShellCall& call) {
        return call.from.rfind("E:", 0) == 0 ? 1 : -1;
      };
    }
    EXPECT_EQ(m.Run(cancel ? "/REPAIR" : "/S /REPAIR"), cancel ? 4 : 1);
    // Disc 1's files had been copied back: the damaged are damaged again, the missing gone.
    EXPECT_FALSE(m.sys.FileExists(m.Game("game\\data\\one.dat")));
    EXPECT_FALSE(m.sys.FileExists(m.Game("game\\movie.bin")));
    EXPECT_EQ(m.Read("game\\kvx.ini"), "[video]\r");
    EXPECT_EQ(m.Read("game\\data\\two.dat"), "level two, ROTTEN");
    EXPECT_TRUE(m.Asides().empty());
    m.log.lines.clear();
    EXPECT_EQ(m.Run("/S /VERIFY"), 5);
    EXPECT_TRUE(m.log.Has("0 sound, 2 missing, 2 damaged, 1 changed"));
  }
}

TEST(Repair, PutsBackWhatAKilledRepairHadSetAsideAndReportsWhatNoDiscHolds) {
  Machine m;
  // Killed after it had set kvx.ini aside and copied part of it back.
  m.sys.WriteHostFile(m.Game("game\\kvx.ini") + kRepairAsideSuffix, "[video]\n");
  m.sys.WriteHostFile(m.Game("game\\kvx.ini"), "[vid");
  // A file of the install that no disc lists any longer (the script beside the launcher
  // was changed): it cannot come back.
  m.sys.WriteHostFile("C:\\windows\\KVX.uninstall\\setup.ini",
                      std::string(kScript).replace(std::string(kScript).find("file0=game\\movie"),
                                                   21, "file0=game\\other.bin"));
  m.sys.RemoveFile(m.Game("game\\movie.bin"));
  m.log.lines.clear();
  EXPECT_EQ(m.Run("/S /REPAIR"), 5);
  EXPECT_TRUE(m.log.Has("put back as it was before an interrupted repair"));
  EXPECT_EQ(m.Read("game\\kvx.ini"), "[video]\n");
  EXPECT_TRUE(m.log.Has("repair game\\movie.bin: NOT REPAIRED: no disc lists it"));
  EXPECT_TRUE(m.Asides().empty());
}

TEST(Repair, AnUpdateNotesTheFilesItCopiedSoThatTheyVerifyAndUninstall) {
  Machine m;
  m.sys.SetModulePath("D:\\setup.exe");
  // The update disc: a new movie and a file the install did not have.
  std::string update = kScript;
  update.replace(update.find("[disc01]"), 0, "[execmode]\nup=1\n");
  update.replace(update.find("file1=game\\data\\two.dat"), 0, "file2=game\\extra.pak\n");
  m.WriteDisc(1, "setup.ini", update);
  m.WriteDisc(2, "game\\movie.bin", "the movie, longer cut");
  m.WriteDisc(2, "game\\extra.pak", "more");
  EXPECT_EQ(m.Run("/S"), 0);
  std::string journal;
  ASSERT_TRUE(m.PackEntry(kJournalEntryName, &journal));
  const Journal parsed = ParseJournal(journal);
  EXPECT_TRUE(parsed.whole()) << journal;
  int movieStamps = 0;
  for (const JournalEntry& e : parsed.entries)
    if (e.kind == JournalEntry::kCopied && e.path == "game\\movie.bin") ++movieStamps;
  EXPECT_EQ(movieStamps, 1) << journal;  // replaced, not added
  EXPECT_NE(journal.find("file\tgame\\extra.pak\t4\tnew\r\n"), std::string::npos) << journal;
  m.log.lines.clear();
  EXPECT_EQ(m.Run("/S /VERIFY"), 0);
  // settings.ini is there again too: an update copies, and renames nothing.
  EXPECT_TRUE(m.log.Has("7 sound, 0 missing, 0 damaged, 0 changed"));
  m.sys.SetModulePath(kUninstaller);
  EXPECT_EQ(m.Run("/U /S"), 0);
  EXPECT_FALSE(m.sys.FileExists(m.Game("game\\extra.pak")));
  EXPECT_FALSE(m.sys.FileExists(m.Game("settings.ini")));
}

}  // namespace
}  // namespace dl
