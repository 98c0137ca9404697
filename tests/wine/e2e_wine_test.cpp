// Whole roads through the main window under Wine: start-up with targets, the attribute change,
// the copy runs, the two archive commands checked by lhasa, and editing the target set, each
// driven by real messages with every modal box answered from a thread timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "app/Unit1.h"
#include "ops/copy/win32/folder_chooser.h"
#include "platform/win32/text_win32.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

// This test program doubles as the reader of another process: started with
// "--mv-probe|path|path...", it prints "attributes|local last-write" per path and exits.
const bool g_probeMode = [] {
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
    HANDLE f = FindFirstFileA(path.c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
      FindClose(f);
      FILETIME local;
      SYSTEMTIME st;
      FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local);
      FileTimeToSystemTime(&local, &st);
      wsprintfA(line, "%02x|%04d/%02d/%02d %02d:%02d:%02d", static_cast<unsigned>(GetFileAttributesA(path.c_str())),
                st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    }
    out += line;
    out += "\n";
  }
  DWORD written = 0;
  ::WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  ExitProcess(0);
}();

std::string ThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Runs a Windows program with its output captured; returns the output.
std::string RunCaptured(const std::string& program, const std::string& commandLine) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &sa, 0)) return "(no pipe)";
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  const BOOL started =
      CreateProcessA(program.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(write);
  std::string out;
  if (started) {
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
    WaitForSingleObject(pi.hProcess, 20000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  } else {
    out = "(not started)";
  }
  CloseHandle(read);
  return out;
}

// "attributes|yyyy/mm/dd hh:mm:ss" of each path as another process reads it, "-" when missing.
std::vector<std::string> Probe(const std::vector<std::string>& paths) {
  std::string cmd = "\"" + ThisProgram() + "\" --mv-probe";
  for (const std::string& p : paths) cmd += "|" + p;
  std::istringstream in(RunCaptured(ThisProgram(), cmd));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetLastWrite(const std::string& path, WORD year, WORD month, WORD day, WORD hour) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wHour = hour;
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}
FILETIME LastWrite(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d);
  return d.ftLastWriteTime;
}

// The Unix path of a Windows one (Wine's own export), for the native lhasa.
std::string UnixPath(const std::string& path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  wchar_t wide[MAX_PATH * 2] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
  char* unix = fn(wide);
  if (!unix) return {};
  std::string s = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return s;
}

// Extracts an archive with the native lhasa into a fresh folder; true once it has finished with
// status 0. Wine starts Unix programs without a process handle to wait on, so the shell leaves a
// status file behind and the test waits for it.
bool ExtractWithLhasa(const std::string& archive, const std::string& into) {
  MakeFolder(into);
  const std::string status = into + ".status";
  const std::string cmd = "/bin/sh -c \"cd '" + UnixPath(into) + "' && /usr/bin/lhasa xq '" + UnixPath(archive) +
                          "' >/dev/null 2>&1; echo $? > '" + UnixPath(into) + ".status'\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = cmd;
  if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  if (!PumpUntil([&] { return ReadAll(status).find('\n') != std::string::npos; }, 20000)) return false;
  return ReadAll(status) == "0\n";
}

// Every file below a folder as "relative\\path=contents", sorted.
void ListFiles(const std::string& root, const std::string& rel, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE f = FindFirstFileA((root + (rel.empty() ? "" : "\\" + rel) + "\\*").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const std::string sub = rel.empty() ? name : rel + "\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListFiles(root, sub, out);
    else out.push_back(sub + "=" + ReadAll(root + "\\" + sub));
  } while (FindNextFileA(f, &fd));
  FindClose(f);
  std::sort(out.begin(), out.end());
}
std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> out;
  ListFiles(root, "", out);
  std::sort(out.begin(), out.end());
  return out;
}

