// The yardstick of the copy benchmark: a plain loop that makes the launcher's requests and
// nothing else, one SHFileOperationA copy per file with the launcher's flags
// (FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR, the shell's progress window shown), then the
// attributes set to normal.
//   shell_copy_loop SOURCE_ROOT TARGET_FOLDER ENTRY...   (ENTRY as in a disc's file list)
// Prints the files copied and the milliseconds taken; exit 1 when a copy failed.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool Copy(const std::string& from, const std::string& to) {
  std::string fromList = from + '\0' + '\0', toList = to + '\0' + '\0';
  SHFILEOPSTRUCTA request = {};
  request.wFunc = FO_COPY;
  request.pFrom = fromList.c_str();
  request.pTo = toList.c_str();
  request.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
  if (::SHFileOperationA(&request) != 0 || request.fAnyOperationsAborted) return false;
  ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: shell_copy_loop SOURCE_ROOT TARGET_FOLDER ENTRY...\n");
    return 2;
  }
  const std::string source = argv[1], target = argv[2];
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  int files = 0;
  for (int i = 3; i < argc; ++i) {
    const std::string entry = argv[i];
    std::vector<std::string> names;
    const std::size_t star = entry.find('*');
    if (star == std::string::npos) {
      names.push_back(entry);
    } else {
      const std::string prefix = entry.substr(0, star);
      WIN32_FIND_DATAA data;
      HANDLE find = ::FindFirstFileA((source + "\\" + entry).c_str(), &data);
      if (find != INVALID_HANDLE_VALUE) {
        do {
          if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(prefix + data.cFileName);
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
      }
    }
    for (const std::string& name : names) {
      if (!Copy(source + "\\" + name, target + "\\" + name)) {
        std::fprintf(stderr, "shell_copy_loop: %s failed\n", name.c_str());
        return 1;
      }
      ++files;
    }
  }
  ::QueryPerformanceCounter(&end);
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart);
  std::printf("%d files %.0f ms\n", files, ms);
  return 0;
}
