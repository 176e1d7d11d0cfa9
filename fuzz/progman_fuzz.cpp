// The group converter's description parser and its naming rule on arbitrary bytes: it must
// never crash, every item it reports has a title and a program, and every folder and
// shortcut name the rule gives is one plain name in the folder it belongs to, read in code
// page 936 (so that trail bytes 0x5C and 0x7C are in play).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "grpconv/progman.h"
#include "install/path_guard.h"
#include "install/shortcut_names.h"

namespace {

struct Gbk : dl::CodePage {
  std::size_t CharSize(const char* text) override {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead == 0) return 0;
    return lead >= 0x81 && lead <= 0xFE && text[1] != '\0' ? 2 : 1;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Gbk gbk;
  const std::string programs = "C:\\users\\me\\Start Menu\\Programs";
  for (const grpconv::ProgmanGroup& group : grpconv::ParseProgmanGroups(text)) {
    if (group.name.empty()) std::abort();
    const std::string folder = dl::GroupFolderPath(gbk, programs, group.name);
    if (!folder.empty() && (dl::NormalizedPath(folder, &gbk) != folder ||
                            !dl::LiesInside(folder, programs, &gbk) || folder.size() > 259))
      std::abort();
    for (const grpconv::ProgmanItem& item : group.items) {
      if (item.title.empty() || item.program.empty()) std::abort();
      if (folder.empty()) continue;
      const std::string link = dl::ShortcutPath(gbk, folder, item.title);
      if (!link.empty() && (dl::NormalizedPath(link, &gbk) != link ||
                            !dl::LiesInside(link, folder, &gbk) || link.size() > 259))
        std::abort();
    }
  }
  return 0;
}
