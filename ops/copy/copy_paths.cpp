#include "ops/copy/copy_paths.h"

#include "platform/text.h"

namespace mv {

std::string RunDestination(std::string_view chosen) {
  std::string text(chosen);
  if (EndsWithBackslash(text)) text.pop_back();
  return text;
}

std::string SourceBaseOfRoot(std::string_view rootText) { return RunDestination(rootText); }

std::string SourceBaseOfEntry(std::string_view entryPath) {
  return RunDestination(PathFolder(entryPath));
}

bool RemainderUnder(std::string_view source, std::string_view base, const SameTextFn& same,
                    std::string& remainder) {
  if (base.empty() || source.size() < base.size()) return false;
  if (!IsCharBoundary(source, base.size())) return false;
  if (!same(source.substr(0, base.size()), base)) return false;
  std::string_view rest = source.substr(base.size());
  if (EndsWithBackslash(base)) {
    remainder = "\\" + std::string(rest);
    return true;
  }
  if (!rest.empty() && rest[0] != '\\') return false;  // "C:\DATA2" is not under "C:\DATA"
  remainder = std::string(rest);
  return true;
}

std::string LastComponents(std::string_view path, int count) {
  std::string tail;
  std::string current(path);
  for (int i = 0; i < count && !current.empty(); ++i) {
    std::string name = PathName(current);
    if (name.empty()) {
      // A drive or share root: name it by its letter (or by the share's text without separators).
      std::string letters;
      for (size_t at = 0, step; at < current.size(); at += step) {
        step = CharSize(current, at);
        // A trail byte 0x5C is part of the name.
        if (step == 2 || (current[at] != '\\' && current[at] != ':'))
          letters += current.substr(at, step);
      }
      tail = "\\" + letters + tail;
      break;
    }
    tail = "\\" + name + tail;
    std::string parent = PathParent(current);
    if (parent == current) break;
    current = parent;
  }
  return tail;
}

std::string MirrorPath(std::string_view destination, std::string_view base, std::string_view source,
                       int depth, const SameTextFn& same) {
  std::string remainder;
  if (!RemainderUnder(source, base, same, remainder)) remainder = LastComponents(source, depth + 1);
  return std::string(destination) + remainder;
}

}  // namespace mv
