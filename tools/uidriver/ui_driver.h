// Drives another program's windows the way a user would: finds its windows and controls,
// reads titles, texts and visibility, clicks buttons, answers message boxes and saves
// screenshots. Windows only (run under Wine in the tests).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/control_ids.h"

namespace dl::e2e {

// A started program.
struct Process {
  HANDLE handle = nullptr;
  DWORD id = 0;
};

// Starts commandLine in folder cwd. extraEnv entries ("NAME=value") are added to (or
// replace those of) this program's environment.
Process Start(const std::string& commandLine, const std::string& cwd,
              const std::vector<std::string>& extraEnv = {});
// Waits for the program to end; returns its exit code, or -1 after the timeout (the
// program is then killed).
int WaitForExit(Process& process, DWORD timeoutMs);
void Kill(Process& process);

// A visible top-level window of the process whose class and title match (null: any);
// null when none appears within the timeout.
HWND WaitForWindow(const Process& process, const char* className, const char* title,
                   DWORD timeoutMs);
// A visible top-level dialog window (#32770) of the process whose title differs from
// exceptTitle.
HWND WaitForOtherDialog(const Process& process, const std::string& exceptTitle, DWORD timeoutMs);
// The launcher's dialog: a visible dialog window of the process with a status control.
HWND WaitForLauncherDialog(const Process& process, DWORD timeoutMs);
// A visible message box (a dialog without the status control) of the process.
HWND WaitForMessageBox(const Process& process, DWORD timeoutMs);
// Whichever comes first: the launcher's dialog (*isLauncher true) or a message box.
HWND WaitForDialogOrMessageBox(const Process& process, DWORD timeoutMs, bool* isLauncher);
// True when the process shows no visible top-level window for the whole period.
bool ShowsNoWindow(const Process& process, DWORD periodMs);

std::string WindowTitle(HWND window);
std::string ControlText(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);
bool ControlExists(HWND dialog, int id);
// The text of a message box (its static control).
std::string MessageBoxText(HWND box);

// A click as a button sends it.
void Click(HWND dialog, int id);
// Presses OK (IDOK) or Cancel (IDCANCEL) of a dialog or message box.
void Press(HWND dialog, int id);
// Sends the close command (the close box).
void Close(HWND window);
// Waits until the window is gone.
bool WaitGone(HWND window, DWORD timeoutMs);

// Wine only: maps the host folder unixPath as CD-ROM drive letter ('e') through Wine's
// mount manager, which reads the folder's .windows-label afresh: a disc swap. (Rewriting
// .windows-label alone is not seen by a running Wine.) False when it fails.
bool MapCdRomDrive(char letter, const std::string& unixPath);
// A host path as Wine sees it (drive Z: is the host's root); empty for a relative path.
std::string WinePath(const std::string& unixPath);
// Wine only: maps the host folder unixPath as a drive of this type (DRIVE_FIXED...); an
// empty path removes the drive. False when it fails.
bool MapDrive(char letter, const std::string& unixPath, UINT type);

// The position of a progress bar; false when its program does not answer within timeoutMs.
bool ProgressPosition(HWND dialog, int id, int* position, UINT timeoutMs = 20);

// A hash of what the screen shows of a window (0 when it shows nothing): two different
// hashes mean the window's picture changed.
std::uint64_t PixelHash(HWND window);

// Saves what the screen shows of the window as a 24-bit BMP file. With settle, the window
// is brought to the front and repainted first; without, it is taken as it is this moment
// (for a window whose program is busy).
bool SaveScreenshot(HWND window, const std::string& path, bool settle = true);

}  // namespace dl::e2e
