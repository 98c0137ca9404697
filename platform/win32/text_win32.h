// Installs the platform's lead-byte test, locale comparison, upper-casing and thousands separator
// for the portable code.
#pragma once

namespace mv::win {
void InstallPlatformText();
}
