// Copying the game from its discs into the install folder: every disc section of the
// script in turn, with insert-disc and wrong-disc prompts, the progress bar and one shell
// copy request per file.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/launcher_state.h"

namespace dl {

class SetupDialog;

// What the copy keeps for the whole run.
struct CopyState {
  std::int32_t copySteps = 0;         // advances per list entry and per wildcard match
  std::string currentLabel = "NULL";  // the label of discRoot as last read
};

// The flags of a file copy: no confirmations, folders made as needed.
inline constexpr std::uint32_t kCopyFlags = kShellNoConfirmation | kShellNoConfirmMkdir;

// Copies every disc. 1 when every disc's list was copied; 0 when a copy failed (the
// dialog then takes its failure path).
int CopyAllDiscs(LauncherContext& ctx, SetupDialog& dialog, CopyState& state);
// Copies one disc's list (section with brackets, "[disc00]"). 0, or -1 when a copy failed.
int CopyDisc(LauncherContext& ctx, SetupDialog& dialog, CopyState& state,
             const std::string& section);
// Copies every plain file that a wildcard entry matches. 0, or 1 when a copy failed.
int CopyMatchingFiles(LauncherContext& ctx, SetupDialog& dialog, CopyState& state,
                      const std::string& entry);
// Copies one entry from the disc to the install folder; *target receives the copy's path.
// The shell's result: 0 for success. A path that would not fit 259 characters fails.
int CopyFileFromDisc(LauncherContext& ctx, SetupDialog& dialog, const std::string& entry,
                     std::string* target);
// Reads the label of discRoot into state.currentLabel ("NULL" when there is none).
void ReadDiscLabel(LauncherContext& ctx, CopyState& state);
// The install folder: the target drive, the folder field's first level (8 characters at
// most; "path2" when the field is empty), "\" and "path1".
std::string InstallFolder(IniFile& script, const std::string& targetDriveRoot,
                          const std::string& folderField);

}  // namespace dl
