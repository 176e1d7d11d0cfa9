// Verify and repair's second half: the files of an install that are missing or damaged
// (or, when the player asks, changed since) copied back from the discs that hold them,
// each disc asked for only when it holds one of them. A repair that does not finish puts
// back what was there before it: a file it replaces is first set aside beside itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "install/copy.h"
#include "install/install_journal.h"
#include "install/install_plan.h"
#include "install/install_screen.h"

namespace dl {

// What a file set aside by a repair is called while the repair runs: its own name and this.
inline constexpr const char* kRepairAsideSuffix = ".dlrepair";

// Where the install took a file of its folder from: disc n (from 1) of the plan, and the
// file's path there (before a rename of "[renname]" gave it the name it has now).
struct DiscSource {
  int disc = 0;
  std::string rel;
};

// The disc that a file of the install (relative to its folder) came from, as the install
// copied it: the last disc and the last entry that name it win, as they did then. Nothing
// when no disc lists it.
std::optional<DiscSource> DiscHolding(InstallContext& ctx, const InstallPlan& plan,
                                      const std::string& installed);

struct RepairResult {
  bool ok = true;                     // every file asked for that a disc lists was copied back
  bool cancelled = false;             // the user cancelled a disc prompt or stopped the repair
  std::string failure;                // why it did not finish
  std::vector<std::string> repaired;  // relative paths copied back
  std::vector<std::string> nowhere;   // relative paths no disc lists
  std::vector<JournalEntry> stamps;   // the repaired files' stamps now
  int putBack = 0;                    // files of an interrupted repair put back at its start
  bool recorded = true;               // the record's journal holds the stamps (or needs none)
};

// Copies these files (relative to the journal's install folder) back from their discs.
// When it does not finish, every file it replaced is put back and every file it added is
// removed again.
RepairResult RepairFiles(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                         CopyState& state, const Journal& journal,
                         const std::vector<std::string>& files);

}  // namespace dl
