// The date field's model: a fixed layout of digit and separator positions taken from a mask text,
// the digits typed so far, the caret, and the re-laying of typed digits when the layout changes.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

struct LocaleDates;

// The four date layouts offered by the field's context menu, in menu order.
enum class DateLayout { yearYYYY, yearYY, monthYYYY, MonthYY };

struct DateLayoutInfo {
  DateLayout layout;
  const char* menuCaption;  // "yyyy/mm/dd hh:mm:ss"
  const char* mask;         // "!9999/99/99 99:99:99;1;_"
  const char* ageLabel;     // "(yyyy/mm/dd hh:mm:ss)": the label text, also the stored setting
};

const std::array<DateLayoutInfo, 4>& DateLayouts();
const DateLayoutInfo& LayoutInfo(DateLayout layout);
// The layout whose label equals the stored text exactly (case-sensitive); none for anything else.
std::optional<DateLayout> LayoutFromAgeLabel(std::string_view label);

inline constexpr const char* kDefaultAgeLabel = "(yyyy/mm/dd hh:mm:ss)";
inline constexpr const char* kInitialDateMask = "!9999/99/99 99:99:99;1;_";

// True when the first two characters of a date text are blanks; a text too short to have them
// counts as empty as well.
bool IsDateTextEmpty(std::string_view text);

class DateMask {
 public:
  enum class Kind : char { Digit, DateSeparator, TimeSeparator, Literal };

  explicit DateMask(std::string_view maskText = kInitialDateMask);

  // Replaces the layout. The digits typed so far (untyped inner positions kept as gaps, leading
  // untyped ones dropped) are laid into the new layout from its right end; when they outnumber
  // its digit positions the surplus leading ones are dropped. The caret goes to the start.
  void SetMask(std::string_view maskText);
  const std::string& MaskText() const { return maskText_; }

  size_t Size() const { return kinds_.size(); }  // positions, also the field's maximum length
  Kind KindAt(size_t pos) const { return kinds_[pos]; }
  size_t DigitPositions() const;

  // The text as read from the field: separators from the locale, a blank for every untyped
  // position. Without saved literals (a mask tail ";0") only the digit positions are read.
  std::string Text(const LocaleDates& locale) const;
  // What the control shows: as Text, but untyped positions in the mask's blank character.
  std::string DisplayText(const LocaleDates& locale) const;
  bool Empty(const LocaleDates& locale) const { return IsDateTextEmpty(Text(locale)); }
  bool Untouched() const;

  // Key input. The caret is a position index 0..Size(); typing overwrites, steps over
  // separators and only accepts a digit at a digit position. Each returns whether it changed
  // the text or the caret.
  bool TypeChar(char c);
  size_t TypeText(std::string_view text);  // types every digit in turn (a paste); returns count
  bool Backspace();
  bool Delete();
  bool Left();
  bool Right();
  bool Home();
  bool End();

  size_t Caret() const { return caret_; }
  void SetCaret(size_t pos);
  // Untypes every digit position in [from, to) (a selection being deleted); caret to `from`.
  bool ClearRange(size_t from, size_t to);

  // The typed character at a position, or '\0' when untyped or a separator.
  char TypedAt(size_t pos) const { return typed_[pos]; }

 private:
  void Parse(std::string_view maskText);
  bool IsDigit(size_t pos) const { return kinds_[pos] == Kind::Digit; }
  std::optional<size_t> DigitAtOrAfter(size_t pos) const;
  std::optional<size_t> DigitBefore(size_t pos) const;
  std::string Render(const LocaleDates& locale, char untyped, bool literalsAlways) const;

  std::string maskText_;
  std::vector<Kind> kinds_;
  std::vector<char> literals_;  // the character of each Literal position
  std::vector<char> typed_;     // '\0' for untyped and for separators
  bool saveLiterals_ = true;
  bool rightAlign_ = false;  // "!": re-laid digits fill from the right end
  char blank_ = '_';
  size_t caret_ = 0;
};

}  // namespace mv
