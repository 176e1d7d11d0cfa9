#include "script/key_reference.h"

#include "script/schema.h"

namespace dl {
namespace {

using namespace script;

KeyDefault Def(const TextKey& k, const char* when = "") {
  return {k.def == nullptr ? "none" : "\"" + std::string(k.def) + "\"", when};
}
KeyDefault Def(const IntKey& k, const char* when = "") {
  return {std::to_string(k.def), when};
}
KeyDefault None() {
  return {"none", ""};
}

std::vector<KeyReference> Build() {
  return {
      // [setup]
      {kSetup,
       kRecordName.key,
       "text",
       {Def(kRecordName)},
       "The install record's name: its entry in the record's pack, and with \".pak\" added the "
       "pack's file in the Windows directory. It also names the game's entry in the list of "
       "installed programs (without its extension) and the install log. A plain file name.",
       "name=HARBOR.ini"},
      {kSetup,
       kInstSize.key,
       "integer",
       {Def(kInstSize)},
       "Bytes of free space the install needs: Install is offered only when the target drive has "
       "more. At least the bytes the file lists copy.",
       "inst_size=650000000"},
      {kSetup,
       kPicInstalled.key,
       "picture spec",
       {Def(kPicInstalled)},
       "The picture of installed mode. A picture spec is a BMP file on the first disc and up to "
       "four numbers: name,x,y,width,height (missing numbers: 0, 0, 100, 100).",
       "pic0=done.bmp,420,40,200,150"},
      {kSetup,
       kPicFinished.key,
       "picture spec",
       {Def(kPicFinished)},
       "The picture after a finished install. Only when it is set does the DirectX set-up follow "
       "an install on a system whose DirectX is older than 8.0.",
       "pic1=done.bmp,420,40,200,150"},
      {kSetup,
       kPicInstall.key,
       "picture spec",
       {Def(kPicInstall)},
       "The picture of install and update modes.",
       "pic2=back.bmp,420,40,200,150"},
      // [STRING_TAB]
      {kStringTab,
       kTextUninstall.key,
       "text",
       {Def(kTextUninstall)},
       "The Install button's text in installed mode and after an install.",
       "string1=Uninstall"},
      {kStringTab,
       kTextFreeSpace.key,
       "text",
       {Def(kTextFreeSpace)},
       "The label of the free-space line of the status text.",
       "string2=Free disk space"},
      {kStringTab,
       kTextTitle.key,
       "text",
       {Def(kTextTitle)},
       "The dialog's title. A second launcher that finds a window of this title ends at once.",
       "string3=Harbor Lights Setup"},
      {kStringTab,
       kTextNoSpace.key,
       "text",
       {Def(kTextNoSpace, "when the dialog opens and after a folder is chosen"),
        Def(kTextNotInstalled, "after Install was refused")},
       "The warning for too little free space. The first one shown in a run fixes the text for "
       "the rest of it.",
       "string4=Not enough free space here"},
      {kStringTab,
       kTextPathError.key,
       "text",
       {Def(kTextPathError)},
       "Replaces the status text when Install is refused on a drive that reports no free space.",
       "string5=This folder cannot hold the game"},
      {kStringTab,
       kTextOs.key,
       "text",
       {Def(kTextOs)},
       "The label that begins the system report.",
       "string6=Windows"},
      {kStringTab,
       kTextDx.key,
       "text",
       {Def(kTextDx)},
       "The label of the report's DirectX line.",
       "string7=DirectX"},
      {kStringTab,
       kTextDriverOld.key,
       "text",
       {Def(kTextDriverOld)},
       "The warning added when DirectX is older than 8.0.",
       "string8=DirectX is older than 8.0: its set-up runs after the install"},
      {kStringTab,
       kTextDiscPrompt.key,
       "format: a number, a text",
       {Def(kTextDiscPrompt)},
       "Every disc prompt: %d receives the disc's number, %s its name (string12 and up). No "
       "other conversion is filled.",
       "string9=Please insert disc %d: %s"},
      {kStringTab,
       kCaptionWrongDisc.key,
       "text",
       {Def(kCaptionWrongDisc)},
       "The caption of the wrong-disc prompt, and of the prompt for the first disc at start-up.",
       "string10=Wrong disc"},
      {kStringTab,
       kCaptionInsertDisc.key,
       "text",
       {Def(kCaptionInsertDisc)},
       "The caption of the prompts of the copy that ask for the next disc, or for disc 1 back.",
       "string11=Insert disc"},
      {kStringTab,
       kTextFolderLabel.key,
       "text",
       {Def(kTextFolderLabel)},
       "The label before the folder field in install and update modes; screen readers name "
       "the field by it. An `&` marks its access key, which moves to the field.",
       "folder=Install &to:"},
      {kStringTab,
       "string#",
       "text",
       {None()},
       "The names of the discs for the prompts: string12 names disc 1, string13 disc 2, and so "
       "on (disc n is string n+11). Every disc needs one.",
       "string13=Harbor Lights Disc 2"},
      // [DEFPATH]
      {kDefPath,
       kPath2AtOpen.key,
       "text",
       {Def(kPath2AtOpen, "in the folder field when the dialog opens"),
        Def(kPath2AfterBrowse, "added to a folder chosen with Browse, without [DEFPATH]"),
        Def(kPath2AtCopy, "when the folder field is empty at the copy, without [DEFPATH]")},
       "The first folder level of the install folder, as proposed to the player (C:\\ and this "
       "text); the copy keeps only its first 8 characters. With a [DEFPATH] section that lacks "
       "path2, its first default holds everywhere.",
       "path2=Harbor"},
      {kDefPath,
       kPath1.key,
       "text",
       {Def(kPath1)},
       "The second level: the game's own folder inside the first. The install folder is the "
       "drive's root, path2, \"\\\" and path1.",
       "path1=Game"},
      // [discNN]
      {"[disc##]",
       kLabelKey,
       "text",
       {{"\"" + std::string(kFirstDiscLabelDefault) + "\"", "for [disc00] at start-up"},
        {"none", "during the copy"}},
       "The disc's volume label, compared exactly (case and all). A CD's label: A-Z, 0-9 and _, "
       "at most 16 characters for a Joliet disc. One section per disc, [disc00] the first, in "
       "order with no gap.",
       "label=HARBOR_DISC1"},
      {"[disc##]",
       kFilesKey,
       "integer",
       {{std::to_string(kFilesDefault), ""}},
       "The top of the progress bar while the disc is copied: the number of its file entries. "
       "The launcher uses nothing else of it.",
       "files=3"},
      {"[disc##]",
       "file#",
       "list of text",
       {None()},
       "The disc's files, file0 upward to the first gap: each a path relative to the disc's "
       "root, copied to the same path in the install folder. A \"*\" in the last name copies "
       "every file it matches in that folder (not the folders).",
       "file1=game\\data\\*.dat"},
      // [execmode]
      {kExecMode,
       kTry.key,
       "integer",
       {Def(kTry)},
       "Non-zero: a trial disc: no disc prompts and no label checks.",
       "try=0"},
      {kExecMode,
       kUpdate.key,
       "integer",
       {Def(kUpdate)},
       "Non-zero: an update disc. It needs an install record (without one the launcher says so "
       "and ends) and copies into the recorded folder.",
       "up=0"},
      {kExecMode,
       kDemoLinks.key,
       "integer",
       {Def(kDemoLinks)},
       "Non-zero: the install also makes the demo's shortcuts ([WORK_GROUP] linkname2, "
       "demofile).",
       "demo=0"},
      // [DEMO_GROUP]
      {kDemoGroup,
       kDemoButton.key,
       "integer",
       {Def(kDemoButton)},
       "Non-zero: the dialog shows the Demo button (not in update mode).",
       "demo=1"},
      {kDemoGroup,
       kDemoName.key,
       "text",
       {Def(kDemoName)},
       "The Demo button's text.",
       "name=Play the demo"},
      {kDemoGroup,
       kDemoPath.key,
       "text",
       {Def(kDemoPath)},
       "The demo's folder on the disc, relative to its root; the demo runs there.",
       "path=demo"},
      {kDemoGroup,
       kDemoExe.key,
       "text",
       {Def(kDemoExe)},
       "The demo program's file name in that folder.",
       "exefile=demo.exe"},
      {kDemoGroup,
       kDemoArgs.key,
       "text",
       {Def(kDemoArgs)},
       "The demo program's command-line arguments.",
       "mode=-attract"},
      // [WORK_GROUP]
      {kWorkGroup,
       kGameExeForGroup.key,
       "text",
       {Def(kGameExeForGroup, "when the group is made"), Def(kGameExeForPlay, "when Play runs")},
       "The game program, relative to the install folder: what the group's item and Play "
       "start, and what an uninstall looks for before it removes the folder. Always set it.",
       "exefile=game\\harbor.exe"},
      {kWorkGroup,
       kUninstallExe.key,
       "text",
       {Def(kUninstallExe)},
       "The program on the first disc that the group's uninstall item starts.",
       "uninstall=setup.exe"},
      {kWorkGroup,
       kGroupName.key,
       "text",
       {Def(kGroupName)},
       "The Start-menu group's name (also the game's name in the list of installed programs). "
       "It becomes a folder name: characters a file name cannot hold become \"_\".",
       "groupname=Harbor Lights"},
      {kWorkGroup,
       kGameTitle.key,
       "text",
       {Def(kGameTitle, "as the item's title"), Def(kGameLinkFile, "as its shortcut's file name")},
       "The title of the game's item; its shortcut file is named after it (the text before its "
       "first \".\", characters a file name cannot hold become \"_\", then \".lnk\").",
       "linkname=Harbor Lights"},
      {kWorkGroup,
       kUninstallTitle.key,
       "text",
       {Def(kUninstallTitle, "as the item's title"),
        Def(kUninstallLinkFile, "as its shortcut's file name")},
       "The title of the uninstall item, its shortcut named the same way.",
       "linkname1=Uninstall Harbor Lights"},
      {kWorkGroup,
       kDemoTitle.key,
       "text",
       {Def(kDemoTitle, "as the item's title: no demo item without it"),
        Def(kDemoLinkFile, "as its shortcut's file name")},
       "The title of the demo's item (with [execmode] demo).",
       "linkname2=Harbor Lights Demo"},
      {kWorkGroup,
       kDemoFile.key,
       "text",
       {Def(kDemoFile)},
       "The demo program for the demo item, relative to the install folder.",
       "demofile=game\\harbor.exe"},
      {kWorkGroup,
       kDemoMode.key,
       "text",
       {Def(kDemoMode)},
       "The argument on the demo item's command line.",
       "demoMode=-demo"},
      {kWorkGroup,
       kGroupTemplate.key,
       "format: nine texts",
       {Def(kGroupTemplate)},
       "Replaces the built-in group description (at most 511 characters) that the group "
       "converter reads; its %s receive the same nine texts as the built-in one. A script's "
       "value is one line, and the description needs several: leave it out.",
       "(leave it out)"},
      // [start], [desktop]
      {kStart,
       kStartLinkFormat.key,
       "format: three texts",
       {Def(kStartLinkFormat)},
       "Where the launcher waits for a shortcut of the group: the programs folder, the group's "
       "folder name and the shortcut's file name fill the %s in that order.",
       "path=%s\\%s\\%s"},
      {kDesktop,
       kDesktopLinkFormat.key,
       "format: two texts",
       {Def(kDesktopLinkFormat)},
       "Where a shortcut's copy goes on the desktop: the desktop folder and the shortcut's file "
       "name fill the %s (a format with one %s and a fixed name also works).",
       "path=%s\\Harbor Lights.lnk"},
      // [renname]
      {kRenname,
       "file#",
       "list of text",
       {None()},
       "Renames after the copy, file0 upward: old,new, both relative to the install folder and "
       "inside it (no \"..\", drive or absolute path); the file renamed must be one the lists "
       "copy.",
       "file0=game\\settings.ini,game\\harbor.ini"},
      // programs on the disc
      {kInstindPath,
       kExtraInstaller.key,
       "text",
       {Def(kExtraInstaller)},
       "The command line of an additional installer that the dialog's extra button starts; the "
       "launcher then ends.",
       "path=extra\\extra.exe /quiet"},
      {kInstdxPath,
       kDirectXSetup2000.key,
       "text",
       {Def(kDirectXSetup2000)},
       "The DirectX set-up's command line on Windows 2000 and XP (version 5.0 and 5.1).",
       "path2000=directx\\dxsetup.exe /win2000"},
      {kInstdxPath,
       kDirectXSetup98.key,
       "text",
       {Def(kDirectXSetup98)},
       "The DirectX set-up's command line on every other Windows.",
       "path98=directx\\dxsetup.exe /win98"},
  };
}

std::string Cell(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '|')
      out += "\\|";
    else
      out += c;
  }
  return out;
}

}  // namespace