// Answers the modal windows of this thread from a thread timer: the folder chooser gets the
// typed folder, the save dialog the next name, Yes/No boxes the chosen button, others OK.
struct Answers {
  std::string chooserFolder;
  std::vector<std::string> saveNames;
  size_t nextSave = 0;
  int yesNo = IDYES;
  std::vector<std::string> boxes;  // "caption|text" of the message boxes
  std::function<void()> onTick;    // runs on every tick as well
  std::vector<HWND> handled;
};
Answers* g_answers = nullptr;

BOOL CALLBACK AnswerOne(HWND wnd, LPARAM) {
  Answers& a = *g_answers;
  char cls[32] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(wnd)) return TRUE;
  if (std::find(a.handled.begin(), a.handled.end(), wnd) != a.handled.end()) return TRUE;
  a.handled.push_back(wnd);
  if (WindowText(wnd) == win::kChooserCaption) {
    SetWindowTextA(GetDlgItem(wnd, win::kIdChooserName), a.chooserFolder.c_str());
    PostMessageA(GetDlgItem(wnd, IDOK), BM_CLICK, 0, 0);
    return TRUE;
  }
  if (HWND name = GetDlgItem(wnd, 0x47C)) {
    if (a.nextSave < a.saveNames.size()) {
      SetWindowTextA(name, a.saveNames[a.nextSave++].c_str());
      PostMessageA(wnd, WM_COMMAND, IDOK, 0);
    } else {
      PostMessageA(wnd, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
  }
  a.boxes.push_back(WindowText(wnd) + "|" + WindowText(GetDlgItem(wnd, 0xFFFF)));
  HWND button = GetDlgItem(wnd, a.yesNo);
  if (!button) button = GetDlgItem(wnd, IDOK);
  if (!button) button = GetDlgItem(wnd, IDABORT);
  if (button) PostMessageA(button, BM_CLICK, 0, 0);
  return TRUE;
}

VOID CALLBACK AnswerTick(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_answers) return;
  auto& h = g_answers->handled;
  h.erase(std::remove_if(h.begin(), h.end(), [](HWND w) { return !IsWindow(w); }), h.end());
  if (g_answers->onTick) g_answers->onTick();
  EnumThreadWindows(GetCurrentThreadId(), AnswerOne, 0);
}

TForm1* g_form = nullptr;
bool FormHook(const MSG& msg) { return g_form && g_form->DropFiles(msg); }

class E2EWine : public ::testing::Test {
 protected:
  void SetUp() override {
    win::InstallPlatformText();
    archiver.Load();
    ASSERT_TRUE(archiver.Loaded()) << "UNLHA32.DLL beside the test program";
    base = tmp / "Base";
    MakeFolder(base);
    g_answers = &answers;
    timer = SetTimer(nullptr, 0, 30, AnswerTick);
  }
  void TearDown() override {
    KillTimer(nullptr, timer);
    g_answers = nullptr;
    g_messageHook = nullptr;
    g_form = nullptr;
    form.reset();
    archiver.Unload();
  }

