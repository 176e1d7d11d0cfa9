#include "install/disc_finder.h"

#include <algorithm>
#include <vector>

#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "util/path_text.h"

namespace dl {
namespace {

constexpr int kWrongDiscPrompts = 3;

// What the wrong-disc prompt adds for a set kept in folders: OK opens the folder browser.
constexpr const char* kChooseFolderLine =
    "\n\nNo folder beside this one holds this disc's files. Press OK to choose the folder (or "
    "drive) that holds them.";

}  // namespace

std::string SectionLabel(IniFile& script, const std::string& section) {
  const char* label = script.GetString(section.c_str(), script::kLabelKey, nullptr);
  return label == nullptr ? std::string() : label;
}

std::string DriveHolding(FileSystem& files, const std::string& discRoot, const std::string& label,
                         CopyState& state) {
  ReadDiscLabel(files, discRoot, state);
  if (state.currentLabel == label) return discRoot;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    if (!discRoot.empty() && AsciiUpper(discRoot.substr(0, 1)) == root.substr(0, 1)) continue;
    std::string volume;
    if (files.DriveKind(root) == DriveType::kCdRom && files.VolumeLabel(root, &volume) &&
        volume == label)
      return root;
  }
  return {};
}

bool HoldsDiscFiles(InstallContext& ctx, const std::string& folder, const std::string& section) {
  IniFile& script = ctx.script;
  std::string firstPattern;
  bool anyPlain = false;
  for (int i = 0;; ++i) {
    const char* entry = script.GetString(section.c_str(), FileKeyName(i).c_str(), nullptr);
    if (entry == nullptr) break;
    const std::string text = entry;
    const bool wildcard = text.find('*') != std::string::npos;
    if (!IsContainedRelativePath(text, wildcard, &ctx.system)) return false;
    std::string path = folder;
    if (!JoinPath(ctx.system, &path, text)) return false;
    if (wildcard) {
      if (firstPattern.empty()) firstPattern = path;
      continue;
    }
    anyPlain = true;
    if (!ctx.system.FileExists(path)) return false;
  }
  if (anyPlain || firstPattern.empty()) return true;
  for (const FoundFile& match : ctx.system.FindFiles(firstPattern))
    if (!match.isDirectory) return true;
  return false;
}

DiscPlace DiscFinder::At(const std::string& folder) const {
  DiscPlace place{plan_, "folder " + folder};
  place.plan.sourceRoot = folder;
  place.plan.patternRoot = folder;
  return place;
}

std::optional<DiscPlace> DiscFinder::InDrive(const std::string& section) {
  const std::string root =
      DriveHolding(ctx_.system, plan_.discRoot, SectionLabel(ctx_.script, section), state_);
  if (root.empty()) return std::nullopt;
  DiscPlace place{plan_, root};
  if (plan_.discRoot.empty() ||
      AsciiUpper(root.substr(0, 1)) != AsciiUpper(plan_.discRoot.substr(0, 1))) {
    // The disc's paths move from the launcher's drive to that one.
    const std::string& source = plan_.sourceRoot;
    place.plan.sourceRoot =
        root.substr(0, 2) + (source.size() >= 2 && source[1] == ':' ? source.substr(2) : "");
    place.plan.patternRoot = place.plan.sourceRoot;
  }
  return place;
}

std::optional<DiscPlace> DiscFinder::InFolder(int n, const std::string& section,
                                              const std::string& folder) {
  std::string chosen = folder;
  // A drive's root comes as "E:\": its entries join as "E:\game\a.txt" either way.
  while (chosen.size() > 2 && EndsInSeparator(ctx_.system, chosen)) chosen.pop_back();
  if (chosen.empty() || !HoldsDiscFiles(ctx_, chosen, section)) return std::nullopt;
  if (n == 1) firstFolder_ = chosen;
  return At(chosen);
}

