// The program's windows as another program reads them: the main window's controls by their ids,
// the status bar's panels, the radio items, and the progress dialog and the error window with
// its lines.
#pragma once

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "platform/win32/win.h"

namespace mv::testing {

inline HWND MainControl(HWND main, int id) {
  if (id == kIdSubChek) return GetDlgItem(GetDlgItem(main, kIdStatus), kIdSubChek);  // inside panel 6
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
inline void MainCommand(HWND main, UINT id) { SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

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
inline HWND ErrorListBox() { return FindWindowExA(ProgramWindow("TForm3"), nullptr, "LISTBOX", nullptr); }
// The lines the error window shows.
inline std::vector<std::string> ErrorLines() {
  std::vector<std::string> lines;
  HWND box = ErrorListBox();
  const int n = box ? static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0)) : 0;
  for (int i = 0; i < n; ++i) {
    std::string line(static_cast<size_t>(SendMessageA(box, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    line.resize(static_cast<size_t>(SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
    lines.push_back(line);
  }
  return lines;
}

}  // namespace mv::testing
