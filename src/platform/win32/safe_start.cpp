#include "platform/win32/safe_start.h"

#include <cstring>

namespace dl {
namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, which the XP headers do not declare.
constexpr DWORD kSearchSystem32 = 0x00000800;

template <typename Fn>
Fn Kernel32Function(const char* name) {
  FARPROC proc = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name);
  Fn fn = nullptr;
  static_assert(sizeof fn == sizeof proc);
  std::memcpy(&fn, &proc, sizeof fn);
  return fn;
}

}  // namespace

void RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (auto restrict = Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
    if (restrict(kSearchSystem32)) return;
  if (auto setDirectory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryA")) setDirectory("");
}

}  // namespace dl
