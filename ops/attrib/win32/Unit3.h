// TForm3: the error window. Its list box follows the error list; closing only hides it.
#pragma once

#include "ops/common/error_list.h"
#include "platform/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/window.h"

namespace mv {

enum Form3ControlId : int { kIdErrList = 300, kIdForm3Button1 };

class TForm3 : public win::Window {
 public:
  // The list box follows `errors` from creation on; `errors` must outlive this window.
  explicit TForm3(ErrorList& errors);
  ~TForm3() override;
  TForm3(const TForm3&) = delete;
  TForm3& operator=(const TForm3&) = delete;

  // Creates the window hidden. `owner` may be null: the window then stays free of the main
  // window and can go behind it.
  bool Create(HINSTANCE instance, HWND owner = nullptr);
  HWND ErrList() const { return errList_; }
  HWND Button1() const { return button1_; }

  // Visible and in front, not modal.
  void Show();
  void Button1Click();  // "確認": hides; the lines stay

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void FollowErrors();  // brings the list box in step with the error list
  void Layout();

  ErrorList& errors_;
  HWND errList_ = nullptr;
  HWND button1_ = nullptr;
  DpiScale scale_;  // the display's, read when the window is made
  win::ScopedGdi font_;
  int widest_ = 0;  // horizontal extent of the longest line, in pixels
};

}  // namespace mv
