#include "script/ini_file.h"

#include <cstring>

#include "platform/file_system.h"
#include "util/one_line.h"

namespace dl {

IniEntry* IniSection::FindEntry(const char* key) {
  auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : &entries_[it->second];
}

IniEntry* IniSection::AppendEntry(const char* key, const char* value) {
  entries_.push_back(IniEntry{key, value});
  keys_.emplace(entries_.back().key, entries_.size() - 1);  // an earlier entry keeps the key
  ++entryCount_;
  return &entries_.back();
}

const char* IniSection::GetString(const char* key, const char* def) {
  if (IniEntry* e = FindEntry(key)) return e->value.c_str();
  if (def == nullptr) return nullptr;
  AppendEntry(key, def);
  return def;
}

std::int32_t IniSection::GetInt(const char* key, std::int32_t def) {
  IniEntry* e = FindEntry(key);
  return e == nullptr ? def : ParseScriptInt(e->value.c_str());
}

void IniSection::SetString(const char* key, const char* value) {
  if (IniEntry* e = FindEntry(key)) {
    e->value = value;
  } else {
    AppendEntry(key, value);
  }
}

namespace {

// Appends bytes at *pos when a buffer is given; always advances the length.
void Put(char* buffer, std::int32_t* pos, std::string_view text) {
  if (buffer != nullptr && !text.empty()) std::memcpy(buffer + *pos, text.data(), text.size());
  *pos += static_cast<std::int32_t>(text.size());
}

}  // namespace

std::int32_t IniSection::Serialize(char* buffer) const {
  constexpr std::string_view kBreak = "\r\n";
  constexpr std::string_view kEquals = "=";
  std::int32_t pos = 0;
  // Entry lines are written whole, whatever their length, so that nothing is lost; but a
  // name, key or value ends at its first line break, so that none can add lines (a
  // script value that carried "\r[inst_path]\rpath=..." would rewrite the record).
  Put(buffer, &pos, FirstLine(name_));
  Put(buffer, &pos, kBreak);
  for (const IniEntry& e : entries_) {
    Put(buffer, &pos, FirstLine(e.key));
    Put(buffer, &pos, kEquals);
    Put(buffer, &pos, FirstLine(e.value));
    Put(buffer, &pos, kBreak);
  }
  return pos;
}

void IniFile::Clear() {
  sections_.clear();
  index_.clear();
  current_ = nullptr;
  loaded = 0;
}

IniSection* IniFile::FindSection(const char* name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &sections_[it->second];
}

IniSection* IniFile::AddSection(const char* name) {
  if (IniSection* s = FindSection(name)) return s;
  sections_.emplace_back(name);
  index_.emplace(sections_.back().name(), sections_.size() - 1);
  return &sections_.back();
}

const char* IniFile::GetString(const char* section, const char* key, const char* def) {
  IniSection* s = FindSection(section);
  return s == nullptr ? def : s->GetString(key, def);
}

std::int32_t IniFile::GetInt(const char* section, const char* key, std::int32_t def) {
  IniSection* s = FindSection(section);
  return s == nullptr ? def : s->GetInt(key, def);
}

void IniFile::SetString(const char* section, const char* key, const char* value) {
  AddSection(section)->SetString(key, value);
}

std::int32_t IniFile::Serialize(char* buffer) const {
  std::int32_t total = 0;
  for (const IniSection& s : sections_) {
    total += s.Serialize(buffer == nullptr ? nullptr : buffer + total);
  }
  return total;
}

std::string IniFile::SerializeToString() const {
  std::string text(static_cast<std::size_t>(Serialize(nullptr)), '\0');
  Serialize(text.data());
  return text;
}

void IniFile::ParseLine(const char* begin, const char* end, CodePage* codePage) {
  // A NUL byte hides the rest of its line.
  if (const void* nul = std::memchr(begin, '\0', static_cast<std::size_t>(end - begin)))
    end = static_cast<const char*>(nul);
  std::string line(begin, end);
  std::string::size_type eq = line.find('=');
  if (eq != std::string::npos) {  // the entry test comes before the header test
    if (current_ != nullptr) {
      current_->AppendEntry(line.substr(0, eq).c_str(), line.c_str() + eq + 1);
    }
    return;
  }
  // "=" is never the second byte of a double-byte character; "[" can be.
  std::string::size_type bracket = std::string::npos;
  for (std::size_t i = 0; i < line.size() && bracket == std::string::npos;) {
    std::size_t n = codePage == nullptr ? 1 : codePage->CharSize(line.c_str() + i);
    if (n == 0) n = 1;
    if (n == 1 && line[i] == '[') bracket = i;
    i += n;
  }
  if (bracket != std::string::npos) current_ = AddSection(line.c_str() + bracket);
}

void IniFile::LoadFile(FileSystem& files, const char* path) {
  Clear();
  std::string text;
  if (path == nullptr || !files.ReadWholeFile(path, &text)) return;
  LoadText(std::move(text), &files);
}

void IniFile::LoadText(std::string text, CodePage* codePage) {
  Clear();
  // Text mode, done here so that every host reads the same: a Ctrl-Z ends the input, a CR
  // LF pair is one line break, a lone CR stays in the text.
  if (std::string::size_type eof = text.find('\x1a'); eof != std::string::npos) text.resize(eof);
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* lf =
        static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* line_end = lf == nullptr ? end : lf;
    const char* content_end = line_end;
    if (content_end > p && content_end[-1] == '\r' && lf != nullptr) --content_end;
    ParseLine(p, content_end, codePage);
    p = lf == nullptr ? end : lf + 1;
  }
  current_ = nullptr;
  loaded = 1;
}

void IniFile::LoadBuffer(const char* data, std::int32_t length) {
  Clear();
  if (data == nullptr) return;
  const char* p = data;
  const char* end = data + (length > 0 ? length : 0);
  // A CR LF pair, a lone CR and a lone LF each end one line.
  while (p < end) {
    const char* q = p;
    while (q < end && *q != '\r' && *q != '\n') ++q;
    ParseLine(p, q, nullptr);
    if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n') {
      p = q + 2;
    } else {
      p = q + 1;
    }
  }
  current_ = nullptr;
  loaded = 1;
}

std::int32_t ParseScriptInt(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  std::uint32_t value = 0;  // unsigned arithmetic wraps without undefined behaviour
  while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<std::uint32_t>(*p++ - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

}  // namespace dl
