#include "install/repair.h"

#include <map>

#include "install/disc_finder.h"
#include "install/finish.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "install/verify.h"
#include "platform/wildcard.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

// A name as the file system compares names, "/" read as "\" (no trail byte is a "/").
std::string Key(FileSystem& files, std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return files.FoldCase(name);
}

// Whether a disc's list entry copied the file that has this name on the disc (both keys).
bool EntryNames(FileSystem& files, const std::string& entry, const std::string& name) {
  const std::size_t star = entry.find('*');
  if (star == std::string::npos) return entry == name;
  // The copy put each match under the text before the first "*"; the search matched the
  // entry's last part against names in one folder.
  const std::string prefix = entry.substr(0, star);
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string rest = name.substr(prefix.size());
  if (rest.find('\\') != std::string::npos) return false;
  const std::string pattern = FileNameOf(files, entry);
  return pattern == "*.*" || WildcardMatch(pattern, rest);  // "*.*" takes every name
}

// A file the repair has touched: where it goes, and where what was there was set aside.
struct Touched {
  std::string target;
  std::string aside;  // empty: nothing was there
};

// Puts back what a repair that did not finish had replaced, newest first.
void PutBack(InstallContext& ctx, const std::vector<Touched>& touched) {
  for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
    ctx.system.SetAttributes(it->target, kAttrNormal);
    const bool removed = ctx.system.RemoveFile(it->target) || !ctx.system.FileExists(it->target);
    const bool restored = it->aside.empty() || ctx.system.RenameReplacing(it->aside, it->target);
    LogLine(ctx.log, "repair undone " + it->target,
            !removed || !restored ? std::string("FAILED")
            : it->aside.empty()   ? std::string("removed")
                                  : std::string("put back as it was"));
  }
}

// Puts back each file that a repair killed midway had set aside.
int PutBackInterrupted(InstallContext& ctx, const Journal& journal) {
  int putBack = 0;
  for (const JournalEntry& e : journal.entries) {
    if (e.kind != JournalEntry::kCopied) continue;
    std::string target = journal.installFolder;
    if (!JoinPath(ctx.system, &target, e.path)) continue;
    const std::string aside = target + kRepairAsideSuffix;
    if (!ctx.system.FileExists(aside)) continue;
    ctx.system.SetAttributes(target, kAttrNormal);
    const bool ok = ctx.system.RenameReplacing(aside, target);
    LogLine(ctx.log, "repair " + target,
            ok ? "put back as it was before an interrupted repair" : "FAILED to put back " + aside);
    if (ok) ++putBack;
  }
  return putBack;
}

}  // namespace

std::optional<DiscSource> DiscHolding(InstallContext& ctx, const InstallPlan& plan,
                                      const std::string& installed) {
  FileSystem& files = ctx.system;
  // Back through the renames, newest first: the name the file had on the disc.
  std::string name = installed;
  const auto renames = RenamePairs(ctx);
  for (auto it = renames.rbegin(); it != renames.rend(); ++it)
    if (Key(files, it->second) == Key(files, name)) name = it->first;
  const std::string key = Key(files, name);
  for (std::size_t index = plan.discs.size(); index-- > 0;) {
    bool listed = false;
    for (int i = 0;; ++i) {
      const char* entry =
          ctx.script.GetString(plan.discs[index].c_str(), FileKeyName(i).c_str(), nullptr);
      if (entry == nullptr) break;
      const std::string text = entry;
      const bool wildcard = text.find('*') != std::string::npos;
      // The copy stopped at an entry that leaves the folders: none after it was copied.
      if (!IsContainedRelativePath(text, wildcard, &files)) break;
      listed = listed || EntryNames(files, Key(files, text), key);
    }
    if (listed) return DiscSource{static_cast<int>(index) + 1, name};
  }
  return std::nullopt;
}

