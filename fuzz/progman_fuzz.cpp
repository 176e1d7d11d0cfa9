// The group converter's description parser on arbitrary bytes: it must never crash, and
// every item it reports has a title and a program.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "grpconv/progman.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const grpconv::ProgmanGroup& group : grpconv::ParseProgmanGroups(text)) {
    if (group.name.empty()) std::abort();
    for (const grpconv::ProgmanItem& item : group.items) {
      if (item.title.empty() || item.program.empty()) std::abort();
      (void)grpconv::ShortcutName(item.title);
    }
  }
  return 0;
}
