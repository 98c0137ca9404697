// A small driver for Morvane's windows from another process, used by the scripts:
//   winctl wait-ready [timeout-ms]          waits until the main window is shown and its tree has
//   settled winctl close [timeout-ms]               asks the main window to close, as its close box
//   does winctl command <menu id>                posts the menu command to the main window winctl
//   click <control id> [window]      clicks a button of the main window (or of the given window)
//   winctl settext <window> <control id> <text>   sets a control's text
//   winctl key <control id> <virtual key> [count]  presses a key in a control of the main window
//   winctl wait-window <window> [timeout-ms]      waits until the window is shown and answers
//   winctl wait-gone <window> [timeout-ms]        waits until no such window is shown
//   winctl rect <window>                    prints the window's screen rectangle
//   winctl hold <seconds> <file>...         keeps the files open without sharing (others get error
//   32)
// A <window> is a visible top-level window named by its class ("TForm2", "#32770") or by a text
// its caption contains. Rectangles print as WxH+X+Y, ready for cropping a screenshot.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win.h"

namespace {

struct ProcessTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
using ScopedProcess = mv::win::Scoped<ProcessTraits>;

HWND FindMain() { return FindWindowA("TForm1", nullptr); }

bool Responsive(HWND wnd) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

struct Search {
  const char* pattern;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM lp) {
  Search& s = *reinterpret_cast<Search*>(lp);
  if (!IsWindowVisible(wnd)) return TRUE;
  char cls[256] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  char caption[512] = {};
  // Another process's caption: asked with a timeout, so a busy window does not stall the search.
  DWORD_PTR len = 0;
  SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption),
                      SMTO_ABORTIFHUNG, 2000, &len);
  if (std::strcmp(cls, s.pattern) == 0 || (*s.pattern && std::strstr(caption, s.pattern))) {
    s.found = wnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindShown(const char* pattern) {
  Search s{pattern};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void PrintRect(HWND wnd) {
  RECT rc;
  GetWindowRect(wnd, &rc);
  std::printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
}

// A control anywhere below the window: the status bar holds one of the main window's buttons.
struct ChildSearch {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND wnd, LPARAM lp) {
  ChildSearch& s = *reinterpret_cast<ChildSearch*>(lp);
  if (GetDlgCtrlID(wnd) != s.id) return TRUE;
  s.found = wnd;
  return FALSE;
}

HWND FindControl(HWND parent, int id) {
  ChildSearch s{id};
  EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

int WaitReady(DWORD timeout) {
  DWORD start = GetTickCount();
  HWND main = nullptr;
  while (!(main = FindMain()) || !IsWindowVisible(main)) {
    if (GetTickCount() - start > timeout) return 2;
    Sleep(50);
  }
  HWND tree = FindWindowExA(main, nullptr, "SysTreeView32", nullptr);
  // The tree grows while the build runs; ready when its count holds still and the window answers.
  LRESULT last = -1;
  int stable = 0;
  while (stable < 6) {
    if (GetTickCount() - start > timeout) return 3;
    LRESULT count = tree ? SendMessageA(tree, TVM_GETCOUNT, 0, 0) : 0;
    stable = (count == last && Responsive(main)) ? stable + 1 : 0;
    last = count;
    Sleep(100);
  }
  PrintRect(main);
  return 0;
}

int Close(DWORD timeout) {
  HWND main = FindMain();
  if (!main) return 0;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  ScopedProcess process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD r = process ? WaitForSingleObject(process.Get(), timeout) : WAIT_OBJECT_0;
  return r == WAIT_OBJECT_0 ? 0 : 4;
}

int Command(UINT id) {
  HWND main = FindMain();
  if (!main) return 2;
  // Posted: the command may open a modal box, which must not hold this driver.
  return PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? 0 : 5;
}

int Click(int id, const char* window) {
  HWND owner = window ? FindShown(window) : FindMain();
  if (!owner) return 2;
  HWND button = FindControl(owner, id);
  if (!button) return 6;
  if (!IsWindowEnabled(button)) return 7;
  return PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 5;
}

int SetText(const char* window, int id, const char* text) {
  HWND owner = FindShown(window);
  if (!owner) return 2;
  HWND control = FindControl(owner, id);
  if (!control) return 6;
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &result)
             ? 0
             : 5;
}

int Key(int id, UINT vk, int count) {
  HWND main = FindMain();
  if (!main) return 2;
  HWND control = FindControl(main, id);
  if (!control) return 6;
  // Sent, not posted: each press has been handled (the list refilled, say) when this returns.
  for (int i = 0; i < count; ++i) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, WM_KEYDOWN, vk, 1, SMTO_ABORTIFHUNG, 10000, &result) ||
        !SendMessageTimeoutA(control, WM_KEYUP, vk, 0xC0000001u, SMTO_ABORTIFHUNG, 10000, &result))
      return 5;
  }
  return 0;
}

