// The DirectX probe on the real libraries. The libraries are loaded from the system
// directory by their full paths (none of them is a known DLL: a bare name would find one
// planted beside the launcher first) and their entry points looked up at run time, so the program
// imports nothing from DirectX and starts on a system without it. Whatever a step obtains is
// released by a later step or by the destructor, on every path.
#include <windows.h>

#include <ddraw.h>
#include <objbase.h>

#include <cstring>

#include "platform/win32/safe_start.h"
#include "platform/win32/win32_system.h"

namespace dl {
namespace {

// Interface and class identifiers, spelled out so that no DirectX import library is needed.
const GUID kIidDirectDraw2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
const GUID kIidDirectDrawSurface3 = {
    0xDA044E00, 0x69B2, 0x11D0, {0xA1, 0xD5, 0x00, 0xAA, 0x00, 0xB8, 0xDF, 0xBB}};
const GUID kIidDirectDrawSurface4 = {
    0x0B2B8630, 0xAD35, 0x11D0, {0x8E, 0xA6, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
const GUID kClsidDirectMusic = {
    0x636B9F10, 0x0C7D, 0x11D1, {0x95, 0xB2, 0x00, 0x20, 0xAF, 0xDC, 0x74, 0x21}};
const GUID kIidDirectMusic = {
    0x6536115A, 0x7B2D, 0x11D2, {0xBA, 0x18, 0x00, 0x00, 0xF8, 0x75, 0xAC, 0x12}};
const GUID kIidDirectDraw7 = {
    0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
using DirectDrawCreateExFn = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);

template <typename Fn>
Fn ProcAs(FARPROC proc) {
  static_assert(sizeof(Fn) == sizeof(FARPROC));
  Fn fn;
  std::memcpy(&fn, &proc, sizeof fn);
  return fn;
}

template <typename T>
void ReleaseInterface(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

// Loads a library of the system directory and frees it again: true when it exists.
bool LibraryPresent(const char* name) {
  HMODULE module = LoadSystemLibrary(name);
  if (module == nullptr) return false;
  ::FreeLibrary(module);
  return true;
}

class Win32DirectXSession : public DirectXSession {
 public:
  Win32DirectXSession() = default;
  Win32DirectXSession(const Win32DirectXSession&) = delete;
  Win32DirectXSession& operator=(const Win32DirectXSession&) = delete;
  ~Win32DirectXSession() override {
    ReleaseInterface(surface_);
    ReleaseInterface(draw_);
    if (directInput_ != nullptr) ::FreeLibrary(directInput_);
    if (directDraw_ != nullptr) ::FreeLibrary(directDraw_);
  }

  bool Run(DxStep step) override {
    switch (step) {
      case DxStep::kLoadDirectDraw:
        directDraw_ = LoadSystemLibrary("ddraw.dll");
        return directDraw_ != nullptr;
      case DxStep::kFindDirectDrawCreate:
        create_ = ProcAs<DirectDrawCreateFn>(Proc(directDraw_, "DirectDrawCreate"));
        return create_ != nullptr;
      case DxStep::kCreateDirectDraw:
        return create_ != nullptr && SUCCEEDED(create_(nullptr, &draw_, nullptr)) &&
               draw_ != nullptr;
      case DxStep::kQueryDirectDraw2: {
        IUnknown* draw2 = nullptr;
        bool ok = draw_ != nullptr && SUCCEEDED(draw_->QueryInterface(
                                          kIidDirectDraw2, reinterpret_cast<void**>(&draw2)));
        ReleaseInterface(draw2);
        return ok;
      }
      case DxStep::kLoadDirectInput:
        directInput_ = LoadSystemLibrary("dinput.dll");
        return directInput_ != nullptr;
      case DxStep::kFindDirectInputCreate: {
        bool ok = Proc(directInput_, "DirectInputCreateA") != nullptr;
        if (directInput_ != nullptr) ::FreeLibrary(directInput_);
        directInput_ = nullptr;
        return ok;
      }
      case DxStep::kSetCooperativeLevel:
        return draw_ != nullptr && SUCCEEDED(draw_->SetCooperativeLevel(nullptr, DDSCL_NORMAL));
      case DxStep::kCreatePrimarySurface: {
        if (draw_ == nullptr) return false;
        DDSURFACEDESC desc;
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        return SUCCEEDED(draw_->CreateSurface(&desc, &surface_, nullptr)) && surface_ != nullptr;
      }
      case DxStep::kQuerySurface3:
        return QuerySurface(kIidDirectDrawSurface3);
      case DxStep::kQuerySurface4: {
        bool ok = QuerySurface(kIidDirectDrawSurface4);
        if (ok) {
          ReleaseInterface(surface_);
          ReleaseInterface(draw_);
        }
        return ok;
      }
      case DxStep::kCreateDirectMusic: {
        HRESULT init = ::CoInitialize(nullptr);
        IUnknown* music = nullptr;
        HRESULT hr = ::CoCreateInstance(kClsidDirectMusic, nullptr, CLSCTX_INPROC_SERVER,
                                        kIidDirectMusic, reinterpret_cast<void**>(&music));
        ReleaseInterface(music);
        if (SUCCEEDED(init)) ::CoUninitialize();
        return SUCCEEDED(hr);
      }
      case DxStep::kFindDirectDrawCreateEx:
        createEx_ = ProcAs<DirectDrawCreateExFn>(Proc(directDraw_, "DirectDrawCreateEx"));
        return createEx_ != nullptr;
      case DxStep::kCreateDirectDraw7: {
        if (createEx_ == nullptr) return false;
        IUnknown* draw7 = nullptr;
        bool ok = SUCCEEDED(
            createEx_(nullptr, reinterpret_cast<void**>(&draw7), kIidDirectDraw7, nullptr));
        ReleaseInterface(draw7);
        return ok;
      }
      case DxStep::kLoadDirect3D8:
        return LibraryPresent("d3d8.dll");
      case DxStep::kLoadDirect3D9:
        return LibraryPresent("d3d9.dll");
    }
    return false;
  }

 private:
  static FARPROC Proc(HMODULE module, const char* name) {
    return module == nullptr ? nullptr : ::GetProcAddress(module, name);
  }
  bool QuerySurface(const GUID& iid) {
    if (surface_ == nullptr) return false;
    IUnknown* other = nullptr;
    bool ok = SUCCEEDED(surface_->QueryInterface(iid, reinterpret_cast<void**>(&other)));
    ReleaseInterface(other);
    return ok;
  }

  HMODULE directDraw_ = nullptr;
  HMODULE directInput_ = nullptr;
  DirectDrawCreateFn create_ = nullptr;
  DirectDrawCreateExFn createEx_ = nullptr;
  IDirectDraw* draw_ = nullptr;
  IDirectDrawSurface* surface_ = nullptr;
};

}  // namespace

std::unique_ptr<DirectXSession> MakeWin32DirectXSession() {
  return std::make_unique<Win32DirectXSession>();
}

}  // namespace dl
