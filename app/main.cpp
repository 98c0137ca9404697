// Morvane's entry point: bind the archiver, create the windows, run the message loop.
#include <cstdlib>

#include "app/Unit1.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"

namespace {

// The command line after the program's name; relative paths are made absolute so every target
// has a real base folder.
// The wide command line is read: the code page's own would give names it cannot hold in a
// best-fit or '?' spelling, which reaches another file or none.
std::vector<std::string> TargetArguments() {
  std::vector<std::string> args;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return args;
  for (int i = 1; i < argc; ++i) {
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(argv[i], MAX_PATH, full, nullptr);
    args.push_back(mv::win::AnsiPathOf(n > 0 && n < MAX_PATH ? std::wstring(full, n) : std::wstring(argv[i])));
  }
  LocalFree(argv);
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
