// Capacities that decide behaviour: the texts the launcher keeps are cut to these.
#pragma once

#include <cstddef>
#include <string>

namespace dl {

inline constexpr std::size_t kPathCapacity = 260;      // a path, terminator included
inline constexpr std::size_t kStatusCapacity = 1024;   // the composed status text
inline constexpr std::size_t kShownStatusChars = 259;  // what the status control shows

// A text cut to what a path buffer holds: 259 bytes and the terminator.
inline std::string CutToPath(std::string text) {
  if (text.size() > kPathCapacity - 1) text.resize(kPathCapacity - 1);
  return text;
}

}  // namespace dl
