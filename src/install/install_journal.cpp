#include "install/install_journal.h"

#include "install/install_log.h"
#include "install/join_path.h"
#include "install/path_guard.h"

namespace dl {
namespace {

struct KindName {
  JournalEntry::Kind kind;
  const char* name;
};
constexpr KindName kKinds[] = {
    {JournalEntry::kFolder, "folder"},
    {JournalEntry::kAbove, "above"},
    {JournalEntry::kMade, "made"},
    {JournalEntry::kFile, "file"},
    {JournalEntry::kGroup, "group"},
    {JournalEntry::kShortcut, "shortcut"},
    {JournalEntry::kDesktopCopy, "desktop"},
    {JournalEntry::kConversion, "conversion"},
    {JournalEntry::kUninstaller, "uninstaller"},
    {JournalEntry::kEntry, "entry"},
    {JournalEntry::kRecord, "record"},
    {JournalEntry::kCopied, "copied"},
    {JournalEntry::kEnd, "end"},
};

const char* NameOf(JournalEntry::Kind kind) {
  for (const KindName& k : kKinds)
    if (k.kind == kind) return k.name;
  return "?";
}

const char* ExistedText(bool existed) {
  return existed ? "existed" : "new";
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// A decimal count of at most 19 digits.
bool ReadCount(const std::string& text, std::uint64_t* out) {
  if (text.empty() || text.size() > 19) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  *out = value;
  return true;
}

bool ReadExisted(const std::string& text, bool* out) {
  if (text != "new" && text != "existed") return false;
  *out = text == "existed";
  return true;
}

bool IsRelativeFolder(const std::string& rel, CodePage* codePage) {
  return rel == "." || IsContainedRelativePath(rel, false, codePage);
}

// One line read into an entry; false when it breaks a rule.
bool ReadEntry(const std::string& line, JournalEntry* out, CodePage* codePage) {
  const std::vector<std::string> f = Fields(line);
  const KindName* kind = nullptr;
  for (const KindName& k : kKinds)
    if (f[0] == k.name) kind = &k;
  if (kind == nullptr) return false;
  JournalEntry e;
  e.kind = kind->kind;
  switch (e.kind) {
    case JournalEntry::kEnd:
      if (f.size() != 1) return false;
      break;
    case JournalEntry::kAbove:
      if (f.size() != 2 || !ReadCount(f[1], &e.number) || e.number > kMaxFoldersAbove) return false;
      break;
    case JournalEntry::kFolder:
      if (f.size() != 2 || !IsPlainFolder(f[1], codePage)) return false;
      e.path = f[1];
      break;
    case JournalEntry::kMade:
      if (f.size() != 2 || !IsRelativeFolder(f[1], codePage)) return false;
      e.path = f[1];
      break;
    case JournalEntry::kFile:
      if (f.size() != 4 || !IsContainedRelativePath(f[1], false, codePage) ||
          !ReadCount(f[2], &e.number) || !ReadExisted(f[3], &e.existed))
        return false;
      e.path = f[1];
      break;
    case JournalEntry::kCopied: {
      if (f.size() != 5 || !IsContainedRelativePath(f[1], false, codePage) ||
          !ReadCount(f[2], &e.number) || !ReadCount(f[3], &e.time) || f[4].size() != 8 ||
          f[4].find_first_not_of("0123456789abcdef") != std::string::npos)
        return false;
      for (char c : f[4])
        e.crc = e.crc << 4 | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
      e.path = f[1];
      break;
    }
    case JournalEntry::kGroup:
    case JournalEntry::kUninstaller:
    case JournalEntry::kRecord:
      if (f.size() != 2 || NormalizedPath(f[1], codePage).size() <= 2) return false;
      e.path = f[1];
      break;
    case JournalEntry::kEntry:
      if (f.size() != 2 || !IsPlainFileName(f[1], codePage)) return false;
      e.path = f[1];
      break;
    case JournalEntry::kShortcut:
    case JournalEntry::kDesktopCopy:
    case JournalEntry::kConversion:
      if (f.size() != 3 || NormalizedPath(f[1], codePage).size() <= 2 ||
          !ReadExisted(f[2], &e.existed))
        return false;
      e.path = f[1];
      break;
  }
  *out = std::move(e);
  return true;
}

}  // namespace

bool Journal::MadeInstallFolder() const {
  for (const JournalEntry& e : entries)
    if (e.kind == JournalEntry::kMade && e.path == ".") return true;
  return false;
}

std::uint64_t Journal::FileBytes() const {
  std::uint64_t bytes = 0;
  for (const JournalEntry& e : entries)
    if (e.kind == JournalEntry::kFile) bytes += e.number;
  return bytes;
}

std::string Journal::CodePageProblem(std::uint32_t systemCodePage) const {
  if (codePage == 0 || systemCodePage == 0 || codePage == systemCodePage) return {};
  return "its names are written in code page " + std::to_string(codePage) +
         ", and this system reads names in code page " + std::to_string(systemCodePage);
}

std::string Journal::Problem(std::uint32_t systemCodePage) const {
  if (problems.empty() && !complete) return "it does not end";
  if (!problems.empty()) return "it holds \"" + problems[0].substr(0, 80) + "\"";
  if (installFolder.empty()) return "it names no install folder";
  return CodePageProblem(systemCodePage);
}

namespace {

std::string HeaderText(std::uint32_t codePage) {
  return std::string(kJournalHeader) + "\r\ncodepage\t" + std::to_string(codePage) + "\r\n";
}

}  // namespace

std::string JournalLine(const JournalEntry& e) {
  std::string line = NameOf(e.kind);
  switch (e.kind) {
    case JournalEntry::kEnd:
      break;
    case JournalEntry::kAbove:
      line += "\t" + std::to_string(e.number);
      break;
    case JournalEntry::kFolder:
    case JournalEntry::kMade:
    case JournalEntry::kGroup:
    case JournalEntry::kUninstaller:
    case JournalEntry::kEntry:
    case JournalEntry::kRecord:
      line += "\t" + e.path;
      break;
    case JournalEntry::kFile:
      line += "\t" + e.path + "\t" + std::to_string(e.number) + "\t" + ExistedText(e.existed);
      break;
    case JournalEntry::kCopied: {
      static const char kHex[] = "0123456789abcdef";
      std::string crc(8, '0');
      for (int i = 0; i < 8; ++i) crc[7 - i] = kHex[(e.crc >> (4 * i)) & 0xF];
      line += "\t" + e.path + "\t" + std::to_string(e.number) + "\t" + std::to_string(e.time) +
              "\t" + crc;
      break;
    }
    case JournalEntry::kShortcut:
    case JournalEntry::kDesktopCopy:
    case JournalEntry::kConversion:
      line += "\t" + e.path + "\t" + ExistedText(e.existed);
      break;
  }
  return line + "\r\n";
}

Journal ParseJournal(const std::string& text, CodePage* codePage) {
  Journal journal;
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool torn = end == std::string::npos;  // a last line without its end
    std::string line = text.substr(start, torn ? end : end - start);
    start = torn ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      first = false;
      // A journal since the second version says its code page on the line after the header.
      const bool second = line == kJournalHeader || line == kJournalHeaderSecond;
      if (!second && line != kJournalHeaderFirst) {
        journal.problems.push_back(line);
        return journal;
      }
      if (second) {
        std::size_t next = text.find('\n', start);
        std::string page = text.substr(start, next == std::string::npos ? next : next - start);
        start = next == std::string::npos ? text.size() : next + 1;
        if (!page.empty() && page.back() == '\r') page.pop_back();
        std::uint64_t number = 0;
        const std::vector<std::string> f = Fields(page);
        if (next == std::string::npos || f.size() != 2 || f[0] != "codepage" ||
            !ReadCount(f[1], &number) || number > 0xFFFF) {
          journal.problems.push_back(page);
          return journal;
        }
        journal.codePage = static_cast<std::uint32_t>(number);
      }
      continue;
    }
    if (line.empty()) continue;
    JournalEntry entry;
    const bool folderFirst = journal.entries.empty();
    if (torn || !ReadEntry(line, &entry, codePage) || journal.complete ||
        (folderFirst != (entry.kind == JournalEntry::kFolder))) {
      journal.problems.push_back(line);
      continue;
    }
    if (entry.kind == JournalEntry::kFolder) journal.installFolder = entry.path;
    if (entry.kind == JournalEntry::kEnd) journal.complete = true;
    journal.entries.push_back(std::move(entry));
  }
  if (first) journal.problems.push_back("(empty)");
  return journal;
}

