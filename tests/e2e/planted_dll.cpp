// A DLL that someone planted beside a program under a system DLL's name (it is copied as
// ddraw.dll, dinput.dll, d3d8.dll and d3d9.dll): when anything loads it, it appends its own
// path to the file named by DL_MARKER. It does nothing else.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char marker[MAX_PATH + 1] = {};
  const DWORD n = ::GetEnvironmentVariableA("DL_MARKER", marker, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  char self[MAX_PATH + 3] = {};
  const DWORD length = ::GetModuleFileNameA(module, self, MAX_PATH);
  self[length] = '\r';
  self[length + 1] = '\n';
  HANDLE file = ::CreateFileA(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(file, self, length + 2, &written, nullptr);
    ::CloseHandle(file);
  }
  return TRUE;
}
