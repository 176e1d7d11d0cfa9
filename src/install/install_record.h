// Writing the install record after a fresh install: the install folder and the disc's
// root are added to the record, which is stored as one entry of the pack in the Windows
// directory.
#pragma once

#include <string>

#include "install/install_plan.h"

namespace dl {

// Why a script's record name ([setup] name) cannot name the record; empty when it can. The
// name is the record's pack's file name in the Windows directory and the name of its entry:
// one bare file name, with no "\", "/" or ":", no "..", no device name, no trailing dot or
// blank, and not the name of the journal's entry.
std::string RecordNameProblem(const std::string& name, CodePage* codePage = nullptr);

// The slots the record's pack is opened with.
inline constexpr std::uint32_t kRecordSlots = 5;

// The scratch pack's base path; ".pak" is added.
inline constexpr const char* kScratchBase = "C:\\Wdtemp";

// Writes the record: the plan's install folder and disc root are added to it. True when
// the pack holds it; false when nothing could be written (the pack then is as it was).
bool WriteInstallRecord(InstallContext& ctx, const InstallPlan& plan);

// Puts a journal into the record's pack in place of the one there (a repair, an update):
// true when the pack holds it.
bool StoreRecordJournal(InstallContext& ctx, const InstallPlan& plan, const std::string& journal);

// Where the new pack is written before it replaces the old one: C:\Wdtemp when the record
// is on drive C:, else next to the record, so that the replacement stays on one volume.
std::string ScratchBaseFor(const std::string& recordPath);

}  // namespace dl
