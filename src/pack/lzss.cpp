#include "pack/lzss.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#if defined(_MSC_VER)
#include <stdlib.h>
#endif

#include "pack/pack_format.h"

namespace dl {

namespace {
constexpr std::size_t kShortRunMax = 4112;
constexpr std::size_t kLongRunMin = 4114;
constexpr std::size_t kLongRunMax = 69649;
constexpr std::size_t kMaxGroup = 41;
}  // namespace

bool MemorySink::Write(const std::uint8_t* data, std::size_t size) {
  if (!started_) {
    start_ = bytes.size();
    started_ = true;
  }
  bytes.insert(bytes.end(), data, data + size);
  return true;
}

bool MemorySink::PatchStoredSize(std::uint32_t storedSize) {
  if (!started_ || bytes.size() < start_ + kEncodedHeaderSize) return false;
  StoreU32(bytes.data() + start_ + 10, storedSize);
  started_ = false;
  return true;
}

LzssEncoder::LzssEncoder() {
  std::memset(window_, 0x80, sizeof window_);  // zero bytes, flipped
  std::memset(parent_, 0, sizeof parent_);
  std::memset(child_, 0, sizeof child_);
}

void LzssEncoder::StoreWindow(int pos, std::uint8_t byte) {
  const auto flipped = static_cast<std::uint8_t>(byte ^ 0x80);
  window_[kN + kF - 1 - pos] = flipped;
  if (pos < kF) window_[kF - 1 - pos] = flipped;
}

namespace {
// Eight bytes of a string as one word, its first byte the most significant: words compare
// as the strings they hold. The window is back to front, so a little-endian load is it.
inline std::uint64_t LoadWord(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) {
#if defined(__GNUC__)
    v = __builtin_bswap64(v);
#elif defined(_MSC_VER)
    v = _byteswap_uint64(v);
#else
    v = ((v & 0x00FF00FF00FF00FFull) << 8) | ((v >> 8) & 0x00FF00FF00FF00FFull);
    v = ((v & 0x0000FFFF0000FFFFull) << 16) | ((v >> 16) & 0x0000FFFF0000FFFFull);
    v = (v << 32) | (v >> 32);
#endif
  }
  return v;
}

// All ones when the 16 bytes a0 a1 sort before b0 b1, else 0.
inline std::size_t BeforeMask(std::uint64_t a0, std::uint64_t a1, std::uint64_t b0,
                              std::uint64_t b1) {
#if defined(__SIZEOF_INT128__) && !defined(DL_LZSS_PORTABLE_COMPARE)
  // One borrow chain; the portable form below costs a chain of flag tests.
  using Pair = unsigned __int128;
  return 0 - static_cast<std::size_t>(((Pair{a0} << 64) | a1) < ((Pair{b0} << 64) | b1));
#else
  return 0 - static_cast<std::size_t>(a0 < b0 || (a0 == b0 && a1 < b1));
#endif
}

// How many of the first 16 bytes agree, given the two words' differences.
inline int CommonBytes(std::uint64_t d0, std::uint64_t d1) {
  const std::uint64_t firstSame = d0 == 0;
  const std::uint64_t d = d0 | (d1 & (0 - firstSame));
  const int zeros = std::countl_zero(d | 1) + static_cast<int>(d == 0);
  return static_cast<int>(firstSame << 3) + (zeros >> 3);
}
}  // namespace

// The walk runs once per input byte: keep it inside the encoding loop, whatever the
// compiler's size heuristics say.
#if defined(__GNUC__)
#define DL_ENCODER_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define DL_ENCODER_INLINE __forceinline
#else
#define DL_ENCODER_INLINE inline
#endif