const std::vector<KeyReference>& ScriptKeyReference() {
  static const std::vector<KeyReference> reference = Build();
  return reference;
}

std::string KeyReferenceMarkdown() {
  std::string out =
      "# The setup script, key by key\n\n"
      "Generated by `disctool keys` from the launcher's own schema; a test keeps this file in "
      "step with it.\n\n"
      "The script is `setup.ini` in the first disc's root (`setup1.ini` beside it is read on "
      "systems whose default locale is 2052, Chinese, and is written in GBK). Lines are "
      "`key=value` under a `[section]` line; a value is taken as it stands, blanks and all. A "
      "key or section given twice: the first counts. Numbered keys (`file0`, `file1`...) are "
      "read from 0 up to the first missing number.\n\n"
      "Types: *text* as it stands; *integer* decimal; *format* a text whose `%s` and `%d` "
      "receive what the key's line says, in order (only `%s`, `%d`, `%c`, `%x` and `%%`); "
      "*picture spec* a BMP file and up to four numbers; *list* a numbered family. \"none\": "
      "without the key the item is not configured.\n\n"
      "Access keys: in the texts of the dialog's buttons and of the folder field's label "
      "(`string1`, `folder`, the demo's `name`), an `&` marks the letter that, with Alt, "
      "presses the button or moves to the field (`&&` shows one `&`).\n\n"
      "Picture positions and sizes are pixels at 100 % display scale; at a larger scale they "
      "grow with it, and the pictures are scaled smoothly.\n\n"
      "`disctool check DISC1 [DISC2 ...]` checks a disc set against this reference.\n";
  std::string section;
  for (const KeyReference& k : ScriptKeyReference()) {
    if (section != k.section) {
      section = k.section;
      out += "\n## " + section +
             "\n\n| key | type | default | what it does | example |\n"
             "|---|---|---|---|---|\n";
    }
    std::string defaults;
    for (const KeyDefault& d : k.defaults) {
      if (!defaults.empty()) defaults += "; ";
      defaults += d.value + (d.when.empty() ? "" : " (" + d.when + ")");
    }
    std::string key = k.key;
    if (!key.empty() && key.back() == '#') key = key.substr(0, key.size() - 1) + "N";
    out += "| `" + key + "` | " + k.type + " | " + Cell(defaults) + " | " + Cell(k.what) + " | `" +
           Cell(k.example) + "` |\n";
  }
  return out;
}

}  // namespace dl