  void Start(std::vector<std::string> args) {
    form = std::make_unique<TForm1>(std::move(args), ini, &archiver);
    ASSERT_TRUE(form->Create(GetModuleHandleA(nullptr)));
    ASSERT_TRUE(form->CreateForm2(GetModuleHandleA(nullptr)));
    ASSERT_TRUE(form->CreateForm3(GetModuleHandleA(nullptr)));
    g_form = form.get();
    g_messageHook = &FormHook;
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(PumpUntil([&] { return !form->PanelText(1).empty() && ListView_GetItemCount(form->ListView()) > 0; }));
  }
  void Close() {
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindow(form->Handle()); }, 3000);
  }

  void Click(int id) { SendMessageA(form->Control(id), BM_CLICK, 0, 0); }
  void Menu(UINT id) { SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Choose(int group, int item) { SendMessageA(form->Group(group).Item(item), BM_CLICK, 0, 0); }
  void TypeDate(const std::string& digits) {
    HWND edit = form->Control(kIdAgeEdit);
    SetFocus(edit);
    SendMessageA(edit, WM_KEYDOWN, VK_HOME, 0);
    for (char c : digits) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    SetFocus(form->TreeView());  // leaving the field checks the text
    PumpPending();
  }
  void ClearDate() {
    HWND edit = form->Control(kIdAgeEdit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);
  }
  void SelectRows(std::initializer_list<int> rows) {
    HWND list = form->ListView();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int r : rows) ListView_SetItemState(list, r, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpPending();
  }
  std::vector<std::string> Rows(int column = 0) {
    std::vector<std::string> rows;
    HWND list = form->ListView();
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
      char text[MAX_PATH] = {};
      ListView_GetItemText(list, i, column, text, sizeof text);
      rows.push_back(text);
    }
    return rows;
  }
  std::string SelectedNodeText() {
    HWND tv = form->TreeView();
    HTREEITEM item = TreeView_GetSelection(tv);
    char text[MAX_PATH] = {};
    TVITEMA it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    if (item) TreeView_GetItem(tv, &it);
    return text;
  }
  HTREEITEM FindNode(HTREEITEM from, const std::string& text) {
    HWND tv = form->TreeView();
    for (HTREEITEM item = from; item; item = TreeView_GetNextSibling(tv, item)) {
      char buf[MAX_PATH] = {};
      TVITEMA it{};
      it.mask = TVIF_TEXT;
      it.hItem = item;
      it.pszText = buf;
      it.cchTextMax = sizeof buf;
      TreeView_GetItem(tv, &it);
      if (text == buf) return item;
      if (HTREEITEM found = FindNode(TreeView_GetChild(tv, item), text)) return found;
    }
    return nullptr;
  }
  bool ErrorWindowShown() { return form->Form3() && IsWindowVisible(form->Form3()->Handle()); }
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
  std::unique_ptr<TForm1> form;
  Answers answers;
  UINT_PTR timer = 0;
};

TEST_F(E2EWine, TypicalRoadHidesEveryFileWithTheTypedDate) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\b.txt", "bbb");
  MakeFolder(base + "\\Sub\\Deep");
  WriteFile(base + "\\Sub\\Deep\\表ソ.txt", "cccc");
  WriteFile(base + "\\other.txt", "not a target");
  SetLastWrite(base + "\\other.txt", 2001, 1, 1, 12);
  // The folder arrives in short form, as the shell may send it.
  char shortSub[MAX_PATH] = {};
  GetShortPathNameA((base + "\\Sub").c_str(), shortSub, MAX_PATH);
  Start({base + "\\a.txt", shortSub});

  EXPECT_EQ(TreeView_GetCount(form->TreeView()), 3u);
  EXPECT_EQ(SelectedNodeText(), base + "\\");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "a.txt"}));
  EXPECT_EQ(form->PanelText(1), "5個");
  EXPECT_EQ(form->PanelText(2), "12ﾊﾞｲﾄ");

  Choose(kIdHGroup, 1);  // Hidden: 設定
  TypeDate("20210304050608");
  EXPECT_EQ(WindowText(form->Control(kIdAgeEdit)), "2021/03/04 05:06:08");
  Click(kIdBitBtn2);
  PumpPending();
  ASSERT_EQ(answers.boxes.size(), 1u);
  EXPECT_EQ(answers.boxes[0].rfind("確認|", 0), 0u) << answers.boxes[0];

  const std::vector<std::string> seen =
      Probe({base + "\\a.txt", base + "\\Sub\\b.txt", base + "\\Sub\\Deep\\表ソ.txt", base + "\\other.txt"});
  ASSERT_EQ(seen.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(std::stoul(seen[i].substr(0, 2), nullptr, 16) & FILE_ATTRIBUTE_HIDDEN, 0u) << seen[i];
    EXPECT_EQ(seen[i].substr(3), "2021/03/04 05:06:08") << i;
  }
  EXPECT_EQ(std::stoul(seen[3].substr(0, 2), nullptr, 16) & FILE_ATTRIBUTE_HIDDEN, 0u) << "not a target";
  EXPECT_EQ(seen[3].substr(3), "2001/01/01 12:00:00");

  // The list was refilled: the file row shows the new date and the hidden flag.
  const std::vector<std::string> dates = Rows(2);
  ASSERT_EQ(dates.size(), 2u);
  EXPECT_EQ(dates[1], "2021/3/4 5:06:08");  // the locale's short date
  std::string flags;
  for (int c = 3; c < 7; ++c) flags += Rows(c)[1];
  EXPECT_NE(flags.find('H'), std::string::npos) << flags;
  EXPECT_FALSE(ErrorWindowShown());
  EXPECT_TRUE(form->Errors().Empty());

  DeleteFileA(ini.c_str());
  Close();
  EXPECT_FALSE(IsWindow(form->Handle()));
  EXPECT_NE(Ini().find("[Form]\nWidth="), std::string::npos) << Ini();
  EXPECT_NE(Ini().find("AgeLabel=(yyyy/mm/dd hh:mm:ss)"), std::string::npos);
}

