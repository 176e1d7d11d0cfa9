#include "install/install_log.h"

#include "install/join_path.h"
#include "install/path_guard.h"
#include "util/one_line.h"

namespace dl {
namespace {

constexpr std::size_t kGatherBytes = 64 * 1024;
constexpr std::chrono::milliseconds kGatherTime{250};

}  // namespace

FileLog::FileLog(System& system, const std::string& path)
    : system_(system), file_(system.CreateForWriting(path)) {}

void FileLog::Line(const std::string& step, const std::string& result) {
  if (file_ == nullptr) return;
  const std::string line = system_.LocalTimeText() + "  " + std::string(FirstLine(step)) + ": " +
                           std::string(FirstLine(result)) + "\r\n";
  // Each line goes out at once, so that a run that is killed leaves what it did; while the
  // log is held, within a quarter of a second. It is never flushed to the disk line by line:
  // that costs a copy of many small files more than the copy (the install journal is what
  // must survive a power cut).
  gathered_ += line;
  if (!held_ || gathered_.size() >= kGatherBytes ||
      std::chrono::steady_clock::now() - written_ >= kGatherTime)
    Write();
}

void FileLog::Release() {
  held_ = false;
  Write();
}

void FileLog::Write() {
  written_ = std::chrono::steady_clock::now();
  if (gathered_.empty() || file_ == nullptr) return;
  if (!file_->Write(gathered_.data(), gathered_.size())) file_.reset();
  gathered_.clear();
}

std::string DefaultLogPath(System& system, const std::string& recordName) {
  std::string folder = system.TempDir();
  if (!folder.empty() && !EndsInSeparator(system, folder)) folder += '\\';
  // The record's name is the script's: only a plain file name may name a file here.
  return folder + (IsPlainFileName(recordName, &system) ? recordName + "-" : std::string()) +
         "setup.log";
}

}  // namespace dl
