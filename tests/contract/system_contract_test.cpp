// One contract for every implementation of the system seam: the fake runs it natively,
// the Win32 implementation under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "contract/contract_env.h"

namespace dl::testing {
namespace {

class SystemContract : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = MakeContractEnv();
    sys_ = env_->system;
  }
  std::string Path(const std::string& name) const { return env_->scratchDir + "\\" + name; }
  void Write(const std::string& name, const std::string& content) {
    auto f = sys_->CreateForWriting(Path(name));
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->Write(content.data(), content.size()));
    ASSERT_TRUE(f->Close());
  }
  std::string Read(const std::string& name) {
    std::string s;
    EXPECT_TRUE(sys_->ReadWholeFile(Path(name), &s)) << name;
    return s;
  }

  std::unique_ptr<ContractEnv> env_;
  System* sys_ = nullptr;
};

TEST_F(SystemContract, WrittenBytesReadBackAndSeekPatchesInPlace) {
  auto f = sys_->CreateForWriting(Path("a.bin"));
  ASSERT_NE(f, nullptr);
  std::string payload("head\0er-body", 12);
  ASSERT_TRUE(f->Write(payload.data(), payload.size()));
  EXPECT_EQ(f->Tell(), 12u);
  ASSERT_TRUE(f->Seek(4));
  ASSERT_TRUE(f->Write("XY", 2));
  EXPECT_EQ(f->Tell(), 6u);
  ASSERT_TRUE(f->SeekEnd());
  EXPECT_EQ(f->Tell(), 12u);
  ASSERT_TRUE(f->Write("!", 1));
  ASSERT_TRUE(f->Sync());
  ASSERT_TRUE(f->Close());
  EXPECT_EQ(Read("a.bin"), std::string("headXYr-body!", 13));
  EXPECT_TRUE(sys_->FileExists(Path("a.bin")));
}

TEST_F(SystemContract, CreatingTruncatesAnExistingFile) {
  Write("t.txt", "a long first content");
  Write("t.txt", "short");
  EXPECT_EQ(Read("t.txt"), "short");
}

TEST_F(SystemContract, MissingFilesAndFoldersAreReportedAsSuch) {
  std::string s = "untouched";
  EXPECT_FALSE(sys_->ReadWholeFile(Path("none.txt"), &s));
  EXPECT_FALSE(sys_->FileExists(Path("none.txt")));
  EXPECT_FALSE(sys_->FileExists(env_->scratchDir));  // a folder is not a file
  EXPECT_FALSE(sys_->RemoveFile(Path("none.txt")));
  EXPECT_EQ(sys_->CreateForWriting(Path("no-such-folder\\f.txt")), nullptr);
}

TEST_F(SystemContract, RenameReplacesTheTargetAndFailsWithoutTouchingIt) {
  Write("old.pak", "old");
  Write("new.tmp", "new");
  ASSERT_TRUE(sys_->RenameReplacing(Path("new.tmp"), Path("old.pak")));
  EXPECT_EQ(Read("old.pak"), "new");
  EXPECT_FALSE(sys_->FileExists(Path("new.tmp")));
  EXPECT_FALSE(sys_->RenameReplacing(Path("new.tmp"), Path("old.pak")));
  EXPECT_EQ(Read("old.pak"), "new");
  EXPECT_TRUE(sys_->RemoveFile(Path("old.pak")));
  EXPECT_FALSE(sys_->FileExists(Path("old.pak")));
}

TEST_F(SystemContract, MappingShowsTheWholeFile) {
  std::string content;
  for (int i = 0; i < 70000; ++i) content.push_back(static_cast<char>(i * 7));
  Write("m.bin", content);
  std::unique_ptr<MappedFile> map;
  ASSERT_EQ(sys_->MapReadOnly(Path("m.bin"), &map), MapStatus::kMapped);
  ASSERT_EQ(map->size(), content.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(map->data()), map->size()), content);

  Write("empty.bin", "");
  std::unique_ptr<MappedFile> empty;
  ASSERT_EQ(sys_->MapReadOnly(Path("empty.bin"), &empty), MapStatus::kMapped);
  EXPECT_EQ(empty->size(), 0u);

  std::unique_ptr<MappedFile> none;
  EXPECT_EQ(sys_->MapReadOnly(Path("none.bin"), &none), MapStatus::kNotFound);
  EXPECT_EQ(none, nullptr);
}

