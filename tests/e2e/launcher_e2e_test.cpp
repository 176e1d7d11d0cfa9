// The real setup.exe under Wine, driven as a user would drive it. The Wine prefix maps two
// folders as CD-ROM drives E: and F:; each scenario lays out the discs it needs (script,
// launcher, volume label), starts the launcher and checks what the user sees and the exit
// code. Screenshots of each mode go to the folder named by DL_E2E_SHOTS.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "uidriver/ui_driver.h"

namespace dl::e2e {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kAppear = 60000;  // the first window of a run may take a while under Wine
constexpr DWORD kExit = 30000;

constexpr int kInstall = DL_ID_INSTALL, kExitButton = DL_ID_EXIT, kDrive = DL_ID_DRIVE,
              kFolder = DL_ID_FOLDER, kPlay = DL_ID_PLAY, kStatus = DL_ID_STATUS,
              kProgress = DL_ID_PROGRESS, kPicture = DL_ID_PICTURE, kDemo = DL_ID_DEMO;

std::string UnixPathFromEnv(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}
std::string WinePathFromEnv(const char* name) {
  return WinePath(UnixPathFromEnv(name));
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Sections are looked up first match, so a scenario puts its own sections before these.
constexpr const char* kScript =
    "[setup]\r\nname=E2E.ini\r\n"
    "[STRING_TAB]\r\nstring3=E2E Setup\r\nstring9=Insert disc %d: %s\r\nstring10=Wrong disc\r\n"
    "string12=E2E Disc 1\r\n"
    "[disc00]\r\nlabel=E2E_DISC1\r\n"
    "[DEMO_GROUP]\r\ndemo=1\r\nname=Demo!\r\n";

class LauncherE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    discE_ = WinePathFromEnv("DL_E2E_DISC_E");
    discF_ = WinePathFromEnv("DL_E2E_DISC_F");
    shots_ = WinePathFromEnv("DL_E2E_SHOTS");
    setupExe_ = WinePathFromEnv("DL_E2E_SETUP");
    packtool_ = WinePathFromEnv("DL_E2E_PACKTOOL");
    game_ = WinePathFromEnv("DL_E2E_GAME");
    ASSERT_FALSE(discE_.empty() || discF_.empty() || setupExe_.empty())
        << "DL_E2E_DISC_E, DL_E2E_DISC_F and DL_E2E_SETUP must name host folders and files";
    fs::create_directories(shots_);
    // Each scenario starts with E: holding an empty disc labelled E2E_DISC1, F: E2E_DISC2.
    ASSERT_TRUE(SwapDisc('e', UnixPathFromEnv("DL_E2E_DISC_E"), "E2E_DISC1"));
    ASSERT_TRUE(SwapDisc('f', UnixPathFromEnv("DL_E2E_DISC_F"), "E2E_DISC2"));
    Eject(discE_);
    Eject(discF_);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    recordPack_ = std::string(windows) + "\\E2E.ini.pak";
    ::DeleteFileA(recordPack_.c_str());
  }
  void TearDown() override {
    Kill(setup_);
    ::DeleteFileA(recordPack_.c_str());
    ::DeleteFileA((recordPack_.substr(0, recordPack_.size() - 4) + ".jnl").c_str());
    // A game a scenario started (by the desktop shell, say) must not stop the next one.
    for (int i = 0; i < 50; ++i) {
      HWND game = ::FindWindowA("KVX", nullptr);
      if (game == nullptr) break;
      ::PostMessageA(game, WM_CLOSE, 0, 0);
      ::Sleep(100);
    }
  }

  // Puts the disc in folder unixFolder, with this label, into drive letter.
  static bool SwapDisc(char letter, const std::string& unixFolder, const std::string& label) {
    const std::string folder = WinePath(unixFolder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    WriteText(folder + "\\.windows-label", label);
    return MapCdRomDrive(letter, unixFolder);
  }
  // Empties the disc in a drive: no files but its label.
  static void Eject(const std::string& disc) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(disc, ec))
      if (entry.path().filename() != ".windows-label") fs::remove_all(entry.path(), ec);
  }
  // A disc with the launcher in its root and, when given, the script.
  void Insert(const std::string& disc, const std::string& script,
              const char* scriptName = "setup.ini") {
    ASSERT_TRUE(::CopyFileA(setupExe_.c_str(), (disc + "\\setup.exe").c_str(), FALSE));
    if (!script.empty()) WriteText(disc + "\\" + scriptName, script);
  }
  void WriteRecord(const std::string& text) {
    std::string file = shots_ + "\\record.ini";
    WriteText(file, text);
    Process tool =
        Start("\"" + packtool_ + "\" add \"" + recordPack_ + "\" E2E.ini \"" + file + "\"", "");
    ASSERT_EQ(WaitForExit(tool, kExit), 0) << "packtool add";
  }
  void StartSetup(const std::string& exe = "E:\\setup.exe", const std::string& cwd = "E:\\",
                  const std::vector<std::string>& env = {}) {
    setup_ = Start(exe, cwd, env);
    ASSERT_NE(setup_.handle, nullptr) << "could not start " << exe;
  }
  // The launcher in a folder of C: that holds no script.
  void StartFromFolderWithoutScript() {
    const std::string folder = "C:\\e2e-start";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(setupExe_.c_str(), (folder + "\\setup.exe").c_str(), FALSE));
    ::DeleteFileA((folder + "\\setup.ini").c_str());
    StartSetup(folder + "\\setup.exe", folder);
  }
  HWND Dialog() {
    HWND d = WaitForLauncherDialog(setup_, kAppear);
    EXPECT_NE(d, nullptr) << "the setup dialog did not appear";
    return d;
  }
  HWND MessageBoxShown() {
    HWND box = WaitForMessageBox(setup_, kAppear);
    EXPECT_NE(box, nullptr) << "no message box appeared";
    return box;
  }
  void Answer(HWND box) {
    Press(box, IDOK);
    EXPECT_TRUE(WaitGone(box, kExit));
  }
  void Shot(HWND window, const std::string& name) {
    EXPECT_TRUE(SaveScreenshot(window, shots_ + "\\" + name + ".bmp")) << name;
  }
  int ExitViaExitButton(HWND dialog) {
    Click(dialog, kExitButton);
    return WaitForExit(setup_, kExit);
  }
  // The first message box the launcher shows before it ends by itself; null when it ends
  // (or two minutes pass) without one.
  HWND BoxBeforeExit() {
    DWORD code = STILL_ACTIVE;
    const DWORD start = ::GetTickCount();
    while (code == STILL_ACTIVE && ::GetTickCount() - start < 120000) {
      if (HWND box = WaitForMessageBox(setup_, 200)) return box;
      ::GetExitCodeProcess(setup_.handle, &code);
    }
    return nullptr;
  }

  // What a screen reader is told of a control: its accessible name, as the system's own
  // accessibility proxy for the control gives it.
  static std::string Accessible(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                            IID_IAccessible, reinterpret_cast<void**>(&object))) ||
        object == nullptr)
      return "(no accessible object)";
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const HRESULT hr = object->get_accName(self, &text);
    object->Release();
    if (FAILED(hr) || text == nullptr) return "(none)";
    char buffer[512] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    ::SysFreeString(text);
    return buffer;
  }
  // The window that has the keyboard focus in the dialog's thread.
  static HWND Focus(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
  }
  // A key pressed and let go where the focus is, as the keyboard would deliver it.
  static void Key(HWND window, UINT key) {
    HWND target = Focus(window);
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    ::PostMessageA(target, WM_KEYDOWN, key, 1);
    ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    ::Sleep(200);
  }
  // The dialog's font, made again from the template's (10 points of "System") at dpi.
  static HFONT DialogFont(int dpi) {
    LOGFONTA font = {};
    font.lfHeight = -::MulDiv(10, dpi, 72);
    font.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(font.lfFaceName, "System");
    return ::CreateFontIndirectA(&font);
  }
  // At dpi dots per inch: the client area is 640 x 480 grown with the scale; every visible control
  // lies inside it, every button and text holds its text measured in the dialog's font, no two
  // buttons overlap.
  void ExpectTheLayoutHolds(HWND dialog, int dpi, const std::string& shot) {
    SCOPED_TRACE(shot);
    RECT client = {};
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, ::MulDiv(640, dpi, 96));
    EXPECT_EQ(client.bottom, ::MulDiv(480, dpi, 96));
    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = DialogFont(dpi);
    HGDIOBJ old = ::SelectObject(dc, font);
    // The font is the dialog's own when its average width gives the dialog's units: the
    // drive button ("...") keeps its template width of 32 units.
    SIZE letters = {};
    ::GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                            &letters);
    const int baseX = (letters.cx / 26 + 1) / 2;
    RECT drive = {};
    ::GetWindowRect(::GetDlgItem(dialog, kDrive), &drive);
    EXPECT_NEAR(drive.right - drive.left, ::MulDiv(32, baseX, 4), 1) << "not the dialog's font";
    std::vector<RECT> buttons;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
      if (!::IsWindowVisible(c)) continue;
      char cls[32] = {};
      ::GetClassNameA(c, cls, sizeof cls);
      const std::string text = ControlText(dialog, ::GetDlgCtrlID(c));
      SCOPED_TRACE(std::string(cls) + " \"" + text + "\"");
      RECT r = {};
      ::GetWindowRect(c, &r);
      ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
          << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
      const LONG style = ::GetWindowLongA(c, GWL_STYLE);
      const bool button = _stricmp(cls, "Button") == 0;
      const bool label = _stricmp(cls, "Static") == 0 && (style & SS_TYPEMASK) != SS_BITMAP;
      if (!button && !label) continue;
      RECT need = {0, 0, r.right - r.left, 0};
      ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &need,
                  DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK) |
                      ((style & SS_NOPREFIX) != 0 && label ? DT_NOPREFIX : 0));
      EXPECT_LE(need.right + (button ? 4 : 0), r.right - r.left);
      EXPECT_LE(need.bottom, r.bottom - r.top);
      if (!button) continue;
      for (const RECT& other : buttons) {
        RECT both = {};
        EXPECT_FALSE(::IntersectRect(&both, &r, &other)) << "two buttons overlap";
      }
      buttons.push_back(r);
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    Shot(dialog, shot);  // named for the mode and scale, kept with the other screenshots
  }
  std::string discE_, discF_, shots_, setupExe_, packtool_, game_, recordPack_;
  std::string copyingShot_ = "sample-copying";
  Process setup_;
};

TEST_F(LauncherE2E, InstallModeShowsTheReportFreeSpaceAndInstall) {
  Insert(discE_, "[setup]\r\ninst_size=1000\r\n" + std::string(kScript));
  WriteText(discE_ + "\\setup1.ini", "[STRING_TAB]\r\nstring3=Chinese Setup\r\n");
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowTitle(dialog), "E2E Setup");  // the default locale reads setup.ini only
  std::string status = ControlText(dialog, kStatus);
  EXPECT_EQ(status.rfind("OS:\tWindows NT Ver:", 0), 0u) << status;
  EXPECT_NE(status.find(",409\nDX:\tDirectX 9.0 or up\nfree disk space,"), std::string::npos)
      << status;
  EXPECT_TRUE(EndsWith(status, " Mbytes")) << status;
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_EQ(ControlText(dialog, kInstall), "INSTALL");
  EXPECT_FALSE(ControlVisible(dialog, kPlay));
  EXPECT_TRUE(ControlVisible(dialog, kDemo));
  EXPECT_EQ(ControlText(dialog, kDemo), "Demo!");
  EXPECT_FALSE(ControlVisible(dialog, kProgress));
  EXPECT_TRUE(ControlVisible(dialog, kPicture));
  EXPECT_EQ(ControlText(dialog, kFolder), "Wendmark");
  EXPECT_EQ(ControlText(dialog, kDrive), "C:\\");
  RECT client = {};
  ::GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  Shot(dialog, "install-mode");

  // Esc, typed in the folder field, is Exit (the dialog's own loop turns the key into
  // its Cancel command).
  HWND field = ::GetDlgItem(dialog, kFolder);
  ::PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageA(field, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
}

