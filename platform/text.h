// Locale-dependent text services: case-insensitive comparison and upper-casing of code-page text.
// The portable defaults fold ASCII letters only (trail bytes untouched); the Win32 layer installs
// the platform's locale-aware functions at start-up.
#pragma once

#include <string>
#include <string_view>

namespace mv {

// Lead-byte test of the system's multi-byte code page. Defaults to the Shift-JIS (CP932) rule;
// the Win32 layer installs the platform's own test at start-up.
using LeadByteTest = bool (*)(unsigned char);
bool IsLeadByte(unsigned char c);
void SetLeadByteTest(LeadByteTest test);
bool IsCp932LeadByte(unsigned char c);

struct TextServices {
  bool (*equalsNoCase)(std::string_view a, std::string_view b);
  std::string (*upper)(std::string_view text);
};

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
void SetTextServices(const TextServices& services);
std::string AsciiUpper(std::string_view text);  // the default: DBCS-aware ASCII folding

// The locale's thousands separator, read once at start-up as the figures' format; "," until
// the platform installs its own.
const std::string& ThousandsSeparator();
void SetThousandsSeparator(std::string separator);

}  // namespace mv
