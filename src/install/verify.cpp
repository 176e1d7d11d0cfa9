#include "install/verify.h"

#include <map>

#include "install/join_path.h"
#include "util/crc32.h"

namespace dl {
namespace {

constexpr std::uint64_t kReadWholeBytes = 1024 * 1024;

// The last stamp of each file, by its name as the file system compares names.
std::map<std::string, JournalEntry> Stamps(FileSystem& files, const Journal& journal) {
  std::map<std::string, JournalEntry> stamps;
  for (const JournalEntry& e : journal.entries)
    if (e.kind == JournalEntry::kCopied) stamps[files.FoldCase(e.path)] = e;
  return stamps;
}

std::string Listed(const std::vector<std::string>& names, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < most; ++i) text += "\n  " + names[i];
  if (names.size() > most)
    text += "\n  ... and " + std::to_string(names.size() - most) + " more (the log lists all)";
  return text;
}

}  // namespace

bool StampFile(FileSystem& files, const std::string& path, JournalEntry* stamp) {
  std::uint64_t size = 0, time = 0;
  if (!files.FileStamp(path, &size, &time)) return false;
  std::uint32_t crc = 0;
  if (size > 0 && size <= kReadWholeBytes) {
    // A small file is read at once: under Wine a mapping costs more calls than the bytes.
    std::string bytes;
    if (!files.ReadWholeFile(path, &bytes)) return false;
    crc = Crc32(bytes.data(), bytes.size());
    size = bytes.size();
  } else if (size > 0) {
    // A large one is read in pieces: a file read once costs less than a mapping's faults.
    std::uint64_t read = 0;
    auto take = [&](const void* data, std::size_t bytes) {
      crc = Crc32(data, bytes, crc);
      read += bytes;
    };
    if (!files.ReadInPieces(path, take)) return false;
    size = read;
  }
  stamp->kind = JournalEntry::kCopied;
  stamp->number = size;
  stamp->time = time;
  stamp->crc = crc;
  return true;
}

int StampInstalledFiles(FileSystem& files, InstallJournal& journal) {
  std::map<std::string, std::string> made;  // folded name -> name, each file once
  for (const JournalEntry& e : journal.entries())
    if (e.kind == JournalEntry::kFile) made.emplace(files.FoldCase(e.path), e.path);
  int stamped = 0;
  journal.BeginBatch();
  for (const auto& [key, rel] : made) {
    std::string path = journal.installFolder();
    JournalEntry stamp;
    // A file renamed away after its copy is there under its new name, noted too.
    if (!JoinPath(files, &path, rel) || !StampFile(files, path, &stamp)) continue;
    stamp.path = rel;
    journal.Note(stamp);
    ++stamped;
  }
  journal.EndBatch();
  return stamped;
}

VerifyReport VerifyInstall(FileSystem& files, const Journal& journal) {
  VerifyReport report;
  const std::map<std::string, JournalEntry> stamps = Stamps(files, journal);
  report.stamped = !stamps.empty();
  for (const auto& [key, noted] : stamps) {
    std::string path = journal.installFolder;
    JournalEntry now;
    if (!JoinPath(files, &path, noted.path)) continue;
    std::uint64_t size = 0, time = 0;
    if (!files.FileStamp(path, &size, &time)) {
      report.missing.push_back(noted.path);
      continue;
    }
    if (size == noted.number && time == noted.time) {
      // Unchanged by its time and size: the bytes tell rot from a sound file.
      if (!StampFile(files, path, &now) || now.crc != noted.crc)
        report.damaged.push_back(noted.path);
      else
        ++report.verified;
      continue;
    }
    if (time == noted.time) {
      report.damaged.push_back(noted.path);  // cut or grown, and its time kept
    } else if (StampFile(files, path, &now) && now.number == noted.number && now.crc == noted.crc) {
      ++report.verified;  // only touched
    } else {
      report.changed.push_back(noted.path);
    }
  }
  return report;
}

Journal WithEntries(FileSystem& files, const Journal& journal,
                    const std::vector<JournalEntry>& added) {
  auto key = [&](const JournalEntry& e) {
    return std::to_string(static_cast<int>(e.kind)) + "\t" + files.FoldCase(e.path);
  };
  std::map<std::string, const JournalEntry*> wanted;
  for (const JournalEntry& e : added) wanted[key(e)] = &e;
  Journal out = journal;
  out.entries.clear();
  for (const JournalEntry& e : journal.entries) {
    if (e.kind == JournalEntry::kEnd) continue;
    const auto found = wanted.find(key(e));
    if (found == wanted.end()) {
      out.entries.push_back(e);
    } else if (e.kind != JournalEntry::kCopied) {
      out.entries.push_back(e);  // the first note of a file or folder stays as it was
      wanted.erase(found);
    }
  }
  for (const JournalEntry& e : added)
    if (wanted.count(key(e)) != 0) out.entries.push_back(e);
  if (journal.complete) out.entries.push_back(JournalEntry{});  // the end
  return out;
}

std::string VerifySummary(const VerifyReport& report, const std::string& installFolder,
                          std::size_t names) {
  if (!report.stamped)
    return "The install in " + installFolder +
           " was recorded without its files' checksums (by an earlier version of this "
           "set-up): its files cannot be verified.";
  std::string text = std::to_string(report.verified) + " files are as the install left them";
  text += report.missing.empty() && report.damaged.empty() ? ", none is missing or damaged." : ".";
  if (!report.missing.empty())
    text += "\n\n" + std::to_string(report.missing.size()) +
            " missing:" + Listed(report.missing, names);
  if (!report.damaged.empty())
    text += "\n\n" + std::to_string(report.damaged.size()) +
            " damaged:" + Listed(report.damaged, names);
  if (!report.changed.empty())
    text += "\n\n" + std::to_string(report.changed.size()) +
            " changed since the install (by the game or by you; not a fault):" +
            Listed(report.changed, names);
  return text;
}

}  // namespace dl
