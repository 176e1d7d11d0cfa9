// The install journal: what a fresh install makes on the machine, each step written down
// before the step is taken. While the install runs it is a file next to the record's
// pack, so that an install that is killed leaves a list of what may be on the disk; when
// the install ends well it is stored in the record's pack beside the record, so that the
// uninstall removes what the install made and nothing that was there before.
//
// The text form, one entry a line, fields separated by tabs (no path holds a tab, and no
// trail byte of a double-byte character is one), lines ending in CR LF:
//   disclaunch install journal 3
//   codepage <n>                              the ANSI code page its names are written in
//   folder   <install folder>                 the first entry
//   above    <n>                              folders above it the install made
//   made     <folder>                         relative to the install folder; "." is itself
//   file     <file> <bytes> new|existed       relative to the install folder
//   group    <folder>                         the Start-menu group folder it made
//   shortcut <path> new|existed               a Start-menu shortcut
//   desktop  <path> new|existed               a desktop copy of one
//   conversion <path> new|existed             the group description for the converter
//   uninstaller <folder>                      the folder of the launcher's copy (made new)
//   entry    <key name>                       the installed-programs entry it may write
//   record   <path>                           the record's pack
//   copied   <file> <bytes> <time> <crc>      a file as the install left it: its size, its
//                                             last-write time (the system's count) and its
//                                             CRC-32 (8 hex digits); what a verify compares
//   end                                       the install finished
// Journals of the first version (written before the code page was noted) have no codepage
// line, and those of the first two no copied lines; they are read as they are.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace dl {

class InstallLog;

// The entry of the record's pack that holds the journal of a finished install.
inline constexpr const char* kJournalEntryName = "journal.txt";
inline constexpr const char* kJournalHeader = "disclaunch install journal 3";
inline constexpr const char* kJournalHeaderSecond = "disclaunch install journal 2";
inline constexpr const char* kJournalHeaderFirst = "disclaunch install journal 1";
// The journal's file while an install runs: the record's base path with this added.
inline constexpr const char* kJournalFileSuffix = ".jnl";
// The most folders above the install folder a journal may say the install made.
inline constexpr std::uint64_t kMaxFoldersAbove = 32;

struct JournalEntry {
  enum Kind {
    kFolder,
    kAbove,
    kMade,
    kFile,
    kGroup,
    kShortcut,
    kDesktopCopy,
    kConversion,
    kUninstaller,
    kEntry,
    kRecord,
    kCopied,
    kEnd,
  };
  Kind kind = kEnd;
  std::string path;          // relative for kMade and kFile, a key's name for kEntry, else
                             // absolute
  std::uint64_t number = 0;  // a file's bytes; the count of kAbove
  bool existed = false;      // a file or shortcut of that name was there before
  std::uint64_t time = 0;    // kCopied: the file's last-write time
  std::uint32_t crc = 0;     // kCopied: the file's CRC-32
};

// A journal read back: the entries that are well formed, in order, and the lines that are
// not (as given). A journal is whole when it has no such line and ends with "end".
struct Journal {
  std::vector<JournalEntry> entries;
  std::vector<std::string> problems;
  std::string installFolder;   // of the "folder" entry; empty when there is none
  bool complete = false;       // the last entry is "end"
  std::uint32_t codePage = 0;  // the code page its names are in; 0: not noted (version 1)
  bool whole() const { return complete && problems.empty() && !installFolder.empty(); }
  // Whether the install made the install folder itself.
  bool MadeInstallFolder() const;
  // The bytes of the files it wrote.
  std::uint64_t FileBytes() const;
  // Why its names cannot be used on this system, whose ANSI code page is systemCodePage:
  // they were written in another one, and the same bytes name other files here. Empty when
  // they can.
  std::string CodePageProblem(std::uint32_t systemCodePage) const;
  // Why the uninstall cannot go by it: it is not whole, or its names are in another code
  // page. Empty when it can.
  std::string Problem(std::uint32_t systemCodePage) const;
};

std::string JournalLine(const JournalEntry& entry);
// A journal read back, written anew in this version's form (its code page kept).
std::string JournalText(const Journal& journal);
// Reads a journal's text. Every path is checked as it is read: relative ones must stay
// inside the install folder (no "..", drive, stream or pattern), absolute ones must be
// plain; an entry that breaks a rule is a problem and is left out.
Journal ParseJournal(const std::string& text, CodePage* codePage = nullptr);

// The journal of the install that runs now. Each entry is added to the list in memory and
// written to the file, which is flushed, before the caller takes the step it describes.
// A file that cannot be written costs the journal its use after a crash, nothing else.
class InstallJournal {
 public:
  // Starts the journal of an install into installFolder: the file at path (none when the
  // path is empty) is created and the folder's entry written, with the folders above it
  // and the folder itself that do not exist yet.
  InstallJournal(FileSystem& files, std::string path, std::string installFolder,
                 InstallLog* log = nullptr);
  ~InstallJournal();
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;

  // Before a file is written at rel (relative to the install folder): the folders on its
  // way that do not exist yet, then the file, its size and whether it is there already.
  void BeforeFile(const std::string& rel, std::uint64_t bytes);
  // Before a file outside the install folder is made (a shortcut, a desktop copy, the
  // group description, the record): its path and whether it is there already.
  void BeforeOutside(JournalEntry::Kind kind, const std::string& path);
  // Before the converter may make the group folder: noted only when it does not exist.
  void BeforeGroup(const std::string& folder);
  // Any other entry (the record's pack).
  void Note(JournalEntry entry);
  // Entries noted between these two reach the disk in one write and one flush, at the end:
  // for a list of steps all taken after it (a disc's copy), which a write per entry would
  // slow down.
  void BeginBatch() { batch_ = true; }
  void EndBatch();

  const std::vector<JournalEntry>& entries() const { return entries_; }
  const std::string& path() const { return path_; }
  const std::string& installFolder() const { return installFolder_; }
  // The whole journal, ended by "end": what goes into the record's pack.
  std::string FinishedText() const;
  // Removes the journal's file: the install is recorded, or undone.
  void RemoveFile();

 private:
  // Whether the install made folder rel (relative), noting it when it does not exist.
  bool FolderMade(const std::string& rel);

  FileSystem& files_;
  std::string path_;
  std::string installFolder_;
  InstallLog* log_;
  std::unique_ptr<WritableFile> file_;
  std::vector<JournalEntry> entries_;
  bool madeInstallFolder_ = false;
  bool batch_ = false;
  std::string batchLines_;               // the lines of the batch, written at its end
  std::map<std::string, bool> folders_;  // relative folder -> made by the install
};

// The file of the journal of an install whose record has base path recordPath.
std::string JournalFilePath(const std::string& recordPath);

}  // namespace dl
