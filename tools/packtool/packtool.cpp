// packtool: lists, prints, extracts, edits and checks pack files.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pack/lzss.h"
#include "pack/pack_file.h"
#include "pack/pack_verify.h"

#include "host_file_system.h"
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: packtool COMMAND ...\n"
    "  list [-l] PACK         names, stored size, decoded size, plain/encoded (-l: offsets)\n"
    "  cat PACK NAME          an entry's content to standard output\n"
    "  extract PACK DIR       every file entry into DIR\n"
    "  add PACK NAME FILE     store FILE as NAME, encoded (creates PACK if missing)\n"
    "  rm PACK NAME           remove NAME (a folder with all it holds)\n"
    "  mkdir PACK NAME\\       make a folder and its missing parents\n"
    "  verify PACK            check every rule of the format; exit 1 on any problem\n"
    "  encode IN OUT          encode one file as an entry (header included)\n"
    "  decode IN OUT          decode one entry\n"
    "Names inside a pack use \"\\\" between folders. Exit codes: 0 done, 1 data error,\n"
    "2 usage error.\n";

int Usage(const char* why) {
  if (why != nullptr) std::fprintf(stderr, "packtool: %s\n", why);
  std::fputs(kUsage, stderr);
  return 2;
}

int Fail(const std::string& file, const std::string& problem) {
  std::fprintf(stderr, "packtool: %s: %s\n", file.c_str(), problem.c_str());
  return 1;
}

bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const fs::path& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  return static_cast<bool>(out);
}

// A pack named on the command line, opened through its folder so that long paths work:
// the pack works in the folder that holds it, by its bare base name.
class PackOnDisk {
 public:
  explicit PackOnDisk(std::string arg) : arg_(std::move(arg)) {
    std::string path = arg_;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".pak") == 0)
      path.resize(path.size() - 4);
    fs::path p = fs::u8path(path);
    folder_ = p.has_parent_path() ? p.parent_path() : fs::path(".");
    base_ = p.filename().string();
  }
  const std::string& arg() const { return arg_; }
  const std::string& base() const { return base_; }
  bool Enter() {
    std::error_code ec;
    fs::current_path(folder_, ec);
    return !ec;
  }

 private:
  std::string arg_;
  fs::path folder_;
  std::string base_;
};

int List(const std::string& packPath, bool offsets) {
  std::string bytes;
  if (!ReadFile(packPath, &bytes)) return Fail(packPath, "cannot be read");
  std::vector<std::string> problems;
  dl::VerifyPack(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &problems,
                 [&](const dl::PackEntryInfo& e) {
                   if (offsets) std::printf("%10u  ", e.offset);
                   if (e.folder) {
                     std::printf("%10s  %10s  %-7s  %s\n", "-", "-", "folder", e.fullName.c_str());
                   } else {
                     std::printf("%10u  %10u  %-7s  %s\n", e.storedSize, e.decodedSize,
                                 e.encoded ? "encoded" : "plain", e.fullName.c_str());
                   }
                 });
  for (const std::string& p : problems)
    std::fprintf(stderr, "packtool: %s: %s\n", packPath.c_str(), p.c_str());
  return problems.empty() ? 0 : 1;
}

int Verify(const std::string& packPath) {
  std::string bytes;
  if (!ReadFile(packPath, &bytes)) return Fail(packPath, "cannot be read");
  std::vector<std::string> problems;
  std::size_t entries = 0;
  dl::VerifyPack(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &problems,
                 [&](const dl::PackEntryInfo&) { ++entries; });
  for (const std::string& p : problems) std::printf("%s: %s\n", packPath.c_str(), p.c_str());
  if (!problems.empty()) return 1;
  std::printf("%s: ok, %zu entries, %zu bytes\n", packPath.c_str(), entries, bytes.size());
  return 0;
}