TEST_F(SystemContract, ReadingInPiecesGivesTheWholeFileInOrderInBoundedPieces) {
  std::string content;
  for (std::size_t i = 0; i < 3 * kReadPieceBytes + 5; ++i)
    content.push_back(static_cast<char>(i * 13 + i / 4096));
  Write("p.bin", content);
  std::string joined;
  std::size_t pieces = 0;
  auto take = [&](const void* data, std::size_t size) {
    EXPECT_GT(size, 0u);
    EXPECT_LE(size, kReadPieceBytes);
    joined.append(static_cast<const char*>(data), size);
    ++pieces;
  };
  ASSERT_TRUE(sys_->ReadInPieces(Path("p.bin"), take));
  EXPECT_TRUE(joined == content);
  EXPECT_GE(pieces, 4u);

  Write("empty.bin", "");
  joined.clear();
  pieces = 0;
  EXPECT_TRUE(sys_->ReadInPieces(Path("empty.bin"), take));
  EXPECT_EQ(pieces, 0u);
  EXPECT_FALSE(sys_->ReadInPieces(Path("none.bin"), take));
  EXPECT_FALSE(sys_->ReadInPieces(env_->scratchDir, take)) << "a folder is no file";
}

TEST_F(SystemContract, RelativePathsResolveAgainstTheCurrentFolder) {
  std::string before = sys_->CurrentDir();
  Write("rel.txt", "relative");
  ASSERT_TRUE(sys_->ChangeDir(env_->scratchDir));
  std::string s;
  EXPECT_TRUE(sys_->ReadWholeFile("rel.txt", &s));
  EXPECT_EQ(s, "relative");
  EXPECT_FALSE(sys_->ChangeDir(Path("no-such-folder")));
  ASSERT_TRUE(sys_->ChangeDir(before));
}

bool IsAbsoluteWindowsPath(const std::string& p) {
  return p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
         p[2] == '\\';
}

TEST_F(SystemContract, WindowsFolderAndProgramPathAreAbsolute) {
  std::string windows = sys_->WindowsDir();
  EXPECT_TRUE(IsAbsoluteWindowsPath(windows)) << windows;
  EXPECT_NE(windows.back(), '\\');
  EXPECT_TRUE(IsAbsoluteWindowsPath(sys_->ModuleFilePath())) << sys_->ModuleFilePath();
  EXPECT_TRUE(IsAbsoluteWindowsPath(sys_->CurrentDir())) << sys_->CurrentDir();
}

TEST_F(SystemContract, DrivesReportTypeLabelAndFreeSpace) {
  EXPECT_EQ(sys_->DriveKind(env_->fixedRoot), DriveType::kFixed);
  std::uint64_t free = 0;
  ASSERT_TRUE(sys_->FreeBytes(env_->fixedRoot, &free));
  EXPECT_GT(free, 0u);

  EXPECT_EQ(sys_->DriveKind(env_->missingRoot), DriveType::kNoRootDir);
  std::string label = "unchanged";
  EXPECT_FALSE(sys_->VolumeLabel(env_->missingRoot, &label));

  if (env_->cdromRoot.empty()) GTEST_SKIP() << "this machine has no CD-ROM drive";
  EXPECT_EQ(sys_->DriveKind(env_->cdromRoot), DriveType::kCdRom);
  ASSERT_TRUE(sys_->VolumeLabel(env_->cdromRoot, &label));
  EXPECT_EQ(label, env_->cdromLabel);
}

TEST_F(SystemContract, ShellFoldersAreExistingFolders) {
  for (SpecialFolder which : {SpecialFolder::kDesktop, SpecialFolder::kPrograms}) {
    std::string path;
    ASSERT_TRUE(sys_->SpecialFolderPath(which, &path));
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), ":\\") << path;
    // A file can be made in it (where the shortcuts go).
    std::string probe = path + "\\dl-contract-probe.txt";
    auto f = sys_->CreateForWriting(probe);
    ASSERT_NE(f, nullptr) << path;
    EXPECT_TRUE(f->Close());
    EXPECT_TRUE(sys_->RemoveFile(probe));
  }
}

