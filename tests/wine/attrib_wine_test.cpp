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
#include "ops/common/win32/message_boxes.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win32.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

std::vector<int> g_commands;  // WM_COMMAND ids the host received from menus

// A plain top-level window to hold the controls under test. A popup shown without activation:
// without a window manager Wine waits 2 s when a managed window is hidden.
LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && lp == 0) g_commands.push_back(LOWORD(wp));
  return DefWindowProcA(w, msg, wp, lp);
}

struct Host {
  Host() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &HostProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MvAttribTestHost";
    RegisterClassExA(&wc);
    wnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_BORDER, 50, 50, 400, 200, nullptr,
                          nullptr, instance, nullptr);
    other = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 60, 100, 20, wnd, nullptr,
                            instance, nullptr);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    g_commands.clear();
    PumpPending();
  }
  ~Host() { DestroyWindow(wnd); }
  HWND wnd = nullptr, other = nullptr;
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
  std::string Read() const { return WindowText(edit.Handle()); }
  Host host;
  win::MaskEdit edit{LocaleDates{}};
};

TEST_F(MaskEditWine, TypingOverwritesStepsOverSeparatorsAndReadsBlanks) {
  EXPECT_EQ(edit.ShownText(), "____/__/__ __:__:__");
  EXPECT_EQ(Read(), "    /  /     :  :  ");
  EXPECT_EQ(GetWindowTextLengthA(E()), 19);
  EXPECT_EQ(SendMessageA(E(), EM_GETLIMITTEXT, 0, 0), 19);

  Chars(E(), "1997a05071200009");  // the letter is refused, the last digit has no place
  EXPECT_EQ(Read(), "1997/05/07 12:00:00");
  EXPECT_EQ(Caret(E()), 19u);
  Key(E(), VK_HOME);
  Chars(E(), "2\b");  // overwrites, then untypes
  EXPECT_EQ(Read(), " 997/05/07 12:00:00");
  EXPECT_EQ(edit.ShownText(), "_997/05/07 12:00:00");

  // Left and Right step over the separators; Delete untypes without moving.
  Key(E(), VK_END);
  for (int i = 0; i < 3; ++i) Key(E(), VK_LEFT);
  EXPECT_EQ(Caret(E()), 15u);
  Key(E(), VK_DELETE);
  Key(E(), VK_RIGHT);
  EXPECT_EQ(Caret(E()), 17u);
  Key(E(), VK_DELETE);
  EXPECT_EQ(Read(), " 997/05/07 12:0 : 0");

  // A selection is untyped by Delete and by Backspace, and replaced by a typed digit.
  SendMessageA(E(), EM_SETSEL, 5, 10);
  Key(E(), VK_DELETE);
  EXPECT_EQ(Read(), " 997/  /   12:0 : 0");
  EXPECT_EQ(Caret(E()), 5u);
  SendMessageA(E(), EM_SETSEL, 11, 19);
  Chars(E(), "\b");
  SendMessageA(E(), EM_SETSEL, 0, 4);
  Chars(E(), "2");
  SendMessageA(E(), WM_IME_CHAR, 0x8250, 0);  // a full-width "１" from the input method
  EXPECT_EQ(Read(), "21  /  /     :  :  ");
  EXPECT_EQ(edit.ShownText(), "21__/__/__ __:__:__");

  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                           "ＭＳ Ｐゴシック");
  SendMessageA(E(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(E(), WM_GETFONT, 0, 0)), font);
  DestroyWindow(E());  // before the font goes
  DeleteObject(font);
}

TEST_F(MaskEditWine, PasteTypesTheDigitsAndCutTakesTheReadText) {
  SetClipboardText(host.wnd, "2000/02/29 x 23:59");
  SendMessageA(E(), WM_PASTE, 0, 0);
  EXPECT_EQ(Read(), "2000/02/29 23:59:  ");
  EXPECT_EQ(Caret(E()), 17u);
  SendMessageA(E(), EM_SETSEL, 0, 7);
  SendMessageA(E(), WM_CUT, 0, 0);
  EXPECT_EQ(ClipboardText(host.wnd), "2000/02");
  EXPECT_EQ(Read(), "    /  /29 23:59:  ");
  SendMessageA(E(), EM_SETSEL, 8, 19);
  SendMessageA(E(), WM_COPY, 0, 0);
  EXPECT_EQ(ClipboardText(host.wnd), "29 23:59:  ");  // blanks, not the shown "_"
  SendMessageA(E(), WM_CLEAR, 0, 0);
  EXPECT_TRUE(edit.Model().Untouched());
  SetWindowTextA(E(), "1997/05/07 12:00:00");  // taken as typed from the first position
  EXPECT_EQ(Read(), "1997/05/07 12:00:00");
}

