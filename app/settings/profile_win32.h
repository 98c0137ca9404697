// The settings file through the private-profile functions, opened by full path on each call.
#pragma once

#include <string>

#include "app/settings/settings.h"

namespace mv::win {

class Win32ProfileStore : public ProfileStore {
 public:
  explicit Win32ProfileStore(std::string path) : path_(std::move(path)) {}
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  bool RemoveKey(std::string_view section, std::string_view key) override;
  std::string Path() const override { return path_; }

 private:
  std::string path_;
};

// PathFolder of the executable's full path followed by "Morvane.ini".
std::string SettingsFilePath();

}  // namespace mv::win
