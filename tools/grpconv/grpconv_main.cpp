// grpconv: the program-group converter for systems that have none. "grpconv -o" reads the
// group description that a set-up program wrote to setup.ini in the Windows directory and
// makes each group as a folder of the user's Start-menu programs, with one shortcut per
// item, named by the launcher's own naming rule. A group must be a plain folder of its own
// under the programs folder (not a shell folder such as Startup, whose shortcuts run at
// every sign-in, and no device name), an item a plain file name: for any other, nothing is
// made. Exit code 0 when every group and shortcut was made; 2 when a group or item was
// refused by those rules; 1 when something could not be made.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "grpconv/progman.h"
#include "install/shortcut_names.h"
#include "platform/win32/safe_start.h"

namespace {

// The whole file (read with the system's own calls: the standard streams would make this
// small program several times larger).
bool ReadText(const std::string& path, std::string* text) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  text->clear();
  char buffer[4096];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ::ReadFile(file, buffer, sizeof buffer, &n, nullptr) != FALSE) && n > 0)
    text->append(buffer, n);
  ::CloseHandle(file);
  return ok;
}

std::wstring Wide(const std::string& text) {
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

bool MakeShortcut(const grpconv::ProgmanItem& item, const std::string& path) {
  IShellLinkA* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
    return false;
  link->SetPath(item.program.c_str());
  if (!item.arguments.empty()) link->SetArguments(item.arguments.c_str());
  if (!item.workingFolder.empty()) link->SetWorkingDirectory(item.workingFolder.c_str());
  if (!item.icon.empty()) link->SetIconLocation(item.icon.c_str(), item.iconIndex);
  link->SetDescription(item.title.c_str());
  bool ok = false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    ok = SUCCEEDED(file->Save(Wide(path).c_str(), TRUE));
    file->Release();
  }
  link->Release();
  return ok;
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH + 1] = {};
  return ::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? std::string(path) : std::string();
}

// Whether a folder is one the shell itself gives a meaning (compared without regard to case:
// Wine spells Startup "StartUp").
bool IsShellFolder(const std::string& folder) {
  for (int csidl : {CSIDL_STARTUP, CSIDL_ALTSTARTUP, CSIDL_COMMON_STARTUP, CSIDL_COMMON_ALTSTARTUP,
                    CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS, CSIDL_PROGRAMS,
                    CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU}) {
    const std::string shell = ShellFolder(csidl);
    if (!shell.empty() && ::lstrcmpiA(shell.c_str(), folder.c_str()) == 0) return true;
  }
  return false;
}

constexpr int kAllMade = 0;
constexpr int kNotMade = 1;
constexpr int kRefused = 2;

int Convert() {
  char windows[MAX_PATH + 1] = {};
  UINT n = ::GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) return kNotMade;
  std::string description;
  if (!ReadText(std::string(windows) + "\\setup.ini", &description)) return kNotMade;
  char programs[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, TRUE)) return kNotMade;

  dl::Win32CodePage codePage;
  bool made = true, refused = false;
  for (const grpconv::ProgmanGroup& group : grpconv::ParseProgmanGroups(description)) {
    const std::string folder = dl::GroupFolderPath(codePage, programs, group.name);
    if (folder.empty() || IsShellFolder(folder)) {
      refused = true;
      continue;
    }
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      made = false;
      continue;
    }
    for (const grpconv::ProgmanItem& item : group.items) {
      const std::string link = dl::ShortcutPath(codePage, folder, item.title);
      if (link.empty())
        refused = true;
      else
        made = MakeShortcut(item, link) && made;
    }
  }
  return refused ? kRefused : made ? kAllMade : kNotMade;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  // Before anything can load a library: a DLL planted beside grpconv is never loaded.
  dl::RestrictLibrarySearch();
  const std::string args = commandLine == nullptr ? "" : commandLine;
  if (args.find("-o") == std::string::npos && args.find("/o") == std::string::npos) return 1;
  HRESULT init = ::CoInitialize(nullptr);
  int result = 1;
  try {
    result = Convert();
  } catch (...) {
    result = 1;
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  return result;
}
