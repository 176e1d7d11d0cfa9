// The fake's own behaviour beyond the shared contract: what the unit tests rely on.
#include "support/fake_system.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace dl::testing {
namespace {

TEST(FakeSystem, ScriptedAnswersCanSwapTheDisc) {
  FakeSystem sys;
  sys.AddDrive('D', DriveType::kCdRom, "DISC_1");
  sys.WriteHostFile("D:\\one.txt", "1");
  std::string disc2 = sys.tempRoot() + "/disc2";
  std::filesystem::create_directories(disc2);
  sys.ScriptAnswer(kAnswerOk, [&] { sys.InsertDisc('D', disc2, "DISC_2"); });
  EXPECT_EQ(sys.ShowMessage(nullptr, "Insert disc 2", "Setup"), kAnswerOk);
  std::string label;
  ASSERT_TRUE(sys.VolumeLabel("D:\\", &label));
  EXPECT_EQ(label, "DISC_2");
  EXPECT_FALSE(sys.FileExists("D:\\one.txt"));
  EXPECT_EQ(sys.ShowMessage(nullptr, "again", "Setup"), kAnswerOk);  // unscripted: OK
  ASSERT_EQ(sys.messages().size(), 2u);
  EXPECT_EQ(sys.messages()[0].text, "Insert disc 2");
  EXPECT_EQ(sys.messages()[0].caption, "Setup");
}

TEST(FakeSystem, PausesCostNothingButAreRecorded) {
  FakeSystem sys;
  sys.Pause(2000);
  sys.Pause(100);
  EXPECT_EQ(sys.nowMs(), 2100u);
  EXPECT_EQ(sys.pauses(), (std::vector<std::uint32_t>{2000, 100}));
}

TEST(FakeSystem, FailsTheNthMutationOnceOrFromThenOn) {
  FakeSystem sys;
  auto f = sys.CreateForWriting("C:\\f.bin");
  ASSERT_NE(f, nullptr);
  sys.FailMutation(2, false);
  EXPECT_TRUE(f->Write("a", 1));
  EXPECT_FALSE(f->Write("b", 1));
  EXPECT_TRUE(f->Write("c", 1));
  sys.FailMutation(1, true);
  EXPECT_FALSE(f->Write("d", 1));
  EXPECT_FALSE(f->Sync());
  sys.ClearFaults();
  EXPECT_TRUE(f->Close());
  EXPECT_EQ(sys.ReadHostFile("C:\\f.bin"), "ac");
}

TEST(FakeSystem, ACrashLosesWhatWasNotSynced) {
  FakeSystem sys;
  {
    auto f = sys.CreateForWriting("C:\\f.bin");
    ASSERT_TRUE(f->Write("synced", 6));
    ASSERT_TRUE(f->Sync());
    ASSERT_TRUE(f->Write("-lost", 5));
    sys.CrashAt(1);
    EXPECT_FALSE(f->Close());
  }
  EXPECT_TRUE(sys.crashed());
  EXPECT_EQ(sys.ReadHostFile("C:\\f.bin"), "synced");
  EXPECT_FALSE(sys.RemoveFile("C:\\f.bin"));
}

TEST(FakeSystem, DrivesOfEveryKindAndFreeSpaceFailures) {
  FakeSystem sys;
  sys.AddDrive('r', DriveType::kRemovable, "", 1234);
  EXPECT_EQ(sys.DriveKind("R:\\"), DriveType::kRemovable);
  EXPECT_EQ(sys.DriveKind("r:\\"), DriveType::kRemovable);
  std::uint64_t free = 0;
  ASSERT_TRUE(sys.FreeBytes("R:\\", &free));
  EXPECT_EQ(free, 1234u);
  sys.SetFreeBytes('R', 0, true);
  EXPECT_FALSE(sys.FreeBytes("R:\\", &free));
  EXPECT_EQ(sys.HostPath("Z:\\x"), "");
}

}  // namespace
}  // namespace dl::testing
