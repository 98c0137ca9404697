// Packs a folder as the "ＬＨＡ" button does: the target tree built from the folder, then the
// archive commands with their list file and command text, calling Unlha of the UNLHA32.DLL that
// lies beside this driver. Only the button's work is timed (the save dialog answered at once);
// prints the time, the archive's size and the library's result.
//   bench_lzh FOLDER ARCHIVE [window]
// With "window" the call is given a real top-level window, as the program's is: another thread
// then tells when the library's progress window appeared and the longest time the window took to
// answer a message meanwhile (needs a display).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "bench/bench_clock.h"
#include "ops/common/error_list.h"
#include "ops/lha/archive_commands.h"
#include "ops/lha/win32/lha_win32.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"

using namespace mv;

namespace {

class AnsweringUi : public lha::ArchiveUi {
 public:
  explicit AnsweringUi(std::string archive) : archive_(std::move(archive)) {}
  std::optional<std::string> AskArchiveName() override { return archive_; }
  void Notice(const std::string& text) override {
    std::fprintf(stderr, "notice: %s\n", text.c_str());
  }
  void ApplicationError(const std::string& message) override {
    std::fprintf(stderr, "error: %s\n", message.c_str());
    failed = true;
  }
  void ShowErrors() override { std::fprintf(stderr, "error lines shown\n"); }
  bool failed = false;

 private:
  std::string archive_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool windowed = argc == 4 && std::strcmp(argv[3], "window") == 0;
  if (argc != 3 && !windowed) {
    std::fprintf(stderr, "usage: bench_lzh FOLDER ARCHIVE [window]\n");
    return 2;
  }
  HWND owner = nullptr;
  if (windowed) {
    owner = CreateWindowExA(0, "STATIC", "bench_lzh", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                            300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!owner) {
      std::fprintf(stderr, "bench_lzh: no window (no display?)\n");
      return 1;
    }
  }
  win::InstallPlatformText();
  lha::win::ArchiverLibrary library;
  library.Load();
  if (!library.Loaded()) {
    std::fprintf(stderr, "bench_lzh: UNLHA32.DLL did not load\n");
    return 1;
  }
  win::Win32FileSystem fs;
  TargetTree tree;
  TreeBuilder(fs, tree).Build({argv[1]}, true);
  DeleteFileA(argv[2]);
  lha::win::Win32ArchivePlatform platform(library, owner);
  AnsweringUi ui(argv[2]);
  ErrorList scratch;
  lha::ArchiveCommands commands(platform, ui, scratch);
  std::atomic<bool> done{false};
  double shownAt = -1, longestGap = 0;
  const double t = bench::Seconds();
  std::thread watcher;
  if (windowed) {
    watcher = std::thread([&] {
      while (!done) {
        const double asked = bench::Seconds();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(owner, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
        const double now = bench::Seconds();
        if (!done) longestGap = std::max(longestGap, now - asked);
        if (shownAt < 0 && FindWindowA("MvUnlhaProgress", nullptr)) shownAt = now - t;
        Sleep(10);
      }
    });
  }
  commands.BitBtn3Click(tree);
  const double s = bench::Seconds() - t;
  done = true;
  if (watcher.joinable()) watcher.join();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const bool made = GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data) != 0;
  std::printf("entries %lld ms %.0f archive_bytes %lu", static_cast<long long>(tree.TotalCount),
              1000 * s, made ? data.nFileSizeLow : 0ul);
  if (windowed)
    std::printf(" progress_shown_ms %.0f longest_unanswered_ms %.0f", 1000 * shownAt,
                1000 * longestGap);
  std::printf("\n");
  return made && !ui.failed ? 0 : 1;
}
