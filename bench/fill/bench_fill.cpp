// The file list at 10,000 and 100,000 rows, three ways:
//   bench_fill app EXE REPEATS FOLDER   starts the real program with the folder and, from outside
//       as an automation client, selects the folder's node in its tree and draws the rows in
//       view (fill_ms), gives "全て選択" until the window answers with panel 4 counting every row
//       (select_ms), each best of 1 + REPEATS rounds, then "対象から削除" of all those rows until
//       the window answers with an empty list (remove_ms); also the program's memory per row
//       (working set after the first fill less before it) and its peak working set
//   bench_fill bare REPEATS FOLDER      the limit: a bare report list view in a window of this
//       driver, filled from the folder's search with text and image callbacks (the shell asked by
//       file attributes for the rows drawn), drawn, all selected by one state change, and the
//       selected rows deleted one by one; the same figures
//   bench_fill REPEATS FOLDER...        Browser over ListView1 in a window of this driver, the
//       fill timed from inside, to see where its time goes: the shell, the image lists, the rows;
//       clear_ms: emptying the list, making room and ending the shell's batch; every fill's time
//       (all_ms), and the paint messages one more fill caused (fill_paints: 0 while redraw is off)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  void DeleteAll() override {
    Timed(g_split.clear, [&] { real_.DeleteAll(); });
  }
  void ClearImages() override {
    Timed(g_split.clear, [&] { real_.ClearImages(); });
  }
  void ReserveRows(size_t rows) override {
    Timed(g_split.clear, [&] { real_.ReserveRows(rows); });
  }
  int AddImages(const ShellIcon* small, const ShellIcon* large) override {
    int index = 0;
    Timed(g_split.images, [&] { index = real_.AddImages(small, large); });
    return index;
  }
  void AppendRows(size_t count) override {
    Timed(g_split.rows, [&] { real_.AppendRows(count); });
  }
  bool IsSelected(size_t row) const override { return real_.IsSelected(row); }
  void SetSelected(size_t row, bool selected) override { real_.SetSelected(row, selected); }
  void SelectAll() override { real_.SelectAll(); }
  size_t SelectedCount() const override { return real_.SelectedCount(); }
  std::vector<size_t> SelectedRows() const override { return real_.SelectedRows(); }
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
  LRESULT format = 0;
  if (g_bench && win::AnswerNotifyFormat(g_bench->list, msg, wp, lp, format)) return format;
  if (msg == WM_NOTIFY && g_bench &&
      win::RouteBrowseNotify(g_bench->browser, g_bench->list, g_bench->mirror,
                             *reinterpret_cast<NMHDR*>(lp), format))
    return format;
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

// The main window's menu commands "全て選択" and "対象から削除" (Ctrl+A, Shift+Del).
constexpr UINT kCmdSelectAll = 1005, kCmdDelete1 = 1006;

// The rows in view drawn now, as the window would draw them once the call that filled it returns.
void DrawNow(HWND list) {
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::string Csv(const std::vector<double>& ms) {
  std::string all;
  for (double m : ms) all += (all.empty() ? "" : ",") + std::to_string(static_cast<long>(m));
  return all;
}

double Best(const std::vector<double>& ms) {
  return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end());
}

