// What a program that may run with an administrator's rights does before anything else:
// the library search is kept to the system directory, so that a DLL that someone put beside
// the program or in the current folder is never loaded by a bare name.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/code_page.h"

namespace dl {

// Restricts the library search to the system directory (SetDefaultDllDirectories, where
// the system has it: Windows 8, and 7 and Vista with the update), else takes the current
// folder out of it (SetDllDirectoryA("")). Both are looked up at run time: XP has neither
// before SP1. Call it first thing in WinMain.
void RestrictLibrarySearch();

// Loads a library of the system directory by its full path, never by a bare name that the
// search would look for beside the program first. Null when it is not there.
inline HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH + 1] = {};
  const UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || n + 1 + ::lstrlenA(name) >= MAX_PATH) return nullptr;
  ::lstrcatA(path, "\\");
  ::lstrcatA(path, name);
  return ::LoadLibraryA(path);
}

// The ANSI code page of the running system, for code that has no System.
class Win32CodePage : public CodePage {
 public:
  std::size_t CharSize(const char* text) override {
    if (*text == '\0') return 0;
    const char* next = ::CharNextA(text);
    return next > text ? static_cast<std::size_t>(next - text) : 1;
  }
};

}  // namespace dl
