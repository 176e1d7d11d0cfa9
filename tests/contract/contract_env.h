// What the system contract suite needs from the implementation under test. Each test
// program that runs the suite defines MakeContractEnv for its own implementation.
#pragma once

#include <memory>
#include <string>

#include "platform/system.h"

namespace dl::testing {

struct ContractEnv {
  virtual ~ContractEnv() = default;
  System* system = nullptr;
  std::string scratchDir;   // an existing, writable, empty folder, no trailing separator
  std::string cdromRoot;    // "D:\" of a CD-ROM drive; empty when the machine has none
  std::string cdromLabel;   // its volume label
  std::string fixedRoot;    // "C:\" of a fixed disk
  std::string missingRoot;  // the root of a drive letter that does not exist
};

std::unique_ptr<ContractEnv> MakeContractEnv();

}  // namespace dl::testing
