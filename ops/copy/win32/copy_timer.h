// TTimer: a window timer with an id of its own; the owner's window procedure hands it WM_TIMER.
#pragma once

#include <functional>

#include "platform/win32/win.h"

namespace mv {

class TTimer {
 public:
  // id: the timer's id on its owner; interval in milliseconds.
  TTimer(UINT_PTR id, UINT interval, std::function<void()> onTimer);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  // The window whose queue carries the timer; without one it does not start.
  void SetOwner(HWND owner) { owner_ = owner; }
  void SetEnabled(bool enabled);
  // The owner's WM_TIMER: true when it was this timer's. One still queued when the timer was
  // stopped runs nothing.
  bool OnTimer(WPARAM id);

 private:
  HWND owner_ = nullptr;
  UINT_PTR id_;
  UINT interval_;
  std::function<void()> onTimer_;
  bool enabled_ = false;
};

}  // namespace mv
