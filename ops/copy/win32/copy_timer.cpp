#include "ops/copy/win32/copy_timer.h"

#include <utility>

namespace mv {

TTimer::TTimer(UINT_PTR id, UINT interval, std::function<void()> onTimer)
    : id_(id), interval_(interval), onTimer_(std::move(onTimer)) {}

TTimer::~TTimer() { SetEnabled(false); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    if (!owner_ || !SetTimer(owner_, id_, interval_, nullptr)) return;
  } else {
    KillTimer(owner_, id_);
  }
  enabled_ = enabled;
}

bool TTimer::OnTimer(WPARAM id) {
  if (id != id_) return false;
  if (enabled_ && onTimer_) onTimer_();
  return true;
}

}  // namespace mv
