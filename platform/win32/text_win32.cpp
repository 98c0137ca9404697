#include "platform/win32/text_win32.h"

#include "platform/text.h"
#include "platform/win32/win.h"

namespace mv::win {
namespace {

bool LeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

bool LocaleEqualsNoCase(std::string_view a, std::string_view b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string LocaleUpper(std::string_view text) {
  std::string out(text);
  if (!out.empty()) CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

}  // namespace

void InstallPlatformText() {
  SetLeadByteTest(&LeadByte);
  SetTextServices(TextServices{&LocaleEqualsNoCase, &LocaleUpper});
  char thousands[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands, sizeof thousands) > 0)
    SetThousandsSeparator(thousands);
}

}  // namespace mv::win