TEST_F(E2EWine, CopyRoadNewFolderThenOnlyTheNewerThenDatesWithoutCopying) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\b.txt", "bbb");
  SetLastWrite(base + "\\a.txt", 2020, 5, 5, 10);
  SetLastWrite(base + "\\Sub\\b.txt", 2020, 5, 5, 10);
  Start({base + "\\a.txt", base + "\\Sub"});
  const std::string out = tmp / "Out\\New";
  answers.chooserFolder = out;

  Choose(kIdRadioGroup1, 1);  // 新しいﾌｧｲﾙ
  Click(kIdBitBtn1);
  ASSERT_EQ(answers.boxes.size(), 1u);
  EXPECT_NE(answers.boxes[0].find(win::kChooserAskCreate), std::string::npos) << answers.boxes[0];
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\b.txt=bbb", "a.txt=alpha"}));
  const FILETIME copiedTime = LastWrite(out + "\\a.txt"), sourceTime = LastWrite(base + "\\a.txt");
  EXPECT_EQ(CompareFileTime(&copiedTime, &sourceTime), 0);
  EXPECT_FALSE(ErrorWindowShown());

  // Touch one source; a copy of the other is changed in place but not newer than its source.
  WriteFile(base + "\\a.txt", "alpha, again");
  SetLastWrite(base + "\\a.txt", 2020, 6, 6, 10);
  WriteFile(out + "\\Sub\\b.txt", "edited copy");
  SetLastWrite(out + "\\Sub\\b.txt", 2020, 5, 5, 10);
  answers.boxes.clear();
  Click(kIdBitBtn1);
  EXPECT_TRUE(answers.boxes.empty());  // the folder exists now: no question
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\b.txt=edited copy", "a.txt=alpha, again"}));

  // Never overwrite, with a date: contents stay, dates change.
  Choose(kIdRadioGroup1, 2);  // コピーしない
  TypeDate("19990102030400");
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\b.txt=edited copy", "a.txt=alpha, again"}));
  const std::vector<std::string> seen = Probe({out + "\\a.txt", out + "\\Sub\\b.txt", base + "\\a.txt"});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].substr(3), "1999/01/02 03:04:00");
  EXPECT_EQ(seen[1].substr(3), "1999/01/02 03:04:00");
  EXPECT_EQ(seen[2].substr(3), "2020/06/06 10:00:00");  // the source is left alone
  EXPECT_FALSE(ErrorWindowShown());
  Close();
}

