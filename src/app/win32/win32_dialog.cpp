#include "app/win32/win32_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "launcher/setup_dialog.h"
#include "platform/win32/win32_system.h"
#include "util/image_scale.h"

namespace dl {
namespace {

class Win32DialogView : public DialogView {
 public:
  Win32DialogView(HWND dialog, HINSTANCE instance) : dialog_(dialog), instance_(instance) {}
  ~Win32DialogView() override { DropPicture(); }
  Win32DialogView(const Win32DialogView&) = delete;
  Win32DialogView& operator=(const Win32DialogView&) = delete;

  WindowRef window() override { return reinterpret_cast<WindowRef>(dialog_); }

  // The control's own mark: while the dialog opens, it is hidden itself.
  bool ControlVisible(int id) override {
    HWND control = Control(id);
    return control != nullptr && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  // The copy runs inside a click: the messages that came meanwhile (the close box, Alt+F4,
  // Esc, a click) are dispatched here, between two files, as the dialog's own loop would,
  // at most about 30 times a second.
  void HandleInput() override {
    const DWORD now = ::GetTickCount();
    if (polled_ && now - lastPoll_ < kPaintIntervalMs) return;
    polled_ = true;
    lastPoll_ = now;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (::IsDialogMessageA(dialog_, &msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  bool ShowControl(int id, bool visible) override {
    HWND control = Control(id);
    if (control == nullptr) return false;
    if (id == pendingId_) ShowPending();
    if (visible) TakeHeldText(id, control);
    ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    return true;
  }
  // A hidden control's text is held until the control shows: the copy names every file
  // in the status line, hidden while it copies, and giving a control its text costs a
  // round trip to the window system that a copy of small files feels.
  void SetControlText(int id, const std::string& text) override {
    HWND control = Control(id);
    if (control != nullptr && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) == 0) {
      heldTexts_[id] = text;
      return;
    }
    if (control == nullptr) return;
    heldTexts_.erase(id);
    if (id == DL_ID_PICTURE) {
      // A picture control's own handling takes a text as the name of a bitmap to show; the
      // text only names the picture (for screen readers).
      ::DefWindowProcA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      return;
    }
    ::SetWindowTextA(control, text.c_str());
    Repaint(id);
  }
  std::string ControlText(int id, std::size_t maxChars) override {
    char buffer[kPathCapacity] = {};
    HWND control = Control(id);
    if (control == nullptr) return std::string();
    if (auto held = heldTexts_.find(id); held != heldTexts_.end())
      return held->second.substr(0, maxChars);
    ::GetWindowTextA(control, buffer, static_cast<int>(sizeof buffer));
    std::string text = buffer;
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
  }
  void LimitText(int id, int chars) override {
    ::SendMessageA(Control(id), EM_LIMITTEXT, static_cast<WPARAM>(chars), 0);
  }
  void SetTitle(const std::string& title) override { ::SetWindowTextA(dialog_, title.c_str()); }
  // Through the dialog manager, which also marks a push button that takes the focus as
  // the default one.
  void FocusControl(int id) override {
    HWND control = Control(id);
    if (control != nullptr)
      ::SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  }
  int Dpi() override {
    if (dpi_ == 0) {
      HDC screen = ::GetDC(nullptr);
      dpi_ = screen == nullptr ? kBaseDpi : ::GetDeviceCaps(screen, LOGPIXELSY);
      if (screen != nullptr) ::ReleaseDC(nullptr, screen);
      if (dpi_ <= 0) dpi_ = kBaseDpi;
    }
    return dpi_;
  }
  Rect ControlRect(int id) override {
    HWND control = Control(id);
    RECT rect = {};
    if (control == nullptr || !::GetWindowRect(control, &rect)) return {};
    ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }
  Size TextSize(int id, const std::string& text, int wrapWidth) override {
    HWND control = Control(id);
    if (control == nullptr) return {};
    HDC dc = ::GetDC(control);
    if (dc == nullptr) return {};
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    RECT rect = {0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    if (old != nullptr) ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
  }
  Size WindowSizeForClient(int width, int height) override {
    RECT rect = {0, 0, width, height};
    DWORD style = static_cast<DWORD>(::GetWindowLongA(dialog_, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(dialog_, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&rect, style, ::GetMenu(dialog_) != nullptr, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
  }
  Size ScreenSize() override {
    return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  void MoveWindowTo(int x, int y, int width, int height) override {
    ::MoveWindow(dialog_, x, y, width, height, TRUE);
  }
  bool MoveControl(int id, int x, int y, int width, int height) override {
    HWND control = Control(id);
    if (control == nullptr) return false;
    ::MoveWindow(control, x, y, width, height, TRUE);
    return true;
  }
  bool LoadPicture(int id, const std::string& name, int width, int height) override {
    HWND control = Control(id);
    if (control == nullptr) return false;
    // A bitmap resource of the program first, its greys mapped to the 3-D colours; then a
    // bitmap file relative to the current folder (where the script was found). Loaded at
    // its own size and then scaled smoothly: the loader's own scaling drops pixels.
    HANDLE loaded = ::LoadImageA(instance_, name.c_str(), IMAGE_BITMAP, 0, 0,
                                 LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS);
    if (loaded == nullptr)
      loaded = ::LoadImageA(nullptr, name.c_str(), IMAGE_BITMAP, 0, 0,
                            LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (loaded == nullptr) return false;
    HANDLE bitmap = ScaledBitmap(static_cast<HBITMAP>(loaded), width, height);
    if (bitmap == nullptr) {
      bitmap = ::CopyImage(loaded, IMAGE_BITMAP, width, height, LR_CREATEDIBSECTION);
      if (bitmap == nullptr) bitmap = loaded;
    }
    if (bitmap != loaded) ::DeleteObject(loaded);
    HANDLE old = reinterpret_cast<HANDLE>(
        ::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (old != nullptr && old != bitmap) ::DeleteObject(old);
    picture_ = bitmap;
    pictureControl_ = control;
    return true;
  }
  std::optional<std::string> BrowseForFolder() override {
    char name[MAX_PATH + 1] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = dialog_;
    info.pidlRoot = nullptr;  // the desktop
    info.pszDisplayName = name;
    info.lpszTitle = nullptr;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    return TakeShellItemPath(::SHBrowseForFolderA(&info));
  }
  void SetProgressRange(int id, int maximum) override {
    ::SendMessageA(Control(id), PBM_SETRANGE32, 0, maximum);
  }
  // Moving the bar costs a paint of its own (one and a half milliseconds under Wine, about
  // what a small file's copy takes): it moves at most ten times a second, to the newest
  // position, and whatever is held back shows before the copy pauses or asks for a disc.
  void SetProgressPosition(int id, int position) override {
    pendingId_ = id;
    pendingPosition_ = position;
    const DWORD now = ::GetTickCount();
    if (!moved_ || now - lastMove_ >= kMoveIntervalMs) ShowPending();
  }
  void ShowPending() override {
    if (pendingId_ == 0) return;
    moved_ = true;
    lastMove_ = ::GetTickCount();
    ::SendMessageA(Control(pendingId_), PBM_SETPOS, static_cast<WPARAM>(pendingPosition_), 0);
    const int id = pendingId_;
    pendingId_ = 0;
    Repaint(id);
  }
  void End(int result) override { ::EndDialog(dialog_, result); }
  void SendClose() override { ::SendMessageA(dialog_, WM_CLOSE, 0, 0); }

  // Takes the last bitmap back from the picture control and deletes it.
  void DropPicture() {
    if (picture_ == nullptr) return;
    if (::IsWindow(pictureControl_)) ::SendMessageA(pictureControl_, STM_SETIMAGE, IMAGE_BITMAP, 0);
    ::DeleteObject(picture_);
    picture_ = nullptr;
  }

 private:
  // A copy of the bitmap at width x height, scaled smoothly (null when it cannot be made;
  // the bitmap itself when it has that size already).
  static HBITMAP ScaledBitmap(HBITMAP source, int width, int height) {
    BITMAP info = {};
    if (::GetObjectA(source, sizeof info, &info) == 0 || width <= 0 || height <= 0 ||
        info.bmWidth <= 0 || info.bmHeight <= 0)
      return nullptr;
    if (info.bmWidth == width && info.bmHeight == height) return source;
    // 32-bit pixels, rows top to bottom (a negative height).
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    Image image;
    image.width = info.bmWidth;
    image.height = info.bmHeight;
    image.pixels.resize(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) return nullptr;
    const int rows = ::GetDIBits(screen, source, 0, static_cast<UINT>(info.bmHeight),
                                 image.pixels.data(), &format, DIB_RGB_COLORS);
    HBITMAP scaled = nullptr;
    if (rows == info.bmHeight) {
      const Image done = ScaleImage(image, width, height);
      format.bmiHeader.biWidth = width;
      format.bmiHeader.biHeight = -height;
      void* bits = nullptr;
      scaled = ::CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (scaled != nullptr && bits != nullptr && !done.pixels.empty())
        std::memcpy(bits, done.pixels.data(), done.pixels.size() * sizeof done.pixels[0]);
      else if (scaled != nullptr) {
        ::DeleteObject(scaled);
        scaled = nullptr;
      }
    }
    ::ReleaseDC(nullptr, screen);
    return scaled;
  }

  // A control of the dialog (null when the template has none). Looked up once: under Wine
  // every lookup asks the window server for the dialog's children.
  HWND Control(int id) {
    auto known = controls_.find(id);
    if (known != controls_.end()) return known->second;
    HWND control = ::GetDlgItem(dialog_, id);
    controls_[id] = control;
    return control;
  }
  void TakeHeldText(int id, HWND control) {
    auto held = heldTexts_.find(id);
    if (held == heldTexts_.end()) return;
    ::SetWindowTextA(control, held->second.c_str());
    heldTexts_.erase(held);
  }

  // The copy runs inside a click, and the dialog's own loop turns only in HandleInput,
  // between files: paint a changed control at once so that the progress bar shows how far
  // the copy got, and let the window system take the picture (a look at the queue that
  // removes nothing). Not more often than a person can see (about 30 times a second): a
  // copy of many small files would spend more time painting than copying. What is not
  // painted now is painted with the next change, or when the dialog's loop turns again.
  void Repaint(int id) {
    HWND control = Control(id);
    if (control == nullptr || !::IsWindowVisible(control)) return;
    const DWORD now = ::GetTickCount();
    if (painted_ && now - lastPaint_ < kPaintIntervalMs) return;
    painted_ = true;
    lastPaint_ = now;
    ::UpdateWindow(control);
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }
  static constexpr DWORD kPaintIntervalMs = 33;
  static constexpr DWORD kMoveIntervalMs = 100;
  bool painted_ = false;
  DWORD lastPaint_ = 0;
  int pendingId_ = 0;  // a progress bar whose newest position is not shown yet
  int pendingPosition_ = 0;
  bool moved_ = false;
  DWORD lastMove_ = 0;
  int dpi_ = 0;
  bool polled_ = false;
  DWORD lastPoll_ = 0;
  std::map<int, std::string> heldTexts_;  // texts of hidden controls, given when they show
  std::map<int, HWND> controls_;

  HWND dialog_;
  HINSTANCE instance_;
  HANDLE picture_ = nullptr;
  HWND pictureControl_ = nullptr;
};

constexpr UINT kSilentStart = WM_APP + 1;

// What one showing of the dialog owns; the procedure finds it through the window.
struct DialogSession {
  LauncherContext& ctx;
  InstallOperations& operations;
  std::unique_ptr<Win32DialogView> view;
  std::unique_ptr<SetupDialog> dialog;
};

// Returns 0 for every message but the close (handled whole); for the initialisation
// message this means that the dialog sets the keyboard focus itself. No exception leaves the
// procedure.
INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* session = reinterpret_cast<DialogSession*>(lparam);
      ::SetWindowLongPtrA(window, GWLP_USERDATA, lparam);
      session->view = std::make_unique<Win32DialogView>(
          window, reinterpret_cast<HINSTANCE>(session->ctx.state.instance));
      session->dialog =
          std::make_unique<SetupDialog>(session->ctx, *session->view, session->operations);
      session->dialog->OnInit();
      // An unattended run starts once the dialog shows.
      if (session->ctx.state.commandLine.RunsByItself()) ::PostMessageA(window, kSilentStart, 0, 0);
      return 0;
    }
    auto* session = reinterpret_cast<DialogSession*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (session == nullptr || session->dialog == nullptr) return 0;
    switch (message) {
      case WM_COMMAND:
        session->dialog->OnCommand(static_cast<std::uintptr_t>(wparam));
        break;
      case WM_CLOSE:
        // Handled here: the default handling would post Esc's command after it.
        session->dialog->OnClose();
        return TRUE;
      case kSilentStart:
        session->dialog->RunSilent();
        break;
      case WM_DESTROY:
        session->view->DropPicture();
        break;
      default:
        break;
    }
  } catch (...) {
    ::EndDialog(window, kDialogResult);
  }
  return 0;
}

}  // namespace

void RunSetupDialog(LauncherContext& ctx, InstallOperations& operations) {
  DialogSession session{ctx, operations, nullptr, nullptr};
  ::DialogBoxParamA(reinterpret_cast<HINSTANCE>(ctx.state.instance), "ASD", nullptr,
                    SetupDialogProc, reinterpret_cast<LPARAM>(&session));
}

}  // namespace dl
