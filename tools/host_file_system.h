// The file system of the machine a command-line tool runs on.
#pragma once

#ifdef _WIN32
#include "platform/win32/win32_system.h"
namespace dl {
using HostFileSystem = Win32System;
}  // namespace dl
#else
#include "platform/posix/posix_file_system.h"
namespace dl {
using HostFileSystem = PosixFileSystem;
}  // namespace dl
#endif