TEST_F(MaskEditWine, SetMaskReLaysTheTypedDigitsAndTheLimit) {
  Chars(E(), "19970507120000");
  edit.SetMask(Mask(DateLayout::monthYYYY));
  EXPECT_EQ(Read(), "19/97/0507 12:00:00");
  EXPECT_EQ(edit.ShownText(), "19/97/0507 12:00:00");

  LocaleDates dots;
  dots.dateSeparator = '.';
  dots.timeSeparator = '-';
  win::MaskEdit yy{dots, Mask(DateLayout::yearYY)};
  ASSERT_TRUE(yy.Create(host.wnd, 201, 10, 40, 137, 20));
  EXPECT_EQ(SendMessageA(yy.Handle(), EM_GETLIMITTEXT, 0, 0), 17);
  EXPECT_EQ(yy.ShownText(), "__.__.__ __-__-__");
  yy.SetMask(Mask(DateLayout::MonthYY));  // untouched stays untouched
  EXPECT_EQ(WindowText(yy.Handle()), "  .  .     -  -  ");
  Chars(yy.Handle(), "970507120000");
  yy.SetMask(Mask(DateLayout::yearYYYY));
  EXPECT_EQ(SendMessageA(yy.Handle(), EM_GETLIMITTEXT, 0, 0), 19);
  EXPECT_EQ(yy.ShownText(), "__97.05.07 12-00-00");
  EXPECT_EQ(WindowText(yy.Handle()), "  97.05.07 12-00-00");
  EXPECT_TRUE(IsDateTextEmpty(WindowText(yy.Handle())));
}

bool g_menuSeen = false;
void CALLBACK MenuTick(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup || !IsWindowVisible(popup) || g_menuSeen) return;
  g_menuSeen = true;
  // Keys go to the menu's own loop: pick the second item.
  for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(popup, WM_KEYDOWN, key, 0);
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
  SendMessageA(E(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(E()),
               MAKELPARAM(r.left + 5, r.top + 5));
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_menuSeen);
  EXPECT_TRUE(PumpUntil([] { return !g_commands.empty(); }, 3000));
  EXPECT_EQ(g_commands, std::vector<int>{902});
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
  BoxWatcher answer(PressFirst({IDOK}));
  SetFocus(E());
  SetFocus(host.other);  // an untouched field: no box
  ASSERT_TRUE(PumpUntil([&] { return exits == 1; }));
  EXPECT_TRUE(accepted);
  EXPECT_EQ(answer.seen.size(), 0u);
  EXPECT_EQ(focusAtExit, host.other);

  SetFocus(E());
  Chars(E(), "19970229000000");  // no 29 February in 1997
  SetFocus(host.other);
  ASSERT_TRUE(PumpUntil([&] { return exits == 2; }));
  EXPECT_FALSE(accepted);
  ASSERT_EQ(answer.seen.size(), 1u);
  EXPECT_EQ(answer.seen[0].caption, "Morvane");
  EXPECT_EQ(answer.seen[0].text, "'1997/02/29 00:00:00' は日付または時刻ではありません.");
  EXPECT_EQ(answer.seen[0].icon, LoadIconA(nullptr, IDI_HAND));
  EXPECT_TRUE(answer.seen[0].Has(IDOK) && !answer.seen[0].Has(IDNO));
  EXPECT_EQ(Read(), "1997/02/29 00:00:00");  // neither corrected nor cleared
}

