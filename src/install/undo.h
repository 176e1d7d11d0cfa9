// Undoing what an install made, as its journal lists it: after an install that did not
// finish (everything it made goes, last first, and nothing that was there before), and
// for the uninstall of a recorded one (the folders it made go with all they hold, in a
// folder that was there before only the files it wrote). The journal is a text anyone
// who can edit the record can edit: every path in it goes through the delete guard.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "install/install_plan.h"
#include "install/path_guard.h"

namespace dl {

// The flags of every deletion through the shell: no progress window, no confirmation, no
// undo.
inline constexpr std::uint32_t kDeleteFlags = kShellSilent | kShellNoConfirmation;

struct UndoResult {
  std::size_t removed = 0;              // files and folders removed
  std::vector<std::string> notRemoved;  // "path (why)": what should have gone and did not
  std::vector<std::string> kept;        // "path (why)": what stays because it predates the install
};

// Removes what an install that did not finish made: new files, the folders it made (when
// empty), the shortcuts and desktop copies it made, its group folder (when empty) and a
// group description it created. Files that were there before are kept, even when the
// install wrote over them.
UndoResult RollBackInstall(InstallContext& ctx, const InstallPlan& plan,
                           const std::vector<JournalEntry>& entries, WindowRef owner);

// The uninstall's part in the install folder, for a whole journal whose folder is the
// recorded one: the folder itself when the install made it, else the folders the install
// made in it (each with all it holds) and the files it wrote (not those that were there
// before); then the folders above it that the install made, while they are empty. Nothing
// is deleted unless the guard lets the folder go (gameProgram: it must still hold it).
UndoResult RemoveInstalledFiles(InstallContext& ctx, const Journal& journal, DeleteGuard& guard,
                                const char* gameProgram, WindowRef owner);

// The Start-menu group folder the journal says the install made, removed when it is
// empty and lies inside a Start menu.
void RemoveEmptyGroup(InstallContext& ctx, const Journal& journal, DeleteGuard& guard,
                      UndoResult* result);

// The text that tells the user what an undo left: each path and why, at most `limit` lines
// (then how many more).
std::string ListOf(const std::vector<std::string>& items, std::size_t limit = 12);

}  // namespace dl
