#include "ops/copy/win32/copy_timer.h"

#include <map>
#include <utility>

namespace mv {

namespace {

// Running timers by owner and id: the timer procedure gets only those.
std::map<std::pair<HWND, UINT_PTR>, TTimer*>& Running() {
  static std::map<std::pair<HWND, UINT_PTR>, TTimer*> running;
  return running;
}

UINT_PTR NextId() {
  static UINT_PTR next = 0x4D56;  // away from the small ids windows tend to pick by hand
  return ++next;
}

}  // namespace

TTimer::TTimer(HWND owner, UINT interval, std::function<void()> onTimer)
    : owner_(owner), interval_(interval), onTimer_(std::move(onTimer)), id_(NextId()) {}

TTimer::~TTimer() { SetEnabled(false); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    if (!SetTimer(owner_, id_, interval_, TimerProc)) return;
    Running()[{owner_, id_}] = this;
  } else {
    KillTimer(owner_, id_);
    Running().erase({owner_, id_});
    // A message already queued is dropped by the lookup above.
  }
  enabled_ = enabled;
}

void CALLBACK TTimer::TimerProc(HWND wnd, UINT, UINT_PTR id, DWORD) {
  auto it = Running().find({wnd, id});
  if (it != Running().end() && it->second->onTimer_) it->second->onTimer_();
}

}  // namespace mv