TEST_F(MaskEditWine, LayoutMenuChoosesMaskLabelAndCheckMark) {
  HWND label = CreateWindowExA(0, "STATIC", "", WS_CHILD, 220, 10, 150, 16, host.wnd, nullptr,
                               nullptr, nullptr);
  win::DateLayoutMenu menu(700);
  auto checked = [&] {
    std::string marks;
    for (UINT id = 700; id < 704; ++id)
      marks += (GetMenuState(menu.Handle(), id, MF_BYCOMMAND) & MF_CHECKED) ? 'x' : '-';
    return marks;
  };
  EXPECT_EQ(GetMenuItemCount(menu.Handle()), 4);
  menu.Restore("(mm/dd/yy hh:mm:ss)", edit, label);
  EXPECT_EQ(WindowText(label), "(mm/dd/yy hh:mm:ss)");
  EXPECT_EQ(edit.MaskText(), Mask(DateLayout::MonthYY));
  EXPECT_EQ(checked(), "---x");
  ASSERT_EQ(menu.LayoutOf(700), DateLayout::yearYYYY);
  EXPECT_FALSE(menu.LayoutOf(704));
  menu.Choose(*menu.LayoutOf(700), edit, label);
  EXPECT_EQ(checked(), "x---");
  EXPECT_EQ(WindowText(label), "(yyyy/mm/dd hh:mm:ss)");

  // The main window's own edit and menu, taken over; a stored text naming no layout is shown
  // as it is and changes nothing else.
  HWND own = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 40, 137, 20, host.wnd,
                             nullptr, nullptr, nullptr);
  HMENU popup = CreatePopupMenu();
  for (UINT id = 710; id < 714; ++id) AppendMenuA(popup, MF_STRING, id, "x");
  {
    win::MaskEdit attached{LocaleDates{}};
    ASSERT_TRUE(attached.Attach(own));
    EXPECT_EQ(attached.ShownText(), "____/__/__ __:__:__");
    win::DateLayoutMenu other(popup, 710);
    other.Restore("(YYYY/mm/dd hh:mm:ss)", attached, label);
    EXPECT_EQ(WindowText(label), "(YYYY/mm/dd hh:mm:ss)");
    EXPECT_EQ(attached.MaskText(), kInitialDateMask);
    for (UINT id = 710; id < 714; ++id)
      EXPECT_FALSE(GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED);
    Chars(own, "2");
    EXPECT_EQ(WindowText(own), "2   /  /     :  :  ");
  }
  EXPECT_TRUE(IsWindow(own));  // let go, not destroyed: its text is the shown one again
  EXPECT_EQ(WindowText(own), "2___/__/__ __:__:__");
  EXPECT_TRUE(IsMenu(popup));
  DestroyMenu(popup);
}

TEST(AttribLocaleWine, ReadsTheLocaleAndKeepsDefaultsForMissingValues) {
  const LocaleDates ja = win::ReadLocaleDates();
  EXPECT_EQ(DateOrderOf(ja.shortDatePattern), DateOrder::YearMonthDay) << ja.shortDatePattern;
  EXPECT_EQ(std::string() + ja.dateSeparator + ja.timeSeparator + ja.amMarker + ja.pmMarker,
            "/:午前午後");
  // Missing or empty values keep the defaults, and so does a separator that cannot take one
  // position (two characters, a double-byte one, a digit).
  const LocaleDates none = win::LocaleDatesFrom(std::nullopt, "年", ". ", "", std::nullopt);
  EXPECT_EQ(none.shortDatePattern + none.dateSeparator + none.timeSeparator + none.amMarker +
                none.pmMarker,
            "m/d/yy/:ampm");
  const LocaleDates de = win::LocaleDatesFrom("dd.MM.yyyy", ".", "1", "AM", "PM");
  EXPECT_EQ(DateOrderOf(de.shortDatePattern), DateOrder::DayMonthYear);
  EXPECT_EQ(std::string() + de.dateSeparator + de.timeSeparator + de.amMarker, ".:AM");
}

std::string LocalLastWrite(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  FILETIME utc{}, local{};
  if (h != INVALID_HANDLE_VALUE) GetFileTime(h, nullptr, nullptr, &utc), CloseHandle(h);
  SYSTEMTIME st{};
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &st);
  char buf[64];
  wsprintfA(buf, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour,
            st.wMinute, st.wSecond);
  return buf;
}

// The R, A, S, H letters Wine's attrib tool, another process, prints before the path.
std::string AttribOfOtherProcess(const std::string& path) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "no pipe";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = writeEnd;
  PROCESS_INFORMATION pi{};
  std::string cmd = "C:\\windows\\system32\\attrib.exe \"" + path + "\"";
  BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  std::string out;
  char buf[512];
  DWORD got = 0;
  while (started && ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(readEnd);
  if (!started) return "not started";
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::string letters;
  for (char c : out.substr(0, out.find(path.substr(0, 2))))
    if (std::strchr("RASH", c)) letters += c;
  return letters;
}

class AttribChangeWine : public ::testing::Test {
 protected:
  void SetUp() override { win::InstallPlatformText(); }
  uint32_t Attr(const std::string& path) { return GetFileAttributesA(path.c_str()); }

  TempFolder tmp;
  win::Win32FileSystem fs;
  ErrorList errors;
  AttribChoices choices;
  AttribChanger changer{fs, errors, [this] { return choices; }, win::ReadLocaleDates(),
                        [] { return 2026; }};
};

