#include "platform/win32/window.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mv::win {

Window::~Window() { DestroyDetached(); }

HWND Window::MakeWindow(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                        int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance) {
  if (wnd_) return nullptr;
  // The base's own address: the derived object's may differ where it has other bases.
  return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                         instance, static_cast<Window*>(this));
}

void Window::DestroyDetached() {
  HWND wnd = std::exchange(wnd_, nullptr);
  if (!wnd) return;
  SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
  DestroyWindow(wnd);
}

LRESULT CALLBACK Window::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    if (self) {
      self->wnd_ = wnd;
      SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY find no object.
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(wnd, msg, wp, lp);
  const LRESULT r = self->HandleMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    self->wnd_ = nullptr;
  }
  return r;
}

namespace {

// One entry per hooked control: our procedure sits in its chain once, whatever number of
// handlers hang on it.
struct Chain {
  WNDPROC original = nullptr;    // what was there when ours went on
  std::vector<Subclass*> hooks;  // the innermost first
};

std::mutex& ChainLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_map<HWND, Chain>& Chains() {
  static std::unordered_map<HWND, Chain> chains;
  return chains;
}

}  // namespace

bool Subclass::Attach(HWND wnd, Handler handler) {
  if (wnd_ || !wnd || !IsWindow(wnd) || !handler) return false;
  std::lock_guard<std::mutex> guard(ChainLock());
  auto [it, fresh] = Chains().try_emplace(wnd);
  if (fresh) {
    it->second.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Proc)));
    if (!it->second.original) {  // another process's window
      Chains().erase(it);
      return false;
    }
  }
  handler_ = std::move(handler);
  wnd_ = wnd;
  it->second.hooks.push_back(this);
  return true;
}

void Subclass::Detach() {
  if (!wnd_) return;
  std::lock_guard<std::mutex> guard(ChainLock());
  auto& chains = Chains();
  if (auto it = chains.find(wnd_); it != chains.end()) {
    auto& hooks = it->second.hooks;
    hooks.erase(std::remove(hooks.begin(), hooks.end(), this), hooks.end());
    if (!IsWindow(wnd_)) {
      chains.erase(it);
    } else if (hooks.empty() && GetWindowLongPtrA(wnd_, GWLP_WNDPROC) ==
                                    reinterpret_cast<LONG_PTR>(&Subclass::Proc)) {
      SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
      chains.erase(it);
    }
  }
  wnd_ = nullptr;
  // handler_ stays: this may be running inside it.
}

LRESULT Subclass::CallNext(UINT msg, WPARAM wp, LPARAM lp) const {
  if (!wnd_) return 0;
  const HWND wnd = wnd_;
  const Subclass* next = nullptr;
  WNDPROC original = nullptr;
  {
    std::lock_guard<std::mutex> guard(ChainLock());
    auto it = Chains().find(wnd);
    if (it == Chains().end()) return DefWindowProcA(wnd, msg, wp, lp);
    const auto& hooks = it->second.hooks;
    const auto self = std::find(hooks.begin(), hooks.end(), this);
    if (self != hooks.begin() && self != hooks.end())
      next = *(self - 1);
    else
      original = it->second.original;
  }
  return next ? next->handler_(msg, wp, lp) : CallWindowProcA(original, wnd, msg, wp, lp);
}

LRESULT CALLBACK Subclass::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  const Subclass* outer = nullptr;
  WNDPROC original = nullptr;
  {
    std::lock_guard<std::mutex> guard(ChainLock());
    auto it = Chains().find(wnd);
    if (it == Chains().end()) return DefWindowProcA(wnd, msg, wp, lp);
    if (!it->second.hooks.empty())
      outer = it->second.hooks.back();
    else
      original = it->second.original;
  }
  const LRESULT r =
      outer ? outer->handler_(msg, wp, lp) : CallWindowProcA(original, wnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    // The handle may soon name another window: forget it before anything else can see it.
    std::lock_guard<std::mutex> guard(ChainLock());
    if (auto it = Chains().find(wnd); it != Chains().end()) {
      for (Subclass* hook : it->second.hooks) hook->wnd_ = nullptr;
      if (GetWindowLongPtrA(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Subclass::Proc))
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
      Chains().erase(it);
    }
  }
  return r;
}

}  // namespace mv::win
