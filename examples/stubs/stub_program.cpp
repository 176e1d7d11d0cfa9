// A stand-in for one of the programs that a game disc carries (the game, the demo, the
// DirectX set-up, an extra installer). It records how it was started — its name, command
// line and current folder — as one line in a log file, so that tests can check it:
// the file named by the environment variable DL_STUB_LOG, else by the value StubLog of
// HKEY_CURRENT_USER\Software\disclaunch-tests, else disclaunch-stubs.log in the temporary
// folder. The game stub then shows a window of class "KVX" until closed.
#include <windows.h>

#include <cstdio>
#include <string>

#ifndef STUB_NAME
#error "STUB_NAME names the program"
#endif

namespace {

std::string LogPath() {
  char buffer[MAX_PATH + 1] = {};
  DWORD n = ::GetEnvironmentVariableA("DL_STUB_LOG", buffer, sizeof buffer);
  if (n > 0 && n < sizeof buffer) return buffer;
  // A program that the desktop shell started has the shell's environment, not the
  // launcher's: the tests name the log in the registry too.
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\disclaunch-tests", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    DWORD type = 0, size = sizeof buffer - 1;
    const LONG read =
        ::RegQueryValueExA(key, "StubLog", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (read == ERROR_SUCCESS && type == REG_SZ && size > 1) return buffer;
  }
  n = ::GetTempPathA(sizeof buffer, buffer);
  std::string dir = n > 0 && n < sizeof buffer ? buffer : "C:\\";
  return dir + "disclaunch-stubs.log";
}

void Record() {
  char cwd[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryA(sizeof cwd, cwd);
  std::string line = std::string(STUB_NAME) + "|" + ::GetCommandLineA() + "|" + cwd + "\r\n";
  HANDLE f = ::CreateFileA(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(f);
}

#ifdef STUB_GAME_WINDOW
LRESULT CALLBACK GameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

int RunGameWindow(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = GameProc;
  wc.hInstance = instance;
  wc.lpszClassName = "KVX";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (!::RegisterClassA(&wc)) return 1;
  HWND window =
      ::CreateWindowA("KVX", "Wendmark (stand-in game)", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Record();
#ifdef STUB_GAME_WINDOW
  return RunGameWindow(instance);
#else
  (void)instance;
  return 0;
#endif
}
