#include "pack/lzss.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/reference_lzss.h"

namespace dl {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

Bytes Encode(const Bytes& in) {
  return LzssEncodeToMemory(in.data(), in.size());
}
Bytes Encode(const std::string& s) {
  return Encode(Bytes(s.begin(), s.end()));
}

// The plain ring-buffer decoder, step by step as the format describes it: the oracle for
// the fast decoder.
Bytes ReferenceDecode(const Bytes& entry) {
  std::uint32_t stored = entry[10] | entry[11] << 8 | entry[12] << 16 | entry[13] << 24;
  Bytes out;
  std::uint8_t ring[4096] = {};
  unsigned w = 0;
  auto put = [&](std::uint8_t b) {
    out.push_back(b);
    ring[w] = b;
    w = (w + 1) & 4095;
  };
  if (stored <= 15) return out;
  std::size_t p = 14;
  while (p < stored) {
    unsigned flags = entry[p++];
    for (int i = 0; i < 8 && p < stored; ++i, flags >>= 1) {
      if (flags & 1) {
        put(entry[p++]);
        continue;
      }
      unsigned b0 = entry[p], b1 = entry[p + 1];
      if ((b1 & 15) != 15) {
        unsigned pos = ((b0 + 256 * (b1 >> 4)) + 16) & 4095;
        for (unsigned k = 0; k < (b1 & 15) + 3u; ++k) put(ring[(pos + k) & 4095]);
        p += 2;
      } else if (b0 == 255 && b1 == 255) {
        unsigned n = entry[p + 3] + 256u * entry[p + 4] + 4114;
        for (unsigned k = 0; k < n; ++k) put(entry[p + 2]);
        p += 5;
      } else {
        unsigned n = b0 + 256 * (b1 >> 4) + 18;
        for (unsigned k = 0; k < n; ++k) put(entry[p + 2]);
        p += 3;
      }
    }
  }
  return out;
}

Bytes Decode(const Bytes& entry, LzssStatus* status = nullptr) {
  std::uint32_t size = 0;
  EXPECT_TRUE(LzssDecodedSize(entry.data(), entry.size(), &size));
  Bytes out(size);
  LzssStatus s = LzssDecode(out.data(), out.size(), entry.data(), entry.size());
  if (status != nullptr) *status = s;
  return out;
}

TEST(LzssEncode, ProducesTheFormatsReferenceVectors) {
  EXPECT_EQ(Encode(std::string()), FromHex("45 6E 43 6F 64 65 00 00 00 00 0E 00 00 00"));
  EXPECT_EQ(Encode("abc"), FromHex("45 6E 43 6F 64 65 03 00 00 00 12 00 00 00 07 61 62 63"));
  EXPECT_EQ(Encode("abcabcabc"),
            FromHex("45 6E 43 6F 64 65 09 00 00 00 14 00 00 00 07 61 62 63 F0 F3"));
  EXPECT_EQ(Encode(std::string(40, 'a')),
            FromHex("45 6E 43 6F 64 65 28 00 00 00 13 00 00 00 01 61 15 0F 61"));
  EXPECT_EQ(Encode(std::string(4200, 'a')),
            FromHex("45 6E 43 6F 64 65 68 10 00 00 15 00 00 00 01 61 FF FF 61 55 00"));
}

// Deterministic corpora of different characters.
Bytes Corpus(int kind, std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out;
  static const char* words[] = {"the ", "game ", "install ", "disc ",  "folder ", "setup ",
                                "KVX ", "\r\n",  "file0=",   "data\\", "[disc01]"};
  while (out.size() < size) {
    switch (kind) {
      case 0:  // random bytes
        out.push_back(static_cast<std::uint8_t>(rng()));
        break;
      case 1: {  // words
        const char* w = words[rng() % 11];
        out.insert(out.end(), w, w + std::strlen(w));
        break;
      }
      case 2: {  // runs of every length around the code limits
        std::size_t n = rng() % 5 == 0 ? 4100 + rng() % 30 : rng() % 40;
        out.insert(out.end(), n, static_cast<std::uint8_t>(rng() % 3));
        break;
      }
      default:  // a small alphabet: many matches, deep trees
        out.push_back(static_cast<std::uint8_t>("ab\x80\xff"[rng() % 4]));
        break;
    }
  }
  out.resize(size);
  return out;
}

TEST(LzssRoundTrip, EveryKindOfInputComesBackAndMatchesThePlainDecoder) {
  for (int kind = 0; kind < 4; ++kind) {
    for (std::size_t size : {1u, 2u, 16u, 17u, 18u, 4095u, 4096u, 4097u, 20000u, 150000u}) {
      Bytes in = Corpus(kind, size, static_cast<unsigned>(kind * 1000 + size));
      Bytes entry = Encode(in);
      LzssStatus status;
      Bytes out = Decode(entry, &status);
      ASSERT_EQ(status, LzssStatus::kOk) << kind << "/" << size;
      ASSERT_EQ(out, in) << kind << "/" << size;
      ASSERT_EQ(ReferenceDecode(entry), in) << kind << "/" << size;
    }
  }
}

// Streams no encoder would write (copies at every distance, from before the first byte,
// runs between copies, groups cut short at the end) decode as the plain decoder reads them.
TEST(LzssDecode, ArbitraryValidStreamsDecodeAsThePlainDecoderDoes) {
  std::mt19937 rng(2024);
  for (int trial = 0; trial < 300; ++trial) {
    Bytes entry = Encode(std::string("x"));  // a valid header to start from
    entry.resize(14);
    const int groups = 1 + static_cast<int>(rng() % 200);
    for (int g = 0; g < groups; ++g) {
      const std::size_t flagsAt = entry.size();
      entry.push_back(0);
      const int items = g + 1 == groups ? 1 + static_cast<int>(rng() % 8) : 8;
      for (int item = 0; item < items; ++item) {
        const unsigned pick = rng() % 16;
        if (pick < 6) {  // literal
          entry[flagsAt] = static_cast<std::uint8_t>(entry[flagsAt] | (1u << item));
          entry.push_back(static_cast<std::uint8_t>(rng()));
        } else if (pick < 14) {  // copy: often a short distance back
          const unsigned back = pick < 10 ? 1 + rng() % 20 : 1 + rng() % 4096;
          const unsigned length = 3 + rng() % 15;
          const unsigned at = (static_cast<unsigned>(trial) * 7 + back * 13) & 0xFFF;
          entry.push_back(static_cast<std::uint8_t>(at & 0xFF));
          entry.push_back(static_cast<std::uint8_t>(((at >> 8) << 4) | (length - 3)));
        } else if (pick < 15) {  // short run
          const unsigned n = rng() % 300;
          entry.push_back(static_cast<std::uint8_t>(n & 0xFF));
          entry.push_back(static_cast<std::uint8_t>(((n >> 8) << 4) | 0x0F));
          entry.push_back(static_cast<std::uint8_t>(rng()));
        } else {  // long run
          entry.insert(entry.end(), {0xFF, 0xFF, static_cast<std::uint8_t>(rng()),
                                     static_cast<std::uint8_t>(rng() % 3), 0});
        }
      }
    }
    const std::uint32_t stored = static_cast<std::uint32_t>(entry.size());
    for (int b = 0; b < 4; ++b) entry[10 + b] = static_cast<std::uint8_t>(stored >> (8 * b));
    Bytes expected = ReferenceDecode(entry);
    const std::uint32_t decoded = static_cast<std::uint32_t>(expected.size());
    for (int b = 0; b < 4; ++b) entry[6 + b] = static_cast<std::uint8_t>(decoded >> (8 * b));
    LzssStatus status;
    Bytes out = Decode(entry, &status);
    ASSERT_EQ(status, LzssStatus::kOk) << "trial " << trial;
    ASSERT_EQ(out, expected) << "trial " << trial;
  }
}

TEST(LzssEncode, WritesExactlyWhatThePlainEncoderWrites) {
  auto reference = std::make_unique<testing::ReferenceLzssEncoder>();
  LzssEncoder encoder;  // one encoder for every entry: nothing may carry over
  std::mt19937 rng(4113);
  const std::size_t sizes[] = {0,    1,    3,    17,   18,   35,   100,  4095,
                               4096, 4097, 4112, 4113, 4114, 8192, 8210, 30000};
  for (int kind = 0; kind < 6; ++kind) {
    for (std::size_t size : sizes) {
      Bytes in;
      if (kind < 4) {
        in = Corpus(kind, size, rng());
      } else {
        // Bytes that sort differently as signed and unsigned, and zeros like the window's.
        const char* alphabet = kind == 4 ? "\x00\x01\x7f\x80\xff" : "\x00\x00\x00a";
        const std::size_t letters = kind == 4 ? 5 : 4;
        for (std::size_t i = 0; i < size; ++i) {
          in.push_back(static_cast<std::uint8_t>(alphabet[rng() % letters]));
        }
      }
      MemorySink sink;
      encoder.Encode(in.data(), in.size(), sink);
      ASSERT_EQ(sink.bytes, reference->Encode(in)) << "kind " << kind << " size " << size;
    }
  }
}

// The encoder's exact bytes on larger inputs, fixed when the tree was the plain one. Any
// change to the match finder that alters a single output byte breaks this.
TEST(LzssEncode, OutputStaysByteIdenticalOnLargeCorpora) {
  const std::uint64_t expected[4] = {12361061035289203784ull, 8489596813367550535ull,
                                     11427942909292666712ull, 3548649385227520875ull};
  for (int kind = 0; kind < 4; ++kind) {
    Bytes entry = Encode(Corpus(kind, 150000, 77u + static_cast<unsigned>(kind)));
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (std::uint8_t b : entry) hash = (hash ^ b) * 1099511628211ull;
    EXPECT_EQ(hash, expected[kind]) << "kind " << kind << " size " << entry.size();
  }
}

TEST(LzssRoundTrip, RunsAtEveryCodeBoundary) {
  for (std::size_t run : {18u, 19u, 4112u, 4113u, 4114u, 4115u, 8226u, 69649u, 69650u, 200000u}) {
    for (std::size_t lead : {1u, 5u}) {
      Bytes in(lead, 'x');
      in.insert(in.end(), run, 'y');
      in.push_back('z');
      Bytes entry = Encode(in);
      ASSERT_EQ(Decode(entry), in) << run << "+" << lead;
      ASSERT_EQ(ReferenceDecode(entry), in) << run << "+" << lead;
    }
  }
  // A run of exactly 4,113 repeated bytes after the first: a short run of 4,112 first.
  Bytes in(4114, 'q');
  Bytes entry = Encode(in);
  ASSERT_GE(entry.size(), 20u);
  EXPECT_EQ(entry[15], 'q');                                                      // the literal
  EXPECT_EQ(Bytes(entry.begin() + 16, entry.begin() + 19), FromHex("FE FF 71"));  // 4,112
  EXPECT_EQ(Decode(entry), in);
}

TEST(LzssRoundTrip, OneEncoderServesManyEntries) {
  LzssEncoder encoder;
  Bytes a = Corpus(3, 9000, 1), b = Corpus(1, 700, 2);
  MemorySink first, second, fresh;
  encoder.Encode(a.data(), a.size(), first);
  encoder.Encode(b.data(), b.size(), second);
  LzssEncode(fresh, b.data(), b.size());
  EXPECT_EQ(second.bytes, fresh.bytes);  // nothing carries over between entries
  EXPECT_EQ(Decode(first.bytes), a);
}

TEST(LzssEncode, CopiesReachOnlyRecentBytesAndPositionZeroIsALiteral) {
  bool sawPositionZero = false;
  for (int kind : {0, 1, 3}) {
    Bytes in = Corpus(kind, 30000, 7);
    Bytes entry = Encode(in);
    // Walk the stream: every copy refers to one of the last 4,079 bytes, and the item
    // starting at input byte 4,095 (window position 0) is a literal.
    std::size_t p = 14, o = 0;
    while (p < entry.size()) {
      unsigned flags = entry[p++];
      for (int i = 0; i < 8 && p < entry.size(); ++i, flags >>= 1) {
        bool literal = flags & 1;
        if (o % 4096 == 4095) {
          EXPECT_TRUE(literal) << o;
          sawPositionZero = true;
        }
        if (literal) {
          ++p;
          ++o;
          continue;
        }
        unsigned b0 = entry[p], b1 = entry[p + 1];
        if ((b1 & 15) != 15) {
          unsigned ring = ((b0 + 256 * (b1 >> 4)) + 16) & 4095;
          unsigned back = (static_cast<unsigned>(o) - ring) & 4095;
          EXPECT_GE(back, 1u);
          EXPECT_LE(back, 4079u);
          o += (b1 & 15) + 3;
          p += 2;
        } else if (b0 == 255 && b1 == 255) {
          o += entry[p + 3] + 256u * entry[p + 4] + 4114;
          p += 5;
        } else {
          o += b0 + 256 * (b1 >> 4) + 18;
          p += 3;
        }
      }
    }
    EXPECT_EQ(o, in.size());
  }
  EXPECT_TRUE(sawPositionZero);
}

TEST(LzssDecode, DamagedStreamsAreReportedNotTrusted) {
  Bytes in = Corpus(1, 3000, 3);
  Bytes entry = Encode(in);
  std::uint32_t size = static_cast<std::uint32_t>(in.size());

  Bytes out(size);
  // storedSize beyond the bytes given.
  Bytes cut(entry.begin(), entry.end() - 1);
  EXPECT_EQ(LzssDecode(out.data(), size, cut.data(), cut.size()), LzssStatus::kBadHeader);
  // The stream ends early (storedSize says so).
  Bytes shorter = cut;
  shorter[10] = static_cast<std::uint8_t>(shorter.size());
  shorter[11] = static_cast<std::uint8_t>(shorter.size() >> 8);
  LzssStatus s = LzssDecode(out.data(), size, shorter.data(), shorter.size());
  EXPECT_TRUE(s == LzssStatus::kTooShort || s == LzssStatus::kCutOff) << LzssStatusText(s);
  // More output than the header allows: the buffer is never overrun.
  Bytes small(size / 2 + 32, 0xEE);
  EXPECT_EQ(LzssDecode(small.data(), size / 2, entry.data(), entry.size()), LzssStatus::kTooLong);
  for (std::size_t i = size / 2; i < small.size(); ++i) ASSERT_EQ(small[i], 0xEE) << i;
  // A code cut off by the end of the stream.
  Bytes codeCut = FromHex("45 6E 43 6F 64 65 05 00 00 00 10 00 00 00 00 05");
  Bytes five(5);
  EXPECT_EQ(LzssDecode(five.data(), 5, codeCut.data(), codeCut.size()), LzssStatus::kCutOff);
  // Not an encoded entry at all.
  Bytes plain = FromHex("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E");
  EXPECT_EQ(LzssDecode(five.data(), 5, plain.data(), plain.size()), LzssStatus::kBadHeader);
  // storedSize of 14 or 15 decodes to nothing.
  Bytes fifteen = FromHex("45 6E 43 6F 64 65 00 00 00 00 0F 00 00 00 FF");
  EXPECT_EQ(LzssDecode(nullptr, 0, fifteen.data(), fifteen.size()), LzssStatus::kOk);
  fifteen[6] = 1;
  EXPECT_EQ(LzssDecode(five.data(), 1, fifteen.data(), fifteen.size()), LzssStatus::kTooShort);
}

TEST(LzssDecode, CopiesFromBeforeTheStartReadZeros) {
  // A literal "a", then a copy of 3 from ring position 4,000, before anything was written.
  Bytes entry = FromHex("45 6E 43 6F 64 65 04 00 00 00 12 00 00 00 01 61 90 F0");
  Bytes out(4);
  ASSERT_EQ(LzssDecode(out.data(), 4, entry.data(), entry.size()), LzssStatus::kOk);
  EXPECT_EQ(out, FromHex("61 00 00 00"));
}

}  // namespace
}  // namespace dl