template <bool kTrack>
DL_ENCODER_INLINE void LzssEncoder::TreeInsert(int node) {
  if (node == 0) {
    matchLength_ = 0;
    return;
  }
  const std::uint8_t* key = window_ + node;
  const std::uint64_t k0 = LoadWord(key + 9), k1 = LoadWord(key + 1);
  const unsigned k2 = key[0];
  std::size_t t = child_[kRoot][kLarger];
  int best = 0;
  std::size_t position = static_cast<std::size_t>(matchNode_);
  for (;;) {
    const std::uint16_t* here = child_[t];
    const std::uint8_t* string = window_ + t;
    const std::uint64_t v0 = LoadWord(string + 9), v1 = LoadWord(string + 1);
    std::size_t smaller;  // all ones when node's string sorts before t's
    if (((k0 ^ v0) | (k1 ^ v1)) != 0) {
      smaller = BeforeMask(k0, k1, v0, v1);
    } else {
      const unsigned v2 = string[0];
      if (k2 == v2) {
        // The same 17 bytes: the newer position takes the older one's place.
        matchNode_ = static_cast<int>(t);
        TreeSubstitute(static_cast<int>(t), node);
        matchLength_ = kF;
        return;
      }
      smaller = 0 - static_cast<std::size_t>(k2 < v2);
    }
    if constexpr (kTrack) {
      // The first node that agrees on more bytes than any before it is the match.
      const int same = CommonBytes(k0 ^ v0, k1 ^ v1);
      position = same > best ? t : position;
      best = same > best ? same : best;
    }
    // Which way the walk turns is not predictable: pick the child with a mask.
    const std::size_t a = here[kSmaller], b = here[kLarger];
    const std::size_t next = b ^ ((a ^ b) & smaller);
    if (next == 0) {
      child_[t][smaller != 0 ? kSmaller : kLarger] = static_cast<std::uint16_t>(node);
      parent_[node] = static_cast<std::uint16_t>(t);
      child_[node][kSmaller] = child_[node][kLarger] = 0;
      matchLength_ = best;
      matchNode_ = static_cast<int>(position);
      return;
    }
    t = next;
  }
}

// The links to change are chosen by index, not by branch: which side a node hangs on is
// not predictable.
void LzssEncoder::TreeSplice(int oldNode, int newNode) {
  const int parent = parent_[oldNode];
  parent_[newNode] = static_cast<std::uint16_t>(parent);
  const int side = child_[parent][kLarger] == oldNode ? kLarger : kSmaller;
  child_[parent][side] = static_cast<std::uint16_t>(newNode);
  parent_[oldNode] = 0;
}

void LzssEncoder::TreeSubstitute(int oldNode, int newNode) {
  const int parent = parent_[oldNode];
  const int side = child_[parent][kSmaller] == oldNode ? kSmaller : kLarger;
  child_[parent][side] = static_cast<std::uint16_t>(newNode);
  parent_[newNode] = parent_[oldNode];
  child_[newNode][kSmaller] = child_[oldNode][kSmaller];
  child_[newNode][kLarger] = child_[oldNode][kLarger];
  parent_[child_[newNode][kSmaller]] = static_cast<std::uint16_t>(newNode);
  parent_[child_[newNode][kLarger]] = static_cast<std::uint16_t>(newNode);
  parent_[oldNode] = 0;
}

void LzssEncoder::TreeDelete(int p) {
  if (parent_[p] == 0) return;
  const int smaller = child_[p][kSmaller];
  const int larger = child_[p][kLarger];
  if (smaller == 0 || larger == 0) {
    // At most one child (the smaller one when both are gone) takes p's place.
    TreeSplice(p, larger == 0 ? smaller : larger);
    return;
  }
  // Two children: the largest of the smaller ones leaves its place and takes p's.
  int r = smaller;
  while (child_[r][kLarger] != 0) r = child_[r][kLarger];
  if (parent_[r] != 0) TreeSplice(r, child_[r][kSmaller]);
  TreeSubstitute(p, r);
}

bool LzssEncoder::FlushOutput(LzssSink& sink) {
  bool ok = outUsed_ == 0 || sink.Write(out_, outUsed_);
  outUsed_ = 0;
  return ok;
}

