// disctool check: each broken disc set of the table is named by its finding; the sample
// discs pass clean.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "disctool/disc_check.h"
#include "platform/posix/posix_file_system.h"

namespace disctool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScript =
    "[setup]\nname=T.ini\ninst_size=100000\npic2=back.bmp,1,2,30,40\n"
    "[STRING_TAB]\nstring9=Insert disc %d: %s\nstring12=Test Disc 1\nstring13=Test Disc 2\n"
    "[DEFPATH]\npath2=Test\npath1=Game\n"
    "[disc00]\nlabel=TEST_1\nfiles=2\nfile0=game\\a.txt\nfile1=game\\data\\*.dat\n"
    "[disc01]\nlabel=TEST_2\nfile0=game\\b.txt\n"
    "[DEMO_GROUP]\ndemo=1\npath=demo\nexefile=demo.exe\n"
    "[WORK_GROUP]\nexefile=game\\a.txt\ngroupname=Test Game\nlinkname=Test Game\n"
    "[renname]\nfile0=game\\b.txt,game\\c.txt\n";
constexpr const char* kAutoRun = "[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The number of the last line of text that holds anchor; 0 when none does.
int LastLineHolding(const std::string& text, const std::string& anchor) {
  int line = 1, found = 0;
  for (std::size_t start = 0; start <= text.size(); ++line) {
    const std::size_t end = text.find('\n', start);
    if (text.substr(start, end - start).find(anchor) != std::string::npos) found = line;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return found;
}

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
  // A sound two-disc set whose setup1.ini says what setup.ini says, with one text of one of
  // its files (setup.ini, setup1.ini, autorun.inf) replaced; its findings.
  std::vector<Finding> Check(const std::string& file, const std::string& from,
                             const std::string& to) {
    fs::remove_all(root_);
    texts_ = {{"setup.ini", kScript}, {"setup1.ini", kScript}, {"autorun.inf", kAutoRun}};
    if (from == "(the whole file)")
      texts_.erase(file);
    else
      texts_[file] = Replaced(texts_[file], from, to);
    for (const auto& [name, text] : texts_) Write(root_ / "disc1" / name, text);
    Write(root_ / "disc1/setup.exe", "MZ the launcher");
    Write(root_ / "disc1/back.bmp", "BM a picture");
    Write(root_ / "disc1/demo/demo.exe", "MZ the demo");
    Write(root_ / "disc1/game/A.TXT", "aaaa");  // names are found without regard to case
    Write(root_ / "disc1/game/data/x.dat", "xx");
    Write(root_ / "disc1/game/data/\xE4\xB8\x9C.dat", "east");  // 东 as the host names it
    Write(root_ / "disc2/game/b.txt", "bbb");
    dl::PosixFileSystem files;
    return CheckDiscSet(files, {(root_ / "disc1").string(), (root_ / "disc2").string()});
  }
  static std::string All(const std::vector<Finding>& findings) {
    std::string all;
    for (const Finding& f : findings) all += FormatFinding(f) + "\n";
    return all;
  }
  fs::path root_;
  std::map<std::string, std::string> texts_;
};

