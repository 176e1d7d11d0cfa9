// disctool check: each broken disc set of the table is named by its finding; the sample
// discs pass clean.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disctool/disc_check.h"
#include "platform/posix/posix_file_system.h"

namespace disctool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScript =
    "[setup]\nname=T.ini\ninst_size=100000\n"
    "[STRING_TAB]\nstring9=Insert disc %d: %s\n"
    "[DEFPATH]\npath2=Test\npath1=Game\n"
    "[disc00]\nlabel=TEST_1\nfile0=game\\a.txt\nfile1=game\\data\\*.dat\n"
    "[disc01]\nlabel=TEST_2\nfile0=game\\b.txt\n"
    "[WORK_GROUP]\nexefile=game\\a.txt\n"
    "[renname]\nfile0=game\\b.txt,game\\c.txt\n";

class DiscCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("disc-check-" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  // The disc set of kScript, with one text replaced, and its findings.
  std::vector<Finding> Check(const std::string& from, const std::string& to,
                             const std::string& chinese = "") {
    std::string script = kScript;
    if (!from.empty()) {
      const std::size_t at = script.find(from);
      EXPECT_NE(at, std::string::npos) << from;
      if (at != std::string::npos) script.replace(at, from.size(), to);
    }
    fs::remove_all(root_);
    Write(root_ / "disc1/setup.ini", script);
    Write(root_ / "disc1/game/A.TXT", "aaaa");  // names are found without regard to case
    Write(root_ / "disc1/game/data/x.dat", "xx");
    Write(root_ / "disc2/game/b.txt", "bbb");
    if (!chinese.empty()) Write(root_ / "disc1/setup1.ini", chinese);
    dl::PosixFileSystem files;
    return CheckDiscSet(files, {(root_ / "disc1").string(), (root_ / "disc2").string()});
  }
  fs::path root_;
};

TEST_F(DiscCheckTest, EachBrokenDiscSetIsNamedWhereItBreaks) {
  EXPECT_TRUE(Check("", "").empty());
  struct Case {
    std::string from, to;
    int line;  // of the finding in setup.ini
    bool error;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"inst_size=100000", "inst_sise=100000", 3, true,
       "unknown key inst_sise in [setup]; did you mean inst_size?"},
      {"[disc01]", "[disc1]", 13, true, "unknown section [disc1]; did you mean [disc00]?"},
      {"[disc01]\nlabel=TEST_2\nfile0=game\\b.txt\n", "", 0, true,
       "1 disc sections for 2 disc folders"},
      {"file0=game\\a.txt", "file0=game\\missing.txt", 11, true,
       "\"game\\missing.txt\" is not on disc 1"},
      {"*.dat", "*.xyz", 12, true, "\"game\\data\\*.xyz\" matches no file on disc 1"},
      {"file1=game\\data\\*.dat", "file1=game\\data\\*.dat\nfile3=game\\a.txt", 13, false,
       "file3 comes after a gap at file2: the launcher never reads it"},
      {"file0=game\\a.txt", "file0=..\\game\\a.txt", 11, true,
       "\"..\\game\\a.txt\" is empty, absolute or leaves its folder"},
      {"label=TEST_1", "label=test 1", 10, true,
       "label \"test 1\" cannot be a CD's volume label (A-Z, 0-9 and _, 32 at most)"},
      {"label=TEST_1", "label=A_VERY_LONG_VOLUME_LABEL", 10, false,
       "label \"A_VERY_LONG_VOLUME_LABEL\" is longer than a Joliet volume label (16)"},
      {"label=TEST_2", "label=TEST_1", 14, true, "label \"TEST_1\" is the label of [disc00] too"},
      {"game\\b.txt,game\\c.txt", "game\\z.txt,game\\c.txt", 19, true,
       "renames \"game\\z.txt\", which no file list copies"},
      {"exefile=game\\a.txt", "exefile=game\\kvx.exe", 17, true,
       "the game program \"game\\kvx.exe\" is not among the copied files"},
      {"inst_size=100000", "inst_size=8", 3, true,
       "inst_size 8 is less than the 9 bytes the file lists copy"},
      {"path1=Game", "path1=" + std::string(250, 'g'), 0, true, "over 259"},
      {"path2=Test", "path2=LongFolderName", 7, false,
       "path2 \"LongFolderName\" is cut to its first 8 characters in the install folder"},
      {"string9=Insert disc %d: %s", "string9=%s needs disc %d", 5, true,
       "string9 has conversions \"sd\" the launcher does not fill (it gives a number and a text)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    const std::vector<Finding> findings = Check(c.from, c.to);
    bool named = false;
    for (const Finding& f : findings)
      named = named || (f.text.find(c.text) != std::string::npos && f.error == c.error &&
                        (c.line == 0 || f.line == c.line));
    EXPECT_TRUE(named) << [&] {
      std::string all;
      for (const Finding& f : findings) all += FormatFinding(f) + "\n";
      return all;
    }();
  }

  // The Chinese script: GBK text with the same sections.
  std::vector<Finding> chinese = Check("", "", "[setup]\n\x80\x80\n");
  ASSERT_GE(chinese.size(), 2u);
  EXPECT_EQ(chinese[0].text, "setup1.ini is not valid GBK text");
  EXPECT_TRUE(chinese[0].error);
  bool missing = false;
  for (const Finding& f : chinese)
    missing = missing || FormatFinding(f).find(
                             "setup1.ini:0: warning: setup1.ini has no "
                             "[STRING_TAB] (setup.ini has)") != std::string::npos;
  EXPECT_TRUE(missing);
}

TEST_F(DiscCheckTest, TheSampleDiscsPassClean) {
  // The sample as the build assembles it: the game program is a stand-in built there.
  fs::copy(DL_SAMPLE_DISCS, root_, fs::copy_options::recursive);
  Write(root_ / "disc1/game/kvx.exe", "stand-in");
  dl::PosixFileSystem files;
  std::string all;
  for (const Finding& f :
       CheckDiscSet(files, {(root_ / "disc1").string(), (root_ / "disc2").string()}))
    all += FormatFinding(f) + "\n";
  EXPECT_EQ(all, "");
}

TEST(NearestName, SuggestsOnlyWhatIsClose) {
  EXPECT_EQ(NearestName("inst_sise", {"name", "inst_size", "pic0"}), "inst_size");
  EXPECT_EQ(NearestName("LINKNAME", {"linkname", "linkname1"}), "linkname");
  EXPECT_EQ(NearestName("zzzz", {"name", "inst_size"}), "");
}

}  // namespace
}  // namespace disctool
