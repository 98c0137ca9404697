#include "ops/attrib/date_time.h"

#include "platform/text.h"

namespace mv {
namespace {

char DateSeparatorOf(const LocaleDates& locale) {
  return locale.dateSeparator ? locale.dateSeparator : '/';
}
char TimeSeparatorOf(const LocaleDates& locale) {
  return locale.timeSeparator ? locale.timeSeparator : ':';
}

// Steps through the text the way the field's conversion reads it: blanks are skipped before
// every number, separator and marker.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : s_(text) {}

  void SkipBlanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  bool AtEnd() const { return i_ >= s_.size(); }

  // Digits while the value so far is below 1000, so at most 9999 comes out.
  bool Number(int& value) {
    SkipBlanks();
    const size_t start = i_;
    int v = 0;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9' && v < 1000)
      v = v * 10 + (s_[i_++] - '0');
    if (i_ == start) return false;
    value = v;
    return true;
  }

  bool Separator(char c) {
    SkipBlanks();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }

  // ASCII letters compare without case; double-byte characters must match byte for byte.
  bool Marker(std::string_view marker) {
    SkipBlanks();
    if (marker.empty() || s_.size() - i_ < marker.size()) return false;
    if (!AsciiEqualsNoCase(marker, s_.substr(i_, marker.size()))) return false;
    i_ += marker.size();
    return true;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

bool ScanDate(Scanner& in, const LocaleDates& locale, int currentYear, DateTime& dt) {
  const char sep = DateSeparatorOf(locale);
  const DateOrder order = DateOrderOf(locale.shortDatePattern);
  int n1 = 0, n2 = 0, n3 = 0;
  if (!in.Number(n1) || !in.Separator(sep) || !in.Number(n2)) return false;
  if (in.Separator(sep)) {
    if (!in.Number(n3)) return false;
    switch (order) {
      case DateOrder::MonthDayYear:
        dt.month = n1, dt.day = n2, dt.year = n3;
        break;
      case DateOrder::DayMonthYear:
        dt.day = n1, dt.month = n2, dt.year = n3;
        break;
      case DateOrder::YearMonthDay:
        dt.year = n1, dt.month = n2, dt.day = n3;
        break;
    }
    if (dt.year < 100) dt.year += currentYear / 100 * 100;
  } else {
    dt.year = currentYear;
    if (order == DateOrder::DayMonthYear)
      dt.day = n1, dt.month = n2;
    else
      dt.month = n1, dt.day = n2;
  }
  in.Separator(sep);
  in.SkipBlanks();
  return dt.year >= 1 && dt.year <= 9999 && dt.day >= 1 && dt.day <= DaysInMonth(dt.year, dt.month);
}

bool ScanTime(Scanner& in, const LocaleDates& locale, DateTime& dt) {
  const char sep = TimeSeparatorOf(locale);
  int hour = 0, minute = 0, second = 0;
  if (!in.Number(hour)) return false;
  if (in.Separator(sep)) {
    if (!in.Number(minute)) return false;
    if (in.Separator(sep) && !in.Number(second)) return false;
  }
  const bool am = in.Marker(locale.amMarker) || in.Marker("AM");
  const bool pm = !am && (in.Marker(locale.pmMarker) || in.Marker("PM"));
  if (am || pm) {
    if (hour < 1 || hour > 12) return false;
    if (hour == 12) hour = 0;
    if (pm) hour += 12;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  dt.hour = hour, dt.minute = minute, dt.second = second;
  return true;
}

// Days from 1 March of year 0 in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

}  // namespace

DateOrder DateOrderOf(std::string_view pattern) {
  for (size_t i = 0, step; i < pattern.size(); i += step) {
    step = CharSize(pattern, i);
    if (step == 2) continue;  // a trail byte may look like a letter
    switch (AsciiUpper(pattern[i])) {
      case 'D':
        return DateOrder::DayMonthYear;
      case 'Y':
        return DateOrder::YearMonthDay;
      case 'M':
        return DateOrder::MonthDayYear;
      default:
        break;
    }
  }
  return DateOrder::MonthDayYear;
}

double DateTime::DayCount() const {
  const int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
  return static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string DateConvertMessage(std::string_view text) {
  std::string message = "'";
  message += text;
  message += "' は日付または時刻ではありません";
  return message;
}

DateConvertError::DateConvertError(std::string_view text)
    : std::runtime_error(DateConvertMessage(text)), text_(text) {}

std::optional<DateTime> TryParseAgeText(std::string_view text, const LocaleDates& locale,
                                        int currentYear) {
  Scanner in(text);
  DateTime dt;
  if (!ScanDate(in, locale, currentYear, dt)) return std::nullopt;
  if (!in.AtEnd() && !ScanTime(in, locale, dt)) return std::nullopt;
  return dt;
}

DateTime ParseAgeText(std::string_view text, const LocaleDates& locale, int currentYear) {
  std::optional<DateTime> dt = TryParseAgeText(text, locale, currentYear);
  if (!dt) throw DateConvertError(text);
  return *dt;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

uint32_t PackDosDateTime(const DateTime& dt) {
  if (dt.year < 1980 || dt.year > 2099) return 0;
  const uint32_t date = (static_cast<uint32_t>(dt.year - 1980) << 9) |
                        (static_cast<uint32_t>(dt.month) << 5) | static_cast<uint32_t>(dt.day);
  const uint32_t time = (static_cast<uint32_t>(dt.hour) << 11) |
                        (static_cast<uint32_t>(dt.minute) << 5) |
                        static_cast<uint32_t>(dt.second / 2);
  return (date << 16) | time;
}

}  // namespace mv
