#include "install/shortcut_names.h"

#include <algorithm>

#include "install/join_path.h"
#include "util/one_line.h"
#include "util/path_text.h"

namespace dl {
namespace {

bool Unfit(unsigned char c) {
  return c < 32 || c == 127 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' ||
         c == '"' || c == '<' || c == '>' || c == '|';
}

// The text up to its first "." that is a character of its own (not a trail byte).
std::string UpToFirstDot(CodePage& codePage, const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = text[i] == '\0' ? 1 : codePage.CharSize(text.c_str() + i);
    if (n == 1 && text[i] == '.') return text.substr(0, i);
    i += n == 0 ? 1 : n;
  }
  return text;
}

std::string Joined(CodePage& codePage, const std::string& folder, const std::string& name) {
  std::string path = folder;
  if (name.empty() || folder.empty() || !JoinPath(codePage, &path, name)) return {};
  return path;
}

}  // namespace

bool IsDeviceName(const std::string& name) {
  std::string base = AsciiUpper(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

std::string CleanName(CodePage& codePage, const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  const std::size_t last = text.find_last_not_of(" \t");
  const std::string name =
      first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t n = name[i] == '\0' ? 1 : codePage.CharSize(name.c_str() + i);
    if (n >= 2) {
      out.append(name, i, n);  // a double-byte character, whatever its second byte
    } else {
      out += Unfit(static_cast<unsigned char>(name[i])) ? '_' : name[i];
    }
    i += n == 0 ? 1 : n;
  }
  // Trailing dots and blanks: single-byte characters at the end, never a trail byte (a
  // double-byte character is two bytes, and its second is never a dot or a blank).
  while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  if (out.empty() || IsDeviceName(out)) return {};
  return out;
}

std::string DescriptionPath(const std::string& value) {
  std::string out(FirstLine(value));
  out.erase(std::remove(out.begin(), out.end(), '"'), out.end());
  return out;
}

std::string DescriptionName(const std::string& value) {
  std::string out = DescriptionPath(value);
  out.erase(std::remove(out.begin(), out.end(), ','), out.end());
  return out;
}

std::string GroupFolderName(CodePage& codePage, const std::string& group) {
  return CleanName(codePage, group);
}

std::string ShortcutFileName(CodePage& codePage, const std::string& title) {
  const std::string name = CleanName(codePage, UpToFirstDot(codePage, title));
  return name.empty() ? std::string() : name + ".lnk";
}

std::string GroupFolderPath(CodePage& codePage, const std::string& programs,
                            const std::string& group) {
  return Joined(codePage, programs, GroupFolderName(codePage, group));
}

std::string ShortcutPath(CodePage& codePage, const std::string& groupFolder,
                         const std::string& title) {
  return Joined(codePage, groupFolder, ShortcutFileName(codePage, title));
}

}  // namespace dl
