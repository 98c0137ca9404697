// The display's density as a window reads it when it is made.
#pragma once

#include "platform/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"

namespace mv::win {

// The screen's pixels per logical inch. The program declares itself aware of the system's
// density, so this is the real figure, not 96 with the window stretched as a bitmap.
inline int ScreenDpi() {
  ScopedWindowDC dc(nullptr, GetDC(nullptr));
  const int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kLayoutDpi;
}

inline DpiScale ScreenScale() { return DpiScale(ScreenDpi()); }

}  // namespace mv::win
