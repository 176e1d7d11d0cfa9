// CRC-32 (the polynomial of zip and PNG, reflected, 0xEDB88320): the install journal's
// checksum of each file it copied. A checksum against rot and cut copies, not against
// someone who means harm: the journal is no more protected than the files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dl {

// Continues a checksum over more bytes: start from 0, feed the data in any pieces.
std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace dl
