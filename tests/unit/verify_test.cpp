// /VERIFY: every file the install made, against the size, write time and checksum its
// journal noted once the install had made them all. Missing and damaged files are faults
// (exit code 5); a file written again later (by the game, by the player) is reported, not
// a fault; a journal of an earlier version has no checksums to compare.
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
using testing::FakeView;

constexpr const char* kScript =
    "[setup]\nname=KVX.ini\ninst_size=1000\n"
    "[STRING_TAB]\nstring3=KVX Setup\nstring9=Insert disc %d: %s\nstring11=Insert disc\n"
    "[DEFPATH]\npath1=Game\npath2=Games\n"
    "[disc00]\nlabel=DISC1\nfile0=game\\kvx.exe\nfile1=game\\data\\*.dat\nfile2=settings.ini\n"
    "[disc01]\nlabel=DISC2\nfile0=game\\movie.bin\n"
    "[renname]\nfile0=settings.ini,game\\kvx.ini\n"
    "[WORK_GROUP]\nexefile=game\\kvx.exe\ngroupname=KVX\nlinkname=KVX\n";

// The movie: larger than a read at once, so that its checksum is taken over pieces.
std::string Movie() {
  std::string movie;
  for (std::size_t i = 0; i < 2 * kReadPieceBytes + 777; ++i)
    movie.push_back(static_cast<char>(i * 31 + i / 1000));
  return movie;
}

struct Machine : FakeMachine {
  Machine() : FakeMachine(kScript) {
    WriteDisc(1, "game\\kvx.exe", "the game");
    WriteDisc(1, "game\\data\\one.dat", "level one");
    WriteDisc(1, "game\\data\\two.dat", "level two");
    WriteDisc(1, "settings.ini", "[video]\n");
    WriteDisc(2, "game\\movie.bin", Movie());
    sys.AddDrive('E', DriveType::kCdRom);
    sys.InsertDisc('E', discs[1], "DISC2");
  }
  int Run(const std::string& switches) {
    return Start(
        switches, [](SetupDialog& d, FakeView&) { d.RunSilent(); }, "C:\\");
  }
  std::string Game(const std::string& rel) const { return "C:\\Games\\Game\\" + rel; }
  // Writes a file of the install anew; keepTime puts its write time back (rot, or a tool
  // that keeps times).
  void Rewrite(const std::string& rel, const std::string& text, bool keepTime) {
    const std::filesystem::path host = sys.HostPath(Game(rel));
    const auto time = std::filesystem::last_write_time(host);
    sys.WriteHostFile(Game(rel), text);
    std::filesystem::last_write_time(host, keepTime ? time : time + std::chrono::seconds(5));
  }
};

TEST(Verify, FindsTheMissingTheDamagedAndTheChangedAndNothingElse) {
  Machine m;
  ASSERT_EQ(m.Run("/S"), 0);
  // The file renamed after its copy is verified under its new name.
  ASSERT_EQ(m.sys.ReadHostFile(m.Game("game\\kvx.ini")), "[video]\n");
  EXPECT_EQ(m.Run("/S /VERIFY"), 0);
  EXPECT_TRUE(m.log.Has("verify C:\\Games\\Game: 5 sound, 0 missing, 0 damaged, 0 changed"));

  // No disc is needed: from the launcher's copy beside the record, with both drives empty.
  m.sys.EjectDisc('D');
  m.sys.EjectDisc('E');
  m.sys.SetModulePath("C:\\windows\\KVX.uninstall\\setup.exe");
  m.sys.RemoveFile(m.Game("game\\data\\one.dat"));
  m.Rewrite("game\\data\\two.dat", "level TWO", true);   // same size, same time
  std::string movie = Movie();
  movie[10] ^= 1;  // one bit of the first piece read, same size, same time
  m.Rewrite("game\\movie.bin", movie, true);
  m.Rewrite("game\\kvx.ini", "[video]\nwidth=800\n", false);
  m.Rewrite("game\\kvx.exe", "the game", false);  // touched only: the same bytes
  m.log.lines.clear();
  EXPECT_EQ(m.Run("/S /VERIFY"), 5);
  EXPECT_TRUE(m.log.Has("verify game\\data\\one.dat: MISSING"));
  EXPECT_TRUE(m.log.Has("verify game\\data\\two.dat: DAMAGED"));
  EXPECT_TRUE(m.log.Has("verify game\\movie.bin: DAMAGED"));
  EXPECT_TRUE(m.log.Has("verify game\\kvx.ini: changed since the install"));
  EXPECT_TRUE(m.log.Has("verify C:\\Games\\Game: 1 sound, 1 missing, 2 damaged, 1 changed"));
  EXPECT_TRUE(m.sys.messages().empty());

  // Asked without /S, it says so in one message, and changes nothing.
  EXPECT_EQ(m.Run("/VERIFY"), 5);
  ASSERT_EQ(m.sys.messages().size(), 1u);
  const std::string text = m.sys.messages()[0].text;
  EXPECT_NE(text.find("1 missing:\n  game\\data\\one.dat"), std::string::npos) << text;
  EXPECT_NE(text.find("2 damaged:"), std::string::npos) << text;
  EXPECT_NE(text.find("1 changed since the install"), std::string::npos) << text;
  EXPECT_EQ(m.sys.ReadHostFile(m.Game("game\\data\\two.dat")), "level TWO");
}

TEST(Verify, AnInstallOfAnEarlierVersionOrNoneIsSaidSo) {
  Machine m;
  EXPECT_EQ(m.Run("/S /VERIFY"), 3);  // nothing installed
  ASSERT_EQ(m.Run("/S"), 0);
  // The record's journal as the earlier version wrote it: no copied lines.
  std::string journal;
  ASSERT_TRUE(m.PackEntry(kJournalEntryName, &journal));
  std::string old;
  for (std::size_t at = 0; at < journal.size();) {
    const std::size_t end = journal.find('\n', at) + 1;
    const std::string line = journal.substr(at, end - at);
    if (line.rfind("copied\t", 0) != 0) old += line;
    at = end;
  }
  old.replace(0, old.find('\r'), kJournalHeaderSecond);
  std::string record;
  ASSERT_TRUE(m.PackEntry("KVX.ini", &record));
  m.sys.RemoveFile("C:\\windows\\KVX.ini.pak");
  PackFile writer(m.sys);
  ASSERT_TRUE(writer.Open("C:\\windows\\KVX.ini", 5, 0));
  ASSERT_TRUE(writer.PutEntry("KVX.ini", record.data(), static_cast<std::uint32_t>(record.size())));
  ASSERT_TRUE(
      writer.PutEntry(kJournalEntryName, old.data(), static_cast<std::uint32_t>(old.size())));
  ASSERT_TRUE(writer.Save("C:\\Wdtemp", 1));
  m.sys.RemoveFile(m.Game("game\\data\\two.dat"));  // nothing to tell it by
  EXPECT_EQ(m.Run("/VERIFY"), 0);
  ASSERT_EQ(m.sys.messages().size(), 1u);
  EXPECT_NE(m.sys.messages()[0].text.find("without its files' checksums"), std::string::npos);
  // It still uninstalls whole.
  EXPECT_EQ(m.Run("/U /S"), 0);
  EXPECT_FALSE(m.sys.FileExists(m.Game("game\\data\\one.dat")));
}

}  // namespace
}  // namespace dl
