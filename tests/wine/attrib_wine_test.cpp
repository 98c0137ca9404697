// The date field, the error window, the boxes and the attribute change on real windows and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ops/attrib/change_attr.h"
#include "ops/attrib/win32/MaskEdit.h"
#include "ops/attrib/win32/Unit3.h"
#include "ops/attrib/win32/attrib_ui.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

// A plain top-level window to hold the controls under test; it records the commands it gets.
class Host {
 public:
  Host() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Host::Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "MvAttribTestHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassExA(&wc);
    // A popup: without a window manager, hiding a captioned window makes Wine wait 2 s.
    wnd = CreateWindowExA(0, "MvAttribTestHost", "host", WS_POPUP | WS_BORDER, 50, 50, 400, 200, nullptr, nullptr,
                          instance, nullptr);
    other = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 60, 100, 20, wnd, nullptr,
                            instance, nullptr);
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
    commands().clear();
    PumpPending();
  }
  ~Host() { DestroyWindow(wnd); }
  static std::vector<int>& commands() {
    static std::vector<int> ids;
    return ids;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && lp == 0) commands().push_back(LOWORD(wp));
    return DefWindowProcA(w, msg, wp, lp);
  }
  HWND wnd = nullptr;
  HWND other = nullptr;
};

// Answers the next message box of this thread from inside its modal loop and notes what it
// showed: caption, text, icon and default button.
struct SeenBox {
  bool seen = false;
  std::string caption, text;
  HICON icon = nullptr;
  int defaultId = 0;
  bool hasYes = false, hasNo = false, hasOk = false;
};

class BoxAnswerer {
 public:
  // Answers the boxes in turn with these buttons; the last one answers any further box.
  explicit BoxAnswerer(std::vector<int> buttons) {
    boxes().clear();
    buttons_() = std::move(buttons);
    last_() = nullptr;
    timer_ = SetTimer(nullptr, 0, 30, &BoxAnswerer::Tick);
  }
  explicit BoxAnswerer(int button) : BoxAnswerer(std::vector<int>{button}) {}
  ~BoxAnswerer() { KillTimer(nullptr, timer_); }
  const SeenBox& Seen() const {
    static const SeenBox none;
    return boxes().empty() ? none : boxes().front();
  }
  const std::vector<SeenBox>& All() const { return boxes(); }

 private:
  static std::vector<SeenBox>& boxes() {
    static std::vector<SeenBox> b;
    return b;
  }
  static std::vector<int>& buttons_() {
    static std::vector<int> b;
    return b;
  }
  static HWND& last_() {
    static HWND h = nullptr;
    return h;
  }
  static BOOL CALLBACK FindBox(HWND wnd, LPARAM lp) {
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(wnd)) {
      *reinterpret_cast<HWND*>(lp) = wnd;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK FindIcon(HWND child, LPARAM lp) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child)) {
      *reinterpret_cast<HICON*>(lp) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box || box == last_()) return;
    last_() = box;
    SeenBox s;
    s.seen = true;
    s.caption = WindowText(box);
    s.text = WindowText(GetDlgItem(box, 0xFFFF));
    EnumChildWindows(box, &FindIcon, reinterpret_cast<LPARAM>(&s.icon));
    // The button drawn as the default one (Enter picks it).
    for (int id : {IDOK, IDYES, IDNO})
      if (HWND b = GetDlgItem(box, id); b && (GetWindowLongA(b, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) s.defaultId = id;
    s.hasYes = GetDlgItem(box, IDYES) != nullptr;
    s.hasNo = GetDlgItem(box, IDNO) != nullptr;
    s.hasOk = GetDlgItem(box, IDOK) != nullptr;
    const size_t i = std::min(boxes().size(), buttons_().size() - 1);
    boxes().push_back(s);
    PostMessageA(GetDlgItem(box, buttons_()[i]), BM_CLICK, 0, 0);
  }
  UINT_PTR timer_ = 0;
};

