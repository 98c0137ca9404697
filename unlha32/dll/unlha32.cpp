// UNLHA32.DLL: the archiver entry points (stdcall, exported by undecorated names).
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "platform/win32/win.h"
#include "unlha32/command.h"
#include "unlha32/dll/progress_window.h"
#include "unlha32/dll/win32_store.h"
#include "unlha32/lzh/header.h"

namespace {

constexpr WORD kVersion = 100;  // 1.00
std::mutex g_run;               // one command at a time
std::atomic<int> g_running{0};
constexpr char kFailureCaption[] = "UNLHA32.DLL";

// Copies a one-line text into the caller's buffer, never more than size bytes with its
// terminator, and never half of a double-byte character.
void PutOutput(const std::string& text, LPSTR out, DWORD size) {
  if (!out || size == 0) return;
  const size_t whole = mv::WholeCharsWithin(text, size - 1, mv::lzh::kNamePage);
  std::memcpy(out, text.data(), whole);
  out[whole] = '\0';
}

int ThreadCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, 4u));
}

// A failed call says why in a box owned by the caller's window, so a user sees it even when the
// caller does not read the result. A caller without a window (NULL or no longer a window: a
// script, a test, a background task) gets the code and the text alone, and nothing waits on a
// box nobody can see.
void ShowFailure(HWND owner, const std::string& reason) {
  if (!owner || !IsWindow(owner)) return;
  MessageBoxA(owner, reason.c_str(), kFailureCaption, MB_OK | MB_ICONERROR);
}

mv::lzh::RunResult Run(LPCSTR command, const mv::lzh::ProgressFn& progress) {
  mv::lzh::RunResult r;
  std::unique_lock<std::mutex> lock(g_run, std::try_to_lock);
  if (!lock.owns_lock()) {
    r.code = mv::lzh::kResultBusy;
    r.message = "ほかの処理が実行中です";
    return r;
  }
  if (!command) {
    r.code = mv::lzh::kResultBadCommand;
    r.message = "コマンドがありません";
    return r;
  }
  ++g_running;
  try {
    mv::lzh::Win32Store store;
    mv::lzh::RunOptions options;
    options.threads = ThreadCount();
    options.progress = progress;
    r = mv::lzh::RunCommand(store, command, options);
  } catch (const std::bad_alloc&) {
    r.code = mv::lzh::kResultWriteError;
    r.message = "メモリーが足りません";
  } catch (...) {
    r.code = mv::lzh::kResultWriteError;
    r.message = "内部エラーが起きました";
  }
  --g_running;
  return r;
}

}  // namespace

extern "C" {

// Runs one command text; returns 0 on success, or an error code with a one-line reason in the
// output buffer, shown also in a box owned by the given window. Returns only when the archive
// is complete (or the box has been closed). With a window, the run keeps it painting and shows
// its progress, with a Cancel, once it lasts; a cancelled run leaves the old archive as it was.
int WINAPI Unlha(HWND owner, LPCSTR command, LPSTR output, DWORD size) {
  const bool windowed = owner && IsWindow(owner);
  const mv::lzh::RunResult r =
      windowed ? mv::lzh::RunWithProgressWindow(
                     owner, [&](const mv::lzh::ProgressFn& p) { return Run(command, p); })
               : Run(command, {});
  PutOutput(r.message, output, size);
  // The run is over (and the next may start) before the box waits for the user, who needs no
  // box to learn of the Cancel they pressed.
  if (r.code != mv::lzh::kResultOk && r.code != mv::lzh::kResultCancelled)
    ShowFailure(owner, r.message);
  return r.code;
}

// The library's version times 100.
WORD WINAPI UnlhaGetVersion(void) { return kVersion; }

// TRUE while a command is being carried out.
BOOL WINAPI UnlhaGetRunning(void) { return g_running.load() > 0; }

// TRUE when the file is a sound LZH archive. With mode 3 (the low two bits set) every
// member's data is decoded and its CRC compared as well; other modes check the headers.
BOOL WINAPI UnlhaCheckArchive(LPCSTR path, const int mode) {
  if (!path) return FALSE;
  try {
    mv::lzh::Win32Store store;
    return mv::lzh::CheckArchive(store, path, (mode & 3) == 3) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

}  // extern "C"