int Cat(PackOnDisk& pack, const std::string& name) {
  if (!pack.Enter()) return Fail(pack.arg(), "its folder cannot be entered");
  dl::HostFileSystem system;
  dl::PackFile file(system);
  if (!file.Open(pack.base().c_str(), 1, 0)) return Fail(pack.arg(), "cannot be opened");
  if (!file.isOpen()) return Fail(pack.arg(), "no such pack");
  dl::PackRecordRef ref;
  if (!file.FindRecord(name.c_str(), &ref)) return Fail(pack.arg(), "no entry " + name);
  dl::PackSlot* slot = file.LoadEntry(name.c_str());
  if (slot == nullptr) return Fail(pack.arg(), "entry " + name + " is damaged");
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::fwrite(slot->data, 1, slot->size, stdout);
  file.ReleaseEntry(slot);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

// Entry names become paths below the folder; names that would climb out are refused.
bool SafeRelative(const std::string& name, fs::path* out) {
  fs::path p;
  std::stringstream parts(name);
  std::string part;
  while (std::getline(parts, part, '\\')) {
    if (part.empty() || part == "." || part == ".." || part.find(':') != std::string::npos ||
        part.find('/') != std::string::npos)
      return false;
    p /= part;
  }
  *out = p;
  return true;
}

int Extract(const std::string& packPath, const std::string& dir) {
  std::string bytes;
  if (!ReadFile(packPath, &bytes)) return Fail(packPath, "cannot be read");
  std::vector<std::string> problems;
  int rc = 0;
  fs::path root = fs::u8path(dir);
  std::error_code ec;
  fs::create_directories(root, ec);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  dl::VerifyPack(data, bytes.size(), &problems, [&](const dl::PackEntryInfo& e) {
    fs::path rel;
    if (!SafeRelative(e.fullName, &rel)) {
      rc = Fail(packPath, "entry " + e.fullName + " has a name that is not a safe path");
      return;
    }
    std::error_code err;
    if (e.folder) {
      fs::create_directories(root / rel, err);
      return;
    }
    fs::create_directories((root / rel).parent_path(), err);
    const std::uint8_t* entry = data + e.offset;
    if (!e.encoded) {
      if (!WriteFile(root / rel, entry, e.storedSize)) rc = Fail(e.fullName, "cannot be written");
      return;
    }
    std::vector<std::uint8_t> out;
    dl::LzssStatus s = dl::LzssDecodeEntry(entry, e.storedSize, &out);
    if (s != dl::LzssStatus::kOk) {
      rc = Fail(packPath, "entry " + e.fullName + ": " + dl::LzssStatusText(s));
      return;
    }
    if (!WriteFile(root / rel, out.data(), out.size())) rc = Fail(e.fullName, "cannot be written");
  });
  for (const std::string& p : problems) rc = Fail(packPath, p);
  return rc;
}

enum class EditKind { kAdd, kRemove, kMakeFolder };

int Edit(PackOnDisk& pack, const std::string& name, EditKind kind, const std::string& content) {
  if (!pack.Enter()) return Fail(pack.arg(), "its folder cannot be entered");
  dl::HostFileSystem system;
  dl::PackFile file(system);
  if (!file.Open(pack.base().c_str(), 1, 0)) return Fail(pack.arg(), "cannot be opened");
  dl::PackRecordRef ref;
  bool put = true;
  switch (kind) {
    case EditKind::kRemove:
      if (!file.FindRecord(name.c_str(), &ref)) return Fail(pack.arg(), "no entry " + name);
      put = file.PutEntry(name.c_str(), nullptr, 0) != 0;
      break;
    case EditKind::kAdd: {
      // A file goes into its folder, which is made first when the pack lacks it.
      std::string::size_type slash = name.rfind('\\');
      if (slash != std::string::npos && !file.FindRecord(name.substr(0, slash + 1).c_str(), &ref))
        put = file.PutEntry(name.substr(0, slash + 1).c_str(), "", 0) != 0;
      put = put && file.PutEntry(name.c_str(), content.data(),
                                 static_cast<std::uint32_t>(content.size())) != 0;
      break;
    }
    case EditKind::kMakeFolder:
      if (file.FindRecord(name.c_str(), &ref)) return 0;  // already there
      put = file.PutEntry(name.c_str(), "", 0) != 0;
      break;
  }
  if (!put) return Fail(pack.arg(), "no pack can hold the name " + name);
  if (!file.Save((pack.base() + "~").c_str(), 1))
    return Fail(pack.arg(), "could not be rewritten (left as it was)");
  return 0;
}

int Encode(const std::string& in, const std::string& out) {
  std::string bytes;
  if (!ReadFile(in, &bytes)) return Fail(in, "cannot be read");
  if (bytes.size() > 0xFFFFFFFFu) return Fail(in, "too large for one entry");
  std::vector<std::uint8_t> entry =
      dl::LzssEncodeToMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (!WriteFile(fs::u8path(out), entry.data(), entry.size()))
    return Fail(out, "cannot be written");
  return 0;
}

int Decode(const std::string& in, const std::string& out) {
  std::string bytes;
  if (!ReadFile(in, &bytes)) return Fail(in, "cannot be read");
  const auto* entry = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::vector<std::uint8_t> decoded;
  dl::LzssStatus s = dl::LzssDecodeEntry(entry, bytes.size(), &decoded);
  if (s != dl::LzssStatus::kOk) return Fail(in, dl::LzssStatusText(s));
  if (!WriteFile(fs::u8path(out), decoded.data(), decoded.size()))
    return Fail(out, "cannot be written");
  return 0;
}

int Run(std::vector<std::string> args) {
  if (args.empty()) return Usage(nullptr);
  const std::string cmd = args[0];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  auto need = [&](std::size_t n) { return args.size() == n + 1; };
  if (cmd == "list") {
    bool offsets = args.size() == 3 && args[1] == "-l";
    if (!need(1) && !offsets) return Usage("list takes [-l] PACK");
    return List(args.back(), offsets);
  }
  if (cmd == "verify") return need(1) ? Verify(args[1]) : Usage("verify takes PACK");
  if (cmd == "extract")
    return need(2) ? Extract(args[1], args[2]) : Usage("extract takes PACK DIR");
  if (cmd == "encode") return need(2) ? Encode(args[1], args[2]) : Usage("encode takes IN OUT");
  if (cmd == "decode") return need(2) ? Decode(args[1], args[2]) : Usage("decode takes IN OUT");
  if (cmd == "cat") {
    if (!need(2)) return Usage("cat takes PACK NAME");
    PackOnDisk pack(args[1]);
    return Cat(pack, args[2]);
  }
  if (cmd == "add") {
    if (!need(3)) return Usage("add takes PACK NAME FILE");
    std::string content;
    if (!ReadFile(args[3], &content)) return Fail(args[3], "cannot be read");
    if (args[2].empty() || args[2].back() == '\\')
      return Usage("add takes a file name, not a folder");
    PackOnDisk pack(args[1]);
    return Edit(pack, args[2], EditKind::kAdd, content);
  }
  if (cmd == "rm") {
    if (!need(2) || args[2].empty()) return Usage("rm takes PACK NAME");
    PackOnDisk pack(args[1]);
    return Edit(pack, args[2], EditKind::kRemove, std::string());
  }
  if (cmd == "mkdir") {
    if (!need(2) || args[2].empty() || args[2].back() != '\\')
      return Usage("mkdir takes PACK NAME\\ (the name ends in \\)");
    PackOnDisk pack(args[1]);
    return Edit(pack, args[2], EditKind::kMakeFolder, std::string());
  }
  return Usage(("unknown command " + cmd).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "packtool: %s\n", e.what());
    return 1;
  }
}
