// The system seam: every operating-system service that the portable code uses.
//
// The portable code never includes <windows.h>; it receives a System and reaches the
// machine only through it. Paths are ANSI byte strings in the Windows form ("C:\dir\f")
// on every implementation; a fake maps drive letters to host folders.
//
// Method names avoid the Win32 names that <windows.h> turns into ...A/...W macros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dl {

// Values as the Windows drive-type query reports them.
enum class DriveType : std::uint32_t {
  kUnknown = 0,
  kNoRootDir = 1,
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,
  kCdRom = 5,
  kRamDisk = 6,
};

// A file opened for writing, created or truncated. Every call reports failure; a short
// write is a failure.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes size bytes at the current position. False on any failure.
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Moves the current position to pos (from the start). False on failure.
  virtual bool Seek(std::uint64_t pos) = 0;
  // Moves the current position to the end of the file. False on failure.
  virtual bool SeekEnd() = 0;
  // The current position.
  virtual std::uint64_t Tell() const = 0;
  // Pushes everything written so far to stable storage. False on failure.
  virtual bool Sync() = 0;
  // Closes the file; later calls fail. False when the close itself failed.
  virtual bool Close() = 0;
};

// A read-only view of a whole file, valid until the object is destroyed.
class MappedFile {
 public:
  virtual ~MappedFile() = default;
  virtual const std::uint8_t* data() const = 0;
  virtual std::size_t size() const = 0;
};

enum class MapStatus {
  kMapped,    // *out holds the view (an empty file gives a view of size 0)
  kNotFound,  // the file could not be opened
  kFailed,    // the file was opened but could not be mapped
};

// Opaque owner window for message boxes; null means no owner.
using WindowRef = void*;

// Answers of a message box, as Windows numbers them.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerCancel = 2 };

// An item that the shell's folder browser returned; freed with ReleaseShellItem.
using ShellItem = void*;

// The user's shell folders, numbered as the shell numbers them.
enum class SpecialFolder : int {
  kDesktop = 0x00,   // the desktop as the user sees it
  kPrograms = 0x02,  // the user's Start-menu programs
  kDocuments = 0x05,
  kStartMenu = 0x0B,
  kDesktopFolder = 0x10,  // the folder that holds the desktop's files
  kCommonPrograms = 0x17,
  kCommonDesktopFolder = 0x19,
  kAppData = 0x1A,
  kProgramFiles = 0x26,
  kProfile = 0x28,
  kProgramFilesX86 = 0x2A,
  kCommonProgramFiles = 0x2B,
  kMusic = 0x0D,
  kVideos = 0x0E,
  kFavorites = 0x06,
  kLocalAppData = 0x1C,
  kCommonAppData = 0x23,
  kWindows = 0x24,
  kSystem = 0x25,
  kPictures = 0x27,
  kCommonDocuments = 0x2E,
  // Folders the shell names only by a known-folder identifier (Vista and later); numbered
  // here outside the shell's own range.
  kDownloads = 0x1000,
  kSavedGames = 0x1001,
  kPublic = 0x1002,
};

// The operating-system version record.
struct OsVersionInfo {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 0;  // 2 for the NT family
  std::string servicePack;       // e.g. "Service Pack 2"; may be empty
};

// The steps of the DirectX probe, oldest generation first. Each tests one library, entry
// point or interface that a generation brought.
enum class DxStep : int {
  kLoadDirectDraw = 2,      // the DirectDraw library
  kFindDirectDrawCreate,    // its first creation entry point
  kCreateDirectDraw,        // a DirectDraw object for the default driver
  kQueryDirectDraw2,        // the object's second interface (released at once)
  kLoadDirectInput,         // the DirectInput library
  kFindDirectInputCreate,   // its creation entry point (the library is freed again)
  kSetCooperativeLevel,     // normal cooperative level, no window
  kCreatePrimarySurface,    // the primary surface
  kQuerySurface3,           // the surface's third interface
  kQuerySurface4,           // its fourth; then the surface and the object are released
  kCreateDirectMusic,       // a DirectMusic object through COM
  kFindDirectDrawCreateEx,  // the extended creation entry point
  kCreateDirectDraw7,       // an object of the seventh interface (released at once)
  kLoadDirect3D8,           // the Direct3D 8 library (freed again)
  kLoadDirect3D9,           // the Direct3D 9 library (freed again)
};

// The shell's file operations, numbered as the shell numbers them.
enum class ShellOp : std::uint32_t { kMove = 1, kCopy = 2, kDelete = 3, kRename = 4 };
// Flags of a shell file operation.
inline constexpr std::uint32_t kShellSilent = 0x0004;          // no progress window
inline constexpr std::uint32_t kShellNoConfirmation = 0x0010;  // yes to everything
inline constexpr std::uint32_t kShellAllowUndo = 0x0040;       // to the recycle bin
inline constexpr std::uint32_t kShellNoConfirmMkdir = 0x0200;  // make missing folders
inline constexpr std::uint32_t kShellNoErrorUi = 0x0400;       // no error message boxes

// File attributes, as Windows numbers them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;

// One match of a file search.
struct FoundFile {
  std::string name;  // the name alone, without its folder
  bool isDirectory = false;
};

// One run of the DirectX probe. Steps run in order; whatever a step loads or obtains is
// held by the session until a later step releases it or the session is destroyed, which
// releases everything still held.
class DirectXSession {
 public:
  virtual ~DirectXSession() = default;
  // Runs one step. False when the library or entry point is absent or the call fails.
  virtual bool Run(DxStep step) = 0;
};