// The order of the steps and the lines are the changer's own rules; here what only real files
// show: the time and the bits on disk, a file another handle holds without sharing, a date the
// platform refuses, a missing file's own error code.
TEST_F(AttribChangeWine, RealFilesTakeTheDateAndTheBitsOrTellWhy) {
  const DWORD kBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  struct Case {
    const char* name;
    DWORD attributes;  // at the start; 0: no such file
    bool held;         // another handle holds it without sharing
    const char* date;
    int readOnly, hidden, system;
    const char* error;  // the line before the path, "" for none
    bool dated;         // the last-write time is the date afterwards
    DWORD bits;         // read-only, hidden and system afterwards
  };
  const Case cases[] = {
      {"表ソ.txt", FILE_ATTRIBUTE_READONLY, false, "2001/02/03 04:05:06", kLeave, kLeave, kLeave,
       "", true, FILE_ATTRIBUTE_READONLY},
      {"cleared.txt", FILE_ATTRIBUTE_READONLY, false, "2001/02/03 04:05:06", kClear, kLeave, kLeave,
       "", true, 0},
      {"held.txt", FILE_ATTRIBUTE_READONLY, true, "2001/02/03 04:05:06", kLeave, kSet, kLeave,
       "FileOpenErr ErrCode = -1", false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      {"late.txt", FILE_ATTRIBUTE_NORMAL, false, "2100/01/01 00:00:00", kLeave, kLeave, kSet,
       "DateSetErr ErrCode = 87", false, FILE_ATTRIBUTE_SYSTEM},
      {"missing.txt", 0, false, "", kLeave, kSet, kLeave, "Attribute SetErr ErrCode = 2", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = tmp / c.name;
    if (c.attributes) WriteFile(path, "x", c.attributes);
    const std::string before = c.attributes ? LocalLastWrite(path) : "";
    win::ScopedFile held(
        c.held ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
               : INVALID_HANDLE_VALUE);
    ASSERT_EQ(static_cast<bool>(held), c.held);
    choices = AttribChoices{c.readOnly, kLeave, c.system, c.hidden, c.date};
    errors.Clear();
    changer.ChangeFileAttr(path);
    held.Reset();
    EXPECT_EQ(errors.Lines(),
              *c.error ? std::vector<std::string>{std::string(c.error) + " FileName = " + path}
                       : std::vector<std::string>{});
    if (!c.attributes) continue;
    EXPECT_EQ(LocalLastWrite(path), c.dated ? "2001-02-03 04:05:06" : before);
    EXPECT_EQ(Attr(path) & kBits, c.bits);
  }
}

TEST_F(AttribChangeWine, HiddenAndSystemSetAndClearedAsAnotherProcessSeesThem) {
  const std::string path = tmp / "表ソ h.txt";
  WriteFile(path, "x");
  EXPECT_EQ(AttribOfOtherProcess(path), "A");
  choices.hidden = choices.system = choices.readOnly = kSet;
  changer.ChangeFileAttr(path);
  EXPECT_TRUE(errors.Empty());
  EXPECT_EQ(AttribOfOtherProcess(path), "ASHR");
  choices.hidden = choices.system = choices.readOnly = choices.archive = kClear;
  changer.ChangeFileAttr(path);
  EXPECT_EQ(AttribOfOtherProcess(path), "A");  // Wine keeps reporting the archive bit
}

TEST(BoxesWine, ErrorConfirmationAndNoticeBoxes) {
  Host host;
  BoxWatcher answer(PressInTurn({IDOK, IDYES, IDNO, IDOK}));
  win::ShowErrorBox(host.wnd, "C:\\x\\Morvane.ini に書き込めません");
  EXPECT_TRUE(win::ConfirmYesNo(host.wnd, kChangeQuestion));
  EXPECT_FALSE(win::ConfirmYesNo(host.wnd, kChangeQuestion));
  win::ShowNotice(host.wnd, kNothingChosenNotice);
  ASSERT_EQ(answer.seen.size(), 4u);
  EXPECT_EQ(answer.seen[0].caption, "Morvane");
  EXPECT_EQ(answer.seen[0].text, "C:\\x\\Morvane.ini に書き込めません.");
  EXPECT_EQ(answer.seen[0].icon, LoadIconA(nullptr, IDI_HAND));
  EXPECT_EQ(answer.seen[1].caption, "確認");
  EXPECT_EQ(answer.seen[1].text, kChangeQuestion);
  EXPECT_EQ(answer.seen[1].icon, LoadIconA(nullptr, IDI_QUESTION));
  EXPECT_EQ(answer.seen[1].defaultId, IDYES);
  EXPECT_TRUE(answer.seen[1].Has(IDNO));
  EXPECT_EQ(answer.seen[3].caption, "Morvane");
  EXPECT_EQ(answer.seen[3].text, kNothingChosenNotice);
  EXPECT_EQ(answer.seen[3].icon, nullptr);
  EXPECT_TRUE(answer.seen[3].Has(IDOK) && !answer.seen[3].Has(IDNO));
}

class Form3Wine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(form3.Create(GetModuleHandleA(nullptr))); }
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    for (int i = 0, n = static_cast<int>(SendMessageA(form3.ErrList(), LB_GETCOUNT, 0, 0)); i < n;
         ++i) {
      char buf[1024] = {};
      SendMessageA(form3.ErrList(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
      items.push_back(buf);
    }
    return items;
  }
  RECT InForm(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, form3.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
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
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
            (std::vector<LONG>{316, 106, 435, 300}));
  EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(WindowText(form3.Button1()), "確認");
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form3.ErrList(), WM_GETFONT, 0, 0)), sizeof lf,
             &lf);
  EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック");
  EXPECT_EQ(lf.lfHeight, -12);

  // The list fills the window above the strip; the button sits at the strip's right end.
  SetWindowPos(w, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client, list = InForm(form3.ErrList()), button = InForm(form3.Button1());
  GetClientRect(w, &client);
  EXPECT_EQ((std::vector<LONG>{list.left, list.top, list.right}),
            (std::vector<LONG>{0, 0, client.right}));
  EXPECT_LE(list.bottom, button.top);
  EXPECT_GT(button.left, client.right - 100);
  EXPECT_LE(button.right, client.right);
  EXPECT_LE(button.bottom, client.bottom);
}

