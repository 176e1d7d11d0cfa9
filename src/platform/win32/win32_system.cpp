#include "platform/win32/win32_system.h"

#include <windows.h>

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/win32/safe_start.h"

#include <optional>
#include <vector>

namespace dl {
namespace {

// An entry point that older systems lack, looked up at run time; null when absent.
template <typename Function>
Function OptionalEntry(const char* module, const char* name) {
  HMODULE library = ::GetModuleHandleA(module);
  if (library == nullptr) library = LoadSystemLibrary(module);
  if (library == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// The path of a folder that the shell names only by a known-folder identifier (Vista and
// later). False on older systems and when the shell has no such folder.
bool KnownFolderPath(const GUID& id, std::string* path) {
  using GetKnownFolderPath = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
  static const auto get = OptionalEntry<GetKnownFolderPath>("shell32.dll", "SHGetKnownFolderPath");
  PWSTR wide = nullptr;
  if (get == nullptr || FAILED(get(id, 0, nullptr, &wide)) || wide == nullptr) return false;
  char buffer[MAX_PATH * 2] = {};
  const int n = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof buffer, nullptr, nullptr);
  ::CoTaskMemFree(wide);
  if (n <= 1) return false;
  *path = buffer;
  return true;
}

constexpr GUID kFolderDownloads = {
    0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};
constexpr GUID kFolderSavedGames = {
    0x4C5C32FF, 0xBB9D, 0x43B0, {0xB5, 0xB4, 0x2D, 0x72, 0xE5, 0x4E, 0xAA, 0xA4}};
constexpr GUID kFolderPublic = {
    0xDFDF76A2, 0xC82A, 0x4D63, {0x90, 0x6A, 0x56, 0x44, 0xAC, 0x45, 0x73, 0x85}};

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

bool Win32System::ReadInPieces(const std::string& path,
                               const std::function<void(const void*, std::size_t)>& take) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(kReadPieceBytes);
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    take(buffer.data(), got);
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
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_OK);
}

bool Win32System::AskYesNo(WindowRef owner, const std::string& text, const std::string& caption) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool Win32System::AskOkCancel(WindowRef owner, const std::string& text,
                              const std::string& caption) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_OKCANCEL) ==
         IDOK;
}

void Win32System::Pause(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

std::size_t Win32System::CharSize(const char* text) {
  if (*text == '\0') return 0;
  const char* next = ::CharNextA(text);
  return next > text ? static_cast<std::size_t>(next - text) : 1;
}

std::uint32_t Win32System::AnsiCodePage() {
  return ::GetACP();
}

std::optional<std::string> TakeShellItemPath(void* item) {
  if (item == nullptr) return std::nullopt;
  char buffer[MAX_PATH + 1] = {};
  const bool ok = ::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(item), buffer) != FALSE;
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(item);
    allocator->Release();
  }
  if (!ok) return std::nullopt;
  return std::string(buffer);
}

bool Win32System::SpecialFolderPath(SpecialFolder which, std::string* path) {
  switch (which) {
    case SpecialFolder::kDownloads:
      return KnownFolderPath(kFolderDownloads, path);
    case SpecialFolder::kSavedGames:
      return KnownFolderPath(kFolderSavedGames, path);
    case SpecialFolder::kPublic:
      return KnownFolderPath(kFolderPublic, path);
    default:
      break;
  }
  LPITEMIDLIST item = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, static_cast<int>(which), &item)) ||
      item == nullptr)
    return false;
  std::optional<std::string> found = TakeShellItemPath(item);
  if (found) *path = *found;
  return found.has_value();
}

namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace

bool Win32System::WriteRegistryValues(RegistryRoot root, const std::string& key,
                                      const std::vector<RegistryValue>& values) {
  HKEY handle = nullptr;
  if (::RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  for (const RegistryValue& v : values) {
    const DWORD number = v.number.value_or(0);
    const LONG result =
        v.number ? ::RegSetValueExA(handle, v.name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&number), sizeof number)
                 : ::RegSetValueExA(handle, v.name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(v.text.c_str()),
                                    static_cast<DWORD>(v.text.size() + 1));
    ok = ok && result == ERROR_SUCCESS;
  }
  ::RegCloseKey(handle);
  return ok;
}

