// TTimer: a window timer of an owner window whose messages reach a callback without the owner's
// window procedure having to forward them.
#pragma once

#include <functional>

#include "platform/win32/win.h"

namespace mv {

class TTimer {
 public:
  // owner: the window whose message queue carries the timer; interval in milliseconds.
  TTimer(HWND owner, UINT interval, std::function<void()> onTimer);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  UINT Interval() const { return interval_; }

 private:
  static void CALLBACK TimerProc(HWND wnd, UINT msg, UINT_PTR id, DWORD time);

  HWND owner_;
  UINT interval_;
  std::function<void()> onTimer_;
  bool enabled_ = false;
  UINT_PTR id_;
};

}  // namespace mv
