// Removing a folder with all it holds, as the uninstall does with the folders an install
// made. Anyone who may write in the folder may have put a link or a junction there that
// leads to another program's files: such a link is removed as a link, and nothing is ever
// removed through it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace dl {

struct TreeRemoval {
  std::size_t removed = 0;          // files, folders and links removed
  std::vector<std::string> failed;  // what could not be removed
  bool gone = false;                // the folder itself is gone
};

// Removes folder and everything in it, files first, never going through a link or junction
// (one in it goes as a link; a folder that is itself a link goes as a link). A read-only
// file is made writable before it is removed again.
TreeRemoval RemoveTree(FileSystem& files, const std::string& folder);

}  // namespace dl
