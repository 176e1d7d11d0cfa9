#include "launcher/drives.h"

#include "script/ini_file.h"

namespace dl {
namespace {

// The candidates of both disc searches: d: to z:, CD-ROM drives only.
template <typename Visit>
bool ScanCdRomDrives(FileSystem& system, Visit visit) {
  for (char letter = 'd'; letter <= 'z'; ++letter) {
    std::string root = std::string(1, letter) + ":\\";
    if (system.DriveKind(root) != DriveType::kCdRom) continue;
    if (visit(root)) return true;
  }
  return false;
}

}  // namespace

void LoadSpecialFolders(LauncherContext& ctx) {
  std::string path;
  if (ctx.system.SpecialFolderPath(SpecialFolder::kDesktop, &path)) ctx.state.desktopPath = path;
  if (ctx.system.SpecialFolderPath(SpecialFolder::kPrograms, &path)) ctx.state.programsPath = path;
}

bool FindInstallDisc(LauncherContext& ctx) {
  return ScanCdRomDrives(ctx.system, [&](const std::string& root) {
    ctx.system.ChangeDir(root);
    ctx.script.LoadFile(ctx.system, ctx.state.scriptName.c_str());
    return ctx.script.loaded != 0;
  });
}

bool FindDiscByLabel(FileSystem& system, const std::string& label) {
  return ScanCdRomDrives(system, [&](const std::string& root) {
    std::string volume;
    return system.VolumeLabel(root, &volume) && volume == label;
  });
}

void ProbeFreeSpace(LauncherContext& ctx, std::int32_t drive) {
  std::uint64_t bytes = 0;
  if (drive < 1 || drive > 26) {
    ctx.state.freeSpace = 0;
    return;
  }
  std::string root = std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
  ctx.state.freeSpace = ctx.system.FreeBytes(root, &bytes) ? bytes : 0;
}

std::int32_t DriveNumberOf(const std::string& path) {
  if (path.empty()) return 0;
  char c = path[0];
  if (c >= 'a' && c <= 'z') return c - 'a' + 1;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
  return 0;
}

}  // namespace dl
