#include "app/controls.h"

#include <algorithm>

namespace mv::ui {

HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y,
                 int w, int h, HFONT font, DWORD exStyle) {
  HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  HWND wnd = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  if (wnd && font) SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return wnd;
}

void RadioGroup::Create(HWND parent, const char* caption, const std::vector<std::string>& items,
                        int firstId, int x, int y, int w, int h, HFONT font, int itemIndex) {
  firstId_ = firstId;
  // The box starts a group of its own, so the items before it end their group there.
  box_ =
      CreateChild(parent, "BUTTON", caption, BS_GROUPBOX | WS_GROUP, firstId - 1, x, y, w, h, font);
  // Items stacked in one column below the caption, as a radio group lays them out.
  const int top = 14, n = static_cast<int>(items.size());
  const int step = n > 0 ? (h - top - 4) / n : 0;
  for (int i = 0; i < n; ++i) {
    DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0);
    items_.push_back(CreateChild(parent, "BUTTON", items[i].c_str(), style, firstId + i, x + 8,
                                 y + top + i * step, w - 12, std::min(step, 17), font));
  }
  SetItemIndex(itemIndex);
}

int RadioGroup::ItemIndex() const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (SendMessageA(items_[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  for (size_t i = 0; i < items_.size(); ++i)
    SendMessageA(items_[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED,
                 0);
  SyncTabStop();
}

void RadioGroup::SyncTabStop() {
  const int chosen = std::max(0, ItemIndex());
  for (size_t i = 0; i < items_.size(); ++i) {
    const LONG style = GetWindowLongA(items_[i], GWL_STYLE);
    const LONG want = static_cast<int>(i) == chosen ? style | WS_TABSTOP : style & ~WS_TABSTOP;
    if (want != style) SetWindowLongA(items_[i], GWL_STYLE, want);
  }
}

void BitBtn::Create(HWND parent, const char* caption, Glyph glyph, int id, int x, int y, int w,
                    int h, HFONT font, DpiScale scale) {
  glyph_ = glyph;
  font_ = font;
  scale_ = scale;
  wnd_ = CreateChild(parent, "BUTTON", caption, BS_OWNERDRAW | WS_TABSTOP, id, x, y, w, h, font);
}

namespace {

// Draws a glyph of 16 x 16 layout pixels with its top-left corner at (x, y); grey when disabled.
void DrawGlyph(HDC dc, Glyph glyph, int x, int y, bool enabled, DpiScale scale) {
  auto colour = [&](COLORREF c) { return enabled ? c : GetSysColor(COLOR_GRAYTEXT); };
  win::ScopedGdi pen(CreatePen(PS_SOLID, std::max(1, scale(1)), colour(RGB(0, 0, 0))));
  win::SelectGuard penGuard(dc, pen.Get());
  auto box = [&](int l, int t, int r, int b, COLORREF fill) {
    win::ScopedGdi brush(CreateSolidBrush(colour(fill)));
    win::SelectGuard g(dc, brush.Get());
    Rectangle(dc, x + scale(l), y + scale(t), x + scale(r), y + scale(b));
  };
  switch (glyph) {
    case Glyph::Copy:  // two sheets, one over the other
      box(1, 1, 10, 12, RGB(255, 255, 255));
      box(6, 4, 15, 15, RGB(255, 255, 255));
      break;
    case Glyph::Change:  // a sheet with a red mark being set
      box(2, 1, 12, 15, RGB(255, 255, 255));
      box(8, 6, 15, 13, RGB(255, 0, 0));
      break;
    case Glyph::Archive:  // a yellow box with a band
      box(1, 4, 15, 15, RGB(255, 255, 0));
      box(6, 1, 10, 15, RGB(128, 128, 0));
      break;
  }
}

}  // namespace

void BitBtn::Draw(const DRAWITEMSTRUCT& dis) const {
  HDC dc = dis.hDC;
  RECT rc = dis.rcItem;
  const bool pushed = (dis.itemState & ODS_SELECTED) != 0;
  const bool enabled = (dis.itemState & ODS_DISABLED) == 0;
  DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  char text[64] = {};
  GetWindowTextA(wnd_, text, sizeof text);
  win::SelectGuard fontGuard(dc, font_);
  SIZE extent{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
  const int side = scale_(16), gap = scale_(4), total = side + gap + extent.cx;
  const int shift = pushed ? 1 : 0;
  const int gx = rc.left + (rc.right - rc.left - total) / 2 + shift;
  const int gy = rc.top + (rc.bottom - rc.top - side) / 2 + shift;
  DrawGlyph(dc, glyph_, gx, gy, enabled, scale_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT tr{gx + side + gap, rc.top + shift, rc.right, rc.bottom + shift};
  DrawTextA(dc, text, -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (dis.itemState & ODS_FOCUS) {
    RECT fr = rc;
    InflateRect(&fr, -scale_(4), -scale_(4));
    DrawFocusRect(dc, &fr);
  }
}

bool NavigateKey(HWND form, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !form) return false;
  if (msg.hwnd != form && !IsChild(form, msg.hwnd)) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  HWND focus = GetFocus();
  if (focus && focus != form && !IsChild(form, focus)) return false;
  const UINT key = static_cast<UINT>(msg.wParam);
  MSG copy = msg;
  const LRESULT code = focus && focus != form ? SendMessageA(focus, WM_GETDLGCODE, key,
                                                             reinterpret_cast<LPARAM>(&copy))
                                              : 0;
  if (code & DLGC_WANTALLKEYS) return false;
  switch (key) {
    case VK_TAB: {
      if (code & DLGC_WANTTAB) return false;
      // A control inside another one (the check box in the status bar) counts from its holder.
      HWND from = focus == form ? nullptr : focus;
      while (from && GetParent(from) != form) from = GetParent(from);
      HWND next = GetNextDlgTabItem(form, from, GetKeyState(VK_SHIFT) < 0);
      if (!next) return true;
      SetFocus(next);
      if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(next, EM_SETSEL, 0, -1);
      return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if (!(code & DLGC_RADIOBUTTON)) return false;
      HWND next = GetNextDlgGroupItem(form, focus, key == VK_LEFT || key == VK_UP);
      if (next && next != focus) {
        SetFocus(next);
        SendMessageA(next, BM_CLICK, 0, 0);
      }
      return true;
    }
    case VK_RETURN: {
      if (!focus || focus == form) return false;
      char cls[16] = {};
      GetClassNameA(focus, cls, sizeof cls);
      const LONG type = GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK;
      if (lstrcmpiA(cls, "Button") != 0 ||
          (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_OWNERDRAW))
        return false;
      SendMessageA(focus, BM_CLICK, 0, 0);
      return true;
    }
    default:
      return false;
  }
}

namespace {

LRESULT CALLBACK SelectAllHook(int code, WPARAM wp, LPARAM lp) {
  auto* msg = reinterpret_cast<MSG*>(lp);
  if (code == HC_ACTION && wp == PM_REMOVE && msg->message == WM_KEYDOWN && msg->wParam == 'A' &&
      GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0) {
    char cls[16] = {};
    GetClassNameA(msg->hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0) {
      SendMessageA(msg->hwnd, EM_SETSEL, 0, -1);
      msg->message = WM_NULL;  // no Ctrl+A character follows
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

void InstallEditSelectAll() {
  static thread_local win::ScopedHook selectAll;
  if (!selectAll)
    selectAll.Reset(
        SetWindowsHookExA(WH_GETMESSAGE, &SelectAllHook, nullptr, GetCurrentThreadId()));
}

UINT MatchShortcut(HMENU menu, const std::vector<Shortcut>& shortcuts, UINT key, bool ctrl,
                   bool shift) {
  for (const Shortcut& s : shortcuts) {
    if (s.key != key || s.ctrl != ctrl || s.shift != shift) continue;
    UINT state = GetMenuState(menu, s.command, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) return 0;
    return s.command;
  }
  return 0;
}

void PopupMenu::Add(UINT id, const std::string& caption, const std::string& shortcutText) {
  std::string text = shortcutText.empty() ? caption : caption + "\t" + shortcutText;
  AppendMenuA(menu_, MF_STRING, id, text.c_str());
}

void PopupMenu::AddSeparator() { AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr); }

void PopupMenu::AddSubmenu(const std::string& caption, HMENU sub) {
  AppendMenuA(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), caption.c_str());
}

void PopupMenu::Enable(UINT id, bool enable) {
  EnableMenuItem(menu_, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void PopupMenu::Check(UINT id, bool check) {
  CheckMenuItem(menu_, id, MF_BYCOMMAND | (check ? MF_CHECKED : MF_UNCHECKED));
}

bool PopupMenu::Checked(UINT id) const {
  return (GetMenuState(menu_, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

bool PopupMenu::Enabled(UINT id) const {
  UINT state = GetMenuState(menu_, id, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void PopupMenu::Popup(HWND owner, POINT screen) const {
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr);
}

}  // namespace mv::ui
