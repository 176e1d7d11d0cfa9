// The launcher's command line, for unattended installs. Without one the launcher behaves
// exactly as always.
//   /S [/D=FOLDER] [/LOG=FILE] [/DIRECTX]   a silent install (or update)
//   /U [/S] [/LOG=FILE]                     an uninstall (after one question, or silent)
//   /VERIFY [/S] [/LOG=FILE]                the installed files against the install's record
//   /REPAIR[=ALL] [/S] [/LOG=FILE]          those missing or damaged (=ALL: changed ones
//                                           too) copied back from their discs
//   /?                                      the switches
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dl {

// Exit codes of an unattended run.
enum class ExitCode : int {
  kDone = 0,
  kFailed = 1,       // the copy or the record failed
  kRefused = 2,      // refused before any change
  kNothingToDo = 3,  // e.g. an uninstall with nothing installed
  kCancelled = 4,    // the user cancelled a disc prompt or stopped the copy: nothing stays
  kDamaged = 5,      // a verify (or what a repair left) found files of the game missing or
                     // damaged
};

struct CommandLine {
  bool silent = false;                // /S
  bool uninstall = false;             // /U
  bool verify = false;                // /VERIFY
  bool repair = false;                // /REPAIR
  bool repairAll = false;             // /REPAIR=ALL: files changed since the install too
  bool help = false;                  // /?
  bool directx = false;               // /DIRECTX: the DirectX set-up may follow a silent install
  std::optional<std::string> folder;  // /D=
  std::optional<std::string> log;     // /LOG=
  std::vector<std::string> problems;  // unknown, repeated or incomplete switches, as given
  // The run goes by itself once the dialog opens: an unattended install, or an uninstall.
  bool RunsByItself() const { return silent || uninstall || verify || repair; }
  // The command works on what is installed, with the script beside the launcher; it needs
  // no disc at its start (a repair asks for the discs that hold what it copies back).
  bool NeedsNoDisc() const { return uninstall || verify || repair; }
};

// Switches are case-insensitive, in any order, separated by blanks; a value may be quoted
// (/D="C:\My Games\KVX").
CommandLine ParseCommandLine(const std::string& text);

// The text of the "/?" message box.
std::string CommandLineHelp();

}  // namespace dl
