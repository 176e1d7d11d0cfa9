// Starting the game, the demo and the installers on the disc. Nothing is waited for; a
// command that a missing key would leave empty or partial is not started at all.
#pragma once

#include "install/install_plan.h"
#include "install/install_screen.h"
#include "script/schema.h"

namespace dl {

// The installed game, from the install folder (which becomes the current folder).
void RunGame(InstallContext& ctx, WindowRef owner = nullptr);
// The demo on the disc (below sourceRoot), from its folder (which becomes the current
// folder).
void RunDemo(InstallContext& ctx, const std::string& sourceRoot, WindowRef owner = nullptr);
// The additional installer; then the launcher ends (the dialog is ended, exit code 0).
void RunExtraInstaller(InstallContext& ctx, InstallScreen& screen);
// The DirectX set-up for this system; then the launcher ends as above.
void RunDirectXSetup(InstallContext& ctx, const OsVersionInfo& version, InstallScreen& screen);
// The set-up's command: "path2000" for Windows 2000, XP and Server 2003 (5.0 to 5.9),
// "path98" for the rest.
const TextKey& DirectXSetupKey(const OsVersionInfo& version);

}  // namespace dl
