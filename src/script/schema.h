// The catalogue of every section and key of the setup script and the install record,
// with their built-in defaults. Every reading place goes through these names.
//
// A text key read with a non-null default records that default in its section when the
// section exists without the key, so the first read of a run fixes the value for every
// later read; the keys with one default per situation carry one constant per situation.
#pragma once

#include <cstdint>
#include <string>

#include "script/ini_file.h"

namespace dl {

struct TextKey {
  const char* section;
  const char* key;
  const char* def;  // null: the item is not configured when the key is absent
};

struct IntKey {
  const char* section;
  const char* key;
  std::int32_t def;
};

inline const char* Read(IniFile& doc, const TextKey& k) {
  return doc.GetString(k.section, k.key, k.def);
}
inline std::int32_t Read(IniFile& doc, const IntKey& k) {
  return doc.GetInt(k.section, k.key, k.def);
}
// A text read that never yields null: an absent item reads as "".
inline const char* ReadOrEmpty(IniFile& doc, const TextKey& k) {
  const char* value = Read(doc, k);
  return value == nullptr ? "" : value;
}

namespace script {

// Script file names; the second is for systems whose default locale is 2052.
inline constexpr const char* kScriptName = "setup.ini";
inline constexpr const char* kScriptNameChinese = "setup1.ini";
inline constexpr std::uint32_t kChineseLocale = 2052;

inline constexpr const char* kSetup = "[setup]";
inline constexpr const char* kStringTab = "[STRING_TAB]";
inline constexpr const char* kDefPath = "[DEFPATH]";
inline constexpr const char* kExecMode = "[execmode]";
inline constexpr const char* kDemoGroup = "[DEMO_GROUP]";
inline constexpr const char* kWorkGroup = "[WORK_GROUP]";
inline constexpr const char* kStart = "[start]";
inline constexpr const char* kDesktop = "[desktop]";
inline constexpr const char* kRenname = "[renname]";
inline constexpr const char* kInstindPath = "[instind_path]";
inline constexpr const char* kInstdxPath = "[instdx_path]";

// [setup]
inline constexpr TextKey kRecordName{kSetup, "name", "KVX.ini"};
inline constexpr IntKey kInstSize{kSetup, "inst_size", 300000000};
inline constexpr TextKey kPicInstalled{kSetup, "pic0", nullptr};
inline constexpr TextKey kPicFinished{kSetup, "pic1", nullptr};
inline constexpr TextKey kPicInstall{kSetup, "pic2", nullptr};

// [STRING_TAB]: the texts the user sees.
inline constexpr TextKey kTextUninstall{kStringTab, "string1", "Uninstall"};
inline constexpr TextKey kTextFreeSpace{kStringTab, "string2", "free disk space"};
inline constexpr TextKey kTextTitle{kStringTab, "string3", "Install Game"};
inline constexpr TextKey kTextNoSpace{kStringTab, "string4", "no free space"};
inline constexpr TextKey kTextNotInstalled{kStringTab, "string4", "not instll"};
inline constexpr TextKey kTextPathError{kStringTab, "string5", "path err"};
inline constexpr TextKey kTextOs{kStringTab, "string6", "OS"};
inline constexpr TextKey kTextDx{kStringTab, "string7", "DX"};
inline constexpr TextKey kTextDriverOld{kStringTab, "string8", "driver is too old"};
inline constexpr TextKey kTextDiscPrompt{kStringTab, "string9", nullptr};  // format: %d, %s
inline constexpr TextKey kCaptionWrongDisc{kStringTab, "string10", nullptr};
inline constexpr TextKey kCaptionInsertDisc{kStringTab, "string11", nullptr};
// The folder field's label ("&" marks its access key).
inline constexpr TextKey kTextFolderLabel{kStringTab, "folder", "&Folder:"};

// [DEFPATH]: the install folder is the drive root, path2, "\" and path1.
inline constexpr TextKey kPath2AtOpen{kDefPath, "path2", "Wendmark"};
inline constexpr TextKey kPath2AfterBrowse{kDefPath, "path2", "Game"};
inline constexpr TextKey kPath2AtCopy{kDefPath, "path2", "Game1"};
inline constexpr TextKey kPath1{kDefPath, "path1", "Game"};

// [discNN]
inline constexpr const char* kLabelKey = "label";
inline constexpr const char* kFirstDiscLabelDefault = "KVX_DISC01";
inline constexpr const char* kFilesKey = "files";
inline constexpr std::int32_t kFilesDefault = 10;

// [execmode]
inline constexpr IntKey kTry{kExecMode, "try", 0};
inline constexpr IntKey kUpdate{kExecMode, "up", 0};
inline constexpr IntKey kDemoLinks{kExecMode, "demo", 0};

// [DEMO_GROUP]
inline constexpr IntKey kDemoButton{kDemoGroup, "demo", 0};
inline constexpr TextKey kDemoName{kDemoGroup, "name", "Demo"};
inline constexpr TextKey kDemoPath{kDemoGroup, "path", nullptr};
inline constexpr TextKey kDemoExe{kDemoGroup, "exefile", nullptr};
inline constexpr TextKey kDemoArgs{kDemoGroup, "mode", ""};

// [WORK_GROUP]
inline constexpr TextKey kGameExeForGroup{kWorkGroup, "exefile", "kvx.exe"};
inline constexpr TextKey kGameExeForPlay{kWorkGroup, "exefile", nullptr};
inline constexpr TextKey kUninstallExe{kWorkGroup, "uninstall", "setup.exe"};
inline constexpr TextKey kGroupName{kWorkGroup, "groupname", "Wendmark"};
inline constexpr TextKey kGameTitle{kWorkGroup, "linkname", "Wendmark"};
inline constexpr TextKey kGameLinkFile{kWorkGroup, "linkname", "game.exe"};
inline constexpr TextKey kUninstallTitle{kWorkGroup, "linkname1", "Wendmark"};
inline constexpr TextKey kUninstallLinkFile{kWorkGroup, "linkname1", "unstall.exe"};
inline constexpr TextKey kDemoTitle{kWorkGroup, "linkname2", nullptr};
inline constexpr TextKey kDemoLinkFile{kWorkGroup, "linkname2", "demo.exe"};
inline constexpr TextKey kDemoFile{kWorkGroup, "demofile", nullptr};
inline constexpr TextKey kDemoMode{kWorkGroup, "demoMode", "demo"};
inline constexpr TextKey kGroupTemplate{kWorkGroup, "setup_ini", nullptr};  // format

// Shortcut locations (formats).
inline constexpr TextKey kStartLinkFormat{kStart, "path", "%s\\%s\\%s"};
inline constexpr TextKey kDesktopLinkFormat{kDesktop, "path", "%s\\%s"};

// Programs on the disc.
inline constexpr TextKey kExtraInstaller{kInstindPath, "path", nullptr};
inline constexpr TextKey kDirectXSetup2000{kInstdxPath, "path2000", nullptr};
inline constexpr TextKey kDirectXSetup98{kInstdxPath, "path98", nullptr};

}  // namespace script

namespace record {

inline constexpr const char* kInstPath = "[inst_path]";
inline constexpr const char* kInstallDirectory = "[install_directory]";
inline constexpr const char* kMoveFile = "[move_file]";

inline constexpr TextKey kInstallFolder{kInstPath, "path", nullptr};
inline constexpr TextKey kInstallFolderShown{kInstPath, "path", "C:\\Wendmark\\KVX"};
inline constexpr TextKey kSourceDisc{kInstallDirectory, "path", nullptr};

// [move_file] slots: what the install made outside its folder.
inline constexpr int kGameLink = 0;
inline constexpr int kUninstallLink = 1;
inline constexpr int kGameDesktopCopy = 2;
inline constexpr int kDemoLink = 3;
inline constexpr int kDemoDesktopCopy = 4;

}  // namespace record

// Numbered families: "[disc00]", "[disc01]"...; "file0", "file1"...; the name of disc n
// (counting from 1) is "string" followed by n + 11.
std::string DiscSectionName(int index);
std::string FileKeyName(int index);
std::string DiscNameKey(int discNumber);

}  // namespace dl
