// The splitter in a real window: a left pane, the panel and a right pane, driven by mouse messages.
#include <gtest/gtest.h>

#include <string>

#include "ui/Dragpnl.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

constexpr int kWidth = 578, kHeight = 300, kUpper = 250, kTree = 169, kSplit = 4;

HWND MakeWindow(const char* cls, int brush, DWORD style, HWND parent, int x, int y, int w, int h) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExA(GetModuleHandleA(nullptr), cls, &wc)) {
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(brush));
    wc.lpszClassName = cls;
    RegisterClassExA(&wc);
  }
  return CreateWindowExA(0, cls, "", style, x, y, w, h, parent, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<short>(x), static_cast<short>(y)); }

class DragWine : public ::testing::Test {
 protected:
  // One top-level window for the suite: Wine takes seconds to take one off an Xvfb screen.
  static void SetUpTestSuite() {
    parent = MakeWindow("MvDragTestParent", DKGRAY_BRUSH, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                        nullptr, 40, 40, kWidth, kHeight);
  }
  static void TearDownTestSuite() {
    DestroyWindow(parent);
    parent = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(parent);
    left = MakeWindow("MvDragTestLeft", LTGRAY_BRUSH, WS_CHILD | WS_VISIBLE, parent, 0, 0, kTree,
                      kUpper);
    right = MakeWindow("MvDragTestRight", WHITE_BRUSH, WS_CHILD | WS_VISIBLE, parent,
                       kTree + kSplit, 0, kWidth - kTree - kSplit, kUpper);
    ASSERT_TRUE(panel.Create(parent, kTree, 0, kSplit, kUpper));
    panel.SetReSizeCtrl(left);
    panel.SetAlign(Align::Left);
    panel.OnStartDrag = [this](TDragPanel& s) {
      EXPECT_EQ(&s, &panel);
      ++starts;
    };
    panel.OnSizing = [this](TDragPanel&) { ++sizings; };
    panel.OnEndDrag = [this](TDragPanel& s, int32_t pos, int32_t cg) {
      EXPECT_EQ(&s, &panel);
      ++ends;
      lastPos = pos;
      lastCg = cg;
      if (relayout) Relayout();
    };
    UpdateWindow(parent);
    PumpPending();
  }
  void TearDown() override {
    // Every child goes, including ones a test made (the panel's object lets go of its window).
    while (HWND child = GetWindow(parent, GW_CHILD)) DestroyWindow(child);
    InvalidateRect(parent, nullptr, TRUE);
    UpdateWindow(parent);
  }

  // What the main window does after a drag: the panel follows the tree, the right pane the rest.
  void Relayout() {
    int w = LeftWidth();
    MoveWindow(panel.Handle(), w, 0, kSplit, kUpper, TRUE);
    MoveWindow(right, w + kSplit, 0, kWidth - w - kSplit, kUpper, TRUE);
  }
  int LeftWidth() const {
    RECT r;
    GetWindowRect(left, &r);
    return r.right - r.left;
  }
  int PanelLeft() const {
    RECT r;
    GetWindowRect(panel.Handle(), &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r.left;
  }
  COLORREF Pixel(int x, int y) const {
    HDC dc = GetDC(parent);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(parent, dc);
    return c;
  }
  void Send(UINT msg, int x, int y, WPARAM keys = 0) {
    SendMessageA(panel.Handle(), msg, keys, At(x, y));
  }
  void Drag(int toX) {
    Send(WM_LBUTTONDOWN, 2, 10, MK_LBUTTON);
    Send(WM_MOUSEMOVE, toX, 10, MK_LBUTTON);
    Send(WM_LBUTTONUP, toX, 10);
  }
  // A picture of the Xvfb screen for people to look at; it checks nothing. Wine starts Unix
  // programs by their path but does not wait for them, so the file's arrival tells when the
  // screen has been taken (the drag stays as it is until then).
  static void Screenshot(const char* name) {
    if (GetFileAttributesA("Z:/usr/bin/import") == INVALID_FILE_ATTRIBUTES) return;
    const std::string dir = MV_SCREENSHOT_DIR, png = dir + "/" + name + ".png";
    DeleteFileA(("Z:" + png).c_str());
    Run("/bin/mkdir -p " + dir);
    PumpUntil([&] { return GetFileAttributesA(("Z:" + dir).c_str()) != INVALID_FILE_ATTRIBUTES; },
              5000);
    Run("/usr/bin/import -window root " + png);
    DWORD last = 0;
    PumpUntil(
        [&] {
          WIN32_FILE_ATTRIBUTE_DATA a;
          if (!GetFileAttributesExA(("Z:" + png).c_str(), GetFileExInfoStandard, &a)) return false;
          bool done = a.nFileSizeLow != 0 && a.nFileSizeLow == last;
          last = a.nFileSizeLow;
          return done;
        },
        10000);
  }
  static void Run(std::string cmd) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }

  static inline HWND parent = nullptr;
  HWND left = nullptr, right = nullptr;
  TDragPanel panel;
  bool relayout = true;
  int starts = 0, sizings = 0, ends = 0;
  int32_t lastPos = -1, lastCg = -1;
};

TEST_F(DragWine, NoCaptionAndASideToSideCursor) {
  EXPECT_EQ(WindowText(panel.Handle()), "");
  SendMessageA(panel.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel.Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
}

TEST_F(DragWine, PressAndReleaseWithoutAMoveKeepsTheWidth) {
  Send(WM_LBUTTONDOWN, 2, 10, MK_LBUTTON);
  EXPECT_TRUE(panel.Dragging());
  EXPECT_EQ(GetCapture(), panel.Handle());
  EXPECT_EQ(starts, 1);
  Send(WM_LBUTTONUP, 2, 10);
  EXPECT_FALSE(panel.Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(LeftWidth(), kTree);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(lastPos, kTree);
  EXPECT_EQ(lastCg, 0);
  EXPECT_EQ(sizings, 0);
}

TEST_F(DragWine, DragMovesTheBoundaryAndMarginsStopIt) {
  Drag(2 + 100);  // the pointer at the press's place plus 100
  EXPECT_EQ(LeftWidth(), kTree + 100);
  EXPECT_EQ(lastPos, kTree + 100);
  EXPECT_EQ(lastCg, 100);  // the panel had not moved yet when the figures were taken
  EXPECT_EQ(PanelLeft(), kTree + 100);
  EXPECT_EQ(sizings, 1);

  Drag(-2000);  // far past the start: the panel's leading edge stops 1 pixel in
  EXPECT_EQ(LeftWidth(), 1);
  EXPECT_EQ(PanelLeft(), 1);
  Drag(5000);  // far past the end: the trailing edge stops 5 pixels before it
  EXPECT_EQ(PanelLeft() + kSplit, kWidth - 5);
  EXPECT_EQ(LeftWidth(), kWidth - 5 - kSplit);
  EXPECT_EQ(ends, 3);
}

TEST_F(DragWine, OnlyTheLeftButtonStartsButAnyReleaseEnds) {
  Send(WM_RBUTTONDOWN, 2, 10, MK_RBUTTON);
  Send(WM_MOUSEMOVE, 60, 10, MK_RBUTTON);
  Send(WM_RBUTTONUP, 60, 10);
  Send(WM_MBUTTONDOWN, 2, 10, MK_MBUTTON);
  Send(WM_MOUSEMOVE, 60, 10);
  EXPECT_FALSE(panel.Dragging());
  EXPECT_EQ(starts + sizings + ends, 0);
  EXPECT_EQ(LeftWidth(), kTree);

  for (UINT up : {WM_RBUTTONUP, WM_MBUTTONUP}) {
    Send(WM_LBUTTONDOWN, 2, 10, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 12, 10, MK_LBUTTON);
    Send(up, 12, 10);
    EXPECT_FALSE(panel.Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
  }
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(LeftWidth(), kTree + 20);
  // A second release after the end does nothing.
  Send(WM_LBUTTONUP, 12, 10);
  EXPECT_EQ(ends, 2);
}

TEST_F(DragWine, AfterTheResizedControlIsDestroyedADragResizesNothing) {
  DestroyWindow(left);
  EXPECT_EQ(panel.ReSizeCtrl(), nullptr);
  // A new window may well get the old handle; it must not be taken for the old control.
  HWND other =
      MakeWindow("MvDragTestLeft", LTGRAY_BRUSH, WS_CHILD | WS_VISIBLE, parent, 0, 0, 50, kUpper);
  relayout = false;
  Drag(2 + 30);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(lastPos, kTree + 30);
  RECT r;
  GetWindowRect(other, &r);
  EXPECT_EQ(r.right - r.left, 50);
}

// The panel's hook on the resized control shares the control with other hooks put on later:
// letting go of the control, or taking it up again, leaves theirs working and the control whole.
int g_seen = 0;
LRESULT CALLBACK CountingHook(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (m == WM_USER + 7) ++g_seen;
  return DefSubclassProc(w, m, wp, lp);
}

TEST_F(DragWine, HooksPutOnTheControlAfterThePanelsKeepWorking) {
  g_seen = 0;
  const SUBCLASSPROC counter = &CountingHook;
  ASSERT_TRUE(SetWindowSubclass(left, counter, 1, 0));
  panel.SetReSizeCtrl(nullptr);
  SendMessageA(left, WM_USER + 7, 0, 0);
  EXPECT_EQ(g_seen, 1);
  panel.SetReSizeCtrl(left);
  SendMessageA(left, WM_USER + 7, 0, 0);
  EXPECT_EQ(g_seen, 2);
  Drag(2 + 20);
  EXPECT_EQ(LeftWidth(), kTree + 20);
  // Their hook goes first; the control's end still reaches the panel.
  RemoveWindowSubclass(left, counter, 1);
  DestroyWindow(left);
  EXPECT_EQ(panel.ReSizeCtrl(), nullptr);
}

TEST_F(DragWine, CaptureTakenAwayEndsTheDragWithoutAResize) {
  Send(WM_LBUTTONDOWN, 2, 10, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 50, 10, MK_LBUTTON);
  SetCapture(right);
  EXPECT_FALSE(panel.Dragging());
  ReleaseCapture();
  Send(WM_LBUTTONUP, 50, 10);
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(LeftWidth(), kTree);
}

TEST_F(DragWine, TheBandInvertsPixelsAndRestoresThem) {
  relayout = false;
  panel.SetReSizeCtrl(nullptr);
  const COLORREF panelFace = Pixel(kTree + 1, 100), white = Pixel(300, 100),
                 below = Pixel(300, kUpper + 20);
  ASSERT_EQ(white, RGB(255, 255, 255));
  const auto inv = [](COLORREF c) { return c ^ 0xFFFFFF; };

  // Hovering without a press draws nothing.
  Send(WM_MOUSEMOVE, 100, 100);
  EXPECT_EQ(Pixel(kTree + 100 - 2, 100), white);

  Send(WM_LBUTTONDOWN, 2, 100, MK_LBUTTON);  // band on the panel: 169..172
  EXPECT_EQ(Pixel(kTree + 1, 100), inv(panelFace));
  // Centre at 300: lines 298..301, on the panel's length only.
  Send(WM_MOUSEMOVE, 300 - kTree, 100, MK_LBUTTON);
  EXPECT_EQ(Pixel(kTree + 1, 100), panelFace);
  EXPECT_EQ(Pixel(297, 100), white);
  EXPECT_EQ(Pixel(298, 100), inv(white));
  EXPECT_EQ(Pixel(301, 100), inv(white));
  EXPECT_EQ(Pixel(302, 100), white);
  EXPECT_EQ(Pixel(300, kUpper + 20), below);
  Screenshot("drag-during");

  Send(WM_LBUTTONUP, 300 - kTree, 100);
  for (int x = 297; x <= 302; ++x) EXPECT_EQ(Pixel(x, 100), white) << x;
  Screenshot("drag-after");

  // An odd width centres the band.
  panel.SetLineWidth(3);
  Send(WM_LBUTTONDOWN, 2, 100, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 300 - kTree, 100, MK_LBUTTON);
  EXPECT_EQ(Pixel(298, 100), white);
  EXPECT_EQ(Pixel(299, 100), inv(white));
  EXPECT_EQ(Pixel(301, 100), inv(white));
  EXPECT_EQ(Pixel(302, 100), white);
  Send(WM_LBUTTONUP, 300 - kTree, 100);
  EXPECT_EQ(Pixel(299, 100), white);
}

TEST_F(DragWine, VerticalKindResizesTheHeight) {
  // A bar across the top pane's foot, resizing its height.
  MoveWindow(left, 0, 0, kWidth, 100, TRUE);
  MoveWindow(panel.Handle(), 0, 100, kWidth, kSplit, TRUE);
  panel.SetKind(Tkind::Vertical);
  relayout = false;
  Send(WM_LBUTTONDOWN, 10, 2, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 10, 2 - 5000, MK_LBUTTON);
  Send(WM_LBUTTONUP, 10, 2 - 5000);
  RECT r;
  GetWindowRect(left, &r);
  EXPECT_EQ(r.bottom - r.top, 1);
  EXPECT_EQ(r.right - r.left, kWidth);
  EXPECT_EQ(lastPos, 1);
  SendMessageA(panel.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel.Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZENS));
}

TEST_F(DragWine, DestroyingThePanelMidDragGivesEverythingBack) {
  auto extra = std::make_unique<TDragPanel>();
  ASSERT_TRUE(extra->Create(parent, 400, 0, kSplit, kUpper));
  SendMessageA(extra->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(2, 10));
  EXPECT_EQ(GetCapture(), extra->Handle());
  const COLORREF before = Pixel(300, 100);
  extra.reset();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Pixel(300, 100), before);
  // The parent's DC is usable as before: nothing left in inverting mode.
  HDC dc = GetDC(parent);
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  ReleaseDC(parent, dc);
}

}  // namespace
