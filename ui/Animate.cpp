#include "ui/Animate.h"

namespace mv {

namespace {

constexpr DWORD kStyleCentre = 1;       // ACS_CENTER
constexpr DWORD kStyleTransparent = 2;  // ACS_TRANSPARENT
constexpr DWORD kStyleAutoPlay = 4;     // ACS_AUTOPLAY

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_ANIMATE_CLASS};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

}  // namespace

TAnimate::TAnimate(HWND parent, int id) : parent_(parent), id_(id) {}

TAnimate::~TAnimate() { DestroyWnd(); }

void TAnimate::DestroyWnd() {
  if (wnd_) {
    HWND wnd = wnd_;
    wnd_ = nullptr;
    DestroyWindow(wnd);
  }
}

void TAnimate::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (wnd_) MoveWindow(wnd_, left, top, width, height, TRUE);
}

void TAnimate::HandleNeeded() {
  if (!wnd_) CreateWnd();
}

void TAnimate::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (wnd_) EnableWindow(wnd_, enabled);
}

void TAnimate::SetVisible(bool visible) {
  visible_ = visible;
  if (wnd_) ShowWindow(wnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void TAnimate::SetAviFile(const std::string& file) {
  aviFile_ = file;
  aviResId_ = 0;
  OpenFileClip();
}

void TAnimate::SetAviResId(int32_t id) {
  aviResId_ = id;
  aviFile_.clear();
  OpenResClip();
}

void TAnimate::SetwFrom(int16_t frame) {
  wFrom_ = frame;
  PlayClip();
}

void TAnimate::SetwTo(int16_t frame) {
  wTo_ = frame;
  PlayClip();
}

void TAnimate::SetcRepeate(int32_t count) {
  cRepeate_ = count;
  PlayClip();
}

void TAnimate::SetwFrame(int16_t frame) {
  wFrame_ = frame;
  PlayClip();
}

void TAnimate::SetAutoPlay(bool on) {
  if (on == autoPlay_) return;
  autoPlay_ = on;
  RecreateWnd();
}

void TAnimate::SetCenter(bool on) {
  if (on == center_) return;
  center_ = on;
  RecreateWnd();
}

void TAnimate::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  RecreateWnd();
}

void TAnimate::CreateParams(AnimateParams& params) const {
  InitCommonControlsOnce();
  // What any child control gets, then the animation control's own bits.
  params.style = WS_CHILD | WS_CLIPSIBLINGS;
  if (visible_) params.style |= WS_VISIBLE;
  if (!enabled_) params.style |= WS_DISABLED;
  params.exStyle = 0;
  params.left = left_;
  params.top = top_;
  params.width = width_;
  params.height = height_;
  params.className = "SysAnimate32";
  if (autoPlay_) params.style |= kStyleAutoPlay;
  if (center_) params.style |= kStyleCentre;
  if (transparent_) params.style |= kStyleTransparent;
}

void TAnimate::CreateWnd() {
  AnimateParams params;
  CreateParams(params);
  // The module given here is where the control looks for resource clips: the program itself.
  wnd_ = CreateWindowExA(params.exStyle, params.className.c_str(), "", params.style, params.left,
                         params.top, params.width, params.height, parent_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                         GetModuleHandleA(nullptr), nullptr);
  if (wnd_) OpenFileClip();
}

void TAnimate::RecreateWnd() {
  if (!wnd_) return;
  DestroyWnd();
  CreateWnd();
}

void TAnimate::CloseClip() {
  if (wnd_) SendMessageA(wnd_, kAcmOpenA, 0, 0);
}

void TAnimate::PlayClip() {
  if (!opened_ || !wnd_) return;
  const LPARAM frames = MAKELONG(static_cast<WORD>(wFrom_), static_cast<WORD>(wTo_));
  SendMessageA(wnd_, kAcmPlay, static_cast<WPARAM>(static_cast<uint32_t>(cRepeate_)), frames);
}

void TAnimate::OpenFileClip() {
  if (!wnd_) {
    // Creating the window runs this step itself.
    HandleNeeded();
    return;
  }
  if ((!autoPlay_ && opened_) || aviFile_.empty()) {
    CloseClip();
    InvalidateRect(wnd_, nullptr, TRUE);
    return;
  }
  if (!SendMessageA(wnd_, kAcmOpenA, 0, reinterpret_cast<LPARAM>(aviFile_.c_str())))
    throw EAnimateError(aviFile_ + " ファイルを開けません");
  opened_ = true;
  PlayClip();
}

void TAnimate::OpenResClip() {
  if (!autoPlay_ && opened_) return;
  if (aviResId_ == 0) return;
  HandleNeeded();
  if (!wnd_) return;
  if (SendMessageA(wnd_, kAcmOpenA, 0, static_cast<LPARAM>(aviResId_))) {
    opened_ = true;
    PlayClip();
  } else {
    CloseClip();
    InvalidateRect(wnd_, nullptr, TRUE);
  }
}

}  // namespace mv
