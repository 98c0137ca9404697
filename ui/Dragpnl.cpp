// TDragPanel: the splitter's window, its band drawing and its drag states.
#include "ui/Dragpnl.h"

#include "platform/win32/handles.h"

namespace mv {

namespace {

constexpr const char* kClassName = "MvDragPanel";

bool RegisterPanelClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &win::Window::Proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

void FillBar(HDC dc, int x, int y, int w, int h, COLORREF color) {
  win::ScopedGdi brush(CreateSolidBrush(color));
  RECT r = {x, y, x + w, y + h};
  if (brush) FillRect(dc, &r, static_cast<HBRUSH>(brush.Get()));
}

// One bevel ring of `width` pixels: light on the top and left, dark on the bottom and right.
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width) {
  for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    FillBar(dc, r.left, r.top, w, 1, topLeft);
    FillBar(dc, r.left, r.top, 1, h, topLeft);
    FillBar(dc, r.left, r.bottom - 1, w, 1, bottomRight);
    FillBar(dc, r.right - 1, r.top, 1, h, bottomRight);
    InflateRect(&r, -1, -1);
  }
}

void DrawBevel(HDC dc, RECT& r, Bevel bevel, int width) {
  if (bevel == Bevel::None) return;
  COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  if (bevel == Bevel::Raised)
    Frame3D(dc, r, light, dark, width);
  else
    Frame3D(dc, r, dark, light, width);
}

}  // namespace

// The parent's DC for the drag with a 1-pixel pen selected and R2_NOT set, so each band line
// inverts what is under it and drawing it twice restores it. Everything is put back on the way out.
class TDragPanel::BandPainter {
 public:
  explicit BandPainter(HWND parent)
      : parent_(parent),
        dc_(GetDCEx(parent, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE)) {
    if (!dc_) return;
    pen_.Reset(CreatePen(PS_SOLID, 1, 7));
    if (pen_) oldPen_ = SelectObject(dc_, pen_.Get());
    oldRop_ = GetROP2(dc_);
    SetROP2(dc_, R2_NOT);
  }
  ~BandPainter() {
    if (!dc_) return;
    if (oldRop_) SetROP2(dc_, oldRop_);
    if (oldPen_) SelectObject(dc_, oldPen_);
    ReleaseDC(parent_, dc_);
    // pen_ is deleted after this body, when it is no longer selected anywhere
  }
  BandPainter(const BandPainter&) = delete;
  BandPainter& operator=(const BandPainter&) = delete;

  void Line(int x0, int y0, int x1, int y1) {
    if (!dc_ || !pen_) return;
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
  }

 private:
  HWND parent_;
  HDC dc_;
  win::ScopedGdi pen_;
  HGDIOBJ oldPen_ = nullptr;
  int oldRop_ = 0;
};

TDragPanel::TDragPanel() = default;

TDragPanel::~TDragPanel() {
  if (wnd_) DestroyWindow(wnd_);  // WM_NCDESTROY ends a drag and unhooks the resized control
  Unhook();
}

bool TDragPanel::Create(HWND parent, int x, int y, int width, int height, int id) {
  if (wnd_ || !parent) return false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterPanelClass(instance)) return false;
  // WM_NCCREATE binds the window to this object and sets wnd_.
  if (!MakeWindow(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width, height,
                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance))
    return false;
  EnableWindow(wnd_, enabled_);
  InvalidateRect(wnd_, nullptr, TRUE);
  return true;
}

void TDragPanel::SetKind(Tkind kind) { kind_ = kind; }

COLORREF TDragPanel::Color() const { return hasColor_ ? color_ : GetSysColor(COLOR_BTNFACE); }

void TDragPanel::SetColor(COLORREF color) {
  color_ = color;
  hasColor_ = true;
  if (wnd_) InvalidateRect(wnd_, nullptr, TRUE);
}

void TDragPanel::SetBevelInner(Bevel b) {
  bevelInner_ = b;
  if (wnd_) InvalidateRect(wnd_, nullptr, TRUE);
}

void TDragPanel::SetBevelOuter(Bevel b) {
  bevelOuter_ = b;
  if (wnd_) InvalidateRect(wnd_, nullptr, TRUE);
}

void TDragPanel::SetBevelWidth(int w) {
  bevelWidth_ = w;
  if (wnd_) InvalidateRect(wnd_, nullptr, TRUE);
}

bool TDragPanel::Enabled() const { return wnd_ ? IsWindowEnabled(wnd_) != FALSE : enabled_; }

void TDragPanel::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (wnd_) EnableWindow(wnd_, enabled);
}

void TDragPanel::SetLineWidth(int32_t w) { lineWidth_ = w; }

HWND TDragPanel::ReSizeCtrl() const {
  // A destroyed window's handle may already name another window; the hook clears it first, and
  // IsWindow catches a control that lives in another thread's reach.
  return resizeCtrl_ && IsWindow(resizeCtrl_) ? resizeCtrl_ : nullptr;
}

