// Native tools run from a Windows test under Wine: a shell script, and the LHA reader lhasa
// used to check archives independently of our own reader.
#pragma once

#include <fstream>
#include <map>
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
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
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
  if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return false;
  win::ScopedFile process(pi.hProcess), thread(pi.hThread);  // none to wait on for a Unix program
  if (!PumpUntil([&] { return ReadAll(statusFile).find('\n') != std::string::npos; }, 20000))
    return false;
  return ReadAll(statusFile) == "0\n";
}

// Extracts an archive with the native lhasa into a fresh folder; true when lhasa succeeded.
inline bool ExtractWithLhasa(const std::string& archive, const std::string& into) {
  MakeFolder(into);
  return RunShell("cd '" + UnixPath(into) + "' && /usr/bin/lhasa xq '" + UnixPath(archive) +
                      "' >/dev/null 2>&1",
                  into + ".status");
}

// lhasa's listing of an archive (its member names as stored, one a line, with its columns).
inline std::string ListWithLhasa(const std::string& archive, const std::string& scratch) {
  if (!RunShell("/usr/bin/lhasa l '" + UnixPath(archive) + "' > '" + UnixPath(scratch) + "' 2>&1",
                scratch + ".status"))
    return "(lhasa failed) " + ReadAll(scratch);
  return ReadAll(scratch);
}

// Runs an extracting command in a fresh folder (removed again) and lists what it wrote, byte
// for byte: the hex of each file's path below the folder (as the Unix file system holds it, so
// code-page names arrive unchanged) mapped to the hex of its bytes. Then runs `after` (its
// output in *afterOutput). Empty when the command failed.
inline std::map<std::string, std::string> ExtractAndList(const std::string& extract,
                                                         const std::string& into,
                                                         const std::string& after,
                                                         std::string* afterOutput) {
  MakeFolder(into);
  const std::string manifest = into + ".manifest", tested = into + ".out", script = into + ".sh";
  WriteFile(script,
            "cd '" + UnixPath(into) + "' && " + extract +
                " || exit 1\n"
                "find . -type f -exec sh -c 'for f; do printf %s \"${f#./}\" | od -An -tx1 -v | tr "
                "-d \" \\n\";"
                " printf \" \"; od -An -tx1 -v \"$f\" | tr -d \" \\n\"; echo; done' sh {} + > '" +
                UnixPath(manifest) + "'\n" +
                (after.empty() ? std::string() : after + " > '" + UnixPath(tested) + "' 2>&1\n") +
                // Names in the code page's bytes are no names to Wine: the test's own clean-up
                // could not reach them.
                "rm -rf '" + UnixPath(into) + "'\n");
  std::map<std::string, std::string> files;
  const bool ok = RunShell("/bin/sh '" + UnixPath(script) + "'", into + ".status");
  if (afterOutput) *afterOutput = ReadAll(tested);
  if (!ok) return files;
  std::istringstream lines(ReadAll(manifest));
  for (std::string line; std::getline(lines, line);) {
    const size_t blank = line.find(' ');
    if (blank != std::string::npos) files[line.substr(0, blank)] = line.substr(blank + 1);
  }
  return files;
}

// What lhasa extracts from an archive (ExtractAndList); "7z t" of it lands in *sevenZip.
inline std::map<std::string, std::string> ExtractedBytes(const std::string& archive,
                                                         const std::string& into,
                                                         std::string* sevenZip) {
  return ExtractAndList("/usr/bin/lhasa xq '" + UnixPath(archive) + "'", into,
                        "7z t '" + UnixPath(archive) + "'", sevenZip);
}

// What bsdtar (libarchive, which reads the UTF-16 name records and converts code-page names)
// extracts from an archive, paths in UTF-8 (ExtractAndList).
inline std::map<std::string, std::string> BsdtarBytes(const std::string& archive,
                                                      const std::string& into) {
  return ExtractAndList("LC_ALL=C.UTF-8 /usr/bin/bsdtar -xf '" + UnixPath(archive) + "'", into, "",
                        nullptr);
}

inline std::string HexOf(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes)
    out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
  return out;
}

// lhasa writes a path without a byte 'a'-'z' in lower case, byte by byte (trail bytes too, so
// ギ 83 4D comes out as ズ 83 6D): its own habit; the archive holds the bytes as stored.
inline std::string AsLhasaWrites(std::string path) {
  bool lower = false;
  for (char c : path) lower = lower || (c >= 'a' && c <= 'z');
  if (!lower)
    for (char& c : path)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return path;
}

}  // namespace mv::testing
