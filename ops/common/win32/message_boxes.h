// The application's message boxes, shared by every command and the main window: the error box
// that ends a command, the Yes/No confirmation and the plain notice.
#pragma once

#include <string>

#include "platform/win32/win.h"

namespace mv::win {

inline constexpr const char* kAppTitle = "Morvane";
inline constexpr const char* kConfirmCaption = "確認";

// The error box: the message with "." appended, the application title, the error icon and OK.
void ShowErrorBox(HWND owner, const std::string& message);
// The Yes/No confirmation captioned "確認", question icon, Yes the default, Escape for No; true
// only for Yes.
bool ConfirmYesNo(HWND owner, const std::string& question);
// A plain notice: the application title, no icon, OK.
void ShowNotice(HWND owner, const std::string& text);

}  // namespace mv::win
