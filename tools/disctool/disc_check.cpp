#include "disctool/disc_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#if !defined(_WIN32) && __has_include(<iconv.h>)
#include <iconv.h>
#define DL_HAVE_ICONV 1
#else
#define DL_HAVE_ICONV 0
#endif

#include "install/copy.h"
#include "install/install_record.h"
#include "install/join_path.h"
#include "install/path_guard.h"
#include "install/shortcut_names.h"
#include "script/ini_file.h"
#include "script/key_reference.h"
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

// The authors' reference of the keys, section by section.
std::vector<SchemaSection> MakeCatalogue() {
  std::vector<SchemaSection> catalogue;
  for (const dl::KeyReference& k : dl::ScriptKeyReference()) {
    if (catalogue.empty() || std::string(catalogue.back().name) != k.section)
      catalogue.push_back({k.section, {}});
    catalogue.back().keys.push_back(k.key);
  }
  return catalogue;
}

const std::vector<SchemaSection>& Catalogue() {
  static const std::vector<SchemaSection> catalogue = MakeCatalogue();
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
// a line with "=" is an entry, else a line with a "[" of its own (never the second byte of
// a double-byte character) opens a section.
struct Located {
  std::string section;
  std::string key;  // empty for the header
  int line;
  std::string value;  // an entry's text after its "="
};

std::vector<Located> Locate(const std::string& text, dl::CodePage* codePage) {
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
      if (!section.empty())
        out.push_back({section, line.substr(0, eq), number, line.substr(eq + 1)});
    } else {
      for (std::size_t i = 0; i < line.size();) {
        std::size_t n = codePage == nullptr ? 1 : codePage->CharSize(line.c_str() + i);
        if (n == 0) n = 1;
        if (n == 1 && line[i] == '[') {
          section = line.substr(i);
          out.push_back({section, "", number, ""});
          break;
        }
        i += n;
      }
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
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

// The first line (from 1) that is not valid GBK: bytes below 0x80, or a lead 0x81-0xFE and a
// trail 0x40-0xFE but not 0x7F. 0 when the whole text is valid.
int FirstNonGbkLine(const std::string& text) {
  int line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') ++line;
    if (c < 0x80) continue;
    if (c == 0x80 || c == 0xFF || i + 1 >= text.size()) return line;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return line;
  }
  return 0;
}

// Code page 936 as Windows splits it: a lead byte 0x81-0xFE and the byte after it.
class GbkCodePage : public dl::CodePage {
 public:
  std::size_t CharSize(const char* text) override {
    if (*text == '\0') return 0;
    const auto c = static_cast<unsigned char>(*text);
    return c >= 0x81 && c <= 0xFE && text[1] != '\0' ? 2 : 1;
  }
};

// A GBK text as the host names its files (UTF-8); unchanged where it cannot be converted.
std::string GbkToHost(const std::string& text) {
#if DL_HAVE_ICONV
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) return text;
  iconv_t cd = ::iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string in = text, out(text.size() * 2 + 4, '\0');
  char* inp = in.data();
  char* outp = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  const bool ok = ::iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1);
  ::iconv_close(cd);
  if (!ok) return text;
  out.resize(out.size() - outLeft);
  return out;
#else
  return text;
#endif
}

std::string Fold(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '/') c = '\\';
  }
  return text;
}

bool IsInteger(const std::string& field) {
  std::size_t i = field[0] == '-' ? 1 : 0;
  return i < field.size() && field.find_first_not_of("0123456789", i) == std::string::npos;
}

// What two scripts of one disc set must say alike, as one of them says it.
struct ScriptFacts {
  std::string file;
  std::vector<Located> where;
  std::vector<std::string> labels;
  std::vector<std::set<std::string>> copied;  // per disc: the host files it copies, folded
  std::string recordName, program, path1, path2;
};

class Checker {
 public:
  Checker(dl::FileSystem& files, const std::vector<std::string>& discs, bool wholeSet)
      : files_(files), discs_(discs), wholeSet_(wholeSet) {}

  std::vector<Finding> Run(CheckSummary* summary) {
    const std::string english = discs_[0] + "/setup.ini";
    std::string text;
    if (!files_.ReadWholeFile(english, &text)) {
      Report(english, 0, true, "there is no setup.ini on the first disc");
      return findings_;
    }
    const ScriptFacts en = CheckScript(english, text, nullptr);
    if (summary != nullptr) {
      summary->discs = discs_.size();
      summary->files = copied_.size();
      summary->bytes = bytes_;
    }
    const std::string chinese = discs_[0] + "/setup1.ini";
    if (files_.ReadWholeFile(chinese, &text)) {
      if (const int line = FirstNonGbkLine(text))
        Report(chinese, line, true, "setup1.ini is not valid GBK text from this line on");
      Compare(en, CheckScript(chinese, text, &gbk_));
    }
    AutoRun();
    return findings_;
  }

