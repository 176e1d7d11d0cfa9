#include "install/uninstall.h"

#include <vector>

#include "install/install_log.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {

bool Uninstall(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen) {
  System& sys = ctx.system;
  WindowRef owner = screen.owner();
  screen.HideInstallAndPlay();

  DeleteGuard guard(sys, plan);
  std::vector<std::string> kept;
  auto refuse = [&](const std::string& path, const GuardVerdict& verdict) {
    kept.push_back(path + " (" + verdict.reason + ")");
    LogLine(ctx.log, "delete " + path, "REFUSED: " + verdict.reason);
  };
  auto remove = [&](const std::string& path) {
    const int result = sys.ShellFileOperation(owner, ShellOp::kDelete, path, "", kDeleteFlags);
    LogLine(ctx.log, "delete " + path,
            result == 0 ? "done" : "FAILED (" + std::to_string(result) + ")");
  };

  // Nothing of the launcher may hold the pack open while it is deleted.
  ctx.pack.Close();
  const std::string pack = plan.recordPath + ".pak";
  const GuardVerdict packVerdict = guard.RecordPack(pack);
  if (packVerdict.ok())
    remove(packVerdict.approved);
  else
    refuse(pack, packVerdict);

  for (int i = 0;; ++i) {
    const char* file = ctx.record.GetString(record::kMoveFile, FileKeyName(i).c_str(), nullptr);
    if (file == nullptr) break;
    const GuardVerdict verdict = guard.Shortcut(file);
    if (!verdict.ok()) {
      refuse(file, verdict);
      continue;
    }
    if (sys.FileExists(verdict.approved)) remove(verdict.approved);
  }
  if (const char* folder = Read(ctx.record, record::kInstallFolder)) {
    // The folder goes only while it still holds the game program the script names, so a
    // record pointed at an unrelated folder deletes nothing.
    const char* program = Read(ctx.script, script::kGameExeForPlay);
    if (program == nullptr) program = script::kGameExeForGroup.def;
    const GuardVerdict verdict = guard.InstallFolder(folder, program);
    if (verdict.ok())
      remove(verdict.approved);
    else
      refuse(folder, verdict);
  }
  if (kept.empty()) return true;
  std::string text =
      "The install record names these, which are not the game's own files or folder. They "
      "were left in place:";
  for (const std::string& k : kept) text += "\n" + k;
  // An unattended uninstall asks nothing: the refusals are in the log.
  if (!plan.silent) sys.ShowMessage(owner, text, kUninstallCaption);
  return false;
}

}  // namespace dl
