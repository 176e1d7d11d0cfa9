// A fake system for unit tests: drives with types, labels and free space mapped to
// folders under a private temporary folder; scripted message-box answers (which may swap
// the disc in a drive); a virtual clock; and fault injection on every file mutation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "platform/system.h"

namespace dl::testing {

class FakeSystem : public System {
 public:
  FakeSystem();
  ~FakeSystem() override;
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  // --- drives ---
  // Adds drive letter (e.g. 'D') of the given type; its root is a fresh host folder.
  void AddDrive(char letter, DriveType type, const std::string& label = "",
                std::uint64_t freeBytes = 0);
  // Points a drive at another host folder ("swaps the disc") and gives it a label.
  void InsertDisc(char letter, const std::string& hostFolder, const std::string& label);
  void SetLabel(char letter, const std::string& label);
  // Empties a drive: no files, and its volume information cannot be read.
  void EjectDisc(char letter);
  void SetFreeBytes(char letter, std::uint64_t bytes, bool queryFails = false);
  // The host folder of a Windows path ("C:\dir\f" -> "/tmp/.../C/dir/f"); empty when its
  // drive does not exist.
  std::string HostPath(const std::string& path) const;
  // Writes a file given by its Windows path, making missing folders.
  void WriteHostFile(const std::string& path, const std::string& content);
  std::string ReadHostFile(const std::string& path) const;
  // A Windows path's text as the host holds it: separators become "/", and a double-byte
  // character's second byte 0x5C (with doubleByte) a byte that no Windows name holds.
  std::string ToHost(const std::string& windowsPath) const;
  std::string tempRoot() const { return root_; }

  void SetModulePath(const std::string& path) { modulePath_ = path; }

  // --- message boxes ---
  struct Message {
    WindowRef owner;
    std::string text;
    std::string caption;
    bool question = false;    // a Yes/No question rather than an OK box
    bool cancelable = false;  // an OK/Cancel box
  };
  // The next message box answers `answer` and then runs `action` (e.g. a disc swap). A
  // question takes kAnswerYes or kAnswerNo; without a scripted answer it is answered Yes.
  // An OK/Cancel box takes kAnswerOk or kAnswerCancel; without one it is answered OK.
  void ScriptAnswer(int answer, std::function<void()> action = nullptr);
  const std::vector<Message>& messages() const { return messages_; }

  // --- the virtual clock ---
  std::uint64_t nowMs() const { return nowMs_; }
  const std::vector<std::uint32_t>& pauses() const { return pauses_; }

  // --- fault injection on mutations (create, write, seek, sync, close, remove, rename) ---
  // The nth mutation from now (1 = the next) fails; with `persistent`, every later one too.
  void FailMutation(int n, bool persistent);
  // A crash at the nth mutation from now: it and all later ones fail, and data written to
  // files since their last sync is lost.
  void CrashAt(int n);
  bool crashed() const { return crashed_; }
  int mutations() const { return mutations_; }
  void ClearFaults();
  // Used by the fake's files: counts a mutation and tells whether it fails.
  bool MutationFails();

  // --- System ---
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
  std::string WindowsDir() override { return "C:\\windows"; }
  std::string SystemDir() override { return "C:\\windows\\system32"; }
  std::string ModuleFilePath() override { return modulePath_; }
  std::string CurrentDir() override { return currentDir_; }
  bool ChangeDir(const std::string& path) override;
  DriveType DriveKind(const std::string& root) override;
  bool VolumeLabel(const std::string& root, std::string* label) override;
  bool FreeBytes(const std::string& root, std::uint64_t* bytes) override;
  int ShowMessage(WindowRef owner, const std::string& text, const std::string& caption) override;
  bool AskYesNo(WindowRef owner, const std::string& text, const std::string& caption) override;
  bool AskOkCancel(WindowRef owner, const std::string& text, const std::string& caption) override;
  void Pause(std::uint32_t milliseconds) override;
  // The virtual clock: "t+<ms>".
  std::string LocalTimeText() override { return "t+" + std::to_string(nowMs_); }
  std::string TempDir() override { return "C:\\temp"; }

  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  bool GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  bool FileSize(const std::string& path, std::uint64_t* size) override;
  bool FileStamp(const std::string& path, std::uint64_t* size, std::uint64_t* writeTime) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  // Taken for an existing path, and noted in removedAtRestart.
  bool RemoveAtRestart(const std::string& path) override;
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  bool ShortPath(const std::string& path, std::string* shortPath) override;
  // Absolute against the current folder, "." and ".." taken out, host links followed; a
  // path whose link leads off every drive cannot be resolved.
  bool ResolvePath(const std::string& path, std::string* resolved) override;
  // ASCII capitals, and Cyrillic ones with `cyrillic` (code page 1251); the trail bytes of
  // double-byte characters are left alone.
  std::string FoldCase(const std::string& text) override;
  int ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                         const std::string& to, std::uint32_t flags) override;
  std::uint32_t StartProgram(const std::string& commandLine, bool hidden) override;
  // With elevated and a desktop shell, taken as the signed-in user's: noted in started.
  UserStart StartProgramAsUser(const std::string& program, const std::string& arguments,
                               const std::string& folder) override;
  std::size_t CharSize(const char* text) override;
  // 936 with doubleByte, 1251 with cyrillic, else 1252.
  std::uint32_t AnsiCodePage() override;
  bool SpecialFolderPath(SpecialFolder which, std::string* path) override;
  // Keys are found whatever their case; the machine's part refuses writes with
  // machineRegistryDenied.
  bool WriteRegistryValues(RegistryRoot root, const std::string& key,
                           const std::vector<RegistryValue>& values) override;
  bool RegistryKeyExists(RegistryRoot root, const std::string& key) override;
  bool ReadRegistryText(RegistryRoot root, const std::string& key, const std::string& name,
                        std::string* text) override;
  bool RemoveRegistryKey(RegistryRoot root, const std::string& key) override;
  bool WindowOfClassExists(const std::string& className) override;
  bool WindowWithTitleExists(const std::string& title) override;
  std::uint32_t SystemLocale() override { return locale; }
  bool OsVersion(OsVersionInfo* out) override;
  std::unique_ptr<DirectXSession> BeginDirectXProbe() override;
  void DebugText(const std::string& text) override { debugTexts.push_back(text); }

