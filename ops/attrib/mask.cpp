#include "ops/attrib/mask.h"

#include <algorithm>

#include "ops/attrib/date_time.h"

namespace mv {

const std::array<DateLayoutInfo, 4>& DateLayouts() {
  static const std::array<DateLayoutInfo, 4> layouts{{
      {DateLayout::yearYYYY, "yyyy/mm/dd hh:mm:ss", "!9999/99/99 99:99:99;1;_",
       "(yyyy/mm/dd hh:mm:ss)"},
      {DateLayout::yearYY, "yy/mm/dd hh:mm:ss", "!99/99/99 99:99:99;1;_", "(yy/mm/dd hh:mm:ss)"},
      {DateLayout::monthYYYY, "mm/dd/yyyy hh:mm:ss", "!99/99/9999 99:99:99;1;_",
       "(mm/dd/yyyy hh:mm:ss)"},
      {DateLayout::MonthYY, "mm/dd/yy hh:mm:ss", "!99/99/99 99:99:99;1;_", "(mm/dd/yy hh:mm:ss)"},
  }};
  return layouts;
}

const DateLayoutInfo& LayoutInfo(DateLayout layout) {
  return DateLayouts()[static_cast<size_t>(layout)];
}

std::optional<DateLayout> LayoutFromAgeLabel(std::string_view label) {
  for (const DateLayoutInfo& info : DateLayouts())
    if (label == info.ageLabel) return info.layout;
  return std::nullopt;
}

bool IsDateTextEmpty(std::string_view text) {
  return (text.size() < 1 || text[0] == ' ') && (text.size() < 2 || text[1] == ' ');
}

DateMask::DateMask(std::string_view maskText) {
  Parse(maskText);
  typed_.assign(kinds_.size(), '\0');
}

void DateMask::Parse(std::string_view maskText) {
  maskText_ = std::string(maskText);
  kinds_.clear();
  literals_.clear();
  saveLiterals_ = true;
  blank_ = '_';
  rightAlign_ = false;

  const size_t tail = maskText.find(';');
  const std::string_view body = maskText.substr(0, tail);
  for (char c : body) {
    Kind kind = Kind::Literal;
    if (c == '!') {
      rightAlign_ = true;
      continue;
    }
    if (c == '9')
      kind = Kind::Digit;
    else if (c == '/')
      kind = Kind::DateSeparator;
    else if (c == ':')
      kind = Kind::TimeSeparator;
    kinds_.push_back(kind);
    literals_.push_back(c);
  }
  if (tail == std::string_view::npos) return;
  std::string_view rest = maskText.substr(tail + 1);
  const size_t second = rest.find(';');
  if (rest.substr(0, second) == "0") saveLiterals_ = false;
  if (second != std::string_view::npos && second + 1 < rest.size()) blank_ = rest[second + 1];
}

void DateMask::SetMask(std::string_view maskText) {
  // The typed run, gaps included, without the separators and without leading gaps.
  std::vector<char> run;
  for (size_t pos = 0; pos < kinds_.size(); ++pos)
    if (IsDigit(pos) && (typed_[pos] != '\0' || !run.empty())) run.push_back(typed_[pos]);

  Parse(maskText);
  typed_.assign(kinds_.size(), '\0');
  std::vector<size_t> digits;
  for (size_t pos = 0; pos < kinds_.size(); ++pos)
    if (IsDigit(pos)) digits.push_back(pos);

  const size_t n = std::min(run.size(), digits.size());
  for (size_t i = 0; i < n; ++i) {
    if (rightAlign_)
      typed_[digits[digits.size() - 1 - i]] = run[run.size() - 1 - i];
    else
      typed_[digits[i]] = run[i];
  }
  caret_ = 0;
}

size_t DateMask::DigitPositions() const {
  size_t n = 0;
  for (size_t pos = 0; pos < kinds_.size(); ++pos) n += IsDigit(pos);
  return n;
}

std::string DateMask::Render(const LocaleDates& locale, char untyped, bool literalsAlways) const {
  std::string out;
  out.reserve(kinds_.size());
  for (size_t pos = 0; pos < kinds_.size(); ++pos) {
    switch (kinds_[pos]) {
      case Kind::Digit:
        out.push_back(typed_[pos] ? typed_[pos] : untyped);
        break;
      case Kind::DateSeparator:
        if (literalsAlways || saveLiterals_)
          out.push_back(locale.dateSeparator ? locale.dateSeparator : '/');
        break;
      case Kind::TimeSeparator:
        if (literalsAlways || saveLiterals_)
          out.push_back(locale.timeSeparator ? locale.timeSeparator : ':');
        break;
      case Kind::Literal:
        if (literalsAlways || saveLiterals_) out.push_back(literals_[pos]);
        break;
    }
  }
  return out;
}

std::string DateMask::Text(const LocaleDates& locale) const { return Render(locale, ' ', false); }

std::string DateMask::DisplayText(const LocaleDates& locale) const {
  return Render(locale, blank_, true);
}

bool DateMask::Untouched() const {
  for (char c : typed_)
    if (c != '\0') return false;
  return true;
}

std::optional<size_t> DateMask::DigitAtOrAfter(size_t pos) const {
  for (; pos < kinds_.size(); ++pos)
    if (IsDigit(pos)) return pos;
  return std::nullopt;
}

std::optional<size_t> DateMask::DigitBefore(size_t pos) const {
  pos = std::min(pos, kinds_.size());
  while (pos-- > 0)
    if (IsDigit(pos)) return pos;
  return std::nullopt;
}

bool DateMask::TypeChar(char c) {
  if (c < '0' || c > '9') return false;
  const std::optional<size_t> at = DigitAtOrAfter(caret_);
  if (!at) return false;
  typed_[*at] = c;
  caret_ = DigitAtOrAfter(*at + 1).value_or(kinds_.size());
  return true;
}

size_t DateMask::TypeText(std::string_view text) {
  size_t typed = 0;
  for (char c : text)
    if (c >= '0' && c <= '9') typed += TypeChar(c);
  return typed;
}

bool DateMask::Backspace() {
  const std::optional<size_t> at = DigitBefore(caret_);
  if (!at) return false;
  typed_[*at] = '\0';
  caret_ = *at;
  return true;
}

bool DateMask::Delete() {
  const std::optional<size_t> at = DigitAtOrAfter(caret_);
  if (!at || typed_[*at] == '\0') return false;
  typed_[*at] = '\0';
  return true;
}

bool DateMask::Left() {
  const std::optional<size_t> at = DigitBefore(caret_);
  if (!at) return false;
  caret_ = *at;
  return true;
}

bool DateMask::Right() {
  if (caret_ >= kinds_.size()) return false;
  caret_ = DigitAtOrAfter(caret_ + 1).value_or(kinds_.size());
  return true;
}

bool DateMask::Home() {
  const size_t first = DigitAtOrAfter(0).value_or(0);
  if (caret_ == first) return false;
  caret_ = first;
  return true;
}

bool DateMask::End() {
  if (caret_ == kinds_.size()) return false;
  caret_ = kinds_.size();
  return true;
}

void DateMask::SetCaret(size_t pos) { caret_ = std::min(pos, kinds_.size()); }

bool DateMask::ClearRange(size_t from, size_t to) {
  from = std::min(from, kinds_.size());
  to = std::min(to, kinds_.size());
  bool changed = caret_ != from;
  for (size_t pos = from; pos < to; ++pos) {
    changed |= typed_[pos] != '\0';
    typed_[pos] = '\0';
  }
  caret_ = from;
  return changed;
}

}  // namespace mv
