// Checks on the paths that install records and scripts name, made before anything is
// deleted, copied or renamed through them. Records and scripts are texts that anyone can
// edit: a path in them is only ever handed to the shell in the form that was checked.
#pragma once

#include <string>
#include <vector>

#include "install/install_plan.h"

namespace dl {

// True when a path holds what no plain file path needs and the shell or the file system
// reads as more than a name: a wildcard (* ?), a quote or redirection (" < > |), a control
// character, or a ":" anywhere but right after a drive letter at the start. Double-byte
// characters are stepped over when a system is given.
bool HasUnsafeCharacters(const std::string& path, CodePage* codePage = nullptr);

// An absolute "X:\..." path in one form, its case kept: "\" only; no empty, "." or ".."
// components; trailing dots and blanks of a name dropped (they name the same file); no
// trailing separator ("C:" for a root). Empty when the path holds unsafe characters, is
// not an absolute drive path, or climbs above its root.
std::string NormalizedPath(const std::string& path, CodePage* codePage = nullptr);
// NormalizedPath in ASCII capitals (the bytes of double-byte characters left alone when a
// code page is given): one spelling for every way of writing a path.
std::string CanonicalPath(const std::string& path, CodePage* codePage = nullptr);

// Whether path lies strictly inside folder, both plain absolute paths, compared in one
// spelling (ASCII case folded, "." and ".." taken out). False for an empty folder. With a
// code page, double-byte characters are stepped over: a trail byte is never a separator.
bool LiesInside(const std::string& path, const std::string& folder, CodePage* codePage = nullptr);

// Whether an install folder can be used as it stands: an absolute path below a drive's
// root, with no unsafe characters (line breaks included) and no "." or ".." component, so that
// every file goes where the record will say it went.
bool IsPlainFolder(const std::string& path, CodePage* codePage = nullptr);

// Whether a name is one plain file name: not empty, no folder, drive or stream, no unsafe
// character, not "." or "..".
bool IsPlainFileName(const std::string& name, CodePage* codePage = nullptr);

// Whether an entry of a copy list or a name of a rename stays inside the folder it is
// relative to (with a code page, read a character at a time: the second byte of a
// double-byte character is neither a separator nor a "|"): not empty, not absolute, no drive, no
// "." or ".." component, no empty component, no stream, no unsafe characters (with allowWildcards,
// "*" and "?" pass).
bool IsContainedRelativePath(const std::string& entry, bool allowWildcards,
                             CodePage* codePage = nullptr);

// What the guard says of one path: the form to hand the shell, or why it was refused.
struct GuardVerdict {
  std::string approved;  // empty when refused
  std::string reason;    // why it was refused
  bool ok() const { return !approved.empty(); }
};

// Decides what an uninstall may delete. It compares folders as the file system sees them:
// each path is resolved through the system (absolute, long names, links followed) and
// folded to capitals in the ANSI code page, and so is every protected folder.
class DeleteGuard {
 public:
  // Protects the plan's desktop and programs folders besides the system's own list.
  DeleteGuard(System& system, const InstallPlan& plan);

  // An install folder, to be deleted with all it holds. Refused when it is not a plain
  // absolute path, is a drive root, is or holds a protected folder (the user's shell
  // folders, every profile, Program Files), lies in or above the Windows or system
  // directory, or, with a game program given, does not hold that program.
  GuardVerdict InstallFolder(const std::string& path, const char* gameProgram);
  // A shortcut the install made: a plain absolute path of a ".lnk" or ".pif" file, also
  // once resolved, on the user's or the common desktop, or in the game's own group folder
  // (AllowShortcutsIn), never anywhere else in the Start menu.
  GuardVerdict Shortcut(const std::string& path);
  // The game's own group folder: shortcuts in it may go. Ignored unless it lies strictly
  // inside a Start menu.
  void AllowShortcutsIn(const std::string& groupFolder);
  // The record's own pack: a ".pak" file directly in the Windows directory.
  GuardVerdict RecordPack(const std::string& path);
  // A path rel (relative, staying inside) in a folder the guard approved: refused when it
  // leads elsewhere once resolved (a link inside the folder).
  GuardVerdict Inside(const std::string& approvedFolder, const std::string& rel);
  // A Start-menu group folder an install made: strictly inside the user's or the common
  // Start menu, and no protected folder.
  GuardVerdict GroupFolder(const std::string& path);

  const std::vector<std::string>& protectedForms() const { return protected_; }

 private:
  // The comparison forms of a path: as written, resolved, and its short form; folded.
  std::vector<std::string> Forms(const std::string& path);
  // The resolved, normalised form of a path (case kept); empty when it cannot be had.
  std::string Resolved(const std::string& path);
  void Protect(const std::string& path);

  System& system_;
  std::vector<std::string> protected_;        // same-or-ancestor of these is refused
  std::vector<std::string> windows_;          // in, same or ancestor of these is refused
  std::vector<std::string> shortcutFolders_;  // shortcuts are deleted only inside these
  std::vector<std::string> startMenus_;       // group folders are removed only inside these
};

// Whether the install folder a record names may be deleted (the guard without the test
// for the game program).
bool IsRemovableInstallFolder(System& system, const InstallPlan& plan, const std::string& path);

// Whether a recorded shortcut may be deleted: an absolute path of a ".lnk" or ".pif" file.
bool IsShortcutFile(const std::string& path);

}  // namespace dl
