// What a line-based text file may carry of a value.
#pragma once

#include <string>
#include <string_view>

namespace dl {

// The text up to its first carriage return, line feed or NUL. A value written into a
// line-based file (the install record, the group description) is cut here, so that no
// value can end its line early and add lines of its own.
inline std::string_view FirstLine(std::string_view text) {
  return text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
}

}  // namespace dl
