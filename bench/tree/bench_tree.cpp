// Builds the target tree of one folder with the real Win32 layer and prints what it found, the
// time it took and the process's peak memory.
#include <cstdio>

#include "platform/win32/win.h"
// psapi.h needs the Windows types first.
#include <psapi.h>

#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_tree FOLDER\n");
    return 1;
  }
  mv::win::InstallPlatformText();
  mv::win::Win32FileSystem fs;
  mv::TargetTree tree;
  mv::TreeBuilder builder(fs, tree);
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  builder.Build({argv[1]}, true);
  QueryPerformanceCounter(&t1);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  std::printf("entries %lld nodes %u build_ms %.1f peak_mb %.1f\n", static_cast<long long>(tree.TotalCount),
              static_cast<unsigned>(tree.NodeCount()), 1000.0 * (t1.QuadPart - t0.QuadPart) / freq.QuadPart,
              pmc.PeakWorkingSetSize / 1048576.0);
  return 0;
}
