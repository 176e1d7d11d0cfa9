#include "platform/win32/win32_system.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace dl {
namespace {

class Win32WritableFile : public WritableFile {
 public:
  explicit Win32WritableFile(HANDLE h) : handle_(h) {}
  ~Win32WritableFile() override { Close(); }

  bool Write(const void* data, std::size_t size) override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!::WriteFile(handle_, p, chunk, &written, nullptr) || written == 0) return false;
      p += written;
      size -= written;
      pos_ += written;
    }
    return true;
  }
  bool Seek(std::uint64_t pos) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(pos);
    if (handle_ == INVALID_HANDLE_VALUE || !::SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN))
      return false;
    pos_ = pos;
    return true;
  }
  bool SeekEnd() override {
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (handle_ == INVALID_HANDLE_VALUE || !::SetFilePointerEx(handle_, zero, &at, FILE_END))
      return false;
    pos_ = static_cast<std::uint64_t>(at.QuadPart);
    return true;
  }
  std::uint64_t Tell() const override { return pos_; }
  bool Sync() override {
    return handle_ != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle_) != 0;
  }
  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    BOOL ok = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 private:
  HANDLE handle_;
  std::uint64_t pos_ = 0;
};

class Win32MappedFile : public MappedFile {
 public:
  Win32MappedFile(HANDLE file, HANDLE mapping, const void* view, std::size_t size)
      : file_(file), mapping_(mapping), view_(view), size_(size) {}
  ~Win32MappedFile() override {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
  }
  const std::uint8_t* data() const override { return static_cast<const std::uint8_t*>(view_); }
  std::size_t size() const override { return size_; }

 private:
  HANDLE file_;
  HANDLE mapping_;
  const void* view_;
  std::size_t size_;
};

std::string FromBuffer(const std::vector<char>& buffer, DWORD length) {
  return std::string(buffer.data(), length);
}

}  // namespace

bool Win32System::ReadWholeFile(const std::string& path, std::string* out) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  out->clear();
  char buffer[65536];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    out->append(buffer, got);
  }
  ::CloseHandle(h);
  return ok;
}

bool Win32System::FileExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<WritableFile> Win32System::CreateForWriting(const std::string& path) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32WritableFile>(h);
}

bool Win32System::RemoveFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != 0;
}

bool Win32System::RenameReplacing(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

MapStatus Win32System::MapReadOnly(const std::string& path, std::unique_ptr<MappedFile>* out) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_RANDOM_ACCESS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return MapStatus::kNotFound;
  LARGE_INTEGER length;
  if (!::GetFileSizeEx(file, &length) || length.QuadPart < 0 ||
      static_cast<unsigned long long>(length.QuadPart) > SIZE_MAX) {
    ::CloseHandle(file);
    return MapStatus::kFailed;
  }
  if (length.QuadPart == 0) {  // a zero-length file cannot be mapped; it is simply empty
    *out = std::make_unique<Win32MappedFile>(file, nullptr, nullptr, 0);
    return MapStatus::kMapped;
  }
  HANDLE mapping = ::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) {
    ::CloseHandle(file);
    return MapStatus::kFailed;
  }
  const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) {
    ::CloseHandle(mapping);
    ::CloseHandle(file);
    return MapStatus::kFailed;
  }
  *out = std::make_unique<Win32MappedFile>(file, mapping, view,
                                           static_cast<std::size_t>(length.QuadPart));
  return MapStatus::kMapped;
}

bool Win32System::FindPackResource(const std::string& name, const std::uint8_t** data,
                                   std::size_t* size) {
  HRSRC info = ::FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (info == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(nullptr, info);
  if (loaded == nullptr) return false;
  const void* bytes = ::LockResource(loaded);
  if (bytes == nullptr) return false;
  *data = static_cast<const std::uint8_t*>(bytes);
  *size = ::SizeofResource(nullptr, info);
  return true;
}

std::string Win32System::WindowsDir() {
  std::vector<char> buffer(MAX_PATH + 1);
  UINT n = ::GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::string();
  return FromBuffer(buffer, n);
}

std::string Win32System::SystemDir() {
  std::vector<char> buffer(MAX_PATH + 1);
  UINT n = ::GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::string();
  return FromBuffer(buffer, n);
}

std::string Win32System::ModuleFilePath() {
  std::vector<char> buffer(MAX_PATH + 1);
  DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::string();
  return FromBuffer(buffer, n);
}

std::string Win32System::CurrentDir() {
  std::vector<char> buffer(MAX_PATH + 1);
  DWORD n = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n == 0 || n >= buffer.size()) return std::string();
  return FromBuffer(buffer, n);
}

