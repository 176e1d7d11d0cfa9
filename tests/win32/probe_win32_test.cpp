// The DirectX probe on the real libraries: Wine brings DirectDraw, DirectInput,
// DirectMusic and Direct3D 8 and 9, so every step passes.
#include <gtest/gtest.h>

#include "platform/win32/win32_system.h"
#include "probe/probe.h"

namespace dl {
namespace {

TEST(Win32Probe, EveryStepPassesOnAFullDirectX) {
  Win32System sys;
  std::uint32_t dx = 0;
  std::int32_t platform = 0;
  EXPECT_EQ(ProbeDirectX(sys, &dx, &platform), kDirectX9);
  EXPECT_EQ(platform, kPlatformNt);
  // A second run in the same process gives the same answer: the first released everything
  // it loaded and created.
  EXPECT_EQ(ProbeDirectX(sys, &dx, &platform), kDirectX9);
}

TEST(Win32Probe, EachStepOfASessionCanRunAlone) {
  // Steps whose object is missing fail instead of crashing (a session used out of order).
  Win32System sys;
  auto session = sys.BeginDirectXProbe();
  EXPECT_FALSE(session->Run(DxStep::kQueryDirectDraw2));
  EXPECT_FALSE(session->Run(DxStep::kCreatePrimarySurface));
  EXPECT_FALSE(session->Run(DxStep::kQuerySurface4));
  EXPECT_FALSE(session->Run(DxStep::kCreateDirectDraw7));
  EXPECT_TRUE(session->Run(DxStep::kLoadDirect3D9));
}

}  // namespace
}  // namespace dl
