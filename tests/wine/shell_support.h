// Native tools run from a Windows test under Wine: a shell script, and the LHA reader lhasa
// used to check archives independently of our own reader.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/win.h"
#include "wine_support.h"

namespace mv::testing {

// A file's bytes, or "<missing>".
inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The Unix path of a Windows one (Wine's own export), for the native lhasa.
inline std::string UnixPath(const std::string& path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  wchar_t wide[MAX_PATH * 2] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
  char* unix = fn(wide);
  if (!unix) return {};
  std::string s = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return s;
}

// Runs a shell script natively and waits for it; true when it ended with status 0. Wine starts
// Unix programs without a process handle to wait on, so the shell leaves a status file behind
// (statusFile, a Windows path) and the test waits for it.
inline bool RunShell(const std::string& script, const std::string& statusFile) {
  DeleteFileA(statusFile.c_str());
  const std::string cmd = "/bin/sh -c \"" + script + "; echo $? > '" + UnixPath(statusFile) + "'\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = cmd;
  if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  win::ScopedFile process(pi.hProcess), thread(pi.hThread);  // none to wait on for a Unix program
  if (!PumpUntil([&] { return ReadAll(statusFile).find('\n') != std::string::npos; }, 20000)) return false;
  return ReadAll(statusFile) == "0\n";
}

// Extracts an archive with the native lhasa into a fresh folder; true when lhasa succeeded.
inline bool ExtractWithLhasa(const std::string& archive, const std::string& into) {
  MakeFolder(into);
  return RunShell("cd '" + UnixPath(into) + "' && /usr/bin/lhasa xq '" + UnixPath(archive) + "' >/dev/null 2>&1",
                  into + ".status");
}

// lhasa's listing of an archive (its member names as stored, one a line, with its columns).
inline std::string ListWithLhasa(const std::string& archive, const std::string& scratch) {
  if (!RunShell("/usr/bin/lhasa l '" + UnixPath(archive) + "' > '" + UnixPath(scratch) + "' 2>&1", scratch + ".status"))
    return "(lhasa failed) " + ReadAll(scratch);
  return ReadAll(scratch);
}

}  // namespace mv::testing
