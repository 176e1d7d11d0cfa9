// The pack format: names, directory records and the entry header.
//
// All integers are unsigned 32-bit little-endian. A directory block is a count (entries
// + 1) followed by that many 36-byte records; the last record is the end marker, whose
// offset closes the last entry. Names are folded and at most 31 bytes plus a zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace dl {

inline constexpr std::size_t kPackNameSize = 32;  // 31 bytes and the terminator
inline constexpr std::size_t kPackRecordSize = 36;
inline constexpr std::size_t kPackCountSize = 4;
inline constexpr std::size_t kEncodedHeaderSize = 14;
inline constexpr char kEncodedTag[] = "EnCode";  // six letters, stored without the zero
inline constexpr char kPakSuffix[] = ".pak";
// The deepest folder nesting a pack may have below its root. A pack nested deeper is
// damaged: it is not rewritten, and the verifier names it.
inline constexpr int kMaxPackDepth = 64;

struct PackDirRecord {
  std::uint32_t offset = 0;
  char name[kPackNameSize] = {};
};

// Folds a zero-terminated name in place: ASCII capitals become small letters; a byte of
// 0xA0 or more leads a two-byte character whose trail byte is left alone.
void FoldName(char* name);
std::string FoldName(std::string name);

// Byte-string order of the names (unsigned bytes, shorter first on a common prefix).
int CompareRecordNames(const PackDirRecord& a, const PackDirRecord& b);
int CompareNames(const char* a, const char* b);

inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// The 36 bytes of a record as stored.
void EncodeRecord(const PackDirRecord& record, std::uint8_t out[kPackRecordSize]);

// True when stored entry bytes are encoded (they begin with "EnCo").
inline bool IsEncodedEntry(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && std::memcmp(data, "EnCo", 4) == 0;
}

}  // namespace dl