  std::vector<std::string> removedAtRestart;
  // The registry: values by root and key (in capitals), in the order first set.
  std::map<std::pair<RegistryRoot, std::string>, std::vector<RegistryValue>> registry;
  bool machineRegistryDenied = false;
  // The values of a key; null when there is no such key.
  const std::vector<RegistryValue>* RegistryKey(RegistryRoot root, const std::string& key) const;

  // Resources the program carries, by name.
  std::map<std::string, std::string> resources;

  // --- the rest of the machine, set directly by tests ---
  // With doubleByte, bytes 0x81 to 0xFE lead a two-byte character (as in code page 936).
  bool doubleByte = false;
  // With cyrillic, bytes 0xE0 to 0xFF are small letters of code page 1251.
  bool cyrillic = false;
  std::uint32_t locale = 1033;
  std::map<SpecialFolder, std::string> specialFolders;
  std::set<std::string> windowClasses;
  std::set<std::string> windowTitles;
  std::vector<std::string> windowQueries;  // "class:X" / "title:X", in order
  bool osVersionFails = false;
  OsVersionInfo osVersion{6, 1, 7601, 2, "Service Pack 1"};
  // The DirectX probe step that fails (0: none); the steps run and the sessions still open.
  int failingDxStep = 0;
  std::vector<int> dxStepsRun;
  int openDxSessions = 0;
  std::vector<std::string> debugTexts;
  // File-system mutations through the seam, in order (the shell's are in shellCalls).
  struct FileEffect {
    enum Kind { kCreate, kRemove, kRename, kRemoveFolder } kind;
    std::string path;
    std::string to;  // a rename's new name
  };
  std::vector<FileEffect> fileEffects;
  // Shell file operations, in order; shellHook, when set, answers instead of the fake
  // (return -1 to let the fake carry the request out).
  struct ShellCall {
    WindowRef owner;
    ShellOp op;
    std::string from, to;
    std::uint32_t flags;
  };
  std::vector<ShellCall> shellCalls;
  std::function<int(const ShellCall&)> shellHook;
  // Runs before a file's size or a search is looked up, with the path or pattern (a test
  // kills the launcher there by throwing).
  std::function<void(const std::string&)> lookupHook;
  // Like the shell of older systems, a delete of a folder goes into the links and junctions
  // it holds and deletes what they lead to (host symbolic links stand for them).
  bool shellDeleteFollowsLinks = true;
  // Files a running program holds open (Windows paths): they cannot be removed, and neither
  // can a folder that holds one.
  std::set<std::string> heldOpen;
  bool HeldOpen(const std::string& path) const;
  // Started programs, and what starting one does (default: nothing, result 33).
  struct Started {
    std::string commandLine;
    bool hidden;
    std::uint64_t atMs;   // on the virtual clock
    bool asUser = false;  // through the desktop shell, with the signed-in user's rights
    std::string folder;   // its current folder, when started as the user
  };
  // The launcher runs with an administrator's elevated rights, and a desktop shell runs
  // that can start programs with the signed-in user's.
  bool elevated = false;
  bool desktopShell = true;
  std::vector<Started> started;
  std::function<std::uint32_t(const std::string&)> programHook;
  // Short forms by long path; an existing path without one is its own short form.
  std::map<std::string, std::string> shortPaths;
  // Attributes set through the seam, by Windows path as given. Files on CD-ROM drives
  // read as read-only until set; a copy takes its source's attributes.
  std::map<std::string, std::uint32_t> attributes;

 private:
  struct Drive {
    DriveType type;
    std::string hostRoot;
    std::string label;
    std::uint64_t freeBytes;
    bool freeQueryFails = false;
    bool hasDisc = true;
  };
  struct Answer {
    int answer;
    std::function<void()> action;
  };
  const Drive* DriveOf(const std::string& path) const;
  std::string Absolute(const std::string& path) const;
  std::size_t CharLength(const char* text) const;
  bool EndsInSeparator(const std::string& text) const;
  std::string FromHost(std::string hostText) const;

  PosixFileSystem host_;
  std::string root_;
  std::map<char, Drive> drives_;
  std::string currentDir_ = "C:\\";
  std::string modulePath_ = "D:\\setup.exe";
  std::vector<Answer> answers_;
  std::vector<Message> messages_;
  std::uint64_t nowMs_ = 0;
  std::vector<std::uint32_t> pauses_;
  int mutations_ = 0;
  int failAt_ = 0;
  bool failPersistent_ = false;
  bool crashAtFail_ = false;
  bool crashed_ = false;
};

}  // namespace dl::testing
