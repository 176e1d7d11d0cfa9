// Checks a disc set before it is burned: the script read through the launcher's own INI
// store and schema, against the disc folders it names. Portable; the discs are host
// folders read through a file system.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace disctool {

struct Finding {
  std::string file;   // the script the finding is about
  int line = 0;       // 1-based; 0 when it concerns the file as a whole
  bool error = true;  // false: a warning
  std::string text;
};

// Checks the disc set whose folders are given in disc order (host paths); the first
// holds setup.ini, and setup1.ini where there is one.
std::vector<Finding> CheckDiscSet(dl::FileSystem& files, const std::vector<std::string>& discs);

// "file:line: error: text", as compilers print.
std::string FormatFinding(const Finding& finding);

// The known name nearest to name (fewest single-character edits), or "" when none is
// close enough to suggest.
std::string NearestName(const std::string& name, const std::vector<std::string>& known);

}  // namespace disctool
