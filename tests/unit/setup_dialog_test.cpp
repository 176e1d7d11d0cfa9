#include "launcher/setup_dialog.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "install/join_path.h"
#include "pack/pack_file.h"
#include "script/ini_file.h"
#include "support/fake_system.h"
#include "support/fake_view.h"
#include "support/launcher_fixture.h"

namespace dl {
namespace {

using testing::FakeSystem;
using testing::FakeView;
using testing::RecordingOperations;

class DialogTest : public testing::LauncherFixture {
 protected:
  DialogTest() : dialog_(ctx_, view_, ops_) {
    view_.system = &sys_;
    ops_.dialog = &dialog_;
    sys_.osVersion = OsVersionInfo{6, 1, 7601, 2, "Service Pack 1"};
    state_.systemLocale = 1033;
    state_.targetDriveRoot = "C:\\";
    state_.requiredSpace = 300000000;
    state_.freeSpace = 2ull * 1024 * 1024 * 1024;
    sys_.AddDrive('D', DriveType::kCdRom, "KVX_DISC01", 0);
    sys_.AddDrive('E', DriveType::kFixed, "DATA", 4ull * 1024 * 1024 * 1024);
    sys_.AddDrive('N', DriveType::kRemote, "NET", 4ull * 1024 * 1024 * 1024);
  }
  void Open(const std::string& script, LaunchMode mode = LaunchMode::kInstall) {
    script_.LoadText(script);
    state_.mode = mode;
    dialog_.OnInit();
  }
  std::string Status() const { return view_.Text(kStatusText); }

