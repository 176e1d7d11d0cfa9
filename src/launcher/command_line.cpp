#include "launcher/command_line.h"

namespace dl {
namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The blank-separated words; quotes group blanks and are dropped.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

}  // namespace

CommandLine ParseCommandLine(const std::string& text) {
  CommandLine line;
  std::vector<std::string> seen;
  for (const std::string& word : Words(text)) {
    const std::size_t eq = word.find('=');
    const std::string name = Upper(word.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : word.substr(eq + 1);
    bool repeated = false;
    for (const std::string& s : seen) repeated = repeated || s == name;
    seen.push_back(name);
    if (repeated) {
      line.problems.push_back(word + " (given twice)");
    } else if (name == "/S" && eq == std::string::npos) {
      line.silent = true;
    } else if (name == "/U" && eq == std::string::npos) {
      line.uninstall = true;
    } else if (name == "/VERIFY" && eq == std::string::npos) {
      line.verify = true;
    } else if (name == "/REPAIR" && (eq == std::string::npos || Upper(value) == "ALL")) {
      line.repair = true;
      line.repairAll = eq != std::string::npos;
    } else if (name == "/?" && eq == std::string::npos) {
      line.help = true;
    } else if (name == "/DIRECTX" && eq == std::string::npos) {
      line.directx = true;
    } else if (name == "/D" && !value.empty()) {
      line.folder = value;
    } else if (name == "/LOG" && !value.empty()) {
      line.log = value;
    } else {
      line.problems.push_back(word);
    }
  }
  if (line.problems.empty() && !line.help) {
    if (line.uninstall && line.folder) line.problems.push_back("/D= (not with /U)");
    if (line.verify && (line.uninstall || line.folder || line.directx))
      line.problems.push_back("/VERIFY (not with /U, /D= or /DIRECTX)");
    if (line.repair && (line.uninstall || line.verify || line.folder || line.directx))
      line.problems.push_back("/REPAIR (not with /U, /VERIFY, /D= or /DIRECTX)");
    // /LOG= also names the log of an interactive run.
    if (!line.silent && !line.verify && !line.repair && (line.folder || line.directx))
      line.problems.push_back("/D= and /DIRECTX need /S");
  }
  return line;
}

std::string CommandLineHelp() {
  return "setup [/S [/D=FOLDER] [/DIRECTX]] | [/U [/S]] | [/VERIFY [/S]] | [/REPAIR[=ALL] [/S]] "
         "| [/?]   [/LOG=FILE]\n\n"
         "/S\tinstall without questions, in the mode the disc decides\n"
         "/D=FOLDER\tthe folder to install to, as it stands (quote it when it has blanks)\n"
         "/LOG=FILE\twhere the install log goes (else %TEMP%\\<record>-setup.log)\n"
         "/DIRECTX\tlet the DirectX set-up follow a silent install\n"
         "/U\tuninstall, after one question; no disc is needed\n"
         "/U /S\tuninstall without questions\n"
         "/VERIFY\tcompare the installed files with the install's record; no disc is needed\n"
         "/REPAIR\tcopy back the missing and damaged files from the discs that hold them\n"
         "/REPAIR=ALL\tthe files changed since the install too\n\n"
         "Exit codes: 0 done, 1 the copy or the record failed, 2 refused before any change, "
         "3 nothing to do, 4 cancelled by the user (what the install had copied is removed), "
         "5 files of the game are missing or damaged (after a repair: still).";
}

}  // namespace dl
