#include "support/fake_system.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dl::testing {
namespace fs = std::filesystem;

namespace {

// A file whose writes stay in memory until Sync (or an orderly Close) puts them on disk,
// so that a simulated crash loses exactly what was not synced.
class FakeWritableFile : public WritableFile {
 public:
  FakeWritableFile(FakeSystem* system, std::string hostPath)
      : system_(system), hostPath_(std::move(hostPath)) {}
  ~FakeWritableFile() override {
    if (open_ && !system_->crashed()) Persist();
  }

  bool Write(const void* data, std::size_t size) override {
    if (!open_ || system_->MutationFails()) return false;
    if (pos_ > content_.size()) content_.resize(pos_, '\0');
    content_.replace(pos_, std::min(size, content_.size() - pos_), static_cast<const char*>(data),
                     size);
    pos_ += size;
    return true;
  }
  bool Seek(std::uint64_t pos) override {
    if (!open_ || system_->MutationFails()) return false;
    pos_ = pos;
    return true;
  }
  bool SeekEnd() override {
    if (!open_ || system_->MutationFails()) return false;
    pos_ = content_.size();
    return true;
  }
  std::uint64_t Tell() const override { return pos_; }
  bool Sync() override {
    if (!open_ || system_->MutationFails()) return false;
    return Persist();
  }
  bool Close() override {
    if (!open_) return false;
    open_ = false;
    if (system_->MutationFails()) return false;
    return Persist();
  }

 private:
  bool Persist() {
    std::ofstream out(hostPath_, std::ios::binary | std::ios::trunc);
    out.write(content_.data(), static_cast<std::streamsize>(content_.size()));
    return static_cast<bool>(out);
  }
  FakeSystem* system_;
  std::string hostPath_;
  std::string content_;
  std::uint64_t pos_ = 0;
  bool open_ = true;
};

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

FakeSystem::FakeSystem() {
  std::string pattern = (fs::temp_directory_path() / "dlfake-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  AddDrive('C', DriveType::kFixed, "SYSTEM", 10ull * 1024 * 1024 * 1024);
  fs::create_directories(HostPath("C:\\windows"));
}

FakeSystem::~FakeSystem() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void FakeSystem::AddDrive(char letter, DriveType type, const std::string& label,
                          std::uint64_t freeBytes) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::string host = root_ + "/" + std::string(1, letter);
  fs::create_directories(host);
  drives_[letter] = Drive{type, host, label, freeBytes};
}

void FakeSystem::InsertDisc(char letter, const std::string& hostFolder, const std::string& label) {
  Drive& d = drives_.at(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  d.hostRoot = hostFolder;
  d.label = label;
  d.hasDisc = true;
}

void FakeSystem::EjectDisc(char letter) {
  Drive& d = drives_.at(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  d.hostRoot = root_ + "/empty-" + std::string(1, letter);
  fs::remove_all(d.hostRoot);
  fs::create_directories(d.hostRoot);
  d.hasDisc = false;
}

void FakeSystem::SetLabel(char letter, const std::string& label) {
  drives_.at(static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))).label = label;
}

void FakeSystem::SetFreeBytes(char letter, std::uint64_t bytes, bool queryFails) {
  Drive& d = drives_.at(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  d.freeBytes = bytes;
  d.freeQueryFails = queryFails;
}

std::size_t FakeSystem::CharLength(const char* text) const {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead == 0) return 0;
  if (doubleByte && lead >= 0x81 && lead <= 0xFE && text[1] != '\0') return 2;
  return 1;
}

bool FakeSystem::EndsInSeparator(const std::string& text) const {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < text.size();) {
    last = i;
    const std::size_t n = text[i] == '\0' ? 1 : CharLength(text.c_str() + i);
    i += n == 0 ? 1 : n;
  }
  return last != std::string::npos && last == text.size() - 1 && IsSeparator(text[last]);
}

std::string FakeSystem::Absolute(const std::string& path) const {
  if (path.size() >= 2 && path[1] == ':') return path;
  if (!path.empty() && IsSeparator(path[0])) return currentDir_.substr(0, 2) + path;
  std::string base = currentDir_;
  if (!base.empty() && !EndsInSeparator(base)) base += '\\';
  return base + path;
}

// A double-byte character whose second byte is 0x5C ("\" to a byte-reader) keeps it in
// the host's names as this byte, which no Windows path holds.
constexpr char kHostTrail5C = '\x1C';

