// File list fill, two ways:
//   bench_fill app EXE REPEATS FOLDER   starts the real program with the folder and, from outside
//       as an automation client, selects the folder's node in its tree: the time until the
//       selection returns with the list holding every row, best of 1 + REPEATS selections, and
//       the program's memory per row (working set after the first fill less before it)
//   bench_fill REPEATS FOLDER...        the same code (Browser over ListView1 in a window of this
//       driver, with the shell and locale date services), timed from inside, to see where a
//       fill's time goes
// Each line also tells where the best fill's time went (the shell, the image lists, the rows;
// clear_ms: emptying the list, making room and ending the shell's batch), every fill's time
// (all_ms), and the paint messages one more fill caused (fill_paints: 0 while redraw is off).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/automation.h"
#include "bench/bench_clock.h"
#include "browse/win32/list_view.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"
#include "targets/entry.h"

using namespace mv;

namespace {

class QuietHost : public BrowseHost {
 public:
  void SetPanel(int, const std::string&) override {}
  void ShowTotals() override {}
  void SetBusy(bool) override {}
  void DisableOperations() override {}
  bool Closing() const override { return false; }
};

using bench::Seconds;

// Where a fill's time goes: the shell's answers, the image lists, the rows.
struct Split {
  double shell = 0, images = 0, rows = 0, clear = 0;
};
Split g_split;

class TimedShell : public ShellPort {
 public:
  explicit TimedShell(ShellPort& real) : real_(real) {}
  ShellInfo Describe(const std::string& path, bool smallIcon) override {
    const double t = Seconds();
    ShellInfo info = real_.Describe(path, smallIcon);
    g_split.shell += Seconds() - t;
    return info;
  }
  void Open(const std::string& path) override { real_.Open(path); }
  void BeginBatch() override { real_.BeginBatch(); }
  void EndBatch() override {
    const double t = Seconds();
    real_.EndBatch();
    g_split.clear += Seconds() - t;
  }

 private:
  ShellPort& real_;
};

class TimedList : public ListViewPort {
 public:
  explicit TimedList(ListViewPort& real) : real_(real) {}
  size_t RowCount() const override { return real_.RowCount(); }
  void DeleteAll() override { Timed(g_split.clear, [&] { real_.DeleteAll(); }); }
  void ClearImages() override { Timed(g_split.clear, [&] { real_.ClearImages(); }); }
  void ReserveRows(size_t rows) override { Timed(g_split.clear, [&] { real_.ReserveRows(rows); }); }
  int AddImages(const ShellIcon* small, const ShellIcon* large) override {
    int index = 0;
    Timed(g_split.images, [&] { index = real_.AddImages(small, large); });
    return index;
  }
  void AppendRow(const std::string& caption, const std::vector<std::string>& cells, int image) override {
    Timed(g_split.rows, [&] { real_.AppendRow(caption, cells, image); });
  }
  std::string Cell(size_t row, int column) const override { return real_.Cell(row, column); }
  bool IsSelected(size_t row) const override { return real_.IsSelected(row); }
  void SetSelected(size_t row, bool selected) override { real_.SetSelected(row, selected); }
  void DeleteRow(size_t row) override { real_.DeleteRow(row); }
  std::optional<size_t> FirstSelected() const override { return real_.FirstSelected(); }
  void SuspendRedraw() override { real_.SuspendRedraw(); }
  void ResumeRedraw() override { real_.ResumeRedraw(); }

