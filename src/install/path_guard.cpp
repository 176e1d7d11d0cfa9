#include "install/path_guard.h"

#include <algorithm>

#include "util/path_text.h"

namespace dl {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::size_t CharAt(CodePage* codePage, const std::string& text, std::size_t i) {
  return codePage != nullptr ? codePage->CharSize(text.c_str() + i) : 1;
}

bool IsInsideOrSame(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '\\');
}

bool HasExtension(const std::string& path, const char* upperExtension) {
  const std::string ext = upperExtension;
  return path.size() > ext.size() && AsciiUpper(path.substr(path.size() - ext.size())) == ext;
}

// The folder part of a normalised path ("C:\a\b" -> "C:\a"), the last "\" found a
// character at a time.
std::string ParentOf(const std::string& normalized, CodePage* codePage) {
  std::size_t cut = std::string::npos;
  for (std::size_t i = 0; i < normalized.size();) {
    std::size_t n = CharAt(codePage, normalized, i);
    if (n == 0) n = 1;
    if (n == 1 && normalized[i] == '\\') cut = i;
    i += n;
  }
  return cut == std::string::npos ? std::string() : normalized.substr(0, cut);
}

constexpr const char* kNotPlain = "not a plain absolute path";
constexpr const char* kRoot = "a drive root";
constexpr const char* kProtected = "a system or user folder";

}  // namespace

bool HasUnsafeCharacters(const std::string& path, CodePage* system) {
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t n = path[i] == '\0' ? 1 : std::max<std::size_t>(CharAt(system, path, i), 1);
    if (n == 1) {
      const auto c = static_cast<unsigned char>(path[i]);
      if (c < 32 || c == 127 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
          c == '|')
        return true;
      if (c == ':' && !(i == 1 && IsDriveLetter(path[0]))) return true;
    }
    i += n;
  }
  return false;
}

std::string NormalizedPath(const std::string& path, CodePage* system) {
  if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != ':' || !IsSeparator(path[2]))
    return {};
  if (HasUnsafeCharacters(path, system)) return {};
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&]() -> bool {
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else {
      // Trailing dots and blanks name the same file on Windows.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      if (part.empty()) return false;
      parts.push_back(part);
    }
    part.clear();
    return true;
  };
  for (std::size_t i = 3; i < path.size();) {
    const std::size_t n = CharAt(system, path, i);
    if (n == 1 && IsSeparator(path[i])) {
      if (!flush()) return {};
    } else {
      part.append(path, i, n == 0 ? 1 : n);
    }
    i += n == 0 ? 1 : n;
  }
  if (!flush()) return {};
  std::string out(1, AsciiUpper(std::string(1, path[0]))[0]);
  out += ':';
  for (const std::string& p : parts) out += "\\" + p;
  return out;
}

std::string CanonicalPath(const std::string& path, CodePage* codePage) {
  return AsciiUpper(NormalizedPath(path, codePage), codePage);
}

bool LiesInside(const std::string& path, const std::string& folder, CodePage* codePage) {
  const std::string p = CanonicalPath(path, codePage), f = CanonicalPath(folder, codePage);
  return !p.empty() && !f.empty() && p != f && IsInsideOrSame(p, f);
}

namespace {

// The components of a path, split at each "\" or "/" that is a character of its own (never
// the second byte of a double-byte character).
std::vector<std::string> Components(const std::string& text, CodePage* codePage) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = text[i] == '\0' ? 1 : CharAt(codePage, text, i);
    if (n == 0) n = 1;
    if (n == 1 && IsSeparator(text[i]))
      parts.emplace_back();
    else
      parts.back().append(text, i, n);
    i += n;
  }
  return parts;
}

