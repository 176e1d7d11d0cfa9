#include "grpconv/progman.h"

#include <gtest/gtest.h>

#include <string>

#include "install/finish.h"
#include "util/safe_format.h"

namespace grpconv {
namespace {

TEST(Progman, ReadsTheLaunchersGameAndDemoTexts) {
  const std::string game = dl::FormatString(
      dl::kGameGroupTemplate, {"Wendmark", "Wendmark", "Play Wendmark",
                               "C:\\WENDMA~1\\GAME\\KVX.EXE", "C:\\WENDMA~1\\GAME\\KVX.EXE",
                               "C:\\Wendmark\\Game", "Uninstall Wendmark", "D:\\SETUP.EXE", "D:"});
  std::vector<ProgmanGroup> groups = ParseProgmanGroups(game);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].name, "Wendmark");
  EXPECT_EQ(groups[1].name, "Wendmark");
  ASSERT_EQ(groups[0].items.size(), 1u);
  const ProgmanItem& play = groups[0].items[0];
  EXPECT_EQ(play.title, "Play Wendmark");
  EXPECT_EQ(play.program, "C:\\WENDMA~1\\GAME\\KVX.EXE");
  EXPECT_EQ(play.arguments, "");
  EXPECT_EQ(play.icon, "C:\\WENDMA~1\\GAME\\KVX.EXE");
  EXPECT_EQ(play.iconIndex, 0);
  EXPECT_EQ(play.workingFolder, "C:\\Wendmark\\Game");
  ASSERT_EQ(groups[1].items.size(), 1u);
  const ProgmanItem& uninstall = groups[1].items[0];
  EXPECT_EQ(uninstall.title, "Uninstall Wendmark");
  EXPECT_EQ(uninstall.program, "D:\\SETUP.EXE");
  EXPECT_EQ(uninstall.icon, "");
  EXPECT_EQ(uninstall.workingFolder, "D:");

  const std::string demo = dl::FormatString(
      dl::kDemoGroupTemplate,
      {"Wendmark", "Wendmark Demo", "C:\\WENDMA~1\\GAME\\DEMO.EXE", "-attract -x", "C:\\W"});
  groups = ParseProgmanGroups(demo);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].items.size(), 1u);
  EXPECT_EQ(groups[0].items[0].program, "C:\\WENDMA~1\\GAME\\DEMO.EXE");
  EXPECT_EQ(groups[0].items[0].arguments, "-attract -x");
  EXPECT_EQ(groups[0].items[0].workingFolder, "C:\\W");
}

TEST(Progman, CommandsWithBlanksInTheirProgram) {
  std::string program, arguments;
  SplitCommand("C:\\Program Files\\My Game\\run.exe /fast now", &program, &arguments);
  EXPECT_EQ(program, "C:\\Program Files\\My Game\\run.exe");
  EXPECT_EQ(arguments, "/fast now");
  SplitCommand("C:\\tools\\a.executor.EXE", &program, &arguments);
  EXPECT_EQ(program, "C:\\tools\\a.executor.EXE");
  SplitCommand("notepad readme.txt", &program, &arguments);
  EXPECT_EQ(program, "notepad");
  EXPECT_EQ(arguments, "readme.txt");
  SplitCommand("", &program, &arguments);
  EXPECT_EQ(program, "");
}

TEST(Progman, DamagedOrForeignTextIsSkippedNotTrusted) {
  const char* text =
      "; a comment\n[other]\ngroupx=Not a group\n[progman.groups]\n"
      "groupA=Games\ngroupB=\nnot a key line\ngroupC=Empty Group\n"
      "[groupa]\n\"Ok\",\"a.exe\"\n\"\",\"b.exe\"\n\"No command\"\n\"Unclosed,\"c.exe\n"
      ",,,\n\"Spaces\" , \"d.exe arg\" , \"\" , 7 , , \"W\" , extra\n";
  std::vector<ProgmanGroup> groups = ParseProgmanGroups(text);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].name, "Games");
  EXPECT_EQ(groups[1].name, "Empty Group");
  EXPECT_TRUE(groups[1].items.empty());
  std::vector<std::string> titles;
  for (const auto& item : groups[0].items) titles.push_back(item.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Ok", "Spaces"}));  // the damaged line is left out
  const ProgmanItem& spaced = groups[0].items.back();
  EXPECT_EQ(spaced.program, "d.exe");
  EXPECT_EQ(spaced.arguments, "arg");
  EXPECT_EQ(spaced.iconIndex, 7);
  EXPECT_EQ(spaced.workingFolder, "W");
  EXPECT_TRUE(ParseProgmanGroups("").empty());
  EXPECT_TRUE(ParseProgmanGroups(std::string(1000, '"')).empty());
}

}  // namespace
}  // namespace grpconv
