// A stand-in archiver library for the archive command tests: its one entry point records the
// command text and the list file it names, and writes a small archive of the name it is given.
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/win.h"

namespace {

HINSTANCE g_self = nullptr;

std::string OwnFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(g_self, path, MAX_PATH);
  std::string p(path, n);
  return p.substr(0, p.find_last_of('\\') + 1);  // the build folder's name is plain ASCII
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(no list file)";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

// Records "<command>\n<list file bytes>" in unlha_call.txt beside this library.
extern "C" __declspec(dllexport) int WINAPI Unlha(HWND, LPCSTR command, LPSTR output, DWORD size) {
  const std::string text = command;
  const size_t at = text.rfind('@');
  const std::string list = at == std::string::npos ? "" : ReadAll(text.substr(at + 1));
  {
    std::ofstream record(OwnFolder() + "unlha_call.txt", std::ios::binary | std::ios::trunc);
    record << text << '\n' << list;
  }
  // The archive name is the first quoted piece.
  const size_t open = text.find('"');
  const size_t close = open == std::string::npos ? open : text.find('"', open + 1);
  if (close != std::string::npos) {
    std::ofstream archive(text.substr(open + 1, close - open - 1),
                          std::ios::binary | std::ios::trunc);
    archive << "stub archive";
  }
  if (output && size) output[0] = '\0';
  return 0;
}
