#include "support/fake_machine.h"

#include <filesystem>
#include <fstream>

#include "grpconv/progman.h"
#include "install/path_guard.h"
#include "install/shortcut_names.h"
#include "launcher/command_line.h"
#include "launcher/start_up.h"
#include "pack/pack_file.h"

namespace dl::testing {
namespace fs = std::filesystem;

FakeMachine::FakeMachine(const std::string& scriptText, int discCount) {
  sys.AddDrive('D', DriveType::kCdRom, "DISC1", 0);
  sys.SetFreeBytes('C', 1ull << 40);
  sys.specialFolders[SpecialFolder::kProfile] = "C:\\users\\me";
  sys.specialFolders[SpecialFolder::kDesktop] = kDesktop;
  sys.specialFolders[SpecialFolder::kDesktopFolder] = kDesktop;
  sys.specialFolders[SpecialFolder::kPrograms] = kPrograms;
  sys.specialFolders[SpecialFolder::kStartMenu] = "C:\\users\\me\\Start Menu";
  sys.specialFolders[SpecialFolder::kDocuments] = "C:\\users\\me\\Documents";
  sys.WriteHostFile(std::string(kDesktop) + "\\notes.txt", "the user's");
  sys.WriteHostFile(std::string(kPrograms) + "\\Other\\Other.lnk", "another program's");
  sys.WriteHostFile("C:\\users\\me\\Documents\\thesis.doc", "the user's");
  for (int n = 1; n <= discCount; ++n) {
    discs.push_back(sys.tempRoot() + "/disc" + std::to_string(n));
    fs::create_directories(discs.back());
  }
  WriteDisc(1, "setup.ini", scriptText);
  WriteDisc(1, "setup.exe", "launcher");
  Insert(1);
  sys.SetModulePath("D:\\setup.exe");
  sys.programHook = [this](const std::string& command) {
    if (command.find("grpconv.exe\" -o") != std::string::npos) Convert();
    return 33u;
  };
  sys.shellHook = [this](const FakeSystem::ShellCall& call) {
    if (call.op != ShellOp::kCopy || !onCopy) return -1;
    return onCopy(++copies, call);
  };
}

void FakeMachine::WriteDisc(int n, const std::string& rel, const std::string& content) {
  const fs::path path = fs::path(discs[n - 1]) / sys.ToHost(rel);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

void FakeMachine::Insert(int n) {
  if (n >= 1 && n <= static_cast<int>(discs.size())) {
    sys.InsertDisc('D', discs[n - 1], "DISC" + std::to_string(n));
  } else {
    const std::string wrong = sys.tempRoot() + "/wrong-disc";
    fs::create_directories(wrong);
    sys.InsertDisc('D', wrong, "WRONG");
  }
}

void FakeMachine::AnswerWithDiscs(const std::vector<int>& answers) {
  for (int n : answers) sys.ScriptAnswer(kAnswerOk, [this, n] { Insert(n); });
}

int FakeMachine::Start(const std::string& commandLine, const InDialog& inDialog,
                       const std::string& cwd) {
  script.Clear();
  record.Clear();
  pack = std::make_unique<PackFile>(sys);
  state = LauncherState{};
  state.commandLine = ParseCommandLine(commandLine);
  ctx = std::make_unique<LauncherContext>(LauncherContext{sys, script, record, *pack, state, &log});
  sys.ChangeDir(cwd);
  copies = 0;
  FakeView view;
  view.system = &sys;
  LauncherOperations ops(ctx->install());
  SetupDialog dialog(*ctx, view, ops);
  return LauncherMain(*ctx, nullptr, [&] {
    dialog.OnInit();
    if (inDialog) inDialog(dialog, view);
  });
}

int FakeMachine::Install(const std::string& folderField) {
  return Start("", [&](SetupDialog& dialog, FakeView& view) {
    view.SetControlText(kFolderField, folderField);
    dialog.OnCommand(kInstallButton);
  });
}

int FakeMachine::Uninstall() {
  return Start("", [](SetupDialog& dialog, FakeView&) { dialog.OnCommand(kInstallButton); });
}

bool FakeMachine::PackEntry(const std::string& name, std::string* text) {
  PackFile reader(sys);
  if (!reader.Open("C:\\windows\\KVX.ini", 5, 0)) return false;
  PackRecordRef ref;
  if (!reader.FindRecord(name.c_str(), &ref)) return false;
  PackSlot* slot = reader.LoadEntry(name.c_str());
  if (slot == nullptr) return false;
  text->assign(reinterpret_cast<const char*>(slot->data), slot->size);
  reader.ReleaseEntry(slot);
  return true;
}

void FakeMachine::Convert() {
  // As grpconv does it: the group folder and the shortcut files by the one naming rule.
  std::string text;
  if (!sys.ReadWholeFile("C:\\windows\\setup.ini", &text)) return;
  for (const grpconv::ProgmanGroup& group : grpconv::ParseProgmanGroups(text)) {
    const std::string folder = GroupFolderPath(sys, kPrograms, group.name);
    if (folder.empty()) continue;
    for (const grpconv::ProgmanItem& item : group.items) {
      const std::string link = ShortcutPath(sys, folder, item.title);
      if (!link.empty()) sys.WriteHostFile(link, "shortcut to " + item.program);
    }
  }
}

}  // namespace dl::testing
