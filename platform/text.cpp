#include "platform/text.h"

namespace mv {
namespace {

LeadByteTest g_leadByteTest = &IsCp932LeadByte;

unsigned char Byte(std::string_view text, size_t i) { return static_cast<unsigned char>(text[i]); }

bool SystemEqualsNoCase(std::string_view a, std::string_view b) { return AsciiEqualsNoCase(a, b); }
std::string SystemUpper(std::string_view text) { return AsciiUpper(text); }

TextServices g_services{&SystemEqualsNoCase, &SystemUpper};

std::string& Thousands() {
  static std::string separator = ",";
  return separator;
}

}  // namespace

bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsCp932TrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}
bool IsLeadByte(unsigned char c) { return g_leadByteTest(c); }
void SetLeadByteTest(LeadByteTest test) { g_leadByteTest = test ? test : &IsCp932LeadByte; }

size_t CharSize(std::string_view text, size_t i, CodePage page) {
  if (i + 1 >= text.size()) return 1;
  if (page == CodePage::Cp932)
    return IsCp932LeadByte(Byte(text, i)) && IsCp932TrailByte(Byte(text, i + 1)) ? 2 : 1;
  return IsLeadByte(Byte(text, i)) ? 2 : 1;
}

size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); i += CharSize(text, i)) ++count;
  return count;
}

bool IsCharBoundary(std::string_view text, size_t i) {
  size_t at = 0;
  while (at < i) at += CharSize(text, at);
  return at == i;
}

size_t WholeCharsWithin(std::string_view text, size_t limit, CodePage page) {
  size_t end = 0;
  while (end < text.size()) {
    const size_t step = CharSize(text, end, page);
    if (end + step > limit) break;
    end += step;
  }
  return end;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiUpper(std::string_view text, CodePage page) {
  std::string out(text);
  for (size_t i = 0, step; i < out.size(); i += step) {
    step = CharSize(out, i, page);
    if (step == 1) out[i] = AsciiUpper(out[i]);
  }
  return out;
}

bool AsciiEqualsNoCase(std::string_view a, std::string_view b, CodePage page) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0, step; i < a.size(); i += step) {
    step = CharSize(a, i, page);
    if (step == 2 ? a.substr(i, 2) != b.substr(i, 2) : AsciiUpper(a[i]) != AsciiUpper(b[i]))
      return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return g_services.equalsNoCase(a, b); }
std::string UpperCase(std::string_view text) { return g_services.upper(text); }
void SetTextServices(const TextServices& services) { g_services = services; }

const std::string& ThousandsSeparator() { return Thousands(); }
void SetThousandsSeparator(std::string separator) { Thousands() = std::move(separator); }

bool NamesOneItem(std::string_view path) {
  for (size_t i = 0, step; i < path.size(); i += step) {
    step = CharSize(path, i);
    if (step == 1 && (path[i] == '?' || path[i] == '*')) return false;
  }
  return true;
}

size_t NameStart(std::string_view path) {
  size_t after = 0;
  for (size_t i = 0, step; i < path.size(); i += step) {
    step = CharSize(path, i);
    if (step == 1 && (path[i] == '\\' || path[i] == ':')) after = i + 1;
  }
  return after;
}

std::string PathFolder(std::string_view path) {
  return std::string(path.substr(0, NameStart(path)));
}

std::string PathName(std::string_view path) { return std::string(path.substr(NameStart(path))); }

bool EndsWithBackslash(std::string_view path) {
  bool last = false;
  for (size_t i = 0, step; i < path.size(); i += step) {
    step = CharSize(path, i);
    last = step == 1 && path[i] == '\\';
  }
  return last;
}

std::string PathParent(std::string_view path) {
  // Network path: "\\server\share" is the root; nothing above it is a parent.
  size_t rootEnd = 0;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    rootEnd = 2;
  } else if (path.size() >= 2 && path[1] == ':' && !IsLeadByte(Byte(path, 0))) {
    rootEnd = (path.size() >= 3 && path[2] == '\\') ? 3 : 2;
  } else if (!path.empty() && path[0] == '\\') {
    rootEnd = 1;
  }
  std::string_view body = path;
  if (EndsWithBackslash(body) && body.size() > rootEnd) body.remove_suffix(1);
  const size_t cut = NameStart(body);
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
    const size_t after = NameStart(rest);
    if (after == 0 || after == 1 || after == rest.size()) return false;
    return NameStart(rest.substr(0, after - 1)) == 0;
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
