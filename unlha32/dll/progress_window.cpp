#include "unlha32/dll/progress_window.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win32/handles.h"

namespace mv::lzh {
namespace {

// What the worker tells the window; the window reads it at its own pace.
struct Shared {
  std::mutex lock;
  std::string member;
  size_t done = 0, total = 0;
  bool changed = false;
  std::atomic<bool> cancelled{false};
};

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

void Cancel(HWND wnd, Shared& shared) {
  shared.cancelled = true;
  EnableWindow(GetDlgItem(wnd, IDCANCEL), FALSE);
  SetDlgItemTextA(wnd, kProgressIdMember, "中止しています...");
}

LRESULT CALLBACK ProgressProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(
        wnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* shared = reinterpret_cast<Shared*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (shared && ((msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) || msg == WM_CLOSE)) {
    Cancel(wnd, *shared);  // the close box too: the run stops, the window goes when it has
    return 0;
  }
  if (msg == WM_CTLCOLORSTATIC) {
    SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

// The window over the middle of its owner, with the member's name, the bar and Cancel.
class ProgressWindow {
 public:
  ProgressWindow(HWND owner, Shared& shared) : module_(ThisModule()) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ProgressProc;
    wc.hInstance = module_;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kProgressClass;
    // Registered for this run alone: a class outliving an unloaded library would point at code
    // that is gone.
    registered_ = RegisterClassExA(&wc) != 0;
    font_.Reset(CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, 360, 92};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT o{};
    GetWindowRect(owner, &o);
    wnd_ = CreateWindowExA(WS_EX_DLGMODALFRAME, kProgressClass, "書庫を作成しています", style,
                           (o.left + o.right - w) / 2, (o.top + o.bottom - h) / 2, w, h, owner,
                           nullptr, module_, &shared);
    if (!wnd_) return;
    Child("STATIC", "", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, kProgressIdMember, 12, 12, 336, 16);
    Child(PROGRESS_CLASSA, "", 0, kProgressIdBar, 12, 34, 336, 16);
    Child("BUTTON", "キャンセル", BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, 272, 60, 76, 23);
    ShowWindow(wnd_, SW_SHOW);
    UpdateWindow(wnd_);
  }
  ~ProgressWindow() {
    if (wnd_) DestroyWindow(wnd_);
    if (registered_) UnregisterClassA(kProgressClass, module_);
  }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  HWND Handle() const { return wnd_; }

  void Show(const std::string& member, size_t done, size_t total, bool cancelled) {
    if (!wnd_) return;
    if (!cancelled) SetDlgItemTextA(wnd_, kProgressIdMember, member.c_str());
    HWND bar = GetDlgItem(wnd_, kProgressIdBar);
    // The bar counts members; a range of more than 65,535 is scaled down.
    const size_t scale = total / 65535 + 1;
    SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total / scale));
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(done / scale), 0);
  }

 private:
  void Child(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, wnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  }

  HINSTANCE module_;
  bool registered_ = false;
  win::ScopedGdi font_;
  HWND wnd_ = nullptr;
};

}  // namespace

RunResult RunWithProgressWindow(HWND owner, const std::function<RunResult(const ProgressFn&)>& work,
                                const ProgressTimes& times) {
  Shared shared;
  const ProgressFn progress = [&shared](const std::string& member, size_t done, size_t total) {
    std::lock_guard<std::mutex> hold(shared.lock);
    shared.member = member;
    shared.done = done;
    shared.total = total;
    shared.changed = true;
    return !shared.cancelled.load();
  };
  win::ScopedKernelObject finished(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!finished) return work(progress);  // nothing to wait on: the run stays on this thread

  // As under a modal box: the owner takes no input until the run is over.
  const bool ownerWasEnabled = !EnableWindow(owner, FALSE);
  RunResult result;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      result = work(progress);
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(finished.Get());
  });

  std::unique_ptr<ProgressWindow> window;
  bool quit = false;
  WPARAM quitCode = 0;
  const DWORD start = GetTickCount();
  for (;;) {
    const HANDLE wait = finished.Get();
    if (MsgWaitForMultipleObjects(1, &wait, FALSE, times.refreshMs, QS_ALLINPUT) == WAIT_OBJECT_0)
      break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The program is ending: stop the run, and hand the quit on once it has.
        quit = true;
        quitCode = msg.wParam;
        shared.cancelled = true;
        continue;
      }
      if (window && window->Handle() && IsDialogMessageA(window->Handle(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (!window && GetTickCount() - start >= times.showAfterMs) {
      window = std::make_unique<ProgressWindow>(owner, shared);
      shared.changed = true;
    }
    if (window) {
      std::string member;
      size_t done = 0, total = 0;
      bool changed = false;
      {
        std::lock_guard<std::mutex> hold(shared.lock);
        std::swap(changed, shared.changed);
        member = shared.member;
        done = shared.done;
        total = shared.total;
      }
      if (changed) window->Show(member, done, total, shared.cancelled.load());
    }
  }
  worker.join();
  // The owner first, so the activation goes back to it when the window goes.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  window.reset();
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace mv::lzh
