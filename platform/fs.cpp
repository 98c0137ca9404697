#include "platform/fs.h"

#include "platform/text.h"

namespace mv {

bool NamesOneItem(std::string_view path) {
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
    else if (path[i] == '?' || path[i] == '*') return false;
  }
  return true;
}

size_t NameStart(std::string_view path) {
  size_t after = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
    else if (path[i] == '\\' || path[i] == ':') after = i + 1;
  }
  return after;
}

std::optional<FindItem> FileSystem::FindOne(const std::string& path, uint32_t mask) {
  std::optional<FindItem> found;
  Search(path, [&](const FindItem& item) {
    if (!found && MatchesMask(item.attributes, mask)) found = item;
  });
  return found;
}

std::optional<FindItem> FileSystem::Lookup(const std::string& path) { return FindOne(path, kMaskAll); }

}  // namespace mv
