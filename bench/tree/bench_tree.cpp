// Tree build as the user waits for it, beside a raw directory search over the same folder.
//   bench_tree raw FOLDER            a plain FindFirstFileA/FindNextFileA recursion (skipping
//                                    names that begin with "."); prints entries, folders, ms
//   bench_tree builder FOLDER        the program's tree builder without a window; ms, peak memory
//   bench_tree app EXE FOLDER RUNS   RUNS times: starts a "raw" process and then EXE with the
//                                    folder, each timed from its start: the raw one until it
//                                    exits, EXE until status bar panel 1 of its window, read from
//                                    outside as an automation client reads another program's
//                                    controls, shows the raw count, and the window answers.
//                                    Prints the best of each, their ratio and EXE's peak memory.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/automation.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"
#include "targets/entry.h"

namespace {

using mv::bench::Child;
using mv::bench::FindMainWindow;
using mv::bench::PeakMb;
using mv::bench::ReadPanel;
using mv::bench::Seconds;
using mv::bench::Start;

struct Counts {
  long long entries = 0, folders = 0;
};

// What the program counts: every item below the folder but "." names, plus the folder itself.
void RawScan(const std::string& folder, Counts& counts) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.cFileName[0] == '.') continue;
    ++counts.entries;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ++counts.folders;
      RawScan(folder + "\\" + fd.cFileName, counts);
    }
  } while (FindNextFileA(find, &fd));
  FindClose(find);
}

int Raw(const std::string& folder) {
  const double t = Seconds();
  Counts c;
  c.entries = 1;  // the target folder's own entry
  RawScan(folder, c);
  std::printf("entries %lld folders %lld ms %.1f\n", c.entries, c.folders,
              1000.0 * (Seconds() - t));
  return 0;
}

int Builder(const std::string& folder) {
  mv::win::InstallPlatformText();
  mv::win::Win32FileSystem fs;
  mv::TargetTree tree;
  mv::TreeBuilder builder(fs, tree);
  const double t = Seconds();
  builder.Build({folder}, true);
  const double s = Seconds() - t;
  std::printf("entries %lld nodes %u ms %.1f peak_mb %.1f\n",
              static_cast<long long>(tree.TotalCount), static_cast<unsigned>(tree.NodeCount()),
              1000.0 * s, PeakMb(GetCurrentProcess()));
  return 0;
}

// One raw process from its start to its exit; its line tells the count.
double TimeRaw(const std::string& self, const std::string& folder, Counts& counts) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  Child child;
  const double t = Seconds();
  const bool started = Start("\"" + self + "\" raw \"" + folder + "\"", child, writeEnd);
  CloseHandle(writeEnd);
  std::string text;
  char buf[256];
  DWORD got = 0;
  while (started && ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
  if (started) WaitForSingleObject(child.pi.hProcess, INFINITE);
  const double s = Seconds() - t;
  CloseHandle(readEnd);
  if (!started ||
      std::sscanf(text.c_str(), "entries %lld folders %lld", &counts.entries, &counts.folders) != 2)
    return -1;
  return s;
}

struct AppRun {
  double seconds = -1, windowSeconds = -1, peakMb = -1;
};

// EXE started with the folder; timed until panel 1 reads the expected text and the window answers.
AppRun TimeApp(const std::string& exe, const std::string& folder, const std::string& expected) {
  AppRun run;
  Child child;
  const double t = Seconds();
  if (!Start("\"" + exe + "\" \"" + folder + "\"", child)) return run;
  HANDLE process = child.pi.hProcess;
  const HWND main = FindMainWindow(child);
  if (!main) return run;
  run.windowSeconds = Seconds() - t;
  HWND status = nullptr;
  while (!(status = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr))) {
    if (WaitForSingleObject(process, 2) == WAIT_OBJECT_0) return run;
  }
  const mv::bench::RemoteBuffer remote(process, 4096);
  if (!remote.Get()) return run;
  std::string text;
  for (;;) {
    if (!ReadPanel(remote, status, 1, text)) break;
    if (text == expected) {
      DWORD_PTR r = 0;
      if (SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &r))
        run.seconds = Seconds() - t;
      break;
    }
    if (!text.empty()) {
      std::fprintf(stderr, "bench_tree: panel 1 reads %s, expected %s\n", text.c_str(),
                   expected.c_str());
      break;
    }
    if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0) break;
  }
  run.peakMb = PeakMb(process);
  mv::bench::CloseAndWait(child, main);
  return run;
}

int App(const std::string& exe, const std::string& folder, int runs) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  double bestRaw = 1e9, bestApp = 1e9, window = 0, peak = 0;
  Counts counts;
  std::string rawAll, appAll;
  for (int r = 0; r < runs; ++r) {
    const double raw = TimeRaw(self, folder, counts);
    if (raw < 0) {
      std::fprintf(stderr, "bench_tree: the raw search of %s failed\n", folder.c_str());
      return 1;
    }
    const std::string expected = mv::FormatTotal(counts.entries) + "個";
    const AppRun app = TimeApp(exe, folder, expected);
    if (app.seconds < 0) {
      std::fprintf(stderr, "bench_tree: %s never showed %lld entries\n", exe.c_str(),
                   counts.entries);
      return 1;
    }
    bestRaw = std::min(bestRaw, raw);
    if (app.seconds < bestApp) bestApp = app.seconds, window = app.windowSeconds;
    peak = std::max(peak, app.peakMb);
    rawAll += (rawAll.empty() ? "" : ",") + std::to_string(static_cast<long>(1000 * raw));
    appAll += (appAll.empty() ? "" : ",") + std::to_string(static_cast<long>(1000 * app.seconds));
  }
  std::printf(
      "entries %lld folders %lld raw_ms %.0f app_ms %.0f window_ms %.0f ratio %.2f peak_mb %.1f "
      "raw_all %s app_all %s\n",
      counts.entries, counts.folders, 1000 * bestRaw, 1000 * bestApp, 1000 * window,
      bestApp / bestRaw, peak, rawAll.c_str(), appAll.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "raw" && argc == 3) return Raw(argv[2]);
  if (mode == "builder" && argc == 3) return Builder(argv[2]);
  if (mode == "app" && argc == 5) return App(argv[2], argv[3], std::max(1, std::atoi(argv[4])));
  std::fprintf(stderr, "usage: bench_tree raw FOLDER | builder FOLDER | app EXE FOLDER RUNS\n");
  return 2;
}
