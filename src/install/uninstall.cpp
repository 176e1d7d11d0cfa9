#include "install/uninstall.h"

#include <vector>

#include "launcher/setup_dialog.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

bool IsInsideOrSame(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '\\');
}

std::string EndsUpper(const std::string& path, std::size_t n) {
  std::string tail = path.size() >= n ? path.substr(path.size() - n) : path;
  for (char& c : tail)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return tail;
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) return {};
  const char drive = path[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return {};
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&]() -> bool {
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else {
      // Trailing dots and blanks name the same folder on Windows.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      if (part.empty()) return false;
      parts.push_back(part);
    }
    part.clear();
    return true;
  };
  for (std::size_t i = 3; i < path.size(); ++i) {
    char c = path[i];
    if (c == '\\' || c == '/') {
      if (!flush()) return {};
    } else {
      part += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
  if (!flush()) return {};
  std::string out(1, static_cast<char>(drive >= 'a' ? drive - 'a' + 'A' : drive));
  out += ':';
  for (const std::string& p : parts) out += "\\" + p;
  return out;
}

bool IsRemovableInstallFolder(System& system, const LauncherState& state, const std::string& path) {
  const std::string folder = CanonicalPath(path);
  if (folder.size() <= 2) return false;  // empty, relative, damaged or a drive root
  // A folder may also be written in its short (8.3) form: compare both forms.
  auto forms = [&system](const std::string& p) {
    std::vector<std::string> out;
    std::string canonical = CanonicalPath(p), shortForm;
    if (!canonical.empty()) out.push_back(canonical);
    if (system.ShortPath(p, &shortForm)) {
      std::string c = CanonicalPath(shortForm);
      if (!c.empty() && c != canonical) out.push_back(c);
    }
    return out;
  };
  const std::vector<std::string> candidate = forms(path);

  std::vector<std::string> guarded = {state.desktopPath, state.programsPath};
  for (SpecialFolder which :
       {SpecialFolder::kDesktop, SpecialFolder::kPrograms, SpecialFolder::kDocuments,
        SpecialFolder::kStartMenu, SpecialFolder::kDesktopFolder, SpecialFolder::kCommonPrograms,
        SpecialFolder::kCommonDesktopFolder, SpecialFolder::kAppData, SpecialFolder::kProgramFiles,
        SpecialFolder::kProfile, SpecialFolder::kProgramFilesX86,
        SpecialFolder::kCommonProgramFiles}) {
    std::string p;
    if (system.SpecialFolderPath(which, &p)) guarded.push_back(p);
  }
  for (const std::string& g : guarded) {
    for (const std::string& protectedFolder : forms(g))
      for (const std::string& c : candidate)
        if (IsInsideOrSame(protectedFolder, c)) return false;  // it, or an ancestor of it
  }
  // Nothing in or above the Windows or system directory belongs to a game.
  for (const std::string& g : {system.WindowsDir(), system.SystemDir()}) {
    for (const std::string& windows : forms(g))
      for (const std::string& c : candidate)
        if (IsInsideOrSame(c, windows) || IsInsideOrSame(windows, c)) return false;
  }
  return true;
}

bool IsShortcutFile(const std::string& path) {
  const std::string canonical = CanonicalPath(path);
  if (canonical.size() <= 2) return false;
  const std::string tail = EndsUpper(canonical, 4);
  return tail == ".LNK" || tail == ".PIF";
}

int Uninstall(LauncherContext& ctx, SetupDialog& dialog) {
  System& sys = ctx.system;
  WindowRef owner = dialog.view().window();
  dialog.view().ShowControl(kInstallButton, false);
  dialog.view().ShowControl(kPlayButton, false);

  // Nothing of the launcher may hold the pack open while it is deleted.
  ctx.pack.Close();
  sys.ShellFileOperation(owner, ShellOp::kDelete, ctx.state.recordPath + ".pak", "", kDeleteFlags);

  std::vector<std::string> kept;
  for (int i = 0;; ++i) {
    const char* file = ctx.record.GetString(record::kMoveFile, FileKeyName(i).c_str(), nullptr);
    if (file == nullptr) break;
    if (!IsShortcutFile(file)) {
      kept.push_back(file);
      continue;
    }
    if (sys.FileExists(file))
      sys.ShellFileOperation(owner, ShellOp::kDelete, file, "", kDeleteFlags);
  }
  if (const char* folder = Read(ctx.record, record::kInstallFolder)) {
    if (IsRemovableInstallFolder(sys, ctx.state, folder))
      sys.ShellFileOperation(owner, ShellOp::kDelete, folder, "", kDeleteFlags);
    else
      kept.push_back(folder);
  }
  if (kept.empty()) return 1;
  std::string text =
      "The install record names these, which are not the game's own files or folder. They "
      "were left in place:";
  for (const std::string& k : kept) text += "\n" + k;
  sys.ShowMessage(owner, text, kUninstallCaption);
  return 0;
}

}  // namespace dl
