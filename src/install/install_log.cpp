#include "install/install_log.h"

#include "install/join_path.h"
#include "install/path_guard.h"
#include "util/one_line.h"

namespace dl {

FileLog::FileLog(System& system, const std::string& path)
    : system_(system), file_(system.CreateForWriting(path)) {}

void FileLog::Line(const std::string& step, const std::string& result) {
  if (file_ == nullptr) return;
  const std::string line = system_.LocalTimeText() + "  " + std::string(FirstLine(step)) + ": " +
                           std::string(FirstLine(result)) + "\r\n";
  // Each line goes out at once, so that a run that is killed leaves what it did. It is not
  // flushed to the disk line by line: that costs a copy of many small files more than the
  // copy (the install journal is what must survive a power cut).
  if (!file_->Write(line.data(), line.size())) file_.reset();
}

std::string DefaultLogPath(System& system, const std::string& recordName) {
  std::string folder = system.TempDir();
  if (!folder.empty() && !EndsInSeparator(system, folder)) folder += '\\';
  // The record's name is the script's: only a plain file name may name a file here.
  return folder + (IsPlainFileName(recordName, &system) ? recordName + "-" : std::string()) +
         "setup.log";
}

}  // namespace dl