void Chars(HWND wnd, const std::string& text) {
  for (char c : text) SendMessageA(wnd, WM_CHAR, static_cast<unsigned char>(c), 0);
}
void Key(HWND wnd, WPARAM key) { SendMessageA(wnd, WM_KEYDOWN, key, 0); }
DWORD Caret(HWND wnd) {
  DWORD from = 0, to = 0;
  SendMessageA(wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  return to;
}
void SetClipboardText(HWND owner, const std::string& text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
  GlobalUnlock(mem);
  SetClipboardData(CF_TEXT, mem);
  CloseClipboard();
}
std::string ClipboardText(HWND owner) {
  std::string text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

const char* Mask(DateLayout layout) { return LayoutInfo(layout).mask; }

class MaskEditWine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(edit.Create(host.wnd, 200, 10, 10, 137, 20)); }
  HWND E() const { return edit.Handle(); }
  Host host;
  win::MaskEdit edit{LocaleDates{}};
};

TEST_F(MaskEditWine, TypingOverwritesStepsOverSeparatorsAndReadsBlanks) {
  EXPECT_EQ(edit.ShownText(), "____/__/__ __:__:__");
  EXPECT_EQ(WindowText(E()), "    /  /     :  :  ");
  EXPECT_EQ(GetWindowTextLengthA(E()), 19);
  EXPECT_EQ(SendMessageA(E(), EM_GETLIMITTEXT, 0, 0), 19);

  SetFocus(E());
  Chars(E(), "1997a0507120000");  // the letter is refused
  EXPECT_EQ(WindowText(E()), "1997/05/07 12:00:00");
  EXPECT_EQ(edit.ShownText(), "1997/05/07 12:00:00");
  EXPECT_EQ(Caret(E()), 19u);
  Chars(E(), "9");  // nothing left to type into
  EXPECT_EQ(WindowText(E()), "1997/05/07 12:00:00");

  Key(E(), VK_HOME);
  Chars(E(), "2");
  EXPECT_EQ(WindowText(E()), "2997/05/07 12:00:00");
  EXPECT_EQ(Caret(E()), 1u);
  Chars(E(), "\b");
  EXPECT_EQ(WindowText(E()), " 997/05/07 12:00:00");
  EXPECT_EQ(edit.ShownText(), "_997/05/07 12:00:00");
  EXPECT_TRUE(IsDateTextEmpty(WindowText(E())) == false);  // only one leading blank

  // Left steps over the separators; Delete untypes without moving.
  Key(E(), VK_END);
  Key(E(), VK_LEFT);
  Key(E(), VK_LEFT);
  Key(E(), VK_LEFT);
  EXPECT_EQ(Caret(E()), 15u);
  Key(E(), VK_DELETE);
  EXPECT_EQ(WindowText(E()), " 997/05/07 12:0 :00");
  EXPECT_EQ(Caret(E()), 15u);
  Key(E(), VK_RIGHT);
  EXPECT_EQ(Caret(E()), 17u);
  Key(E(), VK_DELETE);
  EXPECT_EQ(WindowText(E()), " 997/05/07 12:0 : 0");

  // A selection is untyped by Delete and by Backspace, and replaced by a typed digit.
  SendMessageA(E(), EM_SETSEL, 5, 10);
  Key(E(), VK_DELETE);
  EXPECT_EQ(WindowText(E()), " 997/  /   12:0 : 0");
  EXPECT_EQ(Caret(E()), 5u);
  SendMessageA(E(), EM_SETSEL, 11, 19);
  Chars(E(), "\b");
  EXPECT_EQ(WindowText(E()), " 997/  /     :  :  ");
  SendMessageA(E(), EM_SETSEL, 0, 4);
  Chars(E(), "2");
  EXPECT_EQ(WindowText(E()), "2   /  /     :  :  ");
  EXPECT_EQ(edit.ShownText(), "2___/__/__ __:__:__");

  // A full-width digit from the input method counts as the digit.
  SendMessageA(E(), WM_IME_CHAR, 0x8250, 0);  // "１"
  EXPECT_EQ(WindowText(E()), "21  /  /     :  :  ");

  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ Ｐゴシック");
  SendMessageA(E(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(E(), WM_GETFONT, 0, 0)), font);
  DestroyWindow(E());  // before the font goes
  DeleteObject(font);
}