std::string JournalFilePath(const std::string& recordPath) {
  return recordPath + kJournalFileSuffix;
}

InstallJournal::InstallJournal(FileSystem& files, std::string path, std::string installFolder,
                               InstallLog* log)
    : files_(files),
      path_(std::move(path)),
      installFolder_(std::move(installFolder)),
      log_(log),
      file_(path_.empty() ? nullptr : files_.CreateForWriting(path_)) {
  const std::string header = HeaderText(files_.AnsiCodePage());
  if (file_ != nullptr && !(file_->Write(header.data(), header.size()) && file_->Sync()))
    file_.reset();
  if (!path_.empty())
    LogLine(log_, "journal " + path_, file_ != nullptr ? "started" : "FAILED: kept in memory only");
  Note({JournalEntry::kFolder, installFolder_, 0, false});
  // The folders on the way to the install folder that do not exist yet: the copy's first
  // file makes them.
  std::uint64_t above = 0;
  std::uint32_t attributes = 0;
  madeInstallFolder_ = !files_.GetAttributes(installFolder_, &attributes);
  if (madeInstallFolder_) {
    std::string folder = NormalizedPath(installFolder_, &files_);
    for (;;) {
      folder = CutAtLastSeparator(files_, folder);
      if (folder.size() <= 2) break;  // the drive's root is never made
      if (files_.GetAttributes(folder, &attributes) || above == kMaxFoldersAbove) break;
      ++above;
    }
  }
  if (above > 0) Note({JournalEntry::kAbove, {}, above, false});
  if (madeInstallFolder_) Note({JournalEntry::kMade, ".", 0, false});
}

