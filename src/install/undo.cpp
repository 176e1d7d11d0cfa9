#include "install/undo.h"

#include <algorithm>

#include "install/finish.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/program_entry.h"
#include "install/remove_tree.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/one_line.h"

namespace dl {
namespace {

bool Exists(FileSystem& files, const std::string& path) {
  std::uint32_t attributes = 0;
  return files.GetAttributes(path, &attributes);
}

// Deletes one approved path through the shell, as every deletion of the user's files.
bool ShellDelete(InstallContext& ctx, WindowRef owner, const std::string& path,
                 UndoResult* result) {
  const int shell = ctx.system.ShellFileOperation(owner, ShellOp::kDelete, path, "", kDeleteFlags);
  LogLine(ctx.log, "delete " + path,
          shell == 0 ? "done" : "FAILED (" + std::to_string(shell) + ")");
  if (shell == 0) {
    ++result->removed;
    return true;
  }
  result->notRemoved.push_back(path + " (the deletion failed)");
  return false;
}

// Removes an approved folder with all it holds, never through a link or junction in it.
bool DeleteTree(InstallContext& ctx, const std::string& path, UndoResult* result) {
  const TreeRemoval tree = RemoveTree(ctx.system, path);
  result->removed += tree.removed;
  LogLine(ctx.log, "delete " + path,
          tree.gone ? "done" : "FAILED (" + std::to_string(tree.failed.size()) + " left)");
  if (!tree.gone) {
    const std::string first = tree.failed.empty() ? path : tree.failed.front();
    result->notRemoved.push_back(path + " (the deletion failed: " + first + ")");
  }
  return tree.gone;
}

// Removes an approved folder when it holds nothing.
bool RemoveIfEmpty(InstallContext& ctx, const std::string& path, UndoResult* result,
                   bool quietWhenFull) {
  if (!Exists(ctx.system, path)) return true;
  if (ctx.system.RemoveEmptyFolder(path)) {
    LogLine(ctx.log, "remove folder " + path, "done");
    ++result->removed;
    return true;
  }
  LogLine(ctx.log, "remove folder " + path, "KEPT: it is not empty");
  if (!quietWhenFull) result->notRemoved.push_back(path + " (it is not empty)");
  return false;
}

// The folders above the install folder that the install made, nearest first, while each
// is empty.
void RemoveFoldersAbove(InstallContext& ctx, DeleteGuard& guard, const std::string& installFolder,
                        std::uint64_t count, UndoResult* result) {
  std::string folder = NormalizedPath(installFolder, &ctx.system);
  for (std::uint64_t i = 0; i < count; ++i) {
    folder = CutAtLastSeparator(ctx.system, folder);
    if (folder.size() <= 2) return;
    const GuardVerdict verdict = guard.InstallFolder(folder, nullptr);
    if (!verdict.ok()) {
      LogLine(ctx.log, "remove folder " + folder, "REFUSED: " + verdict.reason);
      return;
    }
    // A folder above may hold other things by now (another game): it stays then.
    if (!RemoveIfEmpty(ctx, verdict.approved, result, /*quietWhenFull=*/true)) return;
  }
}

std::uint64_t FoldersAbove(const std::vector<JournalEntry>& entries) {
  for (const JournalEntry& e : entries)
    if (e.kind == JournalEntry::kAbove) return e.number;
  return 0;
}

std::string InstallFolderOf(const std::vector<JournalEntry>& entries) {
  for (const JournalEntry& e : entries)
    if (e.kind == JournalEntry::kFolder) return e.path;
  return {};
}

}  // namespace

std::string ListOf(const std::vector<std::string>& items, std::size_t limit) {
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < limit; ++i) text += "\n" + items[i];
  if (items.size() > limit) text += "\n(and " + std::to_string(items.size() - limit) + " more)";
  return text;
}