std::string FakeSystem::ToHost(const std::string& windowsPath) const {
  std::string out;
  for (std::size_t i = 0; i < windowsPath.size();) {
    std::size_t n = windowsPath[i] == '\0' ? 1 : CharLength(windowsPath.c_str() + i);
    if (n == 0) n = 1;
    if (n == 1) {
      out += windowsPath[i] == '\\' ? '/' : windowsPath[i];
    } else {
      out += windowsPath[i];
      out += windowsPath[i + 1] == '\\' ? kHostTrail5C : windowsPath[i + 1];
    }
    i += n;
  }
  return out;
}

std::string FakeSystem::FromHost(std::string hostText) const {
  for (char& c : hostText) {
    if (c == '/')
      c = '\\';
    else if (c == kHostTrail5C)
      c = '\\';
  }
  return hostText;
}

const FakeSystem::Drive* FakeSystem::DriveOf(const std::string& path) const {
  std::string abs = Absolute(path);
  if (abs.size() < 2 || abs[1] != ':') return nullptr;
  auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(abs[0]))));
  return it == drives_.end() ? nullptr : &it->second;
}

std::string FakeSystem::HostPath(const std::string& path) const {
  const Drive* d = DriveOf(path);
  if (d == nullptr) return std::string();
  std::string rest = ToHost(Absolute(path).substr(2));
  if (!rest.empty() && rest[0] != '/') rest.insert(0, "/");
  return d->hostRoot + rest;
}

