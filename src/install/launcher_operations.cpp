#include "install/launcher_operations.h"

#include <chrono>
#include <map>

#include "install/finish.h"
#include "install/install_log.h"
#include "install/install_record.h"
#include "install/join_path.h"
#include "install/launch.h"
#include "install/path_guard.h"
#include "install/program_entry.h"
#include "install/uninstall.h"
#include "install/verify.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {

void LauncherOperations::BeginInstall(const InstallPlan& plan) {
  ctx_.journal = nullptr;
  journal_.reset();
  // The journal's file lies next to the record's pack, named after it; a record name that
  // is no plain file name gets no file (and no record either).
  const bool plainName =
      RecordNameProblem(Read(ctx_.script, script::kRecordName), &ctx_.system).empty();
  journal_ = std::make_unique<InstallJournal>(
      ctx_.system, plainName ? JournalFilePath(plan.recordPath) : std::string(), plan.installFolder,
      ctx_.log);
  ctx_.journal = journal_.get();
}

UndoResult LauncherOperations::RollBackInstall(const InstallPlan& plan, InstallScreen& screen) {
  if (journal_ == nullptr) {
    LogLine(ctx_.log, "undo", "nothing to undo: an update cannot restore the files it replaced");
    return {};
  }
  UndoResult result = dl::RollBackInstall(ctx_, plan, journal_->entries(), screen.owner());
  LogLine(ctx_.log, "undo",
          std::to_string(result.removed) + " removed, " + std::to_string(result.notRemoved.size()) +
              " not removed");
  journal_->RemoveFile();
  journal_.reset();
  ctx_.journal = nullptr;
  return result;
}

CopyResult LauncherOperations::CopyAllDiscs(const InstallPlan& plan, InstallScreen& screen) {
  if (plan.mode != LaunchMode::kUpdate || journal_ != nullptr)
    return dl::CopyAllDiscs(ctx_, plan, screen, copy_);
  // An update notes what it copies in a journal of its own, kept in memory: the record's
  // journal takes its files afterwards (undoing an update restores nothing).
  InstallJournal update(ctx_.system, std::string(), plan.installFolder);
  ctx_.journal = &update;
  CopyResult result = dl::CopyAllDiscs(ctx_, plan, screen, copy_);
  ctx_.journal = nullptr;
  RecordUpdate(plan, update);
  return result;
}

void LauncherOperations::RecordUpdate(const InstallPlan& plan, const InstallJournal& update) {
  if (ctx_.recordJournal == nullptr || ctx_.recordJournal->empty()) return;
  const Journal journal = ParseJournal(*ctx_.recordJournal, &ctx_.system);
  // A journal of an earlier version has no stamps to refresh; one of another folder is not
  // this update's.
  bool stamped = false;
  for (const JournalEntry& e : journal.entries)
    stamped = stamped || e.kind == JournalEntry::kCopied;
  if (!stamped || !journal.whole() ||
      ctx_.system.FoldCase(journal.installFolder) != ctx_.system.FoldCase(plan.installFolder))
    return;
  std::vector<JournalEntry> added;
  std::map<std::string, std::string> copied;  // folded name -> name
  for (const JournalEntry& e : update.entries()) {
    if (e.kind == JournalEntry::kMade) added.push_back(e);
    if (e.kind == JournalEntry::kFile) copied.emplace(ctx_.system.FoldCase(e.path), e.path);
  }
  for (const JournalEntry& e : update.entries())
    if (e.kind == JournalEntry::kFile) added.push_back(e);
  int stamps = 0;
  for (const auto& [key, rel] : copied) {
    std::string path = plan.installFolder;
    JournalEntry stamp;
    if (!JoinPath(ctx_.system, &path, rel) || !StampFile(ctx_.system, path, &stamp)) continue;
    stamp.path = rel;
    added.push_back(stamp);
    ++stamps;
  }
  if (stamps == 0) return;
  LogLine(ctx_.log, "checksums", std::to_string(stamps) + " files of the update");
  StoreRecordJournal(ctx_, plan, JournalText(WithEntries(ctx_.system, journal, added)));
}

RepairResult LauncherOperations::Repair(const InstallPlan& plan, InstallScreen& screen,
                                        const Journal& journal,
                                        const std::vector<std::string>& files) {
  RepairResult result = RepairFiles(ctx_, plan, screen, copy_, journal, files);
  // A file copied back from its disc is mostly the install's own to the byte and the
  // write time: the journal is written again only when a stamp differs.
  std::map<std::string, const JournalEntry*> noted;
  for (const JournalEntry& e : journal.entries)
    if (e.kind == JournalEntry::kCopied) noted[ctx_.system.FoldCase(e.path)] = &e;
  bool differs = false;
  for (const JournalEntry& s : result.stamps) {
    const auto it = noted.find(ctx_.system.FoldCase(s.path));
    differs = differs || it == noted.end() || it->second->number != s.number ||
              it->second->time != s.time || it->second->crc != s.crc;
  }
  if (differs)
    result.recorded = StoreRecordJournal(
        ctx_, plan, JournalText(WithEntries(ctx_.system, journal, result.stamps)));
  return result;
}

void LauncherOperations::RenameInstalledFiles(const InstallPlan& plan, InstallScreen& screen) {
  dl::RenameInstalledFiles(ctx_, plan, screen.owner());
}

void LauncherOperations::FinishInstall(const InstallPlan& plan, InstallScreen& screen) {
  dl::FinishInstall(ctx_, plan, screen.owner());
}

bool LauncherOperations::WriteInstallRecord(const InstallPlan& plan) {
  // What an uninstall needs without the disc is on the hard disk before the record says
  // that the game is installed; the system lists the game once the record is written.
  // The entry's name is in the journal before the record, so that only the key this install
  // wrote is ever removed again.
  if (journal_ != nullptr) {
    // Each file as the install leaves it (renames done), for a verify to compare with.
    const auto began = std::chrono::steady_clock::now();
    const int stamped = StampInstalledFiles(ctx_.system, *journal_);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - began)
                        .count();
    LogLine(ctx_.log, "checksums",
            std::to_string(stamped) + " files in " + std::to_string(ms) + " ms");
  }
  const std::string launcherCopy =
      journal_ != nullptr ? KeepUninstaller(ctx_, plan) : std::string();
  const std::string entry = launcherCopy.empty() ? std::string() : ChooseProgramEntry(ctx_, plan);
  const bool written = dl::WriteInstallRecord(ctx_, plan);
  if (written && !entry.empty()) RegisterProgram(ctx_, plan, entry, launcherCopy);
  if (written && journal_ != nullptr) {
    // The journal is in the record's pack now: its file has done its work.
    journal_->RemoveFile();
    journal_.reset();
    ctx_.journal = nullptr;
  }
  return written;
}

bool LauncherOperations::Uninstall(const InstallPlan& plan, InstallScreen& screen) {
  return dl::Uninstall(ctx_, plan, screen);
}

void LauncherOperations::RunGame(WindowRef owner) {
  dl::RunGame(ctx_, owner);
}

void LauncherOperations::RunDemo(const InstallPlan& plan, WindowRef owner) {
  dl::RunDemo(ctx_, plan.sourceRoot, owner);
}

void LauncherOperations::RunExtraInstaller(InstallScreen& screen) {
  dl::RunExtraInstaller(ctx_, screen);
}

void LauncherOperations::RunDirectXSetup(const OsVersionInfo& version, InstallScreen& screen) {
  dl::RunDirectXSetup(ctx_, version, screen);
}

}  // namespace dl
