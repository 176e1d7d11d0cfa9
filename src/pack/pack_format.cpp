#include "pack/pack_format.h"

namespace dl {

void FoldName(char* name) {
  for (unsigned char* p = reinterpret_cast<unsigned char*>(name); *p != 0; ++p) {
    if (*p >= 0xA0) {
      if (*++p == 0) break;  // a lead byte at the end ends the name
    } else if (*p >= 'A' && *p <= 'Z') {
      *p = static_cast<unsigned char>(*p + 32);
    }
  }
}

std::string FoldName(std::string name) {
  FoldName(name.data());
  return name;
}

int CompareNames(const char* a, const char* b) {
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
  while (*x != 0 && *x == *y) {
    ++x;
    ++y;
  }
  return static_cast<int>(*x) - static_cast<int>(*y);
}

int CompareRecordNames(const PackDirRecord& a, const PackDirRecord& b) {
  // Names fill at most 32 bytes; compare within them even without a terminator.
  for (std::size_t i = 0; i < kPackNameSize; ++i) {
    unsigned char x = static_cast<unsigned char>(a.name[i]);
    unsigned char y = static_cast<unsigned char>(b.name[i]);
    if (x != y) return static_cast<int>(x) - static_cast<int>(y);
    if (x == 0) return 0;
  }
  return 0;
}

void EncodeRecord(const PackDirRecord& record, std::uint8_t out[kPackRecordSize]) {
  StoreU32(out, record.offset);
  std::memcpy(out + 4, record.name, kPackNameSize);
}

}  // namespace dl
