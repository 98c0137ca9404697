// The user's choices kept in Morvane.ini: the record, its value forms, and reading and writing it
// through an abstract private-profile store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dpi.h"

namespace mv {

// A private-profile (INI) file: sections of key=value lines, names found without regard to case.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The stored text, or def when the section or key is missing.
  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const = 0;
  // False when the value could not be written.
  virtual bool WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
  // Takes the key out of the file; false when that could not be written.
  virtual bool RemoveKey(std::string_view section, std::string_view key) = 0;
  // The file's full path, for messages.
  virtual std::string Path() const = 0;
};

// Strings come back through a 1024-byte buffer: at most this many bytes, never half a character.
inline constexpr size_t kMaxSettingText = 1023;
std::string ClipSettingText(std::string_view text);

// Integer text: decimal with an optional sign, "$" hexadecimal, or "0x"/"0X" hexadecimal when the
// text is longer than two characters. Empty, invalid or out-of-range text gives def.
int32_t ParseSettingInteger(std::string_view text, int32_t def);
std::optional<int32_t> ParseSettingInteger(std::string_view text);

// The densities a stored Form/Dpi may name; any other value is read as 96.
inline constexpr int32_t kMinSettingDpi = 48, kMaxSettingDpi = 960;
// An integer read with the default 1 or 0; anything but 0 is true.
bool ParseSettingBool(std::string_view text, bool def);

enum class ListStyle { Icon, List, Report, SmallIcon };

struct Settings {
  std::string ageLabel = "(yyyy/mm/dd hh:mm:ss)";  // DateType/AgeLabel
  // ListImage: the check marks of the four view-style menu items.
  bool icon = false;           // Icon
  bool list = false;           // List
  bool report = true;          // Report
  bool smallIcon = false;      // Small Icon
  int32_t formWidth = 578;     // Form/Width
  int32_t formHeight = 435;    // Form/Height
  int32_t treeWidth = 169;     // DirTreeView/Width
  bool subDirChecked = false;  // SelectMode/Checked
  // Form/Dpi: the display density the three sizes are pixels of. Stored only when it is not 96,
  // so a file of a 96-DPI display holds what it always held, and a file without it means 96.
  int32_t dpi = kLayoutDpi;

  // The list's view style: the checked item's, or report when none is checked.
  ListStyle Style() const;
};

inline constexpr const char* kSettingsFileName = "Morvane.ini";

// Reads every key in the program's order. The window sizes default to `current` (the layout's
// values on this display, whose density is current.dpi); stored sizes come back as pixels of this
// display, carried over from the density they were written at, so a window keeps its size on
// screen at one density and its proportions at another. The view marks come back resolved: each
// true key, in the order Icon, List, Report, Small Icon, selects its style and clears the others,
// so only the last true one stays checked.
Settings ReadSettings(const ProfileStore& store, const Settings& current = Settings{});

// Writes every key in the program's order (which is also the order of the sections in a new
// file), then the density of the sizes, or takes it out at 96. Stops at the first value that cannot
// be written and returns the message
// "<path> に書き込めません"; the remaining values are left unwritten.
std::optional<std::string> WriteSettings(ProfileStore& store, const Settings& settings);

}  // namespace mv
