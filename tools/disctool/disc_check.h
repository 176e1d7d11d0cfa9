// Checks a disc set before it is burned: the script read through the launcher's own INI
// store and schema, against the disc folders it names. Portable; the discs are host
// folders read through a file system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace disctool {

struct Finding {
  std::string file;   // the script (or autorun.inf, or disc folder) the finding is about
  int line = 0;       // 1-based; 0 only for a file that is not there
  bool error = true;  // false: a warning
  std::string text;
};

// Checks the disc set whose folders are given in disc order (host paths); the first
// holds setup.ini, and setup1.ini where there is one. With wholeSet false, the folders are
// the first discs of a longer set (disc 1 alone, say, to make its image): what needs the
// discs not given (their count, their files, renames and the game program among all the
// copied files, the bytes of the whole install) is not checked.
// What the set holds, as setup.ini copies it.
struct CheckSummary {
  std::size_t discs = 0;
  std::size_t files = 0;
  std::uint64_t bytes = 0;
};

// Every rule runs on setup.ini and, where the first disc has one, on setup1.ini (read as
// code page 936: its file names are looked up as the host names them); where the two
// disagree on the discs, their files, the record, the game program or the folders is a
// finding of its own. autorun.inf in disc 1's root is checked too.
std::vector<Finding> CheckDiscSet(dl::FileSystem& files, const std::vector<std::string>& discs,
                                  bool wholeSet = true, CheckSummary* summary = nullptr);

// The longest name a Joliet directory record holds whole, in UTF-16 characters: Windows
// reads a CD's Joliet names, and a longer one is cut in the image.
inline constexpr std::size_t kJolietNameChars = 64;

// "file:line: error: text", as compilers print ("file: error: text" without a line).
std::string FormatFinding(const Finding& finding);

// The known name nearest to name (fewest single-character edits), or "" when none is
// close enough to suggest.
std::string NearestName(const std::string& name, const std::vector<std::string>& known);

}  // namespace disctool
