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
#include "unlha32/dll/win32_store.h"
#include "unlha32/lzh/header.h"

namespace {

constexpr WORD kVersion = 100;  // 1.00
std::mutex g_run;               // one command at a time
std::atomic<int> g_running{0};

// Copies a one-line text into the caller's buffer, never more than size bytes with its
// terminator, and never half of a double-byte character.
void PutOutput(const std::string& text, LPSTR out, DWORD size) {
  if (!out || size == 0) return;
  size_t n = std::min<size_t>(text.size(), size - 1);
  size_t whole = 0;
  for (size_t i = 0; i < n;) {
    const size_t step = mv::lzh::IsSjisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > n) break;
    i += step;
    whole = i;
  }
  std::memcpy(out, text.data(), whole);
  out[whole] = '\0';
}

int ThreadCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, 4u));
}

}  // namespace

extern "C" {

// Runs one command text; returns 0 on success, or an error code with a one-line reason in the
// output buffer. Returns only when the archive is complete.
int WINAPI Unlha(HWND, LPCSTR command, LPSTR output, DWORD size) {
  std::unique_lock<std::mutex> lock(g_run, std::try_to_lock);
  if (!lock.owns_lock()) {
    PutOutput("ほかの処理が実行中です", output, size);
    return mv::lzh::kResultBusy;
  }
  if (!command) {
    PutOutput("コマンドがありません", output, size);
    return mv::lzh::kResultBadCommand;
  }
  ++g_running;
  mv::lzh::RunResult r;
  try {
    mv::lzh::Win32Store store;
    mv::lzh::RunOptions options;
    options.threads = ThreadCount();
    r = mv::lzh::RunCommand(store, command, options);
  } catch (const std::bad_alloc&) {
    r.code = mv::lzh::kResultWriteError;
    r.message = "メモリーが足りません";
  } catch (...) {
    r.code = mv::lzh::kResultWriteError;
    r.message = "内部エラーが起きました";
  }
  --g_running;
  PutOutput(r.message, output, size);
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
