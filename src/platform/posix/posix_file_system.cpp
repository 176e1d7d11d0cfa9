#include "platform/posix/posix_file_system.h"

#include "platform/wildcard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace dl {
namespace {

class PosixWritableFile : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  ~PosixWritableFile() override { Close(); }

  bool Write(const void* data, std::size_t size) override {
    if (fd_ < 0) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = ::write(fd_, p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      size -= static_cast<std::size_t>(n);
      pos_ += static_cast<std::uint64_t>(n);
    }
    return true;
  }
  bool Seek(std::uint64_t pos) override {
    if (fd_ < 0 || ::lseek(fd_, static_cast<off_t>(pos), SEEK_SET) < 0) return false;
    pos_ = pos;
    return true;
  }
  bool SeekEnd() override {
    if (fd_ < 0) return false;
    off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end < 0) return false;
    pos_ = static_cast<std::uint64_t>(end);
    return true;
  }
  std::uint64_t Tell() const override { return pos_; }
  bool Sync() override { return fd_ >= 0 && ::fsync(fd_) == 0; }
  bool Close() override {
    if (fd_ < 0) return false;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
  std::uint64_t pos_ = 0;
};

class PosixMappedFile : public MappedFile {
 public:
  PosixMappedFile(void* base, std::size_t size) : base_(base), size_(size) {}
  ~PosixMappedFile() override {
    if (base_ != nullptr) ::munmap(base_, size_);
  }
  const std::uint8_t* data() const override { return static_cast<const std::uint8_t*>(base_); }
  std::size_t size() const override { return size_; }

 private:
  void* base_;
  std::size_t size_;
};

std::string ParentOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string PosixFileSystem::HostPath(const std::string& path) {
  std::string host = path;
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  return host;
}

