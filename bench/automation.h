// What the benchmarks need to drive the real program from outside, as an automation client
// drives another program: start it, find its main window, read its controls through a buffer in
// its own memory, read its memory figures, close it.
#pragma once

#include <cstring>
#include <string>

#include "bench/bench_clock.h"
#include "platform/win32/win.h"
// psapi.h needs the Windows types first.
#include <psapi.h>

namespace mv::bench {

struct Child {
  PROCESS_INFORMATION pi{};
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
  }
};

// out: the child's standard output (inherited), or none.
inline bool Start(const std::string& commandLine, Child& child, HANDLE out = nullptr) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (out) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  std::string line = commandLine;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, out != nullptr, 0, nullptr, nullptr,
                        &si, &child.pi) != 0;
}

struct FoundWindow {
  DWORD pid;
  HWND found;
};
inline BOOL CALLBACK FindTForm1(HWND wnd, LPARAM lp) {
  auto* f = reinterpret_cast<FoundWindow*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  char cls[64] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (pid != f->pid || std::strcmp(cls, "TForm1") != 0) return TRUE;
  f->found = wnd;
  return FALSE;
}

// The child's "TForm1" window, waited for; null when the child ends first.
inline HWND FindMainWindow(const Child& child) {
  FoundWindow f{child.pi.dwProcessId, nullptr};
  for (;;) {
    EnumWindows(&FindTForm1, reinterpret_cast<LPARAM>(&f));
    if (f.found) return f.found;
    if (WaitForSingleObject(child.pi.hProcess, 2) == WAIT_OBJECT_0) return nullptr;
  }
}

// Memory in another process, for messages that write where their pointer says.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process),
        size_(size),
        at_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  ~RemoteBuffer() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  void* Get() const { return at_; }
  bool Read(void* to, size_t size) const {
    SIZE_T got = 0;
    return size <= size_ && ReadProcessMemory(process_, at_, to, size, &got) && got == size;
  }

 private:
  HANDLE process_;
  size_t size_;
  void* at_;
};

// A status bar panel's text without its alignment tabs; the call waits while the window is busy.
inline bool ReadPanel(const RemoteBuffer& remote, HWND status, int panel, std::string& text) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(status, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(remote.Get()),
                           SMTO_NORMAL, 120000, &result))
    return false;
  char buf[512] = {};
  if (!remote.Read(buf, sizeof buf - 1)) return false;
  text = buf;
  text.erase(0, text.find_first_not_of('\t'));
  return true;
}

inline PROCESS_MEMORY_COUNTERS Memory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(process, &pmc, sizeof pmc);
  return pmc;
}
inline double PeakMb(HANDLE process) {
  return static_cast<double>(Memory(process).PeakWorkingSetSize) / 1048576.0;
}

// The normal close, as the close box gives it; the process is ended if it does not go.
inline void CloseAndWait(const Child& child, HWND main) {
  PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(child.pi.hProcess, 30000) != WAIT_OBJECT_0)
    TerminateProcess(child.pi.hProcess, 1);
}

}  // namespace mv::bench
