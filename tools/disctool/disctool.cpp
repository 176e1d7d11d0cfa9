// disctool: for the authors of a disc set.
//   disctool check DISC1 [DISC2 ...]   the disc folders in disc order; the first holds
//                                      setup.ini. One line per finding; exit 1 when there
//                                      is an error, 0 otherwise, 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "disctool/disc_check.h"

#ifdef _WIN32
#include "platform/win32/win32_system.h"
using HostFileSystem = dl::Win32System;
#else
#include "platform/posix/posix_file_system.h"
using HostFileSystem = dl::PosixFileSystem;
#endif

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "check") != 0) {
    std::fprintf(stderr, "usage: disctool check DISC1 [DISC2 ...]\n");
    return 2;
  }
  HostFileSystem files;
  std::vector<std::string> discs(argv + 2, argv + argc);
  for (std::string& d : discs)
    while (d.size() > 1 && (d.back() == '/' || d.back() == '\\')) d.pop_back();
  int errors = 0;
  for (const disctool::Finding& f : disctool::CheckDiscSet(files, discs)) {
    std::printf("%s\n", disctool::FormatFinding(f).c_str());
    errors += f.error ? 1 : 0;
  }
  return errors > 0 ? 1 : 0;
}