int WaitWindow(const char* window, DWORD timeout) {
  DWORD start = GetTickCount();
  HWND wnd = nullptr;
  while (!(wnd = FindShown(window)) || !Responsive(wnd)) {
    if (GetTickCount() - start > timeout) return 2;
    Sleep(20);
  }
  // Answering WM_NULL means the queue has been reached since showing; let the paint through too.
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Responsive(wnd);
  PrintRect(wnd);
  return 0;
}

int WaitGone(const char* window, DWORD timeout) {
  DWORD start = GetTickCount();
  while (FindShown(window)) {
    if (GetTickCount() - start > timeout) return 2;
    Sleep(50);
  }
  return 0;
}

int Rect(const char* window) {
  HWND wnd = FindShown(window);
  if (!wnd) return 2;
  PrintRect(wnd);
  return 0;
}

int Hold(DWORD seconds, int count, char** files) {
  std::vector<mv::win::ScopedFile> held;
  for (int i = 0; i < count; ++i) {
    held.emplace_back(CreateFileA(files[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held.back()) {
      std::fprintf(stderr, "winctl: cannot open %s (%lu)\n", files[i], GetLastError());
      return 8;
    }
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(seconds * 1000);
  return 0;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: winctl wait-ready|close [timeout-ms] | command <id> | click <id> [window] |\n"
      "       settext <window> <id> <text> | key <id> <vk> [count] |\n"
      "       wait-window|wait-gone <window> [timeout-ms] |\n"
      "       rect <window> | hold <seconds> <file>...\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string verb = argv[1];
  auto timeoutAt = [&](int i) {
    return argc > i ? static_cast<DWORD>(std::atol(argv[i])) : DWORD{60000};
  };
  if (verb == "wait-ready") return WaitReady(timeoutAt(2));
  if (verb == "close") return Close(timeoutAt(2));
  if (verb == "command" && argc == 3) return Command(static_cast<UINT>(std::atol(argv[2])));
  if (verb == "click" && (argc == 3 || argc == 4))
    return Click(std::atoi(argv[2]), argc == 4 ? argv[3] : nullptr);
  if (verb == "settext" && argc == 5) return SetText(argv[2], std::atoi(argv[3]), argv[4]);
  if (verb == "key" && (argc == 4 || argc == 5))
    return Key(std::atoi(argv[2]), static_cast<UINT>(std::atol(argv[3])),
               argc == 5 ? std::atoi(argv[4]) : 1);
  if (verb == "wait-window" && argc >= 3) return WaitWindow(argv[2], timeoutAt(3));
  if (verb == "wait-gone" && argc >= 3) return WaitGone(argv[2], timeoutAt(3));
  if (verb == "rect" && argc == 3) return Rect(argv[2]);
  if (verb == "hold" && argc >= 4)
    return Hold(static_cast<DWORD>(std::atol(argv[2])), argc - 3, argv + 3);
  return Usage();
}