std::uint32_t LzssEncoder::Encode(const std::uint8_t* input, std::size_t length, LzssSink& sink) {
  if (length > 0xFFFFFFFFu) return 0;
  outUsed_ = 0;
  std::memcpy(out_, kEncodedTag, 6);
  StoreU32(out_ + 6, static_cast<std::uint32_t>(length));
  StoreU32(out_ + 10, 0);  // storedSize, filled in at the end
  outUsed_ = kEncodedHeaderSize;
  std::uint64_t total = kEncodedHeaderSize;
  bool ok = true;

  std::memset(window_, 0x80, sizeof window_);  // zero bytes, flipped
  std::memset(parent_, 0, sizeof parent_);
  std::memset(child_, 0, sizeof child_);
  int ahead = 0;
  while (ahead < kF && static_cast<std::size_t>(ahead) < length) {
    StoreWindow(1 + ahead, input[ahead]);
    ++ahead;
  }
  std::size_t next = static_cast<std::size_t>(ahead);  // next input byte to bring in
  std::size_t k = 0;                                   // input index of the current position
  int cur = 1;
  child_[kRoot][kLarger] = static_cast<std::uint16_t>(NodeOf(1));
  parent_[NodeOf(1)] = kRoot;
  matchLength_ = 0;
  matchNode_ = 0;

  std::uint8_t group[kMaxGroup];
  group[0] = 0;
  std::size_t groupLength = 1;
  unsigned mask = 1;

  while (ahead > 0) {
    if (matchLength_ > ahead) matchLength_ = ahead;
    std::size_t cover;
    if (matchLength_ <= 2) {
      group[0] = static_cast<std::uint8_t>(group[0] | mask);
      group[groupLength++] = input[k];
      cover = 1;
    } else {
      // The run repeats the byte just before the current one.
      std::size_t run = 0;
      const std::uint8_t before = input[k - 1];
      while (k + run < length && run < kLongRunMax && input[k + run] == before) ++run;
      if (run >= 18) {
        // 4,113 has no code of its own: send 4,112 and let the rest follow.
        if (run == kShortRunMax + 1) run = kShortRunMax;
        if (run <= kShortRunMax) {
          std::size_t v = run - 18;
          group[groupLength++] = static_cast<std::uint8_t>(v & 0xFF);
          group[groupLength++] = static_cast<std::uint8_t>(((v >> 8) << 4) | 0x0F);
          group[groupLength++] = input[k];
        } else {
          std::size_t v = run - kLongRunMin;
          group[groupLength++] = 0xFF;
          group[groupLength++] = 0xFF;
          group[groupLength++] = input[k];
          group[groupLength++] = static_cast<std::uint8_t>(v & 0xFF);
          group[groupLength++] = static_cast<std::uint8_t>(v >> 8);
        }
        cover = run;
      } else {
        int pos = (PositionOf(matchNode_) - kF) & (kN - 1);
        group[groupLength++] = static_cast<std::uint8_t>(pos & 0xFF);
        group[groupLength++] = static_cast<std::uint8_t>(((pos >> 8) << 4) | (matchLength_ - 3));
        cover = static_cast<std::size_t>(matchLength_);
      }
    }
    mask <<= 1;
    if (mask == 0x100) {
      if (outUsed_ + groupLength > sizeof out_) ok = FlushOutput(sink) && ok;
      std::memcpy(out_ + outUsed_, group, groupLength);
      outUsed_ += groupLength;
      total += groupLength;
      group[0] = 0;
      groupLength = 1;
      mask = 1;
    }
    for (std::size_t i = 0; i < cover; ++i) {
      int oldest = (cur + kF) & (kN - 1);
      TreeDelete(NodeOf(oldest));
      if (next < length) {
        StoreWindow(oldest, input[next++]);
      } else {
        --ahead;
      }
      cur = (cur + 1) & (kN - 1);
      ++k;
      if (ahead > 0) {
        // Only the last position of a code needs its match: the next code starts there.
        if (i + 1 == cover) {
          TreeInsert<true>(NodeOf(cur));
        } else {
          TreeInsert<false>(NodeOf(cur));
        }
      }
    }
  }
  if (groupLength > 1) {
    if (outUsed_ + groupLength > sizeof out_) ok = FlushOutput(sink) && ok;
    std::memcpy(out_ + outUsed_, group, groupLength);
    outUsed_ += groupLength;
    total += groupLength;
  }
  ok = FlushOutput(sink) && ok;
  if (total > 0xFFFFFFFFu) return 0;
  ok = ok && sink.PatchStoredSize(static_cast<std::uint32_t>(total));
  return ok ? static_cast<std::uint32_t>(total) : 0;
}

