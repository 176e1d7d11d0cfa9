// The desktop part of the system seam: message boxes, windows, the shell's folders and
// file operations, starting programs, locale and version, the DirectX probe and pauses.
// The launcher uses it; the install steps use the shell operations and message boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dl {

// Handles the portable code carries but never looks into: a window (the owner of message
// boxes and of the shell's windows; null means none) and the program's module (where its
// bitmaps are). Only the Win32 code turns them back into what they stand for.
struct OpaqueWindow;
using WindowRef = OpaqueWindow*;
struct OpaqueModule;
using ModuleRef = OpaqueModule*;

// Answers of a message box, as Windows numbers them.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

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

// The two parts of the registry a program writes its settings to: the machine's (needs an
// administrator's rights) and the signed-in user's.
enum class RegistryRoot : int { kMachine, kUser };

// A value of a registry key: a text, or a 32-bit number when number holds one.
struct RegistryValue {
  std::string name;
  std::string text;
  std::optional<std::uint32_t> number;
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

// What came of starting a program with the signed-in user's rights.
enum class UserStart : int {
  kStarted,      // the desktop shell took it
  kNotElevated,  // the launcher runs with the user's own rights: nothing was done
  kFailed,       // the launcher runs elevated and the desktop shell could not start it
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // --- the shell ---
  // The path of one of the user's shell folders. False when the shell cannot give it.
  virtual bool SpecialFolderPath(SpecialFolder which, std::string* path) = 0;
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
  // Starts a program with the rights of the signed-in user, through the desktop shell's
  // own program starter, when the launcher runs with more rights than that user has (an
  // administrator's elevated rights, Vista and later with UAC): program is the path alone,
  // arguments follow it, folder becomes its current folder. kNotElevated when the
  // launcher's rights are the user's own (the caller starts the program itself); kFailed
  // when it runs elevated and the desktop shell cannot take the request (the program must
  // then not be started with the launcher's rights).
  virtual UserStart StartProgramAsUser(const std::string& program, const std::string& arguments,
                                       const std::string& folder) = 0;

  // --- the registry (keys are paths below the root: "Software\\Maker\\Game") ---
  // Makes the key, and any key above it that is missing, and sets these values there.
  // False when the key cannot be made or opened for writing (the machine's part without
  // an administrator's rights) or a value cannot be set.
  virtual bool WriteRegistryValues(RegistryRoot root, const std::string& key,
                                   const std::vector<RegistryValue>& values) = 0;
  // Whether the key exists (with or without values).
  virtual bool RegistryKeyExists(RegistryRoot root, const std::string& key) = 0;
  // A text value of a key. False when the key or the value is missing, or is no text.
  virtual bool ReadRegistryText(RegistryRoot root, const std::string& key, const std::string& name,
                                std::string* text) = 0;
  // Removes a key that has no keys below it, with its values. True when the key is gone
  // (one that was never there included); false when it is still there.
  virtual bool RemoveRegistryKey(RegistryRoot root, const std::string& key) = 0;

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
  // A question with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(WindowRef owner, const std::string& text, const std::string& caption) = 0;
  // A message box with OK and Cancel buttons (Esc is Cancel); true for OK.
  virtual bool AskOkCancel(WindowRef owner, const std::string& text,
                           const std::string& caption) = 0;
  // Pauses the calling thread.
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // The local time as a log line shows it ("2026-12-08 07:56:22.123").
  virtual std::string LocalTimeText() = 0;
  // The folder for temporary files, without a trailing separator; empty when unknown.
  virtual std::string TempDir() = 0;
};

}  // namespace dl
