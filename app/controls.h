// The thin control layer the windows are built from: radio groups, glyph buttons, check boxes,
// popup menus with shortcuts, and the application's message boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"

namespace mv::ui {

// Creates a child control with the given font; id is its control id.
HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y,
                 int w, int h, HFONT font, DWORD exStyle = 0);

// A group box holding radio buttons stacked in one column; ItemIndex is the checked item.
class RadioGroup {
 public:
  void Create(HWND parent, const char* caption, const std::vector<std::string>& items, int firstId,
              int x, int y, int w, int h, HFONT font, int itemIndex);
  int ItemIndex() const;
  void SetItemIndex(int index);
  HWND Box() const { return box_; }
  HWND Item(int i) const {
    return i >= 0 && i < static_cast<int>(items_.size()) ? items_[i] : nullptr;
  }
  bool Owns(int id) const {
    return id >= firstId_ && id < firstId_ + static_cast<int>(items_.size());
  }
  // Only the chosen item is a tab stop, so Tab enters the group at its choice; call after a click.
  void SyncTabStop();

 private:
  HWND box_ = nullptr;
  std::vector<HWND> items_;
  int firstId_ = 0;
};

// Which picture a glyph button carries.
enum class Glyph { Copy, Change, Archive };

// A push button drawn by its owner with a small glyph beside the caption; disabled buttons show
// the glyph's disabled image. The glyph is drawn at the window's density.
class BitBtn {
 public:
  void Create(HWND parent, const char* caption, Glyph glyph, int id, int x, int y, int w, int h,
              HFONT font, DpiScale scale = DpiScale{});
  HWND Handle() const { return wnd_; }
  // WM_DRAWITEM for this button.
  void Draw(const DRAWITEMSTRUCT& dis) const;

 private:
  HWND wnd_ = nullptr;
  Glyph glyph_ = Glyph::Copy;
  HFONT font_ = nullptr;
  DpiScale scale_;
};

// A popup menu item with its shortcut (virtual key plus Ctrl/Shift); the shortcut acts only while
// the item is enabled.
struct Shortcut {
  UINT command;
  UINT key;
  bool ctrl;
  bool shift;
};
// The command of the shortcut that this key press names, or 0; only enabled items count.
UINT MatchShortcut(HMENU menu, const std::vector<Shortcut>& shortcuts, UINT key, bool ctrl,
                   bool shift);

class PopupMenu {
 public:
  PopupMenu() : menu_(CreatePopupMenu()) {}
  ~PopupMenu() {
    if (menu_) DestroyMenu(menu_);
  }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  HMENU Handle() const { return menu_; }
  void Add(UINT id, const std::string& caption, const std::string& shortcutText = {});
  void AddSeparator();
  void AddSubmenu(const std::string& caption,
                  HMENU sub);  // the sub menu becomes owned by this menu
  void Enable(UINT id, bool enable);
  void Check(UINT id, bool check);
  bool Checked(UINT id) const;
  bool Enabled(UINT id) const;
  // Shows the menu at a screen point; the chosen command arrives as WM_COMMAND.
  void Popup(HWND owner, POINT screen) const;

 private:
  HMENU menu_;
};

// The keyboard of a window that is not a dialog, as a dialog has it: Tab and Shift+Tab move
// through the tab stops in creation order (an edit field reached this way has its text selected),
// the arrow keys move within a radio group and choose the item reached, Enter presses a focused
// push button. Space is the buttons' own. True when the message was used up.
bool NavigateKey(HWND form, const MSG& msg);

// Ctrl+A selects the whole text of every edit field of the calling thread, the ones in modal
// dialogs included. Once per thread; the hook lives as long as the thread.
void InstallEditSelectAll();

inline constexpr char kAppTitle[] = "Morvane";

}  // namespace mv::ui
