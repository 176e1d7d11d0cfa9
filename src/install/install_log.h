// The install log: one line per step, with a time and a result, for the people who must
// find out later which file or step failed. Writing it never makes anything fail.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/system.h"

namespace dl {

class InstallLog {
 public:
  virtual ~InstallLog() = default;
  // One step and what came of it.
  virtual void Line(const std::string& step, const std::string& result) = 0;
  // While the log is held (a disc's copy: a line per file), its lines may gather and reach
  // the file in batches, a quarter of a second late at most; Release writes what gathered.
  virtual void Hold() {}
  virtual void Release() {}
};

// Holds a log while it lives.
class LogHold {
 public:
  explicit LogHold(InstallLog* log) : log_(log) {
    if (log_ != nullptr) log_->Hold();
  }
  ~LogHold() {
    if (log_ != nullptr) log_->Release();
  }
  LogHold(const LogHold&) = delete;
  LogHold& operator=(const LogHold&) = delete;

 private:
  InstallLog* log_;
};

// Writes the log to a file, created anew; a file that cannot be written is skipped.
class FileLog : public InstallLog {
 public:
  FileLog(System& system, const std::string& path);
  ~FileLog() override { Release(); }
  FileLog(const FileLog&) = delete;
  FileLog& operator=(const FileLog&) = delete;
  void Line(const std::string& step, const std::string& result) override;
  void Hold() override { held_ = true; }
  void Release() override;

 private:
  void Write();

  System& system_;
  std::unique_ptr<WritableFile> file_;
  bool held_ = false;
  std::string gathered_;  // lines not written yet
  std::chrono::steady_clock::time_point written_ = std::chrono::steady_clock::now();
};

// A log whose file is chosen later (once the record's name is known); lines before that,
// or without a file, are dropped.
class DeferredLog : public InstallLog {
 public:
  void Open(std::unique_ptr<InstallLog> target) { target_ = std::move(target); }
  void Line(const std::string& step, const std::string& result) override {
    if (target_ != nullptr) target_->Line(step, result);
  }
  void Hold() override {
    if (target_ != nullptr) target_->Hold();
  }
  void Release() override {
    if (target_ != nullptr) target_->Release();
  }

 private:
  std::unique_ptr<InstallLog> target_;
};

// Where the log goes without /LOG=: the temporary folder, named after the record when its
// name is a plain file name ("<record>-setup.log"), else "setup.log".
std::string DefaultLogPath(System& system, const std::string& recordName);

// A line for a log that may be absent.
inline void LogLine(InstallLog* log, const std::string& step, const std::string& result) {
  if (log != nullptr) log->Line(step, result);
}

}  // namespace dl
