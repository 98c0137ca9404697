// Win32 private-profile store and the settings file's place beside the executable.
#include "app/settings/profile_win32.h"

#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/win.h"

namespace mv::win {

std::string Win32ProfileStore::ReadString(std::string_view section, std::string_view key,
                                          std::string_view def) const {
  // Two bytes beyond the limit, so a cut that would split a double-byte character is seen and
  // made on the character boundary instead.
  char buf[kMaxSettingText + 3] = {};
  // The ANSI profile calls take the file's code-page spelling (short names where the code page
  // cannot hold a folder) and return no name: nothing here is best-fit.
  GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                           std::string(def).c_str(), buf, sizeof buf, path_.c_str());
  return ClipSettingText(buf);
}

bool Win32ProfileStore::WriteString(std::string_view section, std::string_view key,
                                    std::string_view value) {
  // As above: the code-page spelling goes in, no name comes back.
  return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                    std::string(value).c_str(), path_.c_str()) != FALSE;
}

bool Win32ProfileStore::RemoveKey(std::string_view section, std::string_view key) {
  return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(), nullptr,
                                    path_.c_str()) != FALSE;
}

std::string SettingsFilePath() {
  // Through the wide module name: the ANSI one spells a folder the code page cannot hold
  // best-fit ("Cafe" for "Café"), where the file cannot be written or is another's.
  const std::string exe = ExecutablePath();
  return exe.empty() ? std::string(kSettingsFileName) : PathFolder(exe) + kSettingsFileName;
}

}  // namespace mv::win