TEST_F(E2EWine, CopyRoadLongRunShowsTheProgressDialogAndCancelStopsIt) {
  const int kFiles = 1500;
  MakeFolder(base + "\\Many");
  for (int i = 0; i < kFiles; ++i) WriteFile(base + "\\Many\\f" + std::to_string(i) + ".txt", std::string(64, 'x'));
  Start({base + "\\Many"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  answers.chooserFolder = out;
  Choose(kIdRadioGroup1, 0);  // 全て上書き

  HWND dialog = form->Form2()->Handle();
  bool seen = false;
  std::string from;
  answers.onTick = [&] {
    if (seen || !IsWindowVisible(dialog)) return;
    seen = true;
    from = WindowText(form->Form2()->Control(kIdForm2From));
    // A drop and other commands during the run: the drop waits for its end, the commands are
    // refused.
    PostDrop(form->Handle(), {base + "\\dropped.txt"});
    PostMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(kIdBitBtn2, BN_CLICKED), 0);
    PostMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(kCmdFullCollapse1, 0), 0);
    PostMessageA(form->Form2()->Control(kIdForm2Button1), BM_CLICK, 0, 0);
  };
  WriteFile(base + "\\dropped.txt", "later");
  Click(kIdBitBtn1);
  answers.onTick = nullptr;
  ASSERT_TRUE(seen) << "the run ended before the dialog appeared";
  EXPECT_NE(from.find(base + "\\Many\\f"), std::string::npos) << from;
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_FALSE(form->Copy()->Running());
  const size_t copied = FilesBelow(out).size();
  EXPECT_GT(copied, 0u);
  EXPECT_LT(copied, static_cast<size_t>(kFiles));
  EXPECT_FALSE(ErrorWindowShown());
  EXPECT_TRUE(answers.boxes.empty()) << ::testing::PrintToString(answers.boxes);
  // The drop was applied once the run had ended.
  EXPECT_EQ(Rows(), (std::vector<std::string>{"dropped.txt"}));
  EXPECT_EQ(form->PanelText(1), "1個");
  EXPECT_EQ(form->PanelText(2), "5ﾊﾞｲﾄ");
  Close();
}