TEST_F(SystemContract, WindowsLocaleAndVersionQueries) {
  EXPECT_FALSE(sys_->WindowOfClassExists("dl-no-such-window-class"));
  EXPECT_FALSE(sys_->WindowWithTitleExists("dl: no window has this title"));
  EXPECT_NE(sys_->SystemLocale(), 0u);
  OsVersionInfo version;
  ASSERT_TRUE(sys_->OsVersion(&version));
  EXPECT_EQ(version.platformId, 2u);  // every system this runs on is of the NT family
  EXPECT_GE(version.major, 5u);
  EXPECT_EQ(sys_->CharSize(""), 0u);
  EXPECT_EQ(sys_->CharSize("ab"), 1u);
  EXPECT_EQ(sys_->CharSize("\\x"), 1u);
}

TEST_F(SystemContract, AttributesSetAndReadBack) {
  Write("a.txt", "x");
  ASSERT_TRUE(sys_->SetAttributes(Path("a.txt"), kAttrReadOnly));
  std::uint32_t a = 0;
  ASSERT_TRUE(sys_->GetAttributes(Path("a.txt"), &a));
  EXPECT_NE(a & kAttrReadOnly, 0u);
  ASSERT_TRUE(sys_->SetAttributes(Path("a.txt"), kAttrNormal));
  ASSERT_TRUE(sys_->GetAttributes(Path("a.txt"), &a));
  EXPECT_EQ(a & kAttrReadOnly, 0u);
  EXPECT_FALSE(sys_->GetAttributes(Path("missing.txt"), &a));
  EXPECT_FALSE(sys_->SetAttributes(Path("missing.txt"), kAttrNormal));
}

TEST_F(SystemContract, FindFilesMatchesTheLastComponentAndTellsFolders) {
  Write("one.dat", "1");
  Write("TWO.DAT", "two");
  Write("three.txt", "3");
  ASSERT_EQ(sys_->ShellFileOperation(
                nullptr, ShellOp::kCopy, Path("three.txt"), Path("sub.dat\\inner.txt"),
                kShellSilent | kShellNoConfirmation | kShellNoConfirmMkdir | kShellNoErrorUi),
            0);
  std::vector<std::string> files, folders;
  for (const FoundFile& f : sys_->FindFiles(Path("*.dat"))) {
    // A file comes with its size, so that a copy need not ask for it again.
    (f.isDirectory ? folders : files)
        .push_back(f.isDirectory ? f.name : f.name + ":" + std::to_string(f.size));
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"TWO.DAT:3", "one.dat:1"}));
  EXPECT_EQ(folders, std::vector<std::string>{"sub.dat"});
  EXPECT_TRUE(sys_->FindFiles(Path("*.none")).empty());
  EXPECT_EQ(sys_->ShellFileOperation(nullptr, ShellOp::kDelete, Path("sub.dat"), "",
                                     kShellSilent | kShellNoConfirmation | kShellNoErrorUi),
            0);
}

TEST_F(SystemContract, ShellCopyRenameAndDeleteOneFileAtATime) {
  const std::uint32_t quiet =
      kShellSilent | kShellNoConfirmation | kShellNoConfirmMkdir | kShellNoErrorUi;
  Write("src.bin", "payload");
  // A copy makes the missing folders of its target.
  EXPECT_EQ(sys_->ShellFileOperation(nullptr, ShellOp::kCopy, Path("src.bin"),
                                     Path("new\\deeper\\copy.bin"), quiet),
            0);
  EXPECT_EQ(Read("new\\deeper\\copy.bin"), "payload");
  EXPECT_EQ(sys_->ShellFileOperation(nullptr, ShellOp::kRename, Path("new\\deeper\\copy.bin"),
                                     Path("new\\deeper\\renamed.bin"), quiet),
            0);
  EXPECT_FALSE(sys_->FileExists(Path("new\\deeper\\copy.bin")));
  EXPECT_EQ(Read("new\\deeper\\renamed.bin"), "payload");
  EXPECT_NE(
      sys_->ShellFileOperation(nullptr, ShellOp::kCopy, Path("absent.bin"), Path("x.bin"), quiet),
      0);
  EXPECT_EQ(sys_->ShellFileOperation(nullptr, ShellOp::kDelete, Path("new"), "", quiet), 0);
  EXPECT_FALSE(sys_->FileExists(Path("new\\deeper\\renamed.bin")));
  std::string shortForm;
  EXPECT_TRUE(sys_->ShortPath(Path("src.bin"), &shortForm));
  EXPECT_FALSE(shortForm.empty());
  EXPECT_FALSE(sys_->ShortPath(Path("absent.bin"), &shortForm));
}