bool Win32System::ChangeDir(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) != 0;
}

DriveType Win32System::DriveKind(const std::string& root) {
  return static_cast<DriveType>(::GetDriveTypeA(root.c_str()));
}

bool Win32System::VolumeLabel(const std::string& root, std::string* label) {
  char name[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationA(root.c_str(), name, sizeof name, nullptr, nullptr, nullptr, nullptr,
                               0))
    return false;
  *label = name;
  return true;
}

bool Win32System::FreeBytes(const std::string& root, std::uint64_t* bytes) {
  // The whole volume's free bytes, not what a disk quota leaves to this user.
  ULARGE_INTEGER available, total, totalFree;
  if (!::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &totalFree)) return false;
  *bytes = totalFree.QuadPart;
  return true;
}

int Win32System::ShowMessage(WindowRef owner, const std::string& text, const std::string& caption) {
  return ::MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_OK);
}

void Win32System::Pause(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

std::size_t Win32System::CharSize(const char* text) {
  if (*text == '\0') return 0;
  const char* next = ::CharNextA(text);
  return next > text ? static_cast<std::size_t>(next - text) : 1;
}

bool Win32System::SpecialFolderPath(SpecialFolder which, std::string* path) {
  LPITEMIDLIST item = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, static_cast<int>(which), &item)) ||
      item == nullptr)
    return false;
  bool ok = ShellItemPath(item, path);
  ReleaseShellItem(item);
  return ok;
}

bool Win32System::ShellItemPath(ShellItem item, std::string* path) {
  char buffer[MAX_PATH + 1] = {};
  if (item == nullptr || !::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(item), buffer))
    return false;
  *path = buffer;
  return true;
}

void Win32System::ReleaseShellItem(ShellItem item) {
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(item);
    allocator->Release();
  }
}

bool Win32System::WindowOfClassExists(const std::string& className) {
  return ::FindWindowA(className.c_str(), nullptr) != nullptr;
}

bool Win32System::WindowWithTitleExists(const std::string& title) {
  return ::FindWindowA(nullptr, title.c_str()) != nullptr;
}

std::uint32_t Win32System::SystemLocale() {
  return ::GetSystemDefaultLCID();
}

bool Win32System::OsVersion(OsVersionInfo* out) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(&info)) return false;
  out->major = info.dwMajorVersion;
  out->minor = info.dwMinorVersion;
  out->build = info.dwBuildNumber;
  out->platformId = info.dwPlatformId;
  info.szCSDVersion[sizeof info.szCSDVersion - 1] = '\0';
  out->servicePack = info.szCSDVersion;
  return true;
}

std::unique_ptr<DirectXSession> Win32System::BeginDirectXProbe() {
  return MakeWin32DirectXSession();
}

void Win32System::DebugText(const std::string& text) {
  ::OutputDebugStringA(text.c_str());
}

bool Win32System::SetAttributes(const std::string& path, std::uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32System::GetAttributes(const std::string& path, std::uint32_t* attributes) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = a;
  return true;
}

std::vector<FoundFile> Win32System::FindFiles(const std::string& pattern) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAA data;
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(
        FoundFile{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileA(search, &data));
  ::FindClose(search);
  return found;
}

bool Win32System::ShortPath(const std::string& path, std::string* shortPath) {
  char buffer[MAX_PATH] = {};
  DWORD n = ::GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return false;
  *shortPath = buffer;
  return true;
}

int Win32System::ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                                    const std::string& to, std::uint32_t flags) {
  // The shell takes lists of paths, each ended by a terminator and the list by a second.
  std::string fromList = from + '\0' + '\0';
  std::string toList = to + '\0' + '\0';
  SHFILEOPSTRUCTA request = {};
  request.hwnd = static_cast<HWND>(owner);
  request.wFunc = static_cast<UINT>(op);
  request.pFrom = fromList.c_str();
  request.pTo = op == ShellOp::kDelete ? nullptr : toList.c_str();
  request.fFlags = static_cast<FILEOP_FLAGS>(flags);
  request.fAnyOperationsAborted = FALSE;
  int result = ::SHFileOperationA(&request);
  if (result == 0 && request.fAnyOperationsAborted) result = ERROR_CANCELLED;
  return result;
}

std::uint32_t Win32System::StartProgram(const std::string& commandLine, bool hidden) {
  return ::WinExec(commandLine.c_str(), hidden ? SW_HIDE : SW_SHOW);
}

}  // namespace dl
