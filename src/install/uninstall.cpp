#include "install/uninstall.h"

#include <vector>

#include "install/finish.h"
#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/program_entry.h"
#include "install/undo.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

// Whether the journal says the install made this shortcut or desktop copy.
bool MadeByTheInstall(CodePage& codePage, const Journal& journal, const std::string& path) {
  const std::string canonical = CanonicalPath(path, &codePage);
  for (const JournalEntry& e : journal.entries)
    if ((e.kind == JournalEntry::kShortcut || e.kind == JournalEntry::kDesktopCopy) && !e.existed &&
        !canonical.empty() && CanonicalPath(e.path, &codePage) == canonical)
      return true;
  return false;
}

}  // namespace

bool Uninstall(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen) {
  System& sys = ctx.system;
  WindowRef owner = screen.owner();
  screen.HideInstallAndPlay();

  DeleteGuard guard(sys, plan);
  guard.AllowShortcutsIn(GameGroupFolder(ctx, plan));
  std::vector<std::string> refused;
  UndoResult undo;
  auto refuse = [&](const std::string& path, const GuardVerdict& verdict) {
    refused.push_back(path + " (" + verdict.reason + ")");
    LogLine(ctx.log, "delete " + path, "REFUSED: " + verdict.reason);
  };
  // A deletion that fails counts when the path was there to delete.
  auto remove = [&](const std::string& path) {
    std::uint32_t attributes = 0;
    const bool there = sys.GetAttributes(path, &attributes);
    const int result = sys.ShellFileOperation(owner, ShellOp::kDelete, path, "", kDeleteFlags);
    LogLine(ctx.log, "delete " + path,
            result == 0 ? "done"
            : there     ? "FAILED (" + std::to_string(result) + ")"
                        : "gone already");
    if (result != 0 && there) undo.notRemoved.push_back(path + " (the deletion failed)");
  };

  // The journal that came with the record says what the install made; it can only narrow
  // what goes. Without one (an older record), or with one that is damaged or names another
  // folder, the record is uninstalled as it always was.
  const char* folder = Read(ctx.record, record::kInstallFolder);
  Journal journal;
  bool useJournal = false;
  std::string journalProblem;
  if (ctx.recordJournal != nullptr && !ctx.recordJournal->empty()) {
    journal = ParseJournal(*ctx.recordJournal, &sys);
    if (!journal.whole())
      journalProblem = journal.problems.empty()
                           ? "it does not end"
                           : "it holds \"" + std::string(journal.problems[0].substr(0, 80)) + "\"";
    else if (folder == nullptr ||
             CanonicalPath(folder, &sys) != CanonicalPath(journal.installFolder, &sys))
      journalProblem = "it names another folder than the record";
    else
      useJournal = true;
    LogLine(ctx.log, "journal",
            useJournal ? "read: " + std::to_string(journal.entries.size()) + " entries"
                       : "DAMAGED (" + journalProblem + "): not used");
  }

  // Nothing of the launcher may hold the pack open while it is deleted.
  ctx.pack.Close();
  const std::string pack = plan.recordPath + ".pak";
  const GuardVerdict packVerdict = guard.RecordPack(pack);
  if (packVerdict.ok())
    remove(packVerdict.approved);
  else
    refuse(pack, packVerdict);

  for (int i = 0;; ++i) {
    const char* file = ctx.record.GetString(record::kMoveFile, FileKeyName(i).c_str(), nullptr);
    if (file == nullptr) break;
    if (*file == '\0') continue;  // a shortcut no file could be named after
    const GuardVerdict verdict = guard.Shortcut(file);
    if (!verdict.ok()) {
      refuse(file, verdict);
      continue;
    }
    if (!sys.FileExists(verdict.approved)) continue;
    if (useJournal && !MadeByTheInstall(sys, journal, file)) {
      undo.kept.push_back(std::string(file) + " (the install did not make it)");
      LogLine(ctx.log, "delete " + std::string(file), "KEPT: the install did not make it");
      continue;
    }
    remove(verdict.approved);
  }
  // The folder goes only while it still holds the game program the script names, so a
  // record pointed at an unrelated folder deletes nothing.
  const char* program = Read(ctx.script, script::kGameExeForPlay);
  if (program == nullptr) program = script::kGameExeForGroup.def;
  if (useJournal) {
    UndoResult files = RemoveInstalledFiles(ctx, journal, guard, program, owner);
    RemoveEmptyGroup(ctx, journal, guard, &files);
    for (std::string& k : files.kept) {
      LogLine(ctx.log, "keep " + k, "KEPT");
      undo.kept.push_back(std::move(k));
    }
    for (std::string& n : files.notRemoved) undo.notRemoved.push_back(std::move(n));
  } else if (folder != nullptr) {
    const GuardVerdict verdict = guard.InstallFolder(folder, program);
    if (verdict.ok())
      remove(verdict.approved);
    else
      refuse(folder, verdict);
  }
  // The system lists the game until the game itself is gone; its entry and the launcher's
  // copy it starts stay while the game's program is there.
  const std::string recordName = Read(ctx.script, script::kRecordName);
  std::string stillListed;
  if (folder != nullptr && HasProgramEntry(sys, recordName, folder)) {
    std::string gameProgram = folder;
    if (JoinPath(sys, &gameProgram, program) && sys.FileExists(gameProgram))
      stillListed = gameProgram;
    else if (!RemoveProgramEntry(ctx, recordName, folder))
      undo.notRemoved.push_back("the game's entry in the list of installed programs");
    if (!stillListed.empty())
      LogLine(ctx.log, "installed-programs entry", "KEPT: the game's program is still there");
  }
  const bool complete = refused.empty() && undo.notRemoved.empty();
  if (complete && undo.kept.empty() && journalProblem.empty() && stillListed.empty()) {
    if (plan.sayWhenRemoved && !plan.silent)
      sys.ShowMessage(owner, GameDisplayName(ctx.script) + " was removed from this computer.",
                      kUninstallCaption);
    return true;
  }

  std::string text;
  auto paragraph = [&](const std::string& heading, const std::vector<std::string>& items) {
    if (items.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += heading + ListOf(items);
  };
  paragraph(
      "The install record names these, which are not the game's own files or folder. They "
      "were left in place:",
      refused);
  paragraph("These could not be removed:", undo.notRemoved);
  paragraph("These were kept, because the install did not make them:", undo.kept);
  if (!stillListed.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "The game's program " + stillListed +
            " is still there, so the game stays in the list of installed programs.";
  }
  if (!journalProblem.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "The list of what the install made is damaged (" + journalProblem +
            "), so the install folder was judged without it.";
  }
  // An unattended uninstall asks nothing: what was kept or refused is in the log.
  if (!plan.silent) sys.ShowMessage(owner, text, kUninstallCaption);
  return complete;
}

}  // namespace dl
