// Reading the date field's text as a local date-time, and packing a date-time for the file
// system's two-second DOS format.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mv {

// The locale's date conventions, filled once at start-up; these defaults hold when the platform
// supplies nothing. Separators are single bytes so every field position stays one character.
struct LocaleDates {
  std::string shortDatePattern = "m/d/yy";  // only the order of day, month and year is used
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::string amMarker = "am";
  std::string pmMarker = "pm";
};

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The order of the first of d, m, y (either case) in the pattern; month-day-year if none.
DateOrder DateOrderOf(std::string_view shortDatePattern);

struct DateTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;

  // Days since 30 December 1899 with the time of day as the fraction.
  double DayCount() const;
  bool operator==(const DateTime&) const = default;
};

// Raised when a date text does not convert; what() is the message shown to the user.
class DateConvertError : public std::runtime_error {
 public:
  explicit DateConvertError(std::string_view text);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// The message of a failed conversion: "'<text>' は日付または時刻ではありません".
std::string DateConvertMessage(std::string_view text);

// Reads "date [time]" in the locale's order. A year below 100 gets the century of currentYear;
// a date without a year takes currentYear. Fails on anything that is not a valid date and time.
std::optional<DateTime> TryParseAgeText(std::string_view text, const LocaleDates& locale,
                                        int currentYear);
// As TryParseAgeText, raising DateConvertError on failure.
DateTime ParseAgeText(std::string_view text, const LocaleDates& locale, int currentYear);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// Date in the high word (day, month, year-1980), time in the low word (seconds/2, minutes,
// hours). Years outside 1980..2099 pack to 0, which the platform refuses to set.
uint32_t PackDosDateTime(const DateTime& dt);

}  // namespace mv
