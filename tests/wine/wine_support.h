// Helpers for tests that drive real windows and real files under Wine.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win.h"

namespace mv::testing {

// A fresh folder under the Windows temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& contents, DWORD attributes = 0);
void MakeFolder(const std::string& path, DWORD attributes = 0);
void RemoveTree(const std::string& path);
// The same by wide names, for items whose names the code page cannot hold.
void RemoveTreeW(const std::wstring& path);

// The application's message hook, consulted before every dispatch as the real loop does.
inline bool (*g_messageHook)(const MSG&) = nullptr;

// Processes window messages until the condition holds or the time runs out; returns the condition.
template <typename Cond>
bool PumpUntil(Cond cond, DWORD timeoutMs = 10000) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (g_messageHook && g_messageHook(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (cond()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
inline void PumpPending() {
  PumpUntil([] { return true; }, 0);
}

std::string StatusText(HWND statusBar, int panel);  // without the alignment tabs
std::string WindowText(HWND wnd);

// Answers the modal boxes of this thread from a thread timer (it fires inside their modal loops):
// records each as "caption|text" and presses the first of the given buttons the box has.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<int> buttons = {IDOK, IDYES});
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;
  std::vector<std::string> boxes;
  std::vector<HWND> owners;  // the owner window of each box
  const std::vector<int>& Buttons() const { return buttons_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::vector<int> buttons_;
  UINT_PTR timer_;
};

// Saves a picture of the whole X screen to a Unix path (for people to look at; it checks
// nothing). Does nothing unless MV_SCREENSHOTS is set in the environment.
void SaveScreenshot(const std::string& unixPath);

// Posts a WM_DROPFILES with these paths to the window, as the shell does.
void PostDrop(HWND wnd, const std::vector<std::string>& paths);

}  // namespace mv::testing
