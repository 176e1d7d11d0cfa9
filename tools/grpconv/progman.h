// The program-group description that set-up programs write for the group converter: a
// "[progman.groups]" section naming groups ("groupx=Name"), and for each group a section
// of item lines: "title","command","icon",index,,"working folder".
#pragma once

#include <string>
#include <vector>

namespace grpconv {

struct ProgmanItem {
  std::string title;
  std::string program;    // the command's program
  std::string arguments;  // what follows it
  std::string icon;       // empty: the program's own
  int iconIndex = 0;
  std::string workingFolder;
};

struct ProgmanGroup {
  std::string name;
  std::vector<ProgmanItem> items;
};

// Reads every group the description names, in order, with its items. What it does not
// understand (other sections, lines without a title, damaged quoting) is skipped.
std::vector<ProgmanGroup> ParseProgmanGroups(const std::string& text);

// Splits a command into its program and its arguments: the program ends after the first
// ".exe", ".com", ".bat" or ".lnk" followed by a blank or the end; without one, at the
// first blank.
void SplitCommand(const std::string& command, std::string* program, std::string* arguments);

}  // namespace grpconv
