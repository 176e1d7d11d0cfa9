// How the ANSI code page splits a text into characters: one byte, or two for a double-byte
// character (code page 936 and the other East Asian ones). Every routine that splits,
// cuts, compares or cleans a path or a name steps through it with this.
#pragma once

#include <cstddef>

namespace dl {

class CodePage {
 public:
  virtual ~CodePage() = default;
  // The number of bytes of the character that starts at text in the ANSI code page: 2 for
  // a double-byte character, 1 otherwise, 0 at the terminator. A lead byte followed by
  // the terminator counts as 1.
  virtual std::size_t CharSize(const char* text) = 0;
};

}  // namespace dl
