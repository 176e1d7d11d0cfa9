#include "install/uninstall.h"

#include <vector>

#include "install/finish.h"
#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/program_entry.h"
#include "install/remove_tree.h"
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
  // what goes. Only a record without one (written before journals existed) is uninstalled
  // as the record alone says; one that cannot be read whole, or names another folder, or
  // whose names are in another code page, removes nothing from the install folder.
  const char* folder = Read(ctx.record, record::kInstallFolder);
  Journal journal;
  const bool haveJournal = ctx.recordJournal != nullptr && !ctx.recordJournal->empty();
  std::string journalProblem;
  if (haveJournal) {
    journal = ParseJournal(*ctx.recordJournal, &sys);
    journalProblem = journal.Problem(sys.AnsiCodePage());
    if (journalProblem.empty() &&
        (folder == nullptr ||
         CanonicalPath(folder, &sys) != CanonicalPath(journal.installFolder, &sys)))
      journalProblem = "it names another folder than the record";
    LogLine(ctx.log, "journal",
            journalProblem.empty()
                ? "read: " + std::to_string(journal.entries.size()) + " entries"
                : "NOT USED (" + journalProblem + "): nothing in the install folder is removed");
  }
  const bool useJournal = haveJournal && journalProblem.empty();

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
  } else if (folder != nullptr && !haveJournal) {
    const GuardVerdict verdict = guard.InstallFolder(folder, program);
    if (!verdict.ok()) {
      refuse(folder, verdict);
    } else {
      // A link or junction in it goes as a link: nothing is deleted through it.
      const TreeRemoval tree = RemoveTree(sys, verdict.approved);
      LogLine(ctx.log, "delete " + verdict.approved,
              tree.gone ? "done" : "FAILED (" + std::to_string(tree.failed.size()) + " left)");
      if (!tree.gone) undo.notRemoved.push_back(verdict.approved + " (the deletion failed)");
    }
  } else if (folder != nullptr) {
    LogLine(ctx.log, "delete " + std::string(folder), "KEPT: the journal cannot be used");
  }
  // The system lists the game until the game itself is gone: its entry and the launcher's
  // copy it starts stay while the game's program is there.
  const std::string recordName = Read(ctx.script, script::kRecordName);
  std::string stillListed;
  std::string gameProgram = folder != nullptr ? folder : "";
  const bool gameThere =
      folder != nullptr && JoinPath(sys, &gameProgram, program) && sys.FileExists(gameProgram);
  const auto entries =
      OwnProgramEntries(sys, journal.entries, recordName, pack, folder != nullptr ? folder : "");
  if (gameThere) {
    if (!entries.empty()) {
      stillListed = gameProgram;
      LogLine(ctx.log, "installed-programs entry", "KEPT: the game's program is still there");
    }
  } else {
    if (!RemoveProgramEntries(ctx, entries))
      undo.notRemoved.push_back("the game's entry in the list of installed programs");
    undo.removed += RemoveUninstaller(ctx, journal.entries, recordName, &undo.notRemoved);
  }
  // A folder left because its journal cannot be used is an uninstall that did not finish.
  const bool complete = refused.empty() && undo.notRemoved.empty() && journalProblem.empty();
  if (complete && undo.kept.empty() && stillListed.empty()) {
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
  if (!journalProblem.empty() && folder != nullptr) {
    if (!text.empty()) text += "\n\n";
    text += "The list of what the install made cannot be used (" + journalProblem +
            "), so nothing in " + folder +
            " was removed: the launcher cannot tell the game's files from yours there. Delete "
            "what you no longer need yourself.";
  }
  // An unattended uninstall asks nothing: what was kept or refused is in the log.
  if (!plan.silent) sys.ShowMessage(owner, text, kUninstallCaption);
  return complete;
}

}  // namespace dl
