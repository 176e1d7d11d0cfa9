#include "install/join_path.h"

#include "util/path_text.h"

namespace dl {

bool EndsInSeparator(CodePage& codePage, const std::string& text) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < text.size();) {
    last = i;
    const std::size_t n = text[i] == '\0' ? 1 : codePage.CharSize(text.c_str() + i);
    i += n == 0 ? 1 : n;
  }
  return last != std::string::npos && last == text.size() - 1 &&
         (text[last] == '\\' || text[last] == '/');
}

bool JoinPath(CodePage& codePage, std::string* path, const std::string& name) {
  std::string joined = *path;
  if (!joined.empty() && !EndsInSeparator(codePage, joined)) joined += '\\';
  joined += name;
  if (joined.size() > kPathCapacity - 1) return false;
  *path = std::move(joined);
  return true;
}

std::string CutAtLastSeparator(FileSystem& files, const std::string& path) {
  const char* text = path.c_str();
  std::size_t cut = std::string::npos;
  std::size_t i = 0;
  while (i < path.size()) {
    if (text[i] == '\\' || text[i] == '/') cut = i;
    std::size_t step = files.CharSize(text + i);
    if (step == 0) break;  // an embedded terminator ends the text
    i += step;
  }
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string FileNameOf(FileSystem& files, const std::string& path) {
  const std::string folder = CutAtLastSeparator(files, path);
  const bool hasSeparator =
      !folder.empty() || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
  return hasSeparator ? path.substr(folder.size() + 1) : path;
}

}  // namespace dl
