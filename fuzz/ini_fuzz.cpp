// Both INI loaders on arbitrary bytes, and the serialise/reload round trip.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  dl::IniFile doc;
  doc.LoadText(std::string(bytes, size));
  (void)doc.SerializeToString();

  doc.LoadBuffer(bytes, static_cast<std::int32_t>(size));
  std::string once = doc.SerializeToString();
  if (static_cast<std::int32_t>(once.size()) != doc.Serialize(nullptr)) std::abort();
  dl::IniFile again;
  again.LoadBuffer(once.data(), static_cast<std::int32_t>(once.size()));
  if (again.SerializeToString() != once) std::abort();  // the text form is a fixed point
  return 0;
}