TEST_F(LauncherE2E, InstallIsHiddenWhenTheSpaceTestFails) {
  Insert(discE_, "[setup]\r\ninst_size=-1\r\n" + std::string(kScript));
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(ControlVisible(dialog, kInstall));
  EXPECT_TRUE(EndsWith(ControlText(dialog, kStatus), " Mbytes\nno free space"))
      << ControlText(dialog, kStatus);
  Shot(dialog, "install-mode-no-space");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, TheFolderBrowserOpensCancelsAndChooses) {
  Insert(discE_, "[setup]\r\ninst_size=1000\r\n" + std::string(kScript));
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  const std::string status = ControlText(dialog, kStatus);

  Click(dialog, kDrive);
  HWND browser = WaitForOtherDialog(setup_, WindowTitle(dialog), kAppear);
  ASSERT_NE(browser, nullptr) << "no folder browser";
  Shot(browser, "folder-browser");
  Press(browser, IDCANCEL);
  ASSERT_TRUE(WaitGone(browser, kExit));
  EXPECT_EQ(ControlText(dialog, kStatus), status);
  EXPECT_EQ(ControlText(dialog, kFolder), "Wendmark");

  // Choose the browser's root, the desktop folder (C:\users\<user>\Desktop).
  Click(dialog, kDrive);
  browser = WaitForOtherDialog(setup_, WindowTitle(dialog), kAppear);
  ASSERT_NE(browser, nullptr);
  HWND tree = ::FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
  ASSERT_NE(tree, nullptr);
  LRESULT root = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, root);
  ::Sleep(300);
  Press(browser, IDOK);
  ASSERT_TRUE(WaitGone(browser, kExit));
  ::Sleep(300);
  EXPECT_EQ(ControlText(dialog, kDrive), "C:\\");
  std::string folder = ControlText(dialog, kFolder);
  EXPECT_EQ(folder.rfind("users\\", 0), 0u) << folder;
  EXPECT_TRUE(EndsWith(folder, "\\Desktop\\Game")) << folder;
  std::string chosen = ControlText(dialog, kStatus);
  EXPECT_NE(chosen.find("\nfree disk space,"), std::string::npos) << chosen;
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  Shot(dialog, "folder-chosen");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, ARecordOpensInstalledMode) {
  WriteRecord("[inst_path]\r\npath=C:\\Games\\E2E\r\n");
  Insert(discE_, kScript);
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_EQ(ControlText(dialog, kInstall), "Uninstall");
  EXPECT_FALSE(ControlVisible(dialog, kFolder));
  EXPECT_FALSE(ControlVisible(dialog, kDrive));
  EXPECT_TRUE(ControlVisible(dialog, kPlay));  // Wine brings DirectX 9
  EXPECT_EQ(ControlText(dialog, kStatus).find("free disk space"), std::string::npos);
  Shot(dialog, "installed-mode");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, NoD3D_InstalledModeWithoutDirect3D8HidesPlay) {
  WriteRecord("[inst_path]\r\npath=C:\\Games\\E2E\r\n");
  Insert(discE_, kScript);
  // ctest runs this scenario with Direct3D 8 and 9 switched off for the whole Wine process
  // tree (a child takes its DLL overrides from the Unix environment, not from Windows').
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  std::string status = ControlText(dialog, kStatus);
  EXPECT_NE(status.find("DX:\tDirectX 7.0 \ndriver is too old"), std::string::npos) << status;
  EXPECT_FALSE(ControlVisible(dialog, kPlay));
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  Shot(dialog, "installed-mode-directx7");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, AnUpdateDiscShowsTheInstalledFolder) {
  WriteRecord("[inst_path]\r\npath=C:\\Games\\E2E\r\n");
  Insert(discE_, "[disc00]\r\nlabel=NOT_HERE\r\n[execmode]\r\nup=1\r\n" + std::string(kScript));
  StartSetup();
  HWND dialog = Dialog();  // no first-disc prompt for an update disc
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_EQ(ControlText(dialog, kInstall), "INSTALL");
  EXPECT_FALSE(ControlVisible(dialog, kPlay));
  EXPECT_FALSE(ControlVisible(dialog, kDemo));
  EXPECT_FALSE(ControlVisible(dialog, kDrive));
  EXPECT_TRUE(ControlVisible(dialog, kFolder));
  EXPECT_EQ(ControlText(dialog, kDrive), "C:\\");
  EXPECT_EQ(ControlText(dialog, kFolder), "Games\\E2E");
  Shot(dialog, "update-mode");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, AnUpdateDiscWithoutInstallationEndsWithOne) {
  Insert(discE_, "[execmode]\r\nup=1\r\n" + std::string(kScript));
  StartSetup();
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowTitle(box), "can't find KVX");
  EXPECT_EQ(MessageBoxText(box), "error");
  Shot(box, "update-without-installation");
  Answer(box);
  EXPECT_EQ(WaitForExit(setup_, kExit), 1);
}

TEST_F(LauncherE2E, AWrongFirstDiscIsAskedForThreeTimes) {
  // The first disc's label differs from E:'s only in case.
  Insert(discE_, "[disc00]\r\nlabel=e2e_disc1\r\n" + std::string(kScript));
  StartSetup();
  for (int prompt = 0; prompt < 3; ++prompt) {
    HWND box = MessageBoxShown();
    ASSERT_NE(box, nullptr) << "prompt " << prompt + 1;
    EXPECT_EQ(WindowTitle(box), "Wrong disc");
    EXPECT_EQ(MessageBoxText(box), "Insert disc 1: E2E Disc 1");
    if (prompt == 0) Shot(box, "first-disc-prompt");
    Answer(box);
  }
  HWND dialog = Dialog();  // start-up goes on after the third prompt
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, TheFirstDiscPromptEndsWhenTheRightDiscIsInserted) {
  const std::string wrong = UnixPathFromEnv("DL_E2E_DISC_E") + "-wrong";
  const std::string right = UnixPathFromEnv("DL_E2E_DISC_E") + "-right";
  ASSERT_TRUE(SwapDisc('e', wrong, "SOME_OTHER_DISC"));
  Eject(WinePath(wrong));
  Insert(WinePath(wrong), kScript);
  StartSetup();
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowTitle(box), "Wrong disc");
  // The user swaps the disc, then answers.
  fs::create_directories(WinePath(right));
  Eject(WinePath(right));
  Insert(WinePath(right), kScript);
  ASSERT_TRUE(SwapDisc('e', right, "E2E_DISC1"));
  Answer(box);
  HWND dialog = Dialog();  // after exactly one prompt
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, TheFirstDiscMayBeInAnyCdRomDrive) {
  // The script on E:, the first disc's label on F:: no prompt.
  Insert(discE_, "[disc00]\r\nlabel=E2E_DISC2\r\n" + std::string(kScript));
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(LauncherE2E, TheScriptIsFoundOnACdRomAndTheDiscSearchWaitsForIt) {
  // The launcher started from a folder without a script, with both drives empty.
  StartFromFolderWithoutScript();
  for (int i = 0; i < 2; ++i) {
    HWND box = MessageBoxShown();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowTitle(box), "Error");
    EXPECT_EQ(MessageBoxText(box), "Install Disc not Find");
    if (i == 0) {
      Shot(box, "install-disc-not-found");
      Answer(box);
    } else {
      Insert(discF_, kScript);  // the disc goes into F: while the box waits
      Answer(box);
    }
  }
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowTitle(dialog), "E2E Setup");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

// ctest runs this scenario with LC_ALL=zh_CN.UTF-8, which gives the whole Wine process tree
// the system locale 2052 (a child takes it from the Unix environment, not from Windows').
TEST_F(LauncherE2E, Chinese_Locale2052ReadsTheChineseScriptOnly) {
  ASSERT_EQ(::GetSystemDefaultLCID(), 2052u);
  Insert(discE_, "[STRING_TAB]\r\nstring3=English Setup\r\n" + std::string(kScript));
  WriteText(discE_ + "\\setup1.ini",
            "[disc00]\r\nlabel=E2E_DISC1\r\n[STRING_TAB]\r\nstring3=Chinese Setup\r\n");
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowTitle(dialog), "Chinese Setup");
  EXPECT_NE(ControlText(dialog, kStatus).find(",804\n"), std::string::npos)
      << ControlText(dialog, kStatus);
  Shot(dialog, "locale-2052");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);

  // Without setup1.ini the disc has no script for this locale, though setup.ini is there.
  ::DeleteFileA((discE_ + "\\setup1.ini").c_str());
  StartSetup();
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Install Disc not Find");
  Kill(setup_);
}

TEST_F(LauncherE2E, TheRunningGameStopsTheLauncherSilently) {
  ASSERT_FALSE(game_.empty());
  Insert(discE_, kScript);
  Process game = Start("\"" + game_ + "\"", "", {"DL_STUB_LOG=" + shots_ + "\\stubs.log"});
  ASSERT_NE(WaitForWindow(game, "KVX", nullptr, kAppear), nullptr) << "the stand-in game";
  StartSetup();
  EXPECT_TRUE(ShowsNoWindow(setup_, kExit));
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  Kill(game);
}

TEST_F(LauncherE2E, AWindowTitledLikeTheDialogStopsTheLauncherAfterTheScript) {
  HWND other = ::CreateWindowA("STATIC", "E2E Setup", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  // Without a script the launcher asks for the disc first: the title is looked at later.
  StartFromFolderWithoutScript();
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Install Disc not Find");
  Insert(discE_, kScript);
  Answer(box);
  EXPECT_TRUE(ShowsNoWindow(setup_, 3000));
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  ::DestroyWindow(other);
}

// --- installing the sample discs ---

// The sample's entry in the system's list of installed programs.
constexpr const char* kSampleEntry =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WENDMARK";

// A text value of the sample's entry under root; empty when there is none.
std::string SampleEntryValue(HKEY root, const char* name) {
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  if (::RegGetValueA(root, kSampleEntry, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return std::string();
  return value;
}

// What the system removes at its next start (PendingFileRenameOperations), as one text.
std::string PendingRemovals() {
  std::string value(65536, '\0');
  DWORD size = static_cast<DWORD>(value.size());
  if (::RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                     "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value.data(),
                     &size) != ERROR_SUCCESS)
    return std::string();
  value.resize(size);
  return value;
}

// A visible message box of any program with this title; null when none shows in time.
HWND WaitForAnyBoxTitled(const char* title, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  do {
    HWND box = ::FindWindowA("#32770", title);
    if (box != nullptr && ::IsWindowVisible(box)) return box;
    ::Sleep(100);
  } while (::GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH + 1] = {};
  return ::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? std::string(path) : std::string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The long form of the program a shortcut file starts.
std::string LinkTarget(const std::string& link) {
  std::string target;
  IShellLinkA* shell = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    std::wstring wide(link.begin(), link.end());
    if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
      char path[MAX_PATH + 1] = {};
      if (SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0))) {
        char longPath[MAX_PATH + 1] = {};
        target = ::GetLongPathNameA(path, longPath, MAX_PATH) ? longPath : path;
      }
    }
    file->Release();
  }
  shell->Release();
  return target;
}

