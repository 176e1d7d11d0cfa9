// The program's entry: refuses to run beside the game or a second launcher, finds and
// loads the setup script, reads the install record, checks the first disc, decides the
// mode, measures the free space of C: and shows the setup dialog.
#pragma once

#include <functional>

#include "launcher/launcher_state.h"

namespace dl {

// The game's window class; a window of it stops the launcher.
inline constexpr const char* kGameWindowClass = "KVX";

// Exit codes.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitNoInstallation = 1;

// Runs the start-up and, at its end, showDialog (which returns when the dialog has
// ended). Returns the program's exit code.
int LauncherMain(LauncherContext& ctx, ModuleRef instance, const std::function<void()>& showDialog);

}  // namespace dl
