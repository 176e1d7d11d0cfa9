// The one naming rule of group folders and shortcut files, which the launcher (where it
// waits, what it copies and records) and grpconv (what it makes) share; read in code page
// 936, where the second byte of a character may be "\" (0x5C) or "|" (0x7C).
#include "install/shortcut_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_system.h"

namespace dl {
namespace {

// GBK bytes of the Chinese names used below.
const std::string kEast = "\x96\x7C";             // a trail byte "|"
const std::string kRun = "\xDF\x5C";              // a trail byte "\"
const std::string kEastern = kEast + "\xB7\xBD";  // two characters
const std::string kGame = "\xDF\x5B\x91\xF2";     // ends in no separator
const std::string kStart = "\xE9\x5F\xCA\xBC";

TEST(ShortcutNames, GroupFoldersAndShortcutFilesAsTheConverterMakesThem) {
  testing::FakeSystem gbk;
  gbk.doubleByte = true;
  struct Case {
    std::string name;
    std::string folder;    // as a group: its folder name ("" refused)
    std::string shortcut;  // as an item's title: its shortcut file ("" refused)
  };
  const std::vector<Case> cases = {
      {"Wendmark", "Wendmark", "Wendmark.lnk"},
      {"Wendmark Vol.2", "Wendmark Vol.2", "Wendmark Vol.lnk"},  // a group is not cut at "."
      {"Wendmark: Play", "Wendmark_ Play", "Wendmark_ Play.lnk"},
      {"Game.one.exe", "Game.one.exe", "Game.lnk"},
      {"a/b\\c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i", "a_b_c_d_e_f_g_h_i.lnk"},
      {"  Padded\t ", "Padded", "Padded.lnk"},  // as the description's reader trims
      {"tab\tinside", "tab_inside", "tab_inside.lnk"},
      {"Trailing. . ", "Trailing", "Trailing.lnk"},
      {kEastern, kEastern, kEastern + ".lnk"},
      {kRun, kRun, kRun + ".lnk"},  // its 0x5C is no separator, and stays
      {kEastern + " Vol.2", kEastern + " Vol.2", kEastern + " Vol.lnk"},
      {kGame + ": " + kStart, kGame + "_ " + kStart, kGame + "_ " + kStart + ".lnk"},
      {".x", ".x", ""},  // the title up to its first "." is empty
      {"...", "", ""},
      {"   ", "", ""},
      {"", "", ""},
      {"CON", "", ""},
      {"con.txt", "", ""},  // a device's name with an extension is still the device
      {"Lpt1", "", ""},
      {"COM9 ", "", ""},
      {"COM10", "COM10", "COM10.lnk"},
      {"CONSOLE", "CONSOLE", "CONSOLE.lnk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("'" + c.name + "'");
    EXPECT_EQ(GroupFolderName(gbk, c.name), c.folder);
    EXPECT_EQ(ShortcutFileName(gbk, c.name), c.shortcut);
  }

  // Read one byte at a time, the Chinese names would lose their second bytes.
  testing::FakeSystem ansi;
  EXPECT_EQ(GroupFolderName(ansi, kEastern), "\x96_\xB7\xBD");

  // Names over the path limit are refused as paths; the rule never makes a longer one.
  const std::string programs = "C:\\users\\me\\Start Menu\\Programs";
  EXPECT_EQ(GroupFolderPath(gbk, programs, "W"), programs + "\\W");
  EXPECT_EQ(GroupFolderPath(gbk, programs, std::string(259 - programs.size() - 1, 'g')).size(),
            259u);
  EXPECT_EQ(GroupFolderPath(gbk, programs, std::string(259 - programs.size(), 'g')), "");
  EXPECT_EQ(ShortcutPath(gbk, programs + "\\W", std::string(300, 't')), "");
  EXPECT_EQ(ShortcutPath(gbk, programs + "\\W", "CON"), "");
  EXPECT_EQ(ShortcutPath(gbk, programs + "\\" + kRun, "Play.exe"),
            programs + "\\" + kRun + "\\Play.lnk");

  // What may stand in the converter's description: one line, no quote; names lose commas.
  EXPECT_EQ(DescriptionName("Play\",\"C:\\Windows\\System32\\cmd.exe /c calc"),
            "PlayC:\\Windows\\System32\\cmd.exe /c calc");
  EXPECT_EQ(DescriptionPath("C:\\Games, Old\\kvx.exe\r\n[groupx]"), "C:\\Games, Old\\kvx.exe");
}

}  // namespace
}  // namespace dl
