// A full structural check of a pack's bytes, and a walk over its entries, for tools.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dl {

struct PackEntryInfo {
  std::string fullName;  // data\maps\m1.dat; a folder's ends in "\"
  std::uint32_t offset = 0;
  std::uint32_t storedSize = 0;
  std::uint32_t decodedSize = 0;  // the content's length (stored length when plain)
  bool folder = false;
  bool encoded = false;
};

// Walks every entry in pack order and checks every rule of the format: counts and
// offsets within the pack, terminated and folded names of at most 31 bytes, records in
// strictly ascending order, end markers with empty names, the root's end marker at the
// pack's length, folders laid out inside their entry, and every encoded entry decoding
// to its declared size. Each problem is described in *problems; returns true when none.
// visit (may be empty) sees each entry that could be read.
bool VerifyPack(const std::uint8_t* data, std::size_t size, std::vector<std::string>* problems,
                const std::function<void(const PackEntryInfo&)>& visit = nullptr);

}  // namespace dl