UndoResult RollBackInstall(InstallContext& ctx, const InstallPlan& plan,
                           const std::vector<JournalEntry>& entries, WindowRef owner) {
  UndoResult result;
  DeleteGuard guard(ctx.system, plan);
  guard.AllowShortcutsIn(GameGroupFolder(ctx, plan));
  const std::string installFolder = InstallFolderOf(entries);
  // Nothing in a folder the guard refuses (a drive root, a system or user folder) is
  // touched, whatever the journal says of it.
  GuardVerdict folder{{}, "no install folder"};
  if (!installFolder.empty()) folder = guard.InstallFolder(installFolder, nullptr);
  if (!folder.ok() && !installFolder.empty()) {
    LogLine(ctx.log, "undo in " + installFolder, "REFUSED: " + folder.reason);
    result.notRemoved.push_back(installFolder + " (" + folder.reason +
                                "; nothing in it was removed)");
  }
  std::string conversion = ctx.system.WindowsDir();
  JoinPath(ctx.system, &conversion, "setup.ini");

  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const JournalEntry& e = *it;
    switch (e.kind) {
      case JournalEntry::kFile: {
        std::string path = installFolder;
        JoinPath(ctx.system, &path, e.path);
        if (e.existed) {
          result.kept.push_back(path + " (it was there before the install)");
          break;
        }
        if (!folder.ok()) break;
        const GuardVerdict verdict = guard.Inside(folder.approved, e.path);
        if (!verdict.ok())
          result.notRemoved.push_back(path + " (" + verdict.reason + ")");
        else if (Exists(ctx.system, verdict.approved))
          ShellDelete(ctx, owner, verdict.approved, &result);
        break;
      }
      case JournalEntry::kMade: {
        if (!folder.ok()) break;
        if (e.path == ".") {
          RemoveIfEmpty(ctx, folder.approved, &result, false);
          break;
        }
        const GuardVerdict verdict = guard.Inside(folder.approved, e.path);
        if (verdict.ok()) RemoveIfEmpty(ctx, verdict.approved, &result, false);
        break;
      }
      case JournalEntry::kAbove:
        if (folder.ok() && !Exists(ctx.system, folder.approved))
          RemoveFoldersAbove(ctx, guard, folder.approved, e.number, &result);
        break;
      case JournalEntry::kShortcut:
      case JournalEntry::kDesktopCopy: {
        if (e.existed) break;
        const GuardVerdict verdict = guard.Shortcut(e.path);
        if (!verdict.ok()) {
          LogLine(ctx.log, "delete " + e.path, "REFUSED: " + verdict.reason);
          if (Exists(ctx.system, e.path))
            result.notRemoved.push_back(e.path + " (" + verdict.reason + ")");
        } else if (Exists(ctx.system, verdict.approved)) {
          ShellDelete(ctx, owner, verdict.approved, &result);
        }
        break;
      }
      case JournalEntry::kGroup: {
        const GuardVerdict verdict = guard.GroupFolder(e.path);
        if (verdict.ok())
          RemoveIfEmpty(ctx, verdict.approved, &result, false);
        else
          LogLine(ctx.log, "remove folder " + e.path, "REFUSED: " + verdict.reason);
        break;
      }
      case JournalEntry::kConversion:
        // Only the converter's own file in the Windows directory, and only when the install
        // made it.
        if (!e.existed &&
            CanonicalPath(e.path, &ctx.system) == CanonicalPath(conversion, &ctx.system) &&
            ctx.system.FileExists(conversion))
          ShellDelete(ctx, owner, conversion, &result);
        break;
      case JournalEntry::kUninstaller:
        result.removed +=
            RemoveUninstaller(ctx, {e}, Read(ctx.script, script::kRecordName), &result.notRemoved);
        break;
      case JournalEntry::kEntry:
        if (!RemoveProgramEntries(
                ctx, OwnProgramEntries(ctx.system, {e}, Read(ctx.script, script::kRecordName),
                                       plan.recordPath + ".pak", installFolder)))
          result.notRemoved.push_back("the game's entry in the list of installed programs");
        break;
      case JournalEntry::kFolder:
      case JournalEntry::kRecord:
      case JournalEntry::kCopied:  // what a verify compares; the file's own line removes it
      case JournalEntry::kEnd:
        break;
    }
  }
  return result;
}