class System {
 public:
  virtual ~System() = default;

  // --- files ---
  // Reads a whole file into *out. False when it cannot be opened or read.
  virtual bool ReadWholeFile(const std::string& path, std::string* out) = 0;
  // True when path names an existing file (not a folder).
  virtual bool FileExists(const std::string& path) = 0;
  // Creates path, or truncates it, for writing. Null on failure.
  virtual std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) = 0;
  // Removes a file. False when it could not be removed (a missing file included).
  virtual bool RemoveFile(const std::string& path) = 0;
  // Gives file `from` the name `to` in one atomic step, replacing `to` if it exists, and
  // makes the change durable before returning. False on failure; then `to` is untouched.
  virtual bool RenameReplacing(const std::string& from, const std::string& to) = 0;
  // Sets a file's attributes. False on failure.
  virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
  // A file's attributes. False when it does not exist.
  virtual bool GetAttributes(const std::string& path, std::uint32_t* attributes) = 0;
  // The files and folders that a search pattern ("dir\*.dat") matches, in the order the
  // system gives them ("." and ".." included when the pattern matches them).
  virtual std::vector<FoundFile> FindFiles(const std::string& pattern) = 0;
  // The short (8.3) form of an existing path. False when there is none.
  virtual bool ShortPath(const std::string& path, std::string* shortPath) = 0;
  // The path as the file system sees it: made absolute against the current folder, short
  // names made long, and, where the system can tell, links and junctions followed to the
  // folder they lead to. A path that does not exist is made absolute only. False when
  // even that fails.
  virtual bool ResolvePath(const std::string& path, std::string* resolved) = 0;
  // The text in capitals as the ANSI code page has them (double-byte characters kept).
  virtual std::string FoldCase(const std::string& text) = 0;
  // Maps a whole file read-only.
  virtual MapStatus MapReadOnly(const std::string& path, std::unique_ptr<MappedFile>* out) = 0;
  // A pack carried as a raw-data resource of the program, by name. False when there is
  // none. The bytes stay valid for the whole run.
  virtual bool FindPackResource(const std::string& name, const std::uint8_t** data,
                                std::size_t* size) = 0;

  // --- folders and drives ---
  // The Windows directory, without a trailing separator ("C:\windows").
  virtual std::string WindowsDir() = 0;
  // The system directory ("C:\windows\system32"), without a trailing separator.
  virtual std::string SystemDir() = 0;
  // The full path of the running program.
  virtual std::string ModuleFilePath() = 0;
  virtual std::string CurrentDir() = 0;
  virtual bool ChangeDir(const std::string& path) = 0;
  // The type of the drive whose root is given ("D:\").
  virtual DriveType DriveKind(const std::string& root) = 0;
  // The volume label of the drive whose root is given. False when it cannot be read.
  virtual bool VolumeLabel(const std::string& root, std::string* label) = 0;
  // Free bytes of the whole volume of root (not the caller's quota). False when the query
  // fails.
  virtual bool FreeBytes(const std::string& root, std::uint64_t* bytes) = 0;
  // The number of bytes of the character that starts at text in the ANSI code page: 2 for
  // a double-byte character, 1 otherwise, 0 at the terminator. A lead byte followed by
  // the terminator counts as 1.
  virtual std::size_t CharSize(const char* text) = 0;

  // --- the shell ---
  // The path of one of the user's shell folders. False when the shell cannot give it.
  virtual bool SpecialFolderPath(SpecialFolder which, std::string* path) = 0;
  // The file-system path of a browser item. False when it has none.
  virtual bool ShellItemPath(ShellItem item, std::string* path) = 0;
  // Frees a browser item with the shell's allocator; nothing when there is none.
  virtual void ReleaseShellItem(ShellItem item) = 0;

  // One request to the shell's file operation: from and to are single paths (to is unused
  // for a delete). Returns the shell's result: 0 for success, anything else for failure
  // (a cancel by the user included). The shell may show its own progress and errors.
  // A delete of a path holding a wildcard is refused (non-zero) without asking the shell,
  // which would expand it.
  virtual int ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                                 const std::string& to, std::uint32_t flags) = 0;

  // --- programs ---
  // Starts a command line without waiting for it, its window hidden or shown. Returns
  // what the system's program starter returns: above 31 for success.
  virtual std::uint32_t StartProgram(const std::string& commandLine, bool hidden) = 0;

  // --- windows, locale, version ---
  // True when a top-level window of this window class exists.
  virtual bool WindowOfClassExists(const std::string& className) = 0;
  // True when a top-level window with exactly this title exists.
  virtual bool WindowWithTitleExists(const std::string& title) = 0;
  // The system's default locale identifier (1033 for US English, 2052 simplified Chinese).
  virtual std::uint32_t SystemLocale() = 0;
  // The operating-system version. False when the query fails.
  virtual bool OsVersion(OsVersionInfo* out) = 0;
  // Starts a DirectX probe session; never null.
  virtual std::unique_ptr<DirectXSession> BeginDirectXProbe() = 0;
  // Sends a text to the debugger output.
  virtual void DebugText(const std::string& text) = 0;

  // --- the user and time ---
  // A message box with an OK button only; returns the answer.
  virtual int ShowMessage(WindowRef owner, const std::string& text, const std::string& caption) = 0;
  // Pauses the calling thread.
  virtual void Pause(std::uint32_t milliseconds) = 0;
};

}  // namespace dl
