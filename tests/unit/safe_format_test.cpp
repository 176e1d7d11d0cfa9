#include "util/safe_format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dl {
namespace {

TEST(SafeFormat, ConversionsFlagsWidthsAndPrecisions) {
  EXPECT_EQ(FormatString("[disc%02d]", {3}), "[disc03]");
  EXPECT_EQ(FormatString("%s\\%s\\%s", {"C:\\Progs", "Group", "Game.lnk"}),
            "C:\\Progs\\Group\\Game.lnk");
  EXPECT_EQ(FormatString("%d|%i|%u|%x|%X|%c|%%", {-12, 7, 4000000000u, 255, 255, 'Q'}),
            "-12|7|4000000000|ff|FF|Q|%");
  EXPECT_EQ(FormatString("[%5s][%-5s][%.2s][%05d][%-4d][%.3d][%5.3d]",
                         {"ab", "ab", "abcdef", -42, 7, 5, 5}),
            "[   ab][ab   ][ab][-0042][7   ][005][  005]");
  EXPECT_EQ(FormatString("%u %x", {-1, -1}), "4294967295 ffffffff");
  EXPECT_EQ(FormatString("%ld %lld %hd", {1L, 2LL, 3}), "1 2 3");
  EXPECT_EQ(FormatString("plain", {}), "plain");
}

TEST(SafeFormat, HostileFormatsReadNothingTheyWereNotGiven) {
  EXPECT_EQ(FormatString("Insert disc %d: %s %s %d %n%n", {2, "Disc Two"}),
            "Insert disc 2: Disc Two   %n%n");
  EXPECT_EQ(FormatString("%s%s%s%s%s%s%s%s%s%s%s%s", {}), "");
  EXPECT_EQ(FormatString("%p %f %*d %q 100%", {1}), "%p %f %*d %q 100%");
  EXPECT_EQ(FormatString("%", {"x"}), "%");
  EXPECT_EQ(FormatString("%05", {"x"}), "%05");
  // Type mismatches never reinterpret memory.
  EXPECT_EQ(FormatString("%d|%x|%s|%c", {"text", "hex", 12, "word"}), "text|hex|12|w");
  EXPECT_EQ(FormatString(nullptr, {1}), "");
  const char* missing = nullptr;
  EXPECT_EQ(FormatString("[%s]", {missing}), "[]");
  // Enormous widths are bounded.
  EXPECT_EQ(FormatString("%999999999999d", {1}).size(), 4096u);
}

TEST(SafeFormat, OutputIsCutToTheCapacity) {
  char buffer[8];
  std::memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(SafeFormat(buffer, 5, "%s-%d", {"abcdef", 12}), 4u);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(buffer[5], 'Z');  // nothing past the capacity
  EXPECT_EQ(SafeFormat(buffer, 1, "%s", {"abc"}), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(SafeFormat(buffer, 0, "%s", {"abc"}), 0u);
  EXPECT_EQ(SafeFormat(buffer, sizeof buffer, "%d%%", {42}), 3u);
  EXPECT_STREQ(buffer, "42%");
  char big[300];
  std::string disc(400, 'n');
  EXPECT_EQ(SafeFormat(big, 260, "Please insert disc %d: %s", {1, disc}), 259u);
}

}  // namespace
}  // namespace dl
