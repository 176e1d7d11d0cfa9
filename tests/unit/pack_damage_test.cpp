// Damaged packs: counts, offsets and names out of range read as missing entries, never
// outside the pack.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pack/pack_file.h"
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

}  // namespace
}  // namespace dl