void TDragPanel::SetReSizeCtrl(HWND ctrl) {
  if (ctrl == resizeCtrl_) return;
  Unhook();
  if (ctrl && !IsWindow(ctrl)) ctrl = nullptr;
  resizeCtrl_ = ctrl;
  if (resizeCtrl_)
    resizeHook_.Attach(resizeCtrl_, [this](UINT msg, WPARAM wp, LPARAM lp) {
      return ResizeCtrlMessage(msg, wp, lp);
    });
}

void TDragPanel::Unhook() {
  resizeHook_.Detach();
  resizeCtrl_ = nullptr;
}

LRESULT TDragPanel::ResizeCtrlMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // The handle may soon name another window: forget it before anything else can see it.
  if (msg == WM_NCDESTROY) resizeCtrl_ = nullptr;
  return resizeHook_.CallNext(msg, wp, lp);
}

void TDragPanel::NotifyEndDrag(int32_t pos, int32_t cg) {
  if (OnEndDrag) OnEndDrag(*this, pos, cg);
}

void TDragPanel::NotifyStartDrag(TDragPanel& sender) {
  if (OnStartDrag) OnStartDrag(sender);
}

void TDragPanel::NotifySizing(TDragPanel& sender) {
  if (OnSizing) OnSizing(sender);
}

LRESULT TDragPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // Pointer coordinates are signed: under the capture they go negative left of or above the panel.
  const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  switch (msg) {
    case WM_LBUTTONDOWN:
      MouseDown();
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(x, y);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      MouseUp();
      return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != wnd_) CaptureLost();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, kind_ == Tkind::Level ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills everything
    case WM_PAINT:
      Paint();
      return 0;
    case WM_NCDESTROY:
      CaptureLost();
      Unhook();
      break;
  }
  return DefWindowProcA(wnd_, msg, wp, lp);
}

RECT TDragPanel::RectInParent() const {
  RECT r = {};
  GetWindowRect(wnd_, &r);
  MapWindowPoints(nullptr, GetParent(wnd_), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int32_t TDragPanel::Leading() const {
  RECT r = RectInParent();
  return kind_ == Tkind::Level ? r.left : r.top;
}

int32_t TDragPanel::ParentExtent() const {
  RECT r = {};
  GetClientRect(GetParent(wnd_), &r);
  return kind_ == Tkind::Level ? r.right : r.bottom;
}

void TDragPanel::DrawBand(int32_t p) {
  if (!painter_) return;
  RECT r = RectInParent();
  LineRange lines = BandLines(p, lineWidth_, ParentExtent());
  for (int32_t c = lines.first; c < lines.end; ++c) {
    if (kind_ == Tkind::Level)
      painter_->Line(c, r.top, c, r.bottom);
    else
      painter_->Line(r.left, c, r.right, c);
  }
}

void TDragPanel::MouseDown() {
  if (dragging_) return;  // a second press while the first is held would take a second DC
  NotifyStartDrag(*this);
  if (!wnd_) return;  // the handler may have destroyed the panel
  dragging_ = true;
  painter_ = std::make_unique<BandPainter>(GetParent(wnd_));
  RECT r = RectInParent();
  BandStart start = kind_ == Tkind::Level ? StartBand(r.left, r.right - r.left)
                                          : StartBand(r.top, r.bottom - r.top);
  half_ = start.half;
  pos_ = start.pos;
  DrawBand(pos_);
  SetCapture(wnd_);
}

void TDragPanel::MouseMove(int x, int y) {
  if (!dragging_) return;
  NotifySizing(*this);
  if (!dragging_) return;
  DrawBand(pos_);  // erase
  pos_ = ClampBand(kind_ == Tkind::Level ? x : y, Leading(), half_, TopMgn, EndMgn, ParentExtent());
  DrawBand(pos_);
}

void TDragPanel::MouseUp() {
  if (!dragging_) return;
  dragging_ = false;
  DrawBand(pos_);  // erase
  painter_.reset();
  if (GetCapture() == wnd_) ReleaseCapture();

  if (HWND ctrl = ReSizeCtrl()) {
    RECT c = {};
    GetWindowRect(ctrl, &c);
    MapWindowPoints(nullptr, GetParent(ctrl), reinterpret_cast<POINT*>(&c), 2);
    if (kind_ == Tkind::Level)
      SetWindowPos(ctrl, nullptr, 0, 0, ResizedExtent(pos_, half_, c.left), c.bottom - c.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    else
      SetWindowPos(ctrl, nullptr, 0, 0, c.right - c.left, ResizedExtent(pos_, half_, c.top),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!wnd_) return;
  EndFigures f = EndDragFigures(pos_, half_, Leading());
  NotifyEndDrag(f.pos, f.cg);
}

// The capture was taken away (another window, a menu, the panel's end) before any release: give
// back the drawing resources and leave the sizes alone.
void TDragPanel::CaptureLost() {
  if (!dragging_) return;
  dragging_ = false;
  DrawBand(pos_);
  painter_.reset();
}

void TDragPanel::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd_, &ps);
  if (!dc) return;
  RECT r = {};
  GetClientRect(wnd_, &r);
  FillBar(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, Color());
  DrawBevel(dc, r, bevelOuter_, bevelWidth_);
  DrawBevel(dc, r, bevelInner_, bevelWidth_);
  EndPaint(wnd_, &ps);
}

}  // namespace mv