// Runs under LC_ALL=zh_CN.UTF-8 (see the test list): code page 936, where a character's
// second byte may be "\\" (運 DF 5C), "|" (東 96 7C) or "[" (遊 DF 5B). A Chinese disc installs
// through the dialog where its record says, its shortcut is found and copied, Play starts the
// game, and Uninstall removes it all. (Wine makes such names on the host only when the host
// has the locale: the package installer generates zh_CN.UTF-8.)
TEST_F(LauncherE2E, Chinese_AChineseDiscInstallsPlaysAndUninstalls) {
  ASSERT_EQ(::GetACP(), 936u);
  const std::string east = "\x96\x7C", square = "\xB7\xBD", run = "\xDF\x5C", go = "\xD0\xD0";
  const std::string sincere = "\xD5\x5C", play = "\xDF\x5B\x91\xF2", start = "\xE9\x5F\xCA\xBC";
  std::error_code ec;
  ASSERT_TRUE(::CreateDirectoryA((discE_ + "\\" + run).c_str(), nullptr) ||
              ::GetLastError() == ERROR_ALREADY_EXISTS)
      << ::GetLastError();
  WriteText(discE_ + "\\" + east + ".dat", "east");
  WriteText(discE_ + "\\" + run + "\\" + sincere + ".dat", "sincere");
  ASSERT_TRUE(
      ::CopyFileA(game_.c_str(), (discE_ + "\\" + run + "\\" + start + ".exe").c_str(), FALSE));
  const std::string grpconv = WinePathFromEnv("DL_E2E_GRPCONV");
  ASSERT_TRUE(::CopyFileA(grpconv.c_str(), (discE_ + "\\grpconv.exe").c_str(), FALSE));
  Insert(discE_, "", "setup.ini");
  WriteText(discE_ + "\\setup1.ini",
            "[setup]\r\nname=E2E.ini\r\ninst_size=1000\r\n"
            "[STRING_TAB]\r\nstring1=" +
                run + go + east + square + play + start + "\r\nfolder=" + run + go +
                "(&F):" + "\r\nstring3=" + east + square + " " + play +
                "\r\nstring9=Disc %d: %s\r\nstring11=" + east + "\r\nstring12=" + east + square +
                "\r\n[DEFPATH]\r\npath2=" + east + square + "\r\npath1=" + run + go +
                "\r\n[disc00]\r\nlabel=E2E_DISC1\r\nfile0=" + east + ".dat\r\nfile1=" + run +
                "\\*\r\n"
                "[WORK_GROUP]\r\n; " +
                play + "\r\nexefile=" + run + "\\" + start + ".exe\r\ngroupname=" + east + square +
                " Vol.2\r\nlinkname=" + play + ": " + start + "\r\nlinkname1=" + run +
                "\r\n[DEMO_GROUP]\r\ndemo=1\r\nname=" + play + start + east + square + run + go +
                "\r\n");
  const std::string folder = "C:\\" + east + square + "\\" + run + go;
  const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + east + square + " Vol.2";
  const std::string link = play + "_ " + start + ".lnk";
  const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + link;
  fs::remove_all("C:\\" + east + square, ec);

  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowTitle(dialog), east + square + " " + play);
  ExpectTheLayoutHolds(dialog, 96, "chinese-disc");
  Click(dialog, kInstall);
  HWND box = MessageBoxShown();  // the first disc asked back, as always after a copy
  ASSERT_NE(box, nullptr);
  Answer(box);
  for (int i = 0; i < 600 && !ControlVisible(dialog, kPlay); ++i) ::Sleep(100);
  ASSERT_TRUE(ControlVisible(dialog, kPlay)) << "the install did not finish";
  ExpectTheLayoutHolds(dialog, 96, "chinese-installed");
  EXPECT_EQ(ReadAll(folder + "\\" + east + ".dat"), "east");
  EXPECT_EQ(ReadAll(folder + "\\" + run + "\\" + sincere + ".dat"), "sincere");
  EXPECT_NE(::GetFileAttributesA((group + "\\" + link).c_str()), INVALID_FILE_ATTRIBUTES)
      << "no shortcut";
  EXPECT_NE(::GetFileAttributesA(desktop.c_str()), INVALID_FILE_ATTRIBUTES) << "no desktop copy";
  Click(dialog, kPlay);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  HWND game = nullptr;
  for (int i = 0; i < 100 && game == nullptr; ++i, ::Sleep(100))
    game = ::FindWindowA("KVX", nullptr);
  ASSERT_NE(game, nullptr) << "the game did not start";
  ::PostMessageA(game, WM_CLOSE, 0, 0);
  WaitGone(game, kExit);

  StartSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);  // Uninstall
  for (int i = 0; i < 600 && ControlText(dialog, kExitButton) != "OK"; ++i) ::Sleep(100);
  EXPECT_EQ(WaitForMessageBox(setup_, 500), nullptr) << "the uninstall kept something";
  EXPECT_EQ(::GetFileAttributesA(("C:\\" + east + square).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(group.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(desktop.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(recordPack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

// A DLL planted under the names of the DirectX libraries, beside the launcher on the disc
// and in the folder it is started from, with Wine asked to prefer such native DLLs: the
// launcher, which may run as an administrator, never loads one, and its probe still finds
// the system's DirectX. A program that loads DirectDraw by its bare name, from the same
// place with the same settings, does load the planted one: the trap is set.
TEST_F(LauncherE2E, APlantedDllBesideTheLauncherOrInTheCurrentFolderNeverLoads) {
  Insert(discE_, "[setup]\r\ninst_size=1000\r\n" + std::string(kScript));
  const std::string planted = WinePathFromEnv("DL_E2E_PLANTED_DLL");
  const std::string loader = WinePathFromEnv("DL_E2E_BARE_LOADER");
  ASSERT_FALSE(planted.empty() || loader.empty());
  const std::string cwd = "C:\\e2e-planted";
  std::error_code ec;
  fs::create_directories(cwd, ec);
  for (const std::string& folder : {discE_, cwd})
    for (const char* name : {"ddraw.dll", "dinput.dll", "d3d8.dll", "d3d9.dll"})
      ASSERT_TRUE(::CopyFileA(planted.c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
  ASSERT_TRUE(::CopyFileA(loader.c_str(), (discE_ + "\\bare.exe").c_str(), FALSE));
  const std::string marker = shots_ + "\\planted-dll-loaded.txt";
  ::DeleteFileA(marker.c_str());
  // Wine takes its DLL overrides from the Unix environment of the first program: the test
  // list gives this scenario "ddraw,dinput,d3d8,d3d9=n,b" (native, that is planted, first).
  const std::vector<std::string> env = {"DL_MARKER=" + marker};

  Process control = Start("E:\\bare.exe", cwd, env);
  EXPECT_EQ(WaitForExit(control, kExit), 0);
  EXPECT_NE(Upper(ReadAll(marker)).find("\\DDRAW.DLL"), std::string::npos)
      << "the planted DLL is not what a bare name loads here: the scenario proves nothing";
  ::DeleteFileA(marker.c_str());

  StartSetup("E:\\setup.exe", cwd, env);
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  const std::string status = ControlText(dialog, kStatus);
  EXPECT_NE(status.find("DX:\tDirectX 9.0 or up"), std::string::npos) << status;
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  EXPECT_EQ(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES)
      << "loaded: " << ReadAll(marker);
  fs::remove_all(cwd, ec);
}

// grpconv makes a group only as a plain folder of its own under the programs folder, and an
// item only under a plain file name: a group named like the Startup folder (whose shortcuts
// would run at every sign-in) or a device, an item named like a device, get nothing.
TEST_F(LauncherE2E, GrpconvRefusesTheStartupFolderAndDeviceNames) {
  const std::string grpconv = WinePathFromEnv("DL_E2E_GRPCONV");
  ASSERT_FALSE(grpconv.empty());
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string conversion = std::string(windows) + "\\setup.ini";
  WriteText(conversion,
            "[progman.groups]\r\ngroupx=Startup\r\ngroupx1=COM1\r\ngroupx2=E2E Fine\r\n"
            "[groupx]\r\n\"Evil\",\"C:\\windows\\notepad.exe\",,,,\"\"\r\n"
            "[groupx1]\r\n\"Device\",\"C:\\windows\\notepad.exe\",,,,\"\"\r\n"
            "[groupx2]\r\n\"LPT1\",\"C:\\windows\\notepad.exe\",,,,\"\"\r\n"
            "\"Play\",\"C:\\windows\\notepad.exe\",,,,\"\"\r\n");
  const std::string programs = ShellFolder(CSIDL_PROGRAMS);
  const std::string startup = ShellFolder(CSIDL_STARTUP);
  ASSERT_FALSE(programs.empty() || startup.empty());
  Process run = Start("\"" + grpconv + "\" -o", "C:\\");
  EXPECT_EQ(WaitForExit(run, kExit), 2);
  // A device's name answers as a device wherever it is asked for: look at what the folders
  // list instead.
  auto listed = [](const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
      names.insert(Upper(entry.path().filename().string()));
    return names;
  };
  EXPECT_EQ(listed(startup).count("EVIL.LNK"), 0u);
  EXPECT_EQ(listed(programs).count("COM1"), 0u);
  EXPECT_EQ(listed(programs + "\\E2E Fine"), (std::set<std::string>{"PLAY.LNK"}));
  std::error_code ec;
  fs::remove_all(programs + "\\E2E Fine", ec);
  ::DeleteFileA(conversion.c_str());
}

class SampleInstallE2E : public LauncherE2E {
 protected:
  void SetUp() override {
    LauncherE2E::SetUp();
    ::CoInitialize(nullptr);
    const std::string sample = UnixPathFromEnv("DL_E2E_SAMPLE");
    ASSERT_FALSE(sample.empty()) << "DL_E2E_SAMPLE names the assembled sample discs";
    disc1_ = UnixPathFromEnv("DL_E2E_DISC_E") + "-sample1";
    disc2_ = UnixPathFromEnv("DL_E2E_DISC_E") + "-sample2";
    for (auto [from, to] :
         {std::pair{sample + "/disc1", disc1_}, std::pair{sample + "/disc2", disc2_}}) {
      std::error_code ec;
      fs::remove_all(WinePath(to), ec);
      fs::copy(WinePath(from), WinePath(to), fs::copy_options::recursive, ec);
      ASSERT_FALSE(ec) << "copying " << from;
    }
    programs_ = ShellFolder(CSIDL_PROGRAMS);
    desktop_ = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    samplePack_ = std::string(windows) + "\\WENDMARK.ini.pak";
    stubLog_ = shots_ + "\\stubs-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    ::DeleteFileA(stubLog_.c_str());
    // Programs the desktop shell starts do not have the launcher's environment: the stubs
    // find their log here as well.
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\disclaunch-tests", 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      ::RegSetValueExA(key, "StubLog", 0, REG_SZ, reinterpret_cast<const BYTE*>(stubLog_.c_str()),
                       static_cast<DWORD>(stubLog_.size() + 1));
      ::RegCloseKey(key);
    }
    RemoveInstall();
    ASSERT_TRUE(SwapDisc('e', disc1_, "WENDMARK_1"));
  }
  void TearDown() override {
    LauncherE2E::TearDown();
    RemoveInstall();
    ::CoUninitialize();
  }
  void RemoveInstall() {
    std::error_code ec;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      ::RegDeleteKeyA(root, kSampleEntry);
      ::RegDeleteKeyA(root, (std::string(kSampleEntry) + " (2)").c_str());
    }
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    fs::remove_all(std::string(temp) + "WENDMARK-uninstall", ec);
    for (const char* n : {"", "2", "3"}) fs::remove_all(Uninstaller(n), ec);
    for (const std::string& p : {std::string("C:\\Wendmark"), std::string("C:\\Games"),
                                 programs_ + "\\Wendmark", desktop_ + "\\Wendmark.lnk", samplePack_,
                                 samplePack_.substr(0, samplePack_.size() - 4) + ".jnl"})
      fs::remove_all(p, ec);
  }
  // Waits for the next message box while watching the progress bar; returns it.
  HWND NextBoxWatchingProgress(HWND dialog) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kAppear) {
      int position = 0;
      if (ControlVisible(dialog, kProgress) &&
          ProgressPosition(dialog, kProgress, &position, /*timeoutMs=*/500)) {
        if (progressPositions_.empty()) {
          EXPECT_TRUE(
              SaveScreenshot(dialog, shots_ + "\\" + copyingShot_ + ".bmp", /*settle=*/false));
        }
        progressPositions_.insert(position);
      }
      HWND box = WaitForMessageBox(setup_, 1);
      if (box != nullptr) return box;
      if (::WaitForSingleObject(setup_.handle, 0) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
  }
  // Waits until a control shows (the end of the install command).
  bool WaitVisible(HWND dialog, int id, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!ControlVisible(dialog, id)) {
      if (::GetTickCount() - start > timeoutMs) return false;
      ::Sleep(100);
    }
    return true;
  }
  std::string RecordText() {
    Process tool = Start("\"" + packtool_ + "\" verify \"" + samplePack_ + "\"", "");
    EXPECT_EQ(WaitForExit(tool, kExit), 0) << "packtool verify " << samplePack_;
    const std::string dir = shots_ + "\\record";
    std::error_code ec;
    fs::remove_all(dir, ec);
    Process extract =
        Start("\"" + packtool_ + "\" extract \"" + samplePack_ + "\" \"" + dir + "\"", "");
    EXPECT_EQ(WaitForExit(extract, kExit), 0);
    // The record beside the install's journal.
    for (const auto& entry : fs::directory_iterator(dir, ec))
      if (Upper(entry.path().filename().string()) != "JOURNAL.TXT")
        return ReadAll(entry.path().string());
    return std::string();
  }

  // Presses Install in the sample's dialog and answers the prompts by swapping the discs;
  // true when the dialog reached installed mode.
  bool InstallFromBothDiscs(HWND dialog) {
    Click(dialog, kInstall);
    return AnswerBothDiscPrompts(dialog) && WaitVisible(dialog, kPlay, 60000);
  }
  // Answers the copy's two prompts, putting disc 2 in and then disc 1 back; false when a
  // prompt did not come or asked for something else.
  bool AnswerBothDiscPrompts(HWND dialog, const std::string& label1 = "WENDMARK_1",
                             const std::string& label2 = "WENDMARK_2") {
    HWND box = NextBoxWatchingProgress(dialog);
    if (box == nullptr || MessageBoxText(box) != "Please insert disc 2: Wendmark Disc 2")
      return false;
    SwapDisc('e', disc2_, label2);
    Answer(box);
    box = NextBoxWatchingProgress(dialog);
    if (box == nullptr || MessageBoxText(box) != "Please insert disc 1: Wendmark Disc 1")
      return false;
    SwapDisc('e', disc1_, label1);
    Answer(box);
    return true;
  }
  std::vector<std::string> StubLog() {
    std::vector<std::string> lines;
    std::string text = ReadAll(stubLog_), line;
    for (char c : text) {
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return lines;
  }
  // Puts an install record of this text into the sample's pack, as an earlier install (or
  // someone with an editor) would have left it.
  void WriteSampleRecord(const std::string& text) {
    const std::string file = shots_ + "\\sample-record.ini";
    WriteText(file, text);
    Process tool = Start(
        "\"" + packtool_ + "\" add \"" + samplePack_ + "\" WENDMARK.ini \"" + file + "\"", "");
    ASSERT_EQ(WaitForExit(tool, kExit), 0) << "packtool add";
  }
  // Presses Uninstall in installed mode and returns the message box that follows, or null
  // when the uninstall ended (Exit reads "OK") without one.
  HWND UninstallAndTakeTheBox(HWND dialog) {
    Click(dialog, kInstall);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kAppear) {
      if (HWND box = WaitForMessageBox(setup_, 1)) return box;
      if (ControlText(dialog, kExitButton) == "OK") return WaitForMessageBox(setup_, 1000);
      ::Sleep(100);
    }
    return nullptr;
  }
  void StartSampleSetup(std::vector<std::string> env = {}) {
    env.push_back("DL_STUB_LOG=" + stubLog_);
    StartSetup("E:\\setup.exe", "E:\\", env);
  }

  // The folder of the launcher's copy an install keeps beside the record.
  std::string Uninstaller(const std::string& number = "") const {
    return samplePack_.substr(0, samplePack_.rfind('\\')) + "\\WENDMARK.uninstall" + number;
  }

  std::string disc1_, disc2_, programs_, desktop_, samplePack_;
  std::string stubLog_;
  std::set<int> progressPositions_;
};

TEST_F(SampleInstallE2E, AFreshInstallFromBothDiscs) {
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(WindowTitle(dialog), "Wendmark Setup");
  ASSERT_TRUE(ControlVisible(dialog, kInstall));
  Click(dialog, kInstall);

  HWND box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr) << "no insert-disc prompt";
  EXPECT_EQ(WindowTitle(box), "Insert disc");
  EXPECT_EQ(MessageBoxText(box), "Please insert disc 2: Wendmark Disc 2");
  Shot(box, "sample-insert-disc-2");
  ASSERT_TRUE(SwapDisc('e', disc2_, "WENDMARK_2"));
  Answer(box);

  box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr) << "no return-disc prompt";
  EXPECT_EQ(WindowTitle(box), "Insert disc");
  EXPECT_EQ(MessageBoxText(box), "Please insert disc 1: Wendmark Disc 1");
  ASSERT_TRUE(SwapDisc('e', disc1_, "WENDMARK_1"));
  Answer(box);

  // Renames, the converter and its shortcuts (up to 13 s of waiting), the record.
  ASSERT_TRUE(WaitVisible(dialog, kPlay, 60000)) << "the dialog did not reach installed mode";
  EXPECT_GE(progressPositions_.size(), 2u) << "the progress bar was not seen moving";
  EXPECT_EQ(ControlText(dialog, kInstall), "Uninstall");
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_EQ(ControlText(dialog, kExitButton), "OK");
  EXPECT_TRUE(ControlVisible(dialog, kExitButton));
  EXPECT_FALSE(ControlVisible(dialog, kProgress));
  Shot(dialog, "sample-installed");

  // Every listed file, with its content and without the read-only mark.
  const std::string game = "C:\\Wendmark\\Game\\game\\";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"readme.txt", disc1_ + "/game/readme.txt"},
      {"kvx.exe", disc1_ + "/game/kvx.exe"},
      {"data\\level1.dat", disc1_ + "/game/data/level1.dat"},
      {"data\\level2.dat", disc1_ + "/game/data/level2.dat"},
      {"kvx.ini", disc1_ + "/game/settings.ini"},  // renamed
      {"data\\level3.dat", disc2_ + "/game/data/level3.dat"},
      {"movies\\intro.mov", disc2_ + "/game/movies/intro.mov"}};
  for (const auto& [installed, source] : files) {
    const std::string path = game + installed;
    EXPECT_EQ(ReadAll(path), ReadAll(WinePath(source))) << path;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u) << path;
  }
  EXPECT_EQ(::GetFileAttributesA((game + "settings.ini").c_str()), INVALID_FILE_ATTRIBUTES);

  // The Start-menu group with real shortcuts, and the desktop copy.
  const std::string group = programs_ + "\\Wendmark\\";
  EXPECT_EQ(Upper(LinkTarget(group + "Wendmark.lnk")), Upper(game + "kvx.exe"));
  EXPECT_TRUE(EndsWith(Upper(LinkTarget(group + "Uninstall Wendmark.lnk")), "SETUP.EXE"))
      << LinkTarget(group + "Uninstall Wendmark.lnk");
  EXPECT_EQ(Upper(LinkTarget(desktop_ + "\\Wendmark.lnk")), Upper(game + "kvx.exe"));

  // The record, as the next start reads it.
  EXPECT_EQ(RecordText(), "[move_file]\r\nfile0=" + group + "Wendmark.lnk\r\nfile2=" + desktop_ +
                              "\\Wendmark.lnk\r\nfile1=" + group +
                              "Uninstall Wendmark.lnk\r\n[inst_path]\r\npath=C:\\Wendmark\\Game\r\n"
                              "[install_directory]\r\npath=E:\\\r\n");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);

  StartSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, kInstall), "Uninstall");
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_FALSE(ControlVisible(dialog, kFolder));
  Shot(dialog, "sample-second-start");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(SampleInstallE2E, AWrongSecondDiscFailsTheInstallAndWritesNoRecord) {
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);
  HWND box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(MessageBoxText(box), "Please insert disc 2: Wendmark Disc 2");
  const std::string wrong = UnixPathFromEnv("DL_E2E_DISC_E") + "-notwendmark";
  ASSERT_TRUE(SwapDisc('e', wrong, "NOT_WENDMARK"));
  Answer(box);
  int wrongDisc = 0, insertDisc = 0, notFinished = 0, others = 0;
  for (int i = 0; i < 20; ++i) {
    box = NextBoxWatchingProgress(dialog);
    if (box == nullptr) break;
    const std::string caption = WindowTitle(box);
    if (caption == "Wrong disc") {
      EXPECT_EQ(MessageBoxText(box), "Please insert disc 2: Wendmark Disc 2");
      ++wrongDisc;
    } else if (caption == "Insert disc") {
      EXPECT_EQ(MessageBoxText(box), "Please insert disc 1: Wendmark Disc 1");
      if (insertDisc++ == 0) SwapDisc('e', disc1_, "WENDMARK_1");
    } else if (caption == "Wendmark Setup") {
      const std::string text = MessageBoxText(box);
      EXPECT_EQ(text.rfind("The install did not finish: ", 0), 0u) << text;
      EXPECT_NE(text.find("What it had copied was removed."), std::string::npos) << text;
      EXPECT_EQ(text.find("could not be removed"), std::string::npos) << text;
      if (notFinished++ == 0) Shot(box, "sample-not-finished");
    } else {
      ++others;  // the shell's own error message about the file it could not copy
    }
    Answer(box);
  }
  EXPECT_EQ(wrongDisc, 3);
  EXPECT_EQ(insertDisc, 1);
  EXPECT_EQ(notFinished, 1);
  EXPECT_LE(others, 1);
  // The failed copy is undone and closes the dialog; nothing is recorded, nothing of disc 1
  // stays.
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((samplePack_.substr(0, samplePack_.size() - 4) + ".jnl").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(SampleInstallE2E, AnUpdateCopiesWhereTheRecordSaysAndKeepsTheRecord) {
  // An update disc: the same discs with the update flag.
  const std::string script = WinePath(disc1_) + "\\setup.ini";
  std::string text = ReadAll(script);
  const std::size_t at = text.find("up=0");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 4, "up=1");
  WriteText(script, text);
  const std::string recordFile = shots_ + "\\wendmark-record.ini";
  WriteText(recordFile, "[inst_path]\r\npath=C:\\Games\\Old\r\n");
  Process tool = Start(
      "\"" + packtool_ + "\" add \"" + samplePack_ + "\" WENDMARK.ini \"" + recordFile + "\"", "");
  ASSERT_EQ(WaitForExit(tool, kExit), 0);
  const std::string packBefore = ReadAll(samplePack_);

  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, kFolder), "Games\\Old");
  Click(dialog, kInstall);
  HWND box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Please insert disc 2: Wendmark Disc 2");
  ASSERT_TRUE(SwapDisc('e', disc2_, "WENDMARK_2"));
  Answer(box);
  // No return-disc prompt in update mode: the command ends with Install hidden.
  const DWORD start = ::GetTickCount();
  while (ControlVisible(dialog, kInstall) && ::GetTickCount() - start < kAppear) ::Sleep(100);
  EXPECT_FALSE(ControlVisible(dialog, kInstall));
  EXPECT_TRUE(ControlVisible(dialog, kExitButton));
  // The first level from the record, then path1.
  EXPECT_EQ(ReadAll("C:\\Games\\Game\\game\\readme.txt"),
            ReadAll(WinePath(disc1_ + "/game/readme.txt")));
  EXPECT_EQ(ReadAll("C:\\Games\\Game\\game\\movies\\intro.mov"),
            ReadAll(WinePath(disc2_ + "/game/movies/intro.mov")));
  Shot(dialog, "sample-updated");
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  EXPECT_EQ(ReadAll(samplePack_), packBefore);  // the record is not rewritten
}

