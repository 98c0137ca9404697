// Copy runs three ways:
//   bench_copy SOURCE-FOLDER DESTINATION-FOLDER   the target tree of one folder copied into a
//       fresh destination through the real copy engine (Win32 services, the hidden progress dialog
//       with its timer and animation, the attribute change on every copy); prints the entries,
//       bytes and errors with the time of the run and where it went
//   bench_copy window EXE SOURCE-FOLDER DESTINATION-FOLDER   the real program started with the
//       folder and driven from outside: its コピー button pressed, the folder chooser answered
//       with the destination (which exists, empty), timed from that answer until the press
//       returns (the run over, the progress dialog hidden) and the window answers again
//   bench_copy raw SOURCE-FOLDER DESTINATION-FOLDER   the limit: CreateDirectoryA and CopyFileA
//       over the source's files and folders, nothing else; timed from outside
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "bench/automation.h"
#include "bench/bench_clock.h"
#include "ops/attrib/change_attr.h"
#include "ops/attrib/win32/attrib_ui.h"
#include "ops/copy/win32/Unit2.h"
#include "ops/copy/win32/copy_platform_win32.h"
#include "ops/copy/win32/folder_chooser.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"

using namespace mv;

namespace {

double Millis(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq) {
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

using bench::Seconds;

// Where a run's time goes, in seconds.
struct Split {
  double copy = 0, search = 0, attributes = 0, folders = 0, space = 0, pump = 0, labels = 0,
         bar = 0, change = 0;
};
Split g_split;

template <class F>
auto Timed(double& sum, F f) {
  struct Add {
    double& sum;
    double start;
    ~Add() { sum += Seconds() - start; }
  } add{sum, Seconds()};
  return f();
}

class TimedFiles : public win::Win32FileSystem {
 public:
  bool Search(const std::string& pattern,
              const std::function<void(const FindItem&)>& each) override {
    return Timed(g_split.search, [&] { return Win32FileSystem::Search(pattern, each); });
  }
  std::optional<FindItem> Lookup(const std::string& path) override {
    return Timed(g_split.search, [&] { return Win32FileSystem::Lookup(path); });
  }
  uint32_t GetAttributes(const std::string& path) override {
    return Timed(g_split.attributes, [&] { return Win32FileSystem::GetAttributes(path); });
  }
};

class TimedPlatform : public win::Win32CopyPlatform {
 public:
  using Win32CopyPlatform::Win32CopyPlatform;
  bool DuplicateFile(const std::string& from, const std::string& to, bool failIfExists) override {
    return Timed(g_split.copy,
                 [&] { return Win32CopyPlatform::DuplicateFile(from, to, failIfExists); });
  }
  bool CreateFolders(const std::string& path) override {
    return Timed(g_split.folders, [&] { return Win32CopyPlatform::CreateFolders(path); });
  }
  std::optional<int64_t> FreeBytes(const std::string& folder) override {
    return Timed(g_split.space, [&] { return Win32CopyPlatform::FreeBytes(folder); });
  }
  void PumpMessages() override {
    Timed(g_split.pump, [&] { Win32CopyPlatform::PumpMessages(); });
  }
};

class TimedProgress : public CopyProgress {
 public:
  explicit TimedProgress(CopyProgress& real) : real_(real) {}
  void StartTimer() override { real_.StartTimer(); }
  void StopTimer() override { real_.StopTimer(); }
  void Hide() override { real_.Hide(); }
  void SetPaths(const std::string& from, const std::string& to, int64_t size) override {
    Timed(g_split.labels, [&] { real_.SetPaths(from, to, size); });
  }
  void SetPosition(int position) override {
    Timed(g_split.bar, [&] { real_.SetPosition(position); });
  }
  void DiskFullBox(const std::string& message) override { real_.DiskFullBox(message); }

 private:
  CopyProgress& real_;
};

// The raw loop: every file copied by CopyFileA into a folder made by CreateDirectoryA.
bool RawCopy(const std::string& from, const std::string& to, long& files) {
  if (!CreateDirectoryA(to.c_str(), nullptr)) return false;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((from + "\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
    const std::string a = from + "\\" + fd.cFileName, b = to + "\\" + fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = RawCopy(a, b, files) && ok;
    } else if (CopyFileA(a.c_str(), b.c_str(), TRUE)) {
      ++files;
    } else {
      ok = false;
    }
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  return ok;
}

struct ProcessWindow {
  DWORD pid;
  const char* cls;
  const char* text;  // or null: any
  HWND found;
};
BOOL CALLBACK FindProcessWindow(HWND wnd, LPARAM lp) {
  auto* f = reinterpret_cast<ProcessWindow*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  char cls[64] = {}, text[256] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (pid != f->pid || std::strcmp(cls, f->cls) != 0 || !IsWindowVisible(wnd)) return TRUE;
  GetWindowTextA(wnd, text, sizeof text);
  if (f->text && std::strcmp(text, f->text) != 0) return TRUE;
  f->found = wnd;
  return FALSE;
}
HWND VisibleWindow(DWORD pid, const char* cls, const char* text = nullptr) {
  ProcessWindow f{pid, cls, text, nullptr};
  EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

int Window(const std::string& exe, const std::string& source, const std::string& destination) {
  bench::Child child;
  if (!bench::Start("\"" + exe + "\" \"" + source + "\"", child)) return 1;
  const HWND main = bench::FindMainWindow(child);
  if (!main) return 1;
  HWND status = nullptr, button = nullptr;
  while (!(status = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr))) Sleep(2);
  while (!(button = FindWindowExA(main, nullptr, "BUTTON", "コピー"))) Sleep(2);
  // The build is over once the totals are up.
  const bench::RemoteBuffer remote(child.pi.hProcess, 4096);
  std::string text;
  while (bench::ReadPanel(remote, status, 1, text) && text.empty()) Sleep(5);

  // The chooser is answered from a thread of ours while the press waits for the run.
  const DWORD pid = child.pi.dwProcessId;
  std::atomic<double> answered{0};
  std::atomic<bool> waiting{true};
  std::thread chooser([&] {
    HWND dlg = nullptr;
    while (waiting && !(dlg = VisibleWindow(pid, "#32770", win::kChooserCaption))) Sleep(2);
    if (!dlg) return;
    SetWindowTextA(GetDlgItem(dlg, win::kIdChooserName), destination.c_str());
    answered = Seconds();
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
  });
  DWORD_PTR result = 0;
  const bool returned =
      SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 3600000, &result) != 0;
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &result);
  const double end = Seconds();
  waiting = false;
  chooser.join();
  const bool errorsShown = VisibleWindow(pid, "TForm3") != nullptr;
  const bool progressShown = VisibleWindow(pid, "TForm2") != nullptr;
  const double peak = bench::PeakMb(child.pi.hProcess);
  bench::CloseAndWait(child, main);
  if (!returned || answered == 0) {
    std::fprintf(stderr, "bench_copy: the copy did not run to its end\n");
    return 1;
  }
  std::printf("window_ms %.1f errors_shown %d progress_left %d peak_mb %.1f\n",
              1000 * (end - answered), errorsShown ? 1 : 0, progressShown ? 1 : 0, peak);
  return errorsShown || progressShown ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "window") return Window(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::string(argv[1]) == "raw") {
    long files = 0;
    const double t = Seconds();
    const bool ok = RawCopy(argv[2], argv[3], files);
    std::printf("raw_files %ld loop_ms %.1f\n", files, 1000 * (Seconds() - t));
    return ok ? 0 : 2;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_copy [window EXE | raw] SOURCE DESTINATION\n");
    return 1;
  }
  win::InstallPlatformText();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_ANIMATE_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "BenchCopyMain";
  RegisterClassA(&wc);
  // The main window stand-in: it owns Timer1, the progress dialog and the boxes.
  HWND main = CreateWindowExA(0, wc.lpszClassName, "copy", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              640, 480, nullptr, nullptr, instance, nullptr);
  if (!main) {
    std::fprintf(stderr, "bench_copy: no window (is DISPLAY set?)\n");
    return 1;
  }