bool Win32System::RegistryKeyExists(RegistryRoot root, const std::string& key) {
  HKEY handle = nullptr;
  if (::RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(handle);
  return true;
}

bool Win32System::ReadRegistryText(RegistryRoot root, const std::string& key,
                                   const std::string& name, std::string* text) {
  HKEY handle = nullptr;
  if (::RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = 0;
  bool ok =
      ::RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ);
  if (ok) {
    // One byte more than asked for: a stored text need not end in a terminator.
    std::string buffer(static_cast<std::size_t>(size) + 1, '\0');
    DWORD got = size;
    ok = ::RegQueryValueExA(handle, name.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &got) == ERROR_SUCCESS &&
         got <= size;
    if (ok) {
      buffer.resize(got);
      while (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
      *text = buffer;
    }
  }
  ::RegCloseKey(handle);
  return ok;
}

bool Win32System::RemoveRegistryKey(RegistryRoot root, const std::string& key) {
  const LONG result = ::RegDeleteKeyA(RootKey(root), key.c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
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

bool Win32System::FileSize(const std::string& path, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool Win32System::FileStamp(const std::string& path, std::uint64_t* size,
                            std::uint64_t* writeTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  *writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
               data.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool Win32System::RemoveEmptyFolder(const std::string& path) {
  // The system removes a folder only when it is empty.
  return ::RemoveDirectoryA(path.c_str()) != 0;
}

bool Win32System::RemoveAtRestart(const std::string& path) {
  return ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

std::vector<FoundFile> Win32System::FindFiles(const std::string& pattern) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAA data;
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(
        FoundFile{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                  (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                  (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
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

std::string Win32System::LocalTimeText() {
  SYSTEMTIME t = {};
  ::GetLocalTime(&t);
  char text[32] = {};
  ::wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
              t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

std::string Win32System::TempDir() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathA(sizeof buffer, buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  std::string path = buffer;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool Win32System::ResolvePath(const std::string& path, std::string* resolved) {
  char full[MAX_PATH * 2] = {};
  DWORD n = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return false;
  std::string result = full;
  char longForm[MAX_PATH * 2] = {};
  n = ::GetLongPathNameA(full, longForm, sizeof longForm);
  if (n > 0 && n < sizeof longForm) result = longForm;
  // Links and junctions lead elsewhere: the final path of the opened file or folder says
  // where. Windows XP has no such query; there the long form is as far as we get.
  using GetFinalPath = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
  static const auto finalPath =
      OptionalEntry<GetFinalPath>("kernel32.dll", "GetFinalPathNameByHandleA");
  if (finalPath != nullptr) {
    HANDLE h =
        ::CreateFileA(result.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      char buffer[MAX_PATH * 2] = {};
      n = finalPath(h, buffer, sizeof buffer, 0 /* normalised, with a drive letter */);
      ::CloseHandle(h);
      if (n > 0 && n < sizeof buffer) {
        std::string finalForm = buffer;
        if (finalForm.rfind("\\\\?\\UNC\\", 0) == 0)
          finalForm = "\\\\" + finalForm.substr(8);
        else if (finalForm.rfind("\\\\?\\", 0) == 0)
          finalForm = finalForm.substr(4);
        result = finalForm;
      }
    }
  }
  *resolved = result;
  return true;
}

std::string Win32System::FoldCase(const std::string& text) {
  std::string out = text;
  if (!out.empty()) ::CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

int Win32System::ShellFileOperation(WindowRef owner, ShellOp op, const std::string& from,
                                    const std::string& to, std::uint32_t flags) {
  // The shell expands wildcards in a delete: a path holding one never reaches it.
  if (op == ShellOp::kDelete && from.find_first_of("*?") != std::string::npos)
    return ERROR_INVALID_NAME;
  // The shell takes lists of paths, each ended by a terminator and the list by a second.
  std::string fromList = from + '\0' + '\0';
  std::string toList = to + '\0' + '\0';
  SHFILEOPSTRUCTA request = {};
  request.hwnd = reinterpret_cast<HWND>(owner);
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

namespace {

// The identifiers of the desktop shell's objects, spelled out so that no import library of
// GUIDs is needed.
const GUID kClsidShellWindows = {
    0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
const GUID kIidShellWindows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const GUID kIidServiceProvider = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
const GUID kSidTopLevelBrowser = {
    0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};
const GUID kIidShellBrowser = {
    0x000214E2, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIidDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIidShellFolderViewDual = {
    0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const GUID kIidShellDispatch2 = {
    0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0x00, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};

// Whether the launcher runs with an administrator's elevated rights while the signed-in
// user's own are fewer (UAC, Vista and later). False on XP, where the query is unknown.
bool RunsElevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  const bool known = ::GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
  ::CloseHandle(token);
  return known && type == TokenElevationTypeFull;
}

BSTR WideString(const std::string& text) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 0) return nullptr;
  std::vector<wchar_t> wide(static_cast<std::size_t>(n));
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  return ::SysAllocString(wide.data());
}

// Holds one interface and releases it.
template <typename T>
struct Held {
  T* p = nullptr;
  ~Held() {
    if (p != nullptr) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
};

// The desktop shell's own ShellExecute: the desktop's folder view, reached through the
// shell windows, hands out the shell's dispatch object, whose programs run with the rights
// of the user who owns the desktop.
bool DesktopShellExecute(const std::string& program, const std::string& arguments,
                         const std::string& folder) {
  Held<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_ALL, kIidShellWindows,
                                windows.out())) ||
      windows.p == nullptr)
    return false;
  VARIANT none;
  ::VariantInit(&none);
  long window = 0;
  Held<IDispatch> desktop;
  if (windows.p->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop.p) !=
          S_OK ||
      desktop.p == nullptr)
    return false;
  Held<IServiceProvider> provider;
  Held<IShellBrowser> browser;
  Held<IShellView> view;
  Held<IDispatch> background;
  Held<IShellFolderViewDual> folderView;
  Held<IDispatch> application;
  Held<IShellDispatch2> shell;
  if (FAILED(desktop.p->QueryInterface(kIidServiceProvider, provider.out())) ||
      FAILED(provider.p->QueryService(kSidTopLevelBrowser, kIidShellBrowser, browser.out())) ||
      FAILED(browser.p->QueryActiveShellView(&view.p)) || view.p == nullptr ||
      FAILED(view.p->GetItemObject(SVGIO_BACKGROUND, kIidDispatch, background.out())) ||
      FAILED(background.p->QueryInterface(kIidShellFolderViewDual, folderView.out())) ||
      FAILED(folderView.p->get_Application(&application.p)) || application.p == nullptr ||
      FAILED(application.p->QueryInterface(kIidShellDispatch2, shell.out())))
    return false;
  BSTR file = WideString(program);
  VARIANT args, dir, operation, show;
  ::VariantInit(&args);
  ::VariantInit(&dir);
  ::VariantInit(&operation);
  ::VariantInit(&show);
  args.vt = VT_BSTR;
  args.bstrVal = WideString(arguments);
  dir.vt = VT_BSTR;
  dir.bstrVal = WideString(folder);
  operation.vt = VT_BSTR;
  operation.bstrVal = WideString("open");
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  const bool ok = file != nullptr && args.bstrVal != nullptr && dir.bstrVal != nullptr &&
                  SUCCEEDED(shell.p->ShellExecute(file, args, dir, operation, show));
  ::SysFreeString(file);
  ::VariantClear(&args);
  ::VariantClear(&dir);
  ::VariantClear(&operation);
  return ok;
}

}  // namespace

UserStart Win32System::StartProgramAsUser(const std::string& program, const std::string& arguments,
                                          const std::string& folder) {
  if (!RunsElevated()) return UserStart::kNotElevated;
  const HRESULT init = ::CoInitialize(nullptr);
  const bool ok = DesktopShellExecute(program, arguments, folder);
  if (SUCCEEDED(init)) ::CoUninitialize();
  return ok ? UserStart::kStarted : UserStart::kFailed;
}

}  // namespace dl
