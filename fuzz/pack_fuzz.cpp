// The pack reader and the verifier on arbitrary bytes: open, look up every name the
// verifier walks and a few others, load each, then rewrite the pack.
#include <cstdint>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "pack/pack_verify.h"
#include "platform/posix/posix_file_system.h"

namespace {

// A system that serves one pack from memory and accepts writes into memory; the rest of
// the machine is the host layer's "nothing found".
class MemorySystem : public dl::PosixFileSystem {
 public:
  explicit MemorySystem(std::string bytes) : bytes_(std::move(bytes)) {}
  class Mapped : public dl::MappedFile {
   public:
    explicit Mapped(const std::string& b) : b_(b) {}
    const std::uint8_t* data() const override {
      return reinterpret_cast<const std::uint8_t*>(b_.data());
    }
    std::size_t size() const override { return b_.size(); }

   private:
    const std::string& b_;
  };
  class Sink : public dl::WritableFile {
   public:
    bool Write(const void* d, std::size_t n) override {
      if (pos_ + n > out_.size()) out_.resize(pos_ + n);
      out_.replace(pos_, n, static_cast<const char*>(d), n);
      pos_ += n;
      return true;
    }
    bool Seek(std::uint64_t p) override {
      pos_ = p;
      return true;
    }
    bool SeekEnd() override {
      pos_ = out_.size();
      return true;
    }
    std::uint64_t Tell() const override { return pos_; }
    bool Sync() override { return true; }
    bool Close() override { return true; }

   private:
    std::string out_;
    std::size_t pos_ = 0;
  };
  bool ReadWholeFile(const std::string&, std::string*) override { return false; }
  bool ReadInPieces(const std::string&,
                    const std::function<void(const void*, std::size_t)>&) override {
    return false;
  }
  bool FileExists(const std::string&) override { return false; }
  std::unique_ptr<dl::WritableFile> CreateForWriting(const std::string&) override {
    return std::make_unique<Sink>();
  }
  bool RemoveFile(const std::string&) override { return true; }
  bool RenameReplacing(const std::string&, const std::string&) override { return false; }
  dl::MapStatus MapReadOnly(const std::string& path,
                            std::unique_ptr<dl::MappedFile>* out) override {
    if (path != "p.pak") return dl::MapStatus::kNotFound;
    *out = std::make_unique<Mapped>(bytes_);
    return dl::MapStatus::kMapped;
  }
  bool FindPackResource(const std::string&, const std::uint8_t**, std::size_t*) override {
    return false;
  }
  std::string WindowsDir() override { return "C:\\windows"; }
  std::string ModuleFilePath() override { return "C:\\p.exe"; }
  std::string CurrentDir() override { return "C:\\"; }
  bool ChangeDir(const std::string&) override { return false; }
  dl::DriveType DriveKind(const std::string&) override { return dl::DriveType::kFixed; }
  bool VolumeLabel(const std::string&, std::string*) override { return false; }
  bool FreeBytes(const std::string&, std::uint64_t*) override { return false; }

 private:
  std::string bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> names = {"kvx.ini", "a\\", "a\\b", "d\\f", "", "\\", "x\\\\y"};
  std::vector<std::string> problems;
  dl::VerifyPack(data, size, &problems,
                 [&](const dl::PackEntryInfo& e) { names.push_back(e.fullName); });
  MemorySystem system(bytes);
  dl::PackFile pack(system);
  if (pack.Open("p", 2, 0) != 1) return 0;
  for (const std::string& name : names) {
    dl::PackRecordRef ref;
    (void)pack.FindRecord(name.c_str(), &ref);
    dl::PackSlot* slot = pack.LoadEntry(name.c_str());
    if (slot != nullptr) {
      volatile std::uint8_t sum = 0;
      for (std::uint32_t i = 0; i < slot->size; ++i) sum = sum + slot->data[i];
      pack.ReleaseEntry(slot);
    }
  }
  pack.PutEntry("kvx.ini", "x", 1);
  pack.PutEntry("new\\dir\\", "", 0);
  pack.PutEntry("a\\", nullptr, 0);
  (void)pack.Save("t", 0);
  return 0;
}
