// TAnimate: a child window over the common animation control, playing a silent AVI clip from a
// file or from the program's resources.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/win32/win.h"

namespace mv {

// Raised when a clip file cannot be opened; the text is "<file> ファイルを開けません".
class EAnimateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr UINT kAcmOpenA = 0x464;  // ACM_OPENA
inline constexpr UINT kAcmPlay = 0x465;   // ACM_PLAY

// Window-creation parameters, filled by CreateParams before the window is made.
struct AnimateParams {
  std::string className;
  DWORD style = 0;
  DWORD exStyle = 0;
  int left = 0, top = 0, width = 0, height = 0;
};

class TAnimate {
 public:
  // The control lives on parent; its window is made when first needed (a clip or HandleNeeded).
  explicit TAnimate(HWND parent, int id = 0);
  ~TAnimate();
  TAnimate(const TAnimate&) = delete;
  TAnimate& operator=(const TAnimate&) = delete;

  void SetBounds(int left, int top, int width, int height);
  HWND Handle() const { return wnd_; }
  bool HandleAllocated() const { return wnd_ != nullptr; }
  void HandleNeeded();
  // Forgets a window that was destroyed with its parent.
  void Release() { wnd_ = nullptr; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  const std::string& AviFile() const { return aviFile_; }
  void SetAviFile(const std::string& file);  // may throw EAnimateError
  int32_t AviResId() const { return aviResId_; }
  void SetAviResId(int32_t id);
  int16_t wFrom() const { return wFrom_; }
  void SetwFrom(int16_t frame);
  int16_t wTo() const { return wTo_; }
  void SetwTo(int16_t frame);
  int32_t cRepeate() const { return cRepeate_; }
  void SetcRepeate(int32_t count);
  int16_t wFrame() const { return wFrame_; }
  void SetwFrame(int16_t frame);
  bool AutoPlay() const { return autoPlay_; }
  void SetAutoPlay(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);

  // The creation steps, public so a test can read what the window gets.
  void CreateParams(AnimateParams& params) const;
  void CreateWnd();  // may throw EAnimateError (a file clip that no longer opens)

  void CloseClip();
  void PlayClip();
  void OpenFileClip();  // may throw EAnimateError
  void OpenResClip();

 private:
  void RecreateWnd();
  void DestroyWnd();

  HWND parent_;
  int id_;
  HWND wnd_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 64, height_ = 32;
  bool enabled_ = true;
  bool visible_ = true;

  int16_t wFrom_ = 0;
  int16_t wTo_ = -1;       // -1: the clip's last frame
  int32_t cRepeate_ = -1;  // -1: without end
  int16_t wFrame_ = 1;     // stored only
  bool opened_ = false;    // a clip opened once; never cleared
  std::string aviFile_;
  int32_t aviResId_ = 0;
  bool autoPlay_ = true;
  bool center_ = false;
  bool transparent_ = true;
};

}  // namespace mv