TEST_F(SampleInstallE2E, TheWholeLifecyclePlayDemoUninstallAndAFreshStart) {
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(InstallFromBothDiscs(dialog)) << "the install did not finish";

  // Play: the game starts in the install folder and the launcher ends.
  Click(dialog, kPlay);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  HWND game = nullptr;
  for (int i = 0; i < 100 && game == nullptr; ++i) {
    game = ::FindWindowA("KVX", nullptr);
    ::Sleep(100);
  }
  ASSERT_NE(game, nullptr) << "the game's window did not appear";
  ::PostMessageA(game, WM_CLOSE, 0, 0);
  ASSERT_FALSE(StubLog().empty());
  EXPECT_EQ(StubLog().back(), "kvx|\"C:\\Wendmark\\Game\\game\\kvx.exe\"|C:\\Wendmark\\Game");
  WaitGone(game, kExit);

  // The next start is in installed mode; Demo runs the demo from the disc.
  StartSampleSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(ControlText(dialog, kInstall), "Uninstall");
  Click(dialog, kDemo);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  for (int i = 0; i < 50 && StubLog().size() < 2; ++i) ::Sleep(100);
  ASSERT_EQ(StubLog().size(), 2u);
  // Started by the desktop shell, with the signed-in user's rights, where the launcher runs
  // elevated (Wine gives it an administrator's token): the shell gets the full path.
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const bool asUser = ReadAll(std::string(temp) + "WENDMARK.ini-setup.log")
                          .find("with the signed-in user's rights") != std::string::npos;
  EXPECT_EQ(StubLog().back(), asUser ? "demo|\"E:\\demo\\demo.exe\" -attract|E:\\demo"
                                     : "demo|\"\\demo\\demo.exe\" -attract|E:\\demo");

  // Uninstall: shortcuts, folder and record go; only OK is left.
  StartSampleSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);
  const DWORD start = ::GetTickCount();
  while (ControlText(dialog, kExitButton) != "OK" && ::GetTickCount() - start < kAppear)
    ::Sleep(100);
  EXPECT_EQ(ControlText(dialog, kExitButton), "OK");
  EXPECT_FALSE(ControlVisible(dialog, kInstall));
  EXPECT_FALSE(ControlVisible(dialog, kPlay));
  EXPECT_TRUE(ControlVisible(dialog, kExitButton));
  Shot(dialog, "sample-uninstalled");
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark\\Game"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark\\Wendmark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark\\Uninstall Wendmark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((desktop_ + "\\Wendmark.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  // Nothing the install made is left: the folder above the game's, the group folder.
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);

  // And the next start offers a fresh install.
  StartSampleSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, kInstall), "INSTALL");
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_TRUE(ControlVisible(dialog, kFolder));
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(SampleInstallE2E, PlayInTheRunOfTheInstallUsesTheRecordedProgramName) {
  // A script whose [WORK_GROUP] has no "exefile", and a game in the install folder's root.
  const std::string script = WinePath(disc1_) + "\\setup.ini";
  std::string text = ReadAll(script);
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"exefile=game\\kvx.exe\r\n", ""},
        {"file3=game\\settings.ini\r\n", "file3=game\\settings.ini\r\nfile4=kvx.exe\r\n"}}) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  WriteText(script, text);
  ASSERT_TRUE(::CopyFileA((WinePath(disc1_) + "\\game\\kvx.exe").c_str(),
                          (WinePath(disc1_) + "\\kvx.exe").c_str(), FALSE));
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(InstallFromBothDiscs(dialog));
  Click(dialog, kPlay);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  for (int i = 0; i < 100 && StubLog().empty(); ++i) ::Sleep(100);
  ASSERT_FALSE(StubLog().empty());
  EXPECT_EQ(StubLog().back(), "kvx|\"C:\\Wendmark\\Game\\kvx.exe\"|C:\\Wendmark\\Game");
  HWND game = nullptr;
  for (int i = 0; i < 100 && game == nullptr; ++i, ::Sleep(100))
    game = ::FindWindowA("KVX", nullptr);
  if (game != nullptr) {
    ::PostMessageA(game, WM_CLOSE, 0, 0);
    WaitGone(game, kExit);
  }
}

