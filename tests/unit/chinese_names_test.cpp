// Chinese names, as a system of locale 2052 (code page 936) has them: a character is one
// byte or two, and the second may be "\" (0x5C), "|" (0x7C), "[" (0x5B) or a letter. Every
// routine that splits, cuts, compares or cleans a path or a name reads a character at a
// time; a whole install of a Chinese disc goes where its record says, and goes again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/path_guard.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_machine.h"

namespace dl {
namespace {

// GBK bytes.
const std::string kEast = "\x96\x7C";           // 東: its second byte is "|"
const std::string kRun = "\xDF\x5C";            // 運: its second byte is "\"
const std::string kSincere = "\xD5\x5C";        // 誠
const std::string kSquare = "\xB7\xBD";         // 方
const std::string kGo = "\xD0\xD0";             // 行
const std::string kPlay = "\xDF\x5B\x91\xF2";   // 遊戲: its first second byte is "["
const std::string kStart = "\xE9\x5F\xCA\xBC";  // 開始
const std::string kLower = "\x81\x61";          // a character whose second byte is "a"

TEST(ChineseNames, PathRoutinesReadACharacterAtATime) {
  testing::FakeSystem gbk;
  gbk.doubleByte = true;
  const std::string folder = "C:\\" + kEast + kSquare + "\\" + kRun + kGo;
  struct Case {
    std::string what;
    bool byteWise, asCharacters;
  };
  const std::vector<Case> plainFolders = {
      {folder, false, true},
      {"C:\\" + kRun, true, true},  // accepted byte-wise too, but as the folder "C:\\\xDF"
      {"C:\\" + kRun + "\\..", false, false},  // a real ".." still climbs
      {"C:\\a|b", false, false},               // a real "|" is still refused
  };
  for (const Case& c : plainFolders) {
    EXPECT_EQ(IsPlainFolder(c.what), c.byteWise) << c.what;
    EXPECT_EQ(IsPlainFolder(c.what, &gbk), c.asCharacters) << c.what;
  }
  const std::vector<Case> entries = {
      {"game\\" + kEast + ".dat", false, true},
      {kRun + "\\" + kSincere + ".dat", false, true},
      {kRun, false, true},
      {kRun + "\\..\\x", false, false},
      {"a\\\\b", false, false},
  };
  for (const Case& c : entries) {
    EXPECT_EQ(IsContainedRelativePath(c.what, false), c.byteWise) << c.what;
    EXPECT_EQ(IsContainedRelativePath(c.what, false, &gbk), c.asCharacters) << c.what;
  }
  // One spelling: ASCII folded, the second bytes of characters left as they are.
  EXPECT_EQ(CanonicalPath("c:\\" + kLower + "\\" + kRun + "\\x", &gbk),
            "C:\\" + kLower + "\\" + kRun + "\\X");
  EXPECT_EQ(CanonicalPath("c:\\" + kLower, nullptr), "C:\\\x81\x41");  // byte-wise: another name
  EXPECT_TRUE(LiesInside(folder + "\\" + kRun + "\\x.dat", folder, &gbk));
  EXPECT_FALSE(LiesInside("C:\\" + kEast + kSquare + "x\\y", "C:\\" + kEast + kSquare, &gbk));
  // A path is cut before a character that would not fit whole.
  EXPECT_EQ(CutToPath(std::string(258, 'a') + kRun, &gbk), std::string(258, 'a'));
  EXPECT_EQ(CutToPath(std::string(257, 'a') + kRun, &gbk).size(), 259u);
  // A comment line whose character has "[" for its second byte opens no section.
  IniFile script;
  script.LoadText("[WORK_GROUP]\n; " + kPlay + "\ngroupname=" + kEast + "\n", &gbk);
  EXPECT_STREQ(script.GetString("[WORK_GROUP]", "groupname", nullptr), kEast.c_str());
}

TEST(ChineseNames, AChineseDiscInstallsPlaysAndUninstallsWhereItsRecordSays) {
  const std::string script =
      "[setup]\nname=KVX.ini\ninst_size=1000\n"
      "[STRING_TAB]\nstring3=" +
      kEast + kSquare +
      "\n"
      "[DEFPATH]\npath2=" +
      kEast + kSquare + "\npath1=" + kRun + kGo +
      "\n"
      "[disc00]\nlabel=DISC1\nfile0=" +
      kEast + ".dat\nfile1=" + kRun + "\\" + kSincere +
      ".dat\n"
      "[WORK_GROUP]\n; " +
      kPlay + " " + kStart + "\nexefile=" + kRun + "\\" + kSincere +
      ".dat\n"
      "groupname=" +
      kEast + kSquare + " Vol.2\nlinkname=" + kPlay + ": " + kStart +
      "\n"
      "linkname1=" +
      kRun + "\n";
  testing::FakeMachine m("");
  m.sys.doubleByte = true;
  m.sys.locale = 2052;  // the launcher reads setup1.ini
  m.WriteDisc(1, "setup1.ini", script);
  m.WriteDisc(1, kEast + ".dat", "east");
  m.WriteDisc(1, kRun + "\\" + kSincere + ".dat", "sincere");
  ASSERT_EQ(m.Install(""), 0);
  std::string log;
  for (const std::string& line : m.log.lines) log += line + "\n";
  ASSERT_EQ(m.state.mode, LaunchMode::kInstalled) << log;

  const std::string folder = "C:\\" + kEast + kSquare + "\\" + kRun + kGo;
  EXPECT_EQ(m.sys.ReadHostFile(folder + "\\" + kEast + ".dat"), "east");
  EXPECT_EQ(m.sys.ReadHostFile(folder + "\\" + kRun + "\\" + kSincere + ".dat"), "sincere");
  const std::string group =
      std::string(testing::FakeMachine::kPrograms) + "\\" + kEast + kSquare + " Vol.2";
  const std::string link = kPlay + "_ " + kStart + ".lnk";
  EXPECT_TRUE(m.sys.FileExists(group + "\\" + link));
  EXPECT_TRUE(m.sys.FileExists(std::string(testing::FakeMachine::kDesktop) + "\\" + link));
  std::string record;
  ASSERT_TRUE(m.PackEntry("KVX.ini", &record));
  EXPECT_NE(record.find("path=" + folder + "\r\n"), std::string::npos) << record;
  EXPECT_NE(record.find("file0=" + group + "\\" + link + "\r\n"), std::string::npos) << record;

  m.Start("", [](SetupDialog& d, testing::FakeView&) { d.OnCommand(kPlayButton); });
  ASSERT_FALSE(m.sys.started.empty());
  EXPECT_EQ(m.sys.started.back().commandLine,
            "\"" + folder + "\\" + kRun + "\\" + kSincere + ".dat\"");
  EXPECT_EQ(m.sys.CurrentDir(), folder);

  m.Uninstall();
  std::uint32_t attributes = 0;
  EXPECT_FALSE(m.sys.GetAttributes("C:\\" + kEast + kSquare, &attributes));
  EXPECT_FALSE(m.sys.GetAttributes(group, &attributes));
  EXPECT_FALSE(m.sys.FileExists(std::string(testing::FakeMachine::kDesktop) + "\\" + link));
  EXPECT_FALSE(m.sys.FileExists("C:\\windows\\KVX.ini.pak"));
  for (const auto& message : m.sys.messages())
    EXPECT_NE(message.caption, "Uninstall") << message.text;
}

}  // namespace
}  // namespace dl
