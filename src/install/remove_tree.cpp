#include "install/remove_tree.h"

namespace dl {
namespace {

// Deeper than any install a game's discs make; past it nothing more is removed.
constexpr int kMaxDepth = 64;

bool RemoveOneFile(FileSystem& files, const std::string& path) {
  if (files.RemoveFile(path)) return true;
  std::uint32_t attributes = 0;
  return files.GetAttributes(path, &attributes) && (attributes & kAttrReadOnly) != 0 &&
         files.SetAttributes(path, kAttrNormal) && files.RemoveFile(path);
}

// A link goes as itself: a folder link as an (empty) folder, a file link as a file.
bool RemoveLink(FileSystem& files, const std::string& path, bool isDirectory) {
  return isDirectory ? files.RemoveEmptyFolder(path) : files.RemoveFile(path);
}

void RemoveContents(FileSystem& files, const std::string& folder, int depth, TreeRemoval* out) {
  if (depth > kMaxDepth) {
    out->failed.push_back(folder);
    return;
  }
  for (const FoundFile& f : files.FindFiles(folder + "\\*")) {
    if (f.name == "." || f.name == "..") continue;
    const std::string path = folder + "\\" + f.name;
    bool removed = false;
    if (f.isLink) {
      removed = RemoveLink(files, path, f.isDirectory);
    } else if (f.isDirectory) {
      RemoveContents(files, path, depth + 1, out);
      removed = files.RemoveEmptyFolder(path);
    } else {
      removed = RemoveOneFile(files, path);
    }
    if (removed)
      ++out->removed;
    else
      out->failed.push_back(path);
  }
}

}  // namespace

TreeRemoval RemoveTree(FileSystem& files, const std::string& folder) {
  TreeRemoval out;
  std::uint32_t attributes = 0;
  if (!files.GetAttributes(folder, &attributes)) {
    out.gone = true;
    return out;
  }
  if ((attributes & kAttrReparsePoint) != 0 || (attributes & kAttrDirectory) == 0) {
    out.gone = RemoveLink(files, folder, (attributes & kAttrDirectory) != 0);
  } else {
    RemoveContents(files, folder, 0, &out);
    out.gone = files.RemoveEmptyFolder(folder);
  }
  if (out.gone)
    ++out.removed;
  else
    out.failed.push_back(folder);
  return out;
}

}  // namespace dl