 private:
  void Report(const std::string& file, int line, bool error, const std::string& text) {
    findings_.push_back(Finding{file, line, error, text});
  }
  void Error(int line, const std::string& text) { Report(file_, line, true, text); }
  void Warning(int line, const std::string& text) { Report(file_, line, false, text); }

  // The line of a key; of its section when the key is not there; else the first line.
  int Where(const std::string& section, const std::string& key) const {
    int header = 0;
    for (const Located& l : where_) {
      if (l.section != section) continue;
      if (!key.empty() && l.key == key) return l.line;
      if (l.key.empty() && header == 0) header = l.line;
    }
    return header == 0 ? 1 : header;
  }
  bool Given(const char* section, const char* key) const {
    for (const Located& l : where_)
      if (l.section == section && l.key == key) return true;
    return false;
  }
  // What a finding about a default adds: which key is missing.
  std::string DefaultNote(const char* section, const char* key) const {
    return Given(section, key) ? std::string()
                               : std::string(" (the default: ") + section + " has no " + key + ")";
  }
  // A script's text as the host names files: GBK becomes UTF-8.
  std::string Host(const std::string& text) const {
    return codePage_ == nullptr ? text : GbkToHost(text);
  }

  ScriptFacts CheckScript(const std::string& path, const std::string& text,
                          dl::CodePage* codePage) {
    file_ = path;
    codePage_ = codePage;
    script_.LoadText(text, codePage);
    where_ = Locate(text, codePage);
    copied_.clear();
    copiedByDisc_.assign(discs_.size(), {});
    bytes_ = 0;
    longest_ = 0;
    longestLine_ = 1;
    Duplicates();
    Names();
    Discs();
    if (wholeSet_) {
      Renames();
      Program();
    }
    RecordName();
    Demo();
    Uninstaller();
    Pictures();
    ShortcutNames();
    SpaceAndPaths();
    Formats();

    ScriptFacts facts;
    facts.file = path;
    facts.where = where_;
    for (const std::string& section : dl::DiscSections(script_)) {
      const char* label = script_.GetString(section.c_str(), "label", nullptr);
      facts.labels.push_back(label == nullptr ? "" : label);
    }
    facts.copied = copiedByDisc_;
    facts.recordName = script_.GetString(dl::script::kSetup, "name", dl::script::kRecordName.def);
    const char* exe = script_.GetString(dl::script::kWorkGroup, "exefile", nullptr);
    facts.program = Fold(Host(exe == nullptr ? dl::script::kGameExeForGroup.def : exe));
    const char* p1 = script_.GetString(dl::script::kDefPath, "path1", nullptr);
    const char* p2 = script_.GetString(dl::script::kDefPath, "path2", nullptr);
    facts.path1 = p1 == nullptr ? "" : p1;
    facts.path2 = p2 == nullptr ? "" : p2;
    return facts;
  }

  void Duplicates() {
    std::map<std::string, int> sections, keys;
    for (const Located& l : where_) {
      if (l.key.empty()) {
        if (auto [it, fresh] = sections.emplace(l.section, l.line); !fresh)
          Warning(l.line, l.section + " opens again (first at line " + std::to_string(it->second) +
                              "): its keys join the first one's, and a key both give counts "
                              "as the first gives it");
        continue;
      }
      if (auto [it, fresh] = keys.emplace(l.section + "\n" + l.key, l.line); !fresh)
        Warning(l.line, l.key + " is given again in " + l.section + " (first at line " +
                            std::to_string(it->second) + "): the launcher reads the first");
    }
  }

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
  std::vector<std::string> List(const std::string& section, bool warn = true) {
    std::vector<std::string> entries;
    int n = 0;
    for (;; ++n) {
      const char* v = script_.GetString(section.c_str(), dl::FileKeyName(n).c_str(), nullptr);
      if (v == nullptr) break;
      entries.push_back(v);
    }
    if (warn)
      for (const Located& l : where_)
        if (l.section == section && Fits(l.key, "file#") &&
            (l.key.size() > 12 || std::stol(l.key.substr(4)) > n))  // "file" and 8 digits at most
          Warning(l.line, l.key + " comes after a gap at " + dl::FileKeyName(n) +
                              ": the launcher never reads it");
    return entries;
  }

