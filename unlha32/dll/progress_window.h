// The library's own progress window: a run for a caller with a window goes on a worker thread
// while the caller's thread keeps every window painting; after a moment a small window owned by
// the caller shows the member being packed, a bar and a Cancel button, and the caller's window
// stays disabled until the run ends, as under a modal box.
#pragma once

#include <functional>
#include <string>

#include "platform/win32/win.h"
#include "unlha32/command.h"

namespace mv::lzh {

struct ProgressTimes {
  DWORD showAfterMs = 500;  // a short run shows nothing
  DWORD refreshMs = 50;     // how often the window reads the run's progress
};

// Runs work(progress) on a worker thread and pumps the calling thread's messages until it has
// returned; the window's Cancel makes the next progress call return false. Returns what work
// returned. A WM_QUIT taken from the queue meanwhile is posted again afterwards.
RunResult RunWithProgressWindow(HWND owner, const std::function<RunResult(const ProgressFn&)>& work,
                                const ProgressTimes& times = {});

// The window's class and its controls, for readers from outside (tests, automation).
inline constexpr char kProgressClass[] = "MvUnlhaProgress";
inline constexpr int kProgressIdMember = 101;  // static text: the member being packed
inline constexpr int kProgressIdBar = 102;     // progress bar, range 0 to the member count

}  // namespace mv::lzh
