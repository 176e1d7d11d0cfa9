#include "script/schema.h"

#include <gtest/gtest.h>

namespace dl {
namespace {

void Load(IniFile& doc, const std::string& text) {
  doc.LoadBuffer(text.data(), static_cast<std::int32_t>(text.size()));
}

TEST(Schema, NumberedFamilies) {
  EXPECT_EQ(DiscSectionName(0), "[disc00]");
  EXPECT_EQ(DiscSectionName(11), "[disc11]");
  EXPECT_EQ(DiscSectionName(100), "[disc100]");
  EXPECT_EQ(FileKeyName(0), "file0");
  EXPECT_EQ(FileKeyName(12), "file12");
  EXPECT_EQ(DiscNameKey(1), "string12");
  EXPECT_EQ(DiscNameKey(3), "string14");
}

TEST(Schema, FolderLevelWithoutADefPathSectionTakesEachSituationsDefault) {
  IniFile script;
  Load(script, "[setup]\r\n");
  EXPECT_STREQ(Read(script, script::kPath2AtOpen), "Wendmark");
  EXPECT_STREQ(Read(script, script::kPath2AfterBrowse), "Game");
  EXPECT_STREQ(Read(script, script::kPath2AtCopy), "Game1");
  EXPECT_STREQ(Read(script, script::kRecordName), "KVX.ini");
  EXPECT_EQ(Read(script, script::kInstSize), 300000000);
}

TEST(Schema, DefPathWithoutPath2KeepsTheFirstReadDefault) {
  IniFile script;
  Load(script, "[DEFPATH]\r\npath1=Wings\r\n");
  EXPECT_STREQ(Read(script, script::kPath2AtOpen), "Wendmark");
  EXPECT_STREQ(Read(script, script::kPath2AfterBrowse), "Wendmark");
  EXPECT_STREQ(Read(script, script::kPath2AtCopy), "Wendmark");
  EXPECT_STREQ(Read(script, script::kPath1), "Wings");
}

TEST(Schema, RecordedDefaultsOfTheGroupAndTheStrings) {
  IniFile withGroup;
  Load(withGroup, "[WORK_GROUP]\r\ngroupname=Wings\r\n[STRING_TAB]\r\nstring1=Remove\r\n");
  EXPECT_STREQ(Read(withGroup, script::kGameTitle), "Wendmark");
  EXPECT_STREQ(Read(withGroup, script::kGameLinkFile), "Wendmark");
  EXPECT_STREQ(Read(withGroup, script::kUninstallTitle), "Wendmark");
  EXPECT_STREQ(Read(withGroup, script::kUninstallLinkFile), "Wendmark");
  EXPECT_STREQ(Read(withGroup, script::kGameExeForGroup), "kvx.exe");
  EXPECT_STREQ(Read(withGroup, script::kGameExeForPlay), "kvx.exe");  // same run
  EXPECT_STREQ(Read(withGroup, script::kTextNoSpace), "no free space");
  EXPECT_STREQ(Read(withGroup, script::kTextNotInstalled), "no free space");
  EXPECT_STREQ(Read(withGroup, script::kTextUninstall), "Remove");
  EXPECT_EQ(Read(withGroup, script::kTextDiscPrompt), nullptr);
  EXPECT_STREQ(ReadOrEmpty(withGroup, script::kTextDiscPrompt), "");

  IniFile bare;
  Load(bare, "[setup]\r\n");
  EXPECT_STREQ(Read(bare, script::kGameTitle), "Wendmark");
  EXPECT_STREQ(Read(bare, script::kGameLinkFile), "game.exe");
  EXPECT_STREQ(Read(bare, script::kUninstallLinkFile), "unstall.exe");
  EXPECT_EQ(Read(bare, script::kGameExeForPlay), nullptr);
  EXPECT_EQ(Read(bare, script::kDemoTitle), nullptr);
  EXPECT_STREQ(Read(bare, script::kDemoLinkFile), "demo.exe");
  EXPECT_STREQ(Read(bare, script::kTextNotInstalled), "not instll");
  EXPECT_STREQ(Read(bare, script::kStartLinkFormat), "%s\\%s\\%s");
  EXPECT_STREQ(Read(bare, script::kDesktopLinkFormat), "%s\\%s");
  EXPECT_EQ(bare.SerializeToString(), "[setup]\r\n");  // nothing recorded without sections
}

TEST(Schema, FirstDiscLabelDefaultIsRecordedForTheCopy) {
  IniFile script;
  Load(script, "[disc00]\r\nfile0=a.dat\r\n");
  EXPECT_STREQ(script.GetString(DiscSectionName(0).c_str(), script::kLabelKey,
                                script::kFirstDiscLabelDefault),
               "KVX_DISC01");
  EXPECT_STREQ(script.FindSection("[disc00]")->GetString(script::kLabelKey, nullptr), "KVX_DISC01");
  EXPECT_EQ(script.GetInt("[disc00]", script::kFilesKey, script::kFilesDefault), 10);
}

}  // namespace
}  // namespace dl
