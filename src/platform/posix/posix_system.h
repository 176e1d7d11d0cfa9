// The host's own file layer, for native tools and as the base of the test fake.
// Backslashes in paths are taken as folder separators; drive services report nothing.
#pragma once

#include "platform/system.h"

namespace dl {

class PosixSystem : public System {
 public:
  bool ReadWholeFile(const std::string& path, std::string* out) override;
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
  int ShowMessage(WindowRef owner, const std::string& text, const std::string& caption) override;
  void Pause(std::uint32_t milliseconds) override;
  // Read-only is the file's write permission; the other attributes are not kept.
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  bool GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  // "*" and "?" in the last component; sorted by name; "." and ".." are not reported.
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  // A host has no short names: an existing path is its own short form.
  bool ShortPath(const std::string& path, std::string* shortPath) override;
  // Absolute against the current folder, links followed (the host's canonical form).
  bool ResolvePath(const std::string& path, std::string* resolved) override;
  // ASCII capitals.
  std::string FoldCase(const std::string& text) override;
  // Copy (making missing folders), rename or delete (a folder with its contents). Host
  // paths are never expanded, but a delete with a wildcard is refused as on Windows.
  int ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                         const std::string& to, std::uint32_t flags) override;
  // Starting Windows programs is not available on a host: returns 0.
  std::uint32_t StartProgram(const std::string& commandLine, bool hidden) override;
  // Single-byte characters only.
  std::size_t CharSize(const char* text) override;
  // A host has no shell folders, windows, DirectX or Windows version: these report
  // nothing found.
  bool SpecialFolderPath(SpecialFolder which, std::string* path) override;
  bool ShellItemPath(ShellItem item, std::string* path) override;
  void ReleaseShellItem(ShellItem item) override;
  bool WindowOfClassExists(const std::string& className) override;
  bool WindowWithTitleExists(const std::string& title) override;
  std::uint32_t SystemLocale() override;
  bool OsVersion(OsVersionInfo* out) override;
  std::unique_ptr<DirectXSession> BeginDirectXProbe() override;
  void DebugText(const std::string& text) override;

  // The host form of a path: backslashes become slashes.
  static std::string HostPath(const std::string& path);
  // True when name matches a pattern of "*" (any run) and "?" (any one character),
  // compared without regard to ASCII case as Windows does.
  static bool WildcardMatch(const std::string& pattern, const std::string& name);
};

}  // namespace dl
