#include "ops/attrib/win32/attrib_ui.h"

#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/window.h"


namespace mv::win {
namespace {

std::optional<std::string> LocaleValue(LCTYPE type) {
  char buf[128] = {};
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  if (n <= 0) return std::nullopt;
  return std::string(buf);
}

void TakeText(const std::optional<std::string>& value, std::string& into) {
  if (value && !value->empty()) into = *value;
}

void TakeSeparator(const std::optional<std::string>& value, char& into) {
  if (value && value->size() == 1 && !((*value)[0] >= '0' && (*value)[0] <= '9') &&
      static_cast<unsigned char>((*value)[0]) < 0x80)
    into = (*value)[0];
}

}  // namespace

LocaleDates LocaleDatesFrom(const std::optional<std::string>& shortDate,
                            const std::optional<std::string>& dateSeparator,
                            const std::optional<std::string>& timeSeparator,
                            const std::optional<std::string>& am, const std::optional<std::string>& pm) {
  LocaleDates dates;
  TakeText(shortDate, dates.shortDatePattern);
  TakeSeparator(dateSeparator, dates.dateSeparator);
  TakeSeparator(timeSeparator, dates.timeSeparator);
  TakeText(am, dates.amMarker);
  TakeText(pm, dates.pmMarker);
  return dates;
}

LocaleDates ReadLocaleDates() {
  return LocaleDatesFrom(LocaleValue(LOCALE_SSHORTDATE), LocaleValue(LOCALE_SDATE), LocaleValue(LOCALE_STIME),
                         LocaleValue(LOCALE_S1159), LocaleValue(LOCALE_S2359));
}

int CurrentLocalYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

void ShowErrorBox(HWND owner, const std::string& message) {
  std::string text = message;
  // A message that already ends its sentence gets no second stop.
  if (text.empty() || text.back() != '.') text += '.';
  MessageBoxA(owner, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

namespace {

// The yes/no box of the ConfirmYesNo call in hand (the innermost, when one asks over another).
thread_local Subclass* t_confirmBox = nullptr;

// The confirmation box answers Escape with No, and its buttons carry their mnemonics whatever
// the system's own texts are.
LRESULT CALLBACK ConfirmBoxHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && t_confirmBox && !t_confirmBox->Handle()) {
    HWND box = reinterpret_cast<HWND>(wp);
    char cls[16] = {};
    GetClassNameA(box, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO)) {
      Subclass& hook = *t_confirmBox;
      hook.Attach(box, [box, &hook](UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
          EndDialog(box, IDNO);
          return 0;
        }
        return hook.CallNext(msg, wp, lp);
      });
      SetDlgItemTextA(box, IDYES, "はい(&Y)");
      SetDlgItemTextA(box, IDNO, "いいえ(&N)");
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

bool ConfirmYesNo(HWND owner, const std::string& question) {
  Subclass box;  // held from the box's activation to its end
  Subclass* const outer = std::exchange(t_confirmBox, &box);
  bool yes = false;
  {
    ScopedHook hook(SetWindowsHookExA(WH_CBT, &ConfirmBoxHook, nullptr, GetCurrentThreadId()));
    yes = MessageBoxA(owner, question.c_str(), kConfirmCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
  }
  t_confirmBox = outer;
  return yes;
}

void ShowNotice(HWND owner, const std::string& text) { MessageBoxA(owner, text.c_str(), kAppTitle, MB_OK); }

bool CheckDateField(HWND owner, const std::string& text, const LocaleDates& locale) {
  if (IsDateTextEmpty(text)) return true;
  if (TryParseAgeText(text, locale, CurrentLocalYear())) return true;
  ShowErrorBox(owner, DateConvertMessage(text));
  return false;
}

bool RunReportingDateErrors(HWND owner, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const DateConvertError& e) {
    ShowErrorBox(owner, e.what());
    return false;
  }
}

DateLayoutMenu::DateLayoutMenu(UINT firstId) : menu_(CreatePopupMenu()), firstId_(firstId), owned_(true) {
  for (const DateLayoutInfo& info : DateLayouts())
    AppendMenuA(menu_, MF_STRING, firstId_ + static_cast<UINT>(info.layout), info.menuCaption);
}

DateLayoutMenu::DateLayoutMenu(HMENU existing, UINT firstId) : menu_(existing), firstId_(firstId) {}

DateLayoutMenu::~DateLayoutMenu() {
  if (owned_ && menu_) DestroyMenu(menu_);
}

std::optional<DateLayout> DateLayoutMenu::LayoutOf(UINT commandId) const {
  if (commandId < firstId_ || commandId >= firstId_ + DateLayouts().size()) return std::nullopt;
  return static_cast<DateLayout>(commandId - firstId_);
}

void DateLayoutMenu::Choose(DateLayout layout, MaskEdit& field, HWND ageLabel) {
  const DateLayoutInfo& info = LayoutInfo(layout);
  field.SetMask(info.mask);
  SetWindowTextA(ageLabel, info.ageLabel);
  for (const DateLayoutInfo& other : DateLayouts())
    CheckMenuItem(menu_, firstId_ + static_cast<UINT>(other.layout),
                  MF_BYCOMMAND | (other.layout == layout ? MF_CHECKED : MF_UNCHECKED));
}

void DateLayoutMenu::Restore(const std::string& storedLabel, MaskEdit& field, HWND ageLabel) {
  SetWindowTextA(ageLabel, storedLabel.c_str());
  if (std::optional<DateLayout> layout = LayoutFromAgeLabel(storedLabel)) Choose(*layout, field, ageLabel);
}

Win32AttribRunUi::Win32AttribRunUi(HWND owner, std::function<void()> refillFileList,
                                   std::function<void()> showErrorWindow)
    : owner_(owner), refill_(std::move(refillFileList)), showErrors_(std::move(showErrorWindow)) {}

void Win32AttribRunUi::Notice(const std::string& text) { ShowNotice(owner_, text); }
bool Win32AttribRunUi::Confirm(const std::string& question) { return ConfirmYesNo(owner_, question); }
void Win32AttribRunUi::SetBusy(bool busy) { SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW)); }
void Win32AttribRunUi::RefillFileList() {
  if (refill_) refill_();
}
void Win32AttribRunUi::ShowErrorWindow() {
  if (showErrors_) showErrors_();
}

}  // namespace mv::win