TEST_F(MaskEditWine, PasteTypesTheDigitsAndCutTakesTheReadText) {
  SetFocus(E());
  SetClipboardText(host.wnd, "2000/02/29 x 23:59");
  SendMessageA(E(), WM_PASTE, 0, 0);
  EXPECT_EQ(WindowText(E()), "2000/02/29 23:59:  ");
  EXPECT_EQ(Caret(E()), 17u);
  SendMessageA(E(), EM_SETSEL, 0, 7);
  SendMessageA(E(), WM_CUT, 0, 0);
  EXPECT_EQ(ClipboardText(host.wnd), "2000/02");
  EXPECT_EQ(WindowText(E()), "    /  /29 23:59:  ");
  SendMessageA(E(), EM_SETSEL, 8, 19);
  SendMessageA(E(), WM_COPY, 0, 0);
  EXPECT_EQ(ClipboardText(host.wnd), "29 23:59:  ");  // blanks, not the shown "_"
  SendMessageA(E(), WM_CLEAR, 0, 0);
  EXPECT_TRUE(edit.Model().Untouched());
  // Text set from outside is typed from the first position.
  SetWindowTextA(E(), "1997/05/07 12:00:00");
  EXPECT_EQ(WindowText(E()), "1997/05/07 12:00:00");
}

TEST_F(MaskEditWine, SetMaskReLaysTheTypedDigitsAndTheLimit) {
  Chars(E(), "19970507120000");
  edit.SetMask(Mask(DateLayout::monthYYYY));
  EXPECT_EQ(WindowText(E()), "19/97/0507 12:00:00");
  EXPECT_EQ(edit.ShownText(), "19/97/0507 12:00:00");

  win::MaskEdit yy{LocaleDates{}, Mask(DateLayout::yearYY)};
  ASSERT_TRUE(yy.Create(host.wnd, 201, 10, 40, 137, 20));
  EXPECT_EQ(SendMessageA(yy.Handle(), EM_GETLIMITTEXT, 0, 0), 17);
  EXPECT_EQ(yy.ShownText(), "__/__/__ __:__:__");
  Chars(yy.Handle(), "970507120000");
  EXPECT_EQ(WindowText(yy.Handle()), "97/05/07 12:00:00");
  yy.SetMask(Mask(DateLayout::yearYYYY));
  EXPECT_EQ(SendMessageA(yy.Handle(), EM_GETLIMITTEXT, 0, 0), 19);
  EXPECT_EQ(yy.ShownText(), "__97/05/07 12:00:00");
  EXPECT_EQ(WindowText(yy.Handle()), "  97/05/07 12:00:00");
  EXPECT_TRUE(IsDateTextEmpty(WindowText(yy.Handle())));

  win::MaskEdit untouched{LocaleDates{}};
  ASSERT_TRUE(untouched.Create(host.wnd, 202, 10, 70, 137, 20));
  untouched.SetMask(Mask(DateLayout::MonthYY));
  EXPECT_EQ(untouched.ShownText(), "__/__/__ __:__:__");
  EXPECT_EQ(WindowText(untouched.Handle()), "  /  /     :  :  ");
}

TEST_F(MaskEditWine, SeparatorsComeFromTheLocale) {
  LocaleDates dots;
  dots.dateSeparator = '.';
  dots.timeSeparator = '-';
  win::MaskEdit e{dots};
  ASSERT_TRUE(e.Create(host.wnd, 203, 10, 40, 137, 20));
  EXPECT_EQ(e.ShownText(), "____.__.__ __-__-__");
  Chars(e.Handle(), "2001020304");
  EXPECT_EQ(WindowText(e.Handle()), "2001.02.03 04-  -  ");
}

bool g_menuSeen = false;
void CALLBACK MenuTick(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup || !IsWindowVisible(popup) || g_menuSeen) return;
  g_menuSeen = true;
  // Keys go to the menu's own loop: pick the second item.
  PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(MaskEditWine, RightClickShowsTheGivenMenuWhoseCommandReachesTheParent) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 901, "yyyy/mm/dd hh:mm:ss");
  AppendMenuA(menu, MF_STRING, 902, "yy/mm/dd hh:mm:ss");
  edit.SetContextMenu(menu);
  g_menuSeen = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, &MenuTick);
  RECT r;
  GetWindowRect(E(), &r);
  SendMessageA(E(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(E()), MAKELPARAM(r.left + 5, r.top + 5));
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_menuSeen);
  EXPECT_TRUE(PumpUntil([] { return !Host::commands().empty(); }, 3000));
  EXPECT_EQ(Host::commands(), std::vector<int>{902});
  DestroyMenu(menu);
}