// Morvane from outside: per round, the folder's node selected and the rows in view drawn, then
// "全て選択" until the window answers again with panel 4 showing every row; last, "対象から削除"
// of all those rows until the window answers with an empty list.
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
    SendMessageTimeoutA(wnd, msg, wp, lp, SMTO_NORMAL, 1200000, &r);
    return r;
  };
  auto fail = [&](const char* what) {
    std::fprintf(stderr, "bench_fill: %s\n", what);
    bench::CloseAndWait(child, main);
    return 1;
  };
  const auto root = static_cast<LPARAM>(send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  const auto node = static_cast<LPARAM>(send(tree, TVM_GETNEXTITEM, TVGN_CHILD, root));
  if (!node) return fail("no folder node");
  send(tree, TVM_SELECTITEM, TVGN_CARET, root);
  const SIZE_T before = bench::Memory(child.pi.hProcess).WorkingSetSize;
  std::vector<double> fill, select;
  SIZE_T after = 0;
  char want[64];
  std::snprintf(want, sizeof want, "%s", CountText(static_cast<int64_t>(rows)).c_str());
  for (int r = 0; r <= repeats; ++r) {
    if (r) send(tree, TVM_SELECTITEM, TVGN_CARET, root);
    double t = Seconds();
    send(tree, TVM_SELECTITEM, TVGN_CARET, node);
    DrawNow(list);
    fill.push_back(1000 * (Seconds() - t));
    if (send(list, LVM_GETITEMCOUNT, 0, 0) != rows)
      return fail("the list does not hold the folder's rows");
    if (!r) after = bench::Memory(child.pi.hProcess).WorkingSetSize;
    t = Seconds();
    send(main, WM_COMMAND, kCmdSelectAll, 0);
    DrawNow(list);
    send(main, WM_NULL, 0, 0);
    select.push_back(1000 * (Seconds() - t));
    if (!bench::ReadPanel(remote, status, 4, text) || text != want)
      return fail("panel 4 does not count every row");
  }
  double t = Seconds();
  send(main, WM_COMMAND, kCmdDelete1, 0);
  DrawNow(list);
  send(main, WM_NULL, 0, 0);
  const double remove = 1000 * (Seconds() - t);
  if (send(list, LVM_GETITEMCOUNT, 0, 0) != 0) return fail("rows are left after the removal");
  const double peak = bench::PeakMb(child.pi.hProcess);
  bench::CloseAndWait(child, main);
  std::printf(
      "rows %u fill_ms %.1f select_ms %.1f remove_ms %.1f bytes_per_row %.0f peak_mb %.1f fill_all "
      "%s select_all %s\n",
      static_cast<unsigned>(rows), Best(fill), Best(select), remove,
      (static_cast<double>(after) - static_cast<double>(before)) /
          static_cast<double>(rows ? rows : 1),
      peak, Csv(fill).c_str(), Csv(select).c_str());
  return 0;
}

// The bare list: a report list view in a window of its own, its rows what the folder's search
// gave, their texts and images given by callbacks (the shell asked by file attributes only, for
// the rows drawn), a change notification that does nothing.
struct BareRow {
  std::string name;
  uint32_t attributes;
  int64_t size;
  FILETIME written;
};
std::vector<BareRow> g_bare;

LRESULT CALLBACK BareProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_GETDISPINFOA) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lp)->item;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= g_bare.size()) return 0;
    const BareRow& row = g_bare[static_cast<size_t>(item.iItem)];
    if (item.mask & LVIF_IMAGE) {
      SHFILEINFOA info{};
      SHGetFileInfoA(row.name.c_str(), row.attributes, &info, sizeof info,
                     SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
      item.iImage = info.iIcon;
    }
    if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0) {
      char text[256] = {};
      const uint32_t a = row.attributes;
      switch (item.iSubItem) {
        case 0:
          std::snprintf(text, sizeof text, "%s", row.name.c_str());
          break;
        case 1:
          std::snprintf(text, sizeof text, "%10lld", static_cast<long long>(row.size));
          break;
        case 2: {
          FILETIME local;
          SYSTEMTIME st;
          FileTimeToLocalFileTime(&row.written, &local);
          FileTimeToSystemTime(&local, &st);
          const int n =
              GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text);
          if (n > 0) {
            text[n - 1] = ' ';
            GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, text + n,
                           static_cast<int>(sizeof text) - n);
          }
          break;
        }
        case 3:
          std::snprintf(text, sizeof text, "%s", a & FILE_ATTRIBUTE_READONLY ? "R" : "");
          break;
        case 4:
          std::snprintf(text, sizeof text, "%s", a & FILE_ATTRIBUTE_ARCHIVE ? "A" : "");
          break;
        case 5:
          std::snprintf(text, sizeof text, "%s", a & FILE_ATTRIBUTE_SYSTEM ? "S" : "");
          break;
        case 6:
          std::snprintf(text, sizeof text, "%s", a & FILE_ATTRIBUTE_HIDDEN ? "H" : "");
          break;
      }
      lstrcpynA(item.pszText, text, item.cchTextMax);
    }
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

