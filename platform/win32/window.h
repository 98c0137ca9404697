// The base of this program's own window classes, and the one way it hooks controls made elsewhere.
#pragma once

#include <functional>

#include "platform/win32/win.h"

namespace mv::win {

// A window of a class registered with Window::Proc. MakeWindow binds the window to the object at
// WM_NCCREATE; from there until WM_NCDESTROY (which it still sees) every message reaches
// HandleMessage. A message before the binding, or after, goes to DefWindowProcA.
class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return wnd_; }

  // The procedure of every class whose windows are made by MakeWindow.
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

 protected:
  Window() = default;
  // A window still there is let go first and then destroyed, so none of its last messages reaches
  // a half-destroyed object. A class that handles WM_DESTROY destroys its window itself.
  virtual ~Window();

  // CreateWindowExA with this object as the creation parameter.
  HWND MakeWindow(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance);
  // Destroys the window without letting its messages reach HandleMessage.
  void DestroyDetached();

  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;

  HWND wnd_ = nullptr;  // set at WM_NCCREATE, cleared after WM_NCDESTROY
};

// Puts a handler in front of the procedure of a control made elsewhere. The handler sees each
// message first and hands on what it does not keep with CallNext. Letting go (Detach, the
// object's end) puts the control's own procedure back unless another one was put on after ours;
// ours then stays in the chain and passes everything on. WM_NCDESTROY lets go by itself, once
// the handler has seen it.
//
// The hooked controls are found in a table of this process, not in a window property: every
// message passes the hook, and under Wine a property lookup is a trip to the server (a tree of
// thousands of folders sends tens of thousands of messages while it is built).
class Subclass {
 public:
  using Handler = std::function<LRESULT(UINT msg, WPARAM wp, LPARAM lp)>;

  Subclass() = default;
  ~Subclass() { Detach(); }
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;

  // False when wnd is no window or this already holds one.
  bool Attach(HWND wnd, Handler handler);
  void Detach();
  HWND Handle() const { return wnd_; }

  // The procedure beneath this handler: for what the handler passes on, and for messages the
  // owner sends past its own handler. 0 when nothing is held.
  LRESULT CallNext(UINT msg, WPARAM wp, LPARAM lp) const;

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND wnd_ = nullptr;
  Handler handler_;
};

}  // namespace mv::win
