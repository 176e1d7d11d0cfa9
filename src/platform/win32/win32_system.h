// The real system seam on Windows (ANSI APIs throughout).
#pragma once

#include <optional>
#include <string>

#include "platform/system.h"

namespace dl {

class Win32System : public System {
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
  int ShowMessage(WindowRef owner, const std::string& text, const std::string& caption) override;
  bool AskYesNo(WindowRef owner, const std::string& text, const std::string& caption) override;
  bool AskOkCancel(WindowRef owner, const std::string& text, const std::string& caption) override;
  void Pause(std::uint32_t milliseconds) override;
  std::string LocalTimeText() override;
  std::string TempDir() override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  bool GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  bool FileSize(const std::string& path, std::uint64_t* size) override;
  bool FileStamp(const std::string& path, std::uint64_t* size, std::uint64_t* writeTime) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  bool RemoveAtRestart(const std::string& path) override;
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  bool ShortPath(const std::string& path, std::string* shortPath) override;
  bool ResolvePath(const std::string& path, std::string* resolved) override;
  std::string FoldCase(const std::string& text) override;
  int ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                         const std::string& to, std::uint32_t flags) override;
  std::uint32_t StartProgram(const std::string& commandLine, bool hidden) override;
  UserStart StartProgramAsUser(const std::string& program, const std::string& arguments,
                               const std::string& folder) override;
  std::size_t CharSize(const char* text) override;
  std::uint32_t AnsiCodePage() override;
  bool SpecialFolderPath(SpecialFolder which, std::string* path) override;
  bool WriteRegistryValues(RegistryRoot root, const std::string& key,
                           const std::vector<RegistryValue>& values) override;
  bool RegistryKeyExists(RegistryRoot root, const std::string& key) override;
  bool ReadRegistryText(RegistryRoot root, const std::string& key, const std::string& name,
                        std::string* text) override;
  bool RemoveRegistryKey(RegistryRoot root, const std::string& key) override;
  bool WindowOfClassExists(const std::string& className) override;
  bool WindowWithTitleExists(const std::string& title) override;
  std::uint32_t SystemLocale() override;
  bool OsVersion(OsVersionInfo* out) override;
  std::unique_ptr<DirectXSession> BeginDirectXProbe() override;
  void DebugText(const std::string& text) override;
};

// The file-system path of an item list that the shell returned (the folder browser's
// choice); frees the item with the shell's allocator. Nothing when it has no path.
std::optional<std::string> TakeShellItemPath(void* item);

// The DirectX probe session on the real libraries (win32_directx.cpp).
std::unique_ptr<DirectXSession> MakeWin32DirectXSession();

}  // namespace dl
