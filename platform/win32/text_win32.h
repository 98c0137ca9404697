// Installs the platform's lead-byte test, locale comparison and upper-casing for the portable code.
#pragma once

namespace mv::win {
void InstallPlatformText();
}