 private:
  template <class F>
  static void Timed(double& sum, F f) {
    const double t = Seconds();
    f();
    sum += Seconds() - t;
  }
  ListViewPort& real_;
};

struct Bench {
  HWND frame = nullptr;
  TargetTree tree;
  win::Win32FileSystem fs;
  win::TreeViewMirror mirror;
  win::ListView1 list;
  win::DirTreePort treePort{tree, mirror};
  win::ShellWin32 shell;
  win::DateFormatWin32 dates;
  QuietHost host;
  TimedShell timedShell{shell};
  TimedList timedList{list};
  Browser browser{tree, fs, timedList, treePort, timedShell, dates, host};
};
Bench* g_bench = nullptr;

// Paint messages the list receives while a fill runs: with its redraw off there should be none.
int g_paints = 0;
LRESULT CALLBACK CountPaints(int code, WPARAM wp, LPARAM lp) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && g_bench && msg->hwnd == g_bench->list.Handle() &&
      (msg->message == WM_PAINT || msg->message == WM_ERASEBKGND || msg->message == WM_NCPAINT))
    ++g_paints;
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY && g_bench &&
      win::RouteBrowseNotify(g_bench->browser, g_bench->list, g_bench->mirror, *reinterpret_cast<NMHDR*>(lp)))
    return 0;
  return DefWindowProcA(wnd, msg, wp, lp);
}

void PumpPending() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq) {
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}


// Files directly in the folder (what its node's list shows, "." names aside).
size_t CountItems(const std::string& folder) {
  size_t n = 0;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (fd.cFileName[0] != '.') ++n;
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  return n;
}

