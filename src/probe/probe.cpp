#include "probe/probe.h"

#include "script/ini_file.h"
#include "script/schema.h"
#include "util/safe_format.h"

namespace dl {
namespace {

struct ProbeStep {
  DxStep step;
  std::uint32_t codeWhenFailing;
  const char* debugText;  // null: nothing is sent
};

// Each step tests what a later generation brought, so its failure names the one before.
constexpr ProbeStep kSteps[] = {
    {DxStep::kLoadDirectDraw, kDirectXNone, nullptr},
    {DxStep::kFindDirectDrawCreate, kDirectXNone, "Couldn't LoadLibrary DDraw\r\n"},
    {DxStep::kCreateDirectDraw, kDirectXNone, "Couldn't create DDraw\r\n"},
    {DxStep::kQueryDirectDraw2, kDirectX1, "Couldn't QI DDraw2\r\n"},
    {DxStep::kLoadDirectInput, kDirectX2, "Couldn't LoadLibrary DInput\r\n"},
    {DxStep::kFindDirectInputCreate, kDirectX2, "Couldn't GetProcAddress DInputCreate\r\n"},
    {DxStep::kSetCooperativeLevel, kDirectXNone, "Couldn't Set coop level\r\n"},
    {DxStep::kCreatePrimarySurface, kDirectXNone, "Couldn't CreateSurface\r\n"},
    {DxStep::kQuerySurface3, kDirectX3, nullptr},
    {DxStep::kQuerySurface4, kDirectX5, nullptr},
    {DxStep::kCreateDirectMusic, kDirectX6, "Couldn't create CLSID_DirectMusic\r\n"},
    {DxStep::kFindDirectDrawCreateEx, kDirectX61, nullptr},
    {DxStep::kCreateDirectDraw7, kDirectX61, nullptr},
    {DxStep::kLoadDirect3D8, kDirectX7, nullptr},
    {DxStep::kLoadDirect3D9, kDirectX8, nullptr},
};

std::int32_t PlatformCode(const OsVersionInfo& version) {
  return version.platformId == 2 ? kPlatformNt : kPlatformNot95;
}

}  // namespace

std::uint32_t ProbeDirectX(System& system, std::uint32_t* directXVersion,
                           std::int32_t* osPlatform) {
  std::uint32_t code = kDirectX9;
  OsVersionInfo version;
  if (!system.OsVersion(&version)) {
    *osPlatform = kPlatformUnknown;
    code = kDirectXNone;
  } else {
    *osPlatform = PlatformCode(version);
    // The session releases whatever the steps obtained when it goes out of scope.
    std::unique_ptr<DirectXSession> session = system.BeginDirectXProbe();
    for (const ProbeStep& s : kSteps) {
      if (!session->Run(s.step)) {
        code = s.codeWhenFailing;
        if (s.debugText != nullptr) system.DebugText(s.debugText);
        break;
      }
    }
  }
  *directXVersion = code;
  return code;
}

const char* DirectXText(std::uint32_t code) {
  switch (code) {
    case kDirectXNone:
      return ":\tNo DirectX installed";
    case kDirectX1:
      return ":\tDirectX 1.0";
    case kDirectX2:
      return ":\tDirectX 2.0";
    case kDirectX3:
      return ":\tDirectX 3.0";
    case kDirectX5:
      return ":\tDirectX 5.0";
    case kDirectX6:
      return ":\tDirectX 6.0";
    case kDirectX61:
      return ":\tDirectX 6.01";
    case kDirectX7:
      return ":\tDirectX 7.0 ";
    case kDirectX8:
      return ":\tDirectX 8.0 or up";
    case kDirectX9:
      return ":\tDirectX 9.0 or up";
    default:
      return "Unknown version of DirectX installed.";
  }
}

void WriteSystemReport(System& system, IniFile& script, std::uint32_t systemLocale,
                       ProbeReport& probe, std::string* buffer) {
  std::string report = Read(script, script::kTextOs);
  // A failed query leaves the record as the last refresh left it.
  system.OsVersion(&probe.osVersion);
  const OsVersionInfo& v = probe.osVersion;
  switch (probe.osPlatform) {
    case kPlatformNot95:
      report += v.minor >= 10 ? ":\tWindows 98 or better" : ":\tWindows 95 or batter";
      break;
    case kPlatformNt:
      report += ":\tWindows NT";
      break;
    default:
      report += "Error!\n";
      break;
  }
  report += FormatString(
      " Ver:%d.%d%s,%x\n",
      {FormatArg(static_cast<std::int64_t>(v.major)), FormatArg(static_cast<std::int64_t>(v.minor)),
       FormatArg(v.servicePack.c_str()), FormatArg(static_cast<std::uint64_t>(systemLocale))});
  report += Read(script, script::kTextDx);
  report += DirectXText(probe.directXVersion);
  *buffer = std::move(report);
}

}  // namespace dl
