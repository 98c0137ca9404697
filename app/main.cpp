// Morvane's entry point: bind the archiver, create the windows, run the message loop.
#include <cstdlib>

#include "app/Unit1.h"
#include "platform/win32/text_win32.h"

namespace {

// The command line after the program's name; relative paths are made absolute so every target
// has a real base folder.
std::vector<std::string> TargetArguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(__argv[i], MAX_PATH, full, nullptr);
    args.emplace_back(n > 0 && n < MAX_PATH ? std::string(full, n) : std::string(__argv[i]));
  }
  return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  mv::win::InstallPlatformText();
  // The archiver library is bound before any window exists and released after the loop.
  mv::lha::win::ArchiverLibrary archiver;
  archiver.Load();
  mv::TForm1 form(TargetArguments(), {}, &archiver);
  if (!form.Create(instance)) return 1;
  form.CreateForm2(instance);
  form.CreateForm3(instance);
  ShowWindow(form.Handle(), show);
  UpdateWindow(form.Handle());
  int code = mv::RunMessageLoop(form);
  archiver.Unload();
  return code;
}
