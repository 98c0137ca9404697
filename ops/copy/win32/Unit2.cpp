#include "ops/copy/win32/Unit2.h"

#include <algorithm>

#include "ops/common/win32/busy_cursor.h"
#include "ops/copy/win32/copy_platform_win32.h"
#include "platform/win32/dpi.h"

namespace mv {

namespace {

const char kClassName[] = "TForm2";
const char kCaption[] = "コピーしています．．．";
constexpr int kClientWidth = 425;
constexpr int kClientHeight = 120;
constexpr int kLeft = 373;
constexpr int kTop = 141;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;  // single border, no system menu
constexpr DWORD kExStyle = WS_EX_TOPMOST;

bool RegisterForm2Class(HINSTANCE instance) {
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, kClassName, &wc)) return true;
  wc.lpfnWndProc = &win::Window::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

// Renames the OK button of the message box this thread is about to show.
thread_local HHOOK t_abortHook = nullptr;
LRESULT CALLBACK AbortBoxHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wp);
    char cls[16] = {};
    GetClassNameA(box, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) SetDlgItemTextA(box, IDOK, "中止(&A)");
  }
  return CallNextHookEx(t_abortHook, code, wp, lp);
}

class ScopedHook {
 public:
  explicit ScopedHook(HHOOK& slot, HOOKPROC proc) : slot_(slot) {
    slot_ = SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId());
  }
  ~ScopedHook() {
    if (slot_) UnhookWindowsHookEx(slot_);
    slot_ = nullptr;
  }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;

 private:
  HHOOK& slot_;
};

}  // namespace

void ShowAbortBox(HWND owner, const std::string& text) {
  ScopedHook hook(t_abortHook, AbortBoxHook);
  MessageBoxA(owner, text.c_str(), "ｴﾗｰ", MB_OK | MB_ICONSTOP);
}

TForm2::TForm2(HWND mainWindow, std::function<void()> onCancel)
    : main_(mainWindow),
      onCancel_(std::move(onCancel)),
      timer1_(kIdForm2Timer1, 1000, [this] { Timer1Timer(); }) {}

TForm2::~TForm2() {
  timer1_.SetEnabled(false);
  if (wnd_) {
    animate1_.reset();
    DestroyDetached();
  } else if (animate1_) {
    animate1_->Release();  // its window went with ours
  }
}

bool TForm2::Create(HINSTANCE instance) {
  if (wnd_) return true;
  if (!RegisterForm2Class(instance)) return false;
  scale_ = win::ScreenScale();
  RECT r{0, 0, scale_(kClientWidth), scale_(kClientHeight)};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  if (!MakeWindow(kExStyle, kClassName, kCaption, kStyle, scale_(kLeft), scale_(kTop),
                  r.right - r.left, r.bottom - r.top, main_, nullptr, instance))
    return false;
  timer1_.SetOwner(wnd_);
  FormCreate();
  return true;
}