UndoResult RemoveInstalledFiles(InstallContext& ctx, const Journal& journal, DeleteGuard& guard,
                                const char* gameProgram, WindowRef owner) {
  UndoResult result;
  const GuardVerdict folder = guard.InstallFolder(journal.installFolder, gameProgram);
  if (!folder.ok()) {
    LogLine(ctx.log, "delete " + journal.installFolder, "REFUSED: " + folder.reason);
    result.notRemoved.push_back(journal.installFolder + " (" + folder.reason + ")");
    return result;
  }
  if (journal.MadeInstallFolder()) {
    // The install made the folder: it goes with all it holds, the game's saves included.
    if (DeleteTree(ctx, folder.approved, &result))
      RemoveFoldersAbove(ctx, guard, folder.approved, FoldersAbove(journal.entries), &result);
    return result;
  }
  // A folder that was there before: the folders the install made in it (the outermost
  // ones, each with all it holds), then the files it wrote elsewhere in it.
  std::vector<std::string> made;
  for (const JournalEntry& e : journal.entries)
    if (e.kind == JournalEntry::kMade && e.path != ".") made.push_back(e.path);
  auto insideMade = [&](const std::string& rel) {
    const std::string folded = CanonicalPath("C:\\" + rel, &ctx.system);
    for (const std::string& m : made) {
      const std::string f = CanonicalPath("C:\\" + m, &ctx.system);
      if (folded.size() > f.size() && folded.compare(0, f.size(), f) == 0 &&
          folded[f.size()] == '\\')
        return true;
    }
    return false;
  };
  for (const std::string& m : made) {
    if (insideMade(m)) continue;
    const GuardVerdict verdict = guard.Inside(folder.approved, m);
    if (!verdict.ok())
      result.notRemoved.push_back(m + " (" + verdict.reason + ")");
    else if (Exists(ctx.system, verdict.approved))
      DeleteTree(ctx, verdict.approved, &result);
  }
  std::size_t keptFiles = 0;
  for (const JournalEntry& e : journal.entries) {
    if (e.kind != JournalEntry::kFile || insideMade(e.path)) continue;
    std::string path = folder.approved;
    JoinPath(ctx.system, &path, e.path);
    if (e.existed) {
      result.kept.push_back(path + " (it was there before the install)");
      continue;
    }
    const GuardVerdict verdict = guard.Inside(folder.approved, e.path);
    if (!verdict.ok())
      result.notRemoved.push_back(path + " (" + verdict.reason + ")");
    else if (ctx.system.FileExists(verdict.approved))
      ShellDelete(ctx, owner, verdict.approved, &result);
  }
  if (Exists(ctx.system, folder.approved)) {
    for (const FoundFile& f : ctx.system.FindFiles(folder.approved + "\\*"))
      if (f.name != "." && f.name != "..") ++keptFiles;
    if (keptFiles > 0)
      result.kept.push_back(folder.approved + " (it was there before the install; " +
                            std::to_string(keptFiles) +
                            " item(s) in it that the install did not make are kept)");
  }
  return result;
}

void RemoveEmptyGroup(InstallContext& ctx, const Journal& journal, DeleteGuard& guard,
                      UndoResult* result) {
  for (const JournalEntry& e : journal.entries) {
    if (e.kind != JournalEntry::kGroup) continue;
    const GuardVerdict verdict = guard.GroupFolder(e.path);
    if (verdict.ok())
      RemoveIfEmpty(ctx, verdict.approved, result, /*quietWhenFull=*/true);
    else
      LogLine(ctx.log, "remove folder " + e.path, "REFUSED: " + verdict.reason);
  }
}

}  // namespace dl
