// The contract suite against the real Win32 implementation. The test harness maps a
// folder as CD-ROM drive and names its letter in DL_TEST_CDROM and DL_TEST_CDROM_LABEL.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "contract/contract_env.h"
#include "platform/win32/win32_system.h"

namespace dl::testing {

namespace {
struct Win32Env : ContractEnv {
  Win32System win32;
  ~Win32Env() override {
    // Remove what the test left in its scratch folder, then the folder.
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((scratchDir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
          ::DeleteFileA((scratchDir + "\\" + found.cFileName).c_str());
      } while (::FindNextFileA(h, &found));
      ::FindClose(h);
    }
    ::RemoveDirectoryA(scratchDir.c_str());
  }
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}
}  // namespace

std::unique_ptr<ContractEnv> MakeContractEnv() {
  auto env = std::make_unique<Win32Env>();
  char temp[MAX_PATH + 1];
  DWORD n = ::GetTempPathA(sizeof temp, temp);
  std::string base(temp, n);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  static int counter = 0;
  env->scratchDir = base + "\\dlcontract-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(++counter);
  ::CreateDirectoryA(env->scratchDir.c_str(), nullptr);
  env->system = &env->win32;
  std::string letter = Env("DL_TEST_CDROM");  // a drive letter
  if (!letter.empty()) env->cdromRoot = letter.substr(0, 1) + ":\\";
  env->cdromLabel = Env("DL_TEST_CDROM_LABEL");
  env->fixedRoot = "C:\\";
  env->missingRoot = "Q:\\";
  return env;
}

}  // namespace dl::testing
