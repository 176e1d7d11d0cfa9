// Joining a name to a path, as every file operation of the install builds its paths.
#pragma once

#include <string>

namespace dl {

// Appends name to *path with one "\" between them, unless the path is empty or already
// ends in "\" or "/". A result longer than 259 bytes does not fit a path: *path is left
// unchanged and false is returned.
bool JoinPath(std::string* path, const std::string& name);

}  // namespace dl