  void Discs() {
    const std::vector<std::string> sections = dl::DiscSections(script_);
    if (wholeSet_ ? sections.size() != discs_.size() : sections.size() < discs_.size())
      Error(sections.empty() ? 1 : Where(sections.back(), ""),
            std::to_string(sections.size()) + " disc sections for " +
                std::to_string(discs_.size()) + " disc folders");
    std::map<std::string, std::string> labels;
    for (std::size_t d = 0; d < sections.size(); ++d) {
      const std::string& section = sections[d];
      const int header = Where(section, "");
      const char* label = script_.GetString(section.c_str(), "label", nullptr);
      if (label == nullptr) {
        Error(header, section + " has no label: the launcher cannot tell its disc");
      } else {
        const std::string l = label;
        // The launcher compares the volume label Windows reports: an ISO 9660 volume ID
        // (A-Z, 0-9 and _, at most 32) that a Joliet disc must also fit in 16 characters.
        const int line = Where(section, "label");
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
      const std::string nameKey = dl::DiscNameKey(static_cast<int>(d) + 1);
      if (script_.GetString(dl::script::kStringTab, nameKey.c_str(), nullptr) == nullptr)
        Warning(header, "disc " + std::to_string(d + 1) + " has no name for the prompts: " +
                            dl::script::kStringTab + " " + nameKey + " is missing");
      const std::vector<std::string> entries = List(section);
      if (Given(section.c_str(), "files")) {
        const std::int32_t files = script_.GetInt(section.c_str(), "files", 0);
        if (files != static_cast<std::int32_t>(entries.size()))
          Warning(Where(section, "files"),
                  "files=" + std::to_string(files) + ", but " + section + " lists " +
                      std::to_string(entries.size()) +
                      " entries (the launcher uses it only for the progress bar's range)");
      }
      const std::string disc = d < discs_.size() ? discs_[d] : std::string();
      for (std::size_t i = 0; const std::string& entry : entries) {
        const int line = Where(section, dl::FileKeyName(static_cast<int>(i++)));
        const bool wildcard = entry.find('*') != std::string::npos;
        if (!dl::IsContainedRelativePath(entry, wildcard, codePage_)) {
          Error(line, "\"" + entry + "\" is empty, absolute or leaves its folder");
          continue;
        }
        if (disc.empty()) continue;
        const std::string host = Host(entry);
        if (wildcard) {
          const std::size_t cut = host.find_last_of("\\/");
          const std::string folder = cut == std::string::npos ? "" : host.substr(0, cut);
          std::string found = disc;
          if (!folder.empty() && !FindOnDisc(files_, disc, folder, &found)) found.clear();
          int matches = 0;
          if (!found.empty())
            for (const dl::FoundFile& f : files_.FindFiles(found + "/" + host.substr(cut + 1)))
              if (!f.isDirectory) {
                ++matches;
                Copied(folder.empty() ? f.name : folder + "\\" + f.name, found + "/" + f.name, d,
                       line);
              }
          if (matches == 0)
            Error(line, "\"" + entry + "\" matches no file on disc " + std::to_string(d + 1));
        } else {
          std::string found;
          if (!FindOnDisc(files_, disc, host, &found))
            Error(line, "\"" + entry + "\" is not on disc " + std::to_string(d + 1));
          else
            Copied(host, found, d, line);
        }
      }
    }
  }

  void Copied(const std::string& entry, const std::string& host, std::size_t disc, int line) {
    copied_[Fold(entry)] = entry;
    copiedByDisc_[disc].insert(Fold(host.substr(discs_[disc].size() + 1)));
    bytes_ += SizeOf(files_, host);
    if (entry.size() > longest_) {
      longest_ = entry.size();
      longestLine_ = line;
    }
    // Every name on its way, as the disc holds it: Windows reads the Joliet tree.
    const std::string& root = discs_[disc];
    std::size_t start = root.size() + 1;
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

  void Renames() {
    for (std::size_t i = 0; const std::string& value : List("[renname]", false)) {
      const int line = Where("[renname]", dl::FileKeyName(static_cast<int>(i++)));
      const std::size_t comma = value.find(',');
      const std::string from = value.substr(0, comma);
      if (comma == std::string::npos) {
        Error(line, "\"" + value + "\" names no new name");
        continue;
      }
      const std::string to = value.substr(comma + 1, value.find(',', comma + 1) - comma - 1);
      if (!dl::IsContainedRelativePath(from, false, codePage_) ||
          !dl::IsContainedRelativePath(to, false, codePage_))
        Error(line, "\"" + value +
                        "\" leaves the install folder (\"..\", a drive or an absolute path): the "
                        "launcher skips this rename");
      else if (!copied_.count(Fold(Host(from))))
        Error(line, "renames \"" + from + "\", which no file list copies");
    }
  }

  // The record's name is its pack's file name in the Windows directory: the launcher refuses
  // a script whose name leads anywhere else.
  void RecordName() {
    const char* name = script_.GetString(dl::script::kSetup, "name", nullptr);
    if (name == nullptr) return;
    if (const std::string problem = dl::RecordNameProblem(name, codePage_); !problem.empty())
      Error(Where(dl::script::kSetup, "name"), "the record name \"" + std::string(name) +
                                                   "\" cannot be used: " + problem +
                                                   "; the launcher refuses to start with it");
  }

  void Program() {
    const char* exe = script_.GetString(dl::script::kWorkGroup, "exefile", nullptr);
    const std::string program = exe == nullptr ? dl::script::kGameExeForGroup.def : exe;
    bool renamedTo = false;
    for (const std::string& value : List("[renname]", false)) {
      const std::size_t comma = value.find(',');
      if (comma != std::string::npos &&
          Fold(Host(value.substr(comma + 1, value.find(',', comma + 1) - comma - 1))) ==
              Fold(Host(program)))
        renamedTo = true;
    }
    if (!copied_.count(Fold(Host(program))) && !renamedTo)
      Error(Where(dl::script::kWorkGroup, "exefile"),
            "the game program \"" + program + "\" is not among the copied files" +
                DefaultNote(dl::script::kWorkGroup, "exefile"));
  }

  // A program or file the launcher takes from the first disc, relative to its root.
  bool OnFirstDisc(const std::string& relative) {
    std::string found;
    return dl::IsContainedRelativePath(relative, false, codePage_) &&
           FindOnDisc(files_, discs_[0], Host(relative), &found);
  }

  void Demo() {
    using namespace dl::script;
    const char* path = script_.GetString(kDemoGroup, "path", nullptr);
    const char* exe = script_.GetString(kDemoGroup, "exefile", nullptr);
    const bool button = script_.GetInt(kDemoGroup, "demo", 0) != 0;
    if (path == nullptr || exe == nullptr) {
      if (button)
        Error(Where(kDemoGroup, "demo"),
              "the Demo button starts nothing: [DEMO_GROUP] needs path and exefile");
      return;
    }
    const std::string demo = std::string(path) + "\\" + exe;
    if (!OnFirstDisc(demo))
      Error(Where(kDemoGroup, "exefile"), "the demo \"" + demo + "\" is not on disc 1");
  }

  void Uninstaller() {
    using namespace dl::script;
    const char* value = script_.GetString(kWorkGroup, "uninstall", nullptr);
    const std::string program = value == nullptr ? kUninstallExe.def : value;
    if (!OnFirstDisc(program))
      Error(Where(kWorkGroup, "uninstall"), "the uninstall item's program \"" + program +
                                                "\" is not on disc 1" +
                                                DefaultNote(kWorkGroup, "uninstall"));
  }

  void Pictures() {
    for (const char* key : {"pic0", "pic1", "pic2"}) {
      const char* value = script_.GetString(dl::script::kSetup, key, nullptr);
      if (value == nullptr) continue;
      const int line = Where(dl::script::kSetup, key);
      std::vector<std::string> fields;
      for (std::size_t start = 0;;) {
        const std::size_t comma = std::string(value).find(',', start);
        fields.push_back(std::string(value).substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      std::size_t numbers = 0;
      bool parses = !fields[0].empty();
      for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields[i].empty()) continue;  // two commas in a row count as one
        ++numbers;
        parses = parses && IsInteger(fields[i]);
      }
      if (!parses || numbers > 4) {
        Error(line, std::string(key) + " \"" + value +
                        "\" is no picture spec: name,x,y,width,height (whole numbers)");
        continue;
      }
      std::string found, bytes;
      if (!FindOnDisc(files_, discs_[0], Host(fields[0]), &found))
        Error(line, "the picture \"" + fields[0] + "\" is not on disc 1");
      else if (!files_.ReadWholeFile(found, &bytes) || bytes.compare(0, 2, "BM") != 0)
        Error(line, "the picture \"" + fields[0] + "\" is not a BMP file");
    }
  }

  // Names the shortcut naming rule changes: what the player gets is not what was written.
  void ShortcutNames() {
    using namespace dl::script;
    dl::CodePage& codePage = codePage_ != nullptr ? *codePage_ : files_;
    if (const char* group = script_.GetString(kWorkGroup, "groupname", nullptr)) {
      const std::string folder = dl::GroupFolderName(codePage, group);
      if (folder.empty())
        Error(Where(kWorkGroup, "groupname"),
              "groupname \"" + std::string(group) + "\" can name no folder: no group is made");
      else if (folder != group)
        Warning(Where(kWorkGroup, "groupname"),
                "groupname \"" + std::string(group) + "\" becomes the folder \"" + folder + "\"");
    }
    for (const char* key : {"linkname", "linkname1", "linkname2"}) {
      const char* title = script_.GetString(kWorkGroup, key, nullptr);
      if (title == nullptr) continue;
      const std::string link = dl::ShortcutFileName(codePage, title);
      if (link.empty())
        Error(Where(kWorkGroup, key), std::string(key) + " \"" + title +
                                          "\" can name no shortcut file: the item is not found");
      else if (link != std::string(title) + ".lnk")
        Warning(Where(kWorkGroup, key),
                std::string(key) + " \"" + title + "\" makes the shortcut file \"" + link + "\"");
    }
  }

  void SpaceAndPaths() {
    using namespace dl::script;
    const std::int32_t size = script_.GetInt(kSetup, "inst_size", kInstSize.def);
    if (wholeSet_ && size >= 0 && static_cast<std::uint64_t>(size) < bytes_)
      Error(Where(kSetup, "inst_size"), "inst_size " + std::to_string(size) + " is less than the " +
                                            std::to_string(bytes_) + " bytes the file lists copy" +
                                            DefaultNote(kSetup, "inst_size"));
    const char* path2 = script_.GetString(kDefPath, "path2", nullptr);
    const std::string first = path2 == nullptr ? kPath2AtOpen.def : path2;
    if (first.size() > 8)
      Warning(Where(kDefPath, "path2"),
              "path2 \"" + first + "\" is cut to its first 8 characters in the install folder" +
                  DefaultNote(kDefPath, "path2"));
    dl::CodePage& codePage = codePage_ != nullptr ? *codePage_ : files_;
    const std::string folder = dl::InstallFolder(codePage, script_, "C:\\", first);
    if (folder.size() + 1 + longest_ > 259)
      Error(longestLine_, "in the install folder " + folder + " (from [DEFPATH]" +
                              (Given(kDefPath, "path1") && path2 != nullptr ? "" : ", defaults") +
                              ") this file's path has " +
                              std::to_string(folder.size() + 1 + longest_) +
                              " characters, over 259");
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
        Error(Where(f.section, f.key),
              std::string(f.key) + " has conversions \"" + conversions +
                  "\" the launcher does not fill (it gives " +
                  (f.fills == "ds" ? "a number and a text"
                                   : std::to_string(f.fills.size()) + " texts") +
                  ")");
    }
  }

  // Where setup1.ini, read on Chinese systems, disagrees with setup.ini on what must be the
  // same for both: the discs, what they copy, the record and the game program.
  void Compare(const ScriptFacts& en, const ScriptFacts& zh) {
    file_ = zh.file;
    where_ = zh.where;
    auto headers = [](const std::vector<Located>& where) {
      std::map<std::string, int> out;
      for (const Located& l : where)
        if (l.key.empty()) out.emplace(l.section, l.line);
      return out;
    };
    const auto a = headers(en.where), b = headers(zh.where);
    for (const auto& [section, line] : a)
      if (!b.count(section))
        Report(en.file, line, false,
               "setup1.ini has no " + section + ": a Chinese system reads its defaults");
    for (const auto& [section, line] : b)
      if (!a.count(section)) Report(zh.file, line, false, "setup.ini has no " + section);
    if (en.labels.size() != zh.labels.size())
      Error(1, "setup1.ini has " + std::to_string(zh.labels.size()) + " disc sections, setup.ini " +
                   std::to_string(en.labels.size()));
    for (std::size_t d = 0; d < std::min(en.labels.size(), zh.labels.size()); ++d) {
      const std::string section = dl::DiscSectionName(static_cast<int>(d));
      if (en.labels[d] != zh.labels[d])
        Error(Where(section, "label"), "setup1.ini names disc " + std::to_string(d + 1) + " \"" +
                                           zh.labels[d] + "\", setup.ini \"" + en.labels[d] +
                                           "\": one of them asks for a disc that does not exist");
      if (d < en.copied.size() && d < zh.copied.size() && en.copied[d] != zh.copied[d]) {
        std::string only;
        for (const std::string& f : zh.copied[d])
          if (!en.copied[d].count(f)) only += (only.empty() ? "" : ", ") + f + " (setup1.ini)";
        for (const std::string& f : en.copied[d])
          if (!zh.copied[d].count(f)) only += (only.empty() ? "" : ", ") + f + " (setup.ini)";
        Error(Where(section, ""),
              "disc " + std::to_string(d + 1) + " copies other files in the two scripts: " + only);
      }
    }
    if (Fold(en.recordName) != Fold(zh.recordName))
      Error(Where(dl::script::kSetup, "name"),
            "the record is \"" + zh.recordName + "\" here, \"" + en.recordName +
                "\" in setup.ini: one system would not see the other's install");
    if (en.program != zh.program)
      Error(Where(dl::script::kWorkGroup, "exefile"),
            "the game program differs from setup.ini's: Play and the uninstall look for "
            "another file");
    if (en.path2 != zh.path2 || en.path1 != zh.path1)
      Warning(Where(dl::script::kDefPath, en.path2 != zh.path2 ? "path2" : "path1"),
              "the install folder is proposed otherwise than in setup.ini (path2/path1)");
  }

  // AutoPlay: an autorun.inf in disc 1's root offers the launcher when the disc goes in.
  void AutoRun() {
    std::string found, text;
    if (!FindOnDisc(files_, discs_[0], "autorun.inf", &found)) {
      Report(discs_[0], 0, false,
             "disc 1 has no autorun.inf: inserting it offers nothing ([autorun] open=setup.exe, "
             "icon=setup.exe; disctool image --autorun writes one)");
      return;
    }
    files_.ReadWholeFile(found, &text);
    file_ = found;
    where_ = Locate(text, nullptr);
    bool opens = false;
    for (const Located& l : where_) {
      std::string section = Fold(l.section), key = Fold(l.key);
      if (l.key.empty() || section != "[AUTORUN]") continue;
      const std::string& value = l.value;
      if (key == "OPEN" || key == "ICON") {
        std::string program = value;
        if (!program.empty() && program[0] == '"')
          program = program.substr(1, program.find('"', 1) - 1);
        else if (key == "OPEN")
          program = program.substr(0, program.find(' '));
        else
          program = program.substr(0, program.find(','));
        if (key == "OPEN") opens = true;
        if (!OnFirstDisc(program))
          Error(l.line, l.key + "=" + value + ": \"" + program + "\" is not on disc 1");
        else if (key == "OPEN" && Fold(dl::FileNameOf(files_, program)) != "SETUP.EXE")
          Error(l.line, "open=" + value + " starts another program than the launcher setup.exe");
      } else if (key == "SHELLEXECUTE" || (key.compare(0, 6, "SHELL\\") == 0)) {
        Error(l.line, l.key + "=" + value + " starts another program than the launcher");
      }
    }
    if (!opens) Error(Where("[autorun]", ""), "autorun.inf opens nothing: give open=setup.exe");
  }

  dl::FileSystem& files_;
  const std::vector<std::string>& discs_;
  const bool wholeSet_;
  GbkCodePage gbk_;
  dl::CodePage* codePage_ = nullptr;  // null: the host's; the GBK one for setup1.ini
  std::set<std::string> longNames_;   // host paths already named as too long for Joliet
  std::vector<Finding> findings_;
  std::string file_;
  IniFile script_;
  std::vector<Located> where_;
  std::map<std::string, std::string> copied_;  // folded entry -> entry
  std::vector<std::set<std::string>> copiedByDisc_;
  std::uint64_t bytes_ = 0;
  std::size_t longest_ = 0;
  int longestLine_ = 1;
};

}  // namespace

std::vector<Finding> CheckDiscSet(dl::FileSystem& files, const std::vector<std::string>& discs,
                                  bool wholeSet, CheckSummary* summary) {
  if (discs.empty()) return {};
  return Checker(files, discs, wholeSet).Run(summary);
}

std::string FormatFinding(const Finding& f) {
  return f.file + (f.line > 0 ? ":" + std::to_string(f.line) : std::string()) + ": " +
         (f.error ? "error" : "warning") + ": " + f.text;
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
