// Value forms, read order and write order of the settings file.
#include "app/settings/settings.h"

#include "platform/text.h"

namespace mv {

std::string ClipSettingText(std::string_view text) {
  return std::string(text.substr(0, WholeCharsWithin(text, kMaxSettingText)));
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Digits only; nullopt when empty, not a digit, or beyond what a signed 32-bit value can hold.
std::optional<int64_t> Magnitude(std::string_view digits, int base) {
  if (digits.empty()) return std::nullopt;
  constexpr int64_t kLimit = int64_t{1} << 31;
  int64_t value = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0 || d >= base) return std::nullopt;
    value = value * base + d;
    if (value > kLimit) return std::nullopt;  // stops long before a 2 MB run of digits overflows
  }
  return value;
}

}  // namespace

int32_t ParseSettingInteger(std::string_view text, int32_t def) {
  return ParseSettingInteger(text).value_or(def);
}

std::optional<int32_t> ParseSettingInteger(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    auto v = Magnitude(text.substr(2), 16);
    if (v && *v <= INT32_MAX) return static_cast<int32_t>(*v);
    return std::nullopt;
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  auto v = Magnitude(text, base);
  if (!v) return std::nullopt;
  int64_t signedValue = negative ? -*v : *v;
  if (signedValue > INT32_MAX || signedValue < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(signedValue);
}

bool ParseSettingBool(std::string_view text, bool def) {
  return ParseSettingInteger(text, def ? 1 : 0) != 0;
}

ListStyle Settings::Style() const {
  if (smallIcon) return ListStyle::SmallIcon;
  if (report) return ListStyle::Report;
  if (list) return ListStyle::List;
  if (icon) return ListStyle::Icon;
  return ListStyle::Report;
}

namespace {

std::string ReadText(const ProfileStore& store, std::string_view section, std::string_view key,
                     std::string_view def) {
  return ClipSettingText(store.ReadString(section, key, def));
}

int32_t ReadInteger(const ProfileStore& store, std::string_view section, std::string_view key,
                    int32_t def) {
  return ParseSettingInteger(ReadText(store, section, key, ""), def);
}

bool ReadBool(const ProfileStore& store, std::string_view section, std::string_view key, bool def) {
  return ParseSettingBool(ReadText(store, section, key, ""), def);
}

}  // namespace

Settings ReadSettings(const ProfileStore& store, const Settings& current) {
  Settings s = current;
  s.ageLabel = ReadText(store, "DateType", "AgeLabel", Settings{}.ageLabel);

  // Each true key runs its view command, which leaves only its own mark; a false key clears only
  // its own mark. The outcome: the last true key wins, and none true leaves nothing checked.
  bool* marks[] = {&s.icon, &s.list, &s.report, &s.smallIcon};
  const char* keys[] = {"Icon", "List", "Report", "Small Icon"};
  const bool defaults[] = {false, false, true, false};
  for (int i = 0; i < 4; ++i) {
    bool on = ReadBool(store, "ListImage", keys[i], defaults[i]);
    *marks[i] = on;
    if (on)
      for (int j = 0; j < 4; ++j)
        if (j != i) *marks[j] = false;
  }

  int32_t storedDpi = ReadInteger(store, "Form", "Dpi", kLayoutDpi);
  if (storedDpi < kMinSettingDpi || storedDpi > kMaxSettingDpi) storedDpi = kLayoutDpi;
  const auto read = [&](const char* section, const char* key, int32_t def) {
    const std::optional<int32_t> stored = ParseSettingInteger(ReadText(store, section, key, ""));
    return stored ? RescalePixels(*stored, storedDpi, current.dpi) : def;
  };
  s.formWidth = read("Form", "Width", current.formWidth);
  s.formHeight = read("Form", "Height", current.formHeight);
  s.treeWidth = read("DirTreeView", "Width", current.treeWidth);
  s.dpi = current.dpi;
  s.subDirChecked = ReadBool(store, "SelectMode", "Checked", false);
  return s;
}

std::optional<std::string> WriteSettings(ProfileStore& store, const Settings& s) {
  const auto b = [](bool v) { return std::string(v ? "1" : "0"); };
  const auto n = [](int32_t v) { return std::to_string(v); };
  struct Item {
    const char* section;
    const char* key;
    std::string value;
  };
  const Item items[] = {
      {"DateType", "AgeLabel", s.ageLabel},
      {"ListImage", "Icon", b(s.icon)},
      {"ListImage", "List", b(s.list)},
      {"ListImage", "Report", b(s.report)},
      {"ListImage", "Small Icon", b(s.smallIcon)},
      {"SelectMode", "Checked", b(s.subDirChecked)},
      {"Form", "Width", n(s.formWidth)},
      {"Form", "Height", n(s.formHeight)},
      {"DirTreeView", "Width", n(s.treeWidth)},
  };
  const std::string failed = store.Path() + " に書き込めません";
  for (const Item& item : items)
    if (!store.WriteString(item.section, item.key, item.value)) return failed;
  const bool dpiKept = s.dpi == kLayoutDpi ? store.RemoveKey("Form", "Dpi")
                                           : store.WriteString("Form", "Dpi", n(s.dpi));
  if (!dpiKept) return failed;
  return std::nullopt;
}

}  // namespace mv
