// The game's entry in the system's list of installed programs, and the copy of the
// launcher and its scripts that the entry starts, kept in the install folder so that the
// game can be uninstalled without its disc.
#pragma once

#include <string>

#include "install/install_plan.h"

namespace dl {

class IniFile;

// Where the system lists installed programs, below the machine's or the user's part.
inline constexpr const char* kProgramEntriesKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The install folder's folder that holds the launcher's copy; when a folder of this name
// was there before the install, a number from 2 to 9 is added.
inline constexpr const char* kUninstallerFolder = "_uninstall";

// The entry's name, made from the record's: "WENDMARK.ini" gives "WENDMARK".
std::string ProgramEntryName(const std::string& recordName);
// The entry's key below the root: kProgramEntriesKey, "\" and the entry's name.
std::string ProgramEntryKey(const std::string& recordName);

// The game's name as the list shows it: the Start-menu group's, else the dialog's title.
std::string GameDisplayName(IniFile& script);

// Copies the running launcher and the scripts of scriptFolder (setup.ini and, when there,
// setup1.ini) into folder, quietly, making it as needed; with journalFolder (the folder
// relative to the install folder) each file is noted in the install's journal first.
// Returns the launcher's copy; empty when there was no launcher and script to copy, or a
// copy failed.
std::string CopyUninstaller(InstallContext& ctx, const std::string& scriptFolder,
                            const std::string& folder, const std::string& journalFolder = "");

// Copies the running launcher and the scripts of the plan's script folder (setup.ini and,
// when there, setup1.ini) into a new folder of the install folder, each noted in the
// install's journal first. Returns the launcher's copy; empty when no copy could be made
// (what was copied goes with the install folder at the uninstall).
std::string KeepUninstaller(InstallContext& ctx, const InstallPlan& plan);

// Writes the entry for the plan's install, its uninstall commands starting launcherCopy:
// in the machine's list, else (without an administrator's rights) in the user's. True
// when it was written.
bool RegisterProgram(InstallContext& ctx, const InstallPlan& plan, const std::string& launcherCopy);

// Whether an entry of this record's name that names installFolder is in either list.
bool HasProgramEntry(System& system, const std::string& recordName,
                     const std::string& installFolder);

// Removes the entries of this record's name that name installFolder from both lists
// (another program's entry of the same name stays). True when none is left.
bool RemoveProgramEntry(InstallContext& ctx, const std::string& recordName,
                        const std::string& installFolder);

}  // namespace dl
