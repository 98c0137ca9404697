#include "targets/entry.h"

#include <charconv>

#include "platform/text.h"

namespace mv {

std::string ToDecimal(int64_t value) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

bool ParseDecimal(std::string_view text, int64_t& value) {
  if (text.empty()) return false;
  auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

std::string MakeEntry(int64_t size, std::string_view path) {
  std::string entry = ToDecimal(size);
  entry += ',';
  entry += path;
  return entry;
}

std::string EntryPath(std::string_view entry) {
  size_t comma = entry.find(',');
  if (comma == std::string_view::npos) return std::string(entry);
  return std::string(entry.substr(comma + 1));
}

int64_t EntrySize(std::string_view entry) {
  size_t comma = entry.find(',');
  if (comma == std::string_view::npos) return 0;
  int64_t value = 0;
  return ParseDecimal(entry.substr(0, comma), value) ? value : 0;
}

std::string FormatTotal(int64_t value) { return FormatTotal(value, ThousandsSeparator()); }

std::string FormatTotal(int64_t value, std::string_view thousands) {
  if (value == 0) return {};
  // Work on the magnitude as unsigned so INT64_MIN formats too.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  std::string out;
  if (value < 0) out += '-';
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += thousands;
    out += digits[i];
  }
  return out;
}

}  // namespace mv
