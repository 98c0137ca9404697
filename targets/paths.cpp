#include "targets/paths.h"

#include "platform/fs.h"

namespace mv {

size_t AfterLastSeparator(std::string_view path) { return NameStart(path); }

std::string PathFolder(std::string_view path) { return std::string(path.substr(0, AfterLastSeparator(path))); }

std::string PathName(std::string_view path) { return std::string(path.substr(AfterLastSeparator(path))); }

bool EndsWithBackslash(std::string_view path) {
  bool last = false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
      last = false;
    } else {
      last = path[i] == '\\';
    }
  }
  return last;
}

std::string PathParent(std::string_view path) {
  // Network path: "\\server\share" is the root; nothing above it is a parent.
  size_t rootEnd = 0;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    rootEnd = 2;
  } else if (path.size() >= 2 && path[1] == ':' && !IsLeadByte(static_cast<unsigned char>(path[0]))) {
    rootEnd = (path.size() >= 3 && path[2] == '\\') ? 3 : 2;
  } else if (!path.empty() && path[0] == '\\') {
    rootEnd = 1;
  }
  std::string_view body = path;
  if (EndsWithBackslash(body) && body.size() > rootEnd) body.remove_suffix(1);
  size_t cut = AfterLastSeparator(body);
  if (cut <= rootEnd) return std::string(body.substr(0, rootEnd));
  // Drop the separator itself unless it is the one that belongs to the root.
  return std::string(body.substr(0, cut - 1));
}

bool IsRootPath(std::string_view path) {
  auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if ((path.size() == 2 || path.size() == 3) && isLetter(path[0]) && path[1] == ':')
    return path.size() == 2 || path[2] == '\\';
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    std::string_view rest = path.substr(2);
    if (EndsWithBackslash(rest)) rest.remove_suffix(1);
    // server\share: exactly one real separator, neither part empty.
    size_t after = AfterLastSeparator(rest);
    if (after == 0 || after == 1 || after == rest.size()) return false;
    return AfterLastSeparator(rest.substr(0, after - 1)) == 0;
  }
  return false;
}

std::string ItemName(std::string_view path) {
  std::string name = PathName(path);
  if (!name.empty()) return name;
  std::string_view body = path;
  if (EndsWithBackslash(body)) body.remove_suffix(1);
  return std::string(body);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!EndsWithBackslash(out)) out += '\\';
  out += name;
  return out;
}

}  // namespace mv
