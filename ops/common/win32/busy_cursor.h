// The screen-wide busy cursor of long work: while it is on, windows answer WM_SETCURSOR with the
// wait cursor.
#pragma once

namespace mv::win {

bool BusyCursorShown();
void SetBusyCursor(bool on);

}  // namespace mv::win
