// setup.exe: the composition root. The launcher's objects are made here, once, and handed
// to the code that works on them.
#include <windows.h>

#include <commctrl.h>

#include "app/win32/win32_dialog.h"
#include "install/install_log.h"
#include "install/launcher_operations.h"
#include "launcher/command_line.h"
#include "launcher/launcher_state.h"
#include "launcher/start_up.h"
#include "pack/pack_file.h"
#include "platform/win32/safe_start.h"
#include "platform/win32/win32_system.h"
#include "script/ini_file.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  // Before anything can load a library: the launcher may run as an administrator from a
  // folder anyone could fill (a download), so no DLL is ever taken from beside it.
  dl::RestrictLibrarySearch();
  // The dialog's progress bar class must exist before the dialog is made.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  dl::Win32System system;
  dl::IniFile setupScript;
  dl::IniFile installRecord;
  dl::PackFile packFile(system);
  dl::LauncherState launcherState;
  dl::DeferredLog log;
  dl::LauncherContext ctx{system, setupScript, installRecord, packFile, launcherState, &log};
  launcherState.commandLine = dl::ParseCommandLine(commandLine == nullptr ? "" : commandLine);
  dl::LauncherOperations operations(ctx.install());
  try {
    return dl::LauncherMain(ctx, reinterpret_cast<dl::ModuleRef>(instance),
                            [&] { dl::RunSetupDialog(ctx, operations); });
  } catch (...) {
    return 1;
  }
}
