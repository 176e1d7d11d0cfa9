// The control of the planted-DLL scenario: a program that loads DirectDraw by its bare name,
// as the launcher once did. Exit code 0 when a library of that name was loaded.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return ::LoadLibraryA("DDRAW.DLL") != nullptr ? 0 : 1;
}