std::optional<DiscPlace> DiscFinder::Find(int n, const std::string& section) {
  if (!plan_.discsInFolders) return InDrive(section);
  std::vector<std::string> candidates;
  if (n == 1) {
    // The launcher's own folder, or the folder above it (where a disc's launcher in a
    // folder of its own finds the disc's files).
    candidates = {plan_.launcherFolder, plan_.sourceRoot};
  } else {
    // Disc 1's own folder when the set was copied into one folder, else a folder beside it
    // (CD1, CD2...; any names). Disc 1's folder comes first: one that holds every file
    // that disc n lists is that copy, while the folders beside a merged copy are other
    // games', which may hold files of the same names.
    const std::string base = firstFolder_.empty() ? plan_.launcherFolder : firstFolder_;
    candidates.push_back(base);
    const std::string parent = CutAtLastSeparator(ctx_.system, base);
    std::string pattern = parent;
    if (!parent.empty() && JoinPath(ctx_.system, &pattern, "*")) {
      std::vector<std::string> beside;
      const std::string own = ctx_.system.FoldCase(FileNameOf(ctx_.system, base));
      for (const FoundFile& found : ctx_.system.FindFiles(pattern)) {
        if (!found.isDirectory || found.name == "." || found.name == "..") continue;
        if (ctx_.system.FoldCase(found.name) == own) continue;
        beside.push_back(found.name);
      }
      std::sort(beside.begin(), beside.end(), [&](const std::string& a, const std::string& b) {
        return ctx_.system.FoldCase(a) < ctx_.system.FoldCase(b);
      });
      for (const std::string& name : beside) {
        std::string folder = parent;
        if (JoinPath(ctx_.system, &folder, name)) candidates.push_back(folder);
      }
    }
  }
  for (const std::string& folder : candidates) {
    if (folder.empty()) continue;
    if (std::optional<DiscPlace> place = InFolder(n, section, folder)) return place;
  }
  return std::nullopt;
}

std::optional<DiscPlace> LocateDisc(InstallContext& ctx, const InstallPlan& plan,
                                    InstallScreen& screen, DiscFinder& finder, CopyState& state,
                                    int n, const std::string& section, bool askFirst,
                                    bool* cancelled) {
  *cancelled = false;
  const bool checkDiscs = plan.mode != LaunchMode::kUpdate && !plan.tryMode;
  const std::string label = SectionLabel(ctx.script, section);
  const std::string disc = "disc " + std::to_string(n);
  LogLine(ctx.log, disc + " " + section,
          plan.discsInFolders ? "its files expected in a folder" : "label " + label + " expected");
  auto notFound = [&] {
    LogLine(ctx.log, disc,
            plan.discsInFolders
                ? std::string("no folder holds its files")
                : "label " + state.currentLabel + " found, and " + label + " in no other drive");
  };
  auto prompt = [&](const TextKey& caption, const std::string& more = std::string()) {
    if (PromptForDisc(ctx, screen, n, caption, more)) return true;
    *cancelled = true;
    return false;
  };
  std::optional<DiscPlace> place;
  if (plan.tryMode) {
    // A trial run asks nothing and compares no label; a set in folders is still found by
    // its files.
    if (plan.discsInFolders) place = finder.Find(n, section);
  } else if (plan.silent) {
    // Unattended, nobody may be there to press a button: a disc prompt comes only when no
    // drive holds the disc asked for, and a set in folders has nobody to choose a folder.
    place = finder.Find(n, section);
    const int prompts = plan.discsInFolders ? 0
                        : !checkDiscs       ? (n >= 2 ? 1 : 0)
                        : n >= 2            ? 1 + kWrongDiscPrompts
                                            : kWrongDiscPrompts;
    for (int asked = 0; !place && asked < prompts; ++asked) {
      notFound();
      if (!prompt(asked == 0 && n >= 2 ? script::kCaptionInsertDisc : script::kCaptionWrongDisc))
        return std::nullopt;
      place = finder.Find(n, section);
    }
  } else {
    if (askFirst && !prompt(script::kCaptionInsertDisc)) return std::nullopt;
    place = finder.Find(n, section);
    // The wrong-disc prompt comes only when no drive (no folder) holds the disc: three
    // times at most, and the copy goes ahead all the same after the third.
    for (int asked = 1; checkDiscs && !place && asked <= kWrongDiscPrompts; ++asked) {
      notFound();
      if (!prompt(script::kCaptionWrongDisc, plan.discsInFolders ? kChooseFolderLine : ""))
        return std::nullopt;
      if (plan.discsInFolders) {
        if (std::optional<std::string> chosen = screen.ChooseDiscFolder()) {
          place = finder.InFolder(n, section, *chosen);
          if (!place) LogLine(ctx.log, disc, "REFUSED " + *chosen + ": its files are not there");
        }
      } else if (asked < kWrongDiscPrompts) {
        place = finder.Find(n, section);
      }
    }
  }
  if (place) LogLine(ctx.log, disc, "found in " + place->where);
  return place;
}

}  // namespace dl
