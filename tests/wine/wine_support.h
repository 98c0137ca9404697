// Helpers for tests that drive real windows and real files under Wine.
#pragma once

#include <functional>
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
// Makes what the items name below root, in turn: "Sub" a folder, "Sub\\b.txt=bbb" a file holding
// "bbb" (the listing FilesBelow gives).
void MakeTree(const std::string& root, const std::vector<std::string>& items);
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

// What a dialog of this thread showed when the watcher met it.
struct SeenBox {
  enum Kind { kMessage, kChooser, kSave };  // a message box, the copy folder chooser, a save dialog
  HWND wnd = nullptr, owner = nullptr;
  Kind kind = kMessage;
  std::string caption, text;  // text: a message box's message, empty for the others
  std::wstring wideText;      // the message as it stands, whatever the code page holds
  HICON icon = nullptr;       // the visible icon, null when none
  int defaultId = 0;          // the button drawn as the default
  std::vector<int> buttons;   // which of IDOK..IDCONTINUE it has
  bool Has(int id) const;
  std::string Line() const { return caption + "|" + text; }
};

// Presses a button of the dialog, as a click does, once its modal loop runs again.
void Press(const SeenBox& box, int id);
// Types into the dialog's name field: the folder chooser's or the save dialog's.
void TypeName(const SeenBox& box, const std::string& name);
void TypeName(const SeenBox& box, const std::wstring& name);

// Watches this thread's visible dialogs from a thread timer (it fires inside their modal loops)
// and hands each new one to the handler on every tick until the handler takes it (returns true);
// one it leaves is offered again on the next tick. What each taken dialog showed is recorded.
// The newest watcher alive answers; an older one waits until it goes.
class BoxWatcher {
 public:
  using Handler = std::function<bool(const SeenBox&)>;
  explicit BoxWatcher(Handler handler);
  BoxWatcher();  // presses OK or Yes
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  Handler handler;
  std::function<void()> onTick;  // runs on every tick as well
  std::vector<SeenBox> seen;     // every dialog taken, in order
  // "caption|text" of the message boxes taken, in order.
  std::vector<std::string> Lines() const;
  std::vector<SeenBox> Messages() const;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK Offer(HWND wnd, LPARAM self);
  std::vector<HWND> taken_;
  BoxWatcher* previous_;
  UINT_PTR timer_;
};

// Ready-made handlers. The first of these buttons the dialog has:
BoxWatcher::Handler PressFirst(std::vector<int> ids);
// The n-th dialog gets the n-th button, the last one again after that:
BoxWatcher::Handler PressInTurn(std::vector<int> ids);
// The folder chooser gets the folder typed, the save dialog the next name (the narrow ones, then
// the wide ones; cancelled when none is left), message boxes the chosen button or else OK or Abort.
struct TypedAnswers {
  std::string chooserFolder;
  std::vector<std::string> saveNames;
  std::vector<std::wstring> wideSaveNames;
  int yesNo = IDYES;
  bool operator()(const SeenBox& box);

 private:
  size_t nextSave_ = 0, nextWide_ = 0;
};

// Saves a picture of the whole X screen to a Unix path (for people to look at; it checks
// nothing). Does nothing unless MV_SCREENSHOTS is set in the environment.
void SaveScreenshot(const std::string& unixPath);

// Posts a WM_DROPFILES with these paths to the window, as the shell does.
void PostDrop(HWND wnd, const std::vector<std::string>& paths);

}  // namespace mv::testing