TEST_F(SystemContract, SizesOfFilesAndFoldersRemovedOnlyWhenEmpty) {
  const std::uint32_t quiet =
      kShellSilent | kShellNoConfirmation | kShellNoConfirmMkdir | kShellNoErrorUi;
  Write("sized.bin", std::string(70001, 's'));
  std::uint64_t size = 0;
  ASSERT_TRUE(sys_->FileSize(Path("sized.bin"), &size));
  EXPECT_EQ(size, 70001u);
  EXPECT_FALSE(sys_->FileSize(Path("absent.bin"), &size));
  EXPECT_FALSE(sys_->FileSize(env_->scratchDir, &size));  // a folder has no file size
  // The stamp: the size, and a write time that stays until the file is written again.
  std::uint64_t stampSize = 0, time = 0, again = 0;
  ASSERT_TRUE(sys_->FileStamp(Path("sized.bin"), &stampSize, &time));
  EXPECT_EQ(stampSize, 70001u);
  EXPECT_NE(time, 0u);
  ASSERT_TRUE(sys_->FileStamp(Path("sized.bin"), &stampSize, &again));
  EXPECT_EQ(again, time);
  EXPECT_FALSE(sys_->FileStamp(Path("absent.bin"), &stampSize, &time));
  EXPECT_FALSE(sys_->FileStamp(env_->scratchDir, &stampSize, &time));

  ASSERT_EQ(sys_->ShellFileOperation(nullptr, ShellOp::kCopy, Path("sized.bin"),
                                     Path("holder\\inner\\kept.bin"), quiet),
            0);
  EXPECT_FALSE(sys_->RemoveEmptyFolder(Path("holder")));  // it holds a folder
  EXPECT_FALSE(sys_->RemoveEmptyFolder(Path("holder\\inner")));
  EXPECT_EQ(Read("holder\\inner\\kept.bin").size(), 70001u);
  ASSERT_TRUE(sys_->RemoveFile(Path("holder\\inner\\kept.bin")));
  EXPECT_TRUE(sys_->RemoveEmptyFolder(Path("holder\\inner")));
  EXPECT_TRUE(sys_->RemoveEmptyFolder(Path("holder")));
  std::uint32_t a = 0;
  EXPECT_FALSE(sys_->GetAttributes(Path("holder"), &a));
  EXPECT_FALSE(sys_->RemoveEmptyFolder(Path("holder")));     // gone already
  EXPECT_FALSE(sys_->RemoveEmptyFolder(Path("sized.bin")));  // a file is no folder
  EXPECT_TRUE(sys_->FileExists(Path("sized.bin")));
}

