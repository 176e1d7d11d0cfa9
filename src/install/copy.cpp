#include "install/copy.h"

#include <memory>

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
constexpr int kWrongDiscPrompts = 3;
constexpr int kReturnDiscComparisons = 3;
constexpr std::uint32_t kEntryPauseMs = 100;

void Prompt(InstallContext& ctx, InstallScreen& screen, int disc, const TextKey& caption) {
  const std::string text = DiscPromptText(ctx.script, disc);
  LogLine(ctx.log, "prompt for disc " + std::to_string(disc), text);
  ctx.system.ShowMessage(screen.owner(), text, ReadOrEmpty(ctx.script, caption));
}

std::string SectionLabel(IniFile& script, const std::string& section) {
  const char* label = script.GetString(section.c_str(), script::kLabelKey, nullptr);
  return label == nullptr ? std::string() : label;
}

bool Fail(InstallContext& ctx, CopyResult* result, const std::string& why) {
  LogLine(ctx.log, "copy", "FAILED " + why);
  if (result->failure.empty()) result->failure = why;
  return false;
}

}  // namespace

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

std::string InstallFolder(IniFile& script, const std::string& targetDriveRoot,
                          const std::string& folderField) {
  std::string folder = targetDriveRoot;
  if (!folderField.empty()) {
    std::string first = folderField.substr(0, folderField.find_first_of("\\/"));
    folder += first.substr(0, kFirstLevelChars);
  } else {
    folder += Read(script, script::kPath2AtCopy);
  }
  folder += "\\";
  folder += Read(script, script::kPath1);
  return CutToPath(folder);
}

void ReadDiscLabel(FileSystem& files, const std::string& discRoot, CopyState& state) {
  state.currentLabel = "NULL";
  std::string label;
  if (files.DriveKind(discRoot) == DriveType::kCdRom && files.VolumeLabel(discRoot, &label))
    state.currentLabel = label.substr(0, kLabelChars);
}

bool CopyFileFromDisc(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                      const std::string& entry, CopyResult* result) {
  std::string source = plan.sourceRoot;
  std::string target = plan.installFolder;
  // An entry must stay inside both folders, and a path that does not fit is refused
  // rather than cut: either way the entry counts as a failed copy.
  if (!IsContainedRelativePath(entry, false))
    return Fail(ctx, result, entry + ": leaves the disc's or the install folder");
  if (!JoinPath(ctx.system, &source, entry) || !JoinPath(ctx.system, &target, entry))
    return Fail(ctx, result, entry + ": the path is longer than 259 characters");
  std::uint64_t bytes = 0;
  ctx.system.FileSize(source, &bytes);
  // What the copy makes is in the journal before the shell starts on it.
  if (ctx.journal != nullptr) ctx.journal->BeforeFile(entry, bytes);
  const int shell =
      ctx.system.ShellFileOperation(screen.owner(), ShellOp::kCopy, source, target, kCopyFlags);
  if (shell != 0)
    return Fail(ctx, result, source + ": the copy failed (" + std::to_string(shell) + ")");
  // Files from a CD carry the read-only mark.
  ctx.system.SetAttributes(target, kAttrNormal);
  LogLine(ctx.log, "copy " + source + " -> " + target, "done, " + std::to_string(bytes) + " bytes");
  result->copied.push_back(target);
  return true;
}

bool CopyMatchingFiles(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                       CopyState& state, const std::string& entry, CopyResult* result) {
  const std::string prefix = entry.substr(0, entry.find('*'));
  // The pattern is taken as it stands, relative to the current folder.
  for (const FoundFile& match : ctx.system.FindFiles(entry)) {
    if (match.isDirectory) continue;
    const std::string relative = prefix + match.name;
    screen.ShowStatus(plan.statusText + "\n" + relative);
    screen.SetProgressPosition(state.copySteps);
    ++state.copySteps;
    if (!CopyFileFromDisc(ctx, plan, screen, relative, result)) return false;
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
  for (int i = 0;; ++i) {
    const char* entry = ctx.script.GetString(section.c_str(), FileKeyName(i).c_str(), nullptr);
    if (entry == nullptr) break;
    const std::string text = entry;
    if (text.find('*') != std::string::npos) {
      // The pattern too must stay below the source folder.
      if (!IsContainedRelativePath(text, true))
        return Fail(ctx, result, text + ": leaves the disc's or the install folder");
      if (!CopyMatchingFiles(ctx, plan, screen, state, text, result)) return false;
    } else if (!CopyFileFromDisc(ctx, plan, screen, text, result)) {
      return false;
    }
    screen.SetProgressPosition(i);
    ctx.system.Pause(kEntryPauseMs);
    ++state.copySteps;
  }
  screen.ShowProgress(false);
  return true;
}

CopyResult CopyAllDiscs(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                        CopyState& state) {
  IniFile& script = ctx.script;
  const bool checkDiscs = plan.mode != LaunchMode::kUpdate && !plan.tryMode;
  CopyResult result;
  // The folder comes from the folder field and the script: a line break or a ".." in it
  // would send the files elsewhere than the record says. Nothing is copied then.
  if (!IsPlainFolder(plan.installFolder)) {
    result.ok = false;
    result.failure = plan.installFolder + ": not a folder the game can be installed in";
    LogLine(ctx.log, "install folder", "REFUSED " + result.failure);
    ctx.system.ShowMessage(screen.owner(),
                           "The game cannot be installed in this folder:\n" +
                               std::string(FirstLine(plan.installFolder)),
                           ReadOrEmpty(ctx.script, script::kTextTitle));
    return result;
  }
  for (std::size_t index = 0; index < plan.discs.size(); ++index) {
    const int n = static_cast<int>(index) + 1;
    const std::string& section = plan.discs[index];
    if (n >= 2 && !plan.tryMode) Prompt(ctx, screen, n, script::kCaptionInsertDisc);
    const std::string label = SectionLabel(script, section);
    LogLine(ctx.log, "disc " + std::to_string(n) + " " + section, "label " + label + " expected");
    if (checkDiscs) {
      ReadDiscLabel(ctx.system, plan.discRoot, state);
      LogLine(ctx.log, "disc " + std::to_string(n), "label " + state.currentLabel + " found");
      for (int prompt = 1; state.currentLabel != label && prompt <= kWrongDiscPrompts; ++prompt) {
        Prompt(ctx, screen, n, script::kCaptionWrongDisc);
        if (prompt == kWrongDiscPrompts) break;  // the copy goes ahead all the same
        ReadDiscLabel(ctx.system, plan.discRoot, state);
      }
    }
    if (!CopyDisc(ctx, plan, screen, state, section, &result)) result.ok = false;
    LogLine(ctx.log, "disc " + std::to_string(n) + " copied", result.ok ? "done" : "FAILED");
  }
  if (!checkDiscs) return result;

  // Ask for the first disc back, shown even when it is already in the drive.
  Prompt(ctx, screen, 1, script::kCaptionInsertDisc);
  if (plan.discs.empty()) return result;
  const std::string label = SectionLabel(script, plan.discs[0]);
  for (int comparison = 1;; ++comparison) {
    ReadDiscLabel(ctx.system, plan.discRoot, state);
    if (state.currentLabel == label || comparison == kReturnDiscComparisons) return result;
    Prompt(ctx, screen, 1, script::kCaptionInsertDisc);
  }
}

}  // namespace dl
