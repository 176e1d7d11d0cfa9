// disctool: for the authors of a disc set.
//   disctool check DISC1 [DISC2 ...]
//       The disc folders in disc order; the first holds setup.ini. One line per finding;
//       exit 1 when there is an error, 0 otherwise, 2 on a usage error.
//   disctool image DISC OUT.iso [--label L] [--set DISC1 DISC2 ...] [--force]
//       Writes an ISO 9660 image with Joliet names of the folder DISC, whose volume ID is
//       the label of DISC's section: DISC's place in the set, or --label. Without --set,
//       a DISC that holds setup.ini is disc 1 of its set (its own section, files and label
//       are checked); a DISC without one needs --set or --label. Refused when check finds
//       an error, unless --force. Made with xorriso (Linux only).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "disctool/disc_check.h"
#include "script/ini_file.h"
#include "script/schema.h"

#include "host_file_system.h"
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using dl::HostFileSystem;

namespace {

int Usage() {
  std::fprintf(
      stderr,
      "usage: disctool check DISC1 [DISC2 ...]\n"
      "       disctool image DISC OUT.iso [--label L] [--set DISC1 DISC2 ...] [--force]\n");
  return 2;
}

std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

// Prints the findings; the number of errors.
int Report(HostFileSystem& files, const std::vector<std::string>& discs, bool wholeSet = true) {
  int errors = 0;
  for (const disctool::Finding& f : disctool::CheckDiscSet(files, discs, wholeSet)) {
    std::printf("%s\n", disctool::FormatFinding(f).c_str());
    errors += f.error ? 1 : 0;
  }
  return errors;
}

int Image(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string disc = Trimmed(argv[2]), out = argv[3];
  std::string label;
  std::vector<std::string> set;
  bool force = false;
  for (int i = 4; i < argc; ++i) {
    if (std::strcmp(argv[i], "--label") == 0 && i + 1 < argc) {
      label = argv[++i];
    } else if (std::strcmp(argv[i], "--force") == 0) {
      force = true;
    } else if (std::strcmp(argv[i], "--set") == 0) {
      while (i + 1 < argc && argv[i + 1][0] != '-') set.push_back(Trimmed(argv[++i]));
    } else {
      return Usage();
    }
  }
  HostFileSystem files;
  // Without --set: a disc that holds the script is disc 1 of its set, checked alone; one
  // without it can be checked only with its set.
  const bool alone = set.empty();
  std::string text;
  const bool hasScript = files.ReadWholeFile(disc + "/setup.ini", &text);
  if (alone && !hasScript && label.empty()) {
    std::fprintf(stderr,
                 "disctool: %s holds no setup.ini: give --set DISC1 DISC2 ... (or --label L)\n",
                 disc.c_str());
    return 2;
  }
  if (alone) set.push_back(disc);
  std::size_t place = set.size();
  for (std::size_t i = 0; i < set.size(); ++i)
    if (set[i] == disc) place = i;
  if (label.empty()) {
    dl::IniFile script;
    script.LoadFile(files, (set[0] + "/setup.ini").c_str());
    const char* l = place < set.size()
                        ? script.GetString(dl::DiscSectionName(static_cast<int>(place)).c_str(),
                                           "label", nullptr)
                        : nullptr;
    if (l == nullptr) {
      std::fprintf(stderr, "disctool: no label for %s: give --label, or --set with the disc set\n",
                   disc.c_str());
      return 2;
    }
    label = l;
  }
  if (alone && !hasScript) {
    std::fprintf(stderr, "disctool: %s is not checked: without its set there is no script\n",
                 disc.c_str());
  } else if (Report(files, set, !alone) > 0 && !force) {
    std::fprintf(stderr,
                 "disctool: the disc set has errors: no image written (--force writes it)\n");
    return 1;
  }
#ifdef _WIN32
  std::fprintf(stderr, "disctool: images are made on Linux, with xorriso\n");
  return 2;
#else
  std::remove(out.c_str());  // a new image, not a session added to an old one
  const std::vector<std::string> args = {"xorriso", "-outdev", "stdio:" + out, "-volid", label,
                                         "-joliet", "on",      "-map",         disc,     "/"};
  std::vector<char*> argvOut;
  for (const std::string& a : args) argvOut.push_back(const_cast<char*>(a.c_str()));
  argvOut.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execvp("xorriso", argvOut.data());
    std::_Exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "disctool: xorriso could not write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: volume %s, the files of %s\n", out.c_str(), label.c_str(), disc.c_str());
  return 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "image") == 0) return Image(argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "check") != 0) return Usage();
  HostFileSystem files;
  std::vector<std::string> discs;
  for (int i = 2; i < argc; ++i) discs.push_back(Trimmed(argv[i]));
  return Report(files, discs) > 0 ? 1 : 0;
}
