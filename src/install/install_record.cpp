#include "install/install_record.h"

#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

bool OnDriveC(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && (path[0] == 'C' || path[0] == 'c');
}

}  // namespace

std::string ScratchBaseFor(const std::string& recordPath) {
  return OnDriveC(recordPath) ? std::string(kScratchBase) : recordPath + "-new";
}

int WriteInstallRecord(LauncherContext& ctx) {
  IniFile& record = ctx.record;
  record.AddSection(record::kInstPath);
  record.SetString(record::kInstPath, "path", ctx.state.targetPath.c_str());
  record.AddSection(record::kInstallDirectory);
  record.SetString(record::kInstallDirectory, "path", ctx.state.discRoot.c_str());
  const std::string bytes = record.SerializeToString();
  const std::string name = Read(ctx.script, script::kRecordName);

  auto put = [&] {
    return ctx.pack.PutEntry(name.c_str(), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  };
  if (!put()) return 0;
  const std::string scratch = ScratchBaseFor(ctx.state.recordPath);
  if (ctx.pack.Save(scratch.c_str(), 1)) return 1;
  // C:\ may refuse the scratch pack (a user without the right to write there): try once
  // more next to the record, on the record's own volume.
  const std::string beside = ctx.state.recordPath + "-new";
  if (scratch == beside || !put()) return 0;
  return ctx.pack.Save(beside.c_str(), 1);
}

}  // namespace dl