LRESULT TForm2::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == kIdForm2Button1 && HIWORD(wp) == BN_CLICKED) {
        Button1Click();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      // Labels and the transparent animation take the dialog's own face colour.
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (win::BusyCursorShown() && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (timer1_.OnTimer(wp)) return 0;
      break;
    case WM_NCDESTROY:
      // Gone with its owner: nothing of it may be touched any more.
      timer1_.SetEnabled(false);
      timer1_.SetOwner(nullptr);
      button1_ = progressBar1_ = label1_ = label2_ = fromEdit_ = toEdit_ = nullptr;
      break;
    case WM_CLOSE:
      // Closed by other means than Cancel (the window manager): stop the run as Cancel does,
      // or it would go on with no way left to stop it.
      Button1Click();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(wnd_, msg, wp, lp);
}

HWND TForm2::MakeLabel(int id, int left, int top, const char* text) {
  HWND label = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                               scale_(left), scale_(top), 0, 0, wnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  SetLabel(label, text);
  return label;
}

// Labels size themselves to their text; a long path runs past the window's edge and is cut there.
// They only grow: a label wider than its text looks the same, and a resize for every file of a
// run is a round trip to the window system.
void TForm2::SetLabel(HWND label, const std::string& text) {
  if (!label) return;
  SIZE size{0, 0};
  if (measure_.Get())
    GetTextExtentPoint32A(measure_.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  const int height = size.cy > 0 ? size.cy : scale_(12);
  RECT r{};
  GetWindowRect(label, &r);
  if (size.cx > r.right - r.left || height != r.bottom - r.top) {
    const int width = std::max<int>(size.cx, r.right - r.left);
    SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowTextA(label, text.c_str());  // the control repaints itself
}

void TForm2::FormCreate() {
  font_.Reset(CreateFontA(-scale_(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
  SendMessageA(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  measure_.Reset(CreateCompatibleDC(nullptr));
  if (measure_.Get()) SelectObject(measure_.Get(), font_.Get());

  animate1_ = std::make_unique<TAnimate>(wnd_, kIdForm2Animate);
  animate1_->SetBounds(scale_(24), 0, scale_(272), scale_(60));
  // The clip's frames keep their size; in a larger box they sit in its middle.
  if (scale_.Dpi() != kLayoutDpi) animate1_->SetCenter(true);

  // Creation order is the tab order: Button1 first, then the bar.
  button1_ = CreateWindowExA(
      0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, scale_(355),
      scale_(94), scale_(64), scale_(21), wnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdForm2Button1)), nullptr, nullptr);
  SendMessageA(button1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  progressBar1_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                  scale_(8), scale_(96), scale_(337), scale_(17), wnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdForm2Progress)),
                                  nullptr, nullptr);
  SendMessageA(progressBar1_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  label1_ = MakeLabel(kIdForm2Label1, 7, 64, "From :");
  label2_ = MakeLabel(kIdForm2Label2, 16, 77, "To  :");
  fromEdit_ = MakeLabel(kIdForm2From, 44, 64, "fromEdit");
  toEdit_ = MakeLabel(kIdForm2To, 44, 77, "toEdit");

  // The clip plays from now on, shown or hidden.
  animate1_->SetAviResId(161);
}

void TForm2::Button1Click() {
  if (onCancel_) onCancel_();
  Close();
}

void TForm2::Timer1Timer() {
  Show();
  timer1_.SetEnabled(false);
}

void TForm2::Show() {
  if (!wnd_) return;
  ShowPendingPaths();
  ShowWindow(wnd_, SW_SHOW);
  SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  BringWindowToTop(wnd_);
}

void TForm2::StartTimer() { timer1_.SetEnabled(true); }

void TForm2::StopTimer() { timer1_.SetEnabled(false); }

void TForm2::Hide() {
  ShowPendingPaths();
  if (wnd_) ShowWindow(wnd_, SW_HIDE);
}

void TForm2::SetPaths(const std::string& from, const std::string& to, int64_t size) {
  // Nobody sees a hidden dialog's labels: most runs end before it shows. Shown, the labels follow
  // at a pace the eye can read (each change is a measure, a resize check and two repaints through
  // the window system); a file big enough to take a while shows at once, so its copy never runs
  // under the name of the file before it.
  constexpr DWORD kRepaintMs = 100;
  constexpr int64_t kBigFile = 256 << 10;
  pendingFrom_ = from;
  pendingTo_ = to;
  pending_ = true;
  if (!wnd_ || !IsWindowVisible(wnd_)) return;
  if (size < 0 || size >= kBigFile || clock_() - shownAt_ >= kRepaintMs) ShowPendingPaths();
}

void TForm2::ShowPendingPaths() {
  if (!pending_) return;
  pending_ = false;
  shownAt_ = clock_();
  SetLabel(fromEdit_, pendingFrom_);
  SetLabel(toEdit_, pendingTo_);
}

void TForm2::SetPosition(int position) {
  // Most files of a big run move the bar by less than a step: nothing to send then.
  if (position == barAt_) return;
  barAt_ = position;
  if (progressBar1_)
    SendMessageA(progressBar1_, PBM_SETPOS, static_cast<WPARAM>(static_cast<uint16_t>(position)),
                 0);
}

void TForm2::DiskFullBox(const std::string& message) { ShowAbortBox(main_, message); }

}  // namespace mv
