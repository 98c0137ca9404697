// Morvane's entry point: bind the archiver, create the windows, run the message loop.
#include "app/Unit1.h"
#include "platform/win32/text_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  mv::win::InstallPlatformText();
  // The archiver library is bound before any window exists and released after the loop.
  mv::lha::win::ArchiverLibrary archiver;
  archiver.Load();
  mv::TForm1 form(mv::ArgumentPaths(GetCommandLineW()), {}, &archiver);
  if (!form.Create(instance)) return 1;
  form.CreateForm2(instance);
  form.CreateForm3(instance);
  ShowWindow(form.Handle(), show);
  UpdateWindow(form.Handle());
  int code = mv::RunMessageLoop(form);
  archiver.Unload();
  return code;
}
