// Uninstalling: the record's pack, the shortcuts the install made and the install folder.
// The record is a text anyone can edit, so what it names goes through the delete guard
// first: only shortcut files, only the record's own pack, and only a folder that is no
// drive root, system or user folder and that still holds the game program.
#pragma once

#include <string>

#include "install/install_plan.h"
#include "install/install_screen.h"
#include "install/path_guard.h"
#include "install/undo.h"

namespace dl {

inline constexpr const char* kUninstallCaption = "Uninstall";

// Removes what the record names, each path in the form the guard approved. True when
// everything named was removed or was already gone, false when something was left in place
// (the user is told in a message box, which names each path and why).
bool Uninstall(InstallContext& ctx, const InstallPlan& plan, InstallScreen& screen);

}  // namespace dl
