#include "probe/probe.h"
#include "launcher/launcher_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/ini_file.h"
#include "support/fake_system.h"

namespace dl {
namespace {

using testing::FakeSystem;

struct StepExpectation {
  int failingStep;
  std::uint32_t code;
  const char* debugText;  // null: none
};

// Every step of the table failing in turn: the code it names, its debug text, and that the
// probe stops there and releases what it obtained.
TEST(ProbeDirectX, EachFailingStepNamesTheGenerationBeforeIt) {
  const std::vector<StepExpectation> table = {
      {2, 0, nullptr},
      {3, 0, "Couldn't LoadLibrary DDraw\r\n"},
      {4, 0, "Couldn't create DDraw\r\n"},
      {5, 256, "Couldn't QI DDraw2\r\n"},
      {6, 512, "Couldn't LoadLibrary DInput\r\n"},
      {7, 512, "Couldn't GetProcAddress DInputCreate\r\n"},
      {8, 0, "Couldn't Set coop level\r\n"},
      {9, 0, "Couldn't CreateSurface\r\n"},
      {10, 768, nullptr},
      {11, 1280, nullptr},
      {12, 1536, "Couldn't create CLSID_DirectMusic\r\n"},
      {13, 1537, nullptr},
      {14, 1537, nullptr},
      {15, 1792, nullptr},
      {16, 2048, nullptr},
      {0, 2304, nullptr},  // every step passes
  };
  for (const StepExpectation& e : table) {
    SCOPED_TRACE("failing step " + std::to_string(e.failingStep));
    FakeSystem sys;
    sys.failingDxStep = e.failingStep;
    std::uint32_t dx = 12345;
    std::int32_t platform = -1;
    EXPECT_EQ(ProbeDirectX(sys, &dx, &platform), e.code);
    EXPECT_EQ(dx, e.code);
    EXPECT_EQ(platform, kPlatformNt);
    if (e.debugText == nullptr) {
      EXPECT_TRUE(sys.debugTexts.empty());
    } else {
      EXPECT_EQ(sys.debugTexts, std::vector<std::string>{e.debugText});
    }
    const int lastStep = e.failingStep == 0 ? 16 : e.failingStep;
    ASSERT_FALSE(sys.dxStepsRun.empty());
    EXPECT_EQ(sys.dxStepsRun.front(), 2);
    EXPECT_EQ(sys.dxStepsRun.back(), lastStep);
    EXPECT_EQ(sys.dxStepsRun.size(), static_cast<std::size_t>(lastStep - 1));
    EXPECT_EQ(sys.openDxSessions, 0);
  }
}

TEST(ProbeDirectX, AFailedVersionQueryStopsBeforeAnyLibrary) {
  FakeSystem sys;
  sys.osVersionFails = true;
  std::uint32_t dx = 99;
  std::int32_t platform = 99;
  EXPECT_EQ(ProbeDirectX(sys, &dx, &platform), 0u);
  EXPECT_EQ(platform, kPlatformUnknown);
  EXPECT_TRUE(sys.dxStepsRun.empty());
  EXPECT_TRUE(sys.debugTexts.empty());
}

TEST(ProbeDirectX, PlatformCodeOnePerFamily) {
  FakeSystem sys;
  std::uint32_t dx = 0;
  std::int32_t platform = 0;
  sys.osVersion.platformId = 1;  // the Windows 95 family
  ProbeDirectX(sys, &dx, &platform);
  EXPECT_EQ(platform, kPlatformNot95);
  sys.osVersion.platformId = 0;  // Win32s and anything else
  ProbeDirectX(sys, &dx, &platform);
  EXPECT_EQ(platform, kPlatformNot95);
}

class ReportTest : public ::testing::Test {
 protected:
  std::string Report(std::int32_t platform, std::uint32_t dx) {
    state_.probe.osPlatform = platform;
    state_.probe.directXVersion = dx;
    std::string buffer = "old text that must be replaced";
    WriteSystemReport(sys_, script_, state_.systemLocale, state_.probe, &buffer);
    return buffer;
  }
  FakeSystem sys_;
  IniFile script_;
  LauncherState state_;
};

TEST_F(ReportTest, PlatformTextsByFamilyAndMinorVersion) {
  state_.systemLocale = 1033;
  sys_.osVersion = OsVersionInfo{4, 0, 950, 1, ""};
  EXPECT_EQ(Report(kPlatformNot95, kDirectX3),
            "OS:\tWindows 95 or batter Ver:4.0,409\nDX:\tDirectX 3.0");
  sys_.osVersion = OsVersionInfo{4, 10, 1998, 1, " A "};
  EXPECT_EQ(Report(kPlatformNot95, kDirectX61),
            "OS:\tWindows 98 or better Ver:4.10 A ,409\nDX:\tDirectX 6.01");
  sys_.osVersion = OsVersionInfo{4, 90, 3000, 1, ""};
  EXPECT_EQ(Report(kPlatformNot95, kDirectX7),
            "OS:\tWindows 98 or better Ver:4.90,409\nDX:\tDirectX 7.0 ");
  sys_.osVersion = OsVersionInfo{10, 0, 19045, 2, ""};
  EXPECT_EQ(Report(kPlatformNt, kDirectX9), "OS:\tWindows NT Ver:10.0,409\nDX:\tDirectX 9.0 or up");
  EXPECT_EQ(Report(kPlatformUnknown, kDirectXNone),
            "OSError!\n Ver:10.0,409\nDX:\tNo DirectX installed");
}

TEST_F(ReportTest, VersionLineCarriesServicePackAndLocaleInHex) {
  state_.systemLocale = 2052;
  sys_.osVersion = OsVersionInfo{5, 1, 2600, 2, "Service Pack 2"};
  EXPECT_EQ(Report(kPlatformNt, kDirectX8),
            "OS:\tWindows NT Ver:5.1Service Pack 2,804\nDX:\tDirectX 8.0 or up");
  EXPECT_EQ(state_.probe.osVersion.servicePack, "Service Pack 2");  // refreshed
  sys_.osVersion.servicePack = "";
  EXPECT_EQ(Report(kPlatformNt, kDirectX8), "OS:\tWindows NT Ver:5.1,804\nDX:\tDirectX 8.0 or up");
}

TEST_F(ReportTest, ScriptLabelsAndEveryDirectXText) {
  script_.LoadText("[STRING_TAB]\nstring6=System\nstring7=Graphics\n");
  state_.systemLocale = 1033;
  std::string report = Report(kPlatformNt, kDirectX5);
  EXPECT_EQ(report.substr(0, 6), "System");
  EXPECT_NE(report.find("\nGraphics:\tDirectX 5.0"), std::string::npos);
  EXPECT_STREQ(DirectXText(256), ":\tDirectX 1.0");
  EXPECT_STREQ(DirectXText(512), ":\tDirectX 2.0");
  EXPECT_STREQ(DirectXText(1536), ":\tDirectX 6.0");
  EXPECT_STREQ(DirectXText(1024), "Unknown version of DirectX installed.");
  EXPECT_STREQ(DirectXText(0xFFFFFFFFu), "Unknown version of DirectX installed.");
}

TEST_F(ReportTest, AFormatInTheScriptLabelIsNotInterpreted) {
  script_.LoadText("[STRING_TAB]\nstring6=%s%n%d\n");
  std::string report = Report(kPlatformNt, kDirectX9);
  EXPECT_EQ(report.substr(0, 7), "%s%n%d:");
}

}  // namespace
}  // namespace dl
