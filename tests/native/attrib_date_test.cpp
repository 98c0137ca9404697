#include <gtest/gtest.h>

#include "ops/attrib/date_time.h"

using namespace mv;

namespace mv {
void PrintTo(const DateTime& d, std::ostream* os) {
  *os << d.year << '-' << d.month << '-' << d.day << ' ' << d.hour << ':' << d.minute << ':'
      << d.second;
}
}  // namespace mv

namespace {

LocaleDates Ymd() {
  LocaleDates l;
  l.shortDatePattern = "yyyy/MM/dd";
  return l;
}
LocaleDates Dmy() {
  LocaleDates l;
  l.shortDatePattern = "dd/MM/yyyy";
  return l;
}
const LocaleDates kMdy;  // the defaults: "m/d/yy"
constexpr int kNow = 2026;

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return DateTime{y, mo, d, h, mi, s};
}

}  // namespace

TEST(AgeText, ConvertsInTheLocaleOrder) {
  struct Case {
    LocaleDates locale;
    const char* text;
    std::optional<DateTime> want;
  };
  const Case cases[] = {
      {Ymd(), "1997/05/07 12:00:00", At(1997, 5, 7, 12)},
      {kMdy, "1997/05/07 12:00:00", std::nullopt},  // month 1997
      {kMdy, "05/07/1997 12:00:00", At(1997, 5, 7, 12)},
      {Dmy(), "05/07/1997 12:00:00", At(1997, 7, 5, 12)},
      {Ymd(), "97/05/07 12:00:00", At(2097, 5, 7, 12)},
      {Ymd(), "0097/05/07 00:00:00", At(2097, 5, 7)},
      {Ymd(), "1997/02/29 00:00:00", std::nullopt},
      {Ymd(), "2000/02/29 00:00:00", At(2000, 2, 29)},
      {Ymd(), "1900/02/29 00:00:00", std::nullopt},
      {Ymd(), "1997/05/07 24:00:00", std::nullopt},
      {Ymd(), "1997/05/07 23:59:59", At(1997, 5, 7, 23, 59, 59)},
      {Ymd(), "1997/05/07 12:60:00", std::nullopt},
      {Ymd(), "1997/05/07   :  :  ", std::nullopt},  // time left untyped
      {Ymd(), "1997/05/07", At(1997, 5, 7)},
      {Ymd(), " 1997 / 5 / 7 ", At(1997, 5, 7)},
      {Ymd(), "1997/05/07 12:00:00 tail", At(1997, 5, 7, 12)},
      {Ymd(), "1997/05/07 x", std::nullopt},
      {Ymd(), "5/7", At(kNow, 5, 7)},  // no year: this year, month and day
      {Dmy(), "5/7", At(kNow, 7, 5)},
      {Ymd(), "    /  /     :  :  ", std::nullopt},
      {Ymd(), "12345/1/1", std::nullopt},
      {Ymd(), "1997/13/01", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TryParseAgeText(c.text, c.locale, kNow), c.want);
  }
}

TEST(AgeText, MarkersAndLocaleSeparators) {
  LocaleDates jp = Ymd();
  jp.amMarker = "午前";
  jp.pmMarker = "午後";
  EXPECT_EQ(TryParseAgeText("1997/05/07 3:15 午後", jp, kNow), At(1997, 5, 7, 15, 15));
  EXPECT_EQ(TryParseAgeText("1997/05/07 12:30 pm", jp, kNow),
            At(1997, 5, 7, 12, 30));  // "PM" always
  EXPECT_EQ(TryParseAgeText("05/07/1997 12 am", kMdy, kNow), At(1997, 5, 7, 0));
  EXPECT_EQ(TryParseAgeText("05/07/1997 13 pm", kMdy, kNow), std::nullopt);
  EXPECT_EQ(TryParseAgeText("05/07/1997 0 am", kMdy, kNow), std::nullopt);

  LocaleDates dots = Dmy();
  dots.dateSeparator = '.';
  dots.timeSeparator = '.';
  EXPECT_EQ(TryParseAgeText("07.05.1997 12.34.56", dots, kNow), At(1997, 5, 7, 12, 34, 56));
  EXPECT_EQ(TryParseAgeText("07/05/1997", dots, kNow), std::nullopt);
}

TEST(AgeText, DateOrderStepsOverDoubleByteCharacters) {
  EXPECT_EQ(DateOrderOf("yyyy/M/d"), DateOrder::YearMonthDay);
  EXPECT_EQ(DateOrderOf("d.M.yyyy"), DateOrder::DayMonthYear);
  EXPECT_EQ(DateOrderOf("gg"), DateOrder::MonthDayYear);
  // 81 44 is one character whose second byte reads as 'D'.
  EXPECT_EQ(DateOrderOf("\x81\x44yyyy"), DateOrder::YearMonthDay);
}

TEST(AgeText, FailureCarriesTheWholeText) {
  try {
    ParseAgeText("1997/02/29 00:00:00", Ymd(), kNow);
    FAIL() << "converted";
  } catch (const DateConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'1997/02/29 00:00:00' は日付または時刻ではありません");
    EXPECT_EQ(e.Text(), "1997/02/29 00:00:00");
  }
}

TEST(AgeText, DayCountFromTheEpochOfTheDateValue) {
  EXPECT_DOUBLE_EQ(At(1899, 12, 30).DayCount(), 0.0);
  EXPECT_DOUBLE_EQ(At(2000, 1, 1, 12).DayCount(), 36526.5);
}

TEST(DosDateTime, PacksTwoSecondStepsWithinItsYears) {
  EXPECT_EQ(PackDosDateTime(At(1980, 1, 1)), 0x00210000u);
  EXPECT_EQ(PackDosDateTime(At(2099, 12, 31, 23, 59, 59)),
            (119u << 25 | 12u << 21 | 31u << 16) | (23u << 11 | 59u << 5 | 29u));
  EXPECT_EQ(PackDosDateTime(At(1997, 5, 7, 12, 0, 59)) & 0x1F, 29u);  // 59 s stored as 58
  EXPECT_EQ(PackDosDateTime(At(1979, 12, 31, 23, 59, 58)), 0u);
  EXPECT_EQ(PackDosDateTime(At(2100, 1, 1)), 0u);
}
