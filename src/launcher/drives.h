// The launcher's services around drives and shell folders.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/launcher_state.h"

namespace dl {

// Fills state.desktopPath and state.programsPath; a folder the shell cannot give is left
// as it was.
void LoadSpecialFolders(LauncherContext& ctx);

// Tries the root of every CD-ROM drive from d: to z: for the setup script. On success the
// disc's root is the current directory, the script is loaded and true is returned.
bool FindInstallDisc(LauncherContext& ctx);

// True when a CD-ROM drive from d: to z: holds a disc whose volume label is exactly label.
bool FindDiscByLabel(FileSystem& system, const std::string& label);

// Sets state.freeSpace to the free bytes of drive number drive (1 = A:, 3 = C:); 0 when
// the query fails.
void ProbeFreeSpace(LauncherContext& ctx, std::int32_t drive);

// The drive number of a path's first character (A or a = 1); 0 when it is not a letter.
std::int32_t DriveNumberOf(const std::string& path);

}  // namespace dl
