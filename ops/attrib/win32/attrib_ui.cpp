#include "ops/attrib/win32/attrib_ui.h"

#include <utility>

#include "ops/common/win32/message_boxes.h"

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
                            const std::optional<std::string>& am,
                            const std::optional<std::string>& pm) {
  LocaleDates dates;
  TakeText(shortDate, dates.shortDatePattern);
  TakeSeparator(dateSeparator, dates.dateSeparator);
  TakeSeparator(timeSeparator, dates.timeSeparator);
  TakeText(am, dates.amMarker);
  TakeText(pm, dates.pmMarker);
  return dates;
}

LocaleDates ReadLocaleDates() {
  return LocaleDatesFrom(LocaleValue(LOCALE_SSHORTDATE), LocaleValue(LOCALE_SDATE),
                         LocaleValue(LOCALE_STIME), LocaleValue(LOCALE_S1159),
                         LocaleValue(LOCALE_S2359));
}

int CurrentLocalYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

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

DateLayoutMenu::DateLayoutMenu(UINT firstId)
    : menu_(CreatePopupMenu()), firstId_(firstId), owned_(true) {
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
  if (std::optional<DateLayout> layout = LayoutFromAgeLabel(storedLabel))
    Choose(*layout, field, ageLabel);
}

Win32AttribRunUi::Win32AttribRunUi(HWND owner, std::function<void()> refillFileList,
                                   std::function<void()> showErrorWindow)
    : owner_(owner), refill_(std::move(refillFileList)), showErrors_(std::move(showErrorWindow)) {}

void Win32AttribRunUi::Notice(const std::string& text) { ShowNotice(owner_, text); }
bool Win32AttribRunUi::Confirm(const std::string& question) {
  return ConfirmYesNo(owner_, question);
}
void Win32AttribRunUi::SetBusy(bool busy) {
  SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}
void Win32AttribRunUi::RefillFileList() {
  if (refill_) refill_();
}
void Win32AttribRunUi::ShowErrorWindow() {
  if (showErrors_) showErrors_();
}

}  // namespace mv::win
