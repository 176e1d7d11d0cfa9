// The checksum's fast path: on processors with carry-less multiply, the bytes are folded
// sixty-four at a time (four 128-bit lanes) and reduced once at the end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dl {

// Takes the longest run of whole 16-byte blocks from the start of data (at least 64 bytes,
// else none) into *state, the running checksum before its final inversion. Returns how many
// bytes it took: 0 when the processor or the system cannot take this path.
std::size_t Crc32Fold(const unsigned char* data, std::size_t size, std::uint32_t* state);

}  // namespace dl