  FakeView view_;
  RecordingOperations ops_;
  SetupDialog dialog_;
};

constexpr const char* kReport = "OS:\tWindows NT Ver:6.1Service Pack 1,409\nDX:\tDirectX 9.0 or up";

TEST_F(DialogTest, InstallModeOpening) {
  Open("[setup]\npic2=back.bmp,10,20\n[DEMO_GROUP]\ndemo=1\nname=Try it\n");
  EXPECT_EQ(Status(), std::string(kReport) + "\nfree disk space,2048 Mbytes");
  EXPECT_EQ(dialog_.statusTextCopy(), Status());
  EXPECT_EQ(state_.probe.directXVersion, 2304u);
  EXPECT_EQ(state_.probe.osPlatform, 2);
  EXPECT_EQ(view_.title, "Install Game");
  EXPECT_EQ(view_.Text(kFolderField), "Wendmark");
  EXPECT_EQ(view_.Text(kDriveButton), "C:\\");
  EXPECT_EQ(view_.limits[kFolderField], 260);
  EXPECT_TRUE(view_.Visible(kInstallButton));
  EXPECT_EQ(view_.Text(kInstallButton), "INSTALL");
  EXPECT_FALSE(view_.Visible(kPlayButton));
  EXPECT_TRUE(view_.Visible(kDemoButton));
  EXPECT_EQ(view_.Text(kDemoButton), "Try it");
  EXPECT_EQ(view_.focus, kInstallButton);
  const auto& pic = view_.controls.at(kPicture);
  EXPECT_EQ(std::vector<int>({pic.x, pic.y, pic.width, pic.height}),
            std::vector<int>({10, 20, 100, 100}));
  EXPECT_EQ(view_.loadAttempts, std::vector<std::string>{"back.bmp"});
  EXPECT_TRUE(view_.endResults.empty());
}

TEST_F(DialogTest, TheWindowIsCentredForA640By480ClientArea) {
  Open("");
  EXPECT_EQ(view_.windowRect, std::vector<int>({77, 47, 646, 505}));
  int x = 0, y = 0;
  CenteredOrigin({640, 480}, {646, 505}, &x, &y);
  EXPECT_EQ(x, -3);
  EXPECT_EQ(y, -12);
}

TEST(FreeSpaceLine, UnitsAndTheTwoForms) {
  EXPECT_EQ(FreeSpaceLine("free", 1023, true), "\nfree:1023 bytes");
  EXPECT_EQ(FreeSpaceLine("free", 1023, false), "\nfree,1023 bytes");
  EXPECT_EQ(FreeSpaceLine("free", 0, true), "\nfree:0 bytes");
  EXPECT_EQ(FreeSpaceLine("free", 1024, true), "\nfree,1 Kbytes");
  EXPECT_EQ(FreeSpaceLine("free", 1048575, false), "\nfree,1023 Kbytes");
  EXPECT_EQ(FreeSpaceLine("free", 1048576, true), "\nfree,1 Mbytes");
  // Shown as a signed 32-bit number.
  EXPECT_EQ(FreeSpaceLine("free", (1ull << 51), true), "\nfree,-2147483648 Mbytes");
  EXPECT_EQ(FreeSpaceLine("%s%n", 5, true), "\n%s%n:5 bytes");
}

TEST(SpaceSuffices, StrictAndSignWidened) {
  EXPECT_FALSE(SpaceSuffices(300000000, 300000000));
  EXPECT_TRUE(SpaceSuffices(300000001, 300000000));
  EXPECT_TRUE(SpaceSuffices(1, 0));
  EXPECT_FALSE(SpaceSuffices(0, 0));
  EXPECT_FALSE(SpaceSuffices(~0ull, -1));  // a negative requirement is never met
}

TEST_F(DialogTest, InstallIsShownOnlyWithMoreFreeSpaceThanRequired) {
  state_.freeSpace = 1000;
  state_.requiredSpace = 1000;
  Open("");
  EXPECT_FALSE(view_.Visible(kInstallButton));
  EXPECT_EQ(Status(), std::string(kReport) + "\nfree disk space:1000 bytes\nno free space");

  FakeView view;
  view.system = &sys_;
  SetupDialog dialog(ctx_, view, ops_);
  state_.freeSpace = 1001;
  dialog.OnInit();
  EXPECT_TRUE(view.Visible(kInstallButton));
}

TEST_F(DialogTest, OldDirectXKeepsInstallHiddenAndWarns) {
  sys_.failingDxStep = 10;  // DirectX 3.0
  Open("[STRING_TAB]\nstring4=No room\nstring8=Update your drivers\n");
  EXPECT_EQ(state_.probe.directXVersion, 768u);
  EXPECT_FALSE(view_.Visible(kInstallButton));
  EXPECT_EQ(Status(),
            "OS:\tWindows NT Ver:6.1Service Pack 1,409\nDX:\tDirectX 3.0"
            "\nfree disk space,2048 Mbytes\nNo room\nUpdate your drivers");
}

TEST_F(DialogTest, DirectX5IsEnoughToInstallButStillWarned) {
  sys_.failingDxStep = 11;  // DirectX 5.0
  Open("");
  EXPECT_TRUE(view_.Visible(kInstallButton));
  EXPECT_EQ(Status().substr(Status().size() - 18), "\ndriver is too old");
}

TEST_F(DialogTest, InstalledModeLayout) {
  Open("[setup]\npic0=done.bmp\npic2=back.bmp\n[STRING_TAB]\nstring1=Remove\n",
       LaunchMode::kInstalled);
  EXPECT_FALSE(view_.Visible(kDriveButton));
  EXPECT_FALSE(view_.Visible(kFolderField));
  EXPECT_FALSE(view_.Visible(kFolderLabel));
  EXPECT_TRUE(view_.Visible(kInstallButton));
  EXPECT_EQ(view_.Text(kInstallButton), "Remove");
  EXPECT_TRUE(view_.Visible(kPlayButton));
  EXPECT_EQ(view_.loadAttempts, std::vector<std::string>{"done.bmp"});
  EXPECT_EQ(Status(), kReport);         // no free-space line in installed mode
  EXPECT_EQ(view_.focus, kPlayButton);  // the default button, never Uninstall
}

TEST_F(DialogTest, InstalledModeOffersPlayOnlyFromDirectX8) {
  sys_.failingDxStep = 15;  // DirectX 7.0
  Open("", LaunchMode::kInstalled);
  EXPECT_FALSE(view_.Visible(kPlayButton));
  EXPECT_EQ(view_.Text(kInstallButton), "Uninstall");
  EXPECT_EQ(Status(),
            "OS:\tWindows NT Ver:6.1Service Pack 1,409\nDX:\tDirectX 7.0 \ndriver is too old");
}

TEST_F(DialogTest, UpdateModeShowsTheInstalledFolder) {
  record_.LoadText("[inst_path]\npath=E:\\Games\\KVX\n");
  Open("[DEMO_GROUP]\ndemo=1\n", LaunchMode::kUpdate);
  EXPECT_FALSE(view_.Visible(kPlayButton));
  EXPECT_FALSE(view_.Visible(kDemoButton));
  EXPECT_FALSE(view_.Visible(kDriveButton));
  EXPECT_TRUE(view_.Visible(kFolderField));
  EXPECT_TRUE(view_.Visible(kInstallButton));
  EXPECT_EQ(view_.Text(kInstallButton), "INSTALL");
  EXPECT_EQ(view_.Text(kDriveButton), "E:\\");
  EXPECT_EQ(view_.Text(kFolderField), "Games\\KVX");
  EXPECT_EQ(state_.targetDriveRoot, "E:\\");

  // Without a recorded path the default folder is shown.
  IniFile emptyRecord;
  LauncherContext ctx{sys_, script_, emptyRecord, pack_, state_};
  FakeView view;
  SetupDialog dialog(ctx, view, ops_);
  dialog.OnInit();
  EXPECT_EQ(view.Text(kDriveButton), "C:\\");
  EXPECT_EQ(view.Text(kFolderField), "Wendmark\\KVX");
}

TEST(PictureSpec, NameAndGeometry) {
  auto geometry = [](const PictureSpec& p) {
    return std::vector<int>({p.x, p.y, p.width, p.height});
  };
  PictureSpec p = ParsePictureSpec("back.bmp");
  EXPECT_EQ(p.name, "back.bmp");
  EXPECT_EQ(geometry(p), std::vector<int>({0, 0, 100, 100}));
  EXPECT_EQ(geometry(ParsePictureSpec("back.bmp,10,20")), std::vector<int>({10, 20, 100, 100}));
  EXPECT_EQ(geometry(ParsePictureSpec("back.bmp,,30")), std::vector<int>({30, 0, 100, 100}));
  EXPECT_EQ(geometry(ParsePictureSpec("back.bmp,5,5,640,480")), std::vector<int>({5, 5, 640, 480}));
  EXPECT_EQ(geometry(ParsePictureSpec("b,x,-7, 9,1,2,3")), std::vector<int>({0, -7, 9, 1}));
  p = ParsePictureSpec("");
  EXPECT_EQ(p.name, "");
  EXPECT_EQ(geometry(p), std::vector<int>({0, 0, 100, 100}));
  // Only the first 259 characters count.
  p = ParsePictureSpec(std::string(255, 'a') + ",1234,5");
  EXPECT_EQ(geometry(p), std::vector<int>({123, 0, 100, 100}));
}

TEST_F(DialogTest, AnEmptyPictureKeyMovesThePictureAndLoadsNothing) {
  view_.loadable.insert("back.bmp");
  Open("[setup]\npic2=\n");
  const auto& pic = view_.controls.at(kPicture);
  EXPECT_EQ(std::vector<int>({pic.x, pic.y, pic.width, pic.height}),
            std::vector<int>({0, 0, 100, 100}));
  EXPECT_EQ(pic.picture, "");

  dialog_.ShowPicture(kPicture, "back.bmp,1,2,640,480");
  EXPECT_EQ(view_.controls.at(kPicture).picture, "back.bmp@640x480");
  dialog_.ShowPicture(kPicture, "missing.bmp,3,4");  // keeps what it showed, at its new place
  EXPECT_EQ(view_.controls.at(kPicture).picture, "back.bmp@640x480");
  EXPECT_EQ(view_.controls.at(kPicture).x, 3);
  std::size_t attempts = view_.loadAttempts.size();
  dialog_.ShowPicture(kOptionalControl, "back.bmp");  // no such control: nothing loads
  dialog_.ShowPicture(kPicture, nullptr);             // no key: nothing at all
  EXPECT_EQ(view_.loadAttempts.size(), attempts);
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonAndEscIsExitOrAStopDuringTheCopy) {
  struct Case {
    const char* name;
    LaunchMode mode;
    std::uintptr_t key;
    const char* calls;  // the operations the key started
    bool ended;
  };
  const Case cases[] = {
      {"Enter in install mode installs", LaunchMode::kInstall, kIdOk,
       "journal copy rename finish record", false},
      {"Enter in installed mode plays, never uninstalls", LaunchMode::kInstalled, kIdOk, "game",
       true},
      {"Enter in update mode updates", LaunchMode::kUpdate, kIdOk, "copy", false},
      {"Esc is Exit", LaunchMode::kInstall, kIdCancel, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ops_.calls.clear();
    view_.endResults.clear();
    Open("", c.mode);
    dialog_.OnCommand(c.key);
    std::string calls;
    for (const std::string& call : ops_.calls) calls += (calls.empty() ? "" : " ") + call;
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(!view_.endResults.empty(), c.ended);
  }
}

TEST_F(DialogTest, CommandsCountOnlyAsClicksAndRespectBusy) {
  Open("[DEMO_GROUP]\ndemo=1\n", LaunchMode::kInstalled);
  dialog_.OnCommand((1u << 16) | kExitButton);  // a notification other than a click
  dialog_.OnCommand(kDriveButton);              // not in install mode
  EXPECT_TRUE(view_.endResults.empty());
  EXPECT_EQ(view_.browses, 0);

  // While a command runs (here the uninstall), the other commands are not taken.
  ops_.whileUninstalling = [this] {
    EXPECT_EQ(dialog_.busy(), 1);
    dialog_.OnCommand(kExitButton);
    dialog_.OnCommand(kPlayButton);
    dialog_.OnCommand(kDemoButton);
    dialog_.OnCommand(kInstallButton);
    EXPECT_TRUE(view_.endResults.empty());
    EXPECT_EQ(ops_.calls, std::vector<std::string>{"uninstall"});
    dialog_.OnClose();  // the close box works even while busy
    EXPECT_EQ(view_.endResults, std::vector<int>{-1});
  };
  dialog_.OnCommand(kInstallButton);
  ops_.calls.clear();

  EXPECT_EQ(dialog_.busy(), 0);
  dialog_.OnCommand(kPlayButton);
  dialog_.OnCommand(kDemoButton);
  dialog_.OnCommand(kExitButton);
  EXPECT_EQ(ops_.calls, std::vector<std::string>({"game", "demo"}));
  EXPECT_EQ(ops_.owners, std::vector<WindowRef>({view_.window(), view_.window()}));
  EXPECT_EQ(view_.endResults, std::vector<int>({-1, -1, -1, -1}));

  dialog_.OnCommand(kExtraInstallerButton);  // taken always, even without the control
  EXPECT_EQ(ops_.calls.back(), "extra");
}

TEST_F(DialogTest, ChoosingAFolderAppendsPath2AndMeasuresItsDrive) {
  Open("");
  view_.browseAnswers = {"E:\\Games"};
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(view_.Text(kDriveButton), "E:\\");
  EXPECT_EQ(view_.Text(kFolderField), "Games\\Game");
  EXPECT_EQ(state_.targetDriveRoot, "E:\\");
  EXPECT_EQ(state_.freeSpace, 4ull * 1024 * 1024 * 1024);
  EXPECT_EQ(Status(), std::string(kReport) + "\nfree disk space,4096 Mbytes");
  EXPECT_TRUE(view_.Visible(kInstallButton));
  EXPECT_EQ(dialog_.busy(), 0);
  // The opening status copy is not changed by a folder choice.
  EXPECT_EQ(dialog_.statusTextCopy(), std::string(kReport) + "\nfree disk space,2048 Mbytes");

  view_.browseAnswers = {"E:\\"};
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(view_.Text(kFolderField), "Game");
}

TEST_F(DialogTest, AnExistingDefPathSectionRecordsTheOpeningDefault) {
  Open("[DEFPATH]\npath1=Game\n");
  view_.browseAnswers = {"E:\\Games"};
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(view_.Text(kFolderField), "Games\\Wendmark");
}

TEST_F(DialogTest, AFolderOnACdRomOrNetworkDriveHasNoSpace) {
  sys_.failingDxStep = 10;  // the DirectX minimum is not applied after a choice
  Open("");
  view_.browseAnswers = {"D:\\", "N:\\Share"};
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(state_.freeSpace, 0u);
  EXPECT_FALSE(view_.Visible(kInstallButton));
  const std::string tail = "\nfree disk space,0 bytes\nno free space,";
  EXPECT_EQ(Status().substr(Status().size() - tail.size()), tail);
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(state_.freeSpace, 0u);  // remote drives have space, but they do not count
  EXPECT_FALSE(view_.Visible(kInstallButton));

  view_.browseAnswers = {"E:\\X"};
  dialog_.OnCommand(kDriveButton);
  EXPECT_TRUE(view_.Visible(kInstallButton));  // DirectX 3.0, yet Install is offered
  EXPECT_EQ(Status().find("driver is too old"), std::string::npos);
}

TEST_F(DialogTest, ACancelledOrOverlongChoiceChangesNothing) {
  Open("");
  const std::string status = Status();
  view_.browseAnswers = {""};
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(view_.browses, 1);
  EXPECT_EQ(Status(), status);
  EXPECT_EQ(view_.Text(kFolderField), "Wendmark");
  EXPECT_EQ(dialog_.busy(), 0);

  // A folder that, joined with "Game", would not fit 259 characters is refused.
  std::string longFolder = "E:\\" + std::string(252, 'f');  // 255 + "\Game" = 260
  view_.browseAnswers = {longFolder};
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(Status(), status);
  EXPECT_EQ(view_.Text(kFolderField), "Wendmark");
  EXPECT_EQ(view_.Text(kDriveButton), "C:\\");
  EXPECT_EQ(dialog_.busy(), 0);

  view_.browseAnswers = {"E:\\" + std::string(251, 'f')};  // exactly 259: taken
  dialog_.OnCommand(kDriveButton);
  EXPECT_EQ(view_.Text(kFolderField), std::string(251, 'f') + "\\Game");
}

TEST(JoinPath, OneSeparatorAndABoundStepsOverDoubleByteCharacters) {
  testing::FakeSystem gbk;
  gbk.doubleByte = true;
  const std::vector<std::pair<std::string, std::string>> joins = {
      {"C:\\a", "C:\\a\\b"},
      {"C:\\", "C:\\b"},
      {"C:/x/", "C:/x/b"},
      {"", "b"},
      {"C:\\\xDF\x5C", "C:\\\xDF\x5C\\b"},  // its 0x5C is the second byte of a character
      {"C:\\\xDF\x5C\\", "C:\\\xDF\x5C\\b"},
  };
  for (const auto& [base, joined] : joins) {
    std::string p = base;
    EXPECT_TRUE(JoinPath(gbk, &p, "b")) << base;
    EXPECT_EQ(p, joined) << base;
  }
  std::string p = std::string(258, 'a');
  EXPECT_FALSE(JoinPath(gbk, &p, "b"));
  EXPECT_EQ(p.size(), 258u);
}

TEST_F(DialogTest, InstallRefusedForSpaceSaysNotInstalledOrPathError) {
  state_.freeSpace = 500;
  state_.requiredSpace = 100;
  Open("");
  ASSERT_TRUE(view_.Visible(kInstallButton));
  sys_.SetFreeBytes('C', 50);
  view_.SetControlText(kFolderField, "Games\\KVX");
  dialog_.OnCommand(kInstallButton);
  EXPECT_EQ(Status(), "\nfree disk space,50 bytes\nnot instll");
  EXPECT_FALSE(view_.Visible(kInstallButton));
  EXPECT_TRUE(view_.Visible(kExitButton));
  EXPECT_EQ(dialog_.busy(), 0);
  EXPECT_TRUE(ops_.calls.empty());

  sys_.SetFreeBytes('C', 0, /*queryFails=*/true);
  dialog_.OnCommand(kInstallButton);
  EXPECT_EQ(Status(), "path err");
}

TEST_F(DialogTest, ASuccessfulInstallSwitchesToInstalledMode) {
  Open("");
  dialog_.OnCommand(kInstallButton);
  EXPECT_EQ(ops_.calls,
            std::vector<std::string>({"journal", "copy", "rename", "finish", "record"}));
  EXPECT_EQ(ops_.busyDuringCopy, 1);
  EXPECT_EQ(state_.mode, LaunchMode::kInstalled);
  EXPECT_TRUE(view_.Visible(kPlayButton));
  EXPECT_TRUE(view_.Visible(kInstallButton));
  EXPECT_EQ(view_.Text(kInstallButton), "Uninstall");
  EXPECT_EQ(view_.Text(kExitButton), "OK");
  EXPECT_TRUE(view_.Visible(kExitButton));
  EXPECT_EQ(dialog_.busy(), 0);
  EXPECT_TRUE(view_.endResults.empty());
  // The focus left the button just pressed: a second Enter plays, it does not uninstall.
  EXPECT_EQ(view_.focus, kPlayButton);

  dialog_.OnCommand(kInstallButton);  // now Uninstall
  EXPECT_EQ(ops_.calls.back(), "uninstall");
  EXPECT_EQ(view_.Text(kExitButton), "OK");
}

// True when the two rectangles share a pixel.
bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

// At 100, 150 and 200 % scale, with the longest texts a script is likely to give (and
// Chinese ones, two cells a character): the client area and the pictures grow with the
// scale, every text fits its control, and nothing leaves the window or covers a button.
TEST_F(DialogTest, TheLayoutHoldsEveryTextInsideTheWindowAtEveryScale) {
  const std::string chinese =
      "\xd0\xb6\xd4\xd8\xc8\xab\xb2\xbf\xd3\xce\xcf\xb7"
      "\xd3\xeb\xb4\xe6\xb5\xb5";  // 9 characters
  struct Case {
    LaunchMode mode;
    std::string uninstall, demo, folderLabel;
  } cases[] = {
      {LaunchMode::kInstall, "Uninstall", "Play the demo of the game", "Install &to folder:"},
      {LaunchMode::kInstalled, "Uninstall Everything", "Demo", "&Folder:"},
      {LaunchMode::kInstalled, chinese, chinese, chinese},
  };
  for (int dpi : {96, 144, 192}) {
    for (const Case& c : cases) {
      SCOPED_TRACE("dpi " + std::to_string(dpi) + ", " + c.uninstall);
      FakeView view;
      view.dpi = dpi;
      state_.mode = c.mode;
      script_.LoadText(
          "[setup]\npic0=done.bmp,420,40,200,150\npic2=back.bmp,420,40,200,150\n"
          "[STRING_TAB]\nstring1=" +
          c.uninstall + "\nfolder=" + c.folderLabel + "\n[DEMO_GROUP]\ndemo=1\nname=" + c.demo +
          "\n");
      SetupDialog dialog(ctx_, view, ops_);
      dialog.OnInit();

      const Size client{view.windowRect[2] - view.frame.width,
                        view.windowRect[3] - view.frame.height};
      EXPECT_EQ(client.width, 640 * dpi / 96);
      EXPECT_EQ(client.height, 480 * dpi / 96);
      const Rect picture = view.ControlRect(kPicture);
      EXPECT_EQ(std::vector<int>({picture.x, picture.y, picture.width, picture.height}),
                std::vector<int>({420 * dpi / 96, 40 * dpi / 96, 200 * dpi / 96, 150 * dpi / 96}));
      const int buttons[] = {kInstallButton, kPlayButton, kExitButton, kDriveButton, kDemoButton};
      for (const auto& [id, control] : view.controls) {
        if (!control.visible) continue;
        SCOPED_TRACE("control " + std::to_string(id));
        const Rect r = view.ControlRect(id);
        EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.right() <= client.width &&
                    r.bottom() <= client.height);
        const bool isButton = std::count(std::begin(buttons), std::end(buttons), id) > 0;
        if (isButton || id == kFolderLabel) {
          const Size text = view.TextSize(id, control.text, 0);
          EXPECT_LE(text.width + (isButton ? 2 : 0), r.width) << control.text;
          EXPECT_LE(text.height, r.height) << control.text;
        }
        if (id == kStatusText) {
          EXPECT_LE(view.TextSize(id, control.text, r.width).height, r.height);
        }
        if (!isButton) continue;
        EXPECT_FALSE(Overlap(r, picture));
        for (int other : buttons) {
          if (other != id && view.controls.at(other).visible) {
            EXPECT_FALSE(Overlap(r, view.ControlRect(other))) << "with " << other;
          }
        }
      }
      EXPECT_FALSE(Overlap(view.ControlRect(kFolderLabel), view.ControlRect(kFolderField)));
    }
  }
}

TEST_F(DialogTest, AFinishedInstallWithPic1AndOldDirectXStartsTheDirectXSetup) {
  sys_.failingDxStep = 16;  // DirectX 8.0: no set-up needed
  Open("[setup]\npic1=end.bmp\n");
  dialog_.OnCommand(kInstallButton);
  EXPECT_EQ(ops_.calls.back(), "record");
  EXPECT_EQ(view_.loadAttempts.back(), "end.bmp");
  EXPECT_EQ(state_.mode, LaunchMode::kInstalled);

  FakeSystem sys;
  sys.failingDxStep = 15;  // DirectX 7.0
  IniFile script, record;
  script.LoadText("[setup]\npic1=end.bmp\n");
  PackFile pack(sys);
  LauncherState state;
  state.freeSpace = 1ull << 40;
  state.targetDriveRoot = "C:\\";
  sys.SetFreeBytes('C', 1ull << 40);
  LauncherContext ctx{sys, script, record, pack, state};
  FakeView view;
  RecordingOperations ops;
  SetupDialog dialog(ctx, view, ops);
  dialog.OnInit();
  dialog.OnCommand(kInstallButton);
  EXPECT_EQ(ops.calls.back(), "directx");
}

TEST_F(DialogTest, AFailedCopyIsUndoneToldAndClosesTheDialogInInstallMode) {
  Open("[STRING_TAB]\nstring3=KVX Setup\n");
  ops_.copyResult = 0;
  ops_.undoResult.notRemoved = {"C:\\Game1\\Game\\locked.dat (the deletion failed)"};
  dialog_.OnCommand(kInstallButton);
  EXPECT_EQ(view_.closesSent, 1);
  EXPECT_EQ(ops_.calls, std::vector<std::string>({"journal", "copy", "undo"}));
  ASSERT_EQ(sys_.messages().size(), 1u);
  EXPECT_EQ(sys_.messages()[0].caption, "KVX Setup");
  EXPECT_NE(sys_.messages()[0].text.find("did not finish"), std::string::npos);
  EXPECT_NE(sys_.messages()[0].text.find("could not be removed:\nC:\\Game1\\Game\\locked.dat"),
            std::string::npos)
      << sys_.messages()[0].text;
  EXPECT_EQ(state_.exitCode, ExitCode::kFailed);
}

TEST_F(DialogTest, ARecordThatCouldNotBeWrittenUndoesTheInstallAndEndsTheDialog) {
  Open("[STRING_TAB]\nstring3=KVX Setup\n[setup]\npic1=end.bmp\n");
  state_.recordPath = "C:\\windows\\KVX.ini";
  ops_.recordResult = 0;
  dialog_.OnCommand(kInstallButton);
  EXPECT_EQ(ops_.calls,
            std::vector<std::string>({"journal", "copy", "rename", "finish", "record", "undo"}));
  ASSERT_EQ(sys_.messages().size(), 1u);
  EXPECT_EQ(sys_.messages()[0].owner, view_.window());
  EXPECT_EQ(sys_.messages()[0].caption, "KVX Setup");
  EXPECT_NE(
      sys_.messages()[0].text.find("the install record could not be written to "
                                   "C:\\windows\\KVX.ini.pak.\n\nWhat it had copied was removed."),
      std::string::npos)
      << sys_.messages()[0].text;
  EXPECT_EQ(view_.closesSent, 1);
  EXPECT_EQ(state_.mode, LaunchMode::kInstall);
  EXPECT_FALSE(view_.Visible(kPlayButton));
}

TEST_F(DialogTest, UpdateCopyHidesInstallOrShowsTheDriveButtonAgain) {
  Open("", LaunchMode::kUpdate);
  dialog_.OnCommand(kInstallButton);
  EXPECT_FALSE(view_.Visible(kInstallButton));
  EXPECT_EQ(dialog_.busy(), 0);

  FakeView view;
  SetupDialog dialog(ctx_, view, ops_);
  dialog.OnInit();
  ops_.copyResult = 0;
  dialog.OnCommand(kInstallButton);
  EXPECT_TRUE(view.Visible(kDriveButton));
  EXPECT_TRUE(view.Visible(kInstallButton));
  EXPECT_TRUE(view.endResults.empty());
  dialog.OnCommand(kDriveButton);  // does nothing in update mode
  EXPECT_EQ(view.browses, 0);
}

TEST_F(DialogTest, TheStatusControlShowsAt259Characters) {
  dialog_.ShowStatus(std::string(300, 's'));
  EXPECT_EQ(Status().size(), 259u);
  Open("[STRING_TAB]\nstring6=" + std::string(2000, 'o') + "\n");
  EXPECT_EQ(dialog_.statusTextCopy().size(), 1023u);  // composed in 1,024 bytes
  EXPECT_EQ(Status().size(), 259u);
}

}  // namespace
}  // namespace dl