TEST_F(Form3Wine, ListFollowsTheErrorsAndConfirmHidesKeepingTheLines) {
  errors.Append(FileOpenErrLine(-1, "C:\\a\\表ソ.txt"));
  errors.Append(DateSetErrLine(87, "C:\\a\\b.txt"));
  EXPECT_EQ(Items(),
            (std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = C:\\a\\表ソ.txt",
                                      "DateSetErr ErrCode = 87 FileName = C:\\a\\b.txt"}));
  form3.Show();
  EXPECT_TRUE(IsWindowVisible(form3.Handle()));
  SendMessageA(form3.Button1(), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(form3.Handle()));
  form3.Show();
  EXPECT_EQ(Items().size(), 2u);
  SendMessageA(form3.Handle(), WM_CLOSE, 0, 0);  // the close box hides too; the window lives on
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
  AttribChanger changer{fs, errors, [&] { return choices; }, win::ReadLocaleDates(),
                        [] { return 2026; }};
  TForm3 form3{errors};
  ASSERT_TRUE(form3.Create(GetModuleHandleA(nullptr)));
  int refills = 0;
  win::Win32AttribRunUi ui(
      host.wnd, [&] { ++refills; }, [&] { form3.Show(); });

  BoxWatcher answer(PressInTurn({IDOK, IDNO, IDYES, IDYES, IDOK}));
  EXPECT_EQ(RunChangeAll(changer, errors, tree, ui), RunResult::NothingChosen);
  choices.dateText = "2001/02/03 04:05:06";
  errors.Append("older line");
  EXPECT_EQ(RunChangeAll(changer, errors, tree, ui), RunResult::Declined);
  EXPECT_EQ(errors.Lines(), std::vector<std::string>{"older line"});  // declined: not cleared

  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(RunChangeAll(changer, errors, tree, ui), RunResult::Done);
  CloseHandle(h);
  EXPECT_EQ(refills, 1);
  EXPECT_TRUE(IsWindowVisible(form3.Handle()));
  EXPECT_EQ(SendMessageA(form3.ErrList(), LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(errors.Lines(),
            std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = " + held});
  EXPECT_EQ(LocalLastWrite(free), "2001-02-03 04:05:06");

  // A date that does not convert ends the command in the error box before any file changes.
  choices.dateText = "2001/13/03 04:05:06";
  choices.hidden = kSet;
  EXPECT_FALSE(
      win::RunReportingDateErrors(host.wnd, [&] { RunChangeAll(changer, errors, tree, ui); }));
  EXPECT_EQ(refills, 1);
  EXPECT_FALSE(GetFileAttributesA(free.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_EQ(answer.seen.size(), 5u);
  EXPECT_EQ(answer.seen[0].text, kNothingChosenNotice);
  EXPECT_EQ(answer.seen[2].caption, "確認");
  EXPECT_EQ(answer.seen[4].text, "'2001/13/03 04:05:06' は日付または時刻ではありません.");
}

}  // namespace
