// The Win32 services of the attribute and date change: the locale's date settings, the date
// field's checks and layouts, and the run's window callbacks.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ops/attrib/change_attr.h"
#include "ops/attrib/date_time.h"
#include "ops/attrib/mask.h"
#include "ops/attrib/win32/MaskEdit.h"
#include "platform/win32/win.h"

namespace mv::win {

// Builds the date settings from what the locale reported; a missing (nullopt or empty) value
// keeps the default. A separator must be one single-byte character to keep the field's
// positions one character each; anything else keeps the default.
LocaleDates LocaleDatesFrom(const std::optional<std::string>& shortDate,
                            const std::optional<std::string>& dateSeparator,
                            const std::optional<std::string>& timeSeparator,
                            const std::optional<std::string>& am,
                            const std::optional<std::string>& pm);
// The user's default locale, read once at start-up.
LocaleDates ReadLocaleDates();

int CurrentLocalYear();

// What leaving the date field does: an empty field is left alone; a text that does not convert
// shows the conversion message in the error box. True when the text is empty or converts.
bool CheckDateField(HWND owner, const std::string& text, const LocaleDates& locale);

// Runs a command and shows a DateConvertError it raises in the error box, as every unhandled
// conversion failure of a command ends. False when it did.
bool RunReportingDateErrors(HWND owner, const std::function<void()>& command);

// The date field's context menu with the four layouts (command ids firstId..firstId+3 in menu
// order), and the handlers that choose a layout.
class DateLayoutMenu {
 public:
  explicit DateLayoutMenu(UINT firstId);         // makes and owns the menu
  DateLayoutMenu(HMENU existing, UINT firstId);  // a menu of the caller's, left to it
  ~DateLayoutMenu();
  DateLayoutMenu(const DateLayoutMenu&) = delete;
  DateLayoutMenu& operator=(const DateLayoutMenu&) = delete;

  HMENU Handle() const { return menu_; }
  // The layout a menu command chooses; none for other commands.
  std::optional<DateLayout> LayoutOf(UINT commandId) const;
  // One layout's handler: the field's mask, the label's caption, the check marks.
  void Choose(DateLayout layout, MaskEdit& field, HWND ageLabel);
  // Start-up: the stored text goes into the label; a text naming a layout runs its handler,
  // anything else leaves the field's mask and every item unchecked.
  void Restore(const std::string& storedLabel, MaskEdit& field, HWND ageLabel);

 private:
  HMENU menu_ = nullptr;
  UINT firstId_;
  bool owned_ = false;
};

// The change commands' window callbacks: boxes owned by `owner`, the busy cursor, and the two
// callbacks the main window supplies.
class Win32AttribRunUi : public AttribRunUi {
 public:
  Win32AttribRunUi(HWND owner, std::function<void()> refillFileList,
                   std::function<void()> showErrorWindow);
  void Notice(const std::string& text) override;
  bool Confirm(const std::string& question) override;
  void SetBusy(bool busy) override;
  void RefillFileList() override;
  void ShowErrorWindow() override;

 private:
  HWND owner_;
  std::function<void()> refill_;
  std::function<void()> showErrors_;
};

}  // namespace mv::win