// A name of dots and blanks alone, which Windows reads as "." or "..". (The second byte of
// a double-byte character is never a dot or a blank.)
bool DotsAndBlanks(const std::string& name) {
  return name.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

bool IsPlainFileName(const std::string& name, CodePage* codePage) {
  return IsContainedRelativePath(name, false, codePage) && Components(name, codePage).size() == 1;
}

bool IsPlainFolder(const std::string& path, CodePage* codePage) {
  if (NormalizedPath(path, codePage).size() <= 2) return false;  // relative, a root, or unsafe
  for (const std::string& name : Components(path, codePage))
    if (!name.empty() && DotsAndBlanks(name)) return false;
  return true;
}

bool IsContainedRelativePath(const std::string& entry, bool allowWildcards, CodePage* codePage) {
  if (entry.empty()) return false;
  for (std::size_t i = 0; i < entry.size();) {
    std::size_t n = entry[i] == '\0' ? 1 : CharAt(codePage, entry, i);
    if (n == 0) n = 1;
    if (n == 1) {
      const char c = entry[i];
      const auto u = static_cast<unsigned char>(c);
      if (u < 32 || u == 127 || c == ':' || c == '"' || c == '<' || c == '>' || c == '|')
        return false;
      if (!allowWildcards && (c == '*' || c == '?')) return false;
    }
    i += n;
  }
  // Every component is a name: not empty (no leading or doubled or trailing separator),
  // not "." or "..", and not only dots and blanks.
  for (const std::string& name : Components(entry, codePage))
    if (DotsAndBlanks(name)) return false;
  return true;
}

DeleteGuard::DeleteGuard(System& system, const InstallPlan& plan) : system_(system) {
  Protect(plan.desktopPath);
  Protect(plan.programsPath);
  auto shortcutsIn = [this](const std::string& folder) {
    for (std::string& form : Forms(folder)) shortcutFolders_.push_back(std::move(form));
  };
  shortcutsIn(plan.desktopPath);
  for (std::string& form : Forms(plan.programsPath)) startMenus_.push_back(std::move(form));
  for (SpecialFolder which :
       {SpecialFolder::kDesktopFolder, SpecialFolder::kStartMenu, SpecialFolder::kCommonPrograms,
        SpecialFolder::kCommonDesktopFolder}) {
    std::string p;
    if (!system_.SpecialFolderPath(which, &p)) continue;
    if (which == SpecialFolder::kStartMenu || which == SpecialFolder::kCommonPrograms)
      for (std::string& form : Forms(p)) startMenus_.push_back(std::move(form));
    else
      shortcutsIn(p);
  }
  for (SpecialFolder which : {SpecialFolder::kDesktop,
                              SpecialFolder::kPrograms,
                              SpecialFolder::kDocuments,
                              SpecialFolder::kStartMenu,
                              SpecialFolder::kDesktopFolder,
                              SpecialFolder::kCommonPrograms,
                              SpecialFolder::kCommonDesktopFolder,
                              SpecialFolder::kAppData,
                              SpecialFolder::kProgramFiles,
                              SpecialFolder::kProfile,
                              SpecialFolder::kProgramFilesX86,
                              SpecialFolder::kCommonProgramFiles,
                              SpecialFolder::kMusic,
                              SpecialFolder::kVideos,
                              SpecialFolder::kFavorites,
                              SpecialFolder::kLocalAppData,
                              SpecialFolder::kCommonAppData,
                              SpecialFolder::kPictures,
                              SpecialFolder::kCommonDocuments,
                              SpecialFolder::kDownloads,
                              SpecialFolder::kSavedGames,
                              SpecialFolder::kPublic}) {
    std::string p;
    if (system_.SpecialFolderPath(which, &p)) Protect(p);
  }
  // The folder of the profiles ("C:\Users") and every profile in it, other users' and the
  // public one included.
  std::string profile;
  if (system_.SpecialFolderPath(SpecialFolder::kProfile, &profile)) {
    const std::string profiles = ParentOf(NormalizedPath(profile, &system_), &system_);
    if (profiles.size() > 2) {
      Protect(profiles);
      for (const FoundFile& f : system_.FindFiles(profiles + "\\*"))
        if (f.isDirectory && f.name != "." && f.name != "..") Protect(profiles + "\\" + f.name);
    }
  }
  std::vector<std::string> windows = {system_.WindowsDir(), system_.SystemDir()};
  for (SpecialFolder which : {SpecialFolder::kWindows, SpecialFolder::kSystem}) {
    std::string p;
    if (system_.SpecialFolderPath(which, &p)) windows.push_back(p);
  }
  for (const std::string& w : windows)
    for (std::string& form : Forms(w)) windows_.push_back(std::move(form));
}

void DeleteGuard::Protect(const std::string& path) {
  for (std::string& form : Forms(path)) protected_.push_back(std::move(form));
}

std::string DeleteGuard::Resolved(const std::string& path) {
  std::string resolved;
  if (!system_.ResolvePath(path, &resolved)) return {};
  return NormalizedPath(resolved, &system_);
}

std::vector<std::string> DeleteGuard::Forms(const std::string& path) {
  std::vector<std::string> out;
  const std::string written = NormalizedPath(path, &system_);
  if (written.empty()) return out;
  auto add = [&](const std::string& form) {
    if (form.empty()) return;
    std::string folded = system_.FoldCase(form);
    for (const std::string& o : out)
      if (o == folded) return;
    out.push_back(std::move(folded));
  };
  add(written);
  add(Resolved(written));
  std::string shortForm;
  if (system_.ShortPath(written, &shortForm)) add(NormalizedPath(shortForm, &system_));
  return out;
}

GuardVerdict DeleteGuard::InstallFolder(const std::string& path, const char* gameProgram) {
  const std::string written = NormalizedPath(path, &system_);
  if (written.empty()) return {{}, kNotPlain};
  const std::string resolved = Resolved(written);
  if (resolved.empty()) return {{}, "cannot be resolved"};
  if (written.size() <= 2 || resolved.size() <= 2) return {{}, kRoot};
  const std::vector<std::string> candidate = Forms(written);
  for (const std::string& c : candidate) {
    for (const std::string& p : protected_)
      if (IsInsideOrSame(p, c)) return {{}, kProtected};  // it, or an ancestor of it
    // Nothing in or above the Windows or system directory belongs to a game.
    for (const std::string& w : windows_)
      if (IsInsideOrSame(c, w) || IsInsideOrSame(w, c)) return {{}, kProtected};
  }
  if (gameProgram != nullptr) {
    const std::string program = gameProgram;
    if (!IsContainedRelativePath(program, false, &system_) ||
        !system_.FileExists(resolved + "\\" + program))
      return {{}, "does not hold the game program " + program};
  }
  return {resolved, {}};
}

GuardVerdict DeleteGuard::Shortcut(const std::string& path) {
  const std::string written = NormalizedPath(path, &system_);
  if (written.size() <= 2) return {{}, kNotPlain};
  const std::string resolved = Resolved(written);
  if (resolved.size() <= 2) return {{}, "cannot be resolved"};
  for (const std::string& form : {written, resolved})
    if (!HasExtension(form, ".LNK") && !HasExtension(form, ".PIF"))
      return {{}, "not a shortcut file"};
  for (const std::string& c : Forms(written))
    for (const std::string& folder : shortcutFolders_)
      if (c.size() > folder.size() && IsInsideOrSame(c, folder)) return {resolved, {}};
  return {{}, "not on the desktop or in the game's own group folder"};
}

GuardVerdict DeleteGuard::RecordPack(const std::string& path) {
  const std::string written = NormalizedPath(path, &system_);
  if (written.size() <= 2) return {{}, kNotPlain};
  if (!HasExtension(written, ".PAK")) return {{}, "not a pack file"};
  const std::vector<std::string> folder = Forms(ParentOf(written, &system_));
  std::vector<std::string> windows = Forms(system_.WindowsDir());
  for (const std::string& f : folder)
    for (const std::string& w : windows)
      if (f == w) return {written, {}};
  return {{}, "not in the Windows directory"};
}

void DeleteGuard::AllowShortcutsIn(const std::string& groupFolder) {
  const std::vector<std::string> forms = Forms(groupFolder);
  for (const std::string& form : forms)
    for (const std::string& menu : startMenus_)
      if (form.size() > menu.size() && IsInsideOrSame(form, menu)) {
        for (const std::string& f : forms) shortcutFolders_.push_back(f);
        return;
      }
}

GuardVerdict DeleteGuard::Inside(const std::string& approvedFolder, const std::string& rel) {
  if (!IsContainedRelativePath(rel, false, &system_)) return {{}, "leaves the install folder"};
  const std::string resolved = Resolved(approvedFolder + "\\" + rel);
  const std::string folder = system_.FoldCase(approvedFolder);
  const std::string folded = system_.FoldCase(resolved);
  if (resolved.empty() || folded.size() <= folder.size() || !IsInsideOrSame(folded, folder))
    return {{}, "leads out of the install folder"};
  return {resolved, {}};
}

GuardVerdict DeleteGuard::GroupFolder(const std::string& path) {
  const std::string written = NormalizedPath(path, &system_);
  if (written.size() <= 2) return {{}, kNotPlain};
  const std::vector<std::string> candidate = Forms(written);
  for (const std::string& c : candidate)
    for (const std::string& p : protected_)
      if (IsInsideOrSame(p, c)) return {{}, kProtected};
  for (const std::string& c : candidate)
    for (const std::string& menu : startMenus_)
      if (c.size() > menu.size() && IsInsideOrSame(c, menu)) return {Resolved(written), {}};
  return {{}, "not in the Start menu"};
}

bool IsRemovableInstallFolder(System& system, const InstallPlan& plan, const std::string& path) {
  return DeleteGuard(system, plan).InstallFolder(path, nullptr).ok();
}

bool IsShortcutFile(const std::string& path) {
  const std::string canonical = CanonicalPath(path);
  return canonical.size() > 2 &&
         (HasExtension(canonical, ".LNK") || HasExtension(canonical, ".PIF"));
}

}  // namespace dl
