// The system probe: the DirectX generation, inferred from which libraries, entry points
// and interfaces exist, and the system report that opens the dialog's status text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace dl {

class IniFile;

// DirectX version codes: high byte major, low byte minor.
inline constexpr std::uint32_t kDirectXNone = 0;
inline constexpr std::uint32_t kDirectX1 = 0x100;
inline constexpr std::uint32_t kDirectX2 = 0x200;
inline constexpr std::uint32_t kDirectX3 = 0x300;
inline constexpr std::uint32_t kDirectX5 = 0x500;
inline constexpr std::uint32_t kDirectX6 = 0x600;
inline constexpr std::uint32_t kDirectX61 = 0x601;
inline constexpr std::uint32_t kDirectX7 = 0x700;
inline constexpr std::uint32_t kDirectX8 = 0x800;
inline constexpr std::uint32_t kDirectX9 = 0x900;

// Platform codes.
inline constexpr std::int32_t kPlatformUnknown = 0;
inline constexpr std::int32_t kPlatformNot95 = 1;  // the Windows 95 family
inline constexpr std::int32_t kPlatformNt = 2;

// Probes the operating system and DirectX from the oldest generation to the newest,
// stopping at the first step that fails. Stores both codes and returns the DirectX code.
std::uint32_t ProbeDirectX(System& system, std::uint32_t* directXVersion, std::int32_t* osPlatform);

// What the probe found. The version record is refreshed by each system report.
struct ProbeReport {
  std::uint32_t directXVersion = 0;  // high byte major, low byte minor
  std::int32_t osPlatform = 0;       // 0 query failed, 1 not NT, 2 NT family
  OsVersionInfo osVersion;
};

// Refreshes report.osVersion and writes the report at the start of *buffer, replacing
// what was there. Reads the platform and DirectX codes from report.
void WriteSystemReport(System& system, IniFile& script, std::uint32_t systemLocale,
                       ProbeReport& report, std::string* buffer);

// The report's DirectX text for a version code.
const char* DirectXText(std::uint32_t code);

}  // namespace dl
