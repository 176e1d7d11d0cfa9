// The system seam: every operating-system service that the portable code uses, in two
// parts by what callers need. The file system (platform/file_system.h) serves scripts,
// packs, the install steps and the native tools; the desktop (platform/desktop.h) serves
// the launcher. A System is both: what the launcher's composition root makes.
//
// The portable code never includes <windows.h>; it receives a System (or just its file
// system) and reaches the machine only through it.
#pragma once

#include "platform/desktop.h"
#include "platform/file_system.h"

namespace dl {

class System : public FileSystem, public Desktop {};

}  // namespace dl