std::uint32_t LzssEncode(LzssSink& sink, const std::uint8_t* input, std::size_t length) {
  auto encoder = std::make_unique<LzssEncoder>();
  return encoder->Encode(input, length, sink);
}

std::vector<std::uint8_t> LzssEncodeToMemory(const std::uint8_t* input, std::size_t length) {
  MemorySink sink;
  LzssEncode(sink, input, length);
  return std::move(sink.bytes);
}

const char* LzssStatusText(LzssStatus status) {
  switch (status) {
    case LzssStatus::kOk:
      return "ok";
    case LzssStatus::kBadHeader:
      return "damaged header";
    case LzssStatus::kCutOff:
      return "a code is cut off at the end of the stream";
    case LzssStatus::kTooLong:
      return "the stream decodes to more bytes than its header says";
    case LzssStatus::kTooShort:
      return "the stream decodes to fewer bytes than its header says";
  }
  return "unknown";
}

LzssStatus LzssDecodeEntry(const std::uint8_t* entry, std::size_t entryLength,
                           std::vector<std::uint8_t>* out) {
  std::uint32_t size = 0;
  if (!LzssDecodedSize(entry, entryLength, &size) ||
      std::uint64_t{size} > std::uint64_t{entryLength} * 13930u)
    return LzssStatus::kBadHeader;
  try {
    out->assign(size, 0);
  } catch (const std::bad_alloc&) {
    return LzssStatus::kBadHeader;
  }
  return LzssDecode(out->data(), out->size(), entry, entryLength);
}

bool LzssDecodedSize(const std::uint8_t* entry, std::size_t entryLength, std::uint32_t* size) {
  if (entry == nullptr || entryLength < kEncodedHeaderSize || !IsEncodedEntry(entry, entryLength))
    return false;
  *size = LoadU32(entry + 6);
  return true;
}

namespace {
// Room that lets the decoder's fast path take a whole group without checking: its eight
// items read at most 5 bytes each and a literal copy 8 more; a copy writes at most 17 bytes
// and a literal copy 8. A run is checked on its own, and the room again after it.
constexpr std::ptrdiff_t kFastInputRoom = 8 * 5 + 8;
constexpr std::size_t kFastOutputRoom = 8 * 17 + 8;
// What the fast path can promise each item: room for the longest copy.
constexpr std::size_t kFastItemRoom = 17;

// How far back a copy reaches: its ring position names a byte 1 to 4,096 places back.
inline std::size_t CopyDistance(unsigned b0, unsigned b1, std::size_t o) {
  // The ring position is the stored one plus 16; a distance of 0 means 4,096.
  const std::size_t stored = b0 | ((b1 >> 4) << 8);
  return ((o - stored - 17) & 0xFFF) + 1;
}

// Copies length (3 to 17) bytes from back places before out + o. room is at least length
// and at most what the output has from o on. Before the first output byte the ring holds
// zeros.
inline void CopyBack(std::uint8_t* out, std::size_t o, std::size_t back, std::size_t length,
                     std::size_t room) {
  std::uint8_t* dst = out + o;
  if ((back >= 8) & (back <= o) & (room >= 17)) {
    // Two 8-byte steps and the 17th byte, whatever the length: each step reads only bytes
    // that are final by then; what is written past length is overwritten by the items
    // after it.
    const std::uint8_t* src = dst - back;
    std::memcpy(dst, src, 8);
    std::memcpy(dst + 8, src + 8, 8);
    dst[16] = src[16];
  } else if (back <= o) {
    const std::uint8_t* src = dst - back;
    for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
  } else {
    for (std::size_t i = 0; i < length; ++i) dst[i] = (o + i >= back) ? out[o + i - back] : 0;
  }
}

// The size of a run code whose first two bytes are b0, b1: 5 for a long run, else 3.
inline std::ptrdiff_t RunCodeSize(unsigned b0, unsigned b1) {
  return b0 == 0xFF && b1 == 0xFF ? 5 : 3;
}

// Writes the run code of RunCodeSize bytes at *in to the output at *o and steps past both.
// False, with nothing written, when the run would pass outputSize.
inline bool PutRun(const std::uint8_t** in, std::uint8_t* out, std::size_t* o,
                   std::size_t outputSize) {
  const std::uint8_t* code = *in;
  const unsigned b0 = code[0], b1 = code[1];
  const std::size_t count = RunCodeSize(b0, b1) == 5
                                ? (code[3] | (static_cast<std::size_t>(code[4]) << 8)) + kLongRunMin
                                : (b0 | ((b1 >> 4) << 8)) + 18;
  if (count > outputSize - *o) return false;
  std::memset(out + *o, code[2], count);
  *o += count;
  *in = code + RunCodeSize(b0, b1);
  return true;
}
}  // namespace

