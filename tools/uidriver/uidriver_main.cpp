// uidriver: walks through what the launcher can do, as a user would, and reports it.
//   uidriver windows                         lists the top-level windows
//   uidriver walkthrough "COMMAND" CWD SHOTDIR
// starts COMMAND in CWD, answers the start-up's message boxes, reads the dialog, opens and
// cancels the folder browser, saves screenshots (BMP) into SHOTDIR and ends with Exit.
#include <windows.h>

#include <cstdio>
#include <string>

#include "uidriver/ui_driver.h"

namespace {

using namespace dl::e2e;

const struct {
  int id;
  const char* name;
} kControls[] = {{1019, "Install/Uninstall"}, {1020, "Exit/OK"}, {1022, "drive button"},
                 {1023, "folder field"},      {1024, "Play"},    {1028, "Demo"}};

void Describe(HWND dialog) {
  std::printf("dialog \"%s\"\n", WindowTitle(dialog).c_str());
  std::string status = ControlText(dialog, 1025);
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

void Shot(HWND window, const std::string& dir, const char* name) {
  std::string path = dir + "\\" + name;
  if (SaveScreenshot(window, path))
    std::printf("screenshot: %s\n", name);
  else
    std::printf("screenshot %s could not be saved\n", name);
}

int Walkthrough(const std::string& command, const std::string& cwd, const std::string& shots) {
  ::CreateDirectoryA(shots.c_str(), nullptr);
  Process setup = Start(command, cwd);
  if (setup.handle == nullptr) {
    std::printf("could not start %s\n", command.c_str());
    return 2;
  }
  std::printf("started %s in %s\n", command.c_str(), cwd.c_str());
  HWND dialog = nullptr;
  for (int boxes = 0; dialog == nullptr && boxes < 10; ++boxes) {
    bool isLauncher = false;
    HWND box = WaitForDialogOrMessageBox(setup, 60000, &isLauncher);
    if (box == nullptr) break;
    if (isLauncher) {
      dialog = box;
      break;
    }
    std::printf("message box \"%s\": %s -> OK\n", WindowTitle(box).c_str(),
                MessageBoxText(box).c_str());
    Shot(box, shots, "00-message.bmp");
    Press(box, IDOK);
    WaitGone(box, 5000);
  }
  if (dialog == nullptr) {
    int code = WaitForExit(setup, 10000);
    std::printf("the launcher showed no dialog; exit code %d\n", code);
    return code == 0 ? 0 : 1;
  }
  Describe(dialog);
  Shot(dialog, shots, "01-dialog.bmp");
  if (ControlVisible(dialog, 1022)) {
    std::printf("clicking the drive button\n");
    Click(dialog, 1022);
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
  std::printf("clicking Exit\n");
  Click(dialog, 1020);
  int code = WaitForExit(setup, 10000);
  std::printf("the launcher ended with exit code %d\n", code);
  return code == 0 ? 0 : 1;
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
  if (argc == 5 && std::string(argv[1]) == "walkthrough")
    return Walkthrough(argv[2], argv[3], argv[4]);
  if (argc == 2 && std::string(argv[1]) == "windows") {
    ::EnumWindows(ListOne, 0);
    return 0;
  }
  std::fprintf(stderr, "usage: uidriver windows | uidriver walkthrough \"COMMAND\" CWD SHOTDIR\n");
  return 2;
}
