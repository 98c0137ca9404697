// The program's windows as another program reads them: the main window's controls by their ids,
// the status bar's panels, the radio items, the context menus' check marks, and the progress
// dialog and the error window with its lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "platform/win32/win.h"

namespace mv::testing {

inline HWND MainControl(HWND main, int id) {
  if (id == kIdSubChek)
    return GetDlgItem(GetDlgItem(main, kIdStatus), kIdSubChek);  // inside panel 6
  return GetDlgItem(main, id);
}
inline HWND MainTree(HWND main) { return GetDlgItem(main, kIdTree); }
inline HWND MainList(HWND main) { return GetDlgItem(main, kIdList); }
inline HWND MainStatus(HWND main) { return GetDlgItem(main, kIdStatus); }
inline HWND MainSplitter(HWND main) { return FindWindowExA(main, nullptr, "MvDragPanel", nullptr); }
// A radio group's box sits at its first item's id less one.
inline HWND GroupItem(HWND main, int group, int item) { return GetDlgItem(main, group + item); }
inline HWND GroupBox(HWND main, int group) { return GetDlgItem(main, group - 1); }
inline int GroupIndex(HWND main, int group) {
  for (int i = 0; HWND item = GroupItem(main, group, i); ++i)
    if (SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
  return -1;
}
inline std::string PanelText(HWND main, int panel) {
  char text[1024] = {};
  SendMessageA(MainStatus(main), SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text));
  return text;
}
inline std::string TreeItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = {};
  TVITEMA it{TVIF_TEXT, item, 0, 0, text, sizeof text, 0, 0, 0, 0};
  if (item) TreeView_GetItem(tree, &it);
  return text;
}
// The texts of one column of the file list, row by row.
inline std::vector<std::string> ListRows(HWND main, int column = 0) {
  std::vector<std::string> rows;
  HWND list = MainList(main);
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    char text[MAX_PATH] = {};
    ListView_GetItemText(list, i, column, text, sizeof text);
    rows.push_back(text);
  }
  return rows;
}
inline void MainCommand(HWND main, UINT id) {
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// The commands checked in the context menu a control opens on Shift+F10 (WM_CONTEXTMENU with no
// position), submenus included, read while it is open and closed with Escape; none if none opened.
inline std::optional<std::vector<UINT>> g_menuChecks;  // the timer below has no context
inline void CheckedCommands(HMENU menu, std::vector<UINT>& out) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (HMENU sub = GetSubMenu(menu, i))
      CheckedCommands(sub, out);
    else if (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED)
      out.push_back(GetMenuItemID(menu, i));
}
inline void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (g_menuChecks || !popup || !IsWindowVisible(popup)) return;
  CheckedCommands(reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)),
                  g_menuChecks.emplace());
  PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
}
inline std::optional<std::vector<UINT>> ContextMenuChecks(HWND control) {
  g_menuChecks.reset();
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &ReadOpenMenu);
  SendMessageA(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(-1, -1));
  KillTimer(nullptr, timer);
  return g_menuChecks;
}

struct FoundWindow {
  const char* cls;
  HWND found;
};
inline BOOL CALLBACK FindProgramWindow(HWND w, LPARAM lp) {
  auto& f = *reinterpret_cast<FoundWindow*>(lp);
  char name[32] = {};
  GetClassNameA(w, name, sizeof name);
  if (lstrcmpA(name, f.cls) != 0) return TRUE;
  f.found = w;
  return FALSE;
}
// The program's window of this class on this thread: "TForm2" the progress dialog, "TForm3" the
// error window.
inline HWND ProgramWindow(const char* cls) {
  FoundWindow f{cls, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &FindProgramWindow, reinterpret_cast<LPARAM>(&f));
  return f.found;
}
inline HWND ErrorListBox() {
  return FindWindowExA(ProgramWindow("TForm3"), nullptr, "LISTBOX", nullptr);
}
// The lines the error window shows.
inline std::vector<std::string> ErrorLines() {
  std::vector<std::string> lines;
  HWND box = ErrorListBox();
  const int n = box ? static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0)) : 0;
  for (int i = 0; i < n; ++i) {
    std::string line(static_cast<size_t>(SendMessageA(box, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    line.resize(static_cast<size_t>(
        SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
    lines.push_back(line);
  }
  return lines;
}

}  // namespace mv::testing
