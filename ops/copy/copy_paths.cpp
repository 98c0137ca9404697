#include "ops/copy/copy_paths.h"

#include "targets/paths.h"

namespace mv {
namespace {

bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
char ToAsciiUpper(char c) { return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// True when byte index i of text starts a character (is not the trail byte of a lead byte).
bool IsCharBoundary(std::string_view text, size_t i) {
  size_t at = 0;
  while (at < i) at += (IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
  return at == i;
}

}  // namespace

size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i, ++count)
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  return count;
}

std::string UpperAscii(std::string text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
    else text[i] = ToAsciiUpper(text[i]);
  }
  return text;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (ToAsciiUpper(a[i]) != ToAsciiUpper(b[i])) {
      return false;
    }
  }
  return true;
}

std::string RunDestination(std::string_view chosen) {
  std::string text(chosen);
  if (EndsWithBackslash(text)) text.pop_back();
  return text;
}

std::string SourceBaseOfRoot(std::string_view rootText) { return RunDestination(rootText); }

std::string SourceBaseOfEntry(std::string_view entryPath) { return RunDestination(PathFolder(entryPath)); }

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
      for (size_t at = 0; at < current.size(); ++at) {
        if (IsLeadByte(static_cast<unsigned char>(current[at])) && at + 1 < current.size()) {
          letters += current.substr(at++, 2);  // a trail byte 0x5C is part of the name
        } else if (current[at] != '\\' && current[at] != ':') {
          letters += current[at];
        }
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
