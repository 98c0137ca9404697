// Win32 private-profile store and the settings file's place beside the executable.
#include "app/settings/profile_win32.h"

#include <vector>

#include "platform/win32/win.h"
#include "targets/paths.h"

namespace mv::win {

std::string Win32ProfileStore::ReadString(std::string_view section, std::string_view key,
                                          std::string_view def) const {
  // Two bytes beyond the limit, so a cut that would split a double-byte character is seen and
  // made on the character boundary instead.
  char buf[kMaxSettingText + 3] = {};
  GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(), std::string(def).c_str(), buf,
                           sizeof buf, path_.c_str());
  return ClipSettingText(buf);
}

bool Win32ProfileStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                    std::string(value).c_str(), path_.c_str()) != FALSE;
}

bool Win32ProfileStore::RemoveKey(std::string_view section, std::string_view key) {
  return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(), nullptr, path_.c_str()) !=
         FALSE;
}

std::string SettingsFilePath() {
  // A path longer than MAX_PATH comes back truncated with the buffer full: grow and retry.
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return kSettingsFileName;
    if (n < buf.size()) return PathFolder(std::string(buf.data(), n)) + kSettingsFileName;
    if (buf.size() >= 32768) return kSettingsFileName;
    buf.resize(buf.size() * 2);
  }
}

}  // namespace mv::win
