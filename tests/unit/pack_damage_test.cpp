// Damaged packs: counts, offsets and names out of range read as missing entries, never
// outside the pack.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "pack/pack_verify.h"
#include "support/fake_system.h"

namespace dl {
namespace {

class PackDamageTest : public ::testing::Test {
 protected:
  // Root: one folder "d\" holding "f"; then the record "kvx.ini" (plain).
  std::string Good() {
    std::string b(4 + 3 * 36, '\0');
    auto u32 = [&](std::string& s, std::size_t at, std::uint32_t v) {
      StoreU32(reinterpret_cast<std::uint8_t*>(s.data()) + at, v);
    };
    u32(b, 0, 3);
    std::string sub(4 + 2 * 36, '\0');
    std::uint32_t subAt = static_cast<std::uint32_t>(b.size());
    u32(sub, 0, 2);
    u32(sub, 4, subAt + 76);
    std::memcpy(sub.data() + 8, "f", 1);
    u32(sub, 40, subAt + 76 + 3);
    std::string all = b + sub + "FFF";
    std::uint32_t recAt = static_cast<std::uint32_t>(all.size());
    all += "[a]\r\n";
    u32(all, 4, subAt);
    std::memcpy(all.data() + 8, "d\\", 2);
    u32(all, 40, recAt);
    std::memcpy(all.data() + 44, "kvx.ini", 7);
    u32(all, 76, static_cast<std::uint32_t>(all.size()));
    return all;
  }
  std::string Load(const std::string& bytes, const char* name) {
    sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", bytes);
    PackFile pack(sys_);
    if (pack.Open("C:\\windows\\KVX.ini", 5, 0) != 1) return "<open failed>";
    PackSlot* slot = pack.LoadEntry(name);
    if (slot == nullptr) return "<none>";
    return std::string(reinterpret_cast<const char*>(slot->data), slot->size);
  }
  testing::FakeSystem sys_;
};

TEST_F(PackDamageTest, TheUndamagedPackReads) {
  EXPECT_EQ(Load(Good(), "kvx.ini"), "[a]\r\n");
  EXPECT_EQ(Load(Good(), "d\\f"), "FFF");
}

TEST_F(PackDamageTest, EveryTruncationReadsSafely) {
  std::string good = Good();
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::string r = Load(good.substr(0, n), "kvx.ini");
    EXPECT_TRUE(r == "<none>" || r == "[a]\r\n") << n << ": " << r;
    Load(good.substr(0, n), "d\\f");
  }
}

TEST_F(PackDamageTest, CountsOffsetsAndNamesOutOfRange) {
  std::string b = Good();
  auto with = [&](std::size_t at, std::uint32_t v) {
    std::string c = b;
    StoreU32(reinterpret_cast<std::uint8_t*>(c.data()) + at, v);
    return c;
  };
  EXPECT_EQ(Load(with(0, 0xFFFFFFFFu), "kvx.ini"), "<none>");  // a count that does not fit
  EXPECT_EQ(Load(with(0, 0), "kvx.ini"), "<none>");
  EXPECT_EQ(Load(with(76, 0xFFFFFF00u), "kvx.ini"), "<none>");  // end marker past the end
  EXPECT_EQ(Load(with(40, 10), "kvx.ini"), "<none>");           // inside the records
  EXPECT_EQ(Load(with(4, 0), "d\\f"), "<none>");                // folder pointing back to root
  std::string noTerminator = b;
  std::memset(noTerminator.data() + 44, 'k', 32);
  EXPECT_EQ(Load(noTerminator, "kvx.ini"), "<none>");
  // An encoded entry whose header claims far more than its stream holds.
  std::string enc = b.substr(0, b.size() - 5) + std::string("EnCo", 4) + std::string(1, '\0');
  EXPECT_EQ(Load(enc, "kvx.ini"), "<none>");
}

// A chain of folders "d\" nested `levels` deep with one file "f" at the bottom.
std::string NestedPack(int levels) {
  const std::uint32_t total = static_cast<std::uint32_t>(76 * (levels + 1) + 1);
  std::string b(total, '\0');
  auto* bytes = reinterpret_cast<std::uint8_t*>(b.data());
  for (int i = 0; i <= levels; ++i) {
    const std::uint32_t at = static_cast<std::uint32_t>(76 * i);
    StoreU32(bytes + at, 2);
    StoreU32(bytes + at + 4, at + 76);
    std::memcpy(b.data() + at + 8, i < levels ? "d\\" : "f", i < levels ? 2 : 1);
    StoreU32(bytes + at + 40, total);
  }
  b[total - 1] = 'F';
  return b;
}

TEST_F(PackDamageTest, APackNestedTooDeeplyIsDamageAndNeverExhaustsTheStack) {
  const std::string deep = NestedPack(50000);  // 3.8 MB: far beyond any stack's reach
  std::vector<std::string> problems;
  EXPECT_FALSE(VerifyPack(reinterpret_cast<const std::uint8_t*>(deep.data()), deep.size(),
                          &problems, nullptr));
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems.back().find("folders nested too deeply"), std::string::npos);

  sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", deep);
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  ASSERT_EQ(pack.PutEntry("KVX.ini", "[a]\r\n", 5), 1);
  EXPECT_EQ(pack.Save("C:\\Wdtemp", 1), 0);
  EXPECT_EQ(sys_.ReadHostFile("C:\\windows\\KVX.ini.pak"), deep);  // left as it was
  EXPECT_FALSE(sys_.FileExists("C:\\Wdtemp.pak"));

  // As deep as a pack may be, it is kept and rewritten.
  sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", NestedPack(kMaxPackDepth));
  PackFile ok(sys_);
  ASSERT_EQ(ok.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  ASSERT_EQ(ok.PutEntry("KVX.ini", "[a]\r\n", 5), 1);
  EXPECT_EQ(ok.Save("C:\\Wdtemp", 1), 1);
  std::string path;
  for (int i = 0; i < kMaxPackDepth; ++i) path += "d\\";
  EXPECT_EQ(Load(sys_.ReadHostFile("C:\\windows\\KVX.ini.pak"), (path + "f").c_str()), "F");
}

TEST_F(PackDamageTest, AnEmptyNameInAFolderIsLeftOutSoThePackCanStillBeSaved) {
  std::string b = Good();
  // The folder's one entry "f" loses its name: its full name is the folder's own.
  std::memset(b.data() + 4 + 3 * 36 + 8, 0, 1);
  std::vector<std::string> problems;
  VerifyPack(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), &problems, nullptr);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("entry with an empty name"), std::string::npos) << problems[0];

  sys_.WriteHostFile("C:\\windows\\KVX.ini.pak", b);
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  ASSERT_EQ(pack.PutEntry("KVX.ini", "[b]\r\n", 5), 1);
  ASSERT_EQ(pack.Save("C:\\Wdtemp", 1), 1);
  const std::string saved = sys_.ReadHostFile("C:\\windows\\KVX.ini.pak");
  EXPECT_EQ(Load(saved, "kvx.ini"), "[b]\r\n");
  problems.clear();
  EXPECT_TRUE(VerifyPack(reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size(),
                         &problems, nullptr));
}

TEST_F(PackDamageTest, ANameDeeperThanAPackMayBeIsRefusedWithoutLosingOtherEdits) {
  PackFile pack(sys_);
  ASSERT_EQ(pack.Open("C:\\windows\\KVX.ini", 5, 0), 1);
  ASSERT_EQ(pack.PutEntry("KVX.ini", "[a]\r\n", 5), 1);
  std::string deep;
  for (int i = 0; i < 70; ++i) deep += "a\\";  // 140 bytes: short enough, but 70 levels
  EXPECT_EQ(pack.PutEntry(deep.c_str(), nullptr, 0), 0);
  EXPECT_EQ(pack.PutEntry((deep + "x").c_str(), "x", 1), 0);
  ASSERT_EQ(pack.Save("C:\\Wdtemp", 1), 1);
  EXPECT_EQ(Load(sys_.ReadHostFile("C:\\windows\\KVX.ini.pak"), "kvx.ini"), "[a]\r\n");
}

}  // namespace
}  // namespace dl
