// Support for the tests that drive the whole main window: a probe run as another process, the
// native lhasa, and the answers to every modal window the program opens.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/Unit1.h"
#include "ops/copy/win32/folder_chooser.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win32.h"
#include "shell_support.h"
#include "main_view.h"
#include "wine_support.h"

namespace mv::testing {

// This test program doubles as the reader of another process: started with
// "--mv-probe|path|path...", it prints "attributes|local last-write" per path and exits.
inline const bool g_probeMode = [] {
  const std::string cmd = GetCommandLineA();
  const size_t at = cmd.find("--mv-probe|");
  if (at == std::string::npos) return false;
  std::string rest = cmd.substr(at + 11), out;
  size_t from = 0;
  while (from <= rest.size()) {
    size_t bar = rest.find('|', from);
    if (bar == std::string::npos) bar = rest.size();
    const std::string path = rest.substr(from, bar - from);
    from = bar + 1;
    if (path.empty()) continue;
    char line[64] = "-";
    WIN32_FIND_DATAA fd;
    if (win::ScopedFind(FindFirstFileA(path.c_str(), &fd))) {
      FILETIME local;
      SYSTEMTIME st;
      FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local);
      FileTimeToSystemTime(&local, &st);
      wsprintfA(line, "%02x|%04d/%02d/%02d %02d:%02d:%02d",
                static_cast<unsigned>(GetFileAttributesA(path.c_str())), st.wYear, st.wMonth,
                st.wDay, st.wHour, st.wMinute, st.wSecond);
    }
    out += line;
    out += "\n";
  }
  DWORD written = 0;
  ::WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
              nullptr);
  ExitProcess(0);
}();

inline std::string ThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Runs a Windows program with its output captured; returns the output.
inline std::string RunCaptured(const std::string& program, const std::string& commandLine) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "(no pipe)";
  win::ScopedFile read(readEnd), write(writeEnd);
  SetHandleInformation(read.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write.Get();
  si.hStdError = write.Get();
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  const BOOL started = CreateProcessA(program.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &si, &pi);
  write.Reset();  // the child holds its own copy; the read below ends when it exits
  if (!started) return "(not started)";
  win::ScopedFile process(pi.hProcess), thread(pi.hThread);
  std::string out;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(read.Get(), buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
  WaitForSingleObject(process.Get(), 20000);
  return out;
}

// "attributes|yyyy/mm/dd hh:mm:ss" of each path as another process reads it, "-" when missing.
inline std::vector<std::string> Probe(const std::vector<std::string>& paths) {
  std::string cmd = "\"";
  cmd += ThisProgram();
  cmd += "\" --mv-probe";
  for (const std::string& p : paths) {
    cmd += '|';
    cmd += p;
  }
  std::istringstream in(RunCaptured(ThisProgram(), cmd));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::wstring FromUtf8(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                      static_cast<int>(utf8.size()), wide.data(),
                                                      static_cast<int>(wide.size()))));
  return wide;
}
inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void SetLastWrite(const std::string& path, WORD year, WORD month, WORD day, WORD hour) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wHour = hour;
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  win::ScopedFile h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  SetFileTime(h.Get(), nullptr, nullptr, &utc);
}
inline FILETIME LastWrite(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d);
  return d.ftLastWriteTime;
}

// Every file below a folder as "relative\\path=contents", sorted.
inline void ListFiles(const std::string& root, const std::string& rel,
                      std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  win::ScopedFind f(FindFirstFileA((root + (rel.empty() ? "" : "\\" + rel) + "\\*").c_str(), &fd));
  if (!f) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const std::string sub = rel.empty() ? name : rel + "\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(root, sub, out);
    else
      out.push_back(sub + "=" + ReadAll(root + "\\" + sub));
  } while (FindNextFileA(f.Get(), &fd));
  std::sort(out.begin(), out.end());
}
inline std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> out;
  ListFiles(root, "", out);
  std::sort(out.begin(), out.end());
  return out;
}

