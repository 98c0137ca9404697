// The FileSystem services over the Win32 ANSI API.
#pragma once

#include "platform/fs.h"

namespace mv::win {

class Win32FileSystem : public FileSystem {
 public:
  bool Search(const std::string& pattern, const std::function<void(const FindItem&)>& each) override;
  std::optional<FindItem> Lookup(const std::string& path) override;
  uint32_t GetAttributes(const std::string& path) override;
  int SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<OpenFile> OpenExclusive(const std::string& path) override;
  std::optional<uint32_t> ToLocalDos(uint64_t fileTime) override;
  std::optional<uint64_t> FolderIdentity(const std::string& path) override;
};

// The identity of a folder from what the volume reports for it; nullopt for file index 0.
std::optional<uint64_t> FolderIdentityOf(uint32_t volumeSerial, uint32_t indexHigh, uint32_t indexLow);

}  // namespace mv::win