void FakeSystem::WriteHostFile(const std::string& path, const std::string& content) {
  fs::path host = HostPath(path);
  fs::create_directories(host.parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string FakeSystem::ReadHostFile(const std::string& path) const {
  std::ifstream in(HostPath(path), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void FakeSystem::ScriptAnswer(int answer, std::function<void()> action) {
  answers_.push_back(Answer{answer, std::move(action)});
}

void FakeSystem::FailMutation(int n, bool persistent) {
  failAt_ = mutations_ + n;
  failPersistent_ = persistent;
  crashAtFail_ = false;
}

void FakeSystem::CrashAt(int n) {
  failAt_ = mutations_ + n;
  failPersistent_ = true;
  crashAtFail_ = true;
}

void FakeSystem::ClearFaults() {
  failAt_ = 0;
  failPersistent_ = false;
  crashAtFail_ = false;
  crashed_ = false;
}

bool FakeSystem::MutationFails() {
  ++mutations_;
  if (failAt_ == 0) return false;
  bool fails = failPersistent_ ? mutations_ >= failAt_ : mutations_ == failAt_;
  if (fails && crashAtFail_) crashed_ = true;
  return fails;
}

bool FakeSystem::ReadWholeFile(const std::string& path, std::string* out) {
  std::string host = HostPath(path);
  return !host.empty() && host_.ReadWholeFile(host, out);
}

bool FakeSystem::ReadInPieces(const std::string& path,
                              const std::function<void(const void*, std::size_t)>& take) {
  std::string host = HostPath(path);
  return !host.empty() && host_.ReadInPieces(host, take);
}

bool FakeSystem::FileExists(const std::string& path) {
  std::string host = HostPath(path);
  return !host.empty() && host_.FileExists(host);
}

std::unique_ptr<WritableFile> FakeSystem::CreateForWriting(const std::string& path) {
  fileEffects.push_back({FileEffect::kCreate, path, {}});
  std::string host = HostPath(path);
  if (host.empty() || MutationFails()) return nullptr;
  // Creating (or truncating) the file is immediate; its data waits for a sync.
  std::ofstream create(host, std::ios::binary | std::ios::trunc);
  if (!create) return nullptr;
  return std::make_unique<FakeWritableFile>(this, host);
}

bool FakeSystem::RemoveFile(const std::string& path) {
  fileEffects.push_back({FileEffect::kRemove, path, {}});
  std::string host = HostPath(path);
  if (host.empty() || HeldOpen(path) || MutationFails()) return false;
  return host_.RemoveFile(host);
}

bool FakeSystem::RenameReplacing(const std::string& from, const std::string& to) {
  fileEffects.push_back({FileEffect::kRename, from, to});
  std::string a = HostPath(from), b = HostPath(to);
  if (a.empty() || b.empty() || MutationFails()) return false;
  return host_.RenameReplacing(a, b);
}

MapStatus FakeSystem::MapReadOnly(const std::string& path, std::unique_ptr<MappedFile>* out) {
  std::string host = HostPath(path);
  if (host.empty()) return MapStatus::kNotFound;
  return host_.MapReadOnly(host, out);
}

bool FakeSystem::FindPackResource(const std::string& name, const std::uint8_t** data,
                                  std::size_t* size) {
  auto it = resources.find(name);
  if (it == resources.end()) return false;
  *data = reinterpret_cast<const std::uint8_t*>(it->second.data());
  *size = it->second.size();
  return true;
}

bool FakeSystem::ChangeDir(const std::string& path) {
  std::string host = HostPath(path);
  std::error_code ec;
  if (host.empty() || !fs::is_directory(host, ec)) return false;
  currentDir_ = Absolute(path);
  return true;
}

DriveType FakeSystem::DriveKind(const std::string& root) {
  const Drive* d = DriveOf(root);
  return d == nullptr ? DriveType::kNoRootDir : d->type;
}

bool FakeSystem::VolumeLabel(const std::string& root, std::string* label) {
  const Drive* d = DriveOf(root);
  if (d == nullptr || !d->hasDisc) return false;
  *label = d->label;
  return true;
}

bool FakeSystem::FreeBytes(const std::string& root, std::uint64_t* bytes) {
  const Drive* d = DriveOf(root);
  if (d == nullptr || d->freeQueryFails || !d->hasDisc) return false;
  *bytes = d->freeBytes;
  return true;
}

int FakeSystem::ShowMessage(WindowRef owner, const std::string& text, const std::string& caption) {
  messages_.push_back(Message{owner, text, caption});
  if (answers_.empty()) return kAnswerOk;
  Answer next = std::move(answers_.front());
  answers_.erase(answers_.begin());
  if (next.action) next.action();
  return next.answer;
}

bool FakeSystem::AskYesNo(WindowRef owner, const std::string& text, const std::string& caption) {
  messages_.push_back(Message{owner, text, caption, true});
  if (answers_.empty()) return true;
  Answer next = std::move(answers_.front());
  answers_.erase(answers_.begin());
  if (next.action) next.action();
  return next.answer == kAnswerYes;
}

bool FakeSystem::AskOkCancel(WindowRef owner, const std::string& text, const std::string& caption) {
  messages_.push_back(Message{owner, text, caption, false, true});
  if (answers_.empty()) return true;
  Answer next = std::move(answers_.front());
  answers_.erase(answers_.begin());
  if (next.action) next.action();
  return next.answer != kAnswerCancel;
}

namespace {
std::string RegistryName(std::string key) {
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}
}  // namespace

bool FakeSystem::WriteRegistryValues(RegistryRoot root, const std::string& key,
                                     const std::vector<RegistryValue>& values) {
  if (root == RegistryRoot::kMachine && machineRegistryDenied) return false;
  std::vector<RegistryValue>& stored = registry[{root, RegistryName(key)}];
  for (const RegistryValue& v : values) {
    auto same = [&](const RegistryValue& s) {
      return RegistryName(s.name) == RegistryName(v.name);
    };
    auto it = std::find_if(stored.begin(), stored.end(), same);
    if (it == stored.end())
      stored.push_back(v);
    else
      *it = v;
  }
  return true;
}

const std::vector<RegistryValue>* FakeSystem::RegistryKey(RegistryRoot root,
                                                          const std::string& key) const {
  auto it = registry.find({root, RegistryName(key)});
  return it == registry.end() ? nullptr : &it->second;
}

bool FakeSystem::RegistryKeyExists(RegistryRoot root, const std::string& key) {
  // A key exists when it holds values, or when a key below it does.
  const std::string name = RegistryName(key);
  for (const auto& [where, values] : registry)
    if (where.first == root && (where.second == name || where.second.rfind(name + "\\", 0) == 0))
      return true;
  return false;
}

bool FakeSystem::ReadRegistryText(RegistryRoot root, const std::string& key,
                                  const std::string& name, std::string* text) {
  const std::vector<RegistryValue>* values = RegistryKey(root, key);
  if (values == nullptr) return false;
  for (const RegistryValue& v : *values)
    if (RegistryName(v.name) == RegistryName(name) && !v.number) {
      *text = v.text;
      return true;
    }
  return false;
}

bool FakeSystem::RemoveRegistryKey(RegistryRoot root, const std::string& key) {
  if (root == RegistryRoot::kMachine && machineRegistryDenied && RegistryKey(root, key) != nullptr)
    return false;
  registry.erase({root, RegistryName(key)});
  return true;
}

void FakeSystem::Pause(std::uint32_t milliseconds) {
  nowMs_ += milliseconds;
  pauses_.push_back(milliseconds);
}

std::uint32_t FakeSystem::AnsiCodePage() {
  return doubleByte ? 936 : cyrillic ? 1251 : 1252;
}

std::size_t FakeSystem::CharSize(const char* text) {
  return CharLength(text);
}

bool FakeSystem::SpecialFolderPath(SpecialFolder which, std::string* path) {
  auto it = specialFolders.find(which);
  if (it == specialFolders.end()) return false;
  *path = it->second;
  return true;
}

bool FakeSystem::WindowOfClassExists(const std::string& className) {
  windowQueries.push_back("class:" + className);
  return windowClasses.count(className) != 0;
}

bool FakeSystem::WindowWithTitleExists(const std::string& title) {
  windowQueries.push_back("title:" + title);
  return windowTitles.count(title) != 0;
}

bool FakeSystem::OsVersion(OsVersionInfo* out) {
  if (osVersionFails) return false;
  *out = osVersion;
  return true;
}

namespace {
class FakeDirectXSession : public DirectXSession {
 public:
  explicit FakeDirectXSession(FakeSystem* system) : system_(system) { ++system_->openDxSessions; }
  ~FakeDirectXSession() override { --system_->openDxSessions; }
  bool Run(DxStep step) override {
    system_->dxStepsRun.push_back(static_cast<int>(step));
    return static_cast<int>(step) != system_->failingDxStep;
  }

 private:
  FakeSystem* system_;
};
}  // namespace

std::unique_ptr<DirectXSession> FakeSystem::BeginDirectXProbe() {
  return std::make_unique<FakeDirectXSession>(this);
}

namespace {
std::string UpperPath(std::string path) {
  for (char& c : path) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '/') c = '\\';
  }
  return path;
}
}  // namespace

bool FakeSystem::SetAttributes(const std::string& path, std::uint32_t value) {
  std::string host = HostPath(path);
  if (host.empty() || !fs::exists(host)) return false;
  attributes[UpperPath(Absolute(path))] = value;
  return true;
}

bool FakeSystem::GetAttributes(const std::string& path, std::uint32_t* value) {
  std::string host = HostPath(path);
  std::error_code ec;
  if (host.empty() || !fs::exists(host, ec)) return false;
  auto it = attributes.find(UpperPath(Absolute(path)));
  if (it != attributes.end()) {
    *value = it->second;
  } else if (fs::is_directory(host, ec)) {
    *value = kAttrDirectory | (fs::is_symlink(host, ec) ? kAttrReparsePoint : 0);
  } else {
    const Drive* d = DriveOf(path);
    *value = kAttrArchive | (d != nullptr && d->type == DriveType::kCdRom ? kAttrReadOnly : 0);
  }
  return true;
}

bool FakeSystem::FileStamp(const std::string& path, std::uint64_t* size, std::uint64_t* writeTime) {
  const std::string host = HostPath(path);
  return !host.empty() && host_.FileStamp(host, size, writeTime);
}

bool FakeSystem::FileSize(const std::string& path, std::uint64_t* size) {
  if (lookupHook) lookupHook(path);
  const std::string host = HostPath(path);
  return !host.empty() && host_.FileSize(host, size);
}

bool FakeSystem::RemoveAtRestart(const std::string& path) {
  std::uint32_t attributes = 0;
  if (!GetAttributes(path, &attributes)) return false;
  removedAtRestart.push_back(path);
  return true;
}

bool FakeSystem::RemoveEmptyFolder(const std::string& path) {
  fileEffects.push_back({FileEffect::kRemoveFolder, path, {}});
  const std::string host = HostPath(path);
  if (host.empty() || MutationFails()) return false;
  std::error_code ec;
  return fs::is_directory(host, ec) && host_.RemoveEmptyFolder(host);
}

std::vector<FoundFile> FakeSystem::FindFiles(const std::string& pattern) {
  if (lookupHook) lookupHook(pattern);
  const std::string abs = Absolute(pattern);
  std::size_t cut = std::string::npos;
  for (std::size_t i = 0; i < abs.size();) {
    std::size_t n = CharLength(abs.c_str() + i);
    if (n == 0) n = 1;
    if (n == 1 && IsSeparator(abs[i])) cut = i;
    i += n;
  }
  const std::string dir = abs.substr(0, cut + 1);
  const std::string mask = ToHost(abs.substr(cut + 1));
  std::vector<FoundFile> found;
  std::string host = HostPath(dir);
  if (host.empty()) return found;
  // Like Windows, a folder that is not a drive's root lists "." and "..".
  if (dir.size() > 3) {
    for (const char* dots : {".", ".."})
      if (PosixFileSystem::WildcardMatch(mask, dots)) found.push_back(FoundFile{dots, true});
  }
  std::vector<FoundFile> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(host, ec)) {
    std::string name = entry.path().filename().string();
    if (!PosixFileSystem::WildcardMatch(mask, name)) continue;
    const bool folder = entry.is_directory(ec);
    const std::uintmax_t bytes = folder ? 0 : entry.file_size(ec);
    names.push_back(FoundFile{FromHost(name), folder, entry.is_symlink(ec), ec ? 0 : bytes});
  }
  std::sort(names.begin(), names.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  found.insert(found.end(), names.begin(), names.end());
  return found;
}

bool FakeSystem::ShortPath(const std::string& path, std::string* shortPath) {
  std::string host = HostPath(path);
  std::error_code ec;
  if (host.empty() || !fs::exists(host, ec)) return false;
  auto it = shortPaths.find(path);
  *shortPath = it != shortPaths.end() ? it->second : path;
  return true;
}

bool FakeSystem::ResolvePath(const std::string& path, std::string* resolved) {
  const std::string host = HostPath(path);
  if (host.empty()) return false;
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(fs::path(host), ec);
  if (ec) canonical = fs::path(host).lexically_normal();
  std::string text = canonical.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  for (const auto& [letter, drive] : drives_) {
    const std::string& root = drive.hostRoot;
    if (text != root && text.compare(0, root.size() + 1, root + "/") != 0) continue;
    const std::string rest = FromHost(text.substr(root.size()));
    *resolved = std::string(1, letter) + ":" + (rest.empty() ? "\\" : rest);
    return true;
  }
  return false;
}

std::string FakeSystem::FoldCase(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = CharSize(out.c_str() + i);
    if (n == 0) break;
    auto c = static_cast<unsigned char>(out[i]);
    if (n == 1 && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
    if (n == 1 && cyrillic && c >= 0xE0) out[i] = static_cast<char>(c - 0x20);
    i += n;
  }
  return out;
}

int FakeSystem::ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                                   const std::string& to, std::uint32_t flags) {
  ShellCall call{owner, op, from, to, flags};
  shellCalls.push_back(call);
  if (op == ShellOp::kDelete && from.find_first_of("*?") != std::string::npos) return 123;
  if (shellHook) {
    int answer = shellHook(call);
    if (answer >= 0) return answer;
  }
  std::string source = HostPath(from);
  std::error_code ec;
  if (source.empty() || !fs::exists(source, ec)) return 2;
  if (op == ShellOp::kDelete) {
    if (HeldOpen(from)) return 32;  // a sharing violation
    if (shellDeleteFollowsLinks && fs::is_directory(source, ec) && !fs::is_symlink(source, ec))
      for (const auto& entry : fs::recursive_directory_iterator(source, ec))
        if (entry.is_symlink(ec) && fs::is_directory(entry.path(), ec))
          for (const auto& inner : fs::directory_iterator(entry.path(), ec))
            fs::remove_all(inner.path(), ec);
    ec.clear();
    fs::remove_all(source, ec);
    return ec ? 1 : 0;
  }
  std::string target = HostPath(to);
  if (target.empty()) return 3;
  fs::create_directories(fs::path(target).parent_path(), ec);
  if (op == ShellOp::kCopy) {
    std::uint32_t a = 0;
    GetAttributes(from, &a);
    fs::copy(source, target, fs::copy_options::overwrite_existing | fs::copy_options::recursive,
             ec);
    if (!ec) attributes[UpperPath(Absolute(to))] = a;
  } else {
    fs::rename(source, target, ec);
  }
  return ec ? 1 : 0;
}

std::uint32_t FakeSystem::StartProgram(const std::string& commandLine, bool hidden) {
  started.push_back(Started{commandLine, hidden, nowMs_, false, {}});
  return programHook ? programHook(commandLine) : 33;
}

UserStart FakeSystem::StartProgramAsUser(const std::string& program, const std::string& arguments,
                                         const std::string& folder) {
  if (!elevated) return UserStart::kNotElevated;
  if (!desktopShell) return UserStart::kFailed;
  const std::string commandLine =
      "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  started.push_back(Started{commandLine, false, nowMs_, true, folder});
  if (programHook) programHook(commandLine);
  return UserStart::kStarted;
}

bool FakeSystem::HeldOpen(const std::string& path) const {
  const std::string target = UpperPath(Absolute(path));
  for (const std::string& held : heldOpen) {
    const std::string h = UpperPath(Absolute(held));
    if (h == target || (h.size() > target.size() && h.compare(0, target.size(), target) == 0 &&
                        h[target.size()] == '\\'))
      return true;
  }
  return false;
}

}  // namespace dl::testing
