// The launcher's one process-wide record, and the context that hands the launcher's
// objects to the code that works on them.
#pragma once

#include <cstdint>
#include <string>

#include "install/install_log.h"
#include "install/install_plan.h"
#include "launcher/command_line.h"
#include "platform/system.h"
#include "probe/probe.h"
#include "util/path_text.h"

namespace dl {

class IniFile;
class PackFile;

// What lives for the whole run: what start-up found, the mode, the probe's report, and
// the dialog's choice of drive with its free space. The install folder is not here: it
// travels in the plan of each command.
struct LauncherState {
  ModuleRef instance = nullptr;    // the program's module (its bitmap resources)
  std::uint32_t systemLocale = 0;  // 2052 selects the Chinese script
  std::string scriptName;          // "setup.ini" or "setup1.ini"
  std::string scriptFolder;        // the folder it was read from
  std::string recordPath;          // Windows directory + "\" + record name: the pack's base
  std::string sourceRoot;          // the folder above the launcher's folder; may be empty
  std::string discRoot;            // "X:\" of the launcher's drive
  std::string launcherFolder;      // the folder setup.exe runs from
  bool discsInFolders = false;     // it runs from no CD-ROM drive: the discs are folders
  std::string desktopPath;
  std::string programsPath;
  std::int32_t tryMode = 0;  // non-zero: no disc prompts, no label checks
  LaunchMode mode = LaunchMode::kInstall;
  std::int32_t requiredSpace = 0;       // bytes an install needs
  std::string targetDriveRoot;          // "X:\" of the target drive
  std::uint64_t freeSpace = 0;          // free bytes of the last probed drive
  ProbeReport probe;                    // the DirectX and system probe
  CommandLine commandLine;              // empty without one: the launcher as always
  ExitCode exitCode = ExitCode::kDone;  // of an unattended run
  std::string recordJournal;            // what the recorded install made; empty: not known
  std::string exactFolder;              // /D=: the install folder itself; empty: the dialog's
};

// The launcher's objects, made once by the composition root and handed to every
// operation that needs them.
struct LauncherContext {
  System& system;
  IniFile& script;  // the setup script from the disc
  IniFile& record;  // the install record from the pack in the Windows directory
  PackFile& pack;
  LauncherState& state;
  InstallLog* log = nullptr;  // the install log; none in most tests

  // The part of it that the install steps work on.
  InstallContext install() const {
    return InstallContext{system, script, record, pack, log, &state.recordJournal};
  }
};

}  // namespace dl