RepairResult RepairFiles(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                         CopyState& state, const Journal& journal,
                         const std::vector<std::string>& files) {
  RepairResult result;
  result.putBack = PutBackInterrupted(ctx, journal);
  // The files by disc, in the discs' order.
  std::map<int, std::vector<std::pair<std::string, std::string>>> byDisc;  // installed, on disc
  int total = 0;
  for (const std::string& rel : files) {
    if (std::optional<DiscSource> source = DiscHolding(ctx, plan, rel)) {
      byDisc[source->disc].emplace_back(rel, source->rel);
      ++total;
    } else {
      result.nowhere.push_back(rel);
      LogLine(ctx.log, "repair " + rel, "NOT REPAIRED: no disc lists it");
    }
  }
  if (total == 0) return result;

  std::vector<Touched> touched;
  auto fail = [&](const std::string& why, bool cancelled) {
    result.ok = false;
    result.cancelled = cancelled;
    result.failure = why;
    result.repaired.clear();
    LogLine(ctx.log, "repair", (cancelled ? "STOPPED: " : "FAILED: ") + why);
    PutBack(ctx, touched);
    screen.ShowProgress(false);
    return result;
  };
  screen.ShowProgress(true);
  screen.SetProgressRange(total);
  screen.HideFolderChoice();
  DiscFinder finder(ctx, plan, state);
  int position = 0;
  for (const auto& [disc, wanted] : byDisc) {
    if (position > 0 && screen.StopRequested()) return fail("cancelled by the user", true);
    bool cancelled = false;
    const std::optional<DiscPlace> place =
        LocateDisc(ctx, plan, screen, finder, state, disc, plan.discs[disc - 1], /*askFirst=*/false,
                   &cancelled);
    if (cancelled) return fail("cancelled by the user", true);
    if (!place)
      return fail("disc " + std::to_string(disc) + " (" +
                      SectionLabel(ctx.script, plan.discs[disc - 1]) + ") was not found",
                  false);
    for (const auto& [rel, onDisc] : wanted) {
      std::string source = place->plan.sourceRoot, target = journal.installFolder;
      if (!JoinPath(ctx.system, &source, onDisc) || !JoinPath(ctx.system, &target, rel))
        return fail(rel + ": the path is longer than 259 characters", false);
      screen.ShowStatus(plan.statusText + "\n" + rel);
      screen.SetProgressPosition(position++);
      if (!ctx.system.FileExists(source))
        return fail(source + " is not on disc " + std::to_string(disc), false);
      // What is there now is set aside, to be put back if the repair does not finish.
      Touched touch{target, {}};
      if (ctx.system.FileExists(target)) {
        touch.aside = target + kRepairAsideSuffix;
        ctx.system.SetAttributes(target, kAttrNormal);
        if (!ctx.system.RenameReplacing(target, touch.aside))
          return fail(target + " could not be set aside", false);
      }
      touched.push_back(touch);
      const int shell =
          ctx.system.ShellFileOperation(screen.owner(), ShellOp::kCopy, source, target, kCopyFlags);
      if (shell != 0)
        return fail(source + ": the copy failed (" + std::to_string(shell) + ")", false);
      ctx.system.SetAttributes(target, kAttrNormal);  // files from a CD carry the read-only mark
      LogLine(ctx.log, "repair " + source + " -> " + target, "done");
      result.repaired.push_back(rel);
      if (screen.StopRequested()) return fail("cancelled by the user", true);
    }
  }
  screen.ShowProgress(false);
  for (const Touched& touch : touched)
    if (!touch.aside.empty() && !ctx.system.RemoveFile(touch.aside))
      ctx.system.RemoveAtRestart(touch.aside);
  for (const std::string& rel : result.repaired) {
    std::string path = journal.installFolder;
    JournalEntry stamp;
    if (JoinPath(ctx.system, &path, rel) && StampFile(ctx.system, path, &stamp)) {
      stamp.path = rel;
      result.stamps.push_back(stamp);
    }
  }
  return result;
}

}  // namespace dl
