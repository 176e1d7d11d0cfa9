// The whole launcher against the fake system: start-up, Install (with the disc swaps its
// answers allow), Uninstall and Play, on a machine seeded with a user's files. After each
// run the effects the fake recorded are checked against what no script, record or disc
// may ever cause; any violation aborts.
//
// Input, in parts separated by lines "@@@":
//   1. setup.ini on disc 1
//   2. the install record found at start-up (empty: none)
//   3. the discs' files, one per line: "N:relative\path" (disc N, 1 to 3)
//   4. the folder field as the user leaves it
//   5. the answers to message boxes, one character each: "1" to "3" put that disc into
//      the drive first; "n" answers a question No; anything else presses OK (or Yes)
//   6. an install journal: with a record (part 2), the pack's entry beside it; without
//      one, the file an install that was killed left next to the pack
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "grpconv/progman.h"
#include "install/launcher_operations.h"
#include "install/path_guard.h"
#include "install/shortcut_names.h"
#include "launcher/launcher_state.h"
#include "launcher/setup_dialog.h"
#include "launcher/start_up.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "script/schema.h"
#include "support/fake_system.h"
#include "support/fake_view.h"

namespace {

namespace fs = std::filesystem;
using dl::testing::FakeSystem;

constexpr const char* kProfile = "C:\\users\\me";
constexpr const char* kDesktop = "C:\\users\\me\\Desktop";
constexpr const char* kPrograms = "C:\\users\\me\\Start Menu\\Programs";

// What the user already has on C: before the launcher runs.
const char* const kSeeded[] = {
    "C:\\windows\\win.ini",
    "C:\\windows\\system32\\kernel32.dll",
    "C:\\users\\me\\Documents\\thesis.doc",
    "C:\\users\\me\\Pictures\\holiday.bmp",
    "C:\\users\\me\\Desktop\\notes.txt",
    "C:\\users\\me\\Start Menu\\Programs\\Other\\readme.txt",
    "C:\\users\\other\\letter.txt",
    "C:\\users\\Public\\shared.txt",
    "C:\\Program Files\\Other\\app.exe",
};

// What the user already has in folders an install may use (the folder field's first level,
// or its default, then the script's second level): an install may write over these, but
// neither it, nor its undoing, nor the uninstall may remove them.
const char* const kSeededInInstallFolders[] = {
    "C:\\Game1\\Game\\thesis.doc",     "C:\\Game1\\keep.txt",         "C:\\Games\\Game\\thesis.doc",
    "C:\\Games\\Game\\game\\save.dat", "C:\\Wendmark\\Game\\old.sav",
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string& line : Split(text, "\n"))
    if (!line.empty())
      lines.push_back(line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
  return lines;
}

[[noreturn]] void Violation(const std::string& what) {
  std::fprintf(stderr, "INVARIANT VIOLATED: %s\n", what.c_str());
  std::abort();
}

bool Inside(const std::string& path, const std::string& folder) {
  const std::string p = dl::CanonicalPath(path), f = dl::CanonicalPath(folder);
  return !p.empty() && !f.empty() &&
         (p == f || (p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '\\'));
}

bool IsShortcut(const std::string& path) {
  return dl::IsShortcutFile(path);
}

// Forwards to the real operations and notes the plan of the copy (an install or update).
class SpyOperations : public dl::InstallOperations {
 public:
  explicit SpyOperations(dl::InstallContext ctx) : ctx_(ctx), real_(ctx) {}
  void BeginInstall(const dl::InstallPlan& plan) override { real_.BeginInstall(plan); }
  dl::UndoResult RollBackInstall(const dl::InstallPlan& plan, dl::InstallScreen& screen) override {
    return real_.RollBackInstall(plan, screen);
  }
  dl::CopyResult CopyAllDiscs(const dl::InstallPlan& plan, dl::InstallScreen& screen) override {
    installPlan = plan;  // an install's, or an update's: the folder the copy fills
    return real_.CopyAllDiscs(plan, screen);
  }
  void RenameInstalledFiles(const dl::InstallPlan& plan, dl::InstallScreen& screen) override {
    real_.RenameInstalledFiles(plan, screen);
  }
  void FinishInstall(const dl::InstallPlan& plan, dl::InstallScreen& screen) override {
    real_.FinishInstall(plan, screen);
  }
  bool WriteInstallRecord(const dl::InstallPlan& plan) override {
    const bool written = real_.WriteInstallRecord(plan);
    if (written) CheckRecord(plan);
    return written;
  }
  dl::RepairResult Repair(const dl::InstallPlan& plan, dl::InstallScreen& screen,
                          const dl::Journal& journal,
                          const std::vector<std::string>& files) override {
    installPlan = plan;  // a repair copies back into the install's folder
    return real_.Repair(plan, screen, journal, files);
  }
  bool Uninstall(const dl::InstallPlan& plan, dl::InstallScreen& screen) override {
    return real_.Uninstall(plan, screen);
  }
  void RunGame(dl::WindowRef owner) override { real_.RunGame(owner); }
  void RunDemo(const dl::InstallPlan& plan, dl::WindowRef owner) override {
    real_.RunDemo(plan, owner);
  }
  void RunExtraInstaller(dl::InstallScreen& screen) override { real_.RunExtraInstaller(screen); }
  void RunDirectXSetup(const dl::OsVersionInfo& version, dl::InstallScreen& screen) override {
    real_.RunDirectXSetup(version, screen);
  }

