#include "ops/common/win32/message_boxes.h"

#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/window.h"

namespace mv::win {

void ShowErrorBox(HWND owner, const std::string& message) {
  std::string text = message;
  // A message that already ends its sentence gets no second stop.
  if (text.empty() || text.back() != '.') text += '.';
  MessageBoxA(owner, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

namespace {

// The yes/no box of the ConfirmYesNo call in hand (the innermost, when one asks over another).
thread_local Subclass* t_confirmBox = nullptr;

// The confirmation box answers Escape with No, and its buttons carry their mnemonics whatever
// the system's own texts are.
LRESULT CALLBACK ConfirmBoxHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && t_confirmBox && !t_confirmBox->Handle()) {
    HWND box = reinterpret_cast<HWND>(wp);
    char cls[16] = {};
    GetClassNameA(box, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO)) {
      Subclass& hook = *t_confirmBox;
      hook.Attach(box, [box, &hook](UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
          EndDialog(box, IDNO);
          return 0;
        }
        return hook.CallNext(msg, wp, lp);
      });
      SetDlgItemTextA(box, IDYES, "はい(&Y)");
      SetDlgItemTextA(box, IDNO, "いいえ(&N)");
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

bool ConfirmYesNo(HWND owner, const std::string& question) {
  Subclass box;  // held from the box's activation to its end
  Subclass* const outer = std::exchange(t_confirmBox, &box);
  bool yes = false;
  {
    ScopedHook hook(SetWindowsHookExA(WH_CBT, &ConfirmBoxHook, nullptr, GetCurrentThreadId()));
    yes = MessageBoxA(owner, question.c_str(), kConfirmCaption,
                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
  }
  t_confirmBox = outer;
  return yes;
}

void ShowNotice(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), kAppTitle, MB_OK);
}

}  // namespace mv::win
