#include "grpconv/progman.h"

#include <cctype>
#include <cstdlib>
#include <unordered_map>

namespace grpconv {
namespace {

std::string Trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return std::string();
  std::size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Comma-separated fields; a field that starts with a quote runs to the next quote.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string field;
    if (i < line.size() && line[i] == '"') {
      std::size_t close = line.find('"', i + 1);
      if (close == std::string::npos) close = line.size();
      field = line.substr(i + 1, close - i - 1);
      i = close + 1;
      std::size_t comma = line.find(',', i < line.size() ? i : line.size());
      i = comma == std::string::npos ? line.size() + 1 : comma;
    } else {
      std::size_t comma = line.find(',', i);
      field = Trim(line.substr(i, comma == std::string::npos ? comma : comma - i));
      i = comma == std::string::npos ? line.size() + 1 : comma;
    }
    fields.push_back(field);
    if (i >= line.size()) break;
    ++i;  // past the comma
  }
  return fields;
}

bool IsSection(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  *name = Lower(Trim(t.substr(1, t.size() - 2)));
  return true;
}

}  // namespace

void SplitCommand(const std::string& command, std::string* program, std::string* arguments) {
  const std::string text = Trim(command);
  const std::string lower = Lower(text);
  std::size_t end = std::string::npos;
  for (std::size_t i = 0; i + 4 <= lower.size(); ++i) {
    const std::string ext = lower.substr(i, 4);
    if ((ext == ".exe" || ext == ".com" || ext == ".bat" || ext == ".lnk") &&
        (i + 4 == lower.size() || lower[i + 4] == ' ')) {
      end = i + 4;
      break;
    }
  }
  if (end == std::string::npos) end = text.find(' ');
  if (end == std::string::npos) end = text.size();
  *program = text.substr(0, end);
  *arguments = Trim(text.substr(end));
}

std::vector<ProgmanGroup> ParseProgmanGroups(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  // One pass: the groups named in [progman.groups], by the key that names their section,
  // and the lines of every other section, by its name.
  std::vector<std::pair<std::string, ProgmanGroup>> groups;
  std::unordered_map<std::string, std::vector<const std::string*>> sectionLines;
  std::string section;
  for (const std::string& line : lines) {
    std::string name;
    if (IsSection(line, &name)) {
      section = name;
      continue;
    }
    if (section != "progman.groups") {
      sectionLines[section].push_back(&line);
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Lower(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    if (key.empty() || value.empty()) continue;
    groups.push_back({key, ProgmanGroup{value, {}}});
  }
  for (auto& [key, group] : groups) {
    auto found = sectionLines.find(key);
    if (found == sectionLines.end()) continue;
    for (const std::string* line : found->second) {
      std::vector<std::string> f = Fields(*line);
      if (f.empty() || f[0].empty()) continue;
      ProgmanItem item;
      item.title = f[0];
      if (f.size() > 1) SplitCommand(f[1], &item.program, &item.arguments);
      if (item.program.empty()) continue;
      if (f.size() > 2) item.icon = f[2];
      if (f.size() > 3) item.iconIndex = std::atoi(f[3].c_str());
      if (f.size() > 5) item.workingFolder = f[5];
      group.items.push_back(item);
    }
  }
  std::vector<ProgmanGroup> out;
  for (auto& entry : groups) out.push_back(std::move(entry.second));
  return out;
}

}  // namespace grpconv
