// The animation control on a real window: creation style, clip opening, play requests, frames.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/win32/handles.h"
#include "ui/Animate.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

struct Sent {
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};

// Records the open and play requests a control receives, then lets the control handle them.
std::vector<Sent> g_sent;
WNDPROC g_original = nullptr;
LRESULT CALLBACK Recorder(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kAcmOpenA || msg == kAcmPlay) g_sent.push_back({msg, wp, lp});
  return CallWindowProcA(g_original, wnd, msg, wp, lp);
}
void Record(HWND wnd) {
  g_sent.clear();
  g_original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder)));
}

// The clip file as the program sees it under Wine (the Unix root is drive Z:).
std::string ClipFile() {
  std::string path = "Z:" MV_CLIP_AVI_UNIX;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class Host {
 public:
  Host() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "AnimateTestHost";
    RegisterClassA(&wc);
    wnd_ = CreateWindowExA(0, "AnimateTestHost", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                           0, 400, 200, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~Host() { DestroyWindow(wnd_); }
  HWND Get() const { return wnd_; }

 private:
  HWND wnd_;
};

// A picture of the control's pixels as they are on the screen.
std::vector<uint32_t> Capture(HWND wnd, int width, int height) {
  win::ScopedWindowDC screen(wnd, GetDC(wnd));
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::ScopedGdi dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  HDC mem = CreateCompatibleDC(screen.Get());
  std::vector<uint32_t> pixels;
  {
    win::SelectGuard keep(mem, dib.Get());
    BitBlt(mem, 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + width * height);
  }
  DeleteDC(mem);
  return pixels;
}

class AnimateWine : public ::testing::Test {
 protected:
  Host host;
};

TEST_F(AnimateWine, DefaultsGiveAutoPlayAndTransparentStyle) {
  TAnimate anim(host.Get());
  EXPECT_EQ(anim.wFrom(), 0);
  EXPECT_EQ(anim.wTo(), -1);
  EXPECT_EQ(anim.cRepeate(), -1);
  EXPECT_EQ(anim.wFrame(), 1);
  EXPECT_EQ(anim.AviResId(), 0);
  EXPECT_EQ(anim.AviFile(), "");
  AnimateParams params;
  anim.CreateParams(params);
  EXPECT_EQ(params.className, "SysAnimate32");
  EXPECT_EQ(params.style & 7u, 6u);
  EXPECT_EQ(params.width, 64);
  EXPECT_EQ(params.height, 32);

  EXPECT_FALSE(anim.HandleAllocated());
  anim.HandleNeeded();
  ASSERT_TRUE(anim.HandleAllocated());
  char cls[64] = {};
  GetClassNameA(anim.Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "SysAnimate32");
  EXPECT_EQ(GetWindowLongA(anim.Handle(), GWL_STYLE) & 7, 6);
  EXPECT_EQ(GetParent(anim.Handle()), host.Get());

  anim.SetCenter(true);  // re-creates the window with the new bit
  EXPECT_EQ(GetWindowLongA(anim.Handle(), GWL_STYLE) & 7, 7);
  anim.SetAutoPlay(false);
  anim.SetTransparent(false);
  EXPECT_EQ(GetWindowLongA(anim.Handle(), GWL_STYLE) & 7, 1);
}

TEST_F(AnimateWine, PlayRequestsWaitForAnOpenClip) {
  TAnimate anim(host.Get());
  anim.HandleNeeded();
  Record(anim.Handle());
  anim.SetwFrom(3);
  anim.SetwTo(9);
  anim.SetcRepeate(2);
  anim.SetwFrame(5);
  EXPECT_TRUE(g_sent.empty());  // nothing open: nothing sent
  EXPECT_EQ(anim.wFrame(), 5);

  anim.SetAviResId(999);  // no such resource: closed quietly
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].lp, 999);
  EXPECT_EQ(g_sent[1].msg, kAcmOpenA);
  EXPECT_EQ(g_sent[1].lp, 0);

  g_sent.clear();
  anim.SetAviResId(161);
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].msg, kAcmOpenA);
  EXPECT_EQ(g_sent[0].lp, 161);
  EXPECT_EQ(g_sent[1].msg, kAcmPlay);
  EXPECT_EQ(g_sent[1].wp, 2u);
  EXPECT_EQ(g_sent[1].lp, MAKELONG(3, 9));

  // Once open, every assignment restarts play with the current range.
  g_sent.clear();
  anim.SetwTo(-1);
  anim.SetcRepeate(-1);
  anim.SetwFrom(0);
  anim.SetwFrame(7);
  ASSERT_EQ(g_sent.size(), 4u);
  for (const Sent& s : g_sent) EXPECT_EQ(s.msg, kAcmPlay);
  EXPECT_EQ(g_sent[0].lp, MAKELONG(3, 0xFFFF));
  EXPECT_EQ(g_sent[3].wp, 0xFFFFFFFFu);
  EXPECT_EQ(g_sent[3].lp, MAKELONG(0, 0xFFFF));
}