TEST_F(MaskEditWine, LeavingTheFieldRunsTheExitCheckAfterTheFocusMoved) {
  const LocaleDates locale = win::ReadLocaleDates();
  int exits = 0;
  HWND focusAtExit = nullptr;
  bool accepted = false;
  edit.SetOnExit([&] {
    ++exits;
    focusAtExit = GetFocus();
    accepted = win::CheckDateField(host.wnd, edit.Text(), locale);
  });
  {
    BoxAnswerer answer(IDOK);
    SetFocus(E());
    SetFocus(host.other);  // an untouched field: no box
    ASSERT_TRUE(PumpUntil([&] { return exits == 1; }));
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(answer.Seen().seen);
    EXPECT_EQ(focusAtExit, host.other);
  }
  {
    BoxAnswerer answer(IDOK);
    SetFocus(E());
    Chars(E(), "19970229000000");  // no 29 February in 1997
    SetFocus(host.other);
    ASSERT_TRUE(PumpUntil([&] { return exits == 2; }));
    EXPECT_FALSE(accepted);
    ASSERT_TRUE(answer.Seen().seen);
    EXPECT_EQ(answer.Seen().caption, "Morvane");
    EXPECT_EQ(answer.Seen().text, "'1997/02/29 00:00:00' は日付または時刻ではありません.");
    EXPECT_EQ(answer.Seen().icon, LoadIconA(nullptr, IDI_HAND));
    EXPECT_TRUE(answer.Seen().hasOk);
    EXPECT_FALSE(answer.Seen().hasNo);
  }
  // The text is neither corrected nor cleared.
  EXPECT_EQ(WindowText(E()), "1997/02/29 00:00:00");
}

TEST(AttribLocaleWine, ReadsTheLocaleAndKeepsDefaultsForMissingValues) {
  const LocaleDates ja = win::ReadLocaleDates();
  EXPECT_EQ(DateOrderOf(ja.shortDatePattern), DateOrder::YearMonthDay) << ja.shortDatePattern;
  EXPECT_EQ(ja.dateSeparator, '/');
  EXPECT_EQ(ja.timeSeparator, ':');
  EXPECT_EQ(ja.amMarker, "午前");
  EXPECT_EQ(ja.pmMarker, "午後");

  const LocaleDates none = win::LocaleDatesFrom(std::nullopt, "", ". ", "", std::nullopt);
  EXPECT_EQ(none.shortDatePattern, "m/d/yy");
  EXPECT_EQ(none.dateSeparator, '/');
  EXPECT_EQ(none.timeSeparator, ':');  // two characters cannot take one position
  EXPECT_EQ(none.amMarker, "am");
  EXPECT_EQ(none.pmMarker, "pm");
  const LocaleDates de = win::LocaleDatesFrom("dd.MM.yyyy", ".", "-", "AM", "PM");
  EXPECT_EQ(DateOrderOf(de.shortDatePattern), DateOrder::DayMonthYear);
  EXPECT_EQ(de.dateSeparator, '.');
  EXPECT_EQ(de.timeSeparator, '-');
  EXPECT_EQ(win::LocaleDatesFrom(std::nullopt, "年", "1", std::nullopt, std::nullopt).dateSeparator, '/');
}

// The file system of the program, noting every attribute word it writes: Wine always reports
// the archive bit, so a cleared archive bit is only visible in the word written.
class RecordingFs : public win::Win32FileSystem {
 public:
  int SetAttributes(const std::string& path, uint32_t attributes) override {
    written.push_back(attributes);
    return Win32FileSystem::SetAttributes(path, attributes);
  }
  std::vector<uint32_t> written;
};

SYSTEMTIME LocalLastWrite(const std::string& path) {
  SYSTEMTIME st{};
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return st;
  FILETIME utc, local;
  GetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &st);
  return st;
}

