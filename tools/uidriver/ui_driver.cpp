#include "uidriver/ui_driver.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include <commctrl.h>
#include <winioctl.h>

namespace dl::e2e {
namespace {

constexpr DWORD kPollMs = 50;

struct Search {
  DWORD pid;
  const std::function<bool(HWND)>* match;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != s->pid || !::IsWindowVisible(window) || !(*s->match)(window)) return TRUE;
  s->found = window;
  return FALSE;
}

// The first visible top-level window of process pid that match accepts; null when none.
HWND FindVisibleWindow(DWORD pid, const std::function<bool(HWND)>& match) {
  Search s{pid, &match, nullptr};
  ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FindOnce(DWORD pid, const char* className, const char* title, const std::string* except) {
  return FindVisibleWindow(pid, [&](HWND window) {
    if (className != nullptr && ClassOf(window) != className) return false;
    const std::string text = WindowTitle(window);
    return (title == nullptr || text == title) && (except == nullptr || text != *except);
  });
}

bool Ended(const Process& process) {
  return ::WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
}

// This program's environment with the extra entries put over it, as a block.
std::string EnvironmentBlock(const std::vector<std::string>& extra) {
  std::map<std::string, std::string> vars;  // keys upper-cased for comparison
  auto add = [&](const std::string& entry) {
    std::size_t eq = entry.find('=', 1);
    if (eq == std::string::npos) return;
    std::string upper = entry.substr(0, eq);
    for (char& c : upper) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    vars[upper] = entry;
  };
  char* block = ::GetEnvironmentStringsA();
  for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1) add(p);
  ::FreeEnvironmentStringsA(block);
  for (const std::string& e : extra) add(e);
  std::string out;
  for (const auto& [key, entry] : vars) {
    out += entry;
    out += '\0';
  }
  out += '\0';
  return out;
}

}  // namespace

Process Start(const std::string& commandLine, const std::string& cwd,
              const std::vector<std::string>& extraEnv) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string command = commandLine;
  std::string env = EnvironmentBlock(extraEnv);
  Process p;
  if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, env.data(),
                       cwd.empty() ? nullptr : cwd.c_str(), &startup, &info)) {
    ::CloseHandle(info.hThread);
    p.handle = info.hProcess;
    p.id = info.dwProcessId;
  }
  return p;
}

int WaitForExit(Process& process, DWORD timeoutMs) {
  if (process.handle == nullptr) return -1;
  if (::WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) {
    Kill(process);
    return -1;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.handle, &code);
  ::CloseHandle(process.handle);
  process.handle = nullptr;
  return static_cast<int>(code);
}

void Kill(Process& process) {
  if (process.handle == nullptr) return;
  ::TerminateProcess(process.handle, 99);
  ::WaitForSingleObject(process.handle, 5000);
  ::CloseHandle(process.handle);
  process.handle = nullptr;
}

namespace {
// Looks for a window with find until one turns up, the timeout passes or the process ends.
template <typename Find>
HWND PollFor(const Process& process, DWORD timeoutMs, Find find) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND w = find()) return w;
    if (::GetTickCount() - start > timeoutMs || Ended(process)) return nullptr;
    ::Sleep(kPollMs);
  }
}

constexpr int kStatusControl = DL_ID_STATUS;

// A visible dialog window of the process: the launcher's (with a status control) or not.
HWND FindDialog(const Process& process, bool launcher) {
  return FindVisibleWindow(process.id, [launcher](HWND window) {
    return ClassOf(window) == "#32770" &&
           (::GetDlgItem(window, kStatusControl) != nullptr) == launcher;
  });
}
}  // namespace

HWND WaitForWindow(const Process& process, const char* className, const char* title,
                   DWORD timeoutMs) {
  return PollFor(process, timeoutMs,
                 [&] { return FindOnce(process.id, className, title, nullptr); });
}

HWND WaitForOtherDialog(const Process& process, const std::string& exceptTitle, DWORD timeoutMs) {
  return PollFor(process, timeoutMs,
                 [&] { return FindOnce(process.id, "#32770", nullptr, &exceptTitle); });
}

HWND WaitForDialogOrMessageBox(const Process& process, DWORD timeoutMs, bool* isLauncher) {
  return PollFor(process, timeoutMs, [&]() -> HWND {
    for (bool launcher : {true, false}) {
      if (HWND w = FindDialog(process, launcher)) {
        *isLauncher = launcher;
        return w;
      }
    }
    return nullptr;
  });
}

