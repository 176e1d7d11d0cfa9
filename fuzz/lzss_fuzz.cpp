// The decoder on arbitrary bytes; the encoder against the plain one, byte for byte; and
// the encode/decode round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pack/lzss.h"
#include "support/reference_lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // As an entry: the decoder must stay within the bytes and the size it is given.
  std::uint32_t declared = 0;
  if (dl::LzssDecodedSize(data, size, &declared)) {
    std::vector<std::uint8_t> out(declared > (1u << 20) ? (1u << 20) : declared);
    (void)dl::LzssDecode(out.data(), out.size(), data, size);
  }
  // As content: it must come back unchanged.
  std::vector<std::uint8_t> entry = dl::LzssEncodeToMemory(data, size);
  static auto reference = std::make_unique<dl::testing::ReferenceLzssEncoder>();
  if (entry != reference->Encode(std::vector<std::uint8_t>(data, data + size))) std::abort();
  std::vector<std::uint8_t> back(size);
  if (dl::LzssDecode(back.data(), back.size(), entry.data(), entry.size()) != dl::LzssStatus::kOk)
    std::abort();
  if (size != 0 && std::memcmp(back.data(), data, size) != 0) std::abort();
  return 0;
}
