// Joining a name to a path, as every file operation of the install builds its paths.
#pragma once

#include <string>

#include "platform/code_page.h"
#include "platform/file_system.h"

namespace dl {

// Appends name to *path with one "\" between them, unless the path is empty or its last
// character (in the code page: a trail byte 0x5C is no separator) is "\" or "/". A result
// longer than 259 bytes does not fit a path: *path is left unchanged and false is returned.
bool JoinPath(CodePage& codePage, std::string* path, const std::string& name);

// Whether the last character of a text is "\" or "/" (stepping through the code page).
bool EndsInSeparator(CodePage& codePage, const std::string& text);

// The text before the last "\" or "/", stepping through the text a character at a time
// so that the second byte of a double-byte character is never taken for a separator.
// A text without a separator gives "".
std::string CutAtLastSeparator(FileSystem& files, const std::string& path);
// The text after the last "\" or "/" (the same steps): a path's file name.
std::string FileNameOf(FileSystem& files, const std::string& path);

}  // namespace dl
