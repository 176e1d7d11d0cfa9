#include "install/join_path.h"

#include "util/path_text.h"

namespace dl {

bool JoinPath(std::string* path, const std::string& name) {
  std::string joined = *path;
  if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') joined += '\\';
  joined += name;
  if (joined.size() > kPathCapacity - 1) return false;
  *path = std::move(joined);
  return true;
}

}  // namespace dl