TEST_F(E2EWine, ArchiveRoadWholeTreeAndSelectionExtractedByLhasa) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\b.txt", std::string(5000, 'b') + "tail");
  WriteFile(base + "\\Sub\\c.txt", "ccc");
  Start({base + "\\a.txt", base + "\\Sub"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  const std::string all = out + "\\all.lzh", sel = out + "\\sel.lzh";
  answers.saveNames = {all, sel, all, all};

  Click(kIdBitBtn3);
  ASSERT_TRUE(Exists(all)) << ::testing::PrintToString(answers.boxes);
  ASSERT_TRUE(ExtractWithLhasa(all, tmp / "X1"));
  EXPECT_EQ(FilesBelow(tmp / "X1"),
            (std::vector<std::string>{"Sub\\b.txt=" + std::string(5000, 'b') + "tail", "Sub\\c.txt=ccc", "a.txt=alpha"}));

  // The menu on a selection with a folder row: the folder's files only, below their base.
  SelectRows({0});
  Menu(kCmdLha1);
  ASSERT_TRUE(Exists(sel));
  ASSERT_TRUE(ExtractWithLhasa(sel, tmp / "X2"));
  EXPECT_EQ(FilesBelow(tmp / "X2"), (std::vector<std::string>{"Sub\\b.txt=" + std::string(5000, 'b') + "tail", "Sub\\c.txt=ccc"}));

  // A run that cannot finish (a source held open by another handle) keeps the old archive whole.
  const std::string before = ReadAll(all);
  WriteFile(base + "\\a.txt", "alpha two");
  {
    HANDLE held = CreateFileA((base + "\\Sub\\c.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    answers.boxes.clear();
    Click(kIdBitBtn3);
    CloseHandle(held);
  }
  EXPECT_FALSE(answers.boxes.empty());  // the failure was told
  EXPECT_EQ(ReadAll(all), before);
  std::vector<std::string> leftovers = FilesBelow(out);
  EXPECT_EQ(leftovers.size(), 2u) << ::testing::PrintToString(leftovers);
  // Then it is replaced by a complete new one.
  Click(kIdBitBtn3);
  ASSERT_TRUE(ExtractWithLhasa(all, tmp / "X3"));
  EXPECT_EQ(FilesBelow(tmp / "X3"),
            (std::vector<std::string>{"Sub\\b.txt=" + std::string(5000, 'b') + "tail", "Sub\\c.txt=ccc",
                                      "a.txt=alpha two"}));
  EXPECT_FALSE(Exists(lha::win::ProgramFolder() + "TMPLHA.$"));
  Close();
}

TEST_F(E2EWine, EditingRoadRemovalsNavigationCollapseAndTheSplitter) {
  WriteFile(base + "\\a.txt", "1");
  WriteFile(base + "\\b.txt", "22");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\c.txt", "333");
  MakeFolder(base + "\\Sub\\Deep");
  WriteFile(base + "\\Sub\\Deep\\d.txt", "4444");
  MakeFolder(base + "\\Sub2");
  WriteFile(base + "\\Sub2\\e.txt", "55555");
  Start({base + "\\a.txt", base + "\\b.txt", base + "\\Sub", base + "\\Sub2"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "Sub2", "a.txt", "b.txt"}));
  EXPECT_EQ(form->PanelText(1), "8個");
  EXPECT_EQ(form->PanelText(2), "15ﾊﾞｲﾄ");

  // Remove a file row through the list's menu command.
  SelectRows({3});
  Menu(kCmdDelete1);
  PumpPending();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "Sub2", "a.txt"}));
  EXPECT_EQ(form->PanelText(1), "7個");
  EXPECT_EQ(form->PanelText(2), "13ﾊﾞｲﾄ");

  // Remove the folder node Sub2 from the tree's menu: its row and its files go too.
  HTREEITEM sub2 = FindNode(TreeView_GetRoot(form->TreeView()), "Sub2");
  ASSERT_TRUE(sub2);
  TreeView_SelectItem(form->TreeView(), sub2);
  PumpPending();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"e.txt"}));
  Menu(kCmdDelete2);
  PumpPending();
  EXPECT_FALSE(FindNode(TreeView_GetRoot(form->TreeView()), "Sub2"));
  EXPECT_EQ(form->PanelText(1), "5個");
  EXPECT_EQ(form->PanelText(2), "8ﾊﾞｲﾄ");
  TreeView_SelectItem(form->TreeView(), TreeView_GetRoot(form->TreeView()));
  PumpPending();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "a.txt"}));

  // Descend with Enter on the folder row, then go up.
  SelectRows({0});
  SetFocus(form->ListView());
  SendMessageA(form->ListView(), WM_KEYDOWN, VK_RETURN, 0);
  PumpPending();
  EXPECT_EQ(SelectedNodeText(), "Sub");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Deep", "c.txt"}));
  Menu(kCmdUpFolder);
  PumpPending();
  EXPECT_EQ(SelectedNodeText(), base + "\\");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "a.txt"}));

  // Full collapse folds every node and leaves the list showing the selection's rows.
  Menu(kCmdFullCollapse1);
  PumpPending();
  HTREEITEM root = TreeView_GetRoot(form->TreeView());
  EXPECT_EQ(TreeView_GetItemState(form->TreeView(), root, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
  EXPECT_EQ(form->PanelText(1), "5個");

  // The splitter: a real press, move and release on the panel.
  HWND panel = form->DragPanel1().Handle();
  RECT tree;
  GetWindowRect(form->TreeView(), &tree);
  const int width = tree.right - tree.left;
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 10));
  SendMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(42, 10));
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(42, 10));
  GetWindowRect(form->TreeView(), &tree);
  EXPECT_EQ(tree.right - tree.left, width + 40);
  Close();
  EXPECT_NE(Ini().find("[DirTreeView]\nWidth=" + std::to_string(width + 40) + "\n"), std::string::npos) << Ini();
  EXPECT_TRUE(answers.boxes.empty()) << ::testing::PrintToString(answers.boxes);
}

}  // namespace