HWND WaitForLauncherDialog(const Process& process, DWORD timeoutMs) {
  return PollFor(process, timeoutMs, [&] { return FindDialog(process, true); });
}

HWND WaitForMessageBox(const Process& process, DWORD timeoutMs) {
  return PollFor(process, timeoutMs, [&] { return FindDialog(process, false); });
}

bool ShowsNoWindow(const Process& process, DWORD periodMs) {
  DWORD start = ::GetTickCount();
  do {
    if (FindOnce(process.id, nullptr, nullptr, nullptr) != nullptr) return false;
    if (Ended(process)) return true;
    ::Sleep(kPollMs);
  } while (::GetTickCount() - start < periodMs);
  return true;
}

std::string WindowTitle(HWND window) {
  char buffer[1024] = {};
  ::GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (control == nullptr) return std::string();
  char buffer[2048] = {};
  ::SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

bool ControlVisible(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  return control != nullptr && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool ControlExists(HWND dialog, int id) {
  return ::GetDlgItem(dialog, id) != nullptr;
}

std::string MessageBoxText(HWND box) {
  return ControlText(box, 0xFFFF);
}

void Click(HWND dialog, int id) {
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void Press(HWND dialog, int id) {
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void Close(HWND window) {
  ::PostMessageA(window, WM_CLOSE, 0, 0);
}

bool WaitGone(HWND window, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  while (::IsWindow(window)) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(kPollMs);
  }
  return true;
}

namespace {
// Wine's own mount-manager request that defines a drive by a host path (as its drive
// configuration tool does); the layout is Wine's.
constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
}  // namespace

std::string WinePath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return std::string();
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool MapCdRomDrive(char letter, const std::string& unixPath) {
  return MapDrive(letter, unixPath, DRIVE_CDROM);
}

bool MapDrive(char letter, const std::string& unixPath, UINT type) {
  std::vector<char> request(sizeof(UnixDriveRequest) + unixPath.size() + 1, '\0');
  auto* r = reinterpret_cast<UnixDriveRequest*>(request.data());
  r->size = static_cast<ULONG>(request.size());
  r->type = type;
  r->letter = static_cast<WCHAR>(letter);
  // No host path removes the drive.
  r->mountPointOffset = unixPath.empty() ? 0 : static_cast<USHORT>(sizeof(UnixDriveRequest));
  std::memcpy(request.data() + sizeof(UnixDriveRequest), unixPath.c_str(), unixPath.size() + 1);
  HANDLE manager =
      ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok = ::DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                              static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
  ::CloseHandle(manager);
  return ok != 0;
}

namespace {
// The screen's pixels under a window, as 24-bit rows (bottom-up); empty when not shown.
std::string GrabPixels(HWND window, int* width, int* height) {
  RECT rect = {};
  if (!::IsWindowVisible(window) || !::GetWindowRect(window, &rect)) return std::string();
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  if (*width <= 0 || *height <= 0) return std::string();
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, *width, *height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, *width, *height, screen, rect.left, rect.top, SRCCOPY);
  ::SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = *width;
  info.biHeight = *height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD rowBytes = (static_cast<DWORD>(*width) * 3 + 3) & ~3u;
  std::string pixels(rowBytes * static_cast<DWORD>(*height), '\0');
  ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(*height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}
}  // namespace

bool ProgressPosition(HWND dialog, int id, int* position, UINT timeoutMs) {
  HWND bar = ::GetDlgItem(dialog, id);
  DWORD_PTR result = 0;
  if (bar == nullptr ||
      !::SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result))
    return false;
  *position = static_cast<int>(result);
  return true;
}

std::uint64_t PixelHash(HWND window) {
  int width = 0, height = 0;
  const std::string pixels = GrabPixels(window, &width, &height);
  if (pixels.empty()) return 0;
  std::uint64_t hash = 1469598103934665603ull;
  for (char c : pixels) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

bool SaveScreenshot(HWND window, const std::string& path, bool settle) {
  if (settle) {
    ::SetForegroundWindow(window);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::Sleep(300);
  }
  int width = 0, height = 0;
  const std::string pixels = GrabPixels(window, &width, &height);
  if (pixels.empty()) return false;
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

}  // namespace dl::e2e
