// libFuzzer target for the date field: the date text conversion, and key input and re-laying in
// the mask model, with the invariants a control relies on checked after every step.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ops/attrib/date_time.h"
#include "ops/attrib/mask.h"

namespace {

using namespace mv;

void Check(bool ok) {
  if (!ok) std::abort();
}

LocaleDates PickLocale(uint8_t b) {
  static const char* const patterns[] = {"m/d/yy",     "yyyy/M/d", "dd.MM.yyyy",
                                         "\x81\x44yy", "",         "gg"};
  static const char seps[] = {'/', '-', '.', ' ', ':', '\0'};
  LocaleDates l;
  l.shortDatePattern = patterns[b % 6];
  l.dateSeparator = seps[(b / 6) % 6];
  l.timeSeparator = (b & 0x80) ? '.' : ':';
  if (b & 0x40) l.amMarker = "\x8C\xDF\x91\x4F", l.pmMarker = "\x8C\xE3\x91\x4F";
  return l;
}

void CheckParsed(std::string_view text, const LocaleDates& locale, int year) {
  const std::optional<DateTime> dt = TryParseAgeText(text, locale, year);
  if (!dt) return;
  Check(dt->year >= 1 && dt->year <= 9999 && dt->month >= 1 && dt->month <= 12);
  Check(dt->day >= 1 && dt->day <= DaysInMonth(dt->year, dt->month));
  Check(dt->hour >= 0 && dt->hour <= 23 && dt->minute >= 0 && dt->minute <= 59);
  Check(dt->second >= 0 && dt->second <= 59);
  Check(std::isfinite(dt->DayCount()));
  const uint32_t dos = PackDosDateTime(*dt);
  if (dt->year >= 1980 && dt->year <= 2099) {
    Check((dos >> 25) == static_cast<uint32_t>(dt->year - 1980));
    Check(((dos >> 16) & 0x1F) == static_cast<uint32_t>(dt->day));
    Check((dos & 0x1F) == static_cast<uint32_t>(dt->second / 2));
  } else {
    Check(dos == 0);
  }
}

void CheckMask(const DateMask& m, const LocaleDates& l) {
  Check(m.Caret() <= m.Size());
  const std::string display = m.DisplayText(l);
  Check(display.size() == m.Size());
  const std::string text = m.Text(l);
  Check(text.size() <= m.Size());
  for (size_t pos = 0; pos < m.Size(); ++pos) {
    const char c = m.TypedAt(pos);
    Check(c == '\0' || (m.KindAt(pos) == DateMask::Kind::Digit && c >= '0' && c <= '9'));
  }
}

void RunKeys(const uint8_t* data, size_t size, const LocaleDates& l) {
  DateMask m;
  size_t i = 0;
  while (i < size) {
    const uint8_t op = data[i++];
    const uint8_t arg = i < size ? data[i] : 0;
    const size_t typedBefore = [&] {
      size_t n = 0;
      for (size_t p = 0; p < m.Size(); ++p) n += m.TypedAt(p) != '\0';
      return n;
    }();
    switch (op % 12) {
      case 0:
      case 1:
      case 2:
        m.TypeChar(static_cast<char>('0' + arg % 10)), ++i;
        break;
      case 3:
        m.TypeChar(static_cast<char>(arg)), ++i;
        break;
      case 4:
        m.Backspace();
        break;
      case 5:
        m.Delete();
        break;
      case 6:
        m.Left();
        break;
      case 7:
        m.Right();
        break;
      case 8:
        if (arg & 1)
          m.Home();
        else
          m.End();
        ++i;
        break;
      case 9:
        m.SetCaret(arg), ++i;
        break;
      case 10:
        m.ClearRange(arg & 0x1F, arg >> 3), ++i;
        break;
      case 11: {
        if (arg & 0x80) {  // a raw mask text taken from the input
          const size_t len = std::min<size_t>(arg & 0x1F, size - std::min(size, i + 1));
          m.SetMask(std::string_view(reinterpret_cast<const char*>(data + i + 1), len));
          i += 1 + len;
        } else {
          m.SetMask(LayoutInfo(static_cast<DateLayout>(arg % 4)).mask);
          ++i;
        }
        size_t after = 0;
        for (size_t p = 0; p < m.Size(); ++p) after += m.TypedAt(p) != '\0';
        Check(after <= typedBefore);  // re-laying never invents digits
        break;
      }
    }
    CheckMask(m, l);
  }
  CheckParsed(m.Text(l), l, 2026);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const LocaleDates locale = PickLocale(data[1]);
  if (data[0] & 1) {
    RunKeys(data + 2, size - 2, locale);
  } else {
    const int year = 1 + (data[0] >> 1) * 80;  // 1 .. 10161, beyond the valid range too
    CheckParsed(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2), locale, year);
  }
  return 0;
}
