// The setup dialog on Windows: the dialog procedure, a thin adapter from window messages
// to the portable dialog object, and the view it works on.
#pragma once

#include "install/operations.h"
#include "launcher/launcher_state.h"

namespace dl {

// Shows the dialog "ASD" of the program's resources modally, with no owner window, and
// returns when it has ended.
void RunSetupDialog(LauncherContext& ctx, InstallOperations& operations);

}  // namespace dl
