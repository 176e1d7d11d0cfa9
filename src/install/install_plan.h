// What the install steps work on, handed to them as values: the documents and the machine
// (InstallContext), and the facts of the run fixed when a command starts (InstallPlan).
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace dl {

class IniFile;
class InstallJournal;
class InstallLog;
class PackFile;

enum class LaunchMode : int {
  kInstall = 0,    // nothing installed
  kInstalled = 1,  // an install record was read
  kUpdate = 2,     // an update disc over an existing installation
};

// The launcher's documents and the machine, as the install steps reach them.
struct InstallContext {
  System& system;
  IniFile& script;            // the setup script from the disc
  IniFile& record;            // the install record from the pack in the Windows directory
  PackFile& pack;             // the record's pack, as start-up opened it
  InstallLog* log = nullptr;  // the install log; none in most tests
  // The journal that goes with the record in its pack (empty: none, an older record);
  // read at start-up, written with the record. Null in tests that have no record.
  std::string* recordJournal = nullptr;
  // The journal of the fresh install that runs now; null at any other time.
  InstallJournal* journal = nullptr;
};

// The facts of one command, fixed when the user presses its button.
struct InstallPlan {
  LaunchMode mode = LaunchMode::kInstall;
  bool tryMode = false;            // a trial run: no disc prompts, no label checks
  std::string discRoot;            // "X:\" of the launcher's drive: labels are read there
  std::string sourceRoot;          // what disc entries are relative to; may be empty
  std::string patternRoot;         // what wildcard entries are searched below; empty: the
                                   // current folder (a disc found in another drive sets it)
  std::string installFolder;       // where the files go and what the record names
  std::string recordPath;          // the record pack's base (".pak" is added)
  std::string desktopPath;         // the user's desktop folder
  std::string programsPath;        // the user's Start-menu programs folder
  std::string statusText;          // the dialog's opening status text
  std::string scriptFolder;        // where the script was read (the disc's root, mostly)
  std::string launcherFolder;      // the folder setup.exe runs from
  bool discsInFolders = false;     // the launcher runs from no CD-ROM drive: a copy of the
                                   // discs in folders, each disc known by its files
  std::vector<std::string> discs;  // the disc sections in order: "[disc00]", "[disc01]"...
  bool silent = false;             // an unattended run: what would be a message is logged
  bool sayWhenRemoved = false;     // an uninstall that removed all says so (/U)
};

// The disc sections of a script, "[disc00]" upward to the first missing number.
std::vector<std::string> DiscSections(IniFile& script);

}  // namespace dl
