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

TEST(Crc32, LongRunsAgreeWithThePlainDefinitionAtEveryLengthAndAlignment) {
  // Long enough for the folding path of processors that have it: lengths on both sides of
  // its 64- and 16-byte steps, from every offset in a 16-byte block, whole and in pieces.
  std::string bytes;
  std::uint32_t seed = 777;
  for (int i = 0; i < 600; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>(seed >> 24));
  }
  for (std::size_t offset = 0; offset < 16; ++offset)
    for (std::size_t n = 40; n + offset <= bytes.size(); n += (n < 200 ? 1 : 37)) {
      const std::string part = bytes.substr(offset, n);
      const std::uint32_t expected = PlainCrc32(part);
      ASSERT_EQ(Crc32(bytes.data() + offset, n), expected) << offset << "+" << n;
      const std::size_t cut = n / 3;
      ASSERT_EQ(Crc32(bytes.data() + offset + cut, n - cut, Crc32(bytes.data() + offset, cut)),
                expected)
          << offset << "+" << n << "/" << cut;
    }
  // Runs of zero and of one bits, where a wrong fold constant shows at once.
  for (const char fill : {'\0', '\xFF'}) {
    const std::string run(4096 + 48, fill);
    EXPECT_EQ(Crc32(run.data(), run.size()), PlainCrc32(run));
  }
}

}  // namespace
}  // namespace dl
