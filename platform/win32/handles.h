// Move-only owners of Win32 handles; each kind knows its invalid value and how to release it.
#pragma once

#include <utility>

#include "platform/win32/win.h"

namespace mv::win {

template <typename Traits>
class Scoped {
 public:
  using Handle = typename Traits::Handle;
  Scoped() = default;
  explicit Scoped(Handle h) : h_(h) {}
  ~Scoped() { Reset(); }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;
  Scoped(Scoped&& o) noexcept : h_(o.Release()) {}
  Scoped& operator=(Scoped&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  Handle Get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Handle Release() { return std::exchange(h_, Traits::Invalid()); }
  void Reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
// Events, threads and other kernel objects whose creation gives null on failure.
struct KernelObjectTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};
struct GdiTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DestroyIcon(h); }
};
struct GlobalTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { GlobalFree(h); }
};

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};

struct HookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { UnhookWindowsHookEx(h); }
};

using ScopedFile = Scoped<FileTraits>;
using ScopedFind = Scoped<FindTraits>;
using ScopedKernelObject = Scoped<KernelObjectTraits>;
using ScopedModule = Scoped<ModuleTraits>;
using ScopedGdi = Scoped<GdiTraits>;
using ScopedIcon = Scoped<IconTraits>;
using ScopedGlobal = Scoped<GlobalTraits>;
using ScopedMemoryDC = Scoped<MemoryDcTraits>;  // from CreateCompatibleDC
using ScopedHook = Scoped<HookTraits>;          // from SetWindowsHookEx

// A DC from GetDC/GetDCEx, released with ReleaseDC on its window.
class ScopedWindowDC {
 public:
  ScopedWindowDC(HWND wnd, HDC dc) : wnd_(wnd), dc_(dc) {}
  ~ScopedWindowDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  ScopedWindowDC(const ScopedWindowDC&) = delete;
  ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() { SelectObject(dc_, old_); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace mv::win