bool PosixFileSystem::ReadWholeFile(const std::string& path, std::string* out) {
  std::FILE* f = std::fopen(HostPath(path).c_str(), "rb");
  if (f == nullptr) return false;
  struct stat st {};
  if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return false;
  }
  out->clear();
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->append(buffer, n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool PosixFileSystem::ReadInPieces(const std::string& path,
                                   const std::function<void(const void*, std::size_t)>& take) {
  int fd = ::open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::vector<char> buffer(kReadPieceBytes);
  bool ok = true;
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    take(buffer.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ok;
}

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<WritableFile> PosixFileSystem::CreateForWriting(const std::string& path) {
  int fd = ::open(HostPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixWritableFile>(fd);
}

bool PosixFileSystem::RemoveFile(const std::string& path) {
  return ::unlink(HostPath(path).c_str()) == 0;
}

bool PosixFileSystem::RenameReplacing(const std::string& from, const std::string& to) {
  std::string target = HostPath(to);
  if (std::rename(HostPath(from).c_str(), target.c_str()) != 0) return false;
  // Make the new directory entry durable.
  int dir = ::open(ParentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

MapStatus PosixFileSystem::MapReadOnly(const std::string& path, std::unique_ptr<MappedFile>* out) {
  int fd = ::open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return MapStatus::kNotFound;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return S_ISDIR(st.st_mode) ? MapStatus::kNotFound : MapStatus::kFailed;
  }
  std::size_t size = static_cast<std::size_t>(st.st_size);
  void* base = nullptr;
  if (size > 0) {
    base = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (base == MAP_FAILED) {
      ::close(fd);
      return MapStatus::kFailed;
    }
  }
  ::close(fd);
  *out = std::make_unique<PosixMappedFile>(base, size);
  return MapStatus::kMapped;
}

bool PosixFileSystem::FindPackResource(const std::string&, const std::uint8_t**, std::size_t*) {
  return false;  // native programs carry no resources
}

std::string PosixFileSystem::WindowsDir() {
  return std::string();
}

std::string PosixFileSystem::SystemDir() {
  return std::string();
}

std::string PosixFileSystem::ModuleFilePath() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string PosixFileSystem::CurrentDir() {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return std::string();
  return buffer;
}

bool PosixFileSystem::ChangeDir(const std::string& path) {
  return ::chdir(HostPath(path).c_str()) == 0;
}

DriveType PosixFileSystem::DriveKind(const std::string&) {
  return DriveType::kNoRootDir;
}

bool PosixFileSystem::VolumeLabel(const std::string&, std::string*) {
  return false;
}

bool PosixFileSystem::FreeBytes(const std::string& root, std::uint64_t* bytes) {
  struct statvfs st {};
  if (::statvfs(HostPath(root).c_str(), &st) != 0) return false;
  *bytes = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  return true;
}

std::size_t PosixFileSystem::CharSize(const char* text) {
  return *text == '\0' ? 0 : 1;
}

bool PosixFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path p = HostPath(path);
  if (!fs::exists(p, ec)) return false;
  fs::permissions(p, fs::perms::owner_write | fs::perms::group_write,
                  (attributes & kAttrReadOnly) ? fs::perm_options::remove : fs::perm_options::add,
                  ec);
  return !ec;
}

bool PosixFileSystem::GetAttributes(const std::string& path, std::uint32_t* attributes) {
  std::error_code ec;
  const auto status = std::filesystem::status(HostPath(path), ec);
  if (ec || !std::filesystem::exists(status)) return false;
  std::uint32_t a = std::filesystem::is_directory(status) ? kAttrDirectory : kAttrArchive;
  if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
    a |= kAttrReadOnly;
  *attributes = a;
  return true;
}

bool PosixFileSystem::FileSize(const std::string& path, std::uint64_t* size) {
  struct stat st;
  if (::stat(HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool PosixFileSystem::FileStamp(const std::string& path, std::uint64_t* size,
                                std::uint64_t* writeTime) {
  struct stat st;
  if (::stat(HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = static_cast<std::uint64_t>(st.st_size);
  // Nanoseconds since 1970 (Windows counts tenths of a microsecond since 1601): a stamp is
  // only ever compared with another of the same system.
  *writeTime = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
               static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
  return true;
}

bool PosixFileSystem::RemoveEmptyFolder(const std::string& path) {
  // A link to a folder goes as a link, as a junction does on Windows.
  const std::string host = HostPath(path);
  struct stat info {};
  if (::lstat(host.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    struct stat target {};
    return ::stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode) &&
           ::unlink(host.c_str()) == 0;
  }
  return ::rmdir(host.c_str()) == 0;
}

bool PosixFileSystem::WildcardMatch(const std::string& pattern, const std::string& name) {
  return dl::WildcardMatch(pattern, name);
}

std::vector<FoundFile> PosixFileSystem::FindFiles(const std::string& pattern) {
  const std::string host = HostPath(pattern);
  const std::size_t slash = host.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : host.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? host : host.substr(slash + 1);
  std::vector<FoundFile> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::string name = entry.path().filename().string();
    if (!WildcardMatch(mask, name)) continue;
    const bool folder = entry.is_directory(ec);
    const std::uintmax_t bytes = folder ? 0 : entry.file_size(ec);
    found.push_back(FoundFile{name, folder, entry.is_symlink(ec), ec ? 0 : bytes});
  }
  std::sort(found.begin(), found.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return found;
}

bool PosixFileSystem::ShortPath(const std::string& path, std::string* shortPath) {
  std::error_code ec;
  if (!std::filesystem::exists(HostPath(path), ec)) return false;
  *shortPath = path;
  return true;
}

bool PosixFileSystem::ResolvePath(const std::string& path, std::string* resolved) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path host = fs::absolute(HostPath(path), ec);
  if (ec) return false;
  // weakly_canonical follows the links of the part that exists and keeps the rest.
  fs::path canonical = fs::weakly_canonical(host, ec);
  *resolved = (ec ? host.lexically_normal() : canonical).string();
  return true;
}

std::string PosixFileSystem::FoldCase(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace dl
