// Code-page text: the double-byte step, case folding and the path helpers every part of the
// program and the archiver library use. Text is 8-bit, in the system's multi-byte code page
// (Shift-JIS); a second byte runs 0x40-0x7E and 0x80-0xFC, so it may look like '\\', '|', '@',
// '[' or a letter (表 = 95 5C, ソ = 83 5C, ポ = 83 7C). Every scan here runs forward and steps over
// a double-byte character whole, so none of those second bytes is ever read as an ASCII character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mv {

// Whose rule tells a double-byte character.
// System: the platform's lead-byte test (installed at start-up; the CP932 rule until then); a
// lead byte takes the byte after it whatever that is, as the platform's own functions read it.
// Cp932: code page 932 whatever the system's, as LZH archives store names; a lead byte without
// a second byte that can follow it counts alone, so a broken name never hides the next character.
enum class CodePage { System, Cp932 };

using LeadByteTest = bool (*)(unsigned char);
bool IsLeadByte(unsigned char c);         // the system's test
void SetLeadByteTest(LeadByteTest test);  // null puts the CP932 rule back
bool IsCp932LeadByte(unsigned char c);
bool IsCp932TrailByte(unsigned char c);

// Bytes of the character that begins at text[i]: 2 for a double-byte character, else 1.
size_t CharSize(std::string_view text, size_t i, CodePage page = CodePage::System);
// Characters in the text, a double-byte character one: the UTF-16 units it converts to, since
// every character of the code page is a single unit.
size_t CharCount(std::string_view text);
// True when byte i (at most the text's size) begins a character or ends the text: it is not the
// second byte of a double-byte character.
bool IsCharBoundary(std::string_view text, size_t i);
// Length of the longest beginning of the text, at most limit bytes, that ends between
// characters: where a text is cut short, never after a lead byte.
size_t WholeCharsWithin(std::string_view text, size_t limit, CodePage page = CodePage::System);

// ASCII letters upper-cased; second bytes of double-byte characters keep their case.
char AsciiUpper(char c);
std::string AsciiUpper(std::string_view text, CodePage page = CodePage::System);
// Equal without regard to ASCII case; double-byte characters must match byte for byte.
bool AsciiEqualsNoCase(std::string_view a, std::string_view b, CodePage page = CodePage::System);

// The locale's comparison and upper-casing. The portable defaults are the ASCII ones above; the
// Win32 layer installs the platform's locale-aware functions at start-up.
struct TextServices {
  bool (*equalsNoCase)(std::string_view a, std::string_view b);
  std::string (*upper)(std::string_view text);
};
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
void SetTextServices(const TextServices& services);

// The locale's thousands separator, read once at start-up as the figures' format; "," until
// the platform installs its own.
const std::string& ThousandsSeparator();
void SetThousandsSeparator(std::string separator);

// Paths. A separator is a backslash or a drive's colon outside double-byte characters.

// False when the path holds '?' or '*' outside double-byte characters.
bool NamesOneItem(std::string_view path);
// Where the last component begins: just past the last separator, or 0 if there is none.
size_t NameStart(std::string_view path);
// Text up to and including the last separator; empty if none.
std::string PathFolder(std::string_view path);
// Text after the last separator; the whole text if none.
std::string PathName(std::string_view path);
// The path without its last component and the backslash before it. A backslash right after a
// drive colon, a single leading backslash and the leading "\\" of a network path stay.
std::string PathParent(std::string_view path);
// True when the last character (not a second byte) is a backslash.
bool EndsWithBackslash(std::string_view path);
// A drive root ("D:", "D:\") or a network share root ("\\server\share"), which a directory
// search cannot find as an item of its own.
bool IsRootPath(std::string_view path);
// The name of the item a path stands for: PathName, or for a drive root, which has no name of
// its own, the drive ("D:"). Every command that matches a folder entry to its node compares this.
std::string ItemName(std::string_view path);
// folder + "\" + name, without doubling the backslash of a root folder ("D:\").
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace mv
