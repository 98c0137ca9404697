#include "ops/common/win32/busy_cursor.h"

#include "platform/win32/win.h"

namespace mv::win {

namespace {
int g_busy = 0;
}

bool BusyCursorShown() { return g_busy > 0; }

void SetBusyCursor(bool on) {
  g_busy = on ? 1 : 0;
  SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

}  // namespace mv::win