TEST_F(SystemContract, PathsResolveToOneFormAndAWildcardDeleteIsNeverCarriedOut) {
  Write("keep.txt", "kept");
  Write("also.txt", "kept");
  std::string direct, roundabout, relative, absent;
  ASSERT_TRUE(sys_->ResolvePath(Path("keep.txt"), &direct));
  ASSERT_TRUE(sys_->ResolvePath(Path(".\\sub\\..\\keep.txt"), &roundabout));
  EXPECT_TRUE(IsAbsoluteWindowsPath(direct)) << direct;
  EXPECT_EQ(sys_->FoldCase(roundabout), sys_->FoldCase(direct));
  const std::string before = sys_->CurrentDir();
  ASSERT_TRUE(sys_->ChangeDir(env_->scratchDir));
  ASSERT_TRUE(sys_->ResolvePath("keep.txt", &relative));
  ASSERT_TRUE(sys_->ChangeDir(before));
  EXPECT_EQ(sys_->FoldCase(relative), sys_->FoldCase(direct));
  // A path that does not exist is still made absolute.
  ASSERT_TRUE(sys_->ResolvePath(Path("no-such-folder\\x"), &absent));
  EXPECT_TRUE(IsAbsoluteWindowsPath(absent)) << absent;
  EXPECT_EQ(sys_->FoldCase("Mixed Case 1.txt"), "MIXED CASE 1.TXT");

  for (const char* pattern : {"*", "*.txt", "kee?.txt"})
    EXPECT_NE(sys_->ShellFileOperation(nullptr, ShellOp::kDelete, Path(pattern), "",
                                       kShellSilent | kShellNoConfirmation | kShellNoErrorUi),
              0)
        << pattern;
  EXPECT_EQ(Read("keep.txt"), "kept");
  EXPECT_EQ(Read("also.txt"), "kept");
}

}  // namespace
TEST_F(SystemContract, RegistryValuesWrittenReadBackAndRemovedWithTheirKey) {
  // The user's part: writable without an administrator's rights on every system.
  const std::string key = "Software\\disclaunch-contract\\Entry";
  ASSERT_TRUE(sys_->RemoveRegistryKey(RegistryRoot::kUser, key));  // gone, or never there
  std::string text;
  EXPECT_FALSE(sys_->ReadRegistryText(RegistryRoot::kUser, key, "DisplayName", &text));
  EXPECT_FALSE(sys_->RegistryKeyExists(RegistryRoot::kUser, key));
  ASSERT_TRUE(sys_->WriteRegistryValues(
      RegistryRoot::kUser, key,
      {{"DisplayName", "Harbor Lights", {}}, {"NoModify", "", 1u}, {"Empty", "", {}}}));
  EXPECT_TRUE(sys_->RegistryKeyExists(RegistryRoot::kUser, "SOFTWARE\\DISCLAUNCH-CONTRACT\\entry"));
  // A key above it exists too, though it holds no value of its own.
  EXPECT_TRUE(sys_->RegistryKeyExists(RegistryRoot::kUser, "Software\\disclaunch-contract"));
  // Set again: values are replaced, not added, and a key's name is found in any case.
  ASSERT_TRUE(sys_->WriteRegistryValues(RegistryRoot::kUser, key,
                                        {{"DisplayName", "Harbor Lights 2", {}}}));
  ASSERT_TRUE(sys_->ReadRegistryText(RegistryRoot::kUser, "SOFTWARE\\DISCLAUNCH-CONTRACT\\entry",
                                     "displayname", &text));
  EXPECT_EQ(text, "Harbor Lights 2");
  ASSERT_TRUE(sys_->ReadRegistryText(RegistryRoot::kUser, key, "Empty", &text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(sys_->ReadRegistryText(RegistryRoot::kUser, key, "NoModify", &text))
      << "a number is no text";
  EXPECT_FALSE(sys_->ReadRegistryText(RegistryRoot::kUser, key, "Missing", &text));
  EXPECT_TRUE(sys_->RemoveRegistryKey(RegistryRoot::kUser, key));
  EXPECT_FALSE(sys_->ReadRegistryText(RegistryRoot::kUser, key, "DisplayName", &text));
  EXPECT_FALSE(sys_->RegistryKeyExists(RegistryRoot::kUser, key));
  EXPECT_TRUE(sys_->RemoveRegistryKey(RegistryRoot::kUser, "Software\\disclaunch-contract"));
}

TEST_F(SystemContract, ARemovalAtRestartIsTakenForAFileThatIsThere) {
  // The launcher asks it as an administrator, as these tests run; what happens at the next
  // start is the system's.
  Write("later.bin", "goes at the next start");
  EXPECT_TRUE(sys_->RemoveAtRestart(Path("later.bin")));
  EXPECT_TRUE(sys_->FileExists(Path("later.bin"))) << "nothing goes before then";
}

}  // namespace dl::testing
