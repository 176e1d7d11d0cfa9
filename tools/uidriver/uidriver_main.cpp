// uidriver: walks through what the launcher can do, as a user would, and reports it.
//   uidriver windows                         lists the top-level windows
//   uidriver swap LETTER HOSTFOLDER          puts another disc into a CD-ROM drive (Wine)
//   uidriver walkthrough "COMMAND" CWD SHOTDIR [LETTER DISC1 DISC2...]
// starts COMMAND in CWD, answers the start-up's message boxes, reads the dialog, opens and
// cancels the folder browser, saves screenshots (BMP) into SHOTDIR and ends with Exit.
// Given a drive LETTER and the host folders of the discs, it goes through the whole
// lifecycle instead: presses Install, swaps the disc that each prompt asks for into the
// drive, then Play (and closes the game), Demo, Uninstall, and a fresh start.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "uidriver/ui_driver.h"

namespace {

using namespace dl::e2e;

const struct {
  int id;
  const char* name;
} kControls[] = {
    {DL_ID_INSTALL, "Install/Uninstall"}, {DL_ID_EXIT, "Exit/OK"}, {DL_ID_DRIVE, "drive button"},
    {DL_ID_FOLDER, "folder field"},       {DL_ID_PLAY, "Play"},    {DL_ID_DEMO, "Demo"}};

void Describe(HWND dialog) {
  std::printf("dialog \"%s\"\n", WindowTitle(dialog).c_str());
  std::string status = ControlText(dialog, DL_ID_STATUS);
  std::printf("status text:\n");
  std::size_t start = 0;
  while (start <= status.size()) {
    std::size_t end = status.find('\n', start);
    std::string line = status.substr(start, end == std::string::npos ? end : end - start);
    for (char& c : line)
      if (c == '\t') c = ' ';
    std::printf("  | %s\n", line.c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (const auto& c : kControls) {
    if (ControlVisible(dialog, c.id))
      std::printf("shown: %-18s \"%s\"\n", c.name, ControlText(dialog, c.id).c_str());
  }
}

void Shot(HWND window, const std::string& dir, const char* name, bool settle = true) {
  std::string path = dir + "\\" + name;
  if (SaveScreenshot(window, path, settle))
    std::printf("screenshot: %s\n", name);
  else
    std::printf("screenshot %s could not be saved\n", name);
}

// The first number in a prompt's text: the disc it asks for.
int DiscNumberIn(const std::string& text) {
  std::size_t at = text.find_first_of("0123456789");
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at);
}

std::string LabelOf(const std::string& unixFolder) {
  const std::string path = WinePath(unixFolder + "/.windows-label");
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return std::string();
  char buffer[64] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  return std::string(buffer, n);
}

// Presses Install and answers the copy's prompts by swapping discs; false when the
// launcher did not reach the installed dialog.
bool Install(Process& setup, HWND dialog, const std::string& shots, char letter,
             const std::vector<std::string>& discs) {
  std::printf("clicking Install\n");
  Click(dialog, DL_ID_INSTALL);
  bool progressShot = false;
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < 120000) {
    int position = 0;
    if (!progressShot && ControlVisible(dialog, DL_ID_PROGRESS) &&
        ProgressPosition(dialog, DL_ID_PROGRESS, &position, 500) && position > 0) {
      Shot(dialog, shots, "03-copying.bmp", /*settle=*/false);
      progressShot = true;
    }
    if (ControlVisible(dialog, DL_ID_PLAY) && ControlText(dialog, DL_ID_EXIT) == "OK") {
      std::printf("installed: the dialog offers \"%s\" and Play\n",
                  ControlText(dialog, DL_ID_INSTALL).c_str());
      Shot(dialog, shots, "05-installed.bmp");
      return true;
    }
    HWND box = WaitForMessageBox(setup, 1);
    if (box == nullptr) {
      if (::WaitForSingleObject(setup.handle, 0) == WAIT_OBJECT_0) return false;
      continue;
    }
    const std::string text = MessageBoxText(box);
    std::printf("message box \"%s\": %s\n", WindowTitle(box).c_str(), text.c_str());
    const int disc = DiscNumberIn(text);
    if (disc >= 1 && static_cast<std::size_t>(disc) <= discs.size()) {
      Shot(box, shots, ("04-prompt-disc-" + std::to_string(disc) + ".bmp").c_str());
      const std::string& folder = discs[static_cast<std::size_t>(disc) - 1];
      if (MapCdRomDrive(letter, folder))
        std::printf("  disc %d (%s) is now in drive %c:\n", disc, LabelOf(folder).c_str(), letter);
      else
        std::printf("  could not swap disc %d into drive %c:\n", disc, letter);
    }
    std::printf("  -> OK\n");
    Press(box, IDOK);
    WaitGone(box, 5000);
  }
  return false;
}

// Starts the launcher and answers its start-up message boxes; the dialog, or null when
// the launcher ended without one.
HWND OpenLauncher(Process* setup, const std::string& command, const std::string& cwd,
                  const std::string& shots) {
  *setup = Start(command, cwd);
  if (setup->handle == nullptr) {
    std::printf("could not start %s\n", command.c_str());
    return nullptr;
  }
  std::printf("started %s in %s\n", command.c_str(), cwd.c_str());
  for (int boxes = 0; boxes < 10; ++boxes) {
    bool isLauncher = false;
    HWND box = WaitForDialogOrMessageBox(*setup, 60000, &isLauncher);
    if (box == nullptr) break;
    if (isLauncher) return box;
    std::printf("message box \"%s\": %s -> OK\n", WindowTitle(box).c_str(),
                MessageBoxText(box).c_str());
    Shot(box, shots, "00-message.bmp");
    Press(box, IDOK);
    WaitGone(box, 5000);
  }
  int code = WaitForExit(*setup, 10000);
  std::printf("the launcher showed no dialog; exit code %d\n", code);
  return nullptr;
}

int Ended(Process& setup) {
  int code = WaitForExit(setup, 60000);
  std::printf("the launcher ended with exit code %d\n", code);
  return code;
}

// After an install: Play, a second start with Demo, a third with Uninstall, and a fresh
// start at the end.
bool Lifecycle(const std::string& command, const std::string& cwd, const std::string& shots,
               Process& setup, HWND dialog) {
  std::printf("clicking Play\n");
  Click(dialog, DL_ID_PLAY);
  if (Ended(setup) != 0) return false;
  HWND game = nullptr;
  for (int i = 0; i < 100 && game == nullptr; ++i, ::Sleep(100))
    game = ::FindWindowA("KVX", nullptr);
  if (game == nullptr) {
    std::printf("the game's window did not appear\n");
    return false;
  }
  std::printf("the game runs: window \"%s\" -> closing it\n", WindowTitle(game).c_str());
  Shot(game, shots, "06-game.bmp");
  ::PostMessageA(game, WM_CLOSE, 0, 0);
  WaitGone(game, 10000);

  dialog = OpenLauncher(&setup, command, cwd, shots);
  if (dialog == nullptr) return false;
  Describe(dialog);
  Shot(dialog, shots, "07-installed-mode.bmp");
  if (ControlVisible(dialog, DL_ID_DEMO)) {
    std::printf("clicking %s\n", ControlText(dialog, DL_ID_DEMO).c_str());
    Click(dialog, DL_ID_DEMO);
    if (Ended(setup) != 0) return false;
    dialog = OpenLauncher(&setup, command, cwd, shots);
    if (dialog == nullptr) return false;
  }
  std::printf("clicking %s\n", ControlText(dialog, DL_ID_INSTALL).c_str());
  Click(dialog, DL_ID_INSTALL);
  const DWORD start = ::GetTickCount();
  while (ControlText(dialog, DL_ID_EXIT) != "OK" && ::GetTickCount() - start < 60000) ::Sleep(100);
  Describe(dialog);
  Shot(dialog, shots, "08-uninstalled.bmp");
  std::printf("clicking OK\n");
  Click(dialog, DL_ID_EXIT);
  if (Ended(setup) != 0) return false;

  dialog = OpenLauncher(&setup, command, cwd, shots);
  if (dialog == nullptr) return false;
  std::printf("a fresh start offers \"%s\" again\n", ControlText(dialog, DL_ID_INSTALL).c_str());
  Shot(dialog, shots, "09-fresh-start.bmp");
  Click(dialog, DL_ID_EXIT);
  return Ended(setup) == 0;
}

int Walkthrough(const std::string& command, const std::string& cwd, const std::string& shots,
                char letter, const std::vector<std::string>& discs) {
  ::CreateDirectoryA(shots.c_str(), nullptr);
  Process setup;
  HWND dialog = OpenLauncher(&setup, command, cwd, shots);
  if (dialog == nullptr) return setup.handle == nullptr ? 2 : 0;
  Describe(dialog);
  Shot(dialog, shots, "01-dialog.bmp");
  if (ControlVisible(dialog, DL_ID_DRIVE)) {
    std::printf("clicking the drive button\n");
    Click(dialog, DL_ID_DRIVE);
    HWND browser = WaitForOtherDialog(setup, WindowTitle(dialog), 8000);
    if (browser != nullptr) {
      std::printf("folder browser \"%s\" opened -> Cancel\n", WindowTitle(browser).c_str());
      Shot(browser, shots, "02-folder-browser.bmp");
      Press(browser, IDCANCEL);
      WaitGone(browser, 5000);
    } else {
      std::printf("no folder browser appeared\n");
    }
  }
  if (!discs.empty() && ControlVisible(dialog, DL_ID_INSTALL) &&
      ControlText(dialog, DL_ID_INSTALL) == "INSTALL") {
    if (!Install(setup, dialog, shots, letter, discs)) {
      int code = WaitForExit(setup, 10000);
      std::printf("the install did not finish; exit code %d\n", code);
      return 1;
    }
    if (ControlVisible(dialog, DL_ID_PLAY))
      return Lifecycle(command, cwd, shots, setup, dialog) ? 0 : 1;
  }
  std::printf("clicking %s\n", ControlText(dialog, DL_ID_EXIT).c_str());
  Click(dialog, DL_ID_EXIT);
  return Ended(setup) == 0 ? 0 : 1;
}

BOOL CALLBACK ListOne(HWND window, LPARAM) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  std::printf("%p pid %lu %s class \"%s\" title \"%s\"\n", static_cast<void*>(window),
              static_cast<unsigned long>(pid), ::IsWindowVisible(window) ? "visible" : "hidden",
              name, WindowTitle(window).c_str());
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "walkthrough") {
    const char letter = argc >= 6 ? argv[5][0] : 'd';
    const std::vector<std::string> discs(argv + (argc >= 6 ? 6 : argc), argv + argc);
    return Walkthrough(argv[2], argv[3], argv[4], letter, discs);
  }
  if (argc == 4 && std::string(argv[1]) == "swap") {
    const bool ok = MapCdRomDrive(argv[2][0], argv[3]);
    std::printf("%s\n", ok ? "swapped" : "could not swap the disc");
    return ok ? 0 : 1;
  }
  if (argc == 2 && std::string(argv[1]) == "windows") {
    ::EnumWindows(ListOne, 0);
    return 0;
  }
  std::fprintf(stderr,
               "usage: uidriver windows | uidriver swap LETTER HOSTFOLDER | uidriver walkthrough "
               "\"COMMAND\" CWD SHOTDIR "
               "[LETTER DISC1 DISC2...]\n");
  return 2;
}
