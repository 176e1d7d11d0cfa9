// Verify and repair's first half: what the install's files are now, against what its
// journal says the install left (each file's size, last-write time and CRC-32, noted once
// the install had made them all, renames included).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "install/install_plan.h"

namespace dl {

// A file as the install left it, as the journal notes it (a kCopied entry). False when the
// file is not there or cannot be read.
bool StampFile(FileSystem& files, const std::string& path, JournalEntry* stamp);

// Notes in the journal, in one batch, the stamp of every file the install made that is
// there now. Returns the files stamped.
int StampInstalledFiles(FileSystem& files, InstallJournal& journal);

struct VerifyReport {
  bool stamped = false;              // the journal carries the install's stamps
  int verified = 0;                  // files compared and found as the install left them
  std::vector<std::string> missing;  // relative paths: not there
  std::vector<std::string> damaged;  // the install's time, another size or checksum
  std::vector<std::string> changed;  // written again later: another time and other bytes
  // Something the game needs is missing or damaged.
  bool Faulty() const { return !missing.empty() || !damaged.empty(); }
};

// Compares every file the journal stamped with what is in its install folder now.
VerifyReport VerifyInstall(FileSystem& files, const Journal& journal);

// The journal with these entries in it, ahead of its end: a file's stamp replaces the one
// noted before; a file or folder entry is added when the journal has none of that path.
Journal WithEntries(FileSystem& files, const Journal& journal,
                    const std::vector<JournalEntry>& added);

// The report in a few lines, naming at most `names` files of each kind.
std::string VerifySummary(const VerifyReport& report, const std::string& installFolder,
                          std::size_t names = 5);

}  // namespace dl
