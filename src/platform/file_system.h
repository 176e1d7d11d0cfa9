// The file-system part of the system seam: files, mapping, attributes, search, names,
// folders and drives. Scripts, packs, the install steps and the native tools use it.
//
// Paths are ANSI byte strings in the Windows form ("C:\\dir\\f") on every implementation
// but the host's, which takes host paths; a fake maps drive letters to host folders.
// Method names avoid the Win32 names that <windows.h> turns into ...A/...W macros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/code_page.h"

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

// The most ReadInPieces hands over at once.
inline constexpr std::size_t kReadPieceBytes = 1024 * 1024;

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

// File attributes, as Windows numbers them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;  // a link or a junction

// One match of a file search.
struct FoundFile {
  std::string name;  // the name alone, without its folder
  bool isDirectory = false;
  // A link or junction (a reparse point): removing it removes the link alone, and what it
  // leads to is no part of the folder that holds it.
  bool isLink = false;
  std::uint64_t size = 0;  // a file's size in bytes, as the search reports it
};

// The file system reads names in the ANSI code page (CharSize).
class FileSystem : public CodePage {
 public:
  virtual ~FileSystem() = default;

  // --- files ---
  // Reads a whole file into *out. False when it cannot be opened or read.
  virtual bool ReadWholeFile(const std::string& path, std::string* out) = 0;
  // Reads a file from its start to its end, handing each piece read (never empty, at most
  // kReadPieceBytes) to take, in order. False when it cannot be opened or a read fails.
  // Sequential reads cost less than a mapping's page faults for a file read once.
  virtual bool ReadInPieces(const std::string& path,
                            const std::function<void(const void*, std::size_t)>& take) = 0;
  // True when path names an existing file (not a folder).
  virtual bool FileExists(const std::string& path) = 0;
  // Creates path, or truncates it, for writing. Null on failure.
  virtual std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) = 0;
  // Removes a file (never a pattern: no name is expanded). False when it could not be
  // removed (a missing file included).
  virtual bool RemoveFile(const std::string& path) = 0;
  // Gives file `from` the name `to` in one atomic step, replacing `to` if it exists, and
  // makes the change durable before returning. False on failure; then `to` is untouched.
  virtual bool RenameReplacing(const std::string& from, const std::string& to) = 0;
  // Sets a file's attributes. False on failure.
  virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
  // A file's attributes. False when it does not exist.
  virtual bool GetAttributes(const std::string& path, std::uint32_t* attributes) = 0;
  // The size in bytes of an existing file. False when there is no such file (a folder
  // included).
  virtual bool FileSize(const std::string& path, std::uint64_t* size) = 0;
  // An existing file's size and last-write time (a count that changes whenever the file is
  // written, in the system's own units). False when there is no such file (a folder
  // included).
  virtual bool FileStamp(const std::string& path, std::uint64_t* size,
                         std::uint64_t* writeTime) = 0;
  // Removes a folder only when it holds nothing. False when it is not empty, does not
  // exist or cannot be removed.
  virtual bool RemoveEmptyFolder(const std::string& path) = 0;
  // Asks the system to remove a file, or a folder that is empty by then, when it next
  // starts: for what cannot go now (a running program's own file). Requests are carried out
  // in the order they were made. False when the system does not take the request (it needs
  // an administrator's rights; a host without such a start has none).
  virtual bool RemoveAtRestart(const std::string& path) = 0;
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

  // The number of the ANSI code page that names are read in (1252, 936...); 0 when the
  // system has none (the host's file system).
  virtual std::uint32_t AnsiCodePage() = 0;

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
};

}  // namespace dl
