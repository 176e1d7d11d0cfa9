// The host's own file layer, for native tools and as the base of the test fake.
// Backslashes in paths are taken as folder separators; drive services report nothing.
// It implements the file-system part of the seam only.
#pragma once

#include "platform/file_system.h"

namespace dl {

class PosixFileSystem : public FileSystem {
 public:
  bool ReadWholeFile(const std::string& path, std::string* out) override;
  bool ReadInPieces(const std::string& path,
                    const std::function<void(const void*, std::size_t)>& take) override;
  bool FileExists(const std::string& path) override;
  std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RenameReplacing(const std::string& from, const std::string& to) override;
  MapStatus MapReadOnly(const std::string& path, std::unique_ptr<MappedFile>* out) override;
  bool FindPackResource(const std::string& name, const std::uint8_t** data,
                        std::size_t* size) override;
  std::string WindowsDir() override;
  std::string SystemDir() override;
  std::string ModuleFilePath() override;
  std::string CurrentDir() override;
  bool ChangeDir(const std::string& path) override;
  DriveType DriveKind(const std::string& root) override;
  bool VolumeLabel(const std::string& root, std::string* label) override;
  bool FreeBytes(const std::string& root, std::uint64_t* bytes) override;
  // Read-only is the file's write permission; the other attributes are not kept.
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  bool GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  bool FileSize(const std::string& path, std::uint64_t* size) override;
  bool FileStamp(const std::string& path, std::uint64_t* size, std::uint64_t* writeTime) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  // The host has no start-up removals of its own: always false.
  bool RemoveAtRestart(const std::string&) override { return false; }
  // "*" and "?" in the last component; sorted by name; "." and ".." are not reported.
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  // A host has no short names: an existing path is its own short form.
  bool ShortPath(const std::string& path, std::string* shortPath) override;
  // Absolute against the current folder, links followed (the host's canonical form).
  bool ResolvePath(const std::string& path, std::string* resolved) override;
  // ASCII capitals.
  std::string FoldCase(const std::string& text) override;
  // Single-byte characters only.
  std::size_t CharSize(const char* text) override;
  std::uint32_t AnsiCodePage() override { return 0; }

  // The host form of a path: backslashes become slashes.
  static std::string HostPath(const std::string& path);
  // True when name matches a pattern of "*" (any run) and "?" (any one character),
  // compared without regard to ASCII case as Windows does.
  static bool WildcardMatch(const std::string& pattern, const std::string& name);
};

}  // namespace dl