inline TForm1* g_form = nullptr;
inline bool FormHook(const MSG& msg) { return g_form && g_form->PreTranslate(msg); }

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::InstallPlatformText();
    archiver.Load();
    ASSERT_TRUE(archiver.Loaded()) << "UNLHA32.DLL beside the test program";
    base = tmp / "Base";
    MakeFolder(base);
  }
  void TearDown() override {
    g_messageHook = nullptr;
    g_form = nullptr;
    form.reset();
    archiver.Unload();
  }

  // The three windows made and the main one shown, with the hook in place; nothing waited for.
  void Create(std::vector<std::string> args) {
    form = std::make_unique<TForm1>(std::move(args), ini, withArchiver ? &archiver : nullptr);
    ASSERT_TRUE(form->Create(GetModuleHandleA(nullptr)));
    ASSERT_TRUE(form->CreateForm2(GetModuleHandleA(nullptr)));
    ASSERT_TRUE(form->CreateForm3(GetModuleHandleA(nullptr)));
    g_form = form.get();
    g_messageHook = &FormHook;
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
  }
  void Start(std::vector<std::string> args) {
    ASSERT_NO_FATAL_FAILURE(Create(std::move(args)));
    ASSERT_TRUE(PumpUntil([&] {
      return !PanelText(form->Handle(), 1).empty() &&
             ListView_GetItemCount(MainList(form->Handle())) > 0;
    }));
  }
  void Close() {
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindow(form->Handle()); }, 3000);
  }

  void Click(int id) { SendMessageA(MainControl(form->Handle(), id), BM_CLICK, 0, 0); }
  // Packs with the archive button into the folder Out (made if missing) under this name; returns
  // the archive's path.
  std::string PackInto(const std::string& name) {
    const std::string archive = tmp / ("Out\\" + name);
    MakeFolder(tmp / "Out");
    answers.saveNames = {archive};
    Click(kIdBitBtn3);
    return archive;
  }
  void Menu(UINT id) { SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Choose(int group, int item) {
    SendMessageA(GroupItem(form->Handle(), group, item), BM_CLICK, 0, 0);
  }
  void TypeDate(const std::string& digits) {
    HWND edit = MainControl(form->Handle(), kIdAgeEdit);
    SetFocus(edit);
    SendMessageA(edit, WM_KEYDOWN, VK_HOME, 0);
    for (char c : digits) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    SetFocus(MainTree(form->Handle()));  // leaving the field checks the text
    PumpPending();
  }
  void ClearDate() {
    HWND edit = MainControl(form->Handle(), kIdAgeEdit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);
  }
  void SelectRows(std::initializer_list<int> rows) {
    HWND list = MainList(form->Handle());
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int r : rows)
      ListView_SetItemState(list, r, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpPending();
  }
  std::vector<std::string> Rows(int column = 0) { return ListRows(form->Handle(), column); }
  std::string SelectedNodeText() {
    return TreeItemText(MainTree(form->Handle()), TreeView_GetSelection(MainTree(form->Handle())));
  }
  HTREEITEM FindNode(HTREEITEM from, const std::string& text) {
    HWND tv = MainTree(form->Handle());
    for (HTREEITEM item = from; item; item = TreeView_GetNextSibling(tv, item)) {
      if (TreeItemText(tv, item) == text) return item;
      if (HTREEITEM found = FindNode(TreeView_GetChild(tv, item), text)) return found;
    }
    return nullptr;
  }
  bool ErrorWindowShown() { return IsWindowVisible(ProgramWindow("TForm3")); }
  std::string Ini() {
    std::string out;
    for (char c : ReadAll(ini))
      if (c != '\r') out += c;
    return out;
  }

  TempFolder tmp;
  std::string ini = tmp / "Morvane.ini";
  std::string base;
  lha::win::ArchiverLibrary archiver;
  bool withArchiver = true;  // false: the window binds no library, as when none was found
  std::unique_ptr<TForm1> form;
  TypedAnswers answers;  // how the folder chooser, the save dialog and the boxes are answered
  BoxWatcher watch{std::ref(answers)};
};

}  // namespace mv::testing
