// Copying the game from its discs into the install folder: every disc section of the
// script in turn, with insert-disc and wrong-disc prompts, the progress bar and one shell
// copy request per file.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "install/install_plan.h"
#include "install/install_screen.h"
#include "script/schema.h"

namespace dl {

// Where a disc's copy spends its time, for the log's profile line: a disc of many small
// files is paced by the work done around each shell request, not by the requests.
struct CopyProfile {
  enum Step {
    kListing,     // the list read, sizes and searches, and its journal entries written
    kChecks,      // the paths joined and checked
    kShell,       // the shell's copy requests
    kAttributes,  // the read-only mark cleared
    kLog,         // the log's lines
    kStatus,      // the status line's file name
    kProgress,    // the progress bar
    kInput,       // what the user did meanwhile (the close box)
    kPauses,      // the pause after each list entry
    kSteps
  };
  std::array<std::chrono::steady_clock::duration, kSteps> spent{};
  int files = 0;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  // "612 files in 3900 ms: listing 12, checks 1, ..., other 3" (milliseconds; other is
  // what no step holds).
  std::string Line() const;
};

// Adds the time it lives to one step of a profile.
class ProfileStep {
 public:
  ProfileStep(CopyProfile& profile, CopyProfile::Step step)
      : profile_(profile), step_(step), start_(std::chrono::steady_clock::now()) {}
  ~ProfileStep() { profile_.spent[step_] += std::chrono::steady_clock::now() - start_; }
  ProfileStep(const ProfileStep&) = delete;
  ProfileStep& operator=(const ProfileStep&) = delete;

 private:
  CopyProfile& profile_;
  CopyProfile::Step step_;
  std::chrono::steady_clock::time_point start_;
};

// What the copy keeps for the whole run.
struct CopyState {
  std::int32_t copySteps = 0;         // advances per list entry and per wildcard match
  std::string currentLabel = "NULL";  // the label of the disc root as last read
  CopyProfile profile;                // of the disc being copied
};

// What a copy did.
struct CopyResult {
  bool ok = true;                   // every disc's list was copied
  bool cancelled = false;           // the user cancelled a disc prompt or stopped the copy
  std::vector<std::string> copied;  // each file copied, as its path in the install folder
  std::string failure;              // the first entry that failed, and why
};

// The flags of a file copy: no confirmations, folders made as needed.
inline constexpr std::uint32_t kCopyFlags = kShellNoConfirmation | kShellNoConfirmMkdir;

// Copies every disc of the plan into its install folder. ok is false when a disc's copy
// failed (the dialog then takes its failure path).
CopyResult CopyAllDiscs(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                        CopyState& state);
// A file that a disc's list names: its path relative to the disc's folder, and its size.
struct DiscFile {
  std::string rel;
  std::uint64_t bytes = 0;
};

// One entry of a disc's list and the files it names.
struct ListedEntry {
  std::string text;
  bool wildcard = false;
  bool contained = true;  // false: it leaves the folders, and the copy stops there
  std::vector<DiscFile> files;
};

// A disc's list (section with brackets, "[disc00]"), read once: every entry up to the
// first missing number (or the first that leaves the folders), with the files it names
// and their sizes.
std::vector<ListedEntry> ListDisc(InstallContext& ctx, const InstallPlan& plan,
                                  const std::string& section);
// The plain files that a wildcard entry matches, under the entry's folder prefix.
std::vector<DiscFile> MatchingFiles(InstallContext& ctx, const InstallPlan& plan,
                                    const std::string& entry);
// Copies one disc's list. False when a copy failed or the user stopped the copy.
bool CopyDisc(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen, CopyState& state,
              const std::string& section, CopyResult* result);
// Copies the plain files that a wildcard entry matched. False when a copy failed.
bool CopyMatchingFiles(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                       CopyState& state, const std::vector<DiscFile>& matches, CopyResult* result);
// Copies one file from the disc to the install folder (its entry checked by the listing).
// False when its path would not fit 259 characters or the shell's copy failed.
bool CopyFileFromDisc(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                      CopyState& state, const DiscFile& file, CopyResult* result);
// Reads the label of discRoot into state.currentLabel ("NULL" when there is none).
void ReadDiscLabel(FileSystem& files, const std::string& discRoot, CopyState& state);
// The install folder: the target drive, the folder field's first level (8 bytes at most,
// never a double-byte character cut in two; "path2" when the field is empty), "\" and
// "path1".
std::string InstallFolder(CodePage& codePage, IniFile& script, const std::string& targetDriveRoot,
                          const std::string& folderField);
// A disc prompt, "string9" with this caption and more text after it: OK goes on, Cancel
// (or Esc) cancels. False when cancelled.
bool PromptForDisc(InstallContext& ctx, InstallScreen& screen, int disc, const TextKey& caption,
                   const std::string& more = std::string());
// A disc prompt's text: "string9" used as a format with the disc's number and name
// ("string" followed by the number + 11), cut to fit 260 bytes.
std::string DiscPromptText(IniFile& script, int discNumber);

}  // namespace dl
