// The INI store: a literal, ordered document of sections and key/value entries.
//
// Nothing is trimmed or case-folded; section names keep their brackets ("[setup]").
// Lookups are exact and the first match wins; duplicate keys are kept in file order. Each
// section and each section's keys are indexed by name, so a lookup does not walk the file.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>

#include "platform/code_page.h"

namespace dl {

class FileSystem;

struct IniEntry {
  std::string key;
  std::string value;
};

class IniSection {
 public:
  explicit IniSection(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  std::int32_t entryCount() const { return entryCount_; }
  const std::deque<IniEntry>& entries() const { return entries_; }

  IniEntry* FindEntry(const char* key);
  IniEntry* AppendEntry(const char* key, const char* value);
  // The value of key; a missing key with a non-null default records that default.
  const char* GetString(const char* key, const char* def);
  std::int32_t GetInt(const char* key, std::int32_t def);
  void SetString(const char* key, const char* value);
  // Writes the section's text form to buffer (may be null to measure); returns its length.
  std::int32_t Serialize(char* buffer) const;

 private:
  std::string name_;
  std::deque<IniEntry> entries_;  // a deque keeps returned texts stable while it grows
  std::unordered_map<std::string, std::size_t> keys_;  // the first entry of each key
  std::int32_t entryCount_ = 0;
};

class IniFile {
 public:
  IniFile() = default;
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  void Clear();
  // Loads a text file (relative paths against the current directory), read in the file
  // system's code page.
  void LoadFile(FileSystem& files, const char* path);
  // Parses the bytes of a script file as LoadFile does once it has read them. With a code
  // page, the "[" that opens a section must be a character of its own: the second byte of
  // a double-byte character (0x5B in code page 936) in a comment line opens nothing.
  void LoadText(std::string text, CodePage* codePage = nullptr);
  // Loads the text form held in memory; a null pointer leaves the document not loaded.
  void LoadBuffer(const char* data, std::int32_t length);

  IniSection* FindSection(const char* name);
  IniSection* AddSection(const char* name);
  const char* GetString(const char* section, const char* key, const char* def);
  std::int32_t GetInt(const char* section, const char* key, std::int32_t def);
  void SetString(const char* section, const char* key, const char* value);
  std::int32_t Serialize(char* buffer) const;
  std::string SerializeToString() const;

  const std::deque<IniSection>& sections() const { return sections_; }

  std::int32_t loaded = 0;

 private:
  void ParseLine(const char* begin, const char* end, CodePage* codePage);
  IniSection* current_ = nullptr;
  std::deque<IniSection> sections_;
  std::unordered_map<std::string, std::size_t> index_;  // section name -> position
};

// Reads a decimal integer as the script does: leading white space, an optional sign,
// digits up to the first other character; wraps around on overflow; no digits gives 0.
std::int32_t ParseScriptInt(const char* text);

}  // namespace dl