// Runs with Direct3D 8 and 9 switched off (see the test list): DirectX looks like 7.0.
TEST_F(SampleInstallE2E, NoD3D_TheDirectXSetupFollowsAnInstallForTheSystemsVersion) {
  for (const bool windowsXp : {false, true}) {
    SCOPED_TRACE(windowsXp ? "Windows XP" : "Wine's default version");
    RemoveInstall();
    HKEY wine = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &wine, nullptr),
              ERROR_SUCCESS);
    if (windowsXp) {
      ::RegSetValueExA(wine, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("winxp"), 6);
    } else {
      ::RegDeleteValueA(wine, "Version");
    }
    StartSampleSetup();
    HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(ControlText(dialog, kStatus).find("DirectX 7.0"), std::string::npos);
    // The install's last step starts the set-up and ends the launcher.
    Click(dialog, kInstall);
    HWND box = NextBoxWatchingProgress(dialog);
    ASSERT_NE(box, nullptr);
    SwapDisc('e', disc2_, "WENDMARK_2");
    Answer(box);
    box = NextBoxWatchingProgress(dialog);
    ASSERT_NE(box, nullptr);
    SwapDisc('e', disc1_, "WENDMARK_1");
    Answer(box);
    EXPECT_EQ(WaitForExit(setup_, 60000), 0);
    ::RegDeleteValueA(wine, "Version");
    ::RegCloseKey(wine);
    for (int i = 0; i < 50 && StubLog().empty(); ++i) ::Sleep(100);
    ASSERT_FALSE(StubLog().empty());
    EXPECT_EQ(StubLog().back(), windowsXp ? "dxsetup|directx\\dxsetup.exe /win2000|E:\\"
                                          : "dxsetup|directx\\dxsetup.exe /win98|E:\\");
    // The record was written before the set-up took over.
    EXPECT_NE(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

// The launcher under the Windows versions its players have, with an old DirectX (Direct3D
// 8 and 9 switched off): the dialog opens, the report names the version (the manifest
// declares the systems up to 10 and 11, so they are not reported as 6.2), and an install
// ends by starting the DirectX set-up for that version.
class WindowsVersionE2E : public SampleInstallE2E {
 protected:
  void InstallUnder(const char* version, const std::string& versionLine,
                    const std::string& directxCommand) {
    HKEY wine = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &wine, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(wine, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     static_cast<DWORD>(std::strlen(version) + 1));
    StartSampleSetup();
    HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    const std::string status = ControlText(dialog, kStatus);
    EXPECT_EQ(status.rfind("OS:\tWindows NT Ver:" + versionLine, 0), 0u) << status;
    EXPECT_NE(status.find("DirectX 7.0"), std::string::npos) << status;
    Shot(dialog, std::string("windows-") + version);
    Click(dialog, kInstall);
    ASSERT_TRUE(AnswerBothDiscPrompts(dialog));
    EXPECT_EQ(WaitForExit(setup_, 60000), 0);
    ::RegDeleteValueA(wine, "Version");
    ::RegCloseKey(wine);
    for (int i = 0; i < 50 && StubLog().empty(); ++i) ::Sleep(100);
    ASSERT_FALSE(StubLog().empty());
    EXPECT_EQ(StubLog().back(), "dxsetup|" + directxCommand + "|E:\\");
  }
  void TearDown() override {
    HKEY wine = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_ALL_ACCESS, &wine) ==
        ERROR_SUCCESS) {
      ::RegDeleteValueA(wine, "Version");
      ::RegCloseKey(wine);
    }
    SampleInstallE2E::TearDown();
  }
};

TEST_F(WindowsVersionE2E, NoD3D_WindowsXpReportsItselfAndGetsTheWindows2000Setup) {
  InstallUnder("winxp", "5.1", "directx\\dxsetup.exe /win2000");
}

TEST_F(WindowsVersionE2E, NoD3D_Windows7ReportsItselfAndGetsTheWindows98Setup) {
  InstallUnder("win7", "6.1", "directx\\dxsetup.exe /win98");
}

TEST_F(WindowsVersionE2E, NoD3D_Windows10ReportsItselfNotAs62) {
  InstallUnder("win10", "10.0", "directx\\dxsetup.exe /win98");
}

// The sample discs as a player's real discs: made into images by disctool and presented as
// a CD-ROM presents them (every file read-only, the label the image's volume ID).
class ImageInstallE2E : public SampleInstallE2E {
 protected:
  void SetUp() override {
    SampleInstallE2E::SetUp();
    const std::string images = UnixPathFromEnv("DL_E2E_IMAGES");
    ASSERT_FALSE(images.empty()) << "DL_E2E_IMAGES names the extracted disc images";
    disc1_ = images + "/disc1";
    disc2_ = images + "/disc2";
    label1_ = ReadAll(WinePath(disc1_ + "/.windows-label"));
    label2_ = ReadAll(WinePath(disc2_ + "/.windows-label"));
    ASSERT_TRUE(SwapDisc('e', disc1_, label1_));
  }
  std::string label1_, label2_;
};

