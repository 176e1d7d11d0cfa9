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
  screen.Settle();
  const std::string text = DiscPromptText(ctx.script, disc);
  LogLine(ctx.log, "prompt for disc " + std::to_string(disc), text);
  ctx.system.ShowMessage(screen.owner(), text, ReadOrEmpty(ctx.script, caption));
}

// The root of the drive that holds the disc with this label: the launcher's own first, then
// every CD-ROM drive from D: to Z: (a game manager may have mounted all of a game's
// discs at once). Empty when none does.
std::string DriveHolding(FileSystem& files, const std::string& discRoot, const std::string& label,
                         CopyState& state) {
  ReadDiscLabel(files, discRoot, state);
  if (state.currentLabel == label) return discRoot;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    std::string volume;
    if (files.DriveKind(root) == DriveType::kCdRom && files.VolumeLabel(root, &volume) &&
        volume == label)
      return root;
  }
  return {};
}

// The plan of one disc's copy from the drive that holds it: the disc's paths moved from the
// launcher's drive to that one.
InstallPlan FromDrive(const InstallPlan& plan, const std::string& root) {
  if (root.empty() || plan.discRoot.empty() || root[0] == plan.discRoot[0]) return plan;
  InstallPlan moved = plan;
  const std::string& source = plan.sourceRoot;
  moved.sourceRoot =
      root.substr(0, 2) + (source.size() >= 2 && source[1] == ':' ? source.substr(2) : "");
  moved.patternRoot = moved.sourceRoot;
  return moved;
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
                      const std::string& entry, CopyResult* result) {
  std::string source = plan.sourceRoot;
  std::string target = plan.installFolder;
  // An entry must stay inside both folders, and a path that does not fit is refused
  // rather than cut: either way the entry counts as a failed copy.
  if (!IsContainedRelativePath(entry, false, &ctx.system))
    return Fail(ctx, result, entry + ": leaves the disc's or the install folder");
  if (!JoinPath(ctx.system, &source, entry) || !JoinPath(ctx.system, &target, entry))
    return Fail(ctx, result, entry + ": the path is longer than 259 characters");
  std::uint64_t bytes = 0;
  ctx.system.FileSize(source, &bytes);
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

std::vector<std::string> MatchingFiles(InstallContext& ctx, const InstallPlan& plan,
                                       const std::string& entry) {
  const std::string prefix = entry.substr(0, entry.find('*'));
  // The pattern is taken as it stands, relative to the current folder (or below the root
  // of the drive an unattended run found the disc in).
  std::string pattern = plan.patternRoot.empty() ? entry : plan.patternRoot;
  if (!plan.patternRoot.empty() && !JoinPath(ctx.system, &pattern, entry)) return {};
  std::vector<std::string> files;
  for (const FoundFile& match : ctx.system.FindFiles(pattern))
    if (!match.isDirectory) files.push_back(prefix + match.name);
  return files;
}

bool CopyMatchingFiles(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen,
                       CopyState& state, const std::string& entry, CopyResult* result) {
  for (const std::string& relative : MatchingFiles(ctx, plan, entry)) {
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
  // What the disc's copy will make goes into the journal ahead of it, in one flush.
  if (ctx.journal != nullptr) {
    ctx.journal->BeginBatch();
    for (int i = 0;; ++i) {
      const char* entry = ctx.script.GetString(section.c_str(), FileKeyName(i).c_str(), nullptr);
      if (entry == nullptr) break;
      const std::string text = entry;
      const bool wildcard = text.find('*') != std::string::npos;
      if (!IsContainedRelativePath(text, wildcard, &ctx.system)) break;  // the copy stops there
      for (const std::string& file :
           wildcard ? MatchingFiles(ctx, plan, text) : std::vector<std::string>{text}) {
        std::string source = plan.sourceRoot;
        std::uint64_t bytes = 0;
        if (JoinPath(ctx.system, &source, file)) ctx.system.FileSize(source, &bytes);
        ctx.journal->BeforeFile(file, bytes);
      }
    }
    ctx.journal->EndBatch();
  }
  for (int i = 0;; ++i) {
    const char* entry = ctx.script.GetString(section.c_str(), FileKeyName(i).c_str(), nullptr);
    if (entry == nullptr) break;
    const std::string text = entry;
    if (text.find('*') != std::string::npos) {
      // The pattern too must stay below the source folder.
      if (!IsContainedRelativePath(text, true, &ctx.system))
        return Fail(ctx, result, text + ": leaves the disc's or the install folder");
      if (!CopyMatchingFiles(ctx, plan, screen, state, text, result)) return false;
    } else if (!CopyFileFromDisc(ctx, plan, screen, text, result)) {
      return false;
    }
    screen.SetProgressPosition(i);
    screen.Settle();
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
  for (std::size_t index = 0; index < plan.discs.size(); ++index) {
    const int n = static_cast<int>(index) + 1;
    const std::string& section = plan.discs[index];
    const std::string label = SectionLabel(script, section);
    InstallPlan discPlan = plan;
    // Unattended, nobody may be there to press a button: a disc prompt comes only when no
    // drive holds the disc asked for.
    if (plan.silent && !plan.tryMode) {
      LogLine(ctx.log, "disc " + std::to_string(n) + " " + section, "label " + label + " expected");
      std::string drive = DriveHolding(ctx.system, plan.discRoot, label, state);
      const int prompts = !checkDiscs ? (n >= 2 ? 1 : 0)
                          : n >= 2    ? 1 + kWrongDiscPrompts
                                      : kWrongDiscPrompts;
      for (int prompt = 0; drive.empty() && prompt < prompts; ++prompt) {
        LogLine(ctx.log, "disc " + std::to_string(n),
                "label " + state.currentLabel + " found, and " + label + " in no other drive");
        Prompt(ctx, screen, n,
               prompt == 0 && n >= 2 ? script::kCaptionInsertDisc : script::kCaptionWrongDisc);
        drive = DriveHolding(ctx.system, plan.discRoot, label, state);
      }
      LogLine(ctx.log, "disc " + std::to_string(n),
              drive.empty() ? "label " + label + " in no drive" : "found in " + drive);
      discPlan = FromDrive(plan, drive);
      if (!CopyDisc(ctx, discPlan, screen, state, section, &result)) {
        result.ok = false;
        LogLine(ctx.log, "disc " + std::to_string(n) + " copied", "FAILED");
        return result;  // nothing more is asked of anyone
      }
      LogLine(ctx.log, "disc " + std::to_string(n) + " copied", "done");
      continue;
    }
    if (n >= 2 && !plan.tryMode) Prompt(ctx, screen, n, script::kCaptionInsertDisc);
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

  if (plan.silent) {
    // The first disc back in the launcher's drive, asked for only when it is not there.
    if (plan.discs.empty()) return result;
    const std::string label = SectionLabel(script, plan.discs[0]);
    for (int comparison = 1; comparison <= kReturnDiscComparisons; ++comparison) {
      ReadDiscLabel(ctx.system, plan.discRoot, state);
      if (state.currentLabel == label) break;
      Prompt(ctx, screen, 1, script::kCaptionInsertDisc);
    }
    return result;
  }

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