LzssStatus LzssDecode(std::uint8_t* output, std::size_t outputSize, const std::uint8_t* entry,
                      std::size_t entryLength) {
  std::uint32_t declared;
  if (!LzssDecodedSize(entry, entryLength, &declared)) return LzssStatus::kBadHeader;
  std::uint32_t storedSize = LoadU32(entry + 10);
  if (storedSize > entryLength) return LzssStatus::kBadHeader;
  if (storedSize <= kEncodedHeaderSize + 1) {
    return outputSize == 0 ? LzssStatus::kOk : LzssStatus::kTooShort;
  }
  const std::uint8_t* in = entry + kEncodedHeaderSize;
  const std::uint8_t* const end = entry + storedSize;
  std::uint8_t* const out = output;
  std::size_t o = 0;
  while (in < end) {
    unsigned flags = *in++;
    // A group of eight literals is one straight copy.
    if (flags == 0xFF && end - in >= 8 && outputSize - o >= 8) {
      std::memcpy(out + o, in, 8);
      in += 8;
      o += 8;
      continue;
    }
    int items = 8;
    // While the input and the output have room for any item, decode without per-byte
    // checks: literals in a row are one 8-byte copy, copies move 8 bytes at a time. What is
    // written past an item is overwritten by the items after it.
    bool fast = end - in >= kFastInputRoom && outputSize - o >= kFastOutputRoom;
    for (; fast && items > 0; --items, flags >>= 1) {
      if (flags & 1) {
        // n literals in a row; the loop's own step takes the last of them off.
        const int n = std::min(std::countr_one(flags), items);
        std::memcpy(out + o, in, 8);
        in += n;
        o += static_cast<std::size_t>(n);
        flags >>= n - 1;
        items -= n - 1;
        continue;
      }
      const unsigned b0 = in[0], b1 = in[1];
      if ((b1 & 0x0F) != 0x0F) {
        const std::size_t length = (b1 & 0x0F) + 3;
        in += 2;
        CopyBack(out, o, CopyDistance(b0, b1, o), length, kFastItemRoom);
        o += length;
        continue;
      }
      if (!PutRun(&in, out, &o, outputSize)) return LzssStatus::kTooLong;
      fast = outputSize - o >= kFastOutputRoom;
    }
    // The rest of the group, near the end of the input or the output, checks every byte.
    for (; items > 0 && in < end; --items, flags >>= 1) {
      if (flags & 1) {
        if (o >= outputSize) return LzssStatus::kTooLong;
        out[o++] = *in++;
        continue;
      }
      if (end - in < 2) return LzssStatus::kCutOff;
      const unsigned b0 = in[0], b1 = in[1];
      if ((b1 & 0x0F) != 0x0F) {
        const std::size_t length = (b1 & 0x0F) + 3;
        in += 2;
        if (length > outputSize - o) return LzssStatus::kTooLong;
        CopyBack(out, o, CopyDistance(b0, b1, o), length, outputSize - o);
        o += length;
        continue;
      }
      if (end - in < RunCodeSize(b0, b1)) return LzssStatus::kCutOff;
      if (!PutRun(&in, out, &o, outputSize)) return LzssStatus::kTooLong;
    }
  }
  return o == outputSize ? LzssStatus::kOk : LzssStatus::kTooShort;
}

}  // namespace dl