InstallJournal::~InstallJournal() = default;

void InstallJournal::EndBatch() {
  batch_ = false;
  std::string lines;
  lines.swap(batchLines_);
  // The batch's entries reach the disk in one write and one flush, before any step that
  // they describe is taken.
  if (file_ != nullptr && (!file_->Write(lines.data(), lines.size()) || !file_->Sync())) {
    file_.reset();
    LogLine(log_, "journal " + path_, "FAILED: kept in memory only");
  }
}

void InstallJournal::Note(JournalEntry entry) {
  const std::string line = JournalLine(entry);
  // Only what the journal's reader takes back is written: a path it would refuse (a
  // script's shortcut name with a pattern in it) would make the whole journal damaged, and
  // the uninstall would then judge the install folder without it. Such a path is never
  // deleted anyway.
  JournalEntry check;
  if (!ReadEntry(line.substr(0, line.size() - 2), &check, &files_)) {
    LogLine(log_, "journal " + path_, "NOT NOTED: " + line.substr(0, line.size() - 2));
    return;
  }
  if (batch_) {
    batchLines_ += line;
  } else if (file_ != nullptr) {
    // The entry is on the disk before the step it describes.
    if (!file_->Write(line.data(), line.size()) || !file_->Sync()) {
      file_.reset();
      LogLine(log_, "journal " + path_, "FAILED: kept in memory only");
    }
  }
  entries_.push_back(std::move(entry));
}

bool InstallJournal::FolderMade(const std::string& rel) {
  const std::string key = files_.FoldCase(rel);
  auto it = folders_.find(key);
  if (it != folders_.end()) return it->second;
  const std::string parent = CutAtLastSeparator(files_, rel);
  const bool parentMade = parent.empty() ? madeInstallFolder_ : FolderMade(parent);
  bool made = parentMade;
  if (!parentMade) {
    std::string full = installFolder_;
    std::uint32_t attributes = 0;
    made = !JoinPath(files_, &full, rel) || !files_.GetAttributes(full, &attributes);
  }
  if (made) Note({JournalEntry::kMade, rel, 0, false});
  folders_[key] = made;
  return made;
}

void InstallJournal::BeforeFile(const std::string& rel, std::uint64_t bytes) {
  const std::string parent = CutAtLastSeparator(files_, rel);
  const bool folderMade = parent.empty() ? madeInstallFolder_ : FolderMade(parent);
  bool existed = false;
  if (!folderMade) {
    std::string full = installFolder_;
    existed = JoinPath(files_, &full, rel) && files_.FileExists(full);
  }
  Note({JournalEntry::kFile, rel, bytes, existed});
}

void InstallJournal::BeforeOutside(JournalEntry::Kind kind, const std::string& path) {
  Note({kind, path, 0, files_.FileExists(path)});
}

void InstallJournal::BeforeGroup(const std::string& folder) {
  std::uint32_t attributes = 0;
  if (!files_.GetAttributes(folder, &attributes)) Note({JournalEntry::kGroup, folder, 0, false});
}

std::string JournalText(const Journal& journal) {
  std::string text = HeaderText(journal.codePage);
  for (const JournalEntry& e : journal.entries) text += JournalLine(e);
  return text;
}

std::string InstallJournal::FinishedText() const {
  std::string text = HeaderText(files_.AnsiCodePage());
  for (const JournalEntry& e : entries_) text += JournalLine(e);
  return text + JournalLine({JournalEntry::kEnd, {}, 0, false});
}

void InstallJournal::RemoveFile() {
  if (file_ != nullptr) file_->Close();
  file_.reset();
  if (!path_.empty()) files_.RemoveFile(path_);
}

}  // namespace dl
