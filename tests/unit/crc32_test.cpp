#include "util/crc32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace dl {
namespace {

// The checksum bit by bit, as its definition reads.
std::uint32_t PlainCrc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

TEST(Crc32, MatchesTheCheckValueAndThePlainDefinitionInAnyPieces) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);  // the polynomial's published check value
  EXPECT_EQ(Crc32("", 0), 0u);
  std::string bytes;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>(seed >> 24));
  }
  // Every length around the eight-byte steps, whole and cut in two at every offset.
  for (std::size_t n = 0; n < 40; ++n) {
    const std::string part = bytes.substr(0, n);
    const std::uint32_t expected = PlainCrc32(part);
    EXPECT_EQ(Crc32(part.data(), part.size()), expected) << n;
    for (std::size_t cut = 0; cut <= n; ++cut)
      EXPECT_EQ(Crc32(part.data() + cut, n - cut, Crc32(part.data(), cut)), expected)
          << n << "/" << cut;
  }
  EXPECT_EQ(Crc32(bytes.data(), bytes.size()), PlainCrc32(bytes));
}

}  // namespace
}  // namespace dl
