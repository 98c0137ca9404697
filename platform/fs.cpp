#include "platform/fs.h"

namespace mv {

std::optional<FindItem> FileSystem::FindOne(const std::string& path, uint32_t mask) {
  std::optional<FindItem> found;
  Search(path, [&](const FindItem& item) {
    if (!found && MatchesMask(item.attributes, mask)) found = item;
  });
  return found;
}

std::optional<FindItem> FileSystem::Lookup(const std::string& path) {
  return FindOne(path, kMaskAll);
}

}  // namespace mv
