#include "ops/attrib/win32/Unit3.h"

#include <algorithm>

#include "platform/win32/dpi.h"

namespace mv {
namespace {

const char kClassName[] = "TForm3";
const char kCaption[] = "エラー表示";
constexpr int kStripHeight = 41;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonMargin = 8;

bool RegisterForm3(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &win::Window::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

TForm3::TForm3(ErrorList& errors) : errors_(errors) {}

TForm3::~TForm3() {
  errors_.SetObserver(nullptr);
  if (wnd_) DestroyWindow(wnd_);
}

bool TForm3::Create(HINSTANCE instance, HWND owner) {
  if (wnd_ || !RegisterForm3(instance)) return false;
  scale_ = win::ScreenScale();
  HWND wnd = MakeWindow(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, scale_(316),
                        scale_(106), scale_(435), scale_(300), owner, nullptr, instance);
  if (!wnd) return false;
  font_.Reset(CreateFontA(-scale_(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
  errList_ =
      CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                          LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                      0, 0, 0, 0, wnd, reinterpret_cast<HMENU>(kIdErrList), instance, nullptr);
  button1_ =
      CreateWindowExA(0, "BUTTON", "確認", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                      scale_(kButtonWidth), scale_(kButtonHeight), wnd,
                      reinterpret_cast<HMENU>(kIdForm3Button1), instance, nullptr);
  if (!errList_ || !button1_) {
    DestroyWindow(wnd);
    return false;
  }
  for (HWND w : {wnd_, errList_, button1_})
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  Layout();
  errors_.SetObserver([this] { FollowErrors(); });
  FollowErrors();
  return true;
}

void TForm3::Show() {
  if (!wnd_) return;
  ShowWindow(wnd_, IsIconic(wnd_) ? SW_RESTORE : SW_SHOW);
  SetWindowPos(wnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(wnd_);
}

void TForm3::Button1Click() {
  if (wnd_) ShowWindow(wnd_, SW_HIDE);
}

void TForm3::FollowErrors() {
  if (!errList_) return;
  const auto& lines = errors_.Lines();
  size_t shown =
      static_cast<size_t>(std::max<LRESULT>(0, SendMessageA(errList_, LB_GETCOUNT, 0, 0)));
  if (shown > lines.size()) {  // a clear: start over
    SendMessageA(errList_, LB_RESETCONTENT, 0, 0);
    SendMessageA(errList_, LB_SETHORIZONTALEXTENT, 0, 0);
    widest_ = 0;
    shown = 0;
  }
  if (shown == lines.size()) return;
  HDC dc = GetDC(errList_);
  win::ScopedWindowDC owned(errList_, dc);
  win::SelectGuard select(dc, font_.Get());
  for (size_t i = shown; i < lines.size(); ++i) {
    SendMessageA(errList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i].c_str()));
    SIZE size{};
    if (dc && GetTextExtentPoint32A(dc, lines[i].c_str(), static_cast<int>(lines[i].size()), &size))
      widest_ = std::max<int>(widest_, size.cx + scale_(8));
  }
  SendMessageA(errList_, LB_SETHORIZONTALEXTENT, widest_, 0);
}

void TForm3::Layout() {
  RECT rc;
  GetClientRect(wnd_, &rc);
  const int strip = scale_(kStripHeight), width = scale_(kButtonWidth),
            height = scale_(kButtonHeight);
  const int listHeight = std::max<int>(0, rc.bottom - strip);
  MoveWindow(errList_, 0, 0, rc.right, listHeight, TRUE);
  MoveWindow(button1_, std::max<int>(0, rc.right - width - scale_(kButtonMargin)),
             listHeight + (strip - height) / 2, width, height, TRUE);
}

LRESULT TForm3::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (errList_) Layout();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdForm3Button1 && HIWORD(wp) == BN_CLICKED) {
        Button1Click();
        return 0;
      }
      break;
    case WM_CLOSE:  // the window lives as long as the program: closing hides it
      ShowWindow(wnd_, SW_HIDE);
      return 0;
    case WM_SETFOCUS:
      if (errList_) SetFocus(errList_);
      return 0;
    case WM_NCDESTROY:
      errors_.SetObserver(nullptr);
      errList_ = button1_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcA(wnd_, msg, wp, lp);
}

}  // namespace mv
