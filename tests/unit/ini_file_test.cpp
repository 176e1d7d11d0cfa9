#include "script/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_system.h"

namespace dl {
namespace {

IniFile& Parse(IniFile& doc, const std::string& text) {
  doc.LoadBuffer(text.data(), static_cast<std::int32_t>(text.size()));
  return doc;
}

std::string Str(const char* s) {
  return s == nullptr ? "<null>" : s;
}

TEST(IniParse, LinesAreTakenLiterally) {
  IniFile doc;
  Parse(doc,
        "orphan=dropped\r\n"
        "[setup]\r\n"
        "k=v=w\r\n"
        " spaced = yes \r\n"
        "[a]=1\r\n"
        "=empty key\r\n"
        "no equals or bracket\r\n"
        "   [indented]\r\n"
        "x=1\r\n"
        "[commented] ; note\r\n");
  EXPECT_EQ(doc.loaded, 1);
  ASSERT_EQ(doc.sections().size(), 3u);
  EXPECT_EQ(doc.sections()[0].name(), "[setup]");
  EXPECT_EQ(Str(doc.GetString("[setup]", "k", nullptr)), "v=w");
  EXPECT_EQ(Str(doc.GetString("[setup]", " spaced ", nullptr)), " yes ");
  EXPECT_EQ(doc.GetString("[setup]", "spaced", nullptr), nullptr);
  EXPECT_EQ(Str(doc.GetString("[setup]", "[a]", nullptr)), "1");  // entry test first
  EXPECT_EQ(Str(doc.GetString("[setup]", "", nullptr)), "empty key");
  EXPECT_EQ(Str(doc.GetString("[indented]", "x", nullptr)), "1");
  EXPECT_EQ(doc.FindSection("[commented]"), nullptr);
  EXPECT_NE(doc.FindSection("[commented] ; note"), nullptr);
  EXPECT_EQ(doc.GetString("[setup]", "orphan", nullptr), nullptr);
  EXPECT_EQ(doc.GetString("[Setup]", "k", nullptr), nullptr);  // case-sensitive
}

TEST(IniParse, DuplicatesAreKeptAndRepeatedHeadersContinue) {
  IniFile doc;
  Parse(doc, "[a]\r\nk=1\r\n[b]\r\ny=2\r\n[a]\r\nk=3\r\n");
  ASSERT_EQ(doc.sections().size(), 2u);
  EXPECT_EQ(doc.FindSection("[a]")->entryCount(), 2);
  EXPECT_EQ(Str(doc.GetString("[a]", "k", nullptr)), "1");
  doc.SetString("[a]", "k", "first");
  EXPECT_EQ(doc.SerializeToString(), "[a]\r\nk=first\r\nk=3\r\n[b]\r\ny=2\r\n");
}

TEST(IniParse, LineBreaksOfEveryKindAndNulBytes) {
  IniFile doc;
  // Lone LF and lone CR each end one line, without losing the next line's first byte.
  static const char kText[] = "[s]\nalpha=1\rbeta=2\r\ngamma=3\n\nhid=den\0rest\r\nlast=4";
  Parse(doc, std::string(kText, sizeof kText - 1));
  EXPECT_EQ(Str(doc.GetString("[s]", "alpha", nullptr)), "1");
  EXPECT_EQ(Str(doc.GetString("[s]", "beta", nullptr)), "2");
  EXPECT_EQ(Str(doc.GetString("[s]", "gamma", nullptr)), "3");
  EXPECT_EQ(Str(doc.GetString("[s]", "hid", nullptr)), "den");
  EXPECT_EQ(Str(doc.GetString("[s]", "last", nullptr)), "4");
  EXPECT_EQ(doc.FindSection("[s]")->entryCount(), 5);
}

TEST(IniParse, LongLinesStayWhole) {
  std::string folder = "C:\\" + std::string(256, 'x');  // a 259-character install folder
  IniFile doc;
  doc.SetString("[inst_path]", "path", folder.c_str());
  std::string bytes = doc.SerializeToString();
  IniFile back;
  Parse(back, bytes);
  EXPECT_EQ(Str(back.GetString("[inst_path]", "path", nullptr)), folder);
  EXPECT_EQ(back.FindSection("[inst_path]")->entryCount(), 1);

  std::string longer(5000, 'v');
  doc.SetString("[big]", "k", longer.c_str());
  Parse(back, doc.SerializeToString());
  EXPECT_EQ(Str(back.GetString("[big]", "k", nullptr)), longer);
}

TEST(IniParse, NullAndEmptyBuffers) {
  IniFile doc;
  Parse(doc, "[a]\r\nk=v\r\n");
  doc.LoadBuffer(nullptr, 10);
  EXPECT_EQ(doc.loaded, 0);
  EXPECT_TRUE(doc.sections().empty());
  doc.LoadBuffer("", 0);
  EXPECT_EQ(doc.loaded, 1);
  doc.LoadBuffer("[a]\r\nk=v", -5);  // a negative length is read as empty
  EXPECT_EQ(doc.loaded, 1);
  EXPECT_TRUE(doc.sections().empty());
}

TEST(IniLookup, GetStringRecordsDefaultsOnlyInExistingSections) {
  IniFile doc;
  Parse(doc, "[DEFPATH]\r\npath1=Games\r\n");
  EXPECT_STREQ(doc.GetString("[DEFPATH]", "path2", "Wendmark"), "Wendmark");
  // The first read fixed the value: a later default does not apply.
  EXPECT_STREQ(doc.GetString("[DEFPATH]", "path2", "Game"), "Wendmark");
  EXPECT_STREQ(doc.GetString("[missing]", "path2", "Game"), "Game");
  EXPECT_EQ(doc.FindSection("[missing]"), nullptr);
  EXPECT_EQ(doc.GetString("[DEFPATH]", "absent", nullptr), nullptr);
  EXPECT_EQ(doc.GetInt("[DEFPATH]", "number", 7), 7);
  EXPECT_EQ(doc.FindSection("[DEFPATH]")->FindEntry("number"), nullptr);
  EXPECT_EQ(doc.SerializeToString(), "[DEFPATH]\r\npath1=Games\r\npath2=Wendmark\r\n");
}

TEST(IniLookup, GetIntReadsLikeTheScriptDoes) {
  IniFile doc;
  Parse(doc,
        "[n]\r\na=12abc\r\nb=letters\r\nc= -5\r\nd=+7\r\ne=4294967297\r\nf=-2147483648\r\n"
        "g=\r\nh=\t 99\r\n");
  EXPECT_EQ(doc.GetInt("[n]", "a", 1), 12);
  EXPECT_EQ(doc.GetInt("[n]", "b", 1), 0);
  EXPECT_EQ(doc.GetInt("[n]", "c", 1), -5);
  EXPECT_EQ(doc.GetInt("[n]", "d", 1), 7);
  EXPECT_EQ(doc.GetInt("[n]", "e", 1), 1);  // wraps around
  EXPECT_EQ(doc.GetInt("[n]", "f", 1), INT32_MIN);
  EXPECT_EQ(doc.GetInt("[n]", "g", 1), 0);
  EXPECT_EQ(doc.GetInt("[n]", "h", 1), 99);
  EXPECT_EQ(doc.GetInt("[n]", "missing", 42), 42);
  EXPECT_EQ(doc.GetInt("[none]", "a", 42), 42);
  EXPECT_EQ(ParseScriptInt("99999999999999999999"), 1661992959);  // modulo 2^32
}

TEST(IniWrite, SetStringReplacesInPlaceAndSerializeMeasures) {
  IniFile doc;
  doc.SetString("[a]", "x", "1");
  doc.AddSection("[b]");
  EXPECT_EQ(doc.Serialize(nullptr), 15);
  char buffer[15];
  EXPECT_EQ(doc.Serialize(buffer), 15);
  EXPECT_EQ(std::string(buffer, 15), "[a]\r\nx=1\r\n[b]\r\n");

  doc.SetString("[a]", "y", "2");
  doc.SetString("[a]", "x", "changed");
  doc.SetString("[c]", "z", "3");
  EXPECT_EQ(doc.SerializeToString(), "[a]\r\nx=changed\r\ny=2\r\n[b]\r\n[c]\r\nz=3\r\n");
  EXPECT_EQ(doc.AddSection("[a]"), doc.FindSection("[a]"));
}

TEST(IniWrite, SerializedDocumentsReloadIdentically) {
  IniFile doc;
  doc.SetString("[move_file]", "file0", "C:\\Start Menu\\Programs\\Wendmark\\Wendmark.lnk");
  doc.SetString("[move_file]", "file1", "");
  doc.SetString("[inst_path]", "path", "C:\\Wendmark\\Game");
  doc.SetString("[x]", "[k]", "v=w[");
  std::string text = doc.SerializeToString();
  IniFile back;
  back.LoadBuffer(text.data(), static_cast<std::int32_t>(text.size()));
  EXPECT_EQ(back.SerializeToString(), text);
}

TEST(IniLoadFile, TextModeIsTheSameOnEveryHost) {
  testing::FakeSystem sys;
  sys.WriteHostFile("C:\\s.ini", std::string("[s]\r\ncr=a\rb\r\nlf=2\nlast=3\x1a"
                                             "after=eof\r\n"));
  IniFile doc;
  doc.LoadFile(sys, "C:\\s.ini");
  EXPECT_EQ(doc.loaded, 1);
  EXPECT_EQ(Str(doc.GetString("[s]", "cr", nullptr)), "a\rb");  // a lone CR stays
  EXPECT_EQ(Str(doc.GetString("[s]", "lf", nullptr)), "2");
  EXPECT_EQ(Str(doc.GetString("[s]", "last", nullptr)), "3");
  EXPECT_EQ(doc.GetString("[s]", "after", nullptr), nullptr);  // Ctrl-Z ends the input

  std::string longValue(600, 'q');
  sys.WriteHostFile("C:\\long.ini", "[s]\r\nk=" + longValue + "\r\nnext=1");
  doc.LoadFile(sys, "C:\\long.ini");
  EXPECT_EQ(Str(doc.GetString("[s]", "k", nullptr)), longValue);
  EXPECT_EQ(doc.FindSection("[s]")->entryCount(), 2);
}

TEST(IniLoadFile, MissingEmptyAndRelativeFiles) {
  testing::FakeSystem sys;
  IniFile doc;
  doc.LoadBuffer("[a]\r\n", 5);
  doc.LoadFile(sys, "C:\\missing.ini");
  EXPECT_EQ(doc.loaded, 0);
  EXPECT_TRUE(doc.sections().empty());
  sys.WriteHostFile("C:\\empty.ini", "");
  doc.LoadFile(sys, "C:\\empty.ini");
  EXPECT_EQ(doc.loaded, 1);
  EXPECT_TRUE(doc.sections().empty());

  sys.AddDrive('E', DriveType::kCdRom, "DISC");
  sys.WriteHostFile("E:\\setup.ini", "[setup]\r\nname=R.ini\r\n");
  ASSERT_TRUE(sys.ChangeDir("E:\\"));
  doc.LoadFile(sys, "setup.ini");
  EXPECT_EQ(Str(doc.GetString("[setup]", "name", nullptr)), "R.ini");
}

}  // namespace
}  // namespace dl
