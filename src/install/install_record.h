// Writing the install record after a fresh install: the install folder and the disc's
// root are added to the record, which is stored as one entry of the pack in the Windows
// directory.
#pragma once

#include <string>

#include "install/install_plan.h"

namespace dl {

// The scratch pack's base path; ".pak" is added.
inline constexpr const char* kScratchBase = "C:\\Wdtemp";

// Writes the record: the plan's install folder and disc root are added to it. True when
// the pack holds it; false when nothing could be written (the pack then is as it was).
bool WriteInstallRecord(InstallContext& ctx, const InstallPlan& plan);

// Where the new pack is written before it replaces the old one: C:\Wdtemp when the record
// is on drive C:, else next to the record, so that the replacement stays on one volume.
std::string ScratchBaseFor(const std::string& recordPath);

}  // namespace dl
