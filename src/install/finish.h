// Finishing an install: the renames of the script, the Start-menu group made by the
// program-group converter, the desktop copies of its shortcuts, and the shortcut paths
// noted in the install record.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "install/install_plan.h"

namespace dl {

// The group description for the game (nine arguments) and for the demo (five).
extern const char* const kGameGroupTemplate;
extern const char* const kDemoGroupTemplate;

// Pauses, in milliseconds.
inline constexpr std::uint32_t kConverterPauseMs = 2000;
inline constexpr std::uint32_t kShortcutPollMs = 1000;
inline constexpr int kShortcutPolls = 10;

// The flags of the desktop copy: no progress window, no confirmation.
inline constexpr std::uint32_t kDesktopCopyFlags = kShellSilent | kShellNoConfirmation;

// The renames of "[renname]" that keep both names inside the install folder, in order:
// each an old name and its new one.
std::vector<std::pair<std::string, std::string>> RenamePairs(InstallContext& ctx);
// Gives copied files the names of "[renname]" (old,new), the new one the archive mark.
void RenameInstalledFiles(InstallContext& ctx, const InstallPlan& plan, WindowRef owner);
// The group text, the converter ("grpconv -o"), the waits for the shortcuts, the desktop
// copies and the "[move_file]" entries of the install record.
void FinishInstall(InstallContext& ctx, const InstallPlan& plan, WindowRef owner);
// The converter's command: "grpconv.exe" by its full path, quoted, with "-o": from the
// launcher's own folder when it is there (the disc carries it), else from the system
// directory. Never found through the current folder or the PATH, whose programs would run
// with the launcher's rights.
inline constexpr const char* kConverterProgram = "grpconv.exe";
std::string ConverterCommand(System& sys);
// The game's Start-menu group folder, as the script's group name and "[start]" format place
// it in the plan's programs folder; empty when it would not lie inside that folder.
std::string GameGroupFolder(InstallContext& ctx, const InstallPlan& plan);

}  // namespace dl