int App(const std::string& exe, int repeats, const std::string& folder) {
  const size_t rows = CountItems(folder);
  bench::Child child;
  if (!bench::Start("\"" + exe + "\" \"" + folder + "\"", child)) return 1;
  const HWND main = bench::FindMainWindow(child);
  if (!main) return 1;
  HWND tree = nullptr, list = nullptr, status = nullptr;
  while (!(tree = FindWindowExA(main, nullptr, WC_TREEVIEWA, nullptr)) ||
         !(list = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr)) ||
         !(status = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr)))
    Sleep(2);
  // The build is over once the totals are up.
  const bench::RemoteBuffer remote(child.pi.hProcess, 4096);
  std::string text;
  while (bench::ReadPanel(remote, status, 1, text) && text.empty()) Sleep(5);
  auto send = [](HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(wnd, msg, wp, lp, SMTO_NORMAL, 600000, &r);
    return r;
  };
  const auto root = static_cast<LPARAM>(send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  const auto node = static_cast<LPARAM>(send(tree, TVM_GETNEXTITEM, TVGN_CHILD, root));
  if (!node) return 1;
  send(tree, TVM_SELECTITEM, TVGN_CARET, root);
  const SIZE_T before = bench::Memory(child.pi.hProcess).WorkingSetSize;
  double best = 1e9;
  std::string all;
  SIZE_T after = 0;
  for (int r = 0; r <= repeats; ++r) {
    if (r) send(tree, TVM_SELECTITEM, TVGN_CARET, root);
    const double t = Seconds();
    send(tree, TVM_SELECTITEM, TVGN_CARET, node);
    const double s = Seconds() - t;
    if (send(list, LVM_GETITEMCOUNT, 0, 0) != rows) {
      std::fprintf(stderr, "bench_fill: the list holds %u rows, the folder %u\n",
                   static_cast<unsigned>(send(list, LVM_GETITEMCOUNT, 0, 0)), static_cast<unsigned>(rows));
      bench::CloseAndWait(child, main);
      return 1;
    }
    if (!r) after = bench::Memory(child.pi.hProcess).WorkingSetSize;
    best = std::min(best, s);
    all += (all.empty() ? "" : ",") + std::to_string(static_cast<long>(1000 * s));
  }
  const double peak = bench::PeakMb(child.pi.hProcess);
  bench::CloseAndWait(child, main);
  std::printf("rows %u best_ms %.1f per_row_us %.2f bytes_per_row %.0f peak_mb %.1f all_ms %s\n",
              static_cast<unsigned>(rows), 1000 * best, 1e6 * best / static_cast<double>(rows ? rows : 1),
              (static_cast<double>(after) - static_cast<double>(before)) / static_cast<double>(rows ? rows : 1), peak,
              all.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "app") return App(argv[2], std::max(0, std::atoi(argv[3])), argv[4]);
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_fill REPEATS FOLDER...\n");
    return 1;
  }
  const int repeats = std::max(0, std::atoi(argv[1]));
  win::InstallPlatformText();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &FrameProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BenchFillFrame";
  RegisterClassA(&wc);

  Bench bench;
  g_bench = &bench;
  bench.frame = CreateWindowExA(0, wc.lpszClassName, "fill", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                                nullptr, nullptr, wc.hInstance, nullptr);
  if (!bench.frame) {
    std::fprintf(stderr, "bench_fill: no window (is DISPLAY set?)\n");
    return 1;
  }
  HWND treeWnd = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_SHOWSELALWAYS, 0, 0, 200, 560,
                                 bench.frame, nullptr, wc.hInstance, nullptr);
  if (!bench.list.Create(bench.frame, 200)) return 1;
  MoveWindow(bench.list.Handle(), 200, 0, 590, 560, TRUE);
  bench.mirror.Attach(treeWnd);
  bench.tree.SetObserver(&bench.mirror);
  bench.list.Connect(&bench.browser);
  PumpPending();

  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  int status = 0;
  for (int a = 2; a < argc; ++a) {
    TreeBuilder builder(bench.fs, bench.tree);
    if (!builder.Build({argv[a]}, false) || !bench.tree.FirstNode() || bench.tree.FirstNode()->ChildCount() != 1) {
      std::fprintf(stderr, "bench_fill: cannot build %s\n", argv[a]);
      status = 1;
      continue;
    }
    Node* folder = bench.tree.FirstNode()->Child(0);
    const size_t rows = folder->entries.size();
    // The selection fills the list once (as a click in the tree would); the timed fills follow.
    LARGE_INTEGER t0, t1;
    g_split = {};
    QueryPerformanceCounter(&t0);
    bench.mirror.Select(folder);
    PumpPending();
    QueryPerformanceCounter(&t1);
    const double first = Seconds(t0, t1, freq);
    double best = first;
    Split split = g_split;
    std::string all = std::to_string(static_cast<long>(1000.0 * first));
    for (int r = 0; r < repeats; ++r) {
      g_split = {};
      QueryPerformanceCounter(&t0);
      bench.browser.FillFileList();
      QueryPerformanceCounter(&t1);
      const double s = Seconds(t0, t1, freq);
      if (s < best) best = s, split = g_split;
      all += ',';
      all += std::to_string(static_cast<long>(1000.0 * s));
      PumpPending();  // the repaint after a fill is the window's, not the fill's
    }
    // One more fill, untimed (a hook makes every message dearer), to count what it painted.
    g_paints = 0;
    if (HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &CountPaints, nullptr, GetCurrentThreadId())) {
      bench.browser.FillFileList();
      UnhookWindowsHookEx(hook);
      PumpPending();
    }
    if (bench.list.RowCount() != rows) {
      std::fprintf(stderr, "bench_fill: %u rows for %u entries\n", static_cast<unsigned>(bench.list.RowCount()),
                   static_cast<unsigned>(rows));
      status = 1;
    }
    const double per = 1e6 / static_cast<double>(rows ? rows : 1);
    std::printf("rows %u first_ms %.1f best_ms %.1f per_row_us %.2f shell_us %.2f images_us %.2f rows_us %.2f "
                "clear_ms %.1f images %d all_ms %s fill_paints %d\n",
                static_cast<unsigned>(rows), 1000.0 * first, 1000.0 * best, best * per, split.shell * per,
                split.images * per, split.rows * per, 1000.0 * split.clear,
                ImageList_GetImageCount(bench.list.SmallImages()), all.c_str(), g_paints);
    std::fflush(stdout);
  }
  bench.tree.SetObserver(nullptr);
  DestroyWindow(bench.frame);
  g_bench = nullptr;
  return status;
}
