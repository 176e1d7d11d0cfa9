// The authors' reference of the setup script: every section and key the launcher reads,
// with its type, its default (taken from the schema's own constants), what it does and an
// example. disctool prints it and checks scripts against it.
#pragma once

#include <string>
#include <vector>

namespace dl {

struct KeyDefault {
  std::string value;  // "none": the item is not configured without the key
  std::string when;   // the situation, where one key has several defaults; else empty
};

struct KeyReference {
  const char* section;  // "[disc##]" stands for "[disc00]", "[disc01]"...
  const char* key;      // a final "#" stands for a number: "file#" is file0, file1...
  const char* type;
  std::vector<KeyDefault> defaults;
  const char* what;
  const char* example;  // a line as a script holds it
};

// In the order a script usually has them.
const std::vector<KeyReference>& ScriptKeyReference();

// The whole reference as a Markdown document.
std::string KeyReferenceMarkdown();

}  // namespace dl
