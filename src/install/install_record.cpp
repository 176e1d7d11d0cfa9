#include "install/install_record.h"

#include <functional>

#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/path_guard.h"
#include "install/shortcut_names.h"
#include "pack/pack_file.h"
#include "pack/pack_format.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/path_text.h"

namespace dl {
namespace {

bool OnDriveC(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && (path[0] == 'C' || path[0] == 'c');
}

// Puts the entries into the pack (put) and saves it over the record's pack, by way of a
// scratch pack.
bool SavePack(InstallContext& ctx, const InstallPlan& plan, const std::function<bool()>& put) {
  if (!put()) return false;
  const std::string scratch = ScratchBaseFor(plan.recordPath);
  if (ctx.pack.Save(scratch.c_str(), 1)) return true;
  // C:\ may refuse the scratch pack (a user without the right to write there): try once
  // more next to the record, on the record's own volume.
  const std::string beside = plan.recordPath + "-new";
  if (scratch == beside || !put()) return false;
  return ctx.pack.Save(beside.c_str(), 1) != 0;
}

}  // namespace

std::string ScratchBaseFor(const std::string& recordPath) {
  return OnDriveC(recordPath) ? std::string(kScratchBase) : recordPath + "-new";
}

std::string RecordNameProblem(const std::string& name, CodePage* codePage) {
  if (name.empty()) return "it is empty";
  if (name.find_first_of("\\/:") != std::string::npos)
    return "it names a folder or a drive; it must be a bare file name";
  if (name.find("..") != std::string::npos) return "it holds \"..\"";
  if (!IsPlainFileName(name, codePage)) return "it holds a character no file name may hold";
  if (name.back() == '.' || name.back() == ' ') return "it ends in a dot or a blank";
  if (IsDeviceName(name)) return "it is a device's name";
  if (AsciiUpper(name, codePage) == AsciiUpper(kJournalEntryName))
    return std::string("it is the name of the record's journal (") + kJournalEntryName + ")";
  return {};
}

namespace {
bool Write(InstallContext& ctx, const InstallPlan& plan);
}  // namespace

bool WriteInstallRecord(InstallContext& ctx, const InstallPlan& plan) {
  const bool written = Write(ctx, plan);
  std::size_t entries = 0;
  for (const IniSection& section : ctx.record.sections()) entries += section.entries().size();
  LogLine(ctx.log, "record " + plan.recordPath + ".pak",
          written ? "written: " + std::to_string(entries) + " entries, [inst_path] " +
                        plan.installFolder
                  : "FAILED");
  return written;
}

namespace {
bool Write(InstallContext& ctx, const InstallPlan& plan) {
  IniFile& record = ctx.record;
  record.AddSection(record::kInstPath);
  record.SetString(record::kInstPath, "path", plan.installFolder.c_str());
  record.AddSection(record::kInstallDirectory);
  record.SetString(record::kInstallDirectory, "path", plan.discRoot.c_str());
  const std::string bytes = record.SerializeToString();
  const std::string name = Read(ctx.script, script::kRecordName);
  // The record's name is also its pack's file name in the Windows directory: a name with
  // a folder in it ("..\") would put the pack elsewhere, or store a folder, not a record.
  if (!RecordNameProblem(name, &ctx.system).empty()) return false;

  // The journal of the install goes into the pack beside the record (the record's own
  // bytes stay as they are), so that the uninstall knows what the install made.
  std::string journal;
  if (ctx.journal != nullptr) {
    ctx.journal->Note({JournalEntry::kRecord, plan.recordPath + ".pak", 0, false});
    journal = ctx.journal->FinishedText();
  }
  auto put = [&] {
    if (!ctx.pack.PutEntry(name.c_str(), bytes.data(), static_cast<std::uint32_t>(bytes.size())))
      return false;
    return journal.empty() || ctx.pack.PutEntry(kJournalEntryName, journal.data(),
                                                static_cast<std::uint32_t>(journal.size())) != 0;
  };
  if (!SavePack(ctx, plan, put)) return false;
  if (ctx.recordJournal != nullptr) *ctx.recordJournal = journal;
  return true;
}

}  // namespace

bool StoreRecordJournal(InstallContext& ctx, const InstallPlan& plan, const std::string& journal) {
  // Start-up read the record and closed its pack: the new pack is the one there now with
  // the journal replaced, never a pack of the journal alone.
  const std::string name = Read(ctx.script, script::kRecordName);
  PackRecordRef record;
  bool stored = RecordNameProblem(name, &ctx.system).empty() &&
                (ctx.pack.isOpen() || ctx.pack.Open(plan.recordPath.c_str(), kRecordSlots, 0)) &&
                ctx.pack.FindRecord(name.c_str(), &record);
  stored = stored && SavePack(ctx, plan, [&] {
             return ctx.pack.PutEntry(kJournalEntryName, journal.data(),
                                      static_cast<std::uint32_t>(journal.size())) != 0;
           });
  ctx.pack.Close();
  LogLine(ctx.log, "journal in " + plan.recordPath + ".pak", stored ? "updated" : "FAILED");
  if (stored && ctx.recordJournal != nullptr) *ctx.recordJournal = journal;
  return stored;
}

}  // namespace dl