TEST_F(ImageInstallE2E, TheSampleInstallsAndUninstallsFromItsDiscImages) {
  EXPECT_EQ(label1_, "WENDMARK_1");
  EXPECT_EQ(label2_, "WENDMARK_2");
  DWORD onDisc = ::GetFileAttributesA("E:\\game\\readme.txt");
  ASSERT_NE(onDisc, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(onDisc & FILE_ATTRIBUTE_READONLY, 0u) << "the disc's files are read-only";

  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);
  ASSERT_TRUE(AnswerBothDiscPrompts(dialog, label1_, label2_));
  ASSERT_TRUE(WaitVisible(dialog, kPlay, 60000)) << "the dialog did not reach installed mode";
  Shot(dialog, "images-installed");

  const std::string game = "C:\\Wendmark\\Game\\game\\";
  for (const auto& [installed, source] : std::vector<std::pair<std::string, std::string>>{
           {"readme.txt", disc1_ + "/game/readme.txt"},
           {"kvx.ini", disc1_ + "/game/settings.ini"},
           {"data\\level3.dat", disc2_ + "/game/data/level3.dat"},
           {"movies\\intro.mov", disc2_ + "/game/movies/intro.mov"}}) {
    const std::string path = game + installed;
    EXPECT_EQ(ReadAll(path), ReadAll(WinePath(source))) << path;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u) << path << " kept the disc's mark";
  }
  EXPECT_NE(::GetFileAttributesA((programs_ + "\\Wendmark\\Wendmark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);

  // The next start, from the same disc, uninstalls everything.
  StartSampleSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(ControlText(dialog, kInstall), "Uninstall");
  EXPECT_EQ(UninstallAndTakeTheBox(dialog), nullptr);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark\\Game"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark\\Wendmark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

// Unattended: the launcher started with switches, as a script or a game manager starts it.
class UnattendedE2E : public SampleInstallE2E {
 protected:
  // Starts E:\setup.exe with these switches; the log goes to the screenshots' folder.
  void StartSilent(const std::string& switches) {
    log_ = shots_ + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    ::DeleteFileA(log_.c_str());
    setup_ = Start("E:\\setup.exe " + switches + " /LOG=\"" + log_ + "\"", "E:\\",
                   {"DL_STUB_LOG=" + stubLog_});
    ASSERT_NE(setup_.handle, nullptr);
  }
  // Answers the two disc prompts of the sample, swapping the discs; the exit code.
  int AnswerThePromptsAndWait() {
    HWND dialog = Dialog();
    if (dialog == nullptr) return -1;
    if (!AnswerBothDiscPrompts(dialog)) return -2;
    return WaitForExit(setup_, 60000);
  }
  std::string log_;
};

TEST_F(UnattendedE2E, ASilentInstallFromBothDiscsThenASilentUninstall) {
  StartSilent("/S");
  ASSERT_EQ(AnswerThePromptsAndWait(), 0);
  const std::string game = "C:\\Wendmark\\Game\\game\\";
  EXPECT_NE(::GetFileAttributesA((game + "kvx.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesA((game + "movies\\intro.mov").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesA((programs_ + "\\Wendmark\\Wendmark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string log = ReadAll(log_);
  for (const char* file :
       {"game\\readme.txt", "game\\kvx.exe", "game\\data\\level1.dat", "game\\data\\level2.dat",
        "game\\settings.ini", "game\\data\\level3.dat", "game\\movies\\intro.mov"})
    EXPECT_NE(log.find(std::string("copy ") + file + " -> C:\\Wendmark\\Game\\" + file + ": done"),
              std::string::npos)
        << file << "\n"
        << log;
  EXPECT_NE(log.find("record " + samplePack_ + ": written"), std::string::npos) << log;
  EXPECT_TRUE(StubLog().empty()) << "no DirectX set-up without /DIRECTX";

  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "QuietUninstallString"),
            "\"" + Uninstaller() + "\\setup.exe\" /U /S");

  // From the disc, as before: the entry and the hard-disk copy go with the game.
  StartSilent("/U /S");
  EXPECT_EQ(WaitForExit(setup_, 60000), 0);
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "DisplayName"), "");
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark\\Game"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark\\Wendmark.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(ReadAll(log_).find("delete C:\\Wendmark\\Game: done"), std::string::npos);
}

// The system's list of installed programs, as Wine's own uninstaller shows it and acts on it
// (game managers on Linux use it): after an install it names the game; with no disc of the
// game in any drive, "uninstaller --remove" runs the entry's uninstall command, the launcher's
// copy on the hard disk, which asks once by the game's name, removes it all (its own copy
// and the entry included) and says so; then the list no longer names it.
TEST_F(UnattendedE2E, WinesUninstallerListsTheGameAndRemovesItWithoutAnyDisc) {
  StartSilent("/S");
  ASSERT_EQ(AnswerThePromptsAndWait(), 0);
  auto listed = [this] {
    const std::string list = shots_ + "\\programs.txt";
    ::DeleteFileA(list.c_str());
    Process lister = Start("cmd /c uninstaller --list > \"" + list + "\"", "C:\\");
    EXPECT_EQ(WaitForExit(lister, kExit), 0);
    return ReadAll(list);
  };
  EXPECT_NE(listed().find("WENDMARK|||Wendmark"), std::string::npos) << listed();
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "InstallLocation"), "C:\\Wendmark\\Game");
  const std::string copy = Uninstaller() + "\\";
  for (const char* name : {"setup.exe", "setup.ini", "setup1.ini"})
    EXPECT_NE(::GetFileAttributesA((copy + name).c_str()), INVALID_FILE_ATTRIBUTES) << name;

  // Both discs out: E: holds another game's disc, F: nothing.
  const std::string other = UnixPathFromEnv("DL_E2E_DISC_E") + "-other";
  ASSERT_TRUE(SwapDisc('e', other, "ANOTHER_GAME"));
  Process remover = Start("uninstaller --remove WENDMARK", "C:\\");
  ASSERT_NE(remover.handle, nullptr);
  HWND question = WaitForAnyBoxTitled("Uninstall", kAppear);
  ASSERT_NE(question, nullptr) << "the uninstall asked nothing";
  EXPECT_NE(MessageBoxText(question).find("Remove Wendmark"), std::string::npos)
      << MessageBoxText(question);
  Shot(question, "uninstall-question");
  Press(question, IDYES);
  EXPECT_TRUE(WaitGone(question, kExit));
  HWND told = WaitForAnyBoxTitled("Uninstall", kAppear);
  ASSERT_NE(told, nullptr);
  EXPECT_EQ(MessageBoxText(told), "Wendmark was removed from this computer.");
  Press(told, IDOK);
  EXPECT_TRUE(WaitGone(told, kExit));
  EXPECT_EQ(WaitForExit(remover, kExit), 0);

  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((desktop_ + "\\Wendmark.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "DisplayName"), "");
  EXPECT_EQ(listed().find("WENDMARK"), std::string::npos) << listed();
  // The copy that did the work goes when Windows next starts.
  EXPECT_NE(PendingRemovals().find("WENDMARK.uninstall\\setup.exe"), std::string::npos);
}

// The entry's quiet command starts the copy beside the record, where only administrators
// write; a package manager waiting on it gets the uninstall's own exit code. Another
// program's entry of the same name and a folder named as the earlier hand-over's survive the
// install and the uninstall; an install before the next start keeps a copy of its own.
TEST_F(UnattendedE2E, TheQuietUninstallCommandRunsFromTheWindowsDirectoryAndTellsItsOutcome) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSampleEntry, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char foreign[] = "Other Vendor App";
  ::RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(foreign),
                   sizeof foreign);
  ::RegCloseKey(key);
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string canary = std::string(temp) + "WENDMARK-uninstall\\canary.txt";
  std::error_code ec;
  fs::create_directories(std::string(temp) + "WENDMARK-uninstall", ec);
  WriteText(canary, "canary");

  const std::string ours = std::string(kSampleEntry) + " (2)";
  auto quiet = [&] {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    ::RegGetValueA(HKEY_LOCAL_MACHINE, ours.c_str(), "QuietUninstallString", RRF_RT_REG_SZ, nullptr,
                   value, &size);
    return std::string(value);
  };
  StartSilent("/S");
  ASSERT_EQ(AnswerThePromptsAndWait(), 0);
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "DisplayName"), foreign);
  ASSERT_EQ(quiet(), "\"" + Uninstaller() + "\\setup.exe\" /U /S");
  Process uninstall = Start(quiet(), "C:\\");
  EXPECT_EQ(WaitForExit(uninstall, 60000), 0);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(quiet(), "");
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "DisplayName"), foreign);
  EXPECT_EQ(ReadAll(canary), "canary");
  // Nothing is left but the copy, which goes at the next start.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(Uninstaller(), ec))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"setup.exe", "setup.ini", "setup1.ini"}));
  for (const std::string& name : left)
    EXPECT_NE(PendingRemovals().find("WENDMARK.uninstall\\" + name), std::string::npos) << name;

  // Installed again before that start: a copy of its own. The game's program held open:
  // the quiet uninstall says it failed, and the game stays listed.
  StartSilent("/S");
  ASSERT_EQ(AnswerThePromptsAndWait(), 0);
  ASSERT_EQ(quiet(), "\"" + Uninstaller("2") + "\\setup.exe\" /U /S");
  HANDLE held = ::CreateFileA("C:\\Wendmark\\Game\\game\\kvx.exe", GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  uninstall = Start(quiet(), "C:\\");
  EXPECT_EQ(WaitForExit(uninstall, 60000), 1);
  ::CloseHandle(held);
  EXPECT_NE(::GetFileAttributesA("C:\\Wendmark\\Game\\game\\kvx.exe"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(quiet(), "");
  EXPECT_NE(::GetFileAttributesA((Uninstaller("2") + "\\setup.exe").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// A script whose record name leaves the Windows directory is refused before anything is
// read or written: a pack planted where the name leads is neither undone nor uninstalled.
TEST_F(UnattendedE2E, ARecordNameLeavingTheWindowsDirectoryIsRefusedAndWritesNothing) {
  const std::string script = WinePath(disc1_) + "\\setup.ini";
  std::string text = ReadAll(script);
  const std::size_t at = text.find("name=WENDMARK.ini");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 17, "name=..\\temp\\evil.ini");
  WriteText(script, text);
  std::error_code ec;
  fs::create_directories("C:\\OtherVendor\\App", ec);
  WriteText("C:\\OtherVendor\\App\\app.exe", "another program");
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string planted = std::string(windows) + "\\..\\temp\\evil.ini.pak";
  fs::create_directories(std::string(windows) + "\\..\\temp", ec);
  const std::string record = shots_ + "\\evil-record.ini", journal = shots_ + "\\evil-journal.txt";
  WriteText(record, "[inst_path]\r\npath=C:\\OtherVendor\\App\r\n");
  WriteText(journal,
            "disclaunch install journal 1\r\nfolder\tC:\\OtherVendor\\App\r\nmade\t.\r\nend\r\n");
  for (const auto& [name, file] :
       {std::pair{"evil.ini", record}, std::pair{"journal.txt", journal}}) {
    Process tool =
        Start("\"" + packtool_ + "\" add \"" + planted + "\" " + name + " \"" + file + "\"", "");
    ASSERT_EQ(WaitForExit(tool, kExit), 0);
  }
  for (const char* switches : {"/U /S", "/S"}) {
    SCOPED_TRACE(switches);
    StartSilent(switches);
    EXPECT_EQ(WaitForExit(setup_, 60000), 1);
    EXPECT_NE(ReadAll(log_).find("REFUSED"), std::string::npos) << ReadAll(log_);
  }
  EXPECT_EQ(ReadAll("C:\\OtherVendor\\App\\app.exe"), "another program");
  EXPECT_NE(::GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(Uninstaller().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "DisplayName"), "");
  fs::remove_all("C:\\OtherVendor", ec);
  ::DeleteFileA(planted.c_str());
}

// A journal cut in half cannot say which files are the game's: the uninstall removes
// nothing from the install folder, says so in its log and ends with the failure code.
TEST_F(UnattendedE2E, ADamagedJournalLeavesTheUsersFileInTheFolder) {
  StartSilent("/S");
  ASSERT_EQ(AnswerThePromptsAndWait(), 0);
  WriteText("C:\\Wendmark\\Game\\save.dat", "the player's save");
  const std::string dir = shots_ + "\\damaged";
  std::error_code ec;
  fs::remove_all(dir, ec);
  Process extract =
      Start("\"" + packtool_ + "\" extract \"" + samplePack_ + "\" \"" + dir + "\"", "");
  ASSERT_EQ(WaitForExit(extract, kExit), 0);
  std::string journal;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (Upper(entry.path().filename().string()) == "JOURNAL.TXT")
      journal = ReadAll(entry.path().string());
  ASSERT_GT(journal.size(), 100u);
  const std::string cut = shots_ + "\\journal-cut.txt";
  WriteText(cut, journal.substr(0, journal.size() / 2));
  Process add =
      Start("\"" + packtool_ + "\" add \"" + samplePack_ + "\" journal.txt \"" + cut + "\"", "");
  ASSERT_EQ(WaitForExit(add, kExit), 0);

  StartSilent("/U /S");
  EXPECT_EQ(WaitForExit(setup_, 60000), 1);
  EXPECT_EQ(ReadAll("C:\\Wendmark\\Game\\save.dat"), "the player's save");
  EXPECT_NE(::GetFileAttributesA("C:\\Wendmark\\Game\\game\\kvx.exe"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(ReadAll(log_).find("NOT USED"), std::string::npos) << ReadAll(log_);
}

// /D= is the install folder itself, blanks and all: installed, recorded and played there.
TEST_F(UnattendedE2E, ASilentInstallToAFolderWithBlanksThenPlayStartsTheGameThere) {
  StartSilent("/S /D=\"C:\\My Games\\KVX\"");
  ASSERT_EQ(AnswerThePromptsAndWait(), 0);
  ASSERT_NE(::GetFileAttributesA("C:\\My Games\\KVX\\game\\kvx.exe"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA("C:\\My Games\\Game"), INVALID_FILE_ATTRIBUTES);
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kPlay);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  for (int i = 0; i < 100 && StubLog().empty(); ++i) ::Sleep(100);
  ASSERT_FALSE(StubLog().empty());
  EXPECT_EQ(StubLog().back(), "kvx|\"C:\\My Games\\KVX\\game\\kvx.exe\"|C:\\My Games\\KVX");
  HWND game = nullptr;
  for (int i = 0; i < 100 && game == nullptr; ++i, ::Sleep(100))
    game = ::FindWindowA("KVX", nullptr);
  if (game != nullptr) {
    ::PostMessageA(game, WM_CLOSE, 0, 0);
    WaitGone(game, kExit);
  }
  std::error_code ec;
  fs::remove_all("C:\\My Games", ec);
}

// A game manager mounts all of a game's discs at once: disc 1 in E:, disc 2 in F:. An
// unattended install then needs nobody: no prompt, no box, exit code 0.
TEST_F(UnattendedE2E, BothDiscsMountedInstallWithoutAnyWindowToPress) {
  ASSERT_TRUE(SwapDisc('f', disc2_, "WENDMARK_2"));
  StartSilent("/S");
  HWND box = BoxBeforeExit();
  if (box != nullptr) {
    ADD_FAILURE() << "a box waited for a press: " << WindowTitle(box) << ": "
                  << MessageBoxText(box);
    Shot(box, "unattended-unexpected-box");
  }
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  EXPECT_NE(::GetFileAttributesA("C:\\Wendmark\\Game\\game\\movies\\intro.mov"),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(ReadAll(log_).find("disc 2: found in F:\\"), std::string::npos) << ReadAll(log_);
  ASSERT_TRUE(SwapDisc('f', UnixPathFromEnv("DL_E2E_DISC_F"), "E2E_DISC2"));
}

// A one-disc game installs silently with no window to press, its disc in the drive.
TEST_F(LauncherE2E, AOneDiscSilentInstallNeedsNobody) {
  std::error_code ec;
  fs::create_directories(discE_ + "\\game", ec);
  WriteText(discE_ + "\\game\\readme.txt", "one disc");
  Insert(discE_,
         "[disc00]\r\nlabel=E2E_DISC1\r\nfile0=game\\readme.txt\r\n[DEFPATH]\r\npath2=OneDisc\r\n"
         "[setup]\r\ninst_size=1000\r\n" +
             std::string(kScript));
  fs::remove_all("C:\\OneDisc", ec);
  StartSetup("E:\\setup.exe /S", "E:\\");
  HWND box = BoxBeforeExit();
  EXPECT_EQ(box, nullptr) << (box != nullptr ? MessageBoxText(box) : std::string());
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  EXPECT_EQ(ReadAll("C:\\OneDisc\\Game\\game\\readme.txt"), "one disc");
  fs::remove_all("C:\\OneDisc", ec);
}

TEST_F(UnattendedE2E, AWrongSecondDiscFailsWithOneAndNoRecord) {
  StartSilent("/S");
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  HWND box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(SwapDisc('e', UnixPathFromEnv("DL_E2E_DISC_E") + "-notwendmark", "NOT_WENDMARK"));
  Answer(box);
  bool swappedBack = false;
  for (int i = 0; i < 20; ++i) {
    box = NextBoxWatchingProgress(dialog);
    if (box == nullptr) break;
    if (WindowTitle(box) == "Insert disc" && !swappedBack) {
      SwapDisc('e', disc1_, "WENDMARK_1");
      swappedBack = true;
    }
    Answer(box);
  }
  EXPECT_EQ(WaitForExit(setup_, kExit), 1);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  const std::string log = ReadAll(log_);
  EXPECT_NE(log.find("copy: FAILED"), std::string::npos) << log;
  EXPECT_NE(log.find("install: NOT FINISHED"), std::string::npos) << log;
  EXPECT_NE(log.find("label NOT_WENDMARK found"), std::string::npos) << log;
}

TEST_F(UnattendedE2E, ADriveRootIsRefusedWithTwoAndNothingWritten) {
  StartSilent("/S /D=C:\\");
  EXPECT_EQ(WaitForExit(setup_, 60000), 2);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA("C:\\Game"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(ReadAll(log_).find("REFUSED: /D=C:\\ cannot hold the game"), std::string::npos);
}

TEST_F(SampleInstallE2E, AHostileRecordIsRefusedByUninstall) {
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string canary = std::string(windows) + "\\e2e-canary.txt";
  WriteText(canary, "must survive");
  const std::string recordFile = shots_ + "\\hostile-record.ini";
  WriteText(recordFile, "[move_file]\r\nfile0=" + canary +
                            "\r\n[inst_path]\r\npath=" + std::string(windows) + "\r\n");
  Process tool = Start(
      "\"" + packtool_ + "\" add \"" + samplePack_ + "\" WENDMARK.ini \"" + recordFile + "\"", "");
  ASSERT_EQ(WaitForExit(tool, kExit), 0);

  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(ControlText(dialog, kInstall), "Uninstall");
  Click(dialog, kInstall);
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowTitle(box), "Uninstall");
  const std::string text = MessageBoxText(box);
  EXPECT_NE(text.find(canary), std::string::npos) << text;
  EXPECT_NE(text.find("\n" + std::string(windows)), std::string::npos) << text;
  Shot(box, "hostile-record-refused");
  Answer(box);
  EXPECT_EQ(ReadAll(canary), "must survive");
  EXPECT_NE(::GetFileAttributesA((std::string(windows) + "\\win.ini").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  ::DeleteFileA(canary.c_str());
}

// Records as an attacker writes them, in a prefix where the user has files of their own:
// a pattern that the shell would expand, the profiles reached through another drive (as
// "Documents and Settings" reaches C:\Users), and a folder that holds no game. Each is
// refused and named; then the game's own record, in the same prefix, still uninstalls.
TEST_F(SampleInstallE2E, HostileRecordsDeleteNothingAndTheGamesOwnRecordStillUninstalls) {
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string profile = ShellFolder(CSIDL_PROFILE);
  ASSERT_FALSE(profile.empty());
  const std::string user = profile.substr(profile.rfind('\\') + 1);
  const std::vector<std::string> canaries = {
      profile + "\\e2e-canary.txt", desktop_ + "\\Mail.lnk", "C:\\e2e-unrelated\\keep.txt",
      std::string(windows) + "\\e2e-canary.txt", "C:\\e2e-canary.txt"};
  std::error_code ec;
  fs::create_directories("C:\\e2e-unrelated", ec);
  for (const std::string& c : canaries) WriteText(c, "canary");
  const std::string prefix = UnixPathFromEnv("WINEPREFIX");
  ASSERT_FALSE(prefix.empty());
  ASSERT_TRUE(MapDrive('g', prefix + "/drive_c/users", DRIVE_FIXED));

  bool first = true;
  for (const std::string& folder : {std::string("C:\\*"), std::string("C:\\users\\*"),
                                    "G:\\" + user, std::string("C:\\e2e-unrelated")}) {
    SCOPED_TRACE(folder);
    WriteSampleRecord("[move_file]\r\nfile0=" + desktop_ +
                      "\\*.lnk\r\n[inst_path]\r\npath=" + folder + "\r\n");
    StartSampleSetup();
    HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ControlText(dialog, kInstall), "Uninstall");
    HWND box = UninstallAndTakeTheBox(dialog);
    ASSERT_NE(box, nullptr) << "the refusal was not shown";
    EXPECT_EQ(WindowTitle(box), "Uninstall");
    const std::string text = MessageBoxText(box);
    EXPECT_NE(text.find("\n" + folder + " ("), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + desktop_ + "\\*.lnk ("), std::string::npos) << text;
    if (first) Shot(box, "hostile-records-refused");
    first = false;
    Answer(box);
    EXPECT_EQ(ExitViaExitButton(dialog), 0);
    for (const std::string& c : canaries) EXPECT_EQ(ReadAll(c), "canary") << c;
  }
  EXPECT_TRUE(MapDrive('g', "", 0));

  // The game's own install: its folder holds the game program the script names.
  fs::create_directories("C:\\Wendmark\\Game\\game", ec);
  ASSERT_TRUE(::CopyFileA(game_.c_str(), "C:\\Wendmark\\Game\\game\\kvx.exe", FALSE));
  WriteText("C:\\Wendmark\\Game\\saves.dat", "made by the game");
  WriteText(desktop_ + "\\Wendmark.lnk", "shortcut");
  WriteSampleRecord("[move_file]\r\nfile0=" + desktop_ +
                    "\\Wendmark.lnk\r\n[inst_path]\r\npath=C:\\Wendmark\\Game\r\n");
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(UninstallAndTakeTheBox(dialog), nullptr);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark\\Game"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((desktop_ + "\\Wendmark.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  for (const std::string& c : canaries) {
    EXPECT_EQ(ReadAll(c), "canary") << c;
    ::DeleteFileA(c.c_str());
  }
  fs::remove_all("C:\\e2e-unrelated", ec);
}

// The record's place is taken (a folder stands where the pack goes): an install without its
// record would be invisible to Uninstall, so it is undone, the user is told, and the dialog
// ends without Play.
TEST_F(SampleInstallE2E, ARecordThatCannotBeWrittenUndoesTheInstall) {
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  std::error_code ec;
  fs::create_directories(samplePack_, ec);
  ASSERT_FALSE(ec);
  Click(dialog, kInstall);
  ASSERT_TRUE(AnswerBothDiscPrompts(dialog));
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr);
  const std::string text = MessageBoxText(box);
  EXPECT_NE(text.find("the install record could not be written to " + samplePack_ +
                      ".\n\nWhat it had copied was removed."),
            std::string::npos)
      << text;
  EXPECT_FALSE(ControlVisible(dialog, kPlay));
  Shot(box, "record-not-written");
  Answer(box);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((desktop_ + "\\Wendmark.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  fs::remove_all(samplePack_, ec);
}

// A folder that was there before, with the user's own file in it: the install puts the game
// there, and the uninstall takes away what the install made and keeps the rest.
TEST_F(SampleInstallE2E, UninstallKeepsTheFilesAFolderHeldBeforeTheInstall) {
  std::error_code ec;
  fs::create_directories("C:\\Games\\Game", ec);
  WriteText("C:\\Games\\Game\\thesis.doc", "the user's");
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  ::SendMessageA(::GetDlgItem(dialog, kFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Games"));
  ASSERT_EQ(ControlText(dialog, kFolder), "Games");
  ASSERT_TRUE(InstallFromBothDiscs(dialog)) << "the install did not finish";
  ASSERT_NE(::GetFileAttributesA("C:\\Games\\Game\\game\\kvx.exe"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  WriteText("C:\\Games\\Game\\game\\save.dat", "made by the game in its own folder");

  StartSampleSetup();
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  HWND box = UninstallAndTakeTheBox(dialog);
  ASSERT_NE(box, nullptr) << "what was kept was not said";
  const std::string text = MessageBoxText(box);
  EXPECT_NE(text.find("C:\\Games\\Game (it was there before the install; 1 item(s)"),
            std::string::npos)
      << text;
  Shot(box, "uninstall-kept");
  Answer(box);
  EXPECT_EQ(ReadAll("C:\\Games\\Game\\thesis.doc"), "the user's");
  EXPECT_EQ(::GetFileAttributesA("C:\\Games\\Game\\game"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  fs::remove_all("C:\\Games", ec);
}

// The launcher killed in the middle of a long copy: the next start finds the journal that
// the install left without a record and, once the user agrees, removes what it copied.
TEST_F(LauncherE2E, AnInstallKilledMidCopyIsUndoneAtTheNextStart) {
  std::string script =
      "[disc00]\r\nlabel=E2E_DISC1\r\nfiles=40\r\n[execmode]\r\ntry=1\r\n"
      "[DEFPATH]\r\npath2=KillTest\r\npath1=Game\r\n[setup]\r\ninst_size=1000\r\n";
  std::error_code ec;
  fs::create_directories(discE_ + "\\data", ec);
  const std::string block(1 << 20, 'k');
  for (int i = 0; i < 40; ++i) {
    const std::string name = "data\\f" + std::to_string(i) + ".bin";
    WriteText(discE_ + "\\" + name, block);
    script.insert(script.find("[execmode]"), "file" + std::to_string(i) + "=" + name + "\r\n");
  }
  Insert(discE_, script + kScript);
  const std::string journal = recordPack_.substr(0, recordPack_.size() - 4) + ".jnl";
  fs::remove_all("C:\\KillTest", ec);
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);
  int position = 0;
  const DWORD start = ::GetTickCount();
  while (position < 5 && ::GetTickCount() - start < kAppear) {
    if (!ProgressPosition(dialog, kProgress, &position, 500)) position = 0;
    ::Sleep(50);
  }
  ASSERT_GE(position, 5) << "the copy was not seen going";
  Kill(setup_);
  ASSERT_NE(::GetFileAttributesA("C:\\KillTest\\Game\\data\\f0.bin"), INVALID_FILE_ATTRIBUTES);
  ASSERT_NE(::GetFileAttributesA(journal.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(recordPack_.c_str()), INVALID_FILE_ATTRIBUTES);

  StartSetup();
  HWND box = MessageBoxShown();
  ASSERT_NE(box, nullptr) << "the unfinished install was not offered for removal";
  const std::string text = MessageBoxText(box);
  EXPECT_NE(text.find("An earlier install into C:\\KillTest\\Game did not finish."),
            std::string::npos)
      << text;
  Shot(box, "killed-install-question");
  Press(box, IDYES);
  EXPECT_TRUE(WaitGone(box, kExit));
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(ControlVisible(dialog, kInstall));
  EXPECT_EQ(::GetFileAttributesA("C:\\KillTest"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(journal.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
  fs::remove_all("C:\\KillTest", ec);
}

// Play from a folder with a blank in its name, next to a program that an unquoted command
// would start instead ("C:\My.exe" for "C:\My Games\...").
TEST_F(SampleInstallE2E, PlayStartsTheGameFromAFolderWithBlanksAndNothingElse) {
  std::error_code ec;
  fs::create_directories("C:\\My Games\\Game\\game", ec);
  ASSERT_TRUE(::CopyFileA(game_.c_str(), "C:\\My Games\\Game\\game\\kvx.exe", FALSE));
  ASSERT_TRUE(::CopyFileA(game_.c_str(), "C:\\My.exe", FALSE));
  WriteSampleRecord("[inst_path]\r\npath=C:\\My Games\\Game\r\n");
  StartSampleSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kPlay);
  EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  for (int i = 0; i < 100 && StubLog().empty(); ++i) ::Sleep(100);
  ASSERT_FALSE(StubLog().empty());
  EXPECT_EQ(StubLog().back(), "kvx|\"C:\\My Games\\Game\\game\\kvx.exe\"|C:\\My Games\\Game");
  HWND game = nullptr;
  for (int i = 0; i < 100 && game == nullptr; ++i, ::Sleep(100))
    game = ::FindWindowA("KVX", nullptr);
  if (game != nullptr) {
    ::PostMessageA(game, WM_CLOSE, 0, 0);
    WaitGone(game, kExit);
  }
  ::Sleep(500);
  ::DeleteFileA("C:\\My.exe");
  fs::remove_all("C:\\My Games", ec);
}

// Where the discs are: disc 2 already in another drive, or the set copied to folders on the
// hard disk; and the close box during the copy, answered Yes, leaves nothing.
class DiscSetsE2E : public UnattendedE2E {
 protected:
  void TearDown() override {
    UnattendedE2E::TearDown();
    std::error_code ec;
    fs::remove_all("C:\\sets", ec);
  }
  // Answers the Part's two prompts without touching any drive; true when both came, in
  // order, and nothing else did.
  bool AnswerOnlyTheInsertAndReturnPrompts(HWND dialog) {
    for (const char* text :
         {"Please insert disc 2: Wendmark Disc 2", "Please insert disc 1: Wendmark Disc 1"}) {
      HWND box = NextBoxWatchingProgress(dialog);
      if (box == nullptr) return false;
      EXPECT_EQ(WindowTitle(box), "Insert disc");
      EXPECT_EQ(MessageBoxText(box), text);
      if (MessageBoxText(box) != text) return false;
      Answer(box);
    }
    return true;
  }
  void ExpectTheGameFromBothDiscs() {
    const std::string game = "C:\\Wendmark\\Game\\game\\";
    EXPECT_EQ(ReadAll(game + "readme.txt"), ReadAll(WinePath(disc1_ + "/game/readme.txt")));
    EXPECT_EQ(ReadAll(game + "movies\\intro.mov"),
              ReadAll(WinePath(disc2_ + "/game/movies/intro.mov")));
    EXPECT_NE(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  }
};

TEST_F(DiscSetsE2E, DiscTwoAlreadyInAnotherDriveInstallsWithoutAWrongDiscPrompt) {
  ASSERT_TRUE(SwapDisc('f', disc2_, "WENDMARK_2"));
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);
  ASSERT_TRUE(AnswerOnlyTheInsertAndReturnPrompts(dialog));
  ASSERT_TRUE(WaitVisible(dialog, kPlay, 60000)) << "the dialog did not reach installed mode";
  ExpectTheGameFromBothDiscs();
  EXPECT_EQ(ExitViaExitButton(dialog), 0);
}

TEST_F(DiscSetsE2E, TheSetCopiedToAFolderPerDiscInstallsInteractivelyAndUnattended) {
  const std::string set = "C:\\sets\\Wendmark";
  std::error_code ec;
  fs::create_directories(set, ec);
  fs::copy(WinePath(disc1_), set + "\\CD1", fs::copy_options::recursive, ec);
  fs::copy(WinePath(disc2_), set + "\\CD2", fs::copy_options::recursive, ec);
  ASSERT_FALSE(ec);
  ASSERT_TRUE(SwapDisc('e', UnixPathFromEnv("DL_E2E_DISC_E"), "E2E_DISC1"));  // no game disc
  const std::string launcher = set + "\\CD1\\setup.exe";

  StartSetup(launcher, set + "\\CD1");
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr) << "no first-disc prompt comes before it";
  Click(dialog, kInstall);
  ASSERT_TRUE(AnswerOnlyTheInsertAndReturnPrompts(dialog));
  ASSERT_TRUE(WaitVisible(dialog, kPlay, 60000)) << "the dialog did not reach installed mode";
  ExpectTheGameFromBothDiscs();
  EXPECT_EQ(ExitViaExitButton(dialog), 0);

  RemoveInstall();
  log_ = shots_ + "\\folder-set-silent.log";
  ::DeleteFileA(log_.c_str());
  setup_ = Start("\"" + launcher + "\" /S /LOG=\"" + log_ + "\"", set + "\\CD1");
  ASSERT_NE(setup_.handle, nullptr);
  EXPECT_EQ(BoxBeforeExit(), nullptr) << "an unattended install from folders asks nothing";
  EXPECT_EQ(WaitForExit(setup_, 60000), 0) << ReadAll(log_);
  ExpectTheGameFromBothDiscs();
  EXPECT_NE(ReadAll(log_).find("disc 2: found in folder " + set + "\\CD2"), std::string::npos)
      << ReadAll(log_);
}

TEST_F(DiscSetsE2E, TheCloseBoxDuringTheCopyAnsweredYesLeavesNothing) {
  StartSetup();
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kInstall);
  // The close box, as the window manager sends it: taken between two files.
  ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  HWND box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr) << "no question whether to stop";
  EXPECT_EQ(MessageBoxText(box).rfind("Stop the install after the file being copied?", 0), 0u)
      << MessageBoxText(box);
  Shot(box, "stop-question");
  Press(box, IDYES);
  // The question's window lingers a moment after the answer: the next box is another one.
  EXPECT_TRUE(WaitGone(box, kExit));
  box = NextBoxWatchingProgress(dialog);
  ASSERT_NE(box, nullptr) << "no word of the cancelled install";
  EXPECT_EQ(MessageBoxText(box).rfind("The install was cancelled.", 0), 0u) << MessageBoxText(box);
  Answer(box);
  EXPECT_EQ(WaitForExit(setup_, kExit), 4);
  EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((programs_ + "\\Wendmark").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(SampleEntryValue(HKEY_LOCAL_MACHINE, "DisplayName"), "");
}

// /VERIFY after a silent install: one file deleted, one damaged with its time kept, one
// written again by the player; the launcher's copy beside the record, with no disc in any
// drive, names exactly those and exits with 5. The files are left as they are. /REPAIR
// from that copy then finds disc 1 in F: (the only disc that holds them), copies the two
// back byte for byte and keeps the player's file; /VERIFY exits 0 after it.
TEST_F(UnattendedE2E, VerifyFindsTheMissingTheDamagedAndTheRewrittenFileAndRepairMendsThem) {
  ASSERT_TRUE(SwapDisc('f', disc2_, "WENDMARK_2"));
  StartSilent("/S");
  ASSERT_EQ(WaitForExit(setup_, 60000), 0);
  const std::string game = "C:\\Wendmark\\Game\\game\\";
  ASSERT_TRUE(::DeleteFileA((game + "data\\level1.dat").c_str()));
  // Rot: other bytes of the same length, the write time put back.
  {
    HANDLE file = ::CreateFileA((game + "data\\level2.dat").c_str(), GENERIC_READ | GENERIC_WRITE,
                                0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written = {};
    ASSERT_TRUE(::GetFileTime(file, nullptr, nullptr, &written));
    const char rot[] = "XX";
    DWORD done = 0;
    ASSERT_TRUE(::WriteFile(file, rot, 2, &done, nullptr));
    ASSERT_TRUE(::SetFileTime(file, nullptr, nullptr, &written));
    ::CloseHandle(file);
  }
  ::Sleep(1100);  // a time of its own for the player's change
  WriteText(game + "readme.txt", "the player's own notes");
  ASSERT_TRUE(SwapDisc('e', UnixPathFromEnv("DL_E2E_DISC_E"), "E2E_DISC1"));
  ASSERT_TRUE(SwapDisc('f', UnixPathFromEnv("DL_E2E_DISC_F"), "E2E_DISC2"));

  log_ = shots_ + "\\verify.log";
  ::DeleteFileA(log_.c_str());
  setup_ = Start("\"" + Uninstaller() + "\\setup.exe\" /S /VERIFY /LOG=\"" + log_ + "\"", "C:\\");
  ASSERT_NE(setup_.handle, nullptr);
  EXPECT_EQ(BoxBeforeExit(), nullptr);
  EXPECT_EQ(WaitForExit(setup_, 60000), 5);
  const std::string log = ReadAll(log_);
  EXPECT_NE(log.find("verify game\\data\\level1.dat: MISSING"), std::string::npos) << log;
  EXPECT_NE(log.find("verify game\\data\\level2.dat: DAMAGED"), std::string::npos) << log;
  EXPECT_NE(log.find("verify game\\readme.txt: changed since the install"), std::string::npos)
      << log;
  EXPECT_NE(log.find(" 1 missing, 1 damaged, 1 changed"), std::string::npos) << log;
  EXPECT_EQ(ReadAll(game + "readme.txt"), "the player's own notes");

  ASSERT_TRUE(SwapDisc('f', disc1_, "WENDMARK_1"));
  log_ = shots_ + "\\repair.log";
  ::DeleteFileA(log_.c_str());
  setup_ = Start("\"" + Uninstaller() + "\\setup.exe\" /S /REPAIR /LOG=\"" + log_ + "\"", "C:\\");
  ASSERT_NE(setup_.handle, nullptr);
  EXPECT_EQ(BoxBeforeExit(), nullptr);
  EXPECT_EQ(WaitForExit(setup_, 60000), 0);
  const std::string repairLog = ReadAll(log_);
  EXPECT_NE(repairLog.find("disc 1: found in F:\\"), std::string::npos) << repairLog;
  EXPECT_EQ(repairLog.find("disc 2"), std::string::npos) << repairLog;
  for (const char* file : {"data\\level1.dat", "data\\level2.dat"})
    EXPECT_EQ(ReadAll(game + file), ReadAll(WinePath(disc1_) + "\\game\\" + file)) << file;
  EXPECT_EQ(ReadAll(game + "readme.txt"), "the player's own notes");
  EXPECT_EQ(::GetFileAttributesA((game + "data\\level2.dat.dlrepair").c_str()),
            INVALID_FILE_ATTRIBUTES);

  log_ = shots_ + "\\verify-again.log";
  ::DeleteFileA(log_.c_str());
  setup_ = Start("\"" + Uninstaller() + "\\setup.exe\" /S /VERIFY /LOG=\"" + log_ + "\"", "C:\\");
  ASSERT_NE(setup_.handle, nullptr);
  EXPECT_EQ(WaitForExit(setup_, 60000), 0) << ReadAll(log_);
}

// The dialog at a display scale (Wine's LogPixels, read by each program it starts), driven
// by keys alone. The sample's script asks for the longest Uninstall text of the round.
class ScaleE2E : public DiscSetsE2E {
 protected:
  void SetUpAt(int dpi) {
    dpi_ = dpi;
    SetLogPixels(dpi);
    std::string script = ReadAll(WinePath(disc1_ + "/setup.ini"));
    const std::string from = "string1=Uninstall\r\n";
    const std::size_t at = script.find(from);
    ASSERT_NE(at, std::string::npos);
    script.replace(at, from.size(), "string1=Uninstall Everything\r\n");
    WriteText(WinePath(disc1_ + "/setup.ini"), script);
    ASSERT_TRUE(SwapDisc('f', disc2_, "WENDMARK_2"));
    copyingShot_ = Name("copying");
  }
  void TearDown() override {
    ScaleE2E::SetLogPixels(96);
    DiscSetsE2E::TearDown();
  }
  static void SetLogPixels(int dpi) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD value = static_cast<DWORD>(dpi);
    ::RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof value);
    ::RegCloseKey(key);
  }
  std::string Name(const std::string& what) const {
    return "scale-" + std::to_string(dpi_) + "-" + what;
  }
  // An install and an uninstall by keys alone: Enter installs (the prompts answered with
  // Enter), Tab goes round to Uninstall, Enter uninstalls, Esc ends.
  void InstallAndUninstallByKeys() {
    StartSetup();
    HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    ExpectTheLayoutHolds(dialog, dpi_, Name("install"));
    EXPECT_EQ(::GetDlgCtrlID(Focus(dialog)), kInstall) << "the focus at opening";
    // What a screen reader names: the picture, the folder field (by its label), the bar.
    EXPECT_EQ(ControlText(dialog, kPicture), "Wendmark Setup");
    EXPECT_EQ(ControlText(dialog, DL_ID_FOLDER_LABEL), "&Folder:");
    EXPECT_TRUE(ControlVisible(dialog, DL_ID_FOLDER_LABEL));
    EXPECT_EQ(ControlText(dialog, kProgress), "Copy progress");
    EXPECT_EQ(Accessible(::GetDlgItem(dialog, kFolder)), "Folder:");
    EXPECT_EQ(Accessible(::GetDlgItem(dialog, kPicture)), "Wendmark Setup");
    EXPECT_EQ(Accessible(::GetDlgItem(dialog, kInstall)), "INSTALL");
    // The script's picture (420,40,200,150 at 100 %) grows with the scale.
    RECT picture = {};
    ::GetWindowRect(::GetDlgItem(dialog, kPicture), &picture);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&picture), 2);
    EXPECT_EQ(std::vector<LONG>({picture.left, picture.top, picture.right - picture.left,
                                 picture.bottom - picture.top}),
              std::vector<LONG>({::MulDiv(420, dpi_, 96), ::MulDiv(40, dpi_, 96),
                                 ::MulDiv(200, dpi_, 96), ::MulDiv(150, dpi_, 96)}));
    Key(dialog, VK_RETURN);
    for (int prompt = 0; prompt < 2; ++prompt) {
      HWND box = NextBoxWatchingProgress(dialog);
      ASSERT_NE(box, nullptr) << "no disc prompt";
      // (Wine's proxy gives the bar no value; Windows' gives its percentage.)
      if (prompt == 0) {
        EXPECT_EQ(Accessible(::GetDlgItem(dialog, kProgress)), "Copy progress");
      }
      Key(box, VK_RETURN);
      ASSERT_TRUE(WaitGone(box, kExit));
    }
    ASSERT_TRUE(WaitVisible(dialog, kPlay, 60000)) << "the dialog did not reach installed mode";
    ExpectTheGameFromBothDiscs();
    EXPECT_EQ(ControlText(dialog, kInstall), "Uninstall Everything");
    ExpectTheLayoutHolds(dialog, dpi_, Name("installed"));
    EXPECT_EQ(::GetDlgCtrlID(Focus(dialog)), kPlay) << "the focus after the install";
    EXPECT_FALSE(ControlVisible(dialog, DL_ID_FOLDER_LABEL));
    // Tab follows the layout: Play, Exit, Demo, then round to Uninstall.
    for (int id : {kExitButton, kDemo, kInstall}) {
      Key(dialog, VK_TAB);
      EXPECT_EQ(::GetDlgCtrlID(Focus(dialog)), id) << "Tab should reach " << id;
    }
    ASSERT_EQ(::GetDlgCtrlID(Focus(dialog)), kInstall);
    Key(dialog, VK_RETURN);
    const DWORD start = ::GetTickCount();
    while (ControlText(dialog, kExitButton) != "OK" && ::GetTickCount() - start < kAppear)
      ::Sleep(100);
    EXPECT_EQ(::GetFileAttributesA("C:\\Wendmark\\Game"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesA(samplePack_.c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectTheLayoutHolds(dialog, dpi_, Name("uninstalled"));
    Key(dialog, VK_ESCAPE);
    EXPECT_EQ(WaitForExit(setup_, kExit), 0);
  }
  int dpi_ = 96;
};

TEST_F(ScaleE2E, At100PercentEveryTextFitsAndKeysAloneInstallAndUninstall) {
  SetUpAt(96);
  InstallAndUninstallByKeys();
}

TEST_F(ScaleE2E, At150PercentEveryTextFitsAndKeysAloneInstallAndUninstall) {
  SetUpAt(144);
  InstallAndUninstallByKeys();
}

TEST_F(ScaleE2E, At200PercentEveryTextFitsAndKeysAloneInstallAndUninstall) {
  SetUpAt(192);
  InstallAndUninstallByKeys();
}

}  // namespace
}  // namespace dl::e2e
