// Capacities that decide behaviour: the texts the launcher keeps are cut to these.
#pragma once

#include <cstddef>
#include <string>

#include "platform/code_page.h"

namespace dl {

inline constexpr std::size_t kPathCapacity = 260;      // a path, terminator included
inline constexpr std::size_t kStatusCapacity = 1024;   // the composed status text
inline constexpr std::size_t kShownStatusChars = 259;  // what the status control shows

// A text cut to at most bytes bytes; with a code page, before a double-byte character that
// would not fit whole (never through it).
inline std::string CutToBytes(std::string text, std::size_t bytes, CodePage* codePage = nullptr) {
  if (text.size() <= bytes) return text;
  std::size_t keep = bytes;
  if (codePage != nullptr) {
    keep = 0;
    for (std::size_t i = 0; i < text.size();) {
      std::size_t n = text[i] == '\0' ? 1 : codePage->CharSize(text.c_str() + i);
      if (n == 0) n = 1;
      if (i + n > bytes) break;
      i += n;
      keep = i;
    }
  }
  text.resize(keep);
  return text;
}

// ASCII capitals; with a code page, the bytes of double-byte characters are left as they
// are (a trail byte may be a small letter).
inline std::string AsciiUpper(std::string text, CodePage* codePage = nullptr) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n =
        text[i] == '\0' || codePage == nullptr ? 1 : codePage->CharSize(text.c_str() + i);
    if (n == 0) n = 1;
    if (n == 1 && text[i] >= 'a' && text[i] <= 'z')
      text[i] = static_cast<char>(text[i] - 'a' + 'A');
    i += n;
  }
  return text;
}

// A text cut to what a path buffer holds: 259 bytes and the terminator.
inline std::string CutToPath(std::string text, CodePage* codePage = nullptr) {
  return CutToBytes(std::move(text), kPathCapacity - 1, codePage);
}

}  // namespace dl