std::string Stamp(const SYSTEMTIME& st) {
  char buf[64];
  wsprintfA(buf, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
  return buf;
}

// The flags Wine's own attrib tool, another process, reports for a file: "RASH" letters in
// place, blanks for clear bits.
std::string AttribOfOtherProcess(const std::string& path) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "no pipe";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = "C:\\windows\\system32\\attrib.exe \"" + path + "\"";
  BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  std::string out;
  if (started) {
    char buf[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(readEnd);
  if (!started) return "not started";
  // The letters stand before the path.
  const size_t at = out.find(path.substr(0, 2));
  std::string flags = out.substr(0, at == std::string::npos ? out.size() : at);
  std::string letters;
  for (char c : flags)
    if (c == 'R' || c == 'A' || c == 'S' || c == 'H') letters += c;
  return letters;
}

class AttribChangeWine : public ::testing::Test {
 protected:
  void SetUp() override { win::InstallPlatformText(); }
  uint32_t Attr(const std::string& path) { return GetFileAttributesA(path.c_str()); }

  TempFolder tmp;
  RecordingFs fs;
  ErrorList errors;
  AttribChoices choices;
  AttribChanger changer{fs, errors, [this] { return choices; }, win::ReadLocaleDates(), [] { return 2026; }};
};

TEST_F(AttribChangeWine, ReadOnlyFileGetsTheDateAndStaysReadOnlyUnlessCleared) {
  const std::string kept = tmp / "表ソ.txt", cleared = tmp / "b.txt";
  WriteFile(kept, "a", FILE_ATTRIBUTE_READONLY);
  WriteFile(cleared, "b", FILE_ATTRIBUTE_READONLY);
  choices.dateText = "2001/02/03 04:05:59";
  changer.ChangeFileAttr(kept);
  EXPECT_TRUE(errors.Empty());
  EXPECT_EQ(Stamp(LocalLastWrite(kept)), "2001-02-03 04:05:58");  // two-second steps
  EXPECT_TRUE(Attr(kept) & FILE_ATTRIBUTE_READONLY);
  // Cleared for the date, put back, and nothing more: every choice is "不変".
  ASSERT_EQ(fs.written.size(), 2u);
  EXPECT_FALSE(fs.written[0] & kAttrReadOnly);
  EXPECT_TRUE(fs.written[1] & kAttrReadOnly);

  choices.readOnly = kClear;
  fs.written.clear();
  changer.ChangeFileAttr(cleared);
  EXPECT_TRUE(errors.Empty());
  EXPECT_EQ(Stamp(LocalLastWrite(cleared)), "2001-02-03 04:05:58");
  EXPECT_FALSE(Attr(cleared) & FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(fs.written.size(), 3u);
  EXPECT_FALSE(fs.written[2] & kAttrReadOnly);
}

TEST_F(AttribChangeWine, FileHeldWithoutSharingGetsFileOpenErrAndStillItsAttributes) {
  const std::string path = tmp / "held.txt";
  WriteFile(path, "x", FILE_ATTRIBUTE_READONLY);
  const std::string before = Stamp(LocalLastWrite(path));
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  choices.dateText = "2001/02/03 04:05:06";
  choices.hidden = kSet;
  changer.ChangeFileAttr(path);
  CloseHandle(held);
  EXPECT_EQ(errors.Lines(), std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = " + path});
  EXPECT_EQ(Stamp(LocalLastWrite(path)), before);
  EXPECT_TRUE(Attr(path) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(Attr(path) & FILE_ATTRIBUTE_READONLY);  // the temporary clearing was undone
}

TEST_F(AttribChangeWine, YearOutsideTheDosRangeGivesDateSetErrForEveryFileAndAttributesStillChange) {
  const std::string a = tmp / "a.txt", b = tmp / "b.txt";
  WriteFile(a, "a");
  WriteFile(b, "b");
  const std::string before = Stamp(LocalLastWrite(a));
  choices.dateText = "2100/01/01 00:00:00";
  choices.system = kSet;
  changer.ChangeFileAttr(a);
  changer.ChangeFileAttr(b);
  EXPECT_EQ(errors.Lines(), (std::vector<std::string>{"DateSetErr ErrCode = 87 FileName = " + a,
                                                      "DateSetErr ErrCode = 87 FileName = " + b}));
  EXPECT_EQ(Stamp(LocalLastWrite(a)), before);
  EXPECT_TRUE(Attr(a) & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(Attr(b) & FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(AttribChangeWine, HiddenAndSystemSetAndClearedAsAnotherProcessSeesThem) {
  const std::string path = tmp / "表ソ h.txt";
  WriteFile(path, "x");
  EXPECT_EQ(AttribOfOtherProcess(path), "A");
  choices.hidden = kSet;
  choices.system = kSet;
  choices.readOnly = kSet;
  changer.ChangeFileAttr(path);
  EXPECT_TRUE(errors.Empty());
  EXPECT_EQ(AttribOfOtherProcess(path), "ASHR");
  choices = {};
  choices.hidden = kClear;
  choices.system = kClear;
  choices.readOnly = kClear;
  choices.archive = kClear;
  fs.written.clear();
  changer.ChangeFileAttr(path);
  EXPECT_EQ(AttribOfOtherProcess(path), "A");  // Wine keeps reporting the archive bit
  ASSERT_EQ(fs.written.size(), 1u);
  EXPECT_EQ(fs.written[0] & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive), 0u);
  choices.archive = kSet;
  changer.ChangeFileAttr(path);
  ASSERT_EQ(fs.written.size(), 2u);
  EXPECT_TRUE(fs.written[1] & kAttrArchive);
}

TEST_F(AttribChangeWine, MissingFileFailsTheAttributeWriteButIsSkippedWithADate) {
  const std::string path = tmp / "missing.txt";
  choices.hidden = kSet;
  changer.ChangeFileAttr(path);
  EXPECT_EQ(errors.Lines(), std::vector<std::string>{"Attribute SetErr ErrCode = 2 FileName = " + path});
  errors.Clear();
  choices.dateText = "2001/02/03 04:05:06";
  changer.ChangeFileAttr(path);  // unreadable attributes count as a folder: left alone
  EXPECT_TRUE(errors.Empty());
}

class BoxesWine : public ::testing::Test {
 protected:
  Host host;
};

TEST_F(BoxesWine, ErrorConfirmationAndNoticeBoxes) {
  {
    BoxAnswerer answer(IDOK);
    win::ShowErrorBox(host.wnd, "C:\\x\\Morvane.ini に書き込めません");
    ASSERT_TRUE(answer.Seen().seen);
    EXPECT_EQ(answer.Seen().caption, "Morvane");
    EXPECT_EQ(answer.Seen().text, "C:\\x\\Morvane.ini に書き込めません.");
    EXPECT_EQ(answer.Seen().icon, LoadIconA(nullptr, IDI_HAND));
  }
  {
    BoxAnswerer answer(IDYES);
    EXPECT_TRUE(win::ConfirmYesNo(host.wnd, kChangeQuestion));
    EXPECT_EQ(answer.Seen().caption, "確認");
    EXPECT_EQ(answer.Seen().text, kChangeQuestion);
    EXPECT_EQ(answer.Seen().icon, LoadIconA(nullptr, IDI_QUESTION));
    EXPECT_EQ(answer.Seen().defaultId, IDYES);
    EXPECT_TRUE(answer.Seen().hasNo);
  }
  {
    BoxAnswerer answer(IDNO);
    EXPECT_FALSE(win::ConfirmYesNo(host.wnd, kChangeQuestion));
  }
  {
    BoxAnswerer answer(IDOK);
    win::ShowNotice(host.wnd, kNothingChosenNotice);
    EXPECT_EQ(answer.Seen().caption, "Morvane");
    EXPECT_EQ(answer.Seen().text, kNothingChosenNotice);
    EXPECT_EQ(answer.Seen().icon, nullptr);
    EXPECT_FALSE(answer.Seen().hasNo);
  }
}

class Form3Wine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(form3.Create(GetModuleHandleA(nullptr))); }
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    const int n = static_cast<int>(SendMessageA(form3.ErrList(), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char buf[1024] = {};
      SendMessageA(form3.ErrList(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
      items.push_back(buf);
    }
    return items;
  }
  ErrorList errors;
  TForm3 form3{errors};
};

TEST_F(Form3Wine, WindowLayoutAndFont) {
  HWND w = form3.Handle();
  EXPECT_EQ(WindowText(w), "エラー表示");
  EXPECT_FALSE(IsWindowVisible(w));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 316);
  EXPECT_EQ(r.top, 106);
  EXPECT_EQ(r.right - r.left, 435);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(WindowText(form3.Button1()), "確認");
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form3.ErrList(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック");
  EXPECT_EQ(lf.lfHeight, -12);

  // The list fills the window above the strip; the button sits at the strip's right end.
  SetWindowPos(w, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client, list, button;
  GetClientRect(w, &client);
  GetWindowRect(form3.ErrList(), &list);
  GetWindowRect(form3.Button1(), &button);
  MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&list), 2);
  MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.top, 0);
  EXPECT_EQ(list.right, client.right);
  EXPECT_LE(list.bottom, button.top);
  EXPECT_GT(button.left, client.right / 2);
  EXPECT_LE(button.right, client.right);
  EXPECT_LE(button.bottom, client.bottom);
}

TEST_F(Form3Wine, ListFollowsTheErrorsAndConfirmHidesKeepingTheLines) {
  errors.Append(FileOpenErrLine(-1, "C:\\a\\表ソ.txt"));
  errors.Append(DateSetErrLine(87, "C:\\a\\b.txt"));
  EXPECT_EQ(Items(), (std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = C:\\a\\表ソ.txt",
                                               "DateSetErr ErrCode = 87 FileName = C:\\a\\b.txt"}));
  form3.Show();
  EXPECT_TRUE(IsWindowVisible(form3.Handle()));
  SendMessageA(form3.Button1(), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(form3.Handle()));
  EXPECT_EQ(Items().size(), 2u);
  form3.Show();
  EXPECT_TRUE(IsWindowVisible(form3.Handle()));
  EXPECT_EQ(Items().size(), 2u);
  // The close box hides too; the window lives on.
  SendMessageA(form3.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(form3.Handle()));
  EXPECT_FALSE(IsWindowVisible(form3.Handle()));

  errors.Clear();
  EXPECT_TRUE(Items().empty());
  errors.Append(NotCopyLine("D:\\c.txt"));
  EXPECT_EQ(Items(), std::vector<std::string>{"Not Copy FileName = D:\\c.txt"});
}

// The change command through the real boxes and the real error window.
TEST(AttribRunWine, ConfirmedRunShowsTheErrorWindowAndADateErrorEndsInTheErrorBox) {
  win::InstallPlatformText();
  Host host;
  TempFolder tmp;
  const std::string held = tmp / "held.txt", free = tmp / "free.txt";
  WriteFile(held, "h");
  WriteFile(free, "f");
  TargetTree tree;
  Node& root = tree.AddRoot(tmp.Path() + "\\");
  AppendFileEntry(root, "1," + held);
  AppendFileEntry(root, "1," + free);

  win::Win32FileSystem fs;
  ErrorList errors;
  AttribChoices choices;
  AttribChanger changer{fs, errors, [&] { return choices; }, win::ReadLocaleDates(), [] { return 2026; }};
  TForm3 form3{errors};
  ASSERT_TRUE(form3.Create(GetModuleHandleA(nullptr)));
  int refills = 0;
  win::Win32AttribRunUi ui(host.wnd, [&] { ++refills; }, [&] { form3.Show(); });

  {
    BoxAnswerer answer(IDOK);
    EXPECT_EQ(RunChangeAll(changer, errors, tree, ui), RunResult::NothingChosen);
    EXPECT_EQ(answer.Seen().text, kNothingChosenNotice);
  }
  choices.dateText = "2001/02/03 04:05:06";
  errors.Append("older line");
  {
    BoxAnswerer answer(IDNO);
    EXPECT_EQ(RunChangeAll(changer, errors, tree, ui), RunResult::Declined);
    EXPECT_EQ(errors.Count(), 1u);  // declined: the list is not cleared
  }
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  {
    BoxAnswerer answer(IDYES);
    EXPECT_EQ(RunChangeAll(changer, errors, tree, ui), RunResult::Done);
    EXPECT_EQ(answer.Seen().caption, "確認");
  }
  CloseHandle(h);
  EXPECT_EQ(refills, 1);
  EXPECT_TRUE(IsWindowVisible(form3.Handle()));
  EXPECT_EQ(SendMessageA(form3.ErrList(), LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(errors.Lines(), std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = " + held});
  EXPECT_EQ(Stamp(LocalLastWrite(free)), "2001-02-03 04:05:06");

  // A date that does not convert ends the command in the error box, before any file changes.
  choices.dateText = "2001/13/03 04:05:06";
  choices.hidden = kSet;
  {
    BoxAnswerer answer({IDYES, IDOK});  // the confirmation, then the error box
    bool ran = win::RunReportingDateErrors(host.wnd, [&] { RunChangeAll(changer, errors, tree, ui); });
    EXPECT_FALSE(ran);
    ASSERT_EQ(answer.All().size(), 2u);
    EXPECT_EQ(answer.All()[1].text, "'2001/13/03 04:05:06' は日付または時刻ではありません.");
  }
  EXPECT_EQ(refills, 1);
  EXPECT_FALSE(GetFileAttributesA(free.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