int Bare(int repeats, const std::string& folder) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &BareProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BenchBareList";
  RegisterClassA(&wc);
  HWND frame = CreateWindowExA(0, wc.lpszClassName, "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               800, 600, nullptr, nullptr, wc.hInstance, nullptr);
  if (!frame) return 1;
  HWND list =
      CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                      WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                      200, 0, 590, 560, frame, nullptr, wc.hInstance, nullptr);
  const char* titles[] = {"FileName", "Size", "Date Time", "R", "A", "S", "H"};
  const int widths[] = {100, 80, 120, 20, 20, 20, 20};
  for (int i = 0; i < 7; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = widths[i];
    col.pszText = const_cast<char*>(titles[i]);
    col.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
  }
  SHFILEINFOA info{};
  const auto system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("x.txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(system));
  PumpPending();

  std::vector<double> fill, select, remove;
  const SIZE_T before = bench::Memory(GetCurrentProcess()).WorkingSetSize;
  SIZE_T after = 0;
  for (int r = 0; r <= repeats; ++r) {
    double t = Seconds();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    g_bare.clear();
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0) continue;
        g_bare.push_back({fd.cFileName, fd.dwFileAttributes,
                          static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) |
                                               fd.nFileSizeLow),
                          fd.ftLastWriteTime});
      } while (FindNextFileA(find, &fd));
      FindClose(find);
    }
    for (size_t i = 0; i < g_bare.size(); ++i) {
      LVITEMA item{};
      item.mask = LVIF_TEXT | LVIF_IMAGE;
      item.iItem = static_cast<int>(i);
      item.pszText = LPSTR_TEXTCALLBACKA;
      item.iImage = I_IMAGECALLBACK;
      SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      for (int c = 1; c < 7; ++c) {
        LVITEMA sub{};
        sub.iSubItem = c;
        sub.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&sub));
      }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    DrawNow(list);
    fill.push_back(1000 * (Seconds() - t));
    if (!r) after = bench::Memory(GetCurrentProcess()).WorkingSetSize;

    t = Seconds();
    LVITEMA all{};
    all.stateMask = all.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    DrawNow(list);
    select.push_back(1000 * (Seconds() - t));
    if (static_cast<size_t>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)) != g_bare.size())
      return 1;

    if (r == repeats) {  // the selected rows deleted one by one, the last first
      t = Seconds();
      SendMessageA(list, WM_SETREDRAW, FALSE, 0);
      for (int i = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); i-- > 0;)
        if (SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)
          SendMessageA(list, LVM_DELETEITEM, i, 0);
      SendMessageA(list, WM_SETREDRAW, TRUE, 0);
      DrawNow(list);
      remove.push_back(1000 * (Seconds() - t));
    }
    PumpPending();
  }
  const size_t rows = g_bare.size();
  DestroyWindow(frame);
  std::printf(
      "rows %u fill_ms %.1f select_ms %.1f remove_ms %.1f bytes_per_row %.0f peak_mb %.1f fill_all "
      "%s select_all %s\n",
      static_cast<unsigned>(rows), Best(fill), Best(select), Best(remove),
      (static_cast<double>(after) - static_cast<double>(before)) /
          static_cast<double>(rows ? rows : 1),
      bench::PeakMb(GetCurrentProcess()), Csv(fill).c_str(), Csv(select).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "app")
    return App(argv[2], std::max(0, std::atoi(argv[3])), argv[4]);
  if (argc == 4 && std::string(argv[1]) == "bare") {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    return Bare(std::max(0, std::atoi(argv[2])), argv[3]);
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_fill REPEATS FOLDER...\n");
    return 1;
  }
  const int repeats = std::max(0, std::atoi(argv[1]));
  win::InstallPlatformText();
  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &FrameProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BenchFillFrame";
  RegisterClassA(&wc);

  Bench bench;
  g_bench = &bench;
  bench.frame = CreateWindowExA(0, wc.lpszClassName, "fill", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                800, 600, nullptr, nullptr, wc.hInstance, nullptr);
  if (!bench.frame) {
    std::fprintf(stderr, "bench_fill: no window (is DISPLAY set?)\n");
    return 1;
  }
  HWND treeWnd = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_SHOWSELALWAYS, 0,
                                 0, 200, 560, bench.frame, nullptr, wc.hInstance, nullptr);
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
    if (!builder.Build({argv[a]}, false) || !bench.tree.FirstNode() ||
        bench.tree.FirstNode()->ChildCount() != 1) {
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
    if (HHOOK hook =
            SetWindowsHookExA(WH_CALLWNDPROC, &CountPaints, nullptr, GetCurrentThreadId())) {
      bench.browser.FillFileList();
      UnhookWindowsHookEx(hook);
      PumpPending();
    }
    if (bench.list.RowCount() != rows) {
      std::fprintf(stderr, "bench_fill: %u rows for %u entries\n",
                   static_cast<unsigned>(bench.list.RowCount()), static_cast<unsigned>(rows));
      status = 1;
    }
    const double per = 1e6 / static_cast<double>(rows ? rows : 1);
    std::printf(
        "rows %u first_ms %.1f best_ms %.1f per_row_us %.2f shell_us %.2f images_us %.2f rows_us "
        "%.2f "
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
