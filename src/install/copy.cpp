#include "install/copy.h"

#include <memory>

#include "install/disc_finder.h"
#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/one_line.h"
#include "util/path_text.h"
#include "util/safe_format.h"

namespace dl {
namespace {

constexpr std::size_t kFirstLevelChars = 8;
constexpr std::size_t kLabelChars = 149;
constexpr int kReturnDiscComparisons = 3;
constexpr std::uint32_t kEntryPauseMs = 100;

CopyResult Cancelled(CopyResult result) {
  result.ok = false;
  result.cancelled = true;
  if (result.failure.empty()) result.failure = "cancelled by the user";
  return result;
}

CopyResult Stopped(InstallContext& ctx, CopyResult result) {
  LogLine(ctx.log, "copy", "STOPPED: cancelled by the user");
  return Cancelled(std::move(result));
}

bool Fail(InstallContext& ctx, CopyResult* result, const std::string& why) {
  LogLine(ctx.log, "copy", "FAILED " + why);
  if (result->failure.empty()) result->failure = why;
  return false;
}

}  // namespace

bool PromptForDisc(InstallContext& ctx, InstallScreen& screen, int disc, const TextKey& caption,
                   const std::string& more) {
  screen.Settle();
  const std::string text = DiscPromptText(ctx.script, disc) + more;
  const std::string step = "prompt for disc " + std::to_string(disc);
  LogLine(ctx.log, step, text);
  if (ctx.system.AskOkCancel(screen.owner(), text, ReadOrEmpty(ctx.script, caption))) return true;
  LogLine(ctx.log, step, "cancelled by the user");
  return false;
}

std::string CopyProfile::Line() const {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  static const char* const kNames[kSteps] = {"listing and journal",
                                             "checks",
                                             "shell",
                                             "attributes",
                                             "log",
                                             "status",
                                             "progress",
                                             "input",
                                             "pauses"};
  const std::chrono::steady_clock::duration total = std::chrono::steady_clock::now() - started;
  std::chrono::steady_clock::duration other = total;
  std::string line = std::to_string(files) + " files in " +
                     std::to_string(duration_cast<milliseconds>(total).count()) + " ms:";
  for (int s = 0; s < kSteps; ++s) {
    line += std::string(s == 0 ? " " : ", ") + kNames[s] + " " +
            std::to_string(duration_cast<milliseconds>(spent[s]).count());
    other -= spent[s];
  }
  return line + ", other " + std::to_string(duration_cast<milliseconds>(other).count());
}

std::vector<std::string> DiscSections(IniFile& script) {
  std::vector<std::string> discs;
  for (int n = 0; script.FindSection(DiscSectionName(n).c_str()) != nullptr; ++n)
    discs.push_back(DiscSectionName(n));
  return discs;
}

std::string DiscPromptText(IniFile& script, int discNumber) {
  const char* format = ReadOrEmpty(script, TextKey{script::kStringTab, "string9", nullptr});
  std::string name = DiscNameKey(discNumber);
  const char* discName = ReadOrEmpty(script, TextKey{script::kStringTab, name.c_str(), nullptr});
  char text[kPathCapacity];
  SafeFormat(text, sizeof text, format, {FormatArg(discNumber), FormatArg(discName)});
  return text;
}

std::string InstallFolder(CodePage& codePage, IniFile& script, const std::string& targetDriveRoot,
                          const std::string& folderField) {
  std::string folder = targetDriveRoot;
  if (!folderField.empty()) {
    // The first level: up to the first separator that is a character of its own.
    std::string first;
    for (std::size_t i = 0; i < folderField.size();) {
      std::size_t n = folderField[i] == '\0' ? 1 : codePage.CharSize(folderField.c_str() + i);
      if (n == 0) n = 1;
      if (n == 1 && (folderField[i] == '\\' || folderField[i] == '/')) break;
      first.append(folderField, i, n);
      i += n;
    }
    folder += CutToBytes(first, kFirstLevelChars, &codePage);
  } else {
    folder += Read(script, script::kPath2AtCopy);
  }
  folder += "\\";
  folder += Read(script, script::kPath1);
  return CutToPath(folder, &codePage);
}

void ReadDiscLabel(FileSystem& files, const std::string& discRoot, CopyState& state) {
  state.currentLabel = "NULL";
  std::string label;
  if (files.DriveKind(discRoot) == DriveType::kCdRom && files.VolumeLabel(discRoot, &label))
    state.currentLabel = label.substr(0, kLabelChars);
}

bool CopyFileFromDisc(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                      CopyState& state, const DiscFile& file, CopyResult* result) {
  CopyProfile& profile = state.profile;
  std::string source = plan.sourceRoot;
  std::string target = plan.installFolder;
  {
    // A path that does not fit is refused rather than cut: the entry counts as a failed
    // copy.
    ProfileStep step(profile, CopyProfile::kChecks);
    if (!JoinPath(ctx.system, &source, file.rel) || !JoinPath(ctx.system, &target, file.rel))
      return Fail(ctx, result, file.rel + ": the path is longer than 259 characters");
  }
  int shell = 0;
  {
    ProfileStep step(profile, CopyProfile::kShell);
    shell =
        ctx.system.ShellFileOperation(screen.owner(), ShellOp::kCopy, source, target, kCopyFlags);
  }
  if (shell != 0)
    return Fail(ctx, result, source + ": the copy failed (" + std::to_string(shell) + ")");
  {
    // Files from a CD carry the read-only mark.
    ProfileStep step(profile, CopyProfile::kAttributes);
    ctx.system.SetAttributes(target, kAttrNormal);
  }
  {
    ProfileStep step(profile, CopyProfile::kLog);
    LogLine(ctx.log, "copy " + source + " -> " + target,
            "done, " + std::to_string(file.bytes) + " bytes");
  }
  ++profile.files;
  result->copied.push_back(std::move(target));
  // The user may have asked to stop meanwhile: the install stops after this file.
  ProfileStep step(profile, CopyProfile::kInput);
  if (screen.StopRequested()) {
    result->cancelled = true;
    if (result->failure.empty()) result->failure = "cancelled by the user";
    LogLine(ctx.log, "copy", "STOPPED: cancelled by the user");
    return false;
  }
  return true;
}

std::vector<DiscFile> MatchingFiles(InstallContext& ctx, const InstallPlan& plan,
                                    const std::string& entry) {
  const std::string prefix = entry.substr(0, entry.find('*'));
  // The pattern is taken as it stands, relative to the current folder (or below the
  // folder of a disc found elsewhere than the launcher's drive).
  std::string pattern = plan.patternRoot.empty() ? entry : plan.patternRoot;
  if (!plan.patternRoot.empty() && !JoinPath(ctx.system, &pattern, entry)) return {};
  std::vector<DiscFile> files;
  for (const FoundFile& match : ctx.system.FindFiles(pattern)) {
    if (match.isDirectory) continue;
    // A name the disc's file system allows and Windows' does not (a colon, a control
    // character) would name a stream or a device in the install folder: it is passed over.
    if (!IsPlainFileName(match.name, &ctx.system)) {
      LogLine(ctx.log, "copy " + prefix + match.name, "SKIPPED: not a plain file name");
      continue;
    }
    files.push_back(DiscFile{prefix + match.name, match.size});
  }
  return files;
}

std::vector<ListedEntry> ListDisc(InstallContext& ctx, const InstallPlan& plan,
                                  const std::string& section) {
  std::vector<ListedEntry> list;
  for (int i = 0;; ++i) {
    const char* entry = ctx.script.GetString(section.c_str(), FileKeyName(i).c_str(), nullptr);
    if (entry == nullptr) break;
    ListedEntry listed;
    listed.text = entry;
    listed.wildcard = listed.text.find('*') != std::string::npos;
    // An entry (a pattern too) must stay inside the disc's folder and the install folder:
    // the copy stops at one that does not.
    listed.contained = IsContainedRelativePath(listed.text, listed.wildcard, &ctx.system);
    if (listed.contained) {
      if (listed.wildcard) {
        listed.files = MatchingFiles(ctx, plan, listed.text);
      } else {
        std::string source = plan.sourceRoot;
        DiscFile file{listed.text, 0};
        if (JoinPath(ctx.system, &source, file.rel)) ctx.system.FileSize(source, &file.bytes);
        listed.files.push_back(std::move(file));
      }
    }
    list.push_back(std::move(listed));
    if (!list.back().contained) break;
  }
  return list;
}

bool CopyMatchingFiles(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                       CopyState& state, const std::vector<DiscFile>& matches, CopyResult* result) {
  for (const DiscFile& file : matches) {
    {
      ProfileStep step(state.profile, CopyProfile::kStatus);
      screen.ShowStatus(plan.statusText + "\n" + file.rel);
    }
    {
      ProfileStep step(state.profile, CopyProfile::kProgress);
      screen.SetProgressPosition(state.copySteps);
    }
    ++state.copySteps;
    if (!CopyFileFromDisc(ctx, plan, screen, state, file, result)) return false;
  }
  return true;
}

bool CopyDisc(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen, CopyState& state,
              const std::string& section, CopyResult* result) {
  const std::int32_t files =
      ctx.script.GetInt(section.c_str(), script::kFilesKey, script::kFilesDefault);
  screen.ShowProgress(true);
  screen.SetProgressRange(static_cast<int>(static_cast<std::uint32_t>(files) & 0xFFFF));
  screen.HideFolderChoice();
  state.profile = CopyProfile{};
  // A line per file: they reach the log in batches.
  LogHold hold(ctx.log);
  // The list is read once: every search and every size is asked for once per file. What
  // the disc's copy will make goes into the journal ahead of it, in one write.
  std::vector<ListedEntry> list;
  {
    ProfileStep step(state.profile, CopyProfile::kListing);
    list = ListDisc(ctx, plan, section);
    if (ctx.journal != nullptr) {
      ctx.journal->BeginBatch();
      for (const ListedEntry& entry : list)
        for (const DiscFile& file : entry.files) ctx.journal->BeforeFile(file.rel, file.bytes);
      ctx.journal->EndBatch();
    }
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ListedEntry& entry = list[i];
    if (!entry.contained)
      return Fail(ctx, result, entry.text + ": leaves the disc's or the install folder");
    if (entry.wildcard) {
      if (!CopyMatchingFiles(ctx, plan, screen, state, entry.files, result)) return false;
    } else if (!CopyFileFromDisc(ctx, plan, screen, state, entry.files.front(), result)) {
      return false;
    }
    {
      ProfileStep step(state.profile, CopyProfile::kProgress);
      screen.SetProgressPosition(static_cast<int>(i));
      screen.Settle();
    }
    {
      ProfileStep step(state.profile, CopyProfile::kPauses);
      ctx.system.Pause(kEntryPauseMs);
    }
    ++state.copySteps;
  }
  screen.ShowProgress(false);
  LogLine(ctx.log, "profile " + section, state.profile.Line());
  return true;
}

CopyResult CopyAllDiscs(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                        CopyState& state) {
  IniFile& script = ctx.script;
  const bool checkDiscs = plan.mode != LaunchMode::kUpdate && !plan.tryMode;
  CopyResult result;
  // The folder comes from the folder field and the script: a line break or a ".." in it
  // would send the files elsewhere than the record says. Nothing is copied then.
  if (!IsPlainFolder(plan.installFolder, &ctx.system)) {
    result.ok = false;
    result.failure = plan.installFolder + ": not a folder the game can be installed in";
    LogLine(ctx.log, "install folder", "REFUSED " + result.failure);
    if (!plan.silent)
      ctx.system.ShowMessage(screen.owner(),
                             "The game cannot be installed in this folder:\n" +
                                 std::string(FirstLine(plan.installFolder)),
                             ReadOrEmpty(ctx.script, script::kTextTitle));
    return result;
  }
  DiscFinder finder(ctx, plan, state);
  for (std::size_t index = 0; index < plan.discs.size(); ++index) {
    const int n = static_cast<int>(index) + 1;
    const std::string& section = plan.discs[index];
    const std::string disc = "disc " + std::to_string(n);
    // A stop asked for after the last file of a disc was checked is taken before the next
    // disc is asked for.
    if (index > 0 && screen.StopRequested()) return Stopped(ctx, result);
    bool cancelled = false;
    std::optional<DiscPlace> place = LocateDisc(ctx, plan, screen, finder, state, n, section,
                                                /*askFirst=*/n >= 2, &cancelled);
    if (cancelled) return Cancelled(result);
    if (!place) {
      LogLine(ctx.log, disc, "found nowhere: copied from where the launcher runs");
      place = finder.Fallback();
    }
    if (!CopyDisc(ctx, place->plan, screen, state, section, &result)) {
      result.ok = false;
      LogLine(ctx.log, disc + " copied", result.cancelled ? "STOPPED" : "FAILED");
      // Unattended, nothing more is asked of anyone; a stop ends the copy.
      if (plan.silent || result.cancelled) return result;
      continue;
    }
    LogLine(ctx.log, disc + " copied", "done");
  }
  if (!plan.discs.empty() && screen.StopRequested()) return Stopped(ctx, result);
  if (!checkDiscs) return result;

  // The first disc back, in any drive. A set in folders has it there all along.
  const std::string first =
      plan.discs.empty() ? std::string() : SectionLabel(script, plan.discs[0]);
  auto firstIsBack = [&] {
    return plan.discs.empty() || plan.discsInFolders ||
           !DriveHolding(ctx.system, plan.discRoot, first, state).empty();
  };
  if (plan.silent) {
    // Asked for only when it is not there.
    if (plan.discs.empty()) return result;
    for (int comparison = 1; comparison <= kReturnDiscComparisons; ++comparison) {
      if (firstIsBack()) break;
      if (!PromptForDisc(ctx, screen, 1, script::kCaptionInsertDisc)) return Cancelled(result);
    }
    return result;
  }
  // Asked for even when it is already there.
  if (!PromptForDisc(ctx, screen, 1, script::kCaptionInsertDisc)) return Cancelled(result);
  for (int comparison = 1;; ++comparison) {
    if (firstIsBack() || comparison == kReturnDiscComparisons) return result;
    if (!PromptForDisc(ctx, screen, 1, script::kCaptionInsertDisc)) return Cancelled(result);
  }
}

}  // namespace dl
