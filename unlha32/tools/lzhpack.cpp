// Runs one archiver command text on this machine's files:
//   mv_lzhpack [-j threads] [-c chain] [-n nice] [-p passes] a "archive" "base/" @list
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "unlha32/command.h"
#include "unlha32/posix_store.h"

int main(int argc, char** argv) {
  mv::lzh::RunOptions options;
  options.threads = static_cast<int>(std::thread::hardware_concurrency());
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-' && std::strlen(argv[i]) == 2; i += 2) {
    const int v = std::atoi(argv[i + 1]);
    switch (argv[i][1]) {
      case 'j':
        options.threads = v;
        break;
      case 'c':
        options.coding.searchDepth = v;
        break;
      case 'n':
        options.coding.niceLength = v;
        break;
      case 'p':
        options.coding.passes = v;
        break;
      default:
        std::fprintf(stderr, "unknown option %s\n", argv[i]);
        return 2;
    }
  }
  std::string text;
  for (; i < argc; ++i) {
    if (!text.empty()) text += ' ';
    text += argv[i];
  }
  mv::lzh::PosixStore store;
  const mv::lzh::RunResult r = mv::lzh::RunCommand(store, text, options);
  std::printf("%s\n", r.message.c_str());
  return r.code == 0 ? 0 : 1;
}
