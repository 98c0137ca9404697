// The date field: an EDIT control whose text follows a DateMask; only digits at digit positions
// can be typed, separators stay in place and untyped positions show the mask's blank character.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ops/attrib/date_time.h"
#include "ops/attrib/mask.h"
#include "platform/win32/window.h"

namespace mv::win {

class MaskEdit {
 public:
  explicit MaskEdit(LocaleDates locale = {}, std::string_view maskText = kInitialDateMask);
  ~MaskEdit();
  MaskEdit(const MaskEdit&) = delete;
  MaskEdit& operator=(const MaskEdit&) = delete;

  // Creates the control as a child of `parent`, with the control id `id`; destroyed with this.
  bool Create(HWND parent, int id, int x, int y, int width, int height);
  // Takes over an EDIT control the caller made and keeps; let go again by the destructor.
  bool Attach(HWND edit);
  HWND Handle() const { return wnd_; }

  // Re-lays the typed digits into the new layout and limits the length to its positions.
  void SetMask(std::string_view maskText);
  const std::string& MaskText() const { return mask_.MaskText(); }
  const DateMask& Model() const { return mask_; }

  // The text as read: separators in place, a blank for every untyped position. WM_GETTEXT and
  // GetWindowTextA return the same.
  std::string Text() const;
  // What the control itself holds and draws ("_" for untyped positions).
  std::string ShownText() const;
  // The control's width that shows the whole text of any of the menu's layouts, typed or blank,
  // with the caret after it, in the control's font: narrower, the control scrolls its first
  // positions out of view. 0 without a control.
  int WholeTextWidth() const;

  // Right-click (or the menu key) shows this menu; its commands go to `commandTarget`, or to the
  // parent window when that is null. The menu stays the caller's.
  void SetContextMenu(HMENU menu, HWND commandTarget = nullptr);
  // Called once the focus has moved from the control to another control of the same window,
  // after the focus change has completed.
  void SetOnExit(std::function<void()> onExit) { onExit_ = std::move(onExit); }

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT CallOriginal(UINT msg, WPARAM wp, LPARAM lp) const;

  void SyncCaretFromControl();
  bool ClearSelection();  // untypes the selected range; false when nothing is selected
  void KeyDown(WPARAM key, LPARAM lp);
  void Char(WPARAM ch);
  void Paste();
  void CopySelection();
  void ShowContextMenu(LPARAM lp);
  void Refresh();  // puts the model's display text and caret into the control

  LocaleDates locale_;
  DateMask mask_;
  HWND wnd_ = nullptr;
  HMENU menu_ = nullptr;
  HWND commandTarget_ = nullptr;
  std::function<void()> onExit_;
  bool refreshing_ = false;
  bool owned_ = false;
  Subclass hook_;  // last: it lets go of the control before anything it calls goes
};

}  // namespace mv::win