  std::optional<dl::InstallPlan> installPlan;

 private:
  // 4. The record just written reads back, and names the folder the files went to.
  void CheckRecord(const dl::InstallPlan& plan) {
    const std::string name = dl::Read(ctx_.script, dl::script::kRecordName);
    dl::PackFile reader(ctx_.system);
    dl::PackSlot* slot =
        reader.Open(plan.recordPath.c_str(), 5, 0) ? reader.LoadEntry(name.c_str()) : nullptr;
    if (slot == nullptr) Violation("the record written cannot be read back");
    dl::IniFile written;
    written.LoadBuffer(reinterpret_cast<const char*>(slot->data),
                       static_cast<std::int32_t>(slot->size));
    reader.ReleaseEntry(slot);
    const char* folder = written.GetString("[inst_path]", "path", nullptr);
    if (folder == nullptr || folder != plan.installFolder)
      Violation("the record names " + std::string(folder ? folder : "no folder") +
                ", the files went to " + plan.installFolder);
  }

  dl::InstallContext ctx_;
  dl::LauncherOperations real_;
};

// The program-group converter as grpconv works: each item's shortcut in the group's folder
// of the Start menu, both named by the one naming rule, never elsewhere.
void Convert(FakeSystem& sys) {
  std::string text;
  if (!sys.ReadWholeFile("C:\\windows\\setup.ini", &text)) return;
  for (const grpconv::ProgmanGroup& group : grpconv::ParseProgmanGroups(text)) {
    const std::string folder = dl::GroupFolderPath(sys, kPrograms, group.name);
    if (folder.empty() || !Inside(folder, kPrograms)) continue;
    for (const grpconv::ProgmanItem& item : group.items) {
      const std::string link = dl::ShortcutPath(sys, folder, item.title);
      if (!link.empty() && Inside(link, folder))
        sys.WriteHostFile(link, "shortcut to " + item.program);
    }
  }
}

void Run(const std::string& input) {
  std::vector<std::string> parts = Split(input, "\n@@@\n");
  parts.resize(6);
  const std::string& scriptText = parts[0];
  const std::string& recordText = parts[1];

  FakeSystem sys;
  sys.AddDrive('C', dl::DriveType::kFixed, "SYSTEM", 1ull << 40);
  sys.AddDrive('D', dl::DriveType::kCdRom, "", 0);
  sys.specialFolders[dl::SpecialFolder::kProfile] = kProfile;
  sys.specialFolders[dl::SpecialFolder::kDesktopFolder] = kDesktop;
  // Every other run, the shell cannot name the desktop as the user sees it.
  if (input.size() % 2 == 0) sys.specialFolders[dl::SpecialFolder::kDesktop] = kDesktop;
  sys.specialFolders[dl::SpecialFolder::kPrograms] = kPrograms;
  sys.specialFolders[dl::SpecialFolder::kStartMenu] = "C:\\users\\me\\Start Menu";
  sys.specialFolders[dl::SpecialFolder::kDocuments] = "C:\\users\\me\\Documents";
  sys.specialFolders[dl::SpecialFolder::kPictures] = "C:\\users\\me\\Pictures";
  sys.specialFolders[dl::SpecialFolder::kProgramFiles] = "C:\\Program Files";
  for (const char* file : kSeeded) sys.WriteHostFile(file, "seeded");
  for (const char* file : kSeededInInstallFolders) sys.WriteHostFile(file, "seeded");

  // The discs: disc N carries the label its section asks for, so the right disc exists.
  dl::IniFile labels;
  labels.LoadText(scriptText);
  std::vector<std::string> discs;
  for (int n = 1; n <= 3; ++n) {
    const std::string folder = sys.tempRoot() + "/disc" + std::to_string(n);
    fs::create_directories(folder);
    discs.push_back(folder);
  }
  auto label = [&](int n) {
    const char* l = labels.GetString(dl::DiscSectionName(n - 1).c_str(), "label", nullptr);
    return l == nullptr ? "DISC_" + std::to_string(n) : std::string(l);
  };
  std::ofstream(discs[0] + "/setup.ini", std::ios::binary) << scriptText;
  std::ofstream(discs[0] + "/setup.exe", std::ios::binary) << "launcher";
  int files = 0;
  for (const std::string& line : Lines(parts[2])) {
    if (++files > 32 || line.size() < 3 || line[1] != ':' || line[0] < '1' || line[0] > '3')
      continue;
    std::string rel = line.substr(2);
    for (char& c : rel)
      if (c == '\\') c = '/';
    const fs::path target = fs::path(discs[line[0] - '1']) / rel;
    // A disc holds only what lies inside it.
    const std::string normal = target.lexically_normal().string();
    if (normal.compare(0, discs[line[0] - '1'].size(), discs[line[0] - '1']) != 0) continue;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::ofstream(target, std::ios::binary) << "disc file " << line;
  }
  sys.InsertDisc('D', discs[0], label(1));
  sys.SetModulePath("D:\\setup.exe");
  sys.ChangeDir("D:\\");
  for (char answer : parts[4].substr(0, 16)) {
    if (answer == 'n') {
      sys.ScriptAnswer(dl::kAnswerNo);
    } else if (answer >= '1' && answer <= '3') {
      const int n = answer - '0';
      sys.ScriptAnswer(dl::kAnswerOk,
                       [&sys, &discs, n, label] { sys.InsertDisc('D', discs[n - 1], label(n)); });
    } else {
      sys.ScriptAnswer(dl::kAnswerOk);
    }
  }
  sys.programHook = [&sys](const std::string& command) {
    if (command.find("grpconv.exe\" -o") != std::string::npos) Convert(sys);
    return 33u;
  };

  // The record an earlier install left, stored as the launcher stores it.
  const std::string recordName = dl::Read(labels, dl::script::kRecordName);
  const std::string recordBase = "C:\\windows\\" + recordName;
  const std::string& journalText = parts[5];
  const bool plainRecordName = dl::NormalizedPath(recordBase + ".pak").size() > 2 &&
                               recordName.find_first_of("\\/") == std::string::npos;
  std::string startRecordFolder;
  if (!recordText.empty() && plainRecordName) {
    dl::PackFile writer(sys);
    if (writer.Open(recordBase.c_str(), 5, 0) &&
        writer.PutEntry(recordName.c_str(), recordText.data(),
                        static_cast<std::uint32_t>(recordText.size())) &&
        (journalText.empty() || writer.PutEntry("journal.txt", journalText.data(),
                                                static_cast<std::uint32_t>(journalText.size()))))
      writer.Save("C:\\windows\\fuzz-scratch", 1);
    dl::IniFile record;
    record.LoadText(recordText);
    if (const char* f = record.GetString("[inst_path]", "path", nullptr)) startRecordFolder = f;
  }
  const std::string recordPack = recordBase + ".pak";
  const std::string journalFile = recordBase + ".jnl";
  // A journal an install left behind is as trusted as a record: in the folder it names, it
  // may say which files the install made. Read here by its own line, not the launcher's.
  std::string leftoverFolder;
  if (recordText.empty() && !journalText.empty() && plainRecordName) {
    sys.WriteHostFile(journalFile, journalText);
    for (const std::string& line : Lines(journalText))
      if (line.rfind("folder\t", 0) == 0 && leftoverFolder.empty()) leftoverFolder = line.substr(7);
  }

  // What is on C: before the run.
  std::map<std::string, std::string> before;
  for (const char* file : kSeeded) before[file] = sys.ReadHostFile(file);
  for (const char* file : kSeededInInstallFolders) before[file] = sys.ReadHostFile(file);
  // A record without a journal (or a damaged one) may name a folder to go with all it holds,
  // as it always could; a leftover journal may name files in its folder.
  auto trusted = [&](const std::string& file) {
    return (!startRecordFolder.empty() && Inside(file, startRecordFolder)) ||
           (!leftoverFolder.empty() && Inside(file, leftoverFolder));
  };
  sys.shellCalls.clear();
  sys.fileEffects.clear();
  sys.started.clear();

  dl::IniFile script, record;
  dl::PackFile pack(sys);
  dl::LauncherState state;
  dl::LauncherContext ctx{sys, script, record, pack, state};
  SpyOperations ops(ctx.install());
  dl::testing::FakeView view;
  view.system = &sys;
  dl::SetupDialog dialog(ctx, view, ops);
  const std::string folderField = parts[3].substr(0, 300);
  dl::LauncherMain(ctx, nullptr, [&] {
    dialog.OnInit();
    view.SetControlText(dl::kFolderField, folderField);
    auto ended = [&] { return view.closesSent > 0 || !view.endResults.empty(); };
    // Install (or, from a record, Uninstall), then Uninstall, then Play.
    for (int click = 0; click < 2 && !ended(); ++click)
      if (view.Visible(dl::kInstallButton)) dialog.OnCommand(dl::kInstallButton);
    if (!ended() && view.Visible(dl::kPlayButton)) dialog.OnCommand(dl::kPlayButton);
  });

  // --- the invariants ---
  const std::string installFolder = ops.installPlan ? ops.installPlan->installFolder : "";
  const std::string conversion = "C:\\windows\\setup.ini";
  // The launcher's copy for an uninstall without the disc: a folder of its own beside the
  // record, "<record name without extension>.uninstall" and a number.
  const std::string entry = recordName.substr(0, recordName.rfind('.'));
  auto inUninstaller = [&](const std::string& path) {
    const std::string canonical = dl::CanonicalPath(path);
    const std::string prefix = dl::CanonicalPath("C:\\windows\\" + entry + ".uninstall");
    if (prefix.empty() || canonical.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = canonical.substr(prefix.size());
    const std::size_t slash = rest.find('\\');
    return slash != std::string::npos && slash <= 1 &&
           rest.find('\\', slash + 1) == std::string::npos &&
           (slash == 0 || (rest[0] >= '2' && rest[0] <= '9'));
  };
  auto allowedWrite = [&](const std::string& path) {
    return (!installFolder.empty() && Inside(path, installFolder)) || inUninstaller(path) ||
           dl::CanonicalPath(path) == dl::CanonicalPath(recordPack) ||
           dl::CanonicalPath(path) == dl::CanonicalPath("C:\\Wdtemp.pak") ||
           dl::CanonicalPath(path) == dl::CanonicalPath(recordBase + "-new.pak") ||
           dl::CanonicalPath(path) == dl::CanonicalPath(conversion) ||
           dl::CanonicalPath(path) == dl::CanonicalPath(journalFile) ||
           (IsShortcut(path) && (Inside(path, kDesktop) || Inside(path, kPrograms)));
  };
  // 1. Deletes: never a pattern, never what the user had (a record may name the user's
  //    own shortcuts as the game's: the launcher cannot tell them apart).
  for (const auto& call : sys.shellCalls) {
    if (call.op != dl::ShellOp::kDelete) continue;
    // Checked here by its characters, not with the launcher's own path checks.
    if (call.from.find_first_of("*?") != std::string::npos)
      Violation("a delete of a pattern: " + call.from);
    if (dl::CanonicalPath(call.from).empty()) Violation("a delete of no plain path: " + call.from);
    for (const auto& [file, content] : before)
      if (Inside(file, call.from) && !(IsShortcut(file) && !startRecordFolder.empty()) &&
          !trusted(file))
        Violation("a delete of " + call.from + " reaches the user's " + file);
  }
  for (const auto& effect : sys.fileEffects)
    // A folder goes file by file: in the install's own folder, or one a record names.
    if (effect.kind == FakeSystem::FileEffect::kRemove && !allowedWrite(effect.path) &&
        !trusted(effect.path))
      Violation("a file removed outside the install: " + effect.path);
  for (const auto& [file, content] : before) {
    if (sys.ReadHostFile(file) != content && !Inside(file, installFolder) && !trusted(file))
      Violation("the user's " + file + " was changed or deleted");
    // In the install folder the game's copy may write over it, but nothing removes it.
    if (!sys.FileExists(file) && !trusted(file)) Violation("the user's " + file + " was removed");
  }
  // 2. Writes.
  for (const auto& effect : sys.fileEffects) {
    const std::string& target =
        effect.kind == FakeSystem::FileEffect::kRename ? effect.to : effect.path;
    // An empty folder that goes loses nothing: the fake removes only empty ones.
    if (effect.kind != FakeSystem::FileEffect::kRemove &&
        effect.kind != FakeSystem::FileEffect::kRemoveFolder && !allowedWrite(target))
      Violation("a file written outside the install: " + target);
  }
  for (const auto& call : sys.shellCalls)
    if (call.op != dl::ShellOp::kDelete && !allowedWrite(call.to))
      Violation("the shell wrote outside the install: " + call.to);
  // 3. Programs.
  for (const auto& started : sys.started) {
    const std::string& command = started.commandLine;
    // The converter by its full path: the disc's, or the system's.
    bool ok = command == "\"D:\\grpconv.exe\" -o" ||
              command == "\"C:\\windows\\system32\\grpconv.exe\" -o";
    for (const dl::TextKey& key : {dl::script::kExtraInstaller, dl::script::kDirectXSetup2000,
                                   dl::script::kDirectXSetup98}) {
      const char* installer = script.GetString(key.section, key.key, nullptr);
      ok = ok || (installer != nullptr && command == installer);
    }
    if (!ok && command.size() > 2 && command[0] == '"') {
      const std::string program = command.substr(1, command.find('"', 1) - 1);
      ok = (!installFolder.empty() && Inside(program, installFolder)) ||
           (!startRecordFolder.empty() && Inside(program, startRecordFolder)) ||
           program.rfind("\\", 0) == 0 || Inside(program, "D:\\");
    }
    if (!ok) Violation("a program started from elsewhere: " + command);
  }
}

}  // namespace

// Structured mutations: most of the time one line of the script, record or disc list gets
// a value of a shape that has hurt installers before (a pattern, a climb out of its
// folder, an absolute or foreign path, a line break, a format), or a line is copied to
// another part; otherwise libFuzzer's own byte mutations run.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
  std::minstd_rand rng(seed);
  if (rng() % 4 == 0 || size == 0) return LLVMFuzzerMutate(data, size, maxSize);
  static const char* const kShapes[] = {"*",
                                        "C:\\*",
                                        "C:\\users\\*",
                                        "x?",
                                        "..",
                                        "..\\",
                                        "..\\..\\windows\\win.ini",
                                        "C:\\windows",
                                        "C:\\users\\me",
                                        "C:\\users\\me\\Documents",
                                        "\\x",
                                        "D:x",
                                        "x:stream",
                                        "a\rb",
                                        "a\r[inst_path]\rpath=C:\\users\\me",
                                        "%s\\..\\x.lnk",
                                        "%s%s%s%n",
                                        "",
                                        "game\\*",
                                        "C:\\users\\me\\Desktop\\x.lnk",
                                        "x.lnk",
                                        "\"q\"",
                                        "a|b"};
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = Split(text, "\n");
  const std::size_t pick = rng() % lines.size();
  std::string& line = lines[pick];
  const std::size_t eq = line.find('=');
  const std::size_t colon = line.size() > 2 && line[1] == ':' ? 1 : std::string::npos;
  const std::string shape = kShapes[rng() % (sizeof kShapes / sizeof *kShapes)];
  switch (rng() % 3) {
    case 0:  // a new value
      if (eq != std::string::npos)
        line = line.substr(0, eq + 1) + shape;
      else if (colon != std::string::npos)
        line = line.substr(0, 2) + shape;
      else
        line = shape;
      break;
    case 1:  // a shape inside the value
      line.insert(eq == std::string::npos ? 0 : eq + 1 + rng() % (line.size() - eq), shape);
      break;
    default:  // a line copied elsewhere
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(rng() % lines.size()),
                   lines[rng() % lines.size()]);
      break;
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
  if (out.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  std::memcpy(data, out.data(), out.size());
  return out.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;
  Run(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
