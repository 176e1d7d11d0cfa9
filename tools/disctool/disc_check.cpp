#include "disctool/disc_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "install/copy.h"
#include "install/path_guard.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace disctool {
namespace {

using dl::IniFile;

// The sections of the script and their keys, as the launcher reads them. "#" stands for
// a number: "[disc##]" two digits, "file#" and "string#" any.
struct SchemaSection {
  const char* name;
  std::vector<const char*> keys;
};

const std::vector<SchemaSection>& Catalogue() {
  static const std::vector<SchemaSection> catalogue = {
      {"[setup]", {"name", "inst_size", "pic0", "pic1", "pic2"}},
      {"[STRING_TAB]", {"string#"}},
      {"[DEFPATH]", {"path1", "path2"}},
      {"[disc##]", {"label", "files", "file#"}},
      {"[execmode]", {"try", "up", "demo"}},
      {"[DEMO_GROUP]", {"demo", "name", "path", "exefile", "mode"}},
      {"[WORK_GROUP]",
       {"exefile", "uninstall", "groupname", "linkname", "linkname1", "linkname2", "demofile",
        "demoMode", "setup_ini"}},
      {"[start]", {"path"}},
      {"[desktop]", {"path"}},
      {"[renname]", {"file#"}},
      {"[instind_path]", {"path"}},
      {"[instdx_path]", {"path2000", "path98"}},
  };
  return catalogue;
}

// Whether name fits a catalogue pattern, where "#" is a digit ("##" exactly two, a final
// "#" one or more).
bool Fits(const std::string& name, const std::string& pattern) {
  const std::size_t hash = pattern.find('#');
  if (hash == std::string::npos) return name == pattern;
  const std::size_t hashes = pattern.find_first_not_of('#', hash) == std::string::npos
                                 ? pattern.size() - hash
                                 : pattern.find_first_not_of('#', hash) - hash;
  const std::string head = pattern.substr(0, hash), tail = pattern.substr(hash + hashes);
  if (name.size() < head.size() + tail.size() + 1 || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
  if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
  return hashes == 1 || digits.size() == hashes;
}

const SchemaSection* FindSchema(const std::string& section) {
  for (const SchemaSection& s : Catalogue())
    if (Fits(section, s.name)) return &s;
  return nullptr;
}

// Where each section header and key stands in the text, read with the store's own rules:
// a line with "=" is an entry, else a line with "[" opens a section.
struct Located {
  std::string section;
  std::string key;  // empty for the header
  int line;
};

std::vector<Located> Locate(const std::string& text) {
  std::vector<Located> out;
  std::string section;
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number;
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) {
      if (!section.empty()) out.push_back({section, line.substr(0, eq), number});
    } else if (const std::size_t bracket = line.find('['); bracket != std::string::npos) {
      section = line.substr(bracket);
      out.push_back({section, "", number});
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

int LineOf(const std::vector<Located>& where, const std::string& section, const std::string& key) {
  for (const Located& l : where)
    if (l.section == section && l.key == key) return l.line;
  return 0;
}

// A file of a disc, found as Windows finds it: each name without regard to case.
bool FindOnDisc(dl::FileSystem& files, const std::string& disc, const std::string& relative,
                std::string* found) {
  std::string path = disc;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = relative.find_first_of("\\/", start);
    const std::string name = relative.substr(start, end == std::string::npos ? end : end - start);
    bool matched = false;
    for (const dl::FoundFile& f : files.FindFiles(path + "/" + name)) {
      if (f.name == "." || f.name == "..") continue;
      path += "/" + f.name;
      matched = true;
      break;
    }
    if (!matched) return false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  *found = path;
  return true;
}

std::uint64_t SizeOf(dl::FileSystem& files, const std::string& path) {
  std::unique_ptr<dl::MappedFile> mapped;
  return files.MapReadOnly(path, &mapped) == dl::MapStatus::kMapped ? mapped->size() : 0;
}

// The conversions of a format: "%d", "%s"... ("%%" is no conversion).
std::string Conversions(const std::string& format) {
  std::string out;
  for (std::size_t i = 0; i + 1 < format.size(); ++i) {
    if (format[i] != '%') continue;
    std::size_t j = i + 1;
    while (j < format.size() && std::string("-0123456789.hl").find(format[j]) != std::string::npos)
      ++j;
    if (j < format.size() && format[j] != '%') out += format[j];
    i = j;
  }
  return out;
}

// Valid GBK: bytes below 0x80, or a lead 0x81-0xFE and a trail 0x40-0xFE but not 0x7F.
bool IsGbk(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) continue;
    if (c == 0x80 || c == 0xFF || i + 1 >= text.size()) return false;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

class Checker {
 public:
  Checker(dl::FileSystem& files, const std::vector<std::string>& discs, bool wholeSet)
      : files_(files), discs_(discs), wholeSet_(wholeSet) {}

  std::vector<Finding> Run() {
    const std::string scriptPath = discs_[0] + "/setup.ini";
    std::string text;
    if (!files_.ReadWholeFile(scriptPath, &text)) {
      Report(scriptPath, 0, true, "there is no setup.ini on the first disc");
      return findings_;
    }
    file_ = scriptPath;
    script_.LoadText(text);
    where_ = Locate(text);
    Names();
    Discs();
    if (wholeSet_) {
      Renames();
      Program();
    }
    SpaceAndPaths();
    Formats();
    Chinese(text);
    return findings_;
  }

 private:
  void Report(const std::string& file, int line, bool error, const std::string& text) {
    findings_.push_back(Finding{file, line, error, text});
  }
  void Error(int line, const std::string& text) { Report(file_, line, true, text); }
  void Warning(int line, const std::string& text) { Report(file_, line, false, text); }

  void Names() {
    std::vector<std::string> sections = {"[disc00]"};  // what "[disc##]" stands for
    for (const SchemaSection& s : Catalogue())
      if (std::string(s.name).find('#') == std::string::npos) sections.push_back(s.name);
    for (const Located& l : where_) {
      const SchemaSection* schema = FindSchema(l.section);
      if (l.key.empty()) {
        if (schema == nullptr) {
          const std::string near = NearestName(l.section, sections);
          Error(l.line, "unknown section " + l.section +
                            (near.empty() ? "" : "; did you mean " + near + "?"));
        }
        continue;
      }
      if (schema == nullptr) continue;  // named at its header
      bool known = false;
      std::vector<std::string> keys;
      for (const char* k : schema->keys) {
        known = known || Fits(l.key, k);
        std::string shown = k;
        if (!shown.empty() && shown.back() == '#') shown.replace(shown.size() - 1, 1, "0");
        keys.push_back(shown);
      }
      if (!known) {
        const std::string near = NearestName(l.key, keys);
        Error(l.line, "unknown key " + l.key + " in " + l.section +
                          (near.empty() ? "" : "; did you mean " + near + "?"));
      }
    }
  }

  // Every "fileN" of a section, from 0 to the first gap, and those the gap hides.
  std::vector<std::string> List(const std::string& section) {
    std::vector<std::string> entries;
    int n = 0;
    for (;; ++n) {
      const char* v = script_.GetString(section.c_str(), dl::FileKeyName(n).c_str(), nullptr);
      if (v == nullptr) break;
      entries.push_back(v);
    }
    for (const Located& l : where_)
      if (l.section == section && Fits(l.key, "file#") && std::stoi(l.key.substr(4)) > n)
        Warning(l.line, l.key + " comes after a gap at " + dl::FileKeyName(n) +
                            ": the launcher never reads it");
    return entries;
  }

  void Discs() {
    const std::vector<std::string> sections = dl::DiscSections(script_);
    if (wholeSet_ ? sections.size() != discs_.size() : sections.size() < discs_.size())
      Error(LineOf(where_, sections.empty() ? "" : sections.back(), ""),
            std::to_string(sections.size()) + " disc sections for " +
                std::to_string(discs_.size()) + " disc folders");
    std::map<std::string, std::string> labels;
    for (std::size_t d = 0; d < sections.size(); ++d) {
      const std::string& section = sections[d];
      const int header = LineOf(where_, section, "");
      const char* label = script_.GetString(section.c_str(), "label", nullptr);
      if (label == nullptr) {
        Error(header, section + " has no label: the launcher cannot tell its disc");
      } else {
        const std::string l = label;
        // The launcher compares the volume label Windows reports: an ISO 9660 volume ID
        // (A-Z, 0-9 and _, at most 32) that a Joliet disc must also fit in 16 characters.
        const int line = LineOf(where_, section, "label");
        if (l.empty() || l.size() > 32 ||
            l.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string::npos)
          Error(line,
                "label \"" + l + "\" cannot be a CD's volume label (A-Z, 0-9 and _, 32 at most)");
        else if (l.size() > 16)
          Warning(line, "label \"" + l + "\" is longer than a Joliet volume label (16)");
        if (labels.count(l))
          Error(line, "label \"" + l + "\" is the label of " + labels[l] + " too");
        labels[l] = section;
      }
      const std::string disc = d < discs_.size() ? discs_[d] : std::string();
      for (std::size_t i = 0; const std::string& entry : List(section)) {
        const int line = LineOf(where_, section, dl::FileKeyName(static_cast<int>(i++)));
        const bool wildcard = entry.find('*') != std::string::npos;
        if (!dl::IsContainedRelativePath(entry, wildcard)) {
          Error(line, "\"" + entry + "\" is empty, absolute or leaves its folder");
          continue;
        }
        if (disc.empty()) continue;
        if (wildcard) {
          const std::size_t cut = entry.find_last_of("\\/");
          const std::string folder = cut == std::string::npos ? "" : entry.substr(0, cut);
          std::string host = disc;
          if (!folder.empty() && !FindOnDisc(files_, disc, folder, &host)) host.clear();
          int matches = 0;
          if (!host.empty())
            for (const dl::FoundFile& f : files_.FindFiles(host + "/" + entry.substr(cut + 1)))
              if (!f.isDirectory) {
                ++matches;
                Copied(folder.empty() ? f.name : folder + "\\" + f.name, host + "/" + f.name, disc,
                       line);
              }
          if (matches == 0)
            Error(line, "\"" + entry + "\" matches no file on disc " + std::to_string(d + 1));
        } else {
          std::string host;
          if (!FindOnDisc(files_, disc, entry, &host))
            Error(line, "\"" + entry + "\" is not on disc " + std::to_string(d + 1));
          else
            Copied(entry, host, disc, line);
        }
      }
    }
  }

  void Copied(const std::string& entry, const std::string& host, const std::string& disc,
              int line) {
    copied_[Fold(entry)] = entry;
    bytes_ += SizeOf(files_, host);
    longest_ = std::max(longest_, entry.size());
    // Every name on its way, as the disc holds it: Windows reads the Joliet tree.
    std::size_t start = disc.size() + 1;
    while (start < host.size()) {
      std::size_t end = host.find('/', start);
      if (end == std::string::npos) end = host.size();
      const std::string name = host.substr(start, end - start);
      const std::size_t chars = Utf16Length(name);
      if (chars > kJolietNameChars && longNames_.insert(host.substr(0, end)).second)
        Error(line, "\"" + name + "\" has " + std::to_string(chars) +
                        " characters: a CD's Joliet names hold " +
                        std::to_string(kJolietNameChars) + ", so Windows would not find it whole");
      start = end + 1;
    }
  }

  // The UTF-16 length of a host name in UTF-8 (a byte that is no UTF-8 counts as one).
  static std::size_t Utf16Length(const std::string& name) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
      const auto c = static_cast<unsigned char>(name[i]);
      if ((c & 0xC0) == 0x80) continue;  // a continuation byte
      units += c >= 0xF0 ? 2 : 1;        // beyond the first plane: a surrogate pair
    }
    return units;
  }

  static std::string Fold(std::string text) {
    for (char& c : text) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c == '/') c = '\\';
    }
    return text;
  }

  void Renames() {
    for (std::size_t i = 0; const std::string& value : List("[renname]")) {
      const int line = LineOf(where_, "[renname]", dl::FileKeyName(static_cast<int>(i++)));
      const std::size_t comma = value.find(',');
      const std::string from = value.substr(0, comma);
      if (comma == std::string::npos) {
        Error(line, "\"" + value + "\" names no new name");
      } else if (!copied_.count(Fold(from))) {
        Error(line, "renames \"" + from + "\", which no file list copies");
      }
    }
  }

  void Program() {
    const char* exe = script_.GetString(dl::script::kWorkGroup, "exefile", nullptr);
    const std::string program = exe == nullptr ? dl::script::kGameExeForGroup.def : exe;
    bool renamedTo = false;
    for (const std::string& value : List("[renname]")) {
      const std::size_t comma = value.find(',');
      if (comma != std::string::npos && Fold(value.substr(comma + 1)) == Fold(program))
        renamedTo = true;
    }
    if (!copied_.count(Fold(program)) && !renamedTo)
      Error(LineOf(where_, dl::script::kWorkGroup, "exefile"),
            "the game program \"" + program + "\" is not among the copied files");
  }

  void SpaceAndPaths() {
    const std::int32_t size = script_.GetInt("[setup]", "inst_size", dl::script::kInstSize.def);
    if (wholeSet_ && size >= 0 && static_cast<std::uint64_t>(size) < bytes_)
      Error(LineOf(where_, "[setup]", "inst_size"),
            "inst_size " + std::to_string(size) + " is less than the " + std::to_string(bytes_) +
                " bytes the file lists copy");
    const char* path2 = script_.GetString(dl::script::kDefPath, "path2", nullptr);
    const std::string first = path2 == nullptr ? dl::script::kPath2AtOpen.def : path2;
    if (first.size() > 8)
      Warning(LineOf(where_, dl::script::kDefPath, "path2"),
              "path2 \"" + first + "\" is cut to its first 8 characters in the install folder");
    const std::string folder = dl::InstallFolder(files_, script_, "C:\\", first);
    if (folder.size() + 1 + longest_ > 259)
      Error(0, "the install folder " + folder + " and the longest copied path make " +
                   std::to_string(folder.size() + 1 + longest_) + " characters, over 259");
  }

  void Formats() {
    struct Format {
      const char* section;
      const char* key;
      std::string fills;  // what the launcher fills, in order
    };
    for (const Format& f :
         {Format{"[STRING_TAB]", "string9", "ds"}, Format{"[WORK_GROUP]", "setup_ini", "sssssssss"},
          Format{"[start]", "path", "sss"}, Format{"[desktop]", "path", "ss"}}) {
      const char* value = script_.GetString(f.section, f.key, nullptr);
      if (value == nullptr) continue;
      const std::string conversions = Conversions(value);
      bool fits = conversions.size() <= f.fills.size();
      for (std::size_t i = 0; fits && i < conversions.size(); ++i) {
        const char c = conversions[i];
        fits = f.fills[i] == 'd' ? std::string("dixXuc").find(c) != std::string::npos : c == 's';
      }
      if (!fits)
        Error(LineOf(where_, f.section, f.key),
              std::string(f.key) + " has conversions \"" + conversions +
                  "\" the launcher does not fill (it gives " +
                  (f.fills == "ds" ? "a number and a text"
                                   : std::to_string(f.fills.size()) + " texts") +
                  ")");
    }
  }

  void Chinese(const std::string& english) {
    const std::string path = discs_[0] + "/setup1.ini";
    std::string text;
    if (!files_.ReadWholeFile(path, &text)) return;
    if (!IsGbk(text)) Report(path, 0, true, "setup1.ini is not valid GBK text");
    std::set<std::string> a, b;
    for (const Located& l : Locate(english))
      if (l.key.empty()) a.insert(l.section);
    for (const Located& l : Locate(text))
      if (l.key.empty()) b.insert(l.section);
    for (const std::string& s : a)
      if (!b.count(s)) Report(path, 0, false, "setup1.ini has no " + s + " (setup.ini has)");
    for (const std::string& s : b)
      if (!a.count(s)) Report(path, 0, false, "setup1.ini has " + s + ", which setup.ini has not");
  }

  dl::FileSystem& files_;
  const std::vector<std::string>& discs_;
  const bool wholeSet_;
  std::set<std::string> longNames_;  // host paths already named as too long for Joliet
  std::vector<Finding> findings_;
  std::string file_;
  IniFile script_;
  std::vector<Located> where_;
  std::map<std::string, std::string> copied_;  // folded entry -> entry
  std::uint64_t bytes_ = 0;
  std::size_t longest_ = 0;
};

}  // namespace

std::vector<Finding> CheckDiscSet(dl::FileSystem& files, const std::vector<std::string>& discs,
                                  bool wholeSet) {
  if (discs.empty()) return {};
  return Checker(files, discs, wholeSet).Run();
}

std::string FormatFinding(const Finding& f) {
  return f.file + ":" + std::to_string(f.line) + ": " + (f.error ? "error" : "warning") + ": " +
         f.text;
}

std::string NearestName(const std::string& name, const std::vector<std::string>& known) {
  auto fold = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  const std::string a = fold(name);
  std::string best;
  std::size_t bestDistance = a.size() / 2 + 1;  // closer than half the name
  for (const std::string& candidate : known) {
    const std::string b = fold(candidate);
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= b.size(); ++j) {
        const std::size_t up = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
        diagonal = up;
      }
    }
    if (row[b.size()] < bestDistance) {
      bestDistance = row[b.size()];
      best = candidate;
    }
  }
  return best;
}

}  // namespace disctool