TEST_F(DiscCheckTest, EachBrokenDiscSetIsNamedWhereItBreaks) {
  EXPECT_EQ(All(Check("setup.ini", "", "")), "");
  // setup1.ini names a Chinese file in GBK (东 is B6 AB): found as the host names it.
  EXPECT_EQ(All(Check("setup1.ini", "files=2\nfile0=game\\a.txt\nfile1=game\\data\\*.dat\n",
                      "files=3\nfile0=game\\a.txt\nfile1=game\\data\\*.dat\n"
                      "file2=game\\data\\\xB6\xAB.dat\n")),
            "");
  struct Case {
    std::string file, from, to;
    std::string at;        // the finding's line is the last that holds this text
    std::string reported;  // the file it names, when not the file changed
    bool error;
    std::string text;
  };
  const std::vector<Case> cases = {
      // setup.ini
      {"setup.ini", "name=T.ini", "name=..\\temp\\T.ini", "name=..", "", true,
       "the record name \"..\\temp\\T.ini\" cannot be used: it names a folder or a drive"},
      {"setup.ini", "name=T.ini", "name=CON.ini", "name=CON", "", true,
       "the record name \"CON.ini\" cannot be used: it is a device's name"},
      {"setup.ini", "inst_size=100000", "inst_sise=100000", "inst_sise", "", true,
       "unknown key inst_sise in [setup]; did you mean inst_size?"},
      {"setup.ini", "[disc01]", "[disc1]", "[disc1]", "", true,
       "unknown section [disc1]; did you mean [disc00]?"},
      {"setup.ini", "[disc01]\nlabel=TEST_2\nfile0=game\\b.txt\n", "", "[disc00]", "", true,
       "1 disc sections for 2 disc folders"},
      {"setup.ini", "file0=game\\a.txt", "file0=game\\missing.txt", "missing", "", true,
       "\"game\\missing.txt\" is not on disc 1"},
      {"setup.ini", "*.dat", "*.xyz", "*.xyz", "", true,
       "\"game\\data\\*.xyz\" matches no file on disc 1"},
      {"setup.ini", "file1=game\\data\\*.dat", "file1=game\\data\\*.dat\nfile3=game\\a.txt",
       "file3", "", false, "file3 comes after a gap at file2: the launcher never reads it"},
      {"setup.ini", "file1=game\\data\\*.dat", "file1=game\\data\\*.dat\nfile99999999999=x",
       "file999", "", false, "file99999999999 comes after a gap at file2"},
      {"setup.ini", "file0=game\\a.txt", "file0=..\\game\\a.txt", "..", "", true,
       "\"..\\game\\a.txt\" is empty, absolute or leaves its folder"},
      {"setup.ini", "label=TEST_1", "label=test 1", "test 1", "", true,
       "label \"test 1\" cannot be a CD's volume label (A-Z, 0-9 and _, 32 at most)"},
      {"setup.ini", "label=TEST_1", "label=A_VERY_LONG_VOLUME_LABEL", "LONG", "", false,
       "label \"A_VERY_LONG_VOLUME_LABEL\" is longer than a Joliet volume label (16)"},
      {"setup.ini", "label=TEST_2", "label=TEST_1", "label=TEST_1", "", true,
       "label \"TEST_1\" is the label of [disc00] too"},
      {"setup.ini", "game\\b.txt,game\\c.txt", "game\\z.txt,game\\c.txt", "z.txt", "", true,
       "renames \"game\\z.txt\", which no file list copies"},
      {"setup.ini", "game\\b.txt,game\\c.txt", "game\\b.txt,..\\c.txt", "..", "", true,
       "leaves the install folder (\"..\", a drive or an absolute path): the launcher skips "
       "this rename"},
      {"setup.ini", "exefile=game\\a.txt", "exefile=game\\kvx.exe", "kvx.exe", "", true,
       "the game program \"game\\kvx.exe\" is not among the copied files"},
      {"setup.ini", "[WORK_GROUP]\nexefile=game\\a.txt\n", "[WORK_GROUP]\n", "[WORK_GROUP]", "",
       true,
       "the game program \"kvx.exe\" is not among the copied files (the default: [WORK_GROUP] "
       "has no exefile)"},
      {"setup.ini", "inst_size=100000", "inst_size=8", "inst_size", "", true,
       "inst_size 8 is less than the 13 bytes the file lists copy"},
      {"setup.ini", "path1=Game", "path1=" + std::string(250, 'g'), "*.dat", "", true,
       "this file's path has 276 characters, over 259"},
      {"setup.ini", "path2=Test", "path2=LongFolderName", "path2", "", false,
       "path2 \"LongFolderName\" is cut to its first 8 characters in the install folder"},
      {"setup.ini", "string9=Insert disc %d: %s", "string9=%s needs disc %d", "string9", "", true,
       "string9 has conversions \"sd\" the launcher does not fill (it gives a number and a "
       "text)"},
      {"setup.ini", "exefile=demo.exe", "exefile=nodemo.exe", "nodemo", "", true,
       "the demo \"demo\\nodemo.exe\" is not on disc 1"},
      {"setup.ini", "path=demo\n", "", "demo=1", "", true,
       "the Demo button starts nothing: [DEMO_GROUP] needs path and exefile"},
      {"setup.ini", "pic2=back.bmp", "pic2=gone.bmp", "pic2", "", true,
       "the picture \"gone.bmp\" is not on disc 1"},
      {"setup.ini", "pic2=back.bmp", "pic2=setup.exe", "pic2", "", true,
       "the picture \"setup.exe\" is not a BMP file"},
      {"setup.ini", "back.bmp,1,2,30,40", "back.bmp,1,2,3O,40", "pic2", "", true,
       "pic2 \"back.bmp,1,2,3O,40\" is no picture spec"},
      {"setup.ini", "path1=Game", "path1=Game\npath1=Other", "Other", "", false,
       "path1 is given again in [DEFPATH] (first at line 11): the launcher reads the first"},
      {"setup.ini", "[renname]", "[DEFPATH]\n[renname]", "[DEFPATH]", "", false,
       "[DEFPATH] opens again (first at line 9)"},
      {"setup.ini", "string13=Test Disc 2\n", "", "[disc01]", "", false,
       "disc 2 has no name for the prompts: [STRING_TAB] string13 is missing"},
      {"setup.ini", "groupname=Test Game", "groupname=Test: Game", "groupname", "", false,
       "groupname \"Test: Game\" becomes the folder \"Test_ Game\""},
      {"setup.ini", "linkname=Test Game", "linkname=Test Game v1.2", "linkname", "", false,
       "linkname \"Test Game v1.2\" makes the shortcut file \"Test Game v1.lnk\""},
      {"setup.ini", "files=2", "files=5", "files=5", "", false,
       "files=5, but [disc00] lists 2 entries"},
      {"setup.ini", "[WORK_GROUP]\n", "[WORK_GROUP]\nuninstall=uninst.exe\n", "uninst", "", true,
       "the uninstall item's program \"uninst.exe\" is not on disc 1"},
      // setup1.ini, read on Chinese systems
      {"setup1.ini", "label=TEST_1", "label=KVX_WRONG1", "WRONG", "", true,
       "setup1.ini names disc 1 \"KVX_WRONG1\", setup.ini \"TEST_1\": one of them asks for a "
       "disc that does not exist"},
      {"setup1.ini", "file1=game\\data\\*.dat\n", "", "[disc00]", "", true,
       "disc 1 copies other files in the two scripts: GAME\\DATA\\X.DAT (setup.ini)"},
      {"setup1.ini", "name=T.ini", "name=U.ini", "U.ini", "", true,
       "the record is \"U.ini\" here, \"T.ini\" in setup.ini"},
      {"setup1.ini", "exefile=game\\a.txt", "exefile=game\\c.txt", "exefile=game", "", true,
       "the game program differs from setup.ini's"},
      {"setup1.ini", "path2=Test", "path2=Other", "path2", "", false,
       "the install folder is proposed otherwise than in setup.ini"},
      {"setup1.ini", "[disc01]", "; \x80\x80\n[disc01]", "\x80", "", true,
       "setup1.ini is not valid GBK text from this line on"},
      {"setup1.ini", "[DEMO_GROUP]\ndemo=1\npath=demo\nexefile=demo.exe\n", "", "[DEMO_GROUP]",
       "setup.ini", false, "setup1.ini has no [DEMO_GROUP]: a Chinese system reads its defaults"},
      {"setup1.ini", "label=TEST_1", "labl=TEST_1", "labl", "", true,
       "unknown key labl in [disc00]; did you mean label?"},
      // autorun.inf
      {"autorun.inf", "(the whole file)", "", "", "", false,
       "disc 1 has no autorun.inf: inserting it offers nothing"},
      {"autorun.inf", "open=setup.exe", "open=other.exe", "open", "", true,
       "\"other.exe\" is not on disc 1"},
      {"autorun.inf", "open=setup.exe", "open=demo\\demo.exe -x", "open", "", true,
       "open=demo\\demo.exe -x starts another program than the launcher setup.exe"},
      {"autorun.inf", "icon=setup.exe,0", "icon=missing.ico", "icon", "", true,
       "icon=missing.ico: \"missing.ico\" is not on disc 1"},
      {"autorun.inf", "icon=setup.exe,0", "icon=setup.exe\r\nshellexecute=demo\\demo.exe",
       "shellexecute", "", true, "starts another program than the launcher"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + ": " + c.to);
    const std::vector<Finding> findings = Check(c.file, c.from, c.to);
    const std::string reported = c.reported.empty() ? c.file : c.reported;
    // A missing file is named by its folder, with no line.
    const std::string path = c.from == "(the whole file)" ? (root_ / "disc1").string()
                                                          : (root_ / "disc1" / reported).string();
    const int line = c.at.empty() ? 0 : LastLineHolding(texts_[reported], c.at);
    EXPECT_TRUE(c.at.empty() || line > 0) << c.at;
    bool named = false;
    for (const Finding& f : findings)
      named = named || (f.text.find(c.text) != std::string::npos && f.error == c.error &&
                        f.file == path && f.line == line);
    EXPECT_TRUE(named) << "expected " << path << ":" << line << ": " << c.text << "\n"
                       << All(findings);
  }
}

TEST_F(DiscCheckTest, TheSampleDiscsPassClean) {
  // The sample as the build assembles it: the game program is a stand-in built there.
  fs::copy(DL_SAMPLE_DISCS, root_, fs::copy_options::recursive);
  // As the build assembles it: the game program, the launcher and the demo are stand-ins.
  Write(root_ / "disc1/game/kvx.exe", "stand-in");
  Write(root_ / "disc1/setup.exe", "stand-in");
  Write(root_ / "disc1/demo/demo.exe", "stand-in");
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
