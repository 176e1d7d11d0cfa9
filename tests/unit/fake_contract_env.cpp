#include "contract/contract_env.h"
#include "support/fake_system.h"

namespace dl::testing {

namespace {
struct FakeEnv : ContractEnv {
  FakeSystem fake;
};
}  // namespace

std::unique_ptr<ContractEnv> MakeContractEnv() {
  auto env = std::make_unique<FakeEnv>();
  env->fake.AddDrive('D', DriveType::kCdRom, "DLTEST_CD");
  env->fake.WriteHostFile("C:\\scratch\\.keep", "");
  env->fake.RemoveFile("C:\\scratch\\.keep");
  env->fake.WriteHostFile("C:\\users\\me\\Desktop\\.keep", "");
  env->fake.WriteHostFile("C:\\users\\me\\Programs\\.keep", "");
  env->fake.specialFolders[SpecialFolder::kDesktop] = "C:\\users\\me\\Desktop";
  env->fake.specialFolders[SpecialFolder::kPrograms] = "C:\\users\\me\\Programs";
  env->system = &env->fake;
  env->scratchDir = "C:\\scratch";
  env->cdromRoot = "D:\\";
  env->cdromLabel = "DLTEST_CD";
  env->fixedRoot = "C:\\";
  env->missingRoot = "Q:\\";
  return env;
}

}  // namespace dl::testing
