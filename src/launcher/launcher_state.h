// The launcher's one process-wide record, and the context that hands the launcher's
// objects to the code that works on them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace dl {

class IniFile;
class PackFile;

enum class LaunchMode : int {
  kInstall = 0,    // nothing installed
  kInstalled = 1,  // an install record was read
  kUpdate = 2,     // an update disc over an existing installation
};

// Capacities that decide behaviour: the texts the launcher keeps are cut to these.
inline constexpr std::size_t kPathCapacity = 260;      // a path, terminator included
inline constexpr std::size_t kStatusCapacity = 1024;   // the composed status text
inline constexpr std::size_t kShownStatusChars = 259;  // what the status control shows

// A text cut to what a path buffer holds: 259 bytes and the terminator.
inline std::string CutToPath(std::string text) {
  if (text.size() > kPathCapacity - 1) text.resize(kPathCapacity - 1);
  return text;
}

struct LauncherState {
  ModuleRef instance = nullptr;    // the program's module (its bitmap resources)
  std::uint32_t systemLocale = 0;  // 2052 selects the Chinese script
  std::string scriptName;          // "setup.ini" or "setup1.ini"
  std::string recordPath;          // Windows directory + "\" + record name: the pack's base
  std::string sourceRoot;          // the folder above the launcher's folder; may be empty
  std::string discRoot;            // "X:\" of the launcher's drive
  std::string desktopPath;
  std::string programsPath;
  std::int32_t tryMode = 0;  // non-zero: no disc prompts, no label checks
  LaunchMode mode = LaunchMode::kInstall;
  std::int32_t requiredSpace = 0;  // bytes an install needs
  std::string targetDriveRoot;     // "X:\" of the target drive
  std::string targetPath;          // the install folder
  std::uint64_t freeSpace = 0;     // free bytes of the last probed drive
  std::uint32_t directXVersion = 0;
  std::int32_t osPlatform = 0;  // 0 query failed, 1 not NT, 2 NT family
  OsVersionInfo osVersion;
  std::string statusTextCopy;  // the dialog's opening status text
  std::int32_t busy = 0;       // non-zero while a dialog command runs
};

// The launcher's objects, made once by the composition root and handed to every
// operation that needs them.
struct LauncherContext {
  System& system;
  IniFile& script;  // the setup script from the disc
  IniFile& record;  // the install record from the pack in the Windows directory
  PackFile& pack;
  LauncherState& state;
};

}  // namespace dl