  win::Win32FileSystem fs;
  ErrorList errors;
  // The panel as it starts: every attribute left alone, no date.
  AttribChanger changer(
      fs, errors, [] { return AttribChoices{}; }, win::ReadLocaleDates(), &win::CurrentLocalYear);
  std::unique_ptr<CopyEngine> engine;
  TForm2 form2(main, [&] {
    if (engine) engine->Cancel();
  });
  if (!form2.Create(instance)) {
    std::fprintf(stderr, "bench_copy: no progress dialog\n");
    return 1;
  }
  TimedFiles timedFiles;
  TimedPlatform platform(main, timedFiles);
  TimedProgress progress(form2);
  const std::string destination = argv[2];
  // The chooser creates the folder it returns.
  platform.SetChooser([&]() -> std::optional<std::string> {
    if (!win::CreateFolderPath(destination)) return std::nullopt;
    return destination;
  });
  CopyHooks hooks;
  hooks.choices = [] { return CopyChoices{}; };
  hooks.changeFileAttr = [&](const std::string& path, FileSystem& at) {
    Timed(g_split.change, [&] { changer.ChangeFileAttr(path, at); });
  };
  hooks.clearErrors = [&] { errors.Clear(); };
  hooks.appendError = [&](const std::string& line) { errors.Append(line); };
  hooks.errorCount = [&] { return errors.Count(); };
  hooks.showErrors = [] {};
  engine = std::make_unique<CopyEngine>(platform, progress, std::move(hooks));

  TargetTree tree;
  LARGE_INTEGER freq, t0, t1, t2;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  TreeBuilder builder(fs, tree);
  if (!builder.Build({argv[1]}, false)) {
    std::fprintf(stderr, "bench_copy: cannot build %s\n", argv[1]);
    return 1;
  }
  QueryPerformanceCounter(&t1);
  engine->BitBtn1Click(tree);
  QueryPerformanceCounter(&t2);
  std::printf("entries %lld bytes %lld errors %u build_ms %.1f copy_ms %.1f\n",
              static_cast<long long>(tree.TotalCount),
              static_cast<long long>(engine->CopiedBytes()), static_cast<unsigned>(errors.Count()),
              Millis(t0, t1, freq), Millis(t1, t2, freq));
  const Split& t = g_split;
  std::printf(
      "seconds: copy %.2f search %.2f attributes %.2f folders %.2f free_space %.2f pump %.2f "
      "labels %.2f "
      "bar %.2f change %.2f\n",
      t.copy, t.search, t.attributes, t.folders, t.space, t.pump, t.labels, t.bar, t.change);
  if (!errors.Empty()) std::fprintf(stderr, "first error: %s\n", errors.Lines().front().c_str());
  const bool complete = engine->ContinueCopy() && errors.Empty();
  engine.reset();
  DestroyWindow(main);
  return complete ? 0 : 2;
}