TEST_F(AnimateWine, ResourceClipPlaysOnTheDialogBackground) {
  TAnimate anim(host.Get());
  anim.SetBounds(24, 0, 272, 60);
  anim.SetAviResId(161);  // makes the window itself
  ASSERT_TRUE(anim.HandleAllocated());
  UpdateWindow(anim.Handle());
  std::vector<uint32_t> first;
  ASSERT_TRUE(PumpUntil(
      [&] {
        first = Capture(anim.Handle(), 272, 60);
        for (uint32_t p : first)
          if ((p & 0xFFFFFF) != (first[0] & 0xFFFFFF)) return true;  // something drawn
        return false;
      },
      5000));
  // The magenta background gives way to the window's own colour.
  const uint32_t face = GetSysColor(COLOR_BTNFACE);
  const uint32_t faceBgr = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
  EXPECT_EQ(first[0] & 0xFFFFFF, faceBgr);
  EXPECT_NE(first[0] & 0xFFFFFF, 0xFF00FFu);
  // Frames advance on their own.
  EXPECT_TRUE(PumpUntil([&] { return Capture(anim.Handle(), 272, 60) != first; }, 5000));
}

TEST_F(AnimateWine, FileClipAndResourceClipReplaceEachOther) {
  TAnimate anim(host.Get());
  anim.SetAviResId(161);
  Record(anim.Handle());
  anim.SetAviFile(ClipFile());
  EXPECT_EQ(anim.AviResId(), 0);
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_STREQ(reinterpret_cast<const char*>(g_sent[0].lp), ClipFile().c_str());
  EXPECT_EQ(g_sent[1].msg, kAcmPlay);

  anim.SetAviResId(161);
  EXPECT_EQ(anim.AviFile(), "");

  const std::string missing = "C:\\no such folder\\表ソ.avi";
  try {
    anim.SetAviFile(missing);
    FAIL() << "no error raised";
  } catch (const EAnimateError& e) {
    EXPECT_EQ(std::string(e.what()), missing + " ファイルを開けません");
  }
  // Still open from before: play requests go on.
  g_sent.clear();
  anim.SetwFrom(1);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].msg, kAcmPlay);

  // Re-creating the window reopens a file clip.
  anim.SetAviFile(ClipFile());
  anim.SetCenter(true);
  Record(anim.Handle());
  anim.SetwFrom(0);
  EXPECT_EQ(g_sent.size(), 1u);
}

TEST_F(AnimateWine, WithoutAutoPlayLaterClipsAreRefused) {
  TAnimate anim(host.Get());
  anim.SetAutoPlay(false);  // no window yet: only stored
  EXPECT_FALSE(anim.HandleAllocated());
  anim.SetAviResId(161);
  ASSERT_TRUE(anim.HandleAllocated());
  EXPECT_EQ(GetWindowLongA(anim.Handle(), GWL_STYLE) & 7, 2);
  Record(anim.Handle());
  anim.SetAviResId(161);
  EXPECT_TRUE(g_sent.empty());
  anim.SetAviFile(ClipFile());  // closes instead of opening
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].msg, kAcmOpenA);
  EXPECT_EQ(g_sent[0].lp, 0);
}

}  // namespace
