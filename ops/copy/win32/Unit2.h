// TForm2: the copy progress dialog — animation, the paths of the file in hand, a bar of the bytes
// done and Cancel. It is the copy engine's progress display; its Timer1 shows it once a run has
// lasted a second.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ops/copy/copy_engine.h"
#include "ops/copy/win32/copy_timer.h"
#include "platform/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/window.h"
#include "ui/Animate.h"

namespace mv {

enum Form2Id : int {
  kIdForm2Animate = 200,
  kIdForm2Button1,
  kIdForm2Progress,
  kIdForm2Label1,
  kIdForm2Label2,
  kIdForm2From,
  kIdForm2To,
};

// Timer1's id on the dialog: its WM_TIMER shows a running copy's dialog.
inline constexpr UINT_PTR kIdForm2Timer1 = 1;

class TForm2 : public win::Window, public CopyProgress {
 public:
  // mainWindow owns the dialog and the free-space box. onCancel runs when Cancel is pressed
  // (wire it to the engine's Cancel).
  TForm2(HWND mainWindow, std::function<void()> onCancel);
  ~TForm2() override;
  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  // Creates the hidden window; its animation starts playing at once.
  bool Create(HINSTANCE instance);
  HWND Control(int id) const { return GetDlgItem(wnd_, id); }

  void Button1Click();  // Cancel: tells the engine, hides
  void Show();
  void Close() { Hide(); }

  // CopyProgress
  void StartTimer() override;  // a run starts: Timer1 runs
  void StopTimer() override;
  void Hide() override;
  void SetPaths(const std::string& from, const std::string& to, int64_t size = -1) override;
  void SetPosition(int position) override;
  void DiskFullBox(const std::string& message) override;

  // The milliseconds the labels' pace is measured in (GetTickCount unless set).
  void SetClock(std::function<DWORD()> clock) { clock_ = std::move(clock); }

  TAnimate* Animate1() { return animate1_.get(); }

 private:
  void Timer1Timer();  // shows the dialog in front, then stops the timer
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void FormCreate();
  HWND MakeLabel(int id, int left, int top, const char* text);
  void SetLabel(HWND label, const std::string& text);
  void ShowPendingPaths();

  HWND main_;
  std::function<void()> onCancel_;
  TTimer timer1_;
  DpiScale scale_;  // the display's, read when the window is made
  win::ScopedGdi font_;
  win::ScopedMemoryDC measure_;  // the labels' font selected, for their text widths
  std::unique_ptr<TAnimate> animate1_;
  HWND button1_ = nullptr;
  HWND progressBar1_ = nullptr;
  HWND label1_ = nullptr, label2_ = nullptr, fromEdit_ = nullptr, toEdit_ = nullptr;
  // Paths set while the dialog is hidden, put on the labels when it shows or hides.
  std::string pendingFrom_, pendingTo_;
  bool pending_ = false;
  DWORD shownAt_ = 0;
  std::function<DWORD()> clock_ = [] { return GetTickCount(); };
  int barAt_ = 0;  // the bar's position as last sent  // when paths last reached the labels
};

// The free-space message box: caption "ｴﾗｰ", stop icon, one button "中止(&A)".
void ShowAbortBox(HWND owner, const std::string& text);

}  // namespace mv
