// Windows XP has no GetTickCount64, but the POSIX threads runtime that the compiler's C++
// library links in imports it, and a missing entry point stops a program before its first
// line runs. This file defines the import's pointer itself, so the linker takes it from
// here and not from kernel32: on Vista and later it calls the real function, on XP it
// extends GetTickCount (which wraps after 49.7 days) with a carry.
#include <windows.h>

namespace {

ULONGLONG WINAPI TickCount64() {
  using Function = ULONGLONG(WINAPI*)();
  static const Function real = reinterpret_cast<Function>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
  if (real != nullptr) return real();
  // XP: the runtime asks only for relative times; a carry keeps them monotonic across a
  // wrap. Two threads may race on the carry only within one wrap, 49.7 days apart.
  static volatile LONG carry = 0;
  static volatile LONG last = 0;
  const DWORD now = ::GetTickCount();
  const DWORD before = static_cast<DWORD>(::InterlockedExchange(&last, static_cast<LONG>(now)));
  if (now < before) ::InterlockedIncrement(&carry);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(carry)) << 32) | now;
}

}  // namespace

// The import's pointer under the name the linker looks for on each architecture.
#if defined(__i386__)
extern "C" ULONGLONG(WINAPI* const dl_imp_GetTickCount64)() __asm__("__imp__GetTickCount64@0");
#else
extern "C" ULONGLONG(WINAPI* const dl_imp_GetTickCount64)() __asm__("__imp_GetTickCount64");
#endif
extern "C" ULONGLONG(WINAPI* const dl_imp_GetTickCount64)() = TickCount64;
