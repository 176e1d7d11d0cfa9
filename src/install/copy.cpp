#include "install/copy.h"

#include "install/join_path.h"
#include "install/path_guard.h"
#include "launcher/setup_dialog.h"
#include "launcher/start_up.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

constexpr std::size_t kFirstLevelChars = 8;
constexpr std::size_t kLabelChars = 149;
constexpr int kWrongDiscPrompts = 3;
constexpr int kReturnDiscComparisons = 3;
constexpr std::uint32_t kEntryPauseMs = 100;

void Prompt(LauncherContext& ctx, SetupDialog& dialog, int disc, const TextKey& caption) {
  ctx.system.ShowMessage(dialog.view().window(), DiscPromptText(ctx.script, disc),
                         ReadOrEmpty(ctx.script, caption));
}

std::string SectionLabel(IniFile& script, const std::string& section) {
  const char* label = script.GetString(section.c_str(), script::kLabelKey, nullptr);
  return label == nullptr ? std::string() : label;
}

}  // namespace

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

void ReadDiscLabel(LauncherContext& ctx, CopyState& state) {
  state.currentLabel = "NULL";
  std::string label;
  if (ctx.system.DriveKind(ctx.state.discRoot) == DriveType::kCdRom &&
      ctx.system.VolumeLabel(ctx.state.discRoot, &label)) {
    state.currentLabel = label.substr(0, kLabelChars);
  }
}

int CopyFileFromDisc(LauncherContext& ctx, SetupDialog& dialog, const std::string& entry,
                     std::string* target) {
  std::string source = ctx.state.sourceRoot;
  *target = ctx.state.targetPath;
  // An entry must stay inside both folders, and a path that does not fit is refused
  // rather than cut: either way the entry counts as a failed copy.
  if (!IsContainedRelativePath(entry, false)) return -1;
  if (!JoinPath(&source, entry) || !JoinPath(target, entry)) return -1;
  return ctx.system.ShellFileOperation(dialog.view().window(), ShellOp::kCopy, source, *target,
                                       kCopyFlags);
}

int CopyMatchingFiles(LauncherContext& ctx, SetupDialog& dialog, CopyState& state,
                      const std::string& entry) {
  const std::string prefix = entry.substr(0, entry.find('*'));
  // The pattern is taken as it stands, relative to the current folder.
  for (const FoundFile& match : ctx.system.FindFiles(entry)) {
    if (match.isDirectory) continue;
    const std::string relative = prefix + match.name;
    dialog.ShowStatus(ctx.state.statusTextCopy + "\n" + relative);
    dialog.view().SetProgressPosition(kProgressBar, state.copySteps);
    ++state.copySteps;
    std::string target;
    if (CopyFileFromDisc(ctx, dialog, relative, &target) != 0) return 1;
    ctx.system.SetAttributes(target, kAttrNormal);
  }
  return 0;
}

int CopyDisc(LauncherContext& ctx, SetupDialog& dialog, CopyState& state,
             const std::string& section) {
  DialogView& view = dialog.view();
  ctx.state.targetPath = InstallFolder(ctx.script, ctx.state.targetDriveRoot,
                                       view.ControlText(kFolderField, kPathCapacity - 1));
  const std::int32_t files =
      ctx.script.GetInt(section.c_str(), script::kFilesKey, script::kFilesDefault);
  view.ShowControl(kProgressBar, true);
  view.SetProgressRange(kProgressBar, static_cast<int>(static_cast<std::uint32_t>(files) & 0xFFFF));
  view.ShowControl(kDriveButton, false);
  view.ShowControl(kFolderField, false);
  view.ShowControl(kStatusText, false);
  for (int i = 0;; ++i) {
    const char* entry = ctx.script.GetString(section.c_str(), FileKeyName(i).c_str(), nullptr);
    if (entry == nullptr) break;
    const std::string text = entry;
    if (text.find('*') != std::string::npos) {
      // The pattern too must stay below the source folder.
      if (!IsContainedRelativePath(text, true)) return -1;
      if (CopyMatchingFiles(ctx, dialog, state, text) != 0) return -1;
    } else {
      std::string target;
      if (CopyFileFromDisc(ctx, dialog, text, &target) != 0) return -1;
      // Files from a CD carry the read-only mark.
      ctx.system.SetAttributes(target, kAttrNormal);
    }
    view.SetProgressPosition(kProgressBar, i);
    ctx.system.Pause(kEntryPauseMs);
    ++state.copySteps;
  }
  view.ShowControl(kProgressBar, false);
  return 0;
}

int CopyAllDiscs(LauncherContext& ctx, SetupDialog& dialog, CopyState& state) {
  IniFile& script = ctx.script;
  LauncherState& st = ctx.state;
  const bool checkDiscs = st.mode != LaunchMode::kUpdate && st.tryMode == 0;
  bool failed = false;
  if (script.FindSection(DiscSectionName(0).c_str()) != nullptr) {
    for (int n = 1;; ++n) {
      const std::string section = DiscSectionName(n - 1);
      if (n >= 2 && st.tryMode == 0) Prompt(ctx, dialog, n, script::kCaptionInsertDisc);
      const std::string label = SectionLabel(script, section);
      if (checkDiscs) {
        ReadDiscLabel(ctx, state);
        for (int prompt = 1; state.currentLabel != label && prompt <= kWrongDiscPrompts; ++prompt) {
          Prompt(ctx, dialog, n, script::kCaptionWrongDisc);
          if (prompt == kWrongDiscPrompts) break;  // the copy goes ahead all the same
          ReadDiscLabel(ctx, state);
        }
      }
      if (CopyDisc(ctx, dialog, state, section) != 0) failed = true;
      if (script.FindSection(DiscSectionName(n).c_str()) == nullptr) break;
    }
  }
  const int result = failed ? 0 : 1;
  if (!checkDiscs) return result;

  // Ask for the first disc back, shown even when it is already in the drive.
  Prompt(ctx, dialog, 1, script::kCaptionInsertDisc);
  for (int comparison = 1;; ++comparison) {
    if (script.FindSection(DiscSectionName(0).c_str()) == nullptr) return result;
    const std::string label = SectionLabel(script, DiscSectionName(0));
    ReadDiscLabel(ctx, state);
    if (state.currentLabel == label || comparison == kReturnDiscComparisons) return result;
    Prompt(ctx, dialog, 1, script::kCaptionInsertDisc);
  }
}

}  // namespace dl
