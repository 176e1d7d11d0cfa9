// disctool: for the authors of a disc set.
//   disctool keys
//       Prints the reference of every script key (Markdown), made from the schema.
//   disctool check DISC1 [DISC2 ...]
//       The disc folders in disc order; the first holds setup.ini (and setup1.ini). One line
//       per finding, then a summary line; exit 1 when there is an error, 0 otherwise, 2 on a
//       usage error.
//   disctool images OUTDIR DISC1 [DISC2 ...] [--autorun] [--force]
//       Checks the set once and writes the image of each disc into OUTDIR, named after its
//       label (LABEL.iso).
//   disctool image DISC OUT.iso [--label L] [--set DISC1 DISC2 ...] [--autorun] [--force]
//       Writes an ISO 9660 image with Joliet names of the folder DISC, whose volume ID is
//       the label of DISC's section: DISC's place in the set, or --label. Without --set,
//       a DISC that holds setup.ini is disc 1 of its set (its own section, files and label
//       are checked); a DISC without one needs --set or --label. Refused when check finds
//       an error, unless --force. With --autorun, a first disc without an autorun.inf gets
//       one in its image (open=setup.exe, icon=setup.exe). Made with xorriso (Linux only).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "disctool/disc_check.h"
#include "script/ini_file.h"
#include "script/key_reference.h"
#include "script/schema.h"

#include "host_file_system.h"
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using dl::HostFileSystem;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: disctool keys\n"
               "       disctool check DISC1 [DISC2 ...]\n"
               "       disctool images OUTDIR DISC1 [DISC2 ...] [--autorun] [--force]\n"
               "       disctool image DISC OUT.iso [--label L] [--set DISC1 DISC2 ...] [--autorun] "
               "[--force]\n");
  return 2;
}

std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

// Prints the findings and a summary line; the number of errors.
int Report(HostFileSystem& files, const std::vector<std::string>& discs, bool wholeSet = true) {
  int errors = 0, warnings = 0;
  disctool::CheckSummary summary;
  for (const disctool::Finding& f : disctool::CheckDiscSet(files, discs, wholeSet, &summary)) {
    std::printf("%s\n", disctool::FormatFinding(f).c_str());
    (f.error ? errors : warnings) += 1;
  }
  auto plural = [](std::size_t n, const char* one) {
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
  };
  std::printf("%s, %s, %s: %s, %s\n", plural(summary.discs, "disc").c_str(),
              plural(summary.files, "file").c_str(), plural(summary.bytes, "byte").c_str(),
              plural(static_cast<std::size_t>(errors), "error").c_str(),
              plural(static_cast<std::size_t>(warnings), "warning").c_str());
  return errors;
}

// The label of disc number place (from 0) of the set whose first disc is first; empty when
// its section has none.
std::string LabelOf(HostFileSystem& files, const std::string& first, std::size_t place) {
  dl::IniFile script;
  script.LoadFile(files, (first + "/setup.ini").c_str());
  const char* l =
      script.GetString(dl::DiscSectionName(static_cast<int>(place)).c_str(), "label", nullptr);
  return l == nullptr ? std::string() : l;
}

// Writes the image of folder disc with this volume label; with autorun, an autorun.inf that
// offers the launcher is added to its root unless it has one. False when xorriso failed.
bool WriteImage(const std::string& disc, const std::string& out, const std::string& label,
                bool autorun) {
#ifdef _WIN32
  (void)disc, (void)out, (void)label, (void)autorun;
  std::fprintf(stderr, "disctool: images are made on Linux, with xorriso\n");
  return false;
#else
  std::remove(out.c_str());  // a new image, not a session added to an old one
  std::vector<std::string> args = {"xorriso", "-outdev", "stdio:" + out, "-volid", label,
                                   "-joliet", "on",      "-map",         disc,     "/"};
  std::string inf;
  HostFileSystem files;
  std::string existing;
  if (autorun && !files.ReadWholeFile(disc + "/autorun.inf", &existing) &&
      !files.ReadWholeFile(disc + "/AUTORUN.INF", &existing)) {
    inf = out + ".autorun.inf";
    std::FILE* f = std::fopen(inf.c_str(), "wb");
    if (f == nullptr) return false;
    std::fputs("[autorun]\r\nopen=setup.exe\r\nicon=setup.exe\r\n", f);
    std::fclose(f);
    args.insert(args.end(), {"-map", inf, "/autorun.inf"});
  }
  std::vector<char*> argvOut;
  for (const std::string& a : args) argvOut.push_back(const_cast<char*>(a.c_str()));
  argvOut.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execvp("xorriso", argvOut.data());
    std::_Exit(127);
  }
  int status = 0;
  const bool ok = child >= 0 && ::waitpid(child, &status, 0) >= 0 && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
  if (!inf.empty()) std::remove(inf.c_str());
  if (!ok) {
    std::fprintf(stderr, "disctool: xorriso could not write %s\n", out.c_str());
    return false;
  }
  std::printf("%s: volume %s, the files of %s%s\n", out.c_str(), label.c_str(), disc.c_str(),
              inf.empty() ? "" : " and an autorun.inf");
  return true;
#endif
}

int Images(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string outDir = Trimmed(argv[2]);
  std::vector<std::string> set;
  bool force = false, autorun = false;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--force") == 0)
      force = true;
    else if (std::strcmp(argv[i], "--autorun") == 0)
      autorun = true;
    else if (argv[i][0] == '-')
      return Usage();
    else
      set.push_back(Trimmed(argv[i]));
  }
  if (set.empty()) return Usage();
  HostFileSystem files;
  if (Report(files, set) > 0 && !force) {
    std::fprintf(stderr,
                 "disctool: the disc set has errors: no image written (--force writes them)\n");
    return 1;
  }
  for (std::size_t d = 0; d < set.size(); ++d) {
    const std::string label = LabelOf(files, set[0], d);
    if (label.empty()) {
      std::fprintf(stderr, "disctool: disc %zu has no label: no image written\n", d + 1);
      return 1;
    }
    if (!WriteImage(set[d], outDir + "/" + label + ".iso", label, autorun && d == 0)) return 1;
  }
  return 0;
}

int Image(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string disc = Trimmed(argv[2]), out = argv[3];
  std::string label;
  std::vector<std::string> set;
  bool force = false, autorun = false;
  for (int i = 4; i < argc; ++i) {
    if (std::strcmp(argv[i], "--autorun") == 0) {
      autorun = true;
    } else if (std::strcmp(argv[i], "--label") == 0 && i + 1 < argc) {
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
    label = place < set.size() ? LabelOf(files, set[0], place) : std::string();
    if (label.empty()) {
      std::fprintf(stderr, "disctool: no label for %s: give --label, or --set with the disc set\n",
                   disc.c_str());
      return 2;
    }
  }
  if (alone && !hasScript) {
    std::fprintf(stderr, "disctool: %s is not checked: without its set there is no script\n",
                 disc.c_str());
  } else if (Report(files, set, !alone) > 0 && !force) {
    std::fprintf(stderr,
                 "disctool: the disc set has errors: no image written (--force writes it)\n");
    return 1;
  }
  return WriteImage(disc, out, label, autorun && place == 0) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "keys") == 0) {
    std::fputs(dl::KeyReferenceMarkdown().c_str(), stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "image") == 0) return Image(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "images") == 0) return Images(argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "check") != 0) return Usage();
  HostFileSystem files;
  std::vector<std::string> discs;
  for (int i = 2; i < argc; ++i) discs.push_back(Trimmed(argv[i]));
  return Report(files, discs) > 0 ? 1 : 0;
}
