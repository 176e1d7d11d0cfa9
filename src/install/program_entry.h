// The game's entry in the system's list of installed programs, and the copy of the
// launcher and its scripts that the entry starts, so that the game can be uninstalled
// without its disc. The copy lies beside the record's pack in the Windows directory, where
// only administrators write: it runs with an administrator's rights, and nothing a
// standard user may change (the install folder) is on its way.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "install/install_journal.h"
#include "install/install_plan.h"

namespace dl {

class IniFile;

// Where the system lists installed programs, below the machine's or the user's part.
inline constexpr const char* kProgramEntriesKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The folder of the launcher's copy: "<Windows directory>\<entry name>.uninstall", with a
// number from 2 to 9 added while a folder of that name is still there (an uninstall's copy
// waiting for the next start to go).
inline constexpr const char* kUninstallerSuffix = ".uninstall";
// The value that makes an entry ours: the path of the record's pack.
inline constexpr const char* kRecordValueName = "DisclaunchRecord";
// Where installs of the first version with an entry kept the copy: in the install folder.
inline constexpr const char* kFormerUninstallerFolder = "_uninstall";

// The entry's name, made from the record's: "WENDMARK.ini" gives "WENDMARK".
std::string ProgramEntryName(const std::string& recordName);

// The game's name as the list shows it: the Start-menu group's, else the dialog's title.
std::string GameDisplayName(IniFile& script);

// Whether folder is one an install keeps the launcher's copy in: directly in the Windows
// directory, named "<name>.uninstall" or "<name>.uninstall2" to "9"; with a record name,
// only that record's.
bool IsUninstallerFolder(FileSystem& files, const std::string& folder,
                         const std::string& recordName = "");

// Copies the running launcher and the scripts of the plan's script folder (setup.ini and,
// when there, setup1.ini) into a new uninstaller folder beside the record's pack, noted in
// the install's journal first. Returns the launcher's copy; empty when no copy could be
// made (what was copied goes at a rollback or an uninstall).
std::string KeepUninstaller(InstallContext& ctx, const InstallPlan& plan);

// The name of the key the install's entry will have: the record's entry name, or, when a
// key of that name belongs to another program, "<name> (2)" up to "(9)". Noted in the
// journal. Empty when every name is taken.
std::string ChooseProgramEntry(InstallContext& ctx, const InstallPlan& plan);

// Writes the entry entryName for the plan's install, its uninstall commands starting
// launcherCopy: in the machine's list, else (without an administrator's rights) in the
// user's. True when it was written.
bool RegisterProgram(InstallContext& ctx, const InstallPlan& plan, const std::string& entryName,
                     const std::string& launcherCopy);

// The entries of the install a journal describes (root, key): the key its entry line
// names, where it still carries this record's value; for a journal of an earlier version,
// the record's key where it names installFolder and starts the copy kept in it.
std::vector<std::pair<RegistryRoot, std::string>> OwnProgramEntries(
    System& system, const std::vector<JournalEntry>& journal, const std::string& recordName,
    const std::string& recordPack, const std::string& installFolder);

// Removes these entries. True when none is left.
bool RemoveProgramEntries(InstallContext& ctx,
                          const std::vector<std::pair<RegistryRoot, std::string>>& entries);

// Removes the uninstaller folders the journal names (only this record's), each with all it
// holds; one that holds the running launcher goes when Windows next starts, its files first.
// Returns how many items went; what could not go is added to notRemoved as "path (why)".
std::size_t RemoveUninstaller(InstallContext& ctx, const std::vector<JournalEntry>& journal,
                              const std::string& recordName, std::vector<std::string>* notRemoved);

}  // namespace dl
