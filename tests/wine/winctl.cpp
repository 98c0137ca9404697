// A small driver for Morvane's window from another process, used by the scripts:
//   winctl wait-ready [timeout-ms]   waits until the main window is shown and its tree has settled
//   winctl close [timeout-ms]        asks the main window to close, as its close box does
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/win.h"

namespace {

HWND FindMain() { return FindWindowA("TForm1", nullptr); }

bool Responsive(HWND wnd) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
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
  RECT rc;
  GetWindowRect(main, &rc);
  // The window's screen rectangle, for cropping a screenshot: WxH+X+Y.
  std::printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
  return 0;
}

int Close(DWORD timeout) {
  HWND main = FindMain();
  if (!main) return 0;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD r = process ? WaitForSingleObject(process, timeout) : WAIT_OBJECT_0;
  if (process) CloseHandle(process);
  return r == WAIT_OBJECT_0 ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: winctl wait-ready|close [timeout-ms]\n");
    return 1;
  }
  DWORD timeout = argc > 2 ? static_cast<DWORD>(std::atol(argv[2])) : 60000;
  if (std::strcmp(argv[1], "wait-ready") == 0) return WaitReady(timeout);
  if (std::strcmp(argv[1], "close") == 0) return Close(timeout);
  return 1;
}
