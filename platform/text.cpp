#include "platform/text.h"


namespace mv {
namespace {

LeadByteTest g_leadByteTest = &IsCp932LeadByte;

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) { return AsciiUpper(a) == AsciiUpper(b); }

TextServices g_services{&AsciiEqualsNoCase, &AsciiUpper};

std::string& Thousands() {
  static std::string separator = ",";
  return separator;
}

}  // namespace

bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsLeadByte(unsigned char c) { return g_leadByteTest(c); }
void SetLeadByteTest(LeadByteTest test) { g_leadByteTest = test ? test : &IsCp932LeadByte; }

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) ++i;
    else if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return g_services.equalsNoCase(a, b); }
std::string UpperCase(std::string_view text) { return g_services.upper(text); }
void SetTextServices(const TextServices& services) { g_services = services; }

const std::string& ThousandsSeparator() { return Thousands(); }
void SetThousandsSeparator(std::string separator) { Thousands() = std::move(separator); }

}  // namespace mv
